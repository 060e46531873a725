#include "platform/classlib/std_controls.h"

#include <algorithm>
#include <climits>

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <functional>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTextBlock>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/canvas_qt.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/string_utils.h"

namespace classlib {

namespace {

unsigned AlignmentFlags(TAlignment A) {
  switch (A) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
  }
}

// A canvas for measuring text outside painting.
struct TMeasureCanvas {
  QImage image{1, 1, QImage::Format_RGB32};
  TCanvas canvas;
  explicit TMeasureCanvas(TFont* Font) {
    AttachCanvasToImage(canvas, image);
    if (Font != nullptr) canvas.Font()->Assign(Font);
  }
  ~TMeasureCanvas() { canvas.DetachSurface(); }
};

// One of NumGlyphs images laid side by side in Glyph; empty when there is none.
std::unique_ptr<TBitmap> GlyphPart(TBitmap* Glyph, int NumGlyphs, int Index) {
  if (Glyph == nullptr || Glyph->Empty()) return nullptr;
  NumGlyphs = std::max(1, NumGlyphs);
  int w = Glyph->Width() / NumGlyphs;
  if (w <= 0) return nullptr;
  if (Index >= NumGlyphs) Index = 0;
  auto part = std::make_unique<TBitmap>();
  part->SetPixelFormat(pf24bit);
  part->SetSize(w, Glyph->Height());
  part->Canvas()->CopyRect(Rect(0, 0, w, Glyph->Height()), Glyph->Canvas(),
                           Rect(Index * w, 0, Index * w + w, Glyph->Height()));
  // The glyph's transparent colour is its own bottom-left pixel.
  part->SetTransparentColor(Glyph->PixelColor(0, Glyph->Height() - 1));
  part->SetTransparent(true);
  return part;
}

QPixmap GlyphPixmap(TBitmap* Glyph, int NumGlyphs) {
  auto part = GlyphPart(Glyph, NumGlyphs, 0);
  if (!part) return {};
  QImage img = BitmapToQImage(*part).convertToFormat(QImage::Format_ARGB32);
  QRgb key = img.pixel(0, img.height() - 1) | 0xFF000000u;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) | 0xFF000000u) == key) img.setPixel(x, y, 0);
  return QPixmap::fromImage(img);
}

// The lines of a memo, kept in its native editor.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* Memo) : memo_(Memo) {}
  int Count() const override { return static_cast<int>(Lines().size()); }
  std::string Get(int Index) const override {
    auto lines = Lines();
    Check(Index, static_cast<int>(lines.size()));
    return lines[static_cast<size_t>(Index)];
  }
  void Insert(int Index, const std::string& S) override {
    auto lines = Lines();
    if (Index < 0 || Index > static_cast<int>(lines.size()))
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    auto* edit = Editor();
    if (Index == static_cast<int>(lines.size())) {
      // Appending: the common case of a log; the new line is shown.
      if (lines.empty() && !edit->toPlainText().isEmpty()) edit->setPlainText(QString());
      edit->appendPlainText(QStr(S));
      edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
      return;
    }
    lines.insert(lines.begin() + Index, S);
    Store(lines);
  }
  void Delete(int Index) override {
    auto lines = Lines();
    Check(Index, static_cast<int>(lines.size()));
    lines.erase(lines.begin() + Index);
    Store(lines);
  }
  void Clear() override { Editor()->clear(); }
  void Put(int Index, const std::string& S) override {
    auto lines = Lines();
    Check(Index, static_cast<int>(lines.size()));
    lines[static_cast<size_t>(Index)] = S;
    Store(lines);
  }

 private:
  QPlainTextEdit* Editor() const { return static_cast<QPlainTextEdit*>(NativeWidget(memo_)); }
  std::vector<std::string> Lines() const {
    QString text = Editor()->toPlainText();
    std::vector<std::string> out;
    if (text.isEmpty()) return out;
    for (const QString& l : text.split('\n')) out.push_back(StdStr(l));
    return out;
  }
  void Store(const std::vector<std::string>& Lines) {
    QStringList l;
    for (const auto& s : Lines) l << QStr(s);
    Editor()->setPlainText(l.join('\n'));
  }
  static void Check(int Index, int Count) {
    if (Index < 0 || Index >= Count)
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  TMemo* memo_;
};

// The items of a combo box, kept in its native widget.
class TComboStrings : public TStrings {
 public:
  explicit TComboStrings(TComboBox* Combo) : combo_(Combo) {}
  int Count() const override { return Box()->count(); }
  std::string Get(int Index) const override {
    Check(Index, Count());
    return StdStr(Box()->itemText(Index));
  }
  void Insert(int Index, const std::string& S) override {
    if (Index < 0 || Index > Count())
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    QSignalBlocker block(Box());
    int current = Box()->currentIndex();
    Box()->insertItem(Index, QStr(S));
    // A list-style box shows no item until one is chosen.
    if (current < 0) Box()->setCurrentIndex(-1);
    objects_.insert(objects_.begin() + Index, nullptr);
  }
  void Delete(int Index) override {
    Check(Index, Count());
    QSignalBlocker block(Box());
    Box()->removeItem(Index);
    objects_.erase(objects_.begin() + Index);
  }
  void Clear() override {
    QSignalBlocker block(Box());
    Box()->clear();
    objects_.clear();
  }
  void Put(int Index, const std::string& S) override {
    Check(Index, Count());
    Box()->setItemText(Index, QStr(S));
  }
  TObject* GetObject(int Index) const override {
    Check(Index, Count());
    return objects_[static_cast<size_t>(Index)];
  }
  void PutObject(int Index, TObject* AObject) override {
    Check(Index, Count());
    objects_[static_cast<size_t>(Index)] = AObject;
  }

