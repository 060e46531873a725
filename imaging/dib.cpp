#include "imaging/dib.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/classlib/canvas.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

struct Tables {
  int sin256[360];
  int cos256[360];
  Tables() {
    for (int a = 0; a < 360; ++a) {
      double r = a * M_PI / 180.0;
      sin256[a] = static_cast<int>(std::lround(256.0 * std::sin(r)));
      cos256[a] = static_cast<int>(std::lround(256.0 * std::cos(r)));
    }
  }
};

const Tables& Table() {
  static const Tables t;
  return t;
}

uint32_t ColorToPixel(TColor c) {
  c = ColorToRGB(c);
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         static_cast<uint32_t>(GetBValue(c));
}

TColor PixelToColor(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// (s * a + d * (255 - a) + 255) >> 8 for each colour channel.
// Red and blue go together: each lane's sum stays below 65536, so the lanes never mix.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t a) {
  const uint32_t na = 255 - a;
  const uint32_t rb = (((s & 0xFF00FFu) * a + (d & 0xFF00FFu) * na + 0xFF00FFu) >> 8) & 0xFF00FFu;
  const uint32_t g = ((((s >> 8) & 0xFFu) * a + ((d >> 8) & 0xFFu) * na + 0xFFu) >> 8) & 0xFFu;
  return rb | (g << 8);
}

inline uint32_t MaxAlpha(uint32_t s, uint32_t d) { return std::max(s >> 24, d >> 24) << 24; }

std::vector<TDIBCompressor>& Compressors() {
  static std::vector<TDIBCompressor> list;
  return list;
}

const char kDIBCMP[6] = {'D', 'I', 'B', 'C', 'M', 'P'};

}  // namespace

int DIBSin256(int Degrees) { return Table().sin256[((Degrees % 360) + 360) % 360]; }
int DIBCos256(int Degrees) { return Table().cos256[((Degrees % 360) + 360) % 360]; }

TAbstractSuperDIB::TAbstractSuperDIB() = default;
TAbstractSuperDIB::~TAbstractSuperDIB() = default;

void TAbstractSuperDIB::SetSize(int W, int H) {
  W = std::clamp(W, 1, 65535);
  H = std::clamp(H, 1, 65535);
  if (W == width_ && H == height_ && PixelData() != nullptr) return;
  const bool whole = clip_ == Rect(0, 0, width_, height_);
  Allocate(W, H);
  width_ = W;
  height_ = H;
  if (whole)
    clip_ = Rect(0, 0, W, H);
  else
    IntersectRect(clip_, clip_, Rect(0, 0, W, H));
  Changed();
}

void TAbstractSuperDIB::SetAngle(int Value) {
  int a = static_cast<uint16_t>(Value);
  while (a >= 360) a -= 360;
  if (a == angle_) return;
  angle_ = a;
  Changed();
}

void TAbstractSuperDIB::SetMasked(bool Value) {
  masked_ = Value;
  if (Value) transparent_ = false;
  Changed();
}

void TAbstractSuperDIB::SetTransparent(bool Value) {
  transparent_ = Value;
  if (Value) masked_ = false;
  Changed();
}

void TAbstractSuperDIB::SetOpacity(int Value) {
  opacity_ = static_cast<uint8_t>(std::clamp(Value, 0, 255));
  Changed();
}

void TAbstractSuperDIB::SetScale(int Value) {
  scale_x_ = scale_y_ = std::max(1, Value);
  Changed();
}
void TAbstractSuperDIB::SetScaleX(int Value) {
  scale_x_ = std::max(1, Value);
  Changed();
}
void TAbstractSuperDIB::SetScaleY(int Value) {
  scale_y_ = std::max(1, Value);
  Changed();
}

void TAbstractSuperDIB::SetTransparentColor(TColor Value) {
  transparent_color_ = Value;
  Changed();
}

void TAbstractSuperDIB::SetTransparentMode(TTransparentMode Value) {
  transparent_mode_ = Value;
  Changed();
}

