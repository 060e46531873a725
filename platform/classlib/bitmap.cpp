#include "platform/classlib/bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/canvas_impl.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"
#include "platform/classlib/pixel_ops.h"
#include "platform/classlib/stream.h"

namespace classlib {

// The canvas of a bitmap draws straight into the bitmap's rows.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Owner) : owner_(Owner) {}
  std::string ClassName() const override { return "TBitmapCanvas"; }

 protected:
  bool AcquireSurface(TPixelSurface& Surface) override {
    if (owner_->Empty()) return false;
    Surface = owner_->Surface();
    return true;
  }
  void Changed() override {
    TCanvas::Changed();
    owner_->Changed(owner_);
  }

 private:
  TBitmap* owner_;
};

namespace {

const char* const kInvalidBitmap = "Bitmap image is not valid";

int FormatBits(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pfCustom: return 0;
    default: return 32;
  }
}

// Bits per pixel as stored (15-bit pixels take 16).
int StoredBits(int bits) { return bits == 15 ? 16 : bits; }

const TPalette* DefaultPaletteFor(int bits) {
  switch (bits) {
    case 1: return &DefaultPalette1();
    case 4: return &DefaultPalette4();
    case 8: return &DefaultPalette8();
    default: return nullptr;
  }
}

// Position and width of a colour mask's bits.
void MaskShape(uint32_t mask, int& shift, int& width) {
  shift = 0;
  width = 0;
  if (!mask) return;
  while (!(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++width;
  }
}

uint8_t Channel(uint32_t v, uint32_t mask) {
  int shift, width;
  MaskShape(mask, shift, width);
  if (!width) return 0;
  uint32_t c = (v & mask) >> shift;
  if (width >= 8) return static_cast<uint8_t>(c >> (width - 8));
  // Widen by repeating the high bits.
  uint32_t out = 0;
  int have = 0;
  while (have < 8) {
    out = (out << width) | c;
    have += width;
  }
  return static_cast<uint8_t>(out >> (have - 8));
}

// A surface over H bottom-up rows of RowBytes bytes each in Data (the last row first in memory).
TPixelSurface BottomUpSurface(uint8_t* Data, int RowBytes, int W, int H, int Bits,
                              const TPalette& Pal, uint32_t PaletteVersion) {
  TPixelSurface s;
  s.Top = Data + (H > 0 ? static_cast<size_t>(RowBytes) * (H - 1) : 0);
  s.Stride = -static_cast<ptrdiff_t>(RowBytes);
  s.Width = W;
  s.Height = H;
  s.BitsPerPixel = Bits;
  s.Palette = Pal.empty() ? nullptr : Pal.data();
  s.PaletteSize = static_cast<int>(Pal.size());
  s.PaletteVersion = PaletteVersion;
  return s;
}

}  // namespace

int PixelFormatBits(TPixelFormat Format) { return FormatBits(Format); }

TBitmap::TBitmap() : canvas_(std::make_unique<TBitmapCanvas>(this)) {}
TBitmap::~TBitmap() = default;

TPixelSurface TBitmap::Surface() {
  if (Empty()) return {};
  return BottomUpSurface(bits_data_.data(), row_bytes_, width_, height_, bits_, palette_,
                         palette_version_);
}

void TBitmap::Allocate(int W, int H, TPixelFormat F, bool KeepPixels) {
  W = std::max(W, 0);
  H = std::max(H, 0);
  if (W > MaxBitmapDimension || H > MaxBitmapDimension)
    throw EOutOfMemory("Bitmap dimensions too large");
  int bits = FormatBits(F);
  if (bits == 0) throw EInvalidGraphicOperation("Invalid pixel format");
  int rb = BytesPerScanLine(W, StoredBits(bits));
  int64_t total = static_cast<int64_t>(rb) * H;
  if (total > MaxBitmapBytes) throw EOutOfMemory("Bitmap dimensions too large");

  TPalette pal;
  if (bits <= 8) {
    if (bits == bits_ && !palette_.empty())
      pal = palette_;
    else
      pal = *DefaultPaletteFor(bits);
  }
  std::vector<uint8_t> data(static_cast<size_t>(total), 0);
  TPixelSurface ns = BottomUpSurface(data.data(), rb, W, H, bits, pal, palette_version_ + 1);
  pixels::ColorMapper mapper;
  // New pixels are white.
  if (W > 0 && H > 0) {
    uint32_t white = mapper.ToDevice(ns, clWhite);
    for (int x = 0; x < W; ++x) pixels::WriteDevice(ns, x, 0, white);
    for (int y = 1; y < H; ++y) std::memcpy(ns.Row(y), ns.Row(0), static_cast<size_t>(rb));
  }
  if (KeepPixels && !Empty() && W > 0 && H > 0) {
    TPixelSurface os = Surface();
    int cw = std::min(W, width_), ch = std::min(H, height_);
    bool same = bits == bits_ && (bits > 8 || pal == palette_);
    for (int y = 0; y < ch; ++y) {
      if (same && StoredBits(bits) % 8 == 0) {
        std::memcpy(ns.Row(y), os.Row(y), static_cast<size_t>(cw) * StoredBits(bits) / 8);
      } else {
        for (int x = 0; x < cw; ++x) {
          uint32_t v = pixels::ReadDevice(os, x, y);
          pixels::WriteDevice(ns, x, y,
                              same ? v : mapper.ToDevice(ns, pixels::DeviceToColor(os, v)));
        }
      }
      if (bits == 32 && bits_ == 32)
        for (int x = 0; x < cw; ++x) ns.Row(y)[4 * x + 3] = os.Row(y)[4 * x + 3];
    }
  }
  bits_data_ = std::move(data);
  palette_ = std::move(pal);
  ++palette_version_;
  width_ = W;
  height_ = H;
  format_ = F;
  bits_ = bits;
  row_bytes_ = rb;
  canvas_->Refresh();
}