 private:
  QComboBox* Box() const { return static_cast<QComboBox*>(NativeWidget(combo_)); }
  static void Check(int Index, int Count) {
    if (Index < 0 || Index >= Count)
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  TComboBox* combo_;
  std::vector<TObject*> objects_;
};

}  // namespace

// ================================================================ TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ = (control_style_ | csAcceptsControls | csOpaque | csClickEvents) & ~csSetCaption;
  SetBounds(0, 0, 185, 41);
}

void TPanel::BordersChanged() {
  Realign();
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut Value) {
  bevel_inner_ = Value;
  BordersChanged();
}
void TPanel::SetBevelOuter(TBevelCut Value) {
  bevel_outer_ = Value;
  BordersChanged();
}
void TPanel::SetBevelWidth(int Value) {
  bevel_width_ = std::max(1, Value);
  BordersChanged();
}
void TPanel::SetBorderWidth(int Value) {
  border_width_ = std::max(0, Value);
  BordersChanged();
}
void TPanel::SetBorderStyle(TBorderStyle Value) {
  border_style_ = Value;
  BordersChanged();
}
void TPanel::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  Invalidate();
}

void TPanel::AdjustClientRect(TRect& Rect) const {
  int inset = border_width_;
  if (bevel_outer_ != bvNone) inset += bevel_width_;
  if (bevel_inner_ != bvNone) inset += bevel_width_;
  if (border_style_ == bsSingle) inset += 1;
  InflateRect(Rect, -inset, -inset);
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (border_style_ == bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  if (bevel_outer_ != bvNone) {
    TColor top = bevel_outer_ == bvLowered ? clBtnShadow : clBtnHighlight;
    TColor bottom = bevel_outer_ == bvLowered ? clBtnHighlight : clBtnShadow;
    if (bevel_outer_ == bvSpace) top = bottom = Color();
    Frame3D(c, r, top, bottom, bevel_width_);
  }
  if (border_width_ > 0) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    TRect inner = r;
    InflateRect(inner, -border_width_, -border_width_);
    // The border band in the panel's colour.
    c->FillRect(Rect(r.Left, r.Top, r.Right, inner.Top));
    c->FillRect(Rect(r.Left, inner.Bottom, r.Right, r.Bottom));
    c->FillRect(Rect(r.Left, inner.Top, inner.Left, inner.Bottom));
    c->FillRect(Rect(inner.Right, inner.Top, r.Right, inner.Bottom));
    r = inner;
  }
  if (bevel_inner_ != bvNone) {
    TColor top = bevel_inner_ == bvLowered ? clBtnShadow : clBtnHighlight;
    TColor bottom = bevel_inner_ == bvLowered ? clBtnHighlight : clBtnShadow;
    if (bevel_inner_ == bvSpace) top = bottom = Color();
    Frame3D(c, r, top, bottom, bevel_width_);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  std::string caption = Caption();
  if (!caption.empty()) {
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    c->DrawText(caption, r,
                DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | AlignmentFlags(alignment_));
  }
}

// ================================================================ TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ |= csAcceptsControls;
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(TRect& Rect) const {
  TMeasureCanvas m(Font());
  int h = m.canvas.TextHeight("0");
  Rect.Top += h;
  InflateRect(Rect, -1, -1);
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  int h = c->TextHeight("0");
  TRect r = Rect(0, h / 2 - 1, Width(), Height());
  Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
  Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  std::string caption = Caption();
  if (!caption.empty()) {
    TRect t = Rect(8, 0, 0, h);
    c->DrawText(caption, t, DT_SINGLELINE | DT_CALCRECT);
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->DrawText(caption, t, DT_SINGLELINE);
  }
}

// ================================================================ TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  control_style_ |= csReplicatable;
  SetBounds(0, 0, 65, 17);
}

unsigned TLabel::TextFlags() const {
  unsigned f = DT_EXPANDTABS | AlignmentFlags(alignment_);
  if (word_wrap_) f |= DT_WORDBREAK;
  if (!show_accel_char_) f |= DT_NOPREFIX;
  return f;
}

void TLabel::AdjustBounds() {
  if (!auto_size_) return;
  TMeasureCanvas m(Font());
  std::string text = Caption();
  if (text.empty() ||
      (show_accel_char_ && text.size() > 1 && text.back() == '&' && text[text.size() - 2] != '&'))
    text += " ";
  TRect r = Rect(0, 0, word_wrap_ ? Width() : 0, 0);
  m.canvas.DrawText(text.empty() ? std::string(" ") : text, r, TextFlags() | DT_CALCRECT);
  int x = Left();
  // A right-aligned label keeps its right edge, a centred one its centre.
  if (!word_wrap_ && alignment_ == taRightJustify)
    x += Width() - r.Width();
  else if (!word_wrap_ && alignment_ == taCenter)
    x += (Width() - r.Width()) / 2;
  SetBounds(x, Top(), r.Width(), r.Height());
}

