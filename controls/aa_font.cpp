#include "controls/aa_font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/classlib/math_utils.h"

using namespace classlib;

namespace controls {

// ---------------------------------------------------------------- settings

void TNotifyClass::Changed() {
  if (OnChange) OnChange(this);
}

void TEnabledClass::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  TNotifyClass::Changed();
}

void TEnabledClass::Changed() {
  if (enabled_) TNotifyClass::Changed();
}

#define AA_SETTER(Class, Name, field, Type, expr) \
  void Class::Set##Name(Type Value) {             \
    auto v = (expr);                              \
    if (field == v) return;                       \
    field = v;                                    \
    Changed();                                    \
  }

AA_SETTER(TAAShadow, Blur, blur_, int, std::clamp(Value, 0, 100))
AA_SETTER(TAAShadow, Alpha, alpha_, int, std::clamp(Value, 0, 100))
AA_SETTER(TAAShadow, Color, color_, TColor, Value)
AA_SETTER(TAAShadow, OffsetX, offset_x_, int, std::clamp(Value, -20, 20))
AA_SETTER(TAAShadow, OffsetY, offset_y_, int, std::clamp(Value, -20, 20))
AA_SETTER(TAAGradual, Style, style_, TGradualStyle, Value)
AA_SETTER(TAAGradual, StartColor, start_, TColor, Value)
AA_SETTER(TAAGradual, EndColor, end_, TColor, Value)
AA_SETTER(TAATexture, Mode, mode_, TTextureMode, Value)
AA_SETTER(TAAEffect, Alpha, alpha_, int, std::clamp(Value, 0, 100))
AA_SETTER(TAAEffect, Blur, blur_, int, std::clamp(Value, 0, 100))
AA_SETTER(TAAEffect, Angle, angle_, int, std::clamp(Value, -360, 360))
AA_SETTER(TAAEffect, Noise, noise_, int, static_cast<uint8_t>(std::clamp(Value, 0, 255)))
AA_SETTER(TAAEffect, Spray, spray_, int, std::clamp(Value, 0, 100))
AA_SETTER(TAAEffect, Outline, outline_, bool, Value)
AA_SETTER(TAAEffect, HorzMirror, horz_mirror_, bool, Value)
AA_SETTER(TAAEffect, VertMirror, vert_mirror_, bool, Value)
#undef AA_SETTER

void TAAShadow::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAAShadow*>(Source);
  if (s == nullptr) return TPersistent::Assign(Source);
  blur_ = s->blur_;
  alpha_ = s->alpha_;
  color_ = s->color_;
  offset_x_ = s->offset_x_;
  offset_y_ = s->offset_y_;
  SetEnabled(s->Enabled());
  Changed();
}

void TAAGradual::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAAGradual*>(Source);
  if (s == nullptr) return TPersistent::Assign(Source);
  style_ = s->style_;
  start_ = s->start_;
  end_ = s->end_;
  SetEnabled(s->Enabled());
  Changed();
}

TAATexture::TAATexture() : picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TObject*) { Changed(); };
}

void TAATexture::SetPicture(TPicture* Value) { picture_->Assign(Value); }

void TAATexture::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAATexture*>(Source);
  if (s == nullptr) return TPersistent::Assign(Source);
  mode_ = s->mode_;
  picture_->Assign(s->picture_.get());
  SetEnabled(s->Enabled());
  Changed();
}

TAAEffect::TAAEffect()
    : shadow_(std::make_unique<TAAShadow>()),
      gradual_(std::make_unique<TAAGradual>()),
      texture_(std::make_unique<TAATexture>()) {
  auto forward = [this](TObject*) { Changed(); };
  shadow_->OnChange = forward;
  gradual_->OnChange = forward;
  texture_->OnChange = forward;
  shadow_->Owner = gradual_->Owner = texture_->Owner = this;
}