void TBitmap::SetWidth(int Value) { SetSize(Value, height_); }
void TBitmap::SetHeight(int Value) { SetSize(width_, Value); }

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth == width_ && AHeight == height_) return;
  Allocate(AWidth, AHeight, format_, true);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == format_) return;
  if (FormatBits(Value) == bits_ && bits_ > 8) {
    format_ = Value;
    Changed(this);
    return;
  }
  Allocate(width_, height_, Value, true);
  Changed(this);
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == Monochrome()) return;
  SetPixelFormat(Value ? pf1bit : pfDevice);
}

TPalette TBitmap::Palette() const { return palette_; }

void TBitmap::SetPalette(const TPalette& Entries) {
  if (bits_ > 8) return;
  TPalette p = Entries;
  if (p.size() > (1u << bits_)) p.resize(1u << bits_);
  palette_ = std::move(p);
  ++palette_version_;
  canvas_->Refresh();
  SetPaletteModified(true);
  Changed(this);
}

uint8_t* TBitmap::ScanLine(int Y) {
  if (Y < 0 || Y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return bits_data_.data() + static_cast<size_t>(row_bytes_) * (height_ - 1 - Y);
}

const uint8_t* TBitmap::ScanLine(int Y) const {
  if (Y < 0 || Y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return bits_data_.data() + static_cast<size_t>(row_bytes_) * (height_ - 1 - Y);
}

TCanvas* TBitmap::Canvas() { return canvas_.get(); }

TColor TBitmap::PixelColor(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) return -1;
  TPixelSurface s = const_cast<TBitmap*>(this)->Surface();
  return pixels::DeviceToColor(s, pixels::ReadDevice(s, X, Y));
}

TColor TBitmap::TransparentColor() const {
  if (transparent_mode_ == tmFixed) return transparent_color_;
  if (Empty()) return clNone;
  return PixelColor(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == clDefault) {
    transparent_mode_ = tmAuto;
    transparent_color_ = clDefault;
  } else {
    transparent_mode_ = tmFixed;
    transparent_color_ = Value;
  }
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == transparent_mode_) return;
  if (Value == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());
}

void TBitmap::Changed(TObject* Sender) { TGraphic::Changed(Sender); }

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || Empty()) return;
  TColor tc = TransparentColor();
  bool transparent = Transparent() && tc != clNone;
  TCanvasAccess::BltFromSurface(ACanvas, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
                                Surface(), 0, 0, width_, height_, ACanvas->CopyMode(), nullptr, 0,
                                0, 0, transparent ? &tc : nullptr);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    Allocate(0, 0, format_, false);
    Changed(this);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    width_ = b->width_;
    height_ = b->height_;
    format_ = b->format_;
    bits_ = b->bits_;
    row_bytes_ = b->row_bytes_;
    bits_data_ = b->bits_data_;
    palette_ = b->palette_;
    ++palette_version_;
    handle_type_ = b->handle_type_;
    transparent_mode_ = b->transparent_mode_;
    transparent_color_ = b->transparent_color_;
    x_pels_per_meter_ = b->x_pels_per_meter_;
    y_pels_per_meter_ = b->y_pels_per_meter_;
    clr_important_ = b->clr_important_;
    write_clr_used_ = b->write_clr_used_;
    SetTransparent(b->Transparent());
    canvas_->Refresh();
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    Allocate(0, 0, format_, false);
    Allocate(g->Width(), g->Height(), format_, false);
    if (!g->Empty()) g->Draw(Canvas(), Rect(0, 0, width_, height_));
    SetTransparent(g->Transparent());
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