void TLabel::SetAutoSize(bool Value) {
  auto_size_ = Value;
  AdjustBounds();
}
void TLabel::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  Invalidate();
}
void TLabel::SetLayout(TTextLayout Value) {
  layout_ = Value;
  Invalidate();
}
void TLabel::SetTransparent(bool Value) {
  transparent_ = Value;
  if (Value)
    control_style_ &= ~static_cast<TControlStyle>(csOpaque);
  else
    control_style_ |= csOpaque;
  Invalidate();
}
void TLabel::SetWordWrap(bool Value) {
  word_wrap_ = Value;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetShowAccelChar(bool Value) {
  show_accel_char_ = Value;
  AdjustBounds();
  Invalidate();
}

void TLabel::CMTextChanged(TMessage& Message) {
  Invalidate();
  AdjustBounds();
  TGraphicControl::CMTextChanged(Message);
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(Font());
  std::string text = Caption();
  unsigned flags = TextFlags();
  if (layout_ != tlTop) {
    TRect calc = r;
    c->DrawText(text, calc, flags | DT_CALCRECT);
    int dy = layout_ == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
    OffsetRect(r, 0, dy);
  }
  if (!Enabled()) {
    TRect shadow = r;
    OffsetRect(shadow, 1, 1);
    c->Font()->SetColor(clBtnHighlight);
    c->DrawText(text, shadow, flags);
    c->Font()->SetColor(clBtnShadow);
  }
  c->DrawText(text, r, flags);
}

// ================================================================ TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents);
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
  HandleNeeded();
}

void TButton::CreateWnd() {
  auto* b = new QPushButton();
  b->setAutoDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [this] { SafeCall(this, [this] { Click(); }); });
  AdoptWidget(this, b);
}

void TButton::StoreText(const std::string& Value) {
  TWinControl::StoreText(Value);
  static_cast<QPushButton*>(NativeWidget(this))->setText(QStr(Value));
}

void TButton::SetDefault(bool Value) {
  default_ = Value;
  static_cast<QPushButton*>(NativeWidget(this))->setDefault(Value);
}

void TButton::Click() {
  if (modal_result_ != mrNone) {
    if (TForm* form = ParentForm()) form->SetModalResult(modal_result_);
  }
  TWinControl::Click();
}

void TButton::CMDialogKey(TMessage& Message) {
  uint16_t key = static_cast<uint16_t>(Message.WParam);
  if (((key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_)) && Visible() && Enabled()) {
    Click();
    Message.Result = 1;
    return;
  }
  TWinControl::CMDialogKey(Message);
}

// ================================================================ TBitBtn

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() { glyph_->OnChange = nullptr; }

void TBitBtn::SetGlyph(TBitmap* Value) {
  if (Value == nullptr)
    glyph_->SetSize(0, 0);
  else
    glyph_->Assign(Value);
  GlyphChanged();
}

void TBitBtn::SetNumGlyphs(int Value) {
  num_glyphs_ = std::clamp(Value, 1, 4);
  GlyphChanged();
}

void TBitBtn::GlyphChanged() {
  auto* b = static_cast<QPushButton*>(NativeWidget(this));
  QPixmap pm = GlyphPixmap(glyph_.get(), num_glyphs_);
  b->setIcon(pm.isNull() ? QIcon() : QIcon(pm));
  if (!pm.isNull()) b->setIconSize(pm.size());
}

// ================================================================ TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  control_style_ = (control_style_ & ~static_cast<TControlStyle>(csClickEvents)) | csCaptureMouse |
                   csDoubleClicks;
  SetBounds(0, 0, 23, 22);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::SetGroupIndex(int Value) {
  group_index_ = Value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value) {
  if (group_index_ == 0) Value = false;
  if (Value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = Value;
  Invalidate();
  if (Value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  allow_all_up_ = Value;
  if (Parent() == nullptr || group_index_ == 0) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        b != nullptr && b->group_index_ == group_index_)
      b->allow_all_up_ = Value;
}

// The other buttons of the group go up.
void TSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || Parent() == nullptr || !down_) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (b == nullptr || b == this || b->group_index_ != group_index_) continue;
    if (b->down_) {
      b->down_ = false;
      b->Invalidate();
    }
    b->allow_all_up_ = allow_all_up_;
  }
}