void TAAEffect::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TAAEffect*>(Source);
  if (s == nullptr) return TPersistent::Assign(Source);
  alpha_ = s->alpha_;
  blur_ = s->blur_;
  angle_ = s->angle_;
  noise_ = s->noise_;
  spray_ = s->spray_;
  outline_ = s->outline_;
  horz_mirror_ = s->horz_mirror_;
  vert_mirror_ = s->vert_mirror_;
  shadow_->Assign(s->shadow_.get());
  gradual_->Assign(s->gradual_.get());
  texture_->Assign(s->texture_.get());
  Changed();
}

void TAAEffect::LoadFromIni(TCustomIniFile* Ini, const std::string& S) {
  if (Ini == nullptr) return;
  SetAlpha(Ini->ReadInteger(S, "Alpha", alpha_));
  SetBlur(Ini->ReadInteger(S, "Blur", blur_));
  SetNoise(Ini->ReadInteger(S, "Noise", noise_));
  SetSpray(Ini->ReadInteger(S, "Spray", spray_));
  SetAngle(Ini->ReadInteger(S, "Angle", angle_));
  SetOutline(Ini->ReadBool(S, "Outline", outline_));
  SetHorzMirror(Ini->ReadBool(S, "HorzMirror", horz_mirror_));
  SetVertMirror(Ini->ReadBool(S, "VertMirror", vert_mirror_));
  shadow_->SetEnabled(Ini->ReadBool(S, "Shadow", shadow_->Enabled()));
  shadow_->SetAlpha(Ini->ReadInteger(S, "ShadowAlpha", shadow_->Alpha()));
  shadow_->SetBlur(Ini->ReadInteger(S, "ShadowBlur", shadow_->Blur()));
  shadow_->SetColor(Ini->ReadInteger(S, "ShadowColor", shadow_->Color()));
  shadow_->SetOffsetX(Ini->ReadInteger(S, "ShadowOffsetX", shadow_->OffsetX()));
  shadow_->SetOffsetY(Ini->ReadInteger(S, "ShadowOffsetY", shadow_->OffsetY()));
  gradual_->SetEnabled(Ini->ReadBool(S, "Gradual", gradual_->Enabled()));
  gradual_->SetStartColor(Ini->ReadInteger(S, "GradualStartColor", gradual_->StartColor()));
  gradual_->SetEndColor(Ini->ReadInteger(S, "GradualEndColor", gradual_->EndColor()));
  int style = Ini->ReadInteger(S, "GradualStyle", gradual_->Style());
  gradual_->SetStyle(style >= gsLeftToRight && style <= gsCenterToTB
                         ? static_cast<TGradualStyle>(style)
                         : gsLeftToRight);
  texture_->SetEnabled(Ini->ReadBool(S, "Texture", texture_->Enabled()));
  int mode = Ini->ReadInteger(S, "TextureMode", texture_->Mode());
  texture_->SetMode(mode >= tmTiled && mode <= tmNormal ? static_cast<TTextureMode>(mode)
                                                        : tmTiled);
}

void TAAEffect::SaveToIni(TCustomIniFile* Ini, const std::string& S) {
  if (Ini == nullptr) return;
  Ini->WriteInteger(S, "Alpha", alpha_);
  Ini->WriteInteger(S, "Blur", blur_);
  Ini->WriteInteger(S, "Noise", noise_);
  Ini->WriteInteger(S, "Spray", spray_);
  Ini->WriteInteger(S, "Angle", angle_);
  Ini->WriteBool(S, "Outline", outline_);
  Ini->WriteBool(S, "HorzMirror", horz_mirror_);
  Ini->WriteBool(S, "VertMirror", vert_mirror_);
  Ini->WriteBool(S, "Shadow", shadow_->Enabled());
  Ini->WriteInteger(S, "ShadowAlpha", shadow_->Alpha());
  Ini->WriteInteger(S, "ShadowBlur", shadow_->Blur());
  Ini->WriteInteger(S, "ShadowColor", shadow_->Color());
  Ini->WriteInteger(S, "ShadowOffsetX", shadow_->OffsetX());
  Ini->WriteInteger(S, "ShadowOffsetY", shadow_->OffsetY());
  Ini->WriteBool(S, "Gradual", gradual_->Enabled());
  Ini->WriteInteger(S, "GradualStartColor", gradual_->StartColor());
  Ini->WriteInteger(S, "GradualEndColor", gradual_->EndColor());
  Ini->WriteInteger(S, "GradualStyle", gradual_->Style());
  Ini->WriteBool(S, "Texture", texture_->Enabled());
  Ini->WriteInteger(S, "TextureMode", texture_->Mode());
}