uint32_t TAbstractSuperDIB::KeyPixel() const {
  if (transparent_mode_ == tmAuto) return Empty() ? 0 : PixelData()[0] & 0xFFFFFF;
  return ColorToPixel(transparent_color_);
}

TDIBDrawMode TAbstractSuperDIB::DrawMode() const {
  if (transparent_)
    return opacity_ == 255 ? TDIBDrawMode::Transparent : TDIBDrawMode::TransparentBlend;
  if (masked_) return opacity_ == 255 ? TDIBDrawMode::Masked : TDIBDrawMode::MaskedBlend;
  return opacity_ == 255 ? TDIBDrawMode::Copy : TDIBDrawMode::Blend;
}

void TAbstractSuperDIB::SetClipRect(const TRect& R) {
  IntersectRect(clip_, R, Rect(0, 0, width_, height_));
}

void TAbstractSuperDIB::Fill(TColor Color) { FillRect(Rect(0, 0, width_, height_), Color); }

void TAbstractSuperDIB::FillRect(const TRect& R, TColor Color) {
  if (Empty()) return;
  TRect r;
  if (!IntersectRect(r, R, Rect(0, 0, width_, height_))) return;
  const uint32_t p = ColorToPixel(Color);
  for (int y = r.Top; y < r.Bottom; ++y) std::fill_n(&Pixel(r.Left, y), r.Right - r.Left, p);
  Changed();
}

void TAbstractSuperDIB::SetAlpha(uint8_t Value) {
  if (Empty()) return;
  uint32_t* p = PixelData();
  const size_t n = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < n; ++i) p[i] = (p[i] & 0xFFFFFF) | (uint32_t(Value) << 24);
  Changed();
}

void TAbstractSuperDIB::DrawRows(TAbstractSuperDIB& Dest, int X, int Y, TRect Source,
                                 TDIBDrawMode Mode) const {
  if (Empty() || Dest.Empty()) return;
  if (!IntersectRect(Source, Source, Rect(0, 0, width_, height_))) return;
  TRect dclip;
  if (!IntersectRect(dclip, Dest.clip_, Rect(0, 0, Dest.width_, Dest.height_))) return;
  // Place the source rectangle at (X, Y) in 64 bits, then clip.
  int64_t dl = X, dt = Y;
  int64_t dr = dl + (Source.Right - Source.Left), db = dt + (Source.Bottom - Source.Top);
  int64_t l = std::max<int64_t>(dl, dclip.Left), t = std::max<int64_t>(dt, dclip.Top);
  int64_t r = std::min<int64_t>(dr, dclip.Right), b = std::min<int64_t>(db, dclip.Bottom);
  if (l >= r || t >= b) return;
  const int sx0 = static_cast<int>(Source.Left + (l - dl));
  const int sy0 = static_cast<int>(Source.Top + (t - dt));
  const int n = static_cast<int>(r - l);
  const uint32_t key = KeyPixel();
  const uint32_t op = opacity_;
  for (int64_t y = t; y < b; ++y) {
    const uint32_t* s = &Pixel(sx0, sy0 + static_cast<int>(y - t));
    uint32_t* d = &Dest.Pixel(static_cast<int>(l), static_cast<int>(y));
    switch (Mode) {
      case TDIBDrawMode::Copy: std::memcpy(d, s, sizeof(uint32_t) * static_cast<size_t>(n)); break;
      case TDIBDrawMode::Blend:
        for (int i = 0; i < n; ++i) d[i] = Mix(s[i], d[i], op) | MaxAlpha(s[i], d[i]);
        break;
      case TDIBDrawMode::Masked:
        for (int i = 0; i < n; ++i) d[i] = Mix(s[i], d[i], s[i] >> 24) | MaxAlpha(s[i], d[i]);
        break;
      case TDIBDrawMode::MaskedBlend:
        for (int i = 0; i < n; ++i)
          d[i] = Mix(s[i], d[i], ((s[i] >> 24) * op) >> 8) | MaxAlpha(s[i], d[i]);
        break;
      case TDIBDrawMode::Transparent:
        for (int i = 0; i < n; ++i)
          if ((s[i] & 0xFFFFFF) != key) d[i] = s[i] & 0xFFFFFF;
        break;
      case TDIBDrawMode::TransparentBlend:
        for (int i = 0; i < n; ++i)
          if ((s[i] & 0xFFFFFF) != key) d[i] = Mix(s[i], d[i], op) | (s[i] & 0xFF000000u);
        break;
    }
  }
  Dest.Changed();
}