void TSpeedButton::SetFlat(bool Value) {
  flat_ = Value;
  Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
  if (Value == nullptr)
    glyph_->SetSize(0, 0);
  else
    glyph_->Assign(Value);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int Value) {
  num_glyphs_ = std::clamp(Value, 1, 4);
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  layout_ = Value;
  Invalidate();
}
void TSpeedButton::SetMargin(int Value) {
  margin_ = Value;
  Invalidate();
}
void TSpeedButton::SetSpacing(int Value) {
  spacing_ = Value;
  Invalidate();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == TMouseButton::mbLeft && Enabled()) {
    dragging_ = true;
    pressed_ = true;
    Invalidate();
  }
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (dragging_) {
    bool inside = PtInRect(ClientRect(), Point(X, Y));
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool do_click = false;
  if (dragging_ && Button == TMouseButton::mbLeft) {
    dragging_ = false;
    pressed_ = false;
    do_click = PtInRect(ClientRect(), Point(X, Y));
    if (group_index_ != 0 && do_click) SetDown(!down_);
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (do_click) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& Message) {
  mouse_in_ = true;
  if (flat_ && Enabled()) Invalidate();
  TGraphicControl::CMMouseEnter(Message);
}

void TSpeedButton::CMMouseLeave(TMessage& Message) {
  mouse_in_ = false;
  if (flat_ && Enabled()) Invalidate();
  TGraphicControl::CMMouseLeave(Message);
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  bool shown_down = down_ || pressed_;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(down_ && !pressed_ ? cl3DLight : Color());
  c->FillRect(r);
  TRect edge = r;
  if (!flat_) {
    DrawEdge(c, edge, shown_down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else if (shown_down) {
    DrawEdge(c, edge, BDR_SUNKENOUTER, BF_RECT);
  } else if (mouse_in_ && Enabled()) {
    DrawEdge(c, edge, BDR_RAISEDINNER, BF_RECT);
  }
  // Glyph and caption, centred as a block (or from Margin).
  int state = !Enabled() ? 1 : (pressed_ ? 2 : (down_ ? 3 : 0));
  auto glyph = GlyphPart(glyph_.get(), num_glyphs_, state < num_glyphs_ ? state : 0);
  c->Font()->Assign(Font());
  std::string caption = Caption();
  TSize text{0, 0};
  if (!caption.empty()) {
    TRect t = Rect(0, 0, 0, 0);
    c->DrawText(caption, t, DT_SINGLELINE | DT_CALCRECT);
    text = {t.Width(), t.Height()};
  }
  TSize gs = glyph ? TSize{glyph->Width(), glyph->Height()} : TSize{0, 0};
  int spacing = (gs.cx > 0 && text.cx > 0) ? spacing_ : 0;
  bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  int total = horizontal ? gs.cx + spacing + text.cx : gs.cy + spacing + text.cy;
  int avail = horizontal ? r.Width() : r.Height();
  int start = margin_ >= 0 ? margin_ : (avail - total) / 2;
  int off = shown_down ? 1 : 0;
  TPoint gp, tp;
  if (horizontal) {
    int gx = layout_ == blGlyphLeft ? start : start + text.cx + spacing;
    int tx = layout_ == blGlyphLeft ? start + gs.cx + spacing : start;
    gp = Point(gx, (r.Height() - gs.cy) / 2);
    tp = Point(tx, (r.Height() - text.cy) / 2);
  } else {
    int gy = layout_ == blGlyphTop ? start : start + text.cy + spacing;
    int ty = layout_ == blGlyphTop ? start + gs.cy + spacing : start;
    gp = Point((r.Width() - gs.cx) / 2, gy);
    tp = Point((r.Width() - text.cx) / 2, ty);
  }
  if (glyph) c->Draw(gp.X + off, gp.Y + off, glyph.get());
  if (!caption.empty()) {
    c->Brush()->SetStyle(bsClear);
    TRect t = Bounds(tp.X + off, tp.Y + off, text.cx, text.cy);
    if (!Enabled()) c->Font()->SetColor(clBtnShadow);
    c->DrawText(caption, t, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

// ================================================================ TEdit

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) { HandleNeeded(); }

// ================================================================ TSpinEdit

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 22);
  HandleNeeded();
  ApplyRange();
  SetValue(0);
}

void TSpinEdit::CreateWnd() {
  auto* s = new QSpinBox();
  s->setKeyboardTracking(true);
  QObject::connect(s, &QSpinBox::textChanged, s, [this] {
    SafeCall(this, [this] {
      if (OnChange) OnChange(this);
    });
  });
  AdoptWidget(this, s);
}

int TSpinEdit::CheckValue(int NewValue) const {
  if (max_value_ != min_value_) {
    if (NewValue < min_value_) return min_value_;
    if (NewValue > max_value_) return max_value_;
  }
  return NewValue;
}

void TSpinEdit::ApplyRange() {
  auto* s = static_cast<QSpinBox*>(NativeWidget(this));
  QSignalBlocker block(s);
  if (max_value_ == min_value_ || max_value_ < min_value_)
    s->setRange(INT_MIN, INT_MAX);
  else
    s->setRange(min_value_, max_value_);
}

void TSpinEdit::SetMinValue(int NewValue) {
  int v = Value();
  min_value_ = NewValue;
  ApplyRange();
  SetValue(v);
}

void TSpinEdit::SetMaxValue(int NewValue) {
  int v = Value();
  max_value_ = NewValue;
  ApplyRange();
  SetValue(v);
}

void TSpinEdit::SetIncrement(int Value) {
  increment_ = Value;
  static_cast<QSpinBox*>(NativeWidget(this))->setSingleStep(Value);
}

int TSpinEdit::Value() const {
  auto* s = static_cast<QSpinBox*>(NativeWidget(const_cast<TSpinEdit*>(this)));
  std::string text = StdStr(s->cleanText());
  int32_t v = 0;
  if (!TryStrToInt(Trim(text), v)) return min_value_;
  return CheckValue(v);
}

void TSpinEdit::SetValue(int NewValue) {
  auto* s = static_cast<QSpinBox*>(NativeWidget(this));
  int v = CheckValue(NewValue);
  if (s->value() == v && StdStr(s->cleanText()) == std::to_string(v)) return;
  s->setValue(v);
}

std::string TSpinEdit::GetText() const {
  return StdStr(static_cast<QSpinBox*>(NativeWidget(const_cast<TSpinEdit*>(this)))->cleanText());
}

void TSpinEdit::StoreText(const std::string& Value) {
  int32_t v = 0;
  SetValue(TryStrToInt(Trim(Value), v) ? v : min_value_);
}

bool TSpinEdit::ReadOnly() const {
  return static_cast<QSpinBox*>(NativeWidget(const_cast<TSpinEdit*>(this)))->isReadOnly();
}
void TSpinEdit::SetReadOnly(bool Value) {
  static_cast<QSpinBox*>(NativeWidget(this))->setReadOnly(Value);
}

void TSpinEdit::SelectAll() { static_cast<QSpinBox*>(NativeWidget(this))->selectAll(); }

std::string TSpinEdit::SelText() const {
  auto* edit = NativeWidget(const_cast<TSpinEdit*>(this))->findChild<QLineEdit*>();
  return edit != nullptr ? StdStr(edit->selectedText()) : std::string();
}

// ================================================================ TMemo

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 185, 89);
  HandleNeeded();
  lines_ = std::make_unique<TMemoStrings>(this);
  ApplyWrap();
  SetScrollBars(ssNone);
}

TMemo::~TMemo() = default;

void TMemo::CreateWnd() {
  auto* e = new QPlainTextEdit();
  QObject::connect(e, &QPlainTextEdit::textChanged, e, [this] {
    SafeCall(this, [this] {
      if (OnChange) OnChange(this);
    });
  });
  AdoptWidget(this, e);
}

std::string TMemo::GetText() const {
  return StdStr(
      static_cast<QPlainTextEdit*>(NativeWidget(const_cast<TMemo*>(this)))->toPlainText());
}

void TMemo::StoreText(const std::string& Value) {
  std::string text;
  // Line breaks of any kind become one.
  for (size_t i = 0; i < Value.size(); ++i) {
    if (Value[i] == '\r') {
      text += '\n';
      if (i + 1 < Value.size() && Value[i + 1] == '\n') ++i;
    } else {
      text += Value[i];
    }
  }
  static_cast<QPlainTextEdit*>(NativeWidget(this))->setPlainText(QStr(text));
}

bool TMemo::ReadOnly() const {
  return static_cast<QPlainTextEdit*>(NativeWidget(const_cast<TMemo*>(this)))->isReadOnly();
}
void TMemo::SetReadOnly(bool Value) {
  static_cast<QPlainTextEdit*>(NativeWidget(this))->setReadOnly(Value);
}

void TMemo::SetScrollBars(TScrollStyle Value) {
  scroll_bars_ = Value;
  auto* e = static_cast<QPlainTextEdit*>(NativeWidget(this));
  bool h = Value == ssHorizontal || Value == ssBoth;
  bool v = Value == ssVertical || Value == ssBoth;
  e->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  e->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  ApplyWrap();
}

void TMemo::SetWordWrap(bool Value) {
  word_wrap_ = Value;
  ApplyWrap();
}

// A horizontal scroll bar turns word wrapping off, as in the native memo.
void TMemo::ApplyWrap() {
  bool wrap = word_wrap_ && scroll_bars_ != ssHorizontal && scroll_bars_ != ssBoth;
  static_cast<QPlainTextEdit*>(NativeWidget(this))
      ->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::Clear() { static_cast<QPlainTextEdit*>(NativeWidget(this))->clear(); }

// ================================================================ TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents);
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
  HandleNeeded();
}

void TCheckBox::CreateWnd() {
  auto* b = new QCheckBox();
  QObject::connect(b, &QCheckBox::stateChanged, b, [this] { SafeCall(this, [this] { Click(); }); });
  AdoptWidget(this, b);
}

void TCheckBox::StoreText(const std::string& Value) {
  TWinControl::StoreText(Value);
  static_cast<QCheckBox*>(NativeWidget(this))->setText(QStr(Value));
}

TCheckBoxState TCheckBox::State() const {
  switch (static_cast<QCheckBox*>(NativeWidget(const_cast<TCheckBox*>(this)))->checkState()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
  }
}

void TCheckBox::SetState(TCheckBoxState Value) {
  auto* b = static_cast<QCheckBox*>(NativeWidget(this));
  if (Value == cbGrayed) b->setTristate(true);
  b->setCheckState(Value == cbChecked ? Qt::Checked
                                      : (Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked));
}

void TCheckBox::SetAllowGrayed(bool Value) {
  allow_grayed_ = Value;
  auto* b = static_cast<QCheckBox*>(NativeWidget(this));
  if (!Value && b->checkState() == Qt::PartiallyChecked) b->setCheckState(Qt::Unchecked);
  b->setTristate(Value);
}

// ================================================================ TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents);
  SetBounds(0, 0, 113, 17);
  HandleNeeded();
}

