#include "platform/classlib/custom_edit.h"

#include <algorithm>

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QProxyStyle>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/menus.h"

namespace classlib {

namespace {

QLineEdit* LineEdit(const TCustomEdit* Edit) {
  return static_cast<QLineEdit*>(NativeWidget(const_cast<TCustomEdit*>(Edit)));
}

// Character (code point) position <-> the toolkit's UTF-16 position.
int ToUnits(const QString& S, int Chars) {
  int units = 0;
  for (int c = 0; c < Chars && units < S.size(); ++c)
    units += (S.at(units).isHighSurrogate() && units + 1 < S.size()) ? 2 : 1;
  return units;
}

int ToChars(const QString& S, int Units) {
  int chars = 0;
  for (int u = 0; u < Units && u < S.size(); ++chars)
    u += (S.at(u).isHighSurrogate() && u + 1 < S.size()) ? 2 : 1;
  return chars;
}

// Widens the caret to the edit's caret width.
class CaretStyle : public QProxyStyle {
 public:
  int width = 1;
  int pixelMetric(PixelMetric Metric, const QStyleOption* Option,
                  const QWidget* Widget) const override {
    if (Metric == PM_TextCursorWidth) return width;
    return QProxyStyle::pixelMetric(Metric, Option, Widget);
  }
};

TShiftState KeyMessageShift(intptr_t LParam) {
  return static_cast<TShiftState>((static_cast<uint64_t>(LParam) >> 32) & 0xFF);
}

QString FromU32(const std::u32string& S) {
  return QString::fromUcs4(S.data(), static_cast<qsizetype>(S.size()));
}

}  // namespace

// Turns the input that does not come as key or mouse events (input-method
// commits and drops) into WM_CHAR messages.
class TCustomEdit::InputFilter : public QObject {
 public:
  InputFilter(TCustomEdit* Edit, QObject* Parent) : QObject(Parent), edit(Edit) {}
  bool eventFilter(QObject*, QEvent* Event) override {
    switch (Event->type()) {
      case QEvent::InputMethod: {
        auto* e = static_cast<QInputMethodEvent*>(Event);
        SendChars(e->commitString());
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(Event);
        if (e->mimeData() == nullptr || !e->mimeData()->hasText()) return true;
        QLineEdit* le = LineEdit(edit);
        int pos = le->cursorPositionAt(e->position().toPoint());
        le->setCursorPosition(pos);
        e->acceptProposedAction();
        SendChars(e->mimeData()->text());
        return true;
      }
      default: return false;
    }
  }
  void SendChars(const QString& Text) {
    for (char32_t ch : Text.toStdU32String()) {
      TMessage m;
      m.Msg = WM_CHAR;
      m.WParam = ch;
      DeliverMessage(edit, m);
    }
  }
  TCustomEdit* edit;
};

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateWnd() {
  auto* e = new QLineEdit();
  auto* style = new CaretStyle();
  style->setParent(e);
  e->setStyle(style);
  e->setDragEnabled(false);
  QObject::connect(e, &QLineEdit::textChanged, e, [this] { SafeCall(this, [this] { Change(); }); });
  AdoptWidget(this, e);
}

void TCustomEdit::WidgetCreated() {
  TWinControl::WidgetCreated();
  QLineEdit* e = LineEdit(this);
  e->installEventFilter(new InputFilter(this, e));
  e->setAttribute(Qt::WA_InputMethodEnabled, true);
  e->setAcceptDrops(true);
  e->setReadOnly(read_only_);
  e->setFrame(border_style_ != bsNone);
  e->setMaxLength(max_length_ == 0 ? 32767 : max_length_);
  e->setEchoMode(password_char_ == 0 ? QLineEdit::Normal : QLineEdit::Password);
  ApplyAlignment();
  ApplyCaretWidth();
  ApplyMargins();
  ApplyColors();
}

void TCustomEdit::ColorChanged() {
  TWinControl::ColorChanged();
  ApplyColors();
}

void TCustomEdit::FontChanged() {
  TWinControl::FontChanged();
  ApplyColors();
}

void TCustomEdit::ApplyColors() {
  // The edit's own colour fills it in every state (a disabled edit shows
  // whatever colour it was given); the text is the font's colour, greyed
  // when disabled.
  QLineEdit* e = LineEdit(this);
  QPalette p = e->palette();
  p.setColor(QPalette::All, QPalette::Base, QColorFor(Color()));
  p.setColor(QPalette::Active, QPalette::Text, QColorFor(Font()->Color()));
  p.setColor(QPalette::Inactive, QPalette::Text, QColorFor(Font()->Color()));
  p.setColor(QPalette::Disabled, QPalette::Text, QColorFor(clGrayText));
  e->setPalette(p);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

std::string TCustomEdit::GetText() const { return StdStr(LineEdit(this)->text()); }

std::u32string TCustomEdit::Text32() const { return LineEdit(this)->text().toStdU32String(); }

void TCustomEdit::StoreText(const std::string& Value) { LineEdit(this)->setText(QStr(Value)); }

void TCustomEdit::SetReadOnly(bool Value) {
  read_only_ = Value;
  LineEdit(this)->setReadOnly(Value);
}

void TCustomEdit::SetMaxLength(int Value) {
  max_length_ = std::max(0, Value);
  LineEdit(this)->setMaxLength(max_length_ == 0 ? 32767 : max_length_);
}

void TCustomEdit::SetPasswordChar(char32_t Value) {
  password_char_ = Value;
  LineEdit(this)->setEchoMode(Value == 0 ? QLineEdit::Normal : QLineEdit::Password);
}

void TCustomEdit::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  ApplyAlignment();
}

void TCustomEdit::ApplyAlignment() {
  Qt::Alignment a = Qt::AlignVCenter;
  switch (alignment_) {
    case taRightJustify: a |= Qt::AlignRight; break;
    case taCenter: a |= Qt::AlignHCenter; break;
    default: a |= Qt::AlignLeft; break;
  }
  LineEdit(this)->setAlignment(a);
}

void TCustomEdit::SetCaretWidth(int Value) {
  caret_width_ = std::max(1, Value);
  ApplyCaretWidth();
}

void TCustomEdit::ApplyCaretWidth() {
  QLineEdit* e = LineEdit(this);
  if (auto* s = dynamic_cast<CaretStyle*>(e->style())) s->width = caret_width_;
  e->update();
}

void TCustomEdit::SetEditRect(const TRect& Value) {
  edit_rect_ = Value;
  ApplyMargins();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  border_style_ = Value == bsNone ? bsNone : bsSingle;
  LineEdit(this)->setFrame(border_style_ != bsNone);
  ApplyMargins();
}

void TCustomEdit::SetCtl3D(bool Value) {
  ctl3d_ = Value;
  ApplyMargins();
}

int TCustomEdit::BorderSize() const {
  if (border_style_ == bsNone) return 0;
  return ctl3d_ ? 2 : 1;
}

void TCustomEdit::BoundsChanged(bool Moved, bool Resized) {
  TWinControl::BoundsChanged(Moved, Resized);
  if (Resized) ApplyMargins();
}

void TCustomEdit::ApplyMargins() {
  QLineEdit* e = LineEdit(this);
  if (edit_rect_.Width() <= 0 || edit_rect_.Height() <= 0) {
    e->setTextMargins(0, 0, 0, 0);
    return;
  }
  const int b = BorderSize();
  TRect c = Rect(0, 0, Width() - 2 * b, Height() - 2 * b);
  e->setTextMargins(std::max(0, edit_rect_.Left - c.Left), std::max(0, edit_rect_.Top - c.Top),
                    std::max(0, c.Right - edit_rect_.Right),
                    std::max(0, c.Bottom - edit_rect_.Bottom));
}

int TCustomEdit::SelStart() const {
  QLineEdit* e = LineEdit(this);
  int units = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  return ToChars(e->text(), units);
}

void TCustomEdit::SetSelStart(int Value) {
  QLineEdit* e = LineEdit(this);
  e->deselect();
  e->setCursorPosition(ToUnits(e->text(), std::max(0, Value)));
}

int TCustomEdit::SelLength() const {
  QLineEdit* e = LineEdit(this);
  if (!e->hasSelectedText()) return 0;
  int start = e->selectionStart();
  return ToChars(e->text(), start + e->selectionLength()) - ToChars(e->text(), start);
}

void TCustomEdit::SetSelLength(int Value) {
  QLineEdit* e = LineEdit(this);
  const QString t = e->text();
  int start = ToChars(t, e->hasSelectedText() ? e->selectionStart() : e->cursorPosition());
  int end = std::max(0, start + Value);
  int su = ToUnits(t, start);
  int eu = ToUnits(t, end);
  e->setSelection(su, eu - su);
}

std::string TCustomEdit::SelText() const { return StdStr(LineEdit(this)->selectedText()); }

void TCustomEdit::SetSelText(const std::string& Value) {
  QLineEdit* e = LineEdit(this);
  bool ro = e->isReadOnly();
  e->setReadOnly(false);
  e->insert(QStr(Value));
  e->setReadOnly(ro);
}

void TCustomEdit::SelectAll() { LineEdit(this)->selectAll(); }

bool TCustomEdit::CanUndo() const { return LineEdit(this)->isUndoAvailable(); }

void TCustomEdit::InsertText(const std::u32string& Text) {
  std::u32string line = Text.substr(0, Text.find_first_of(U"\r\n"));
  QLineEdit* e = LineEdit(this);
  if (max_length_ > 0) {
    // Only as much as fits; the selection is replaced.
    int room = max_length_ - static_cast<int>(e->text().toStdU32String().size()) +
               static_cast<int>(e->selectedText().toStdU32String().size());
    if (room <= 0) return;
    if (static_cast<int>(line.size()) > room) line.resize(static_cast<size_t>(room));
  }
  e->insert(FromU32(line));
}

std::string TCustomEdit::PasteText(const TMessage& Message) const {
  if (Message.WParam != kPasteSelection) return Clipboard()->AsText();
  QClipboard* cb = QGuiApplication::clipboard();
  return cb->supportsSelection() ? StdStr(cb->text(QClipboard::Selection)) : std::string();
}

void TCustomEdit::DoEnter() {
  TWinControl::DoEnter();
  if (auto_select_ && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) SelectAll();
}

void TCustomEdit::ShowEditMenu(int X, int Y) {
  if (edit_menu_ == nullptr) {
    edit_menu_ = new TPopupMenu(this);
    struct Entry {
      const char* caption;
      uint32_t msg;
    };
    static const Entry kEntries[] = {{"&Undo", WM_UNDO},   {"-", 0},
                                     {"Cu&t", WM_CUT},     {"&Copy", WM_COPY},
                                     {"&Paste", WM_PASTE}, {"&Delete", WM_CLEAR},
                                     {"-", 0},             {"Select &All", 0}};
    for (const Entry& entry : kEntries) {
      auto* item = new TMenuItem(edit_menu_);
      item->SetCaption(entry.caption);
      uint32_t msg = entry.msg;
      if (item->IsLine()) {
      } else if (msg != 0) {
        item->OnClick = [this, msg](TObject*) { Perform(msg, 0, 0); };
      } else {
        item->OnClick = [this](TObject*) { SelectAll(); };
      }
      edit_menu_->Items()->Add(item);
    }
  }
  bool has_sel = SelLength() > 0;
  bool editable = !read_only_;
  TMenuItem* items = edit_menu_->Items();
  items->Items(0)->SetEnabled(editable && CanUndo());
  items->Items(2)->SetEnabled(editable && has_sel);
  items->Items(3)->SetEnabled(has_sel && password_char_ == 0);
  items->Items(4)->SetEnabled(editable);
  items->Items(5)->SetEnabled(editable && has_sel);
  edit_menu_->SetPopupComponent(this);
  edit_menu_->Popup(X, Y);
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
  QLineEdit* e = LineEdit(this);
  switch (Message.Msg) {
    case WM_CHAR: {
      // Characters never reach the native window: the text changes here.
      char32_t ch = static_cast<char32_t>(Message.WParam);
      if (read_only_) return;
      if (ch == 8) {
        if (e->hasSelectedText())
          e->del();
        else
          e->backspace();
      } else if (ch >= 32 && ch != 127) {
        InsertText(std::u32string(1, ch));
      }
      return;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      uint16_t key = static_cast<uint16_t>(Message.WParam);
      TShiftState shift = KeyMessageShift(Message.LParam);
      bool ctrl = (shift & ssCtrl) != 0;
      bool sh = (shift & ssShift) != 0;
      if ((ctrl && key == 'V') || (sh && key == VK_INSERT)) {
        Perform(WM_PASTE, 0, 0);
      } else if ((ctrl && key == 'X') || (sh && key == VK_DELETE)) {
        Perform(WM_CUT, 0, 0);
      } else if (ctrl && (key == 'C' || key == VK_INSERT)) {
        Perform(WM_COPY, 0, 0);
      } else if (ctrl && key == 'Z') {
        Perform(WM_UNDO, 0, 0);
      } else if (ctrl && key == 'A') {
        SelectAll();
      } else if (key == VK_DELETE) {
        if (!read_only_) e->del();
      } else {
        switch (key) {
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
          case VK_HOME:
          case VK_END:
          case VK_PRIOR:
          case VK_NEXT:
            // Moving the caret and selecting stay with the native window.
            TWinControl::DefaultHandler(Message);
            break;
          default: break;
        }
      }
      return;
    }
    case WM_PASTE:
      if (!read_only_) InsertText(QStr(PasteText(Message)).toStdU32String());
      return;
    case WM_CUT:
      if (read_only_ || password_char_ != 0) return;
      if (e->hasSelectedText()) {
        Clipboard()->SetAsText(StdStr(e->selectedText()));
        e->del();
      }
      return;
    case WM_COPY:
      if (password_char_ == 0 && e->hasSelectedText())
        Clipboard()->SetAsText(StdStr(e->selectedText()));
      return;
    case WM_CLEAR:
      if (!read_only_ && e->hasSelectedText()) e->del();
      return;
    case WM_UNDO:
      if (!read_only_) e->undo();
      return;
    case WM_CONTEXTMENU:
      if (PopupMenu() == nullptr) {
        ShowEditMenu(Message.XPos(), Message.YPos());
      }
      return;
    case WM_MBUTTONUP:
      Perform(WM_PASTE, kPasteSelection, 0);
      return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return;
    default: TWinControl::DefaultHandler(Message);
  }
}

}  // namespace classlib