void TAbstractSuperDIB::DrawTransformed(TAbstractSuperDIB& Dest, int X, int Y,
                                        const TRect& Source) {
  TRect src;
  if (!IntersectRect(src, Source, Rect(0, 0, width_, height_))) return;
  const int sw = src.Right - src.Left, sh = src.Bottom - src.Top;
  const int c = DIBCos256(angle_), s = DIBSin256(angle_);
  int tw = sw, th = sh;
  if (AutoSize) {
    // The rotated, scaled bounding box, rounded up to even numbers.
    const double w = sw * scale_x_ / 100.0, h = sh * scale_y_ / 100.0;
    const double ca = std::abs(c / 256.0), sa = std::abs(s / 256.0);
    tw = static_cast<int>(std::ceil(w * ca + h * sa));
    th = static_cast<int>(std::ceil(w * sa + h * ca));
    tw = std::clamp(tw + (tw & 1), 2, 65534);
    th = std::clamp(th + (th & 1), 2, 65534);
  }
  TWinDIB temp(tw, th);
  const uint32_t outside = transparent_ ? KeyPixel() : 0;
  // Centres in 1/256 pixel units; each destination pixel steps back through
  // the inverse rotation and scale to its nearest source pixel.
  const int64_t scx = static_cast<int64_t>(sw) * 128, scy = static_cast<int64_t>(sh) * 128;
  const int64_t dcx = static_cast<int64_t>(tw) * 128, dcy = static_cast<int64_t>(th) * 128;
  const uint32_t* base = PixelData();
  // 100 / scale in 1/65536 units, so the inner loop only adds and shifts.
  const int64_t fx = (int64_t(100) << 16) / scale_x_, fy = (int64_t(100) << 16) / scale_y_;
  for (int j = 0; j < th; ++j) {
    const int64_t uy = static_cast<int64_t>(j) * 256 + 128 - dcy;
    uint32_t* row = &temp.Pixel(0, j);
    const int64_t ux0 = 128 - dcx;
    int64_t ax = ux0 * c + uy * s;  // turned coordinates in 1/65536 pixel units
    int64_t ay = uy * c - ux0 * s;
    for (int i = 0; i < tw; ++i, ax += 256 * c, ay -= 256 * s) {
      const int64_t rx = ((ax >> 8) * fx) >> 16;
      const int64_t ry = ((ay >> 8) * fy) >> 16;
      const int64_t px = scx + rx, py = scy + ry;
      if (px < 0 || py < 0) {
        row[i] = outside;
        continue;
      }
      const int64_t sx = px / 256, sy = py / 256;
      row[i] = sx < sw && sy < sh ? base[(height_ - 1 - src.Top - sy) * width_ + src.Left + sx]
                                  : outside;
    }
  }
  temp.masked_ = masked_;
  temp.transparent_ = transparent_;
  temp.opacity_ = opacity_;
  temp.transparent_mode_ = tmFixed;
  temp.transparent_color_ = PixelToColor(KeyPixel());
  temp.DrawRows(Dest, X, Y, Rect(0, 0, tw, th), temp.DrawMode());
}

void TAbstractSuperDIB::Draw(TAbstractSuperDIB& Dest, int X, int Y) {
  DrawRect(Dest, X, Y, Rect(0, 0, width_, height_));
}

void TAbstractSuperDIB::DrawRect(TAbstractSuperDIB& Dest, int X, int Y, const TRect& Source) {
  if (Empty()) return;
  if (angle_ != 0 || scale_x_ != 100 || scale_y_ != 100)
    DrawTransformed(Dest, X, Y, Source);
  else
    DrawRows(Dest, X, Y, Source, DrawMode());
}

