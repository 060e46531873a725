// Icon files: a directory of images, each a PNG or a device-independent
// bitmap of twice the icon's height (colours, then a 1-bit AND mask).
#include "platform/classlib/icon.h"

#include <QImage>

#include <algorithm>
#include <cstring>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/canvas_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/little_endian.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/stream.h"

namespace classlib {

namespace {

const char* const kInvalidIcon = "Icon image is not valid";

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::LoadFromStream(TStream* Stream) {
  int64_t available = Stream->Size() - Stream->Position();
  if (available < 6 || available > (int64_t(64) << 20)) throw EInvalidGraphic(kInvalidIcon);
  std::vector<uint8_t> data(static_cast<size_t>(available));
  Stream->ReadBuffer(data.data(), available);
  uint16_t type = GetLE16(data.data() + 2), count = GetLE16(data.data() + 4);
  if (GetLE16(data.data()) != 0 || (type != 1 && type != 2) || count == 0)
    throw EInvalidGraphic(kInvalidIcon);
  if (6 + 16 * static_cast<int64_t>(count) > available) throw EInvalidGraphic(kInvalidIcon);
  std::vector<Entry> entries;
  uint64_t end = 6 + 16 * static_cast<uint64_t>(count);
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data.data() + 6 + 16 * i;
    Entry en{e[0] ? e[0] : 256, e[1] ? e[1] : 256, GetLE32(e + 12), GetLE32(e + 8)};
    if (en.Offset < 6 + 16u * count ||
        static_cast<uint64_t>(en.Offset) + en.Size > static_cast<uint64_t>(available) ||
        en.Size < 40)
      throw EInvalidGraphic(kInvalidIcon);
    end = std::max<uint64_t>(end, static_cast<uint64_t>(en.Offset) + en.Size);
    entries.push_back(en);
  }
  data.resize(static_cast<size_t>(end));
  Stream->SetPosition(Stream->Position() - available + static_cast<int64_t>(end));
  std::vector<uint8_t> old = std::move(data_);
  std::vector<Entry> oldEntries = std::move(entries_);
  data_ = std::move(data);
  entries_ = std::move(entries);
  try {
    Decode();
  } catch (...) {
    data_ = std::move(old);
    entries_ = std::move(oldEntries);
    throw;
  }
  Changed(this);
}

void TIcon::Decode() {
  image_.reset();
  mask_.reset();
  width_ = height_ = 0;
  if (entries_.empty()) return;
  const Entry& e = entries_[0];
  const uint8_t* p = data_.data() + e.Offset;
  auto image = std::make_unique<TBitmap>();
  auto mask = std::make_unique<TBitmap>();
  if (e.Size >= 8 && std::memcmp(p, "\x89PNG", 4) == 0) {
    QImage img;
    if (!img.loadFromData(p, static_cast<int>(e.Size), "PNG")) throw EInvalidGraphic(kInvalidIcon);
    QImageToBitmap(img, *image);
    mask->SetPixelFormat(pf1bit);
    mask->SetSize(image->Width(), image->Height());
    for (int y = 0; y < image->Height(); ++y)
      for (int x = 0; x < image->Width(); ++x)
        if (image->ScanLine(y)[4 * x + 3] == 0)
          mask->ScanLine(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        else
          mask->ScanLine(y)[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
  } else {
    uint32_t hsize = GetLE32(p);
    if (hsize < 40 || hsize > e.Size) throw EInvalidGraphic(kInvalidIcon);
    int32_t w = static_cast<int32_t>(GetLE32(p + 4)), h2 = static_cast<int32_t>(GetLE32(p + 8));
    int bits = GetLE16(p + 14);
    uint32_t clrUsed = GetLE32(p + 32);
    if (w <= 0 || w > 1024 || h2 <= 0 || h2 > 2048 || (h2 & 1)) throw EInvalidGraphic(kInvalidIcon);
    int h = h2 / 2;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
      throw EInvalidGraphic(kInvalidIcon);
    uint32_t pal = bits <= 8 ? (clrUsed ? clrUsed : (1u << bits)) : 0;
    if (pal > 256) throw EInvalidGraphic(kInvalidIcon);
    uint64_t xorBytes = static_cast<uint64_t>(BytesPerScanLine(w, bits)) * h;
    uint64_t andBytes = static_cast<uint64_t>(BytesPerScanLine(w, 1)) * h;
    uint64_t colorsAt = hsize + 4ull * pal;
    if (colorsAt + xorBytes > e.Size) throw EInvalidGraphic(kInvalidIcon);
    // The colour part as a BMP file with the real height.
    std::vector<uint8_t> bmp{'B', 'M'};
    AppendLE32(bmp, static_cast<uint32_t>(14 + colorsAt + xorBytes));
    AppendLE32(bmp, 0);
    AppendLE32(bmp, static_cast<uint32_t>(14 + colorsAt));
    size_t headerAt = bmp.size();
    bmp.insert(bmp.end(), p, p + colorsAt + xorBytes);
    uint8_t* hh = bmp.data() + headerAt;
    hh[8] = static_cast<uint8_t>(h);
    hh[9] = static_cast<uint8_t>(h >> 8);
    hh[10] = 0;
    hh[11] = 0;
    std::memset(hh + 16, 0, 8);  // no compression; image size computed
    TMemoryStream ms;
    ms.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
    ms.SetPosition(0);
    image->LoadFromStream(&ms);
    mask->SetPixelFormat(pf1bit);
    mask->SetSize(w, h);
    if (colorsAt + xorBytes + andBytes <= e.Size) {
      // The mask's rows are stored bottom-up like the bitmap's own.
      std::memcpy(mask->Bits(), p + colorsAt + xorBytes,
                  std::min<size_t>(andBytes, mask->BitsSize()));
    } else {
      std::memset(mask->Bits(), 0, mask->BitsSize());
    }
  }
  width_ = image->Width();
  height_ = image->Height();
  image_ = std::move(image);
  mask_ = std::move(mask);
}

void TIcon::SaveToStream(TStream* Stream) {
  if (!data_.empty()) Stream->WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) {
    data_.clear();
    entries_.clear();
    image_.reset();
    mask_.reset();
    width_ = height_ = 0;
    Changed(this);
    return;
  }
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    data_ = i->data_;
    entries_ = i->entries_;
    Decode();
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

TClipboardFormat CF_ICON() {
  static const TClipboardFormat format = RegisterClipboardFormat("Icon");
  return format;
}

void TIcon::SaveToClipboardFormat(TClipboardFormat, TClipboardData& Data) {
  if (data_.empty()) throw EInvalidGraphic(kInvalidIcon);
  Data[CF_ICON()] = data_;
}

void TIcon::LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) {
  auto it = Data.find(Format == CF_ICON() ? Format : CF_ICON());
  if (it == Data.end()) throw EInvalidGraphic("Unsupported clipboard format");
  TMemoryStream ms;
  if (!it->second.empty()) ms.Write(it->second.data(), static_cast<int64_t>(it->second.size()));
  ms.SetPosition(0);
  LoadFromStream(&ms);
}

void TIcon::LoadFromResourceName(uintptr_t Instance, const std::string& ResName) {
  if (Instance != 0) throw EResNotFound("Resource " + ResName + " not found");
  TResourceStream rs(ResName);
  LoadFromStream(&rs);
}

TBitmap* TIcon::ImageBitmap() { return image_.get(); }
TBitmap* TIcon::MaskBitmap() { return mask_.get(); }

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || !image_ || image_->Empty() || IsRectEmpty(Rect)) return;
  int w = Rect.Width(), h = Rect.Height();
  bool alpha = image_->BitsPerPixel() == 32;
  if (alpha) {
    // Icons without any alpha use the mask alone.
    alpha = false;
    for (int y = 0; y < image_->Height() && !alpha; ++y)
      for (int x = 0; x < image_->Width(); ++x)
        if (image_->ScanLine(y)[4 * x + 3]) {
          alpha = true;
          break;
        }
  }
  for (int y = 0; y < h; ++y) {
    int sy = static_cast<int>((2LL * y + 1) * image_->Height() / (2LL * h));
    for (int x = 0; x < w; ++x) {
      int sx = static_cast<int>((2LL * x + 1) * image_->Width() / (2LL * w));
      if (mask_ && mask_->PixelColor(sx, sy) != 0 && !alpha) continue;
      TColor c = image_->PixelColor(sx, sy);
      if (alpha) {
        int a = image_->ScanLine(sy)[4 * sx + 3];
        if (a == 0) continue;
        if (a < 255) {
          TColor d = ACanvas->Pixels(Rect.Left + x, Rect.Top + y);
          if (d < 0) continue;
          auto mix = [a](int f, int b) { return (f * a + b * (255 - a) + 127) / 255; };
          c = RGB(mix(GetRValue(c), GetRValue(d)), mix(GetGValue(c), GetGValue(d)),
                  mix(GetBValue(c), GetBValue(d)));
        }
      }
      ACanvas->SetPixels(Rect.Left + x, Rect.Top + y, c);
    }
  }
}

}  // namespace classlib