void TRadioButton::CreateWnd() {
  auto* b = new QRadioButton();
  QObject::connect(b, &QRadioButton::toggled, b, [this](bool on) {
    if (on) SafeCall(this, [this] { Click(); });
  });
  AdoptWidget(this, b);
}

void TRadioButton::StoreText(const std::string& Value) {
  TWinControl::StoreText(Value);
  static_cast<QRadioButton*>(NativeWidget(this))->setText(QStr(Value));
}

bool TRadioButton::Checked() const {
  return static_cast<QRadioButton*>(NativeWidget(const_cast<TRadioButton*>(this)))->isChecked();
}

void TRadioButton::SetChecked(bool Value) {
  // The native exclusivity needs the siblings to share a parent window; do
  // it here so it also holds before the controls have a parent.
  if (Value && Parent() != nullptr) {
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* r = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
          r != nullptr && r != this && r->Checked()) {
        auto* w = static_cast<QRadioButton*>(NativeWidget(r));
        w->setAutoExclusive(false);
        w->setChecked(false);
        w->setAutoExclusive(true);
      }
  }
  auto* b = static_cast<QRadioButton*>(NativeWidget(this));
  if (!Value) {
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
  } else {
    b->setChecked(true);
  }
}

// ================================================================ TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 145, 21);
  HandleNeeded();
  items_ = std::make_unique<TComboStrings>(this);
  SetStyle(csDropDown);
}

