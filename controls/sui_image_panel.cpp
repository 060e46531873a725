#include "controls/sui_image_panel.h"

#include <algorithm>

#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"

namespace controls {

using namespace classlib;

namespace {

bool Blank(const std::string& Text) {
  return std::all_of(Text.begin(), Text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// Loads a style bitmap into Picture; a missing one leaves the picture empty.
void LoadStyleBitmap(TPicture* Picture, TsuiUIStyle Style, int Number) {
  TBitmap b;
  Picture->SetGraphic(LoadSkinBitmap(&b, GetThemeResName(Style, Number)) ? &b : nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------
// TsuiProgressBar

TsuiProgressBar::TsuiProgressBar(TComponent* AOwner) : TPanel(AOwner) {
  SetControlStyle(ControlStyle() & ~csAcceptsControls);
  SetBevelOuter(bvNone);
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 150, 12);
  picture_.OnChange = [this](TObject*) { Invalidate(); };
  UpdateCaption();
}

void TsuiProgressBar::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom) {
    LoadStyleImages();
    SetColor(GetThemeColor(Value, 9));
    border_color_ = GetThemeColor(Value, 8);
  }
  Invalidate();
}

void TsuiProgressBar::LoadStyleImages() {
  if (ui_style_ == TsuiUIStyle::Custom) return;
  LoadStyleBitmap(&picture_, ui_style_, orientation_ == suiHorizontal ? 43 : 44);
}

void TsuiProgressBar::SetCaptionColor(TColor Value) {
  caption_color_ = Value;
  Invalidate();
}
void TsuiProgressBar::SetShowCaption(bool Value) {
  show_caption_ = Value;
  Invalidate();
}
void TsuiProgressBar::SetSmartShowCaption(bool Value) {
  smart_caption_ = Value;
  Invalidate();
}
void TsuiProgressBar::SetBorderColor(TColor Value) {
  border_color_ = Value;
  Invalidate();
}

void TsuiProgressBar::SetMax(int Value) {
  max_ = Value;
  UpdateCaption();
}
void TsuiProgressBar::SetMin(int Value) {
  min_ = Value;
  UpdateCaption();
}
void TsuiProgressBar::SetPosition(int Value) {
  position_ = Value;
  UpdateCaption();
}

void TsuiProgressBar::UpdateCaption() {
  SetCaption(std::to_string(Percent()) + "%");
  Invalidate();
}

int TsuiProgressBar::Percent() const {
  if (max_ == min_) return 0;
  return static_cast<int>(static_cast<int64_t>(position_ - min_) * 100 / (max_ - min_));
}

int TsuiProgressBar::FillLength(int Length) const {
  if (min_ >= max_ || position_ <= min_) return 0;
  if (position_ > max_) return Length;
  return static_cast<int>(static_cast<int64_t>(Length) * (position_ - min_) / (max_ - min_));
}

void TsuiProgressBar::SetOrientation(TsuiProgressBarOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  LoadStyleImages();
  const int length = std::max(Width(), Height());
  if (Value == suiHorizontal)
    TPanel::SetBounds(Left(), Top(), length, 12);
  else
    TPanel::SetBounds(Left(), Top(), 12, length);
  Invalidate();
}

void TsuiProgressBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (orientation_ == suiHorizontal)
    AHeight = 12;
  else
    AWidth = 12;
  TPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TsuiProgressBar::Paint() {
  const int w = ClientWidth(), h = ClientHeight();
  if (w <= 0 || h <= 0) return;
  TGraphic* pic = picture_.Graphic();
  if (pic && pic->Empty()) pic = nullptr;
  TBitmap buffer;
  buffer.SetPixelFormat(pf24bit);
  TCanvas* c = buffer.Canvas();
  bool caption = show_caption_;
  if (orientation_ == suiHorizontal) {
    const int bh = pic ? pic->Height() + 2 : h;
    buffer.SetSize(w, bh);
    const int a = std::max(FillLength(w - 1), 1);
    if (pic) c->StretchDraw(TRect{1, 1, a, bh - 1}, pic);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect{a, 1, w - 1, bh - 1});
  } else {
    const int bw = pic ? pic->Width() + 2 : w;
    buffer.SetSize(bw, h);
    const int a = std::max(FillLength(h - 1), 1);
    const int top = h - 1 - a;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect{1, 1, bw - 1, pic ? std::max(top, 1) : h - 1});
    if (pic) c->StretchDraw(TRect{1, std::max(top, 1), bw - 1, h - 1}, pic);
    show_caption_ = false;
    caption = false;
  }
  if (caption && !(smart_caption_ && position_ == min_)) {
    c->Font()->Assign(Font());
    c->Font()->SetColor(caption_color_);
    c->Brush()->SetStyle(bsClear);
    TRect r{0, 0, buffer.Width(), buffer.Height()};
    c->DrawText(Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(border_color_);
  c->FrameRect(TRect{0, 0, buffer.Width(), buffer.Height()});
  Canvas()->Draw(0, 0, &buffer);
}

// ---------------------------------------------------------------------------
// TsuiCustomPanel

TsuiCustomPanel::TsuiCustomPanel(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

void TsuiCustomPanel::SetTransparent(bool Value) {
  transparent_ = Value;
  if (TGraphic* g = picture_.Graphic()) g->SetTransparent(Value);
  Invalidate();
}

void TsuiCustomPanel::SetAutoSize(bool Value) {
  auto_size_ = Value;
  if (Value) AutoSizeToPicture();
}

void TsuiCustomPanel::SetDrawStyle(TsuiDrawStyle Value) {
  draw_style_ = Value;
  Invalidate();
}

void TsuiCustomPanel::SetCaptionPos(int X, int Y) {
  caption_x_ = X;
  caption_y_ = Y;
  Invalidate();
}

void TsuiCustomPanel::AutoSizeToPicture() {
  TGraphic* g = picture_.Graphic();
  if (!auto_size_ || !g || g->Empty()) return;
  const TAlign a = Align();
  const bool keep_width = a == TAlign::alTop || a == TAlign::alBottom || a == TAlign::alClient;
  const bool keep_height = a == TAlign::alLeft || a == TAlign::alRight || a == TAlign::alClient;
  SetBounds(Left(), Top(), keep_width ? Width() : g->Width(), keep_height ? Height() : g->Height());
}

void TsuiCustomPanel::PictureChanged() {
  if (TGraphic* g = picture_.Graphic()) {
    AutoSizeToPicture();
    if (g->Transparent() != transparent_) g->SetTransparent(transparent_);
  }
  Invalidate();
}

void TsuiCustomPanel::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  // The panel's colour lies under a picture that does not cover it.
  if (transparent_) {
    PaintParentBackground(c, this);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(client);
  }
  TGraphic* g = picture_.Graphic();
  if (g && !g->Empty()) {
    switch (draw_style_) {
      case suiStretch: c->StretchDraw(client, g); break;
      case suiTile: TileDraw(c, g, client); break;
      case suiNormal: c->Draw(0, 0, g); break;
    }
  }
  if (!paint_caption_ || Blank(Caption())) return;
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsClear);
  if (caption_x_ >= 0 || caption_y_ >= 0) {
    c->TextOut(caption_x_, caption_y_, Caption());
    return;
  }
  TRect r = client;
  unsigned flags = DT_SINGLELINE | DT_VCENTER;
  if (Alignment() == taRightJustify) flags |= DT_RIGHT;
  if (Alignment() == taCenter) flags |= DT_CENTER;
  c->DrawText(Caption(), r, flags);
}

}  // namespace controls