// ---------------------------------------------------------------- BMP streams

void TBitmap::SaveToStream(TStream* Stream) {
  int bitcount = StoredBits(bits_);
  bool bitfields = bits_ == 16;
  uint32_t palCount = bits_ <= 8 ? static_cast<uint32_t>(palette_.size()) : 0;
  uint32_t full = bits_ <= 8 ? (1u << bits_) : 0;
  uint32_t clrUsed = write_clr_used_ ? palCount : (palCount == full ? 0 : palCount);
  uint32_t offBits = 14 + 40 + (bitfields ? 12 : 0) + 4 * palCount;
  uint32_t image = static_cast<uint32_t>(bits_data_.size());
  std::vector<uint8_t> h;
  h.reserve(offBits);
  h.push_back('B');
  h.push_back('M');
  AppendLE32(h, offBits + image);
  AppendLE16(h, 0);
  AppendLE16(h, 0);
  AppendLE32(h, offBits);
  AppendLE32(h, 40);
  AppendLE32(h, static_cast<uint32_t>(width_));
  AppendLE32(h, static_cast<uint32_t>(height_));
  AppendLE16(h, 1);
  AppendLE16(h, static_cast<uint16_t>(bitcount));
  AppendLE32(h, bitfields ? 3 : 0);
  AppendLE32(h, image);
  AppendLE32(h, static_cast<uint32_t>(x_pels_per_meter_));
  AppendLE32(h, static_cast<uint32_t>(y_pels_per_meter_));
  AppendLE32(h, clrUsed);
  AppendLE32(h, clr_important_);
  if (bitfields) {
    AppendLE32(h, 0xF800);
    AppendLE32(h, 0x07E0);
    AppendLE32(h, 0x001F);
  }
  for (uint32_t i = 0; i < palCount; ++i) {
    const TRGBQuad& q = palette_[i];
    h.push_back(q.rgbBlue);
    h.push_back(q.rgbGreen);
    h.push_back(q.rgbRed);
    h.push_back(q.rgbReserved);
  }
  Stream->WriteBuffer(h.data(), static_cast<int64_t>(h.size()));
  if (image) Stream->WriteBuffer(bits_data_.data(), image);
}

void TBitmap::LoadFromStream(TStream* Stream) {
  int64_t available = Stream->Size() - Stream->Position();
  ReadBMP(Stream, available);
}