TComboBox::~TComboBox() = default;

namespace {

// Draws Rect of a painter through a class-library canvas: what Paint draws
// on a transparent image of that size lands over the painter's pixels.
void PaintThroughCanvas(QPainter& Painter, const QRect& Rect,
                        const std::function<void(TCanvas*)>& Paint) {
  if (Rect.width() <= 0 || Rect.height() <= 0) return;
  QImage image(Rect.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  TCanvas canvas;
  AttachCanvasToImage(canvas, image);
  Paint(&canvas);
  canvas.DetachSurface();
  Painter.drawImage(Rect.topLeft(), image);
}

// Items of an owner-drawn box's list, painted by the box's DrawItem.
class OwnerDrawDelegate : public QStyledItemDelegate {
 public:
  explicit OwnerDrawDelegate(TComboBox* Owner)
      : QStyledItemDelegate(NativeWidget(Owner)), owner_(Owner) {}
  void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
             const QModelIndex& Index) const override {
    const bool selected = Option.state & QStyle::State_Selected;
    PaintThroughCanvas(*Painter, Option.rect, [&](TCanvas* c) {
      owner_->DrawItem(c, Index.row(), Rect(0, 0, Option.rect.width(), Option.rect.height()),
                       selected);
    });
  }
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QSize size = QStyledItemDelegate::sizeHint(Option, Index);
    if (owner_->ItemHeight() > 0) size.setHeight(owner_->ItemHeight());
    return size;
  }

 private:
  TComboBox* owner_;
};

// The native box, telling its owner when the drop-down list closes, painting
// an owner-drawn box's current item by the owner, and letting the owner paint
// over the finished box.
class NativeComboBox : public QComboBox {
 public:
  explicit NativeComboBox(TComboBox* Owner) : owner_(Owner) {}
  void hidePopup() override {
    const bool shown = view() != nullptr && view()->isVisible();
    QComboBox::hidePopup();
    if (shown) SafeCall(owner_, [this] { owner_->DoCloseUp(); });
  }

 protected:
  void paintEvent(QPaintEvent* Event) override {
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    QPainter painter(this);
    if (owner_->OwnerDrawn() && !isEditable()) {
      // The frame and button as usual, the item by the owner.
      opt.currentText.clear();
      opt.currentIcon = QIcon();
      style()->drawComplexControl(QStyle::CC_ComboBox, &opt, &painter, this);
      const QRect field =
          style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
      if (currentIndex() >= 0) {
        const bool focused = hasFocus();
        PaintThroughCanvas(painter, field, [&](TCanvas* c) {
          owner_->DrawItem(c, currentIndex(), Rect(0, 0, field.width(), field.height()), focused);
        });
      }
    } else {
      painter.end();
      QComboBox::paintEvent(Event);
      painter.begin(this);
    }
    const QRect button =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    PaintThroughCanvas(painter, rect(), [&](TCanvas* c) {
      owner_->PaintOver(c, Rect(button.left(), button.top(), button.right() + 1,
                                button.bottom() + 1));
    });
  }

 private:
  TComboBox* owner_;
};

}  // namespace

void TComboBox::CreateWnd() {
  auto* b = new NativeComboBox(this);
  b->setInsertPolicy(QComboBox::NoInsert);
  QObject::connect(b, &QComboBox::activated, b, [this](int) { SafeCall(this, [this] { Change(); }); });
  AdoptWidget(this, b);
}

void TComboBox::SetItemHeight(int Value) {
  item_height_ = std::max(Value, 0);
  NativeWidget(this)->update();
}