void TAbstractSuperDIB::DrawCopy(TAbstractSuperDIB& Dest, int X, int Y) {
  DrawRows(Dest, X, Y, Rect(0, 0, width_, height_), TDIBDrawMode::Copy);
}

void TAbstractSuperDIB::DrawAlpha(TAbstractSuperDIB& Dest, int X, int Y, bool AsGrey) {
  if (Empty() || Dest.Empty()) return;
  TRect dclip;
  if (!IntersectRect(dclip, Dest.clip_, Rect(0, 0, Dest.width_, Dest.height_))) return;
  for (int y = 0; y < height_; ++y) {
    const int64_t dy = static_cast<int64_t>(Y) + y;
    if (dy < dclip.Top || dy >= dclip.Bottom) continue;
    for (int x = 0; x < width_; ++x) {
      const int64_t dx = static_cast<int64_t>(X) + x;
      if (dx < dclip.Left || dx >= dclip.Right) continue;
      uint32_t a = Pixel(x, y) >> 24;
      uint32_t& d = Dest.Pixel(static_cast<int>(dx), static_cast<int>(dy));
      d = AsGrey ? (0xFF000000u | (a << 16) | (a << 8) | a) : ((d & 0xFFFFFF) | (a << 24));
    }
  }
  Dest.Changed();
}

void TAbstractSuperDIB::ApplyFilter(const TDIBFilter& F) {
  if (Empty() || width_ < 3 || height_ < 3) return;
  const int div = F.Divisor == 0 ? 1 : F.Divisor;
  std::vector<uint32_t> copy(PixelData(), PixelData() + static_cast<size_t>(width_) * height_);
  auto at = [&](int x, int y) { return copy[static_cast<size_t>(height_ - y - 1) * width_ + x]; };
  for (int y = 1; y < height_ - 1; ++y)
    for (int x = 1; x < width_ - 1; ++x) {
      uint32_t out = at(x, y) & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        int64_t sum = 0;
        for (int k = 0; k < 9; ++k)
          sum += F.Weights[k] *
                 static_cast<int64_t>((at(x + k % 3 - 1, y + k / 3 - 1) >> shift) & 0xFF);
        int64_t v = std::clamp<int64_t>(sum / div + F.Bias, 0, 255);
        out |= static_cast<uint32_t>(v) << shift;
      }
      Pixel(x, y) = out;
    }
  Changed();
}

void TAbstractSuperDIB::ImportMask(const std::string& FileName) {
  if (Empty()) throw EDIBError("You cannot import a mask until you have an image.");
  TPicture pic;
  pic.LoadFromFile(FileName);
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(width_, height_);
  b.Canvas()->StretchDraw(Rect(0, 0, width_, height_), pic.Graphic());
  for (int y = 0; y < height_; ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < width_; ++x)
      Pixel(x, y) = (Pixel(x, y) & 0xFFFFFF) | (uint32_t(row[4 * x]) << 24);
  }
  if (auto* m = dynamic_cast<TCustomMemoryDIB*>(this)) m->MaskFilename = FileName;
  SetMasked(true);
}

