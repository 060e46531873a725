#include "platform/classlib/menus.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QVariant>
#include <QWidgetAction>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/image_list.h"

namespace classlib {

std::function<TMenuItem*(TPopupMenu* Menu, int X, int Y)> TPopupMenu::PopupHook;

std::string StripHotkey(const std::string& Caption) {
  std::string out;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += Caption[i];
  }
  return out;
}

std::string ShortCutToText(TShortCut ShortCut) {
  if (ShortCut == 0) return {};
  std::string s;
  if (ShortCut & scCtrl) s += "Ctrl+";
  if (ShortCut & scShift) s += "Shift+";
  if (ShortCut & scAlt) s += "Alt+";
  int key = ShortCut & 0xFF;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    s += static_cast<char>(key);
  else if (key >= VK_F1 && key <= VK_F12)
    s += "F" + std::to_string(key - VK_F1 + 1);
  else {
    switch (key) {
      case VK_BACK: s += "BkSp"; break;
      case VK_TAB: s += "Tab"; break;
      case VK_RETURN: s += "Enter"; break;
      case VK_ESCAPE: s += "Esc"; break;
      case VK_SPACE: s += "Space"; break;
      case VK_PRIOR: s += "PgUp"; break;
      case VK_NEXT: s += "PgDn"; break;
      case VK_END: s += "End"; break;
      case VK_HOME: s += "Home"; break;
      case VK_LEFT: s += "Left"; break;
      case VK_UP: s += "Up"; break;
      case VK_RIGHT: s += "Right"; break;
      case VK_DOWN: s += "Down"; break;
      case VK_INSERT: s += "Ins"; break;
      case VK_DELETE: s += "Del"; break;
      default: return {};
    }
  }
  return s;
}

// ============================================================== TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (parent_ != nullptr) parent_->Remove(this);
}

void TMenuItem::Changed() {
  if (TMenu* m = GetParentMenu()) m->MenuChanged(this);
}

void TMenuItem::SetCaption(const std::string& Value) {
  if (Value == caption_) return;
  caption_ = Value;
  Changed();
}

void TMenuItem::TurnSiblingsOff() {
  if (parent_ == nullptr) return;
  for (TMenuItem* s : parent_->items_)
    if (s != this && s->radio_item_ && s->group_index_ == group_index_ && s->checked_) {
      s->checked_ = false;
      s->Changed();
    }
}

void TMenuItem::SetChecked(bool Value) {
  if (Value == checked_) return;
  checked_ = Value;
  if (Value && radio_item_) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetRadioItem(bool Value) {
  if (Value == radio_item_) return;
  radio_item_ = Value;
  if (Value && checked_) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetGroupIndex(uint8_t Value) {
  if (Value == group_index_) return;
  group_index_ = Value;
  if (radio_item_ && checked_) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetImageIndex(int Value) {
  if (Value == image_index_) return;
  image_index_ = Value;
  Changed();
}

void TMenuItem::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Changed();
}

void TMenuItem::SetVisible(bool Value) {
  if (Value == visible_) return;
  visible_ = Value;
  Changed();
}

void TMenuItem::SetDefault(bool Value) {
  default_ = Value;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut Value) {
  short_cut_ = Value;
  Changed();
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TObject*) { Changed(); };
  }
  return bitmap_.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) {
  if (Value == nullptr) {
    if (bitmap_) bitmap_->SetSize(0, 0);
  } else {
    Bitmap()->Assign(Value);
  }
  Changed();
}

bool TMenuItem::HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("Menu index out of range");
  return items_[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item == nullptr) return;
  if (Item->parent_ != nullptr) throw EInvalidOperation("Menu inserted twice");
  for (TMenuItem* p = this; p != nullptr; p = p->parent_)
    if (p == Item) throw EInvalidOperation("A menu item cannot contain itself");
  if (Index < 0 || Index > Count()) throw EListError("Menu index out of range");
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  if (Item->radio_item_ && Item->checked_) Item->TurnSiblingsOff();
  Changed();
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  items_.erase(items_.begin() + Index);
  item->parent_ = nullptr;
  Changed();
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
  std::string want = StripHotkey(ACaption);
  for (TMenuItem* i : items_)
    if (StripHotkey(i->caption_) == want) return i;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->parent_ != nullptr) i = i->parent_;
  return i->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (auto_check_) SetChecked(radio_item_ ? true : !checked_);
  if (OnClick) OnClick(this);
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected) {
  if (OnDrawItem) {
    OnDrawItem(this, ACanvas, ARect, Selected);
    return;
  }
  // Plain drawing: highlight, glyph column, caption.
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->Brush()->SetColor(Selected ? clHighlight : clMenu);
  ACanvas->FillRect(ARect);
  if (IsLine()) {
    int y = (ARect.Top + ARect.Bottom) / 2;
    ACanvas->Pen()->SetColor(clBtnShadow);
    ACanvas->MoveTo(ARect.Left + 2, y);
    ACanvas->LineTo(ARect.Right - 2, y);
    return;
  }
  ACanvas->Font()->SetColor(!enabled_ ? clGrayText : (Selected ? clHighlightText : clMenuText));
  ACanvas->Brush()->SetStyle(bsClear);
  TRect r = ARect;
  r.Left += 20;
  ACanvas->DrawText(caption_, r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
  if (OnMeasureItem) {
    OnMeasureItem(this, ACanvas, Width, Height);
    return;
  }
  if (IsLine()) {
    Height = 8;
    return;
  }
  Width = ACanvas->TextWidth(StripHotkey(caption_)) + 40;
  Height = std::max(ACanvas->TextHeight("Wg") + 6, 19);
}

// ============================================================== TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  items_->menu_ = nullptr;
  delete items_;
}