void TComboBox::DrawItem(TCanvas* Canvas, int Index, const TRect& R, bool ItemSelected) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(ItemSelected ? clHighlight : Color());
  Canvas->FillRect(R);
  if (Index < 0 || Index >= items_->Count()) return;
  Canvas->Font()->Assign(Font());
  if (ItemSelected) Canvas->Font()->SetColor(clHighlightText);
  Canvas->Brush()->SetStyle(bsClear);
  const std::string text = items_->Strings(Index);
  Canvas->TextOut(R.Left + 2, R.Top + (R.Height() - Canvas->TextHeight(text)) / 2, text);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
  style_ = Value;
  auto* b = static_cast<QComboBox*>(NativeWidget(this));
  const bool owner_drawn = OwnerDrawn();
  if (owner_drawn != (dynamic_cast<OwnerDrawDelegate*>(b->itemDelegate()) != nullptr)) {
    QAbstractItemDelegate* old_delegate = b->itemDelegate();
    if (owner_drawn)
      b->setItemDelegate(new OwnerDrawDelegate(this));
    else
      b->setItemDelegate(new QStyledItemDelegate(b));
    if (old_delegate != nullptr && old_delegate->parent() == b) old_delegate->deleteLater();
    b->update();
  }
  bool editable = Value == csDropDown || Value == csSimple;
  if (editable == b->isEditable()) return;
  QSignalBlocker block(b);
  b->setEditable(editable);
  if (editable) {
    QObject::connect(b->lineEdit(), &QLineEdit::textEdited, b,
                     [this] { SafeCall(this, [this] { Change(); }); });
  }
}

void TComboBox::SetDropDownCount(int Value) {
  drop_down_count_ = std::max(1, Value);
  static_cast<QComboBox*>(NativeWidget(this))->setMaxVisibleItems(drop_down_count_);
}

int TComboBox::ItemIndex() const {
  auto* b = static_cast<QComboBox*>(NativeWidget(const_cast<TComboBox*>(this)));
  int i = b->currentIndex();
  // An editable box whose text no longer matches its item has no item selected.
  if (i >= 0 && b->isEditable() && b->currentText() != b->itemText(i)) return -1;
  return i;
}

void TComboBox::SetItemIndex(int Value) {
  auto* b = static_cast<QComboBox*>(NativeWidget(this));
  if (Value < -1 || Value >= b->count()) Value = -1;
  QSignalBlocker block(b);
  b->setCurrentIndex(Value);
  if (Value < 0 && b->isEditable()) b->setEditText(QString());
}

std::string TComboBox::GetText() const {
  return StdStr(static_cast<QComboBox*>(NativeWidget(const_cast<TComboBox*>(this)))->currentText());
}

void TComboBox::StoreText(const std::string& Value) {
  auto* b = static_cast<QComboBox*>(NativeWidget(this));
  QSignalBlocker block(b);
  if (b->isEditable()) {
    int i = b->findText(QStr(Value), Qt::MatchFixedString);
    if (i >= 0 && StdStr(b->itemText(i)) == Value) b->setCurrentIndex(i);
    b->setEditText(QStr(Value));
  } else {
    // A list-style box can only show one of its items.
    b->setCurrentIndex(b->findText(QStr(Value), Qt::MatchFixedString));
  }
}

// ================================================================ TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetBounds(0, 0, 150, 16);
  HandleNeeded();
  Apply();
}

void TProgressBar::CreateWnd() {
  auto* p = new QProgressBar();
  p->setTextVisible(false);
  AdoptWidget(this, p);
}

void TProgressBar::Apply() {
  auto* p = static_cast<QProgressBar*>(NativeWidget(this));
  p->setRange(min_, std::max(min_, max_));
  p->setValue(position_);
}

void TProgressBar::SetMin(int Value) {
  min_ = Value;
  position_ = std::clamp(position_, min_, std::max(min_, max_));
  Apply();
}

void TProgressBar::SetMax(int Value) {
  max_ = Value;
  position_ = std::clamp(position_, min_, std::max(min_, max_));
  Apply();
}

void TProgressBar::SetPosition(int Value) {
  position_ = std::clamp(Value, min_, std::max(min_, max_));
  Apply();
}

// ================================================================ TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ &= ~static_cast<TControlStyle>(csSelfPaint | csClickEvents | csSetCaption);
  SetTabStop(true);
  SetBounds(0, 0, 150, 45);
  HandleNeeded();
  auto* s = static_cast<QSlider*>(NativeWidget(this));
  s->setRange(min_, max_);
  s->setTickPosition(QSlider::TicksBelow);
}

void TTrackBar::CreateWnd() {
  auto* s = new QSlider(Qt::Horizontal);
  QObject::connect(s, &QSlider::valueChanged, s, [this] {
    SafeCall(this, [this] {
      if (OnChange) OnChange(this);
    });
  });
  AdoptWidget(this, s);
}

void TTrackBar::SetMin(int Value) {
  min_ = Value;
  static_cast<QSlider*>(NativeWidget(this))->setRange(min_, std::max(min_, max_));
}

void TTrackBar::SetMax(int Value) {
  max_ = Value;
  static_cast<QSlider*>(NativeWidget(this))->setRange(min_, std::max(min_, max_));
}