// ---------------------------------------------------------------- mask

int QualityFactor(TAAQuality Quality) {
  switch (Quality) {
    case aqHigh: return 4;
    case aqNormal: return 3;
    case aqLow: return 2;
    default: return 1;
  }
}

int TAAMask::Factor() const { return QualityFactor(Quality); }

void TAAMask::SetSize(int W, int H) {
  width_ = std::max(0, W);
  height_ = std::max(0, H);
  stride_ = (width_ + 3) / 4 * 4;
  data_.assign(static_cast<size_t>(stride_) * height_, 0);
}

void TAAMask::CopyPixels(const TAAMask& Other) {
  Quality = Other.Quality;
  width_ = Other.width_;
  height_ = Other.height_;
  stride_ = Other.stride_;
  data_ = Other.data_;
}

uint8_t* TAAMask::Row(int Y) {
  if (Y < 0 || Y >= height_) throw EInvalidLine();
  return data_.data() + static_cast<size_t>(Y) * stride_;
}

const uint8_t* TAAMask::Row(int Y) const {
  if (Y < 0 || Y >= height_) throw EInvalidLine();
  return data_.data() + static_cast<size_t>(Y) * stride_;
}

void TAAMask::Render(const TFont& Font, const std::string& Text, TPoint Origin) {
  const int f = Factor();
  const int sw = width_ * f, sh = height_ * f;
  if (sw == 0 || sh == 0) return;
  // The work bitmap is only ever grown.
  if (work_.Width() < sw || work_.Height() < sh || work_.PixelFormat() != pf24bit) {
    work_.SetPixelFormat(pf24bit);
    work_.SetSize(std::max(sw, work_.Width()), std::max(sh, work_.Height()));
  }
  TCanvas* c = work_.Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, sw, sh));
  TFont font;
  font.Assign(const_cast<TFont*>(&Font));
  font.SetColor(clWhite);
  // The supersampling does the smoothing; a factor of 1 draws the text once as it is.
  font.SetQuality(fqNonAntialiased);
  c->SetFont(&font);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(Origin.X * f, Origin.Y * f, Text);
  std::vector<uint8_t> samples(static_cast<size_t>(sw) * sh);
  for (int y = 0; y < sh; ++y) {
    const uint8_t* row = work_.ScanLine(y);
    for (int x = 0; x < sw; ++x) samples[static_cast<size_t>(y) * sw + x] = row[3 * x + 1];
  }
  Reduce(samples.data(), sw, f);
}

void TAAMask::Reduce(const uint8_t* S, int SampleStride, int f) {
  for (int y = 0; y < height_; ++y) {
    uint8_t* out = Row(y);
    for (int x = 0; x < width_; ++x) {
      const uint8_t* p = S + static_cast<size_t>(y) * f * SampleStride + static_cast<size_t>(x) * f;
      auto s = [&](int i, int j) -> int { return p[static_cast<size_t>(j) * SampleStride + i]; };
      int v;
      switch (f) {
        case 4: {
          int sum = 0;
          for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) sum += s(i, j);
          v = sum / 16;
          break;
        }
        case 3:
          v = (s(0, 0) + s(1, 0) + s(2, 0) / 2 + s(0, 1) + s(1, 1) + s(2, 1) + s(0, 2) / 2 +
               s(1, 2) + s(2, 2)) /
              8;
          break;
        case 2: v = (s(0, 0) + s(1, 0) + s(0, 1) + s(1, 1)) / 4; break;
        default: v = s(0, 0); break;
      }
      out[x] = static_cast<uint8_t>(std::min(v, 255));
    }
  }
}