void TMenu::SetOwnerDraw(bool Value) {
  owner_draw_ = Value;
  MenuChanged(nullptr);
}

void TMenu::SetImages(TImageList* Value) {
  if (Value == images_) return;
  if (images_ != nullptr) images_->RemoveFreeNotification(this);
  images_ = Value;
  if (images_ != nullptr) images_->FreeNotification(this);
  MenuChanged(nullptr);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == images_) images_ = nullptr;
}

void TMenu::MenuChanged(TMenuItem*) {}

void AssignMenuFont(TFont* Font) {
  Font->SetName("Liberation Sans");
  Font->SetHeight(-11);
  Font->SetStyle({});
  Font->SetColor(clMenuText);
}

TMenuItem* TMenu::FindItemByShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return nullptr;
  std::vector<TMenuItem*> stack{items_};
  while (!stack.empty()) {
    TMenuItem* i = stack.back();
    stack.pop_back();
    if (i != items_ && i->ShortCut() == ShortCut) return i;
    for (int k = i->Count() - 1; k >= 0; --k) stack.push_back(i->Items(k));
  }
  return nullptr;
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
  TMenuItem* i = FindItemByShortCut(ShortCut);
  if (i == nullptr || !i->Enabled()) return false;
  i->Click();
  return true;
}

void TMainMenu::MenuChanged(TMenuItem* Item) {
  TMenu::MenuChanged(Item);
  if (form_ != nullptr) form_->MenuChanged();
}

namespace {

QPixmap PixmapOf(TBitmap* Bitmap) {
  int w = Bitmap->Width(), h = Bitmap->Height();
  QImage img(w, h, QImage::Format_RGB32);
  TCanvas c;
  AttachCanvas(c, img);
  Bitmap->Draw(&c, Rect(0, 0, w, h));
  c.DetachSurface();
  return QPixmap::fromImage(img);
}

// An owner-drawn menu entry: measured and painted by the item.
class TOwnerDrawEntry : public QWidget {
 public:
  TOwnerDrawEntry(TMenuItem* Item, QMenu* Menu) : item_(Item), menu_(Menu) {
    setMouseTracking(true);
    TCanvas canvas;
    QImage scratch(1, 1, QImage::Format_RGB32);
    AttachCanvas(canvas, scratch);
    AssignMenuFont(canvas.Font());
    int w = 80, h = 19;
    SafeCall(item_, [&] { item_->MeasureItem(&canvas, w, h); });
    canvas.DetachSurface();
    size_ = QSize(std::max(1, w), std::max(1, h));
  }
  QSize sizeHint() const override { return size_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage img(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    TCanvas canvas;
    AttachCanvas(canvas, img);
    AssignMenuFont(canvas.Font());
    bool selected = underMouse() && item_->Enabled();
    SafeCall(item_, [&] { item_->DrawItem(&canvas, Rect(0, 0, width(), height()), selected); });
    canvas.DetachSurface();
    QPainter p(this);
    p.drawImage(0, 0, img);
  }
  void enterEvent(QEnterEvent*) override { update(); }
  void leaveEvent(QEvent*) override { update(); }
  void mouseReleaseEvent(QMouseEvent*) override {
    if (!item_->Enabled() || item_->IsLine()) return;
    TMenuItem* item = item_;
    QWidget* top = menu_;
    while (auto* parent_menu = qobject_cast<QMenu*>(top->parentWidget())) top = parent_menu;
    top->close();
    menu_->close();
    SafeCall(item, [item] { item->Click(); });
  }

 private:
  TMenuItem* item_;
  QMenu* menu_;
  QSize size_;
};

// Lets the owner menu draw over a menu window's frame once the window has
// painted itself.
class TMenuFrameFilter : public QObject {
 public:
  TMenuFrameFilter(TMenu* Owner, QMenu* Menu) : QObject(Menu), owner_(Owner) {}
  void SetOwner(TMenu* Owner) { owner_ = Owner; }
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() != QEvent::Paint || painting_) return false;
    auto* w = static_cast<QWidget*>(Watched);
    painting_ = true;
    QCoreApplication::sendEvent(w, Event);  // the window's own painting
    painting_ = false;
    if (!owner_->DrawsFrame()) return true;
    // Draw onto a keyed image; the pixels left in the key colour stay the window's.
    constexpr QRgb kKey = 0xFF010203;
    QImage img(std::max(1, w->width()), std::max(1, w->height()), QImage::Format_RGB32);
    img.fill(kKey);
    TCanvas canvas;
    AttachCanvas(canvas, img);
    TMenu* owner = owner_;
    SafeCall(owner, [&] { owner->DrawFrame(&canvas, Rect(0, 0, w->width(), w->height())); });
    canvas.DetachSurface();
    QPixmap pm = QPixmap::fromImage(img);
    pm.setMask(pm.createMaskFromColor(QColor::fromRgb(kKey), Qt::MaskInColor));
    QPainter p(w);
    p.drawPixmap(0, 0, pm);
    return true;
  }