void TAbstractSuperDIB::ImportPicture(const std::string& FileName) {
  TPicture pic;
  pic.LoadFromFile(FileName);
  auto* bmp = dynamic_cast<TBitmap*>(pic.Graphic());
  const bool alpha = bmp != nullptr && bmp->PixelFormat() == pf32bit;
  BeginUpdate();
  try {
    SetSize(pic.Width(), pic.Height());
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(width_, height_);
    if (alpha) {
      for (int y = 0; y < height_; ++y)
        std::memcpy(b.ScanLine(y), bmp->ScanLine(y), static_cast<size_t>(width_) * 4);
    } else {
      b.Canvas()->Draw(0, 0, pic.Graphic());
    }
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = b.ScanLine(y);
      for (int x = 0; x < width_; ++x) {
        uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        Pixel(x, y) = alpha ? p : (p | 0xFF000000u);
      }
    }
    if (auto* m = dynamic_cast<TCustomMemoryDIB*>(this)) m->ImageFilename = FileName;
    if (alpha) SetMasked(true);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TAbstractSuperDIB::Render8Bit() {
  throw EDIBError("Render8Bit can only be used with a palette containing a lookup table");
}

void TAbstractSuperDIB::CopySettings(const TAbstractSuperDIB& From) {
  angle_ = From.angle_;
  AutoSize = From.AutoSize;
  masked_ = From.masked_;
  transparent_ = From.transparent_;
  opacity_ = From.opacity_;
  scale_x_ = From.scale_x_;
  scale_y_ = From.scale_y_;
  transparent_color_ = From.transparent_color_;
  transparent_mode_ = From.transparent_mode_;
}

void TAbstractSuperDIB::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TAbstractSuperDIB*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  if (!other->Empty()) {
    SetSize(other->width_, other->height_);
    std::memcpy(PixelData(), other->PixelData(),
                sizeof(uint32_t) * static_cast<size_t>(width_) * height_);
  }
  CopySettings(*other);
  Changed();
  EndUpdate();
}

void TAbstractSuperDIB::AssignTo(TPersistent* Dest) {
  // An image copies only into another image (see Assign).
  throw EDIBError("Cannot assign a TAbstractDIB to a " +
                  (Dest != nullptr ? Dest->ClassName() : std::string("nil")));
}

void TAbstractSuperDIB::EndUpdate() {
  if (update_count_ == 0) throw EDIBError("EndUpdate without BeginUpdate");
  if (--update_count_ == 0) Changed();
}

void TAbstractSuperDIB::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

void TAbstractSuperDIB::WriteData(TStream* Stream) {
  if (Empty()) return;
  std::vector<uint8_t> raw(4 + static_cast<size_t>(width_) * height_ * 4);
  raw[0] = uint8_t(width_);
  raw[1] = uint8_t(width_ >> 8);
  raw[2] = uint8_t(height_);
  raw[3] = uint8_t(height_ >> 8);
  std::memcpy(raw.data() + 4, PixelData(), raw.size() - 4);
  auto& list = Compressors();
  if (!list.empty() && list.back().Compress) {
    std::vector<uint8_t> packed = list.back().Compress(raw);
    if (!packed.empty()) {
      Stream->WriteBuffer(kDIBCMP, 6);
      Stream->WriteBuffer(list.back().ID.data(), 16);
      Stream->WriteValue<uint32_t>(static_cast<uint32_t>(raw.size()));
      Stream->WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
      return;
    }
  }
  Stream->WriteBuffer(raw.data(), static_cast<int64_t>(raw.size()));
}

void TAbstractSuperDIB::ReadData(TStream* Stream) {
  const int64_t left = Stream->Size() - Stream->Position();
  if (left < 4) throw EDIBError("The image data is truncated");
  uint8_t head[26] = {};
  const int64_t head_len = std::min<int64_t>(left, 26);
  Stream->ReadBuffer(head, head_len);
  std::vector<uint8_t> raw;
  if (head_len == 26 && std::memcmp(head, kDIBCMP, 6) == 0) {
    std::array<uint8_t, 16> id;
    std::memcpy(id.data(), head + 6, 16);
    const uint32_t raw_size =
        head[22] | (head[23] << 8) | (head[24] << 16) | (uint32_t(head[25]) << 24);
    std::vector<uint8_t> packed(static_cast<size_t>(left - 26));
    if (!packed.empty()) Stream->ReadBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    const auto& list = Compressors();
    bool done = false;
    for (auto it = list.rbegin(); it != list.rend() && !done; ++it)
      if (it->Decompress && it->Decompress(id, packed.data(), packed.size(), raw_size, raw))
        done = true;
    if (!done) throw EDIBCompressError("Could not find a suitable decompressor.");
    if (raw.size() != raw_size) throw EDIBError("The image data is truncated");
  } else {
    raw.assign(head, head + head_len);
    const int w = head[0] | (head[1] << 8), h = head[2] | (head[3] << 8);
    // The header's size must be backed by the bytes present before anything is allocated.
    const int64_t need = 4 + static_cast<int64_t>(std::max(w, 1)) * std::max(h, 1) * 4;
    if (need > left) throw EDIBError("The image data is truncated");
    raw.resize(static_cast<size_t>(need));
    if (need > head_len) Stream->ReadBuffer(raw.data() + head_len, need - head_len);
  }
  if (raw.size() < 4) throw EDIBError("The image data is truncated");
  const int w = std::max(1, raw[0] | (raw[1] << 8)), h = std::max(1, raw[2] | (raw[3] << 8));
  const size_t need = 4 + static_cast<size_t>(w) * h * 4;
  if (raw.size() < need) throw EDIBError("The image data is truncated");
  BeginUpdate();
  try {
    SetSize(w, h);
    std::memcpy(PixelData(), raw.data() + 4, need - 4);
  } catch (...) {
    EndUpdate();
    throw;
  }
  Changed();
  EndUpdate();
}