void TAAMask::Outline() {
  if (width_ < 3 || height_ < 3) return;
  const std::vector<uint8_t> c = data_;
  auto at = [&](int x, int y) -> int { return c[static_cast<size_t>(y) * stride_ + x]; };
  for (int y = 1; y < height_ - 1; ++y)
    for (int x = 1; x < width_ - 1; ++x) {
      int s = std::abs(at(x, y + 1) - at(x, y - 1)) + std::abs(at(x + 1, y) - at(x - 1, y)) +
              std::abs(at(x - 1, y + 1) - at(x + 1, y - 1)) +
              std::abs(at(x + 1, y + 1) - at(x - 1, y - 1));
      At(x, y) = static_cast<uint8_t>(s < 1024 ? s / 4 : 255);
    }
}

void TAAMask::Spray(int Range, const TRandomSource& Random) {
  if (Range <= 0 || width_ == 0 || height_ == 0) return;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const int d = Random(Range + 1);
      const int sx = std::clamp(x + d - Random(2 * d), 0, width_ - 1);
      const int sy = std::clamp(y + d - Random(2 * d), 0, height_ - 1);
      At(x, y) = At(sx, sy);
    }
}

void TAAMask::HorzMirror() {
  for (int y = 0; y < height_; ++y) std::reverse(Row(y), Row(y) + width_);
}

void TAAMask::VertMirror() {
  for (int y = 0; y < height_ / 2; ++y)
    std::swap_ranges(Row(y), Row(y) + stride_, Row(height_ - 1 - y));
}

void TAAMask::Blur(int Strength) {
  if (Strength <= 0 || width_ == 0 || height_ == 0) return;
  const int k = static_cast<int>(Round(Strength * 255.0L / 100));
  // Box sums with the edge rows and columns repeated: first along rows, then down columns.
  std::vector<int> rows(static_cast<size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      int sum = 0;
      for (int d = -2; d <= 2; ++d) sum += At(std::clamp(x + d, 0, width_ - 1), y);
      rows[static_cast<size_t>(y) * width_ + x] = sum;
    }
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      int sum = 0;
      for (int d = -2; d <= 2; ++d)
        sum += rows[static_cast<size_t>(std::clamp(y + d, 0, height_ - 1)) * width_ + x];
      const int avg = (sum + 12) / 25;
      uint8_t& p = At(x, y);
      p = static_cast<uint8_t>(k == 255 ? avg : p + (avg - p) * k / 256);
    }
}

// ---------------------------------------------------------------- engine

TAAFont::TAAFont(TCanvas* Canvas) : canvas_(Canvas) {}
TAAFont::~TAAFont() = default;

void TAAFont::ScaledFont(int AngleDegrees, int Factor, TFont& Out) const {
  if (canvas_ != nullptr) Out.Assign(canvas_->Font());
  Out.SetHeight(Out.Height() * Factor);
  Out.SetEscapement(AngleDegrees * 10);
}

TSize TAAFont::MeasureMask(const std::string& Text, int AngleDegrees, TPoint& Origin) {
  Origin = Point(0, 0);
  if (canvas_ == nullptr) return TSize{0, 0};
  const int f = mask_.Factor();
  TFont font;
  ScaledFont(0, f, font);
  static thread_local TBitmap probe;
  if (probe.Empty()) probe.SetSize(1, 1);
  probe.Canvas()->SetFont(&font);
  TSize s = probe.Canvas()->TextExtent(Text);
  int w = (s.cx + f - 1) / f;
  int h = (s.cy + f - 1) / f;
  // Italics lean past the advance: a third of a character more or less; an
  // empty text has nothing that leans.
  if ((canvas_->Font()->Style() & fsItalic) && !Text.empty())
    w += static_cast<int>(
        Round(static_cast<long double>(w) / static_cast<long double>(Text.size()) * 0.3L));
  if (AngleDegrees % 360 == 0) return TSize{w, h};
  const double a = AngleDegrees * M_PI / 180.0;
  const double ca = std::cos(a), sa = std::sin(a);
  const int bw = static_cast<int>(std::ceil(std::abs(w * ca) + std::abs(h * sa) - 1e-9));
  const int bh = static_cast<int>(std::ceil(std::abs(w * sa) + std::abs(h * ca) - 1e-9));
  // The unturned top-left corner, turned about the centre (counter-clockwise on screen).
  const double ox = -w / 2.0, oy = -h / 2.0;
  Origin = Point(static_cast<int>(std::lround(bw / 2.0 + ox * ca + oy * sa)),
                 static_cast<int>(std::lround(bh / 2.0 - ox * sa + oy * ca)));
  return TSize{bw, bh};
}