void TBitmap::ReadBMP(TStream* Stream, int64_t Available) {
  auto fail = [] { throw EInvalidGraphic(kInvalidBitmap); };
  int64_t start = Stream->Position();
  auto readAt = [&](int64_t offset, void* buf, int64_t n) {
    if (offset < 0 || n < 0 || offset + n > Available) fail();
    Stream->SetPosition(start + offset);
    if (Stream->Read(buf, n) != n) fail();
  };

  uint8_t fh[14];
  readAt(0, fh, 14);
  if (fh[0] != 'B' || fh[1] != 'M') fail();
  uint32_t offBits = GetLE32(fh + 10);
  uint8_t sizeBytes[4];
  readAt(14, sizeBytes, 4);
  uint32_t infoSize = GetLE32(sizeBytes);
  if (infoSize != 12 && infoSize < 40) fail();
  if (infoSize > 1024) fail();
  std::vector<uint8_t> ih(infoSize);
  readAt(14, ih.data(), infoSize);

  int64_t width, height;
  int bitcount;
  uint32_t compression = 0, clrUsed = 0, clrImportant = 0;
  int32_t xppm = 0, yppm = 0;
  int quadSize = 4;
  if (infoSize == 12) {
    width = GetLE16(ih.data() + 4);
    height = GetLE16(ih.data() + 6);
    bitcount = GetLE16(ih.data() + 10);
    quadSize = 3;
  } else {
    width = static_cast<int32_t>(GetLE32(ih.data() + 4));
    height = static_cast<int32_t>(GetLE32(ih.data() + 8));
    bitcount = GetLE16(ih.data() + 14);
    compression = GetLE32(ih.data() + 16);
    xppm = static_cast<int32_t>(GetLE32(ih.data() + 24));
    yppm = static_cast<int32_t>(GetLE32(ih.data() + 28));
    clrUsed = GetLE32(ih.data() + 32);
    clrImportant = GetLE32(ih.data() + 36);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 0 || width > MaxBitmapDimension || height > MaxBitmapDimension) fail();
  if (bitcount != 1 && bitcount != 4 && bitcount != 8 && bitcount != 16 && bitcount != 24 &&
      bitcount != 32)
    fail();
  if (compression != 0 && !(compression == 3 && (bitcount == 16 || bitcount == 32))) fail();

  int64_t pos = 14 + infoSize;
  uint32_t masks[3] = {0, 0, 0};
  if (compression == 3) {
    if (infoSize >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = GetLE32(ih.data() + 40 + 4 * i);
    } else {
      uint8_t m[12];
      readAt(pos, m, 12);
      for (int i = 0; i < 3; ++i) masks[i] = GetLE32(m + 4 * i);
      pos += 12;
    }
  }

  TPalette pal;
  if (bitcount <= 8) {
    uint32_t full = 1u << bitcount;
    uint32_t count = clrUsed ? clrUsed : full;
    if (count > full) fail();
    std::vector<uint8_t> raw(static_cast<size_t>(count) * quadSize);
    if (!raw.empty()) readAt(pos, raw.data(), static_cast<int64_t>(raw.size()));
    pal.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* q = raw.data() + static_cast<size_t>(i) * quadSize;
      pal[i] = {q[0], q[1], q[2], quadSize == 4 ? q[3] : uint8_t(0)};
    }
    pos += static_cast<int64_t>(raw.size());
  } else if (clrUsed) {
    if (clrUsed > 256) fail();
    pos += static_cast<int64_t>(clrUsed) * quadSize;
  }
  if (offBits == 0) offBits = static_cast<uint32_t>(pos);
  if (offBits < pos) fail();

  int rb = BytesPerScanLine(static_cast<int>(width), bitcount);
  int64_t image = static_cast<int64_t>(rb) * height;
  if (image > MaxBitmapBytes) fail();
  if (static_cast<int64_t>(offBits) + image > Available) fail();
  std::vector<uint8_t> data(static_cast<size_t>(image));
  if (image) readAt(offBits, data.data(), image);
  if (topDown)
    for (int64_t y = 0; y < height / 2; ++y)
      std::swap_ranges(data.begin() + y * rb, data.begin() + (y + 1) * rb,
                       data.begin() + (height - 1 - y) * rb);

  TPixelFormat format;
  switch (bitcount) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 16:
      if (compression == 0 || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F))
        format = pf15bit;
      else if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F)
        format = pf16bit;
      else
        format = pf32bit;  // other masks: widened below
      break;
    default: format = pf32bit; break;
  }
  if (bitcount == 16 && format == pf32bit) {
    int nrb = BytesPerScanLine(static_cast<int>(width), 32);
    std::vector<uint8_t> wide(static_cast<size_t>(nrb) * height);
    for (int64_t y = 0; y < height; ++y)
      for (int64_t x = 0; x < width; ++x) {
        uint32_t v = GetLE16(data.data() + y * rb + 2 * x);
        uint8_t* p = wide.data() + y * nrb + 4 * x;
        p[0] = Channel(v, masks[2]);
        p[1] = Channel(v, masks[1]);
        p[2] = Channel(v, masks[0]);
        p[3] = 0;
      }
    data = std::move(wide);
    rb = nrb;
  } else if (bitcount == 32 && compression == 3 &&
             !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
    for (int64_t y = 0; y < height; ++y)
      for (int64_t x = 0; x < width; ++x) {
        uint8_t* p = data.data() + y * rb + 4 * x;
        uint32_t v = GetLE32(p);
        p[0] = Channel(v, masks[2]);
        p[1] = Channel(v, masks[1]);
        p[2] = Channel(v, masks[0]);
        p[3] = 0;
      }
  }

  // Everything checked: take the picture over.
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  if (width_ == 0 || height_ == 0) {
    width_ = height_ = 0;
    data.clear();
  }
  format_ = format;
  bits_ = FormatBits(format);
  row_bytes_ = rb;
  bits_data_ = std::move(data);
  palette_ = std::move(pal);
  ++palette_version_;
  x_pels_per_meter_ = xppm;
  y_pels_per_meter_ = yppm;
  clr_important_ = clrImportant;
  write_clr_used_ = clrUsed != 0;
  canvas_->Refresh();
  Stream->SetPosition(start + offBits + image);
  Changed(this);
}

void TBitmap::SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data) {
  (void)Format;
  TMemoryStream ms;
  SaveToStream(&ms);
  Data[CF_BITMAP] = ms.Bytes();
}

void TBitmap::LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) {
  auto it = Data.find(Format == CF_DIB ? CF_DIB : CF_BITMAP);
  if (it == Data.end()) it = Data.find(CF_BITMAP);
  if (it == Data.end() || (Format != CF_BITMAP && Format != CF_DIB))
    throw EInvalidGraphic("Unsupported clipboard format");
  TMemoryStream ms;
  if (!it->second.empty())
    ms.WriteBuffer(it->second.data(), static_cast<int64_t>(it->second.size()));
  ms.SetPosition(0);
  LoadFromStream(&ms);
}

}  // namespace classlib