std::vector<TRect> TAbstractSuperDIB::RegionRects(TColor Key) const {
  std::vector<TRect> rects;
  if (Empty()) return rects;
  const uint32_t key = ColorToPixel(Key);
  for (int y = 0; y < height_; ++y) {
    const uint32_t* row = &Pixel(0, y);
    int x = 0;
    while (x < width_) {
      while (x < width_ && (row[x] & 0xFFFFFF) == key) ++x;
      if (x >= width_) break;
      const int start = x;
      while (x < width_ && (row[x] & 0xFFFFFF) != key) ++x;
      rects.push_back(Rect(start, y, x, y + 1));
    }
  }
  return rects;
}

bool TAbstractSuperDIB::MakeRegion(TColor Key, TRegion& Region) const {
  // The runs come row by row from the top, so they already form the region's
  // bands; uniting them in batches would give the same set of pixels.
  std::vector<TRect> rects = RegionRects(Key);
  if (rects.empty()) {
    Region = TRegion();
    return false;
  }
  Region = TRegion(rects);
  return true;
}

TCustomWinDIB::TCustomWinDIB() = default;

TCustomWinDIB::TCustomWinDIB(int W, int H) {
  SetSize(W, H);
  SetClipRect(Rect(0, 0, width_, height_));
}

uint32_t* TCustomWinDIB::PixelData() const {
  auto& b = const_cast<TBitmap&>(bitmap_);
  return b.Empty() ? nullptr : reinterpret_cast<uint32_t*>(b.Bits());
}

void TCustomWinDIB::Allocate(int W, int H) {
  try {
    bitmap_.SetPixelFormat(pf32bit);
    bitmap_.SetSize(W, H);
  } catch (const std::bad_alloc&) {
    throw EDIBError(Format("Windows error (%d) %s", {ENOMEM, std::strerror(ENOMEM)}));
  } catch (const Exception&) {
    throw EDIBError(Format("Windows error (%d) %s", {ENOMEM, std::strerror(ENOMEM)}));
  }
}

TCustomMemoryDIB::TCustomMemoryDIB() = default;

TCustomMemoryDIB::TCustomMemoryDIB(int W, int H) {
  SetSize(W, H);
  SetClipRect(Rect(0, 0, width_, height_));
}

uint32_t* TCustomMemoryDIB::PixelData() const {
  if (view_ != nullptr) return view_;
  return pixels_.empty() ? nullptr : pixels_.data();
}

void TCustomMemoryDIB::Allocate(int W, int H) {
  view_ = nullptr;
  pixels_.assign(static_cast<size_t>(W) * H, 0);
}

void TCustomMemoryDIB::ViewOf(TAbstractSuperDIB& Other) {
  CopySettings(Other);
  pixels_.clear();
  pixels_.shrink_to_fit();
  view_ = Other.PixelData();
  width_ = Other.Width();
  height_ = Other.Height();
  SetClipRect(Rect(0, 0, width_, height_));
}

void RegisterDIBCompressor(const TDIBCompressor& Compressor) {
  Compressors().push_back(Compressor);
}
void UnregisterDIBCompressors() { Compressors().clear(); }

}  // namespace lumicast