TSize TAAFont::TextExtent(const std::string& Text) {
  TPoint origin;
  return MeasureMask(Text, 0, origin);
}

namespace {

// Prepares Work as the mask-sized picture the blend starts from: the brush
// colour for a solid brush, else what the canvas already shows there.
void PrepareWork(TCanvas* Canvas, TBitmap& Work, int X, int Y, int W, int H) {
  Work.SetPixelFormat(pf24bit);
  Work.SetSize(W, H);
  if (Canvas->Brush()->Style() == bsSolid) {
    Work.Canvas()->Brush()->SetStyle(bsSolid);
    Work.Canvas()->Brush()->SetColor(Canvas->Brush()->Color());
    Work.Canvas()->FillRect(Rect(0, 0, W, H));
  } else {
    Work.Canvas()->SetCopyMode(cmSrcCopy);
    Work.Canvas()->CopyRect(Rect(0, 0, W, H), Canvas, Rect(X, Y, X + W, Y + H));
  }
}

void PutWork(TCanvas* Canvas, TBitmap& Work, int X, int Y) {
  Work.Changed(&Work);
  const TCopyMode saved = Canvas->CopyMode();
  Canvas->SetCopyMode(cmSrcCopy);
  Canvas->CopyRect(Rect(X, Y, X + Work.Width(), Y + Work.Height()), Work.Canvas(),
                   Rect(0, 0, Work.Width(), Work.Height()));
  Canvas->SetCopyMode(saved);
}

inline void BlendChannel(uint8_t& channel, int c, int w) {
  channel = static_cast<uint8_t>(channel + (c - channel) * (w / 256) / 256);
}

}  // namespace

void TAAFont::BlendColor(int X, int Y, int Alpha, TColor Color, const TAAMask& Mask) {
  if (canvas_ == nullptr || Mask.Width() == 0 || Mask.Height() == 0) return;
  PrepareWork(canvas_, work_, X, Y, Mask.Width(), Mask.Height());
  const TColor c = ColorToRGB(Color);
  const int cb = GetBValue(c), cg = GetGValue(c), cr = GetRValue(c);
  const int a = std::clamp(Alpha, 0, 100) * 256 / 100;
  for (int y = 0; y < Mask.Height(); ++y) {
    uint8_t* row = work_.ScanLine(y);
    const uint8_t* m = Mask.Row(y);
    for (int x = 0; x < Mask.Width(); ++x) {
      const int w = m[x] * a;
      if (w / 256 == 0) continue;
      uint8_t* p = row + 3 * x;
      if (w >= 65280) {
        p[0] = static_cast<uint8_t>(cb);
        p[1] = static_cast<uint8_t>(cg);
        p[2] = static_cast<uint8_t>(cr);
      } else {
        BlendChannel(p[0], cb, w);
        BlendChannel(p[1], cg, w);
        BlendChannel(p[2], cr, w);
      }
    }
  }
  PutWork(canvas_, work_, X, Y);
}