int TTrackBar::Position() const {
  return static_cast<QSlider*>(NativeWidget(const_cast<TTrackBar*>(this)))->value();
}

void TTrackBar::SetPosition(int Value) {
  static_cast<QSlider*>(NativeWidget(this))->setValue(Value);
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  orientation_ = Value;
  static_cast<QSlider*>(NativeWidget(this))
      ->setOrientation(Value == trHorizontal ? Qt::Horizontal : Qt::Vertical);
}

void TTrackBar::SetFrequency(int Value) {
  frequency_ = std::max(1, Value);
  static_cast<QSlider*>(NativeWidget(this))->setTickInterval(frequency_);
}

// ================================================================ TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ |= csAcceptsControls;
  SetBounds(0, 0, 185, 41);
  HandleNeeded();
}

void TScrollBox::CreateWnd() {
  auto* area = new QScrollArea();
  area->setWidgetResizable(false);
  auto* inner = new QWidget();
  inner->setAttribute(Qt::WA_OpaquePaintEvent);
  inner->setAttribute(Qt::WA_NoSystemBackground);
  inner->setMouseTracking(true);
  area->setWidget(inner);
  impl()->client = inner;
  AdoptWidget(this, area);
}

void TScrollBox::WidgetCreated() {
  impl()->client->installEventFilter(impl()->bridge);
  SetBorderStyle(border_style_);
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
  border_style_ = Value;
  static_cast<QScrollArea*>(NativeWidget(this))
      ->setFrameShape(Value == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
  Realign();
}

TRect TScrollBox::ClientRect() const {
  int fw = 0;
  if (impl()->widget) fw = static_cast<QScrollArea*>(impl()->widget.data())->frameWidth();
  return Rect(0, 0, std::max(0, Width() - 2 * fw), std::max(0, Height() - 2 * fw));
}

void TScrollBox::AlignControls(TControl* AControl, TRect& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  UpdateRange();
}

void TScrollBox::BoundsChanged(bool Moved, bool Resized) {
  TWinControl::BoundsChanged(Moved, Resized);
  UpdateRange();
}

// The scrolled area covers the view and every child.
void TScrollBox::UpdateRange() {
  if (!impl()->client) return;
  TRect c = ClientRect();
  int w = c.Width(), h = c.Height();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* ch = Controls(i);
    if (!ch->Visible()) continue;
    w = std::max(w, ch->Left() + ch->Width());
    h = std::max(h, ch->Top() + ch->Height());
  }
  impl()->client->resize(w, h);
}

void TScrollBox::ScrollTo(int X, int Y) {
  auto* area = static_cast<QScrollArea*>(NativeWidget(this));
  area->horizontalScrollBar()->setValue(X);
  area->verticalScrollBar()->setValue(Y);
}

TPoint TScrollBox::ScrollPos() const {
  auto* area = static_cast<QScrollArea*>(impl()->widget.data());
  if (area == nullptr) return Point(0, 0);
  return Point(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
}

// ================================================================ TImage

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetPicture(TPicture* Value) { picture_->Assign(Value); }

TCanvas* TImage::Canvas() {
  TGraphic* g = picture_->Graphic();
  if (g == nullptr) {
    TBitmap* b = picture_->Bitmap();
    b->SetSize(Width(), Height());
    return b->Canvas();
  }
  auto* b = dynamic_cast<TBitmap*>(g);
  if (b == nullptr) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  return b->Canvas();
}

void TImage::PictureChanged() {
  TGraphic* g = picture_->Graphic();
  if (g != nullptr && transparent_ != g->Transparent()) g->SetTransparent(transparent_);
  if (auto_size_ && g != nullptr && g->Width() > 0 && g->Height() > 0)
    SetBounds(Left(), Top(), g->Width(), g->Height());
  Invalidate();
}

void TImage::SetStretch(bool Value) {
  stretch_ = Value;
  Invalidate();
}
void TImage::SetCenter(bool Value) {
  center_ = Value;
  Invalidate();
}
void TImage::SetProportional(bool Value) {
  proportional_ = Value;
  Invalidate();
}
void TImage::SetTransparent(bool Value) {
  transparent_ = Value;
  if (TGraphic* g = picture_->Graphic()) g->SetTransparent(Value);
  Invalidate();
}
void TImage::SetAutoSize(bool Value) {
  auto_size_ = Value;
  PictureChanged();
}

TRect TImage::DestRect() const {
  TGraphic* g = picture_->Graphic();
  int w = g != nullptr ? g->Width() : 0, h = g != nullptr ? g->Height() : 0;
  int cw = Width(), ch = Height();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // Largest size with the picture's aspect that fits.
      if (static_cast<int64_t>(cw) * h <= static_cast<int64_t>(ch) * w) {
        h = static_cast<int>(static_cast<int64_t>(h) * cw / w);
        w = cw;
      } else {
        w = static_cast<int>(static_cast<int64_t>(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (center_) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return Bounds(x, y, w, h);
}

void TImage::Paint() {
  TGraphic* g = picture_->Graphic();
  if (g == nullptr || g->Empty()) return;
  TCanvas* c = TGraphicControl::Canvas();
  c->StretchDraw(DestRect(), g);
}

}  // namespace classlib