 private:
  TMenu* owner_;
  bool painting_ = false;
};

}  // namespace

void BuildNativeMenu(TMenu* Owner, QMenu* Menu, TMenuItem* Item) {
  Menu->clear();
  if (Owner->DrawsFrame()) {
    // One filter per window, found again when the window is rebuilt.
    const char* const kFrameFilter = "lumicastFrameFilter";
    auto* filter =
        reinterpret_cast<TMenuFrameFilter*>(Menu->property(kFrameFilter).value<quintptr>());
    if (filter == nullptr) {
      filter = new TMenuFrameFilter(Owner, Menu);
      Menu->installEventFilter(filter);
      Menu->setProperty(kFrameFilter, QVariant::fromValue(reinterpret_cast<quintptr>(filter)));
    }
    filter->SetOwner(Owner);
    // The frame takes 3 pixels on each side (as a menu window's border
    // does); the entries stay inside it.
    QStyle* st = Menu->style();
    const int fw = st->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, Menu);
    const int h = std::max(0, 3 - fw - st->pixelMetric(QStyle::PM_MenuHMargin, nullptr, Menu));
    const int v = std::max(0, 3 - fw - st->pixelMetric(QStyle::PM_MenuVMargin, nullptr, Menu));
    Menu->setContentsMargins(h, v, h, v);
  }
  std::map<int, QActionGroup*> groups;
  for (int i = 0; i < Item->Count(); ++i) {
    TMenuItem* sub = Item->Items(i);
    if (!sub->Visible()) continue;
    if (Owner->OwnerDraw()) {
      auto* wa = new QWidgetAction(Menu);
      wa->setDefaultWidget(new TOwnerDrawEntry(sub, Menu));
      wa->setEnabled(sub->Enabled());
      Menu->addAction(wa);
      continue;
    }
    if (sub->IsLine()) {
      Menu->addSeparator();
      continue;
    }
    if (sub->Count() > 0) {
      QMenu* child = Menu->addMenu(QStr(sub->Caption()));
      child->setEnabled(sub->Enabled());
      BuildNativeMenu(Owner, child, sub);
      continue;
    }
    QAction* a = Menu->addAction(QStr(sub->Caption()));
    a->setEnabled(sub->Enabled());
    if (sub->Checked() || sub->RadioItem()) {
      a->setCheckable(true);
      a->setChecked(sub->Checked());
    }
    if (sub->RadioItem()) {
      QActionGroup*& g = groups[sub->GroupIndex()];
      if (g == nullptr) g = new QActionGroup(Menu);
      g->addAction(a);
    }
    if (sub->HasBitmap()) a->setIcon(QIcon(PixmapOf(sub->Bitmap())));
    if (sub->ShortCut() != 0) a->setShortcut(QKeySequence(QStr(ShortCutToText(sub->ShortCut()))));
    if (sub->Default()) {
      QFont f = a->font();
      f.setBold(true);
      a->setFont(f);
    }
    QObject::connect(a, &QAction::triggered, [sub] { SafeCall(sub, [sub] { sub->Click(); }); });
  }
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  if (PopupHook) {
    TMenuItem* chosen = PopupHook(this, X, Y);
    if (chosen != nullptr) chosen->Click();
    return;
  }
  QMenu menu;
  BuildNativeMenu(this, &menu, Items());
  QPoint at(X, Y);
  if (alignment_ != TPopupAlignment::paLeft) {
    int w = menu.sizeHint().width();
    at.rx() -= alignment_ == TPopupAlignment::paRight ? w : w / 2;
  }
  menu.exec(at);
}

std::function<TMenuItem*(TMenuItem* Item, int X, int Y)> MenuItemPopupHook;

void PopupMenuItem(TMenu* Owner, TMenuItem* Item, int X, int Y) {
  if (Item == nullptr) return;
  if (Item->Count() == 0) {
    Item->Click();
    return;
  }
  if (MenuItemPopupHook) {
    TMenuItem* chosen = MenuItemPopupHook(Item, X, Y);
    if (chosen != nullptr) chosen->Click();
    return;
  }
  QMenu menu;
  BuildNativeMenu(Owner, &menu, Item);
  menu.exec(QPoint(X, Y));
}

}  // namespace classlib