void TAAFont::BlendBitmap(int X, int Y, int Alpha, TBitmap* Fore, const TAAMask& Mask) {
  if (Fore == nullptr || Fore->PixelFormat() != pf24bit || Fore->Width() != Mask.Width() ||
      Fore->Height() != Mask.Height())
    throw EInvalidForeBmp();
  if (canvas_ == nullptr || Mask.Width() == 0 || Mask.Height() == 0) return;
  PrepareWork(canvas_, work_, X, Y, Mask.Width(), Mask.Height());
  const int a = std::clamp(Alpha, 0, 100) * 256 / 100;
  for (int y = 0; y < Mask.Height(); ++y) {
    uint8_t* row = work_.ScanLine(y);
    const uint8_t* f = Fore->ScanLine(y);
    const uint8_t* m = Mask.Row(y);
    for (int x = 0; x < Mask.Width(); ++x) {
      const int w = m[x] * a;
      if (w / 256 == 0) continue;
      uint8_t* p = row + 3 * x;
      for (int i = 0; i < 3; ++i) {
        if (w >= 65280)
          p[i] = f[3 * x + i];
        else
          BlendChannel(p[i], f[3 * x + i], w);
      }
    }
  }
  PutWork(canvas_, work_, X, Y);
}

TAAFontEx::TAAFontEx(TCanvas* Canvas) : TAAFont(Canvas), effect_(std::make_unique<TAAEffect>()) {
  auto engine = std::make_shared<std::minstd_rand>(1u);
  random_ = [engine](int n) {
    return n <= 0 ? 0 : static_cast<int>((*engine)() % static_cast<unsigned>(n));
  };
}

TAAFontEx::~TAAFontEx() = default;

TSize TAAFontEx::TextExtent(const std::string& Text) {
  TPoint origin;
  TSize s = MeasureMask(Text, effect_->Angle(), origin);
  if (effect_->Shadow()->Enabled()) {
    s.cx += std::abs(effect_->Shadow()->OffsetX());
    s.cy += std::abs(effect_->Shadow()->OffsetY());
  }
  return s;
}

void TAAFontEx::MakeGradient(TBitmap* Out, int W, int H) {
  Out->SetPixelFormat(pf24bit);
  Out->SetSize(W, H);
  const TAAGradual* g = effect_->Gradual();
  const TGradualStyle st = g->Style();
  const bool across = st == gsLeftToRight || st == gsRightToLeft || st == gsCenterToLR;
  const bool centre = st == gsCenterToLR || st == gsCenterToTB;
  const int L = across ? W : H;
  const int rl = centre ? (L + 1) / 2 : L;
  TColor from = ColorToRGB(g->StartColor()), to = ColorToRGB(g->EndColor());
  if (st == gsRightToLeft || st == gsBottomToTop) std::swap(from, to);
  std::vector<uint8_t> ramp(static_cast<size_t>(std::max(L, 0)) * 3);
  auto colour_at = [&](int i, uint8_t* out) {
    const int s[3] = {GetBValue(from), GetGValue(from), GetRValue(from)};
    const int e[3] = {GetBValue(to), GetGValue(to), GetRValue(to)};
    for (int k = 0; k < 3; ++k)
      out[k] = static_cast<uint8_t>(s[k] + i * (e[k] - s[k]) / std::max(rl, 1));
  };
  for (int p = 0; p < L; ++p)
    colour_at(centre && p >= rl ? L - 1 - p : p, &ramp[static_cast<size_t>(p) * 3]);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = Out->ScanLine(y);
    for (int x = 0; x < W; ++x)
      std::memcpy(row + 3 * x, &ramp[static_cast<size_t>(across ? x : y) * 3], 3);
  }
}

void TAAFontEx::MakeTexture(TBitmap* Out, int W, int H) {
  Out->SetPixelFormat(pf24bit);
  Out->SetSize(W, H);
  TCanvas* c = Out->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(canvas_ != nullptr ? canvas_->Font()->Color() : clBlack);
  c->FillRect(Rect(0, 0, W, H));
  TGraphic* g = effect_->Texture()->Picture()->Graphic();
  if (g == nullptr || g->Empty()) return;
  const int gw = g->Width(), gh = g->Height();
  switch (effect_->Texture()->Mode()) {
    case tmTiled:
      for (int y = 0; y < H; y += gh)
        for (int x = 0; x < W; x += gw) c->Draw(x, y, g);
      break;
    case tmStretched: c->StretchDraw(Rect(0, 0, W, H), g); break;
    case tmCenter: c->Draw((W - gw) / 2, (H - gh) / 2, g); break;
    case tmNormal: c->Draw(0, 0, g); break;
  }
}

void TAAFontEx::MakeNoise(TBitmap* Out, int W, int H, bool OnTop) {
  const int n = effect_->Noise();
  if (!OnTop) {
    Out->SetPixelFormat(pf24bit);
    Out->SetSize(W, H);
    const TColor c = ColorToRGB(canvas_ != nullptr ? canvas_->Font()->Color() : clBlack);
    const int base[3] = {GetBValue(c), GetGValue(c), GetRValue(c)};
    for (int y = 0; y < H; ++y) {
      uint8_t* row = Out->ScanLine(y);
      for (int x = 0; x < 3 * W; ++x)
        row[x] = static_cast<uint8_t>(std::clamp(base[x % 3] + random_(n) - n / 2, 0, 255));
    }
    return;
  }
  for (int y = 0; y < H; ++y) {
    uint8_t* row = Out->ScanLine(y);
    for (int x = 0; x < 3 * W; ++x)
      row[x] = static_cast<uint8_t>(std::clamp(row[x] + random_(n) - n / 2, 0, 255));
  }
}

void TAAFontEx::TextOut(int X, int Y, const std::string& Text) {
  if (canvas_ == nullptr || Text.empty()) return;
  TAAEffect& e = *effect_;
  TPoint origin;
  const TSize size = MeasureMask(Text, e.Angle(), origin);
  if (size.cx <= 0 || size.cy <= 0) return;
  mask_.SetSize(size.cx, size.cy);
  TFont font;
  ScaledFont(e.Angle(), mask_.Factor(), font);
  mask_.Render(font, Text, origin);
  if (e.Outline()) mask_.Outline();
  if (e.Spray() > 0) mask_.Spray(e.Spray(), random_);
  if (e.HorzMirror()) mask_.HorzMirror();
  if (e.VertMirror()) mask_.VertMirror();

  int tx = X, ty = Y;
  const TAAShadow& sh = *e.Shadow();
  if (sh.Enabled()) {
    int sx = X, sy = Y;
    // Text and shadow together fill the extent: a negative offset moves the text instead.
    if (sh.OffsetX() < 0)
      tx -= sh.OffsetX();
    else
      sx += sh.OffsetX();
    if (sh.OffsetY() < 0)
      ty -= sh.OffsetY();
    else
      sy += sh.OffsetY();
    TAAMask shadow;
    shadow.CopyPixels(mask_);
    if (sh.Blur() != 0) shadow.Blur(sh.Blur());
    BlendColor(sx, sy, e.Alpha() * sh.Alpha() / 100, sh.Color(), shadow);
  }
  if (e.Blur() != 0) mask_.Blur(e.Blur());

  const TAATexture& tex = *e.Texture();
  const int w = mask_.Width(), h = mask_.Height();
  if (tex.Enabled() && tex.Picture()->Graphic() != nullptr && !tex.Picture()->Graphic()->Empty()) {
    MakeTexture(&fore_, w, h);
    if (e.Noise() != 0) MakeNoise(&fore_, w, h, true);
    BlendBitmap(tx, ty, e.Alpha(), &fore_, mask_);
  } else if (e.Gradual()->Enabled()) {
    MakeGradient(&fore_, w, h);
    if (e.Noise() != 0) MakeNoise(&fore_, w, h, true);
    BlendBitmap(tx, ty, e.Alpha(), &fore_, mask_);
  } else if (e.Noise() != 0) {
    MakeNoise(&fore_, w, h, false);
    BlendBitmap(tx, ty, e.Alpha(), &fore_, mask_);
  } else {
    BlendColor(tx, ty, e.Alpha(), canvas_->Font()->Color(), mask_);
  }
}

}  // namespace controls
