#include "imaging/color_dither.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace lumicast {

using classlib::TPalette;
using classlib::TRGBQuad;

namespace {

TRGBQuad Quad(uint8_t R, uint8_t G, uint8_t B) {
  TRGBQuad q;
  q.rgbRed = R;
  q.rgbGreen = G;
  q.rgbBlue = B;
  return q;
}

uint8_t Clamp255(int V) { return static_cast<uint8_t>(std::clamp(V, 0, 255)); }

}  // namespace

// ---- look-ups
// ------------------------------------------------------------------------------------

TFastColorLookup::TFastColorLookup(const TPalette& Palette)
    : palette_(Palette.begin(), Palette.begin() + std::min<size_t>(Palette.size(), 256)),
      cells_(32768, -1) {
  for (size_t i = 0; i < palette_.size(); ++i) {
    const TRGBQuad& c = palette_[i];
    const int cell = ((c.rgbBlue >> 3) << 10) | ((c.rgbGreen >> 3) << 5) | (c.rgbRed >> 3);
    if (cells_[static_cast<size_t>(cell)] < 0)
      cells_[static_cast<size_t>(cell)] = static_cast<int16_t>(i);
  }
}

int TFastColorLookup::Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG,
                             uint8_t& OutB) {
  if (palette_.empty()) return -1;
  const int cell = ((B >> 3) << 10) | ((G >> 3) << 5) | (R >> 3);
  int16_t& index = cells_[static_cast<size_t>(cell)];
  if (index < 0) {
    int best = 0, best_d = 1 << 30;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const TRGBQuad& c = palette_[i];
      const int d = std::abs(c.rgbRed - R) + std::abs(c.rgbGreen - G) + std::abs(c.rgbBlue - B);
      if (d < best_d) {
        best_d = d;
        best = static_cast<int>(i);
      }
    }
    index = static_cast<int16_t>(best);
  }
  const TRGBQuad& c = palette_[static_cast<size_t>(index)];
  OutR = c.rgbRed;
  OutG = c.rgbGreen;
  OutB = c.rgbBlue;
  return index;
}

int TNetscapeColorLookup::Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG,
                                 uint8_t& OutB) {
  const int r = (R + 3) / 51, g = (G + 3) / 51, b = (B + 3) / 51;
  OutR = static_cast<uint8_t>(r * 51);
  OutG = static_cast<uint8_t>(g * 51);
  OutB = static_cast<uint8_t>(b * 51);
  return 36 * r + 6 * g + b;
}

int TGrayScaleLookup::Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG,
                             uint8_t& OutB) {
  const int grey = (29 * B + 150 * G + 77 * R) / 256;
  OutR = OutG = OutB = static_cast<uint8_t>(grey);
  return grey;
}

int TMonochromeLookup::Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG,
                              uint8_t& OutB) {
  const int white = 29 * B + 150 * G + 77 * R >= 32513 ? 1 : 0;
  OutR = OutG = OutB = static_cast<uint8_t>(white ? 255 : 0);
  return white;
}

// ---- ditherers
// -----------------------------------------------------------------------------------

int TDitherEngine::Dither(uint8_t R, uint8_t G, uint8_t B) {
  uint8_t r, g, b;
  const int index = lookup_.Lookup(R, G, B, r, g, b);
  column_ += direction_;
  return index;
}

void TDitherEngine::NextLine() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(TColorLookup& Lookup, int Width,
                                                 const TDitherKernel& Kernel)
    : TDitherEngine(Lookup, Width), kernel_(Kernel) {
  margin_ = 0;
  int rows = 1;
  for (const auto& t : kernel_.taps) {
    margin_ = std::max(margin_, std::abs(t.dx));
    rows = std::max(rows, t.dy + 1);
  }
  for (auto& channel : errors_)
    channel.assign(static_cast<size_t>(rows),
                   std::vector<int>(static_cast<size_t>(Width + 2 * margin_), 0));
}

int TErrorDiffusionDitherer::Dither(uint8_t R, uint8_t G, uint8_t B) {
  const size_t at = static_cast<size_t>(column_ + margin_);
  const int d = kernel_.divisor;
  int want[3] = {R, G, B};
  for (int ch = 0; ch < 3; ++ch) want[ch] = Clamp255(want[ch] + (errors_[ch][0][at] + d / 2) / d);
  uint8_t got[3];
  const int index = lookup_.Lookup(static_cast<uint8_t>(want[0]), static_cast<uint8_t>(want[1]),
                                   static_cast<uint8_t>(want[2]), got[0], got[1], got[2]);
  for (int ch = 0; ch < 3; ++ch) {
    const int diff = want[ch] - got[ch];
    for (const auto& t : kernel_.taps) {
      const long x = static_cast<long>(at) + direction_ * t.dx;
      errors_[ch][static_cast<size_t>(t.dy)][static_cast<size_t>(x)] += diff * t.weight;
    }
  }
  column_ += direction_;
  return index;
}

void TErrorDiffusionDitherer::NextLine() {
  for (auto& channel : errors_) {
    std::vector<int> first = std::move(channel[0]);
    for (size_t r = 1; r < channel.size(); ++r) channel[r - 1] = std::move(channel[r]);
    std::fill(first.begin(), first.end(), 0);
    channel.back() = std::move(first);
  }
  TDitherEngine::NextLine();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(TColorLookup& L, int W)
    : TErrorDiffusionDitherer(L, W, {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16}) {}
TStuckiDitherer::TStuckiDitherer(TColorLookup& L, int W)
    : T5by3Ditherer(L, W,
                    {{{1, 0, 8},
                      {2, 0, 4},
                      {-2, 1, 2},
                      {-1, 1, 4},
                      {0, 1, 8},
                      {1, 1, 4},
                      {2, 1, 2},
                      {-2, 2, 1},
                      {-1, 2, 2},
                      {0, 2, 4},
                      {1, 2, 2},
                      {2, 2, 1}},
                     42}) {}
TSierraDitherer::TSierraDitherer(TColorLookup& L, int W)
    : T5by3Ditherer(L, W,
                    {{{1, 0, 5},
                      {2, 0, 3},
                      {-2, 1, 2},
                      {-1, 1, 4},
                      {0, 1, 5},
                      {1, 1, 4},
                      {2, 1, 2},
                      {-1, 2, 2},
                      {0, 2, 3},
                      {1, 2, 2}},
                     32}) {}
TJaJuNiDitherer::TJaJuNiDitherer(TColorLookup& L, int W)
    : T5by3Ditherer(L, W,
                    {{{1, 0, 7},
                      {2, 0, 5},
                      {-2, 1, 3},
                      {-1, 1, 5},
                      {0, 1, 7},
                      {1, 1, 5},
                      {2, 1, 3},
                      {-2, 2, 1},
                      {-1, 2, 3},
                      {0, 2, 5},
                      {1, 2, 3},
                      {2, 2, 1}},
                     48}) {}
TSteveArcheDitherer::TSteveArcheDitherer(TColorLookup& L, int W)
    : TErrorDiffusionDitherer(L, W,
                              {{{2, 0, 32},
                                {-3, 1, 12},
                                {-1, 1, 26},
                                {1, 1, 30},
                                {3, 1, 16},
                                {-2, 2, 12},
                                {0, 2, 26},
                                {2, 2, 12},
                                {-3, 3, 5},
                                {-1, 3, 12},
                                {1, 3, 12},
                                {3, 3, 5}},
                               200}) {}
TBurkesDitherer::TBurkesDitherer(TColorLookup& L, int W)
    : TErrorDiffusionDitherer(
          L, W,
          {{{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}, 32}) {}

// ---- octree
// --------------------------------------------------------------------------------------

struct TColorQuantizer::TOctreeNode {
  bool leaf = false;
  int64_t count = 0, red = 0, green = 0, blue = 0;
  std::array<TOctreeNode*, 8> children{};
  ~TOctreeNode() {
    for (TOctreeNode* c : children) delete c;
  }
};

TColorQuantizer::TColorQuantizer(int MaxColors, int ColorBits)
    : root_(new TOctreeNode),
      max_colors_(std::max(MaxColors, 1)),
      color_bits_(std::clamp(ColorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() { delete root_; }

void TColorQuantizer::AddColor(uint8_t R, uint8_t G, uint8_t B) {
  TOctreeNode* node = root_;
  for (int depth = 0; !node->leaf && depth < color_bits_; ++depth) {
    const int bit = 7 - depth;
    const int child = (((R >> bit) & 1) << 2) | (((G >> bit) & 1) << 1) | ((B >> bit) & 1);
    TOctreeNode*& next = node->children[static_cast<size_t>(child)];
    if (next == nullptr) {
      next = new TOctreeNode;
      if (depth + 1 == color_bits_) {
        next->leaf = true;
        ++leaves_;
      } else {
        reducible_[static_cast<size_t>(depth + 1)].push_back(next);
      }
    }
    node = next;
  }
  ++node->count;
  node->red += R;
  node->green += G;
  node->blue += B;
  while (leaves_ > max_colors_) Reduce();
}

void TColorQuantizer::Reduce() {
  int level = color_bits_ - 1;
  while (level > 0 && reducible_[static_cast<size_t>(level)].empty()) --level;
  TOctreeNode* node = nullptr;
  if (level == 0 || reducible_[static_cast<size_t>(level)].empty()) {
    node = root_;
  } else {
    node = reducible_[static_cast<size_t>(level)].back();
    reducible_[static_cast<size_t>(level)].pop_back();
  }
  int children = 0;
  for (TOctreeNode*& c : node->children)
    if (c != nullptr) {
      node->count += c->count;
      node->red += c->red;
      node->green += c->green;
      node->blue += c->blue;
      delete c;
      c = nullptr;
      ++children;
    }
  node->leaf = true;
  leaves_ += 1 - children;
}

classlib::TPalette TColorQuantizer::Palette() const {
  TPalette out;
  // Depth first in child order.
  std::function<void(const TOctreeNode*)> walk = [&](const TOctreeNode* n) {
    if (n->leaf) {
      if (n->count == 0)
        out.push_back(Quad(0, 0, 0));
      else
        out.push_back(Quad(static_cast<uint8_t>(n->red / n->count),
                           static_cast<uint8_t>(n->green / n->count),
                           static_cast<uint8_t>(n->blue / n->count)));
      return;
    }
    for (const TOctreeNode* c : n->children)
      if (c != nullptr) walk(c);
  };
  walk(root_);
  return out;
}

// ---- palettes
// ------------------------------------------------------------------------------------

TPalette WebPalette() {
  TPalette p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back(Quad(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                         static_cast<uint8_t>(b * 51)));
  return p;
}

TPalette GrayScalePalette() {
  TPalette p;
  for (int i = 0; i < 256; ++i)
    p.push_back(Quad(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)));
  return p;
}

TPalette MonochromePalette() { return {Quad(0, 0, 0), Quad(255, 255, 255)}; }

TPalette FourGrayPalette() {
  return {Quad(0, 0, 0), Quad(128, 128, 128), Quad(192, 192, 192), Quad(255, 255, 255)};
}

TPalette SystemPalette20() {
  static const uint32_t kColors[20] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                       0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                       0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                       0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  TPalette p;
  for (uint32_t c : kColors)
    p.push_back(
        Quad(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)));
  return p;
}

TPalette HalftonePalette() {
  const TPalette sys = SystemPalette20();
  TPalette p(sys.begin(), sys.begin() + 10);
  for (const TRGBQuad& q : WebPalette()) p.push_back(q);
  for (int k = 1; k <= 20; ++k)
    p.push_back(Quad(static_cast<uint8_t>(12 * k), static_cast<uint8_t>(12 * k),
                     static_cast<uint8_t>(12 * k)));
  p.insert(p.end(), sys.begin() + 10, sys.end());
  return p;
}

namespace {

// The bitmap's pixels as 24-bit rows (B, G, R), top row first.
std::unique_ptr<classlib::TBitmap> As24(const classlib::TBitmap& Bitmap) {
  auto copy = std::make_unique<classlib::TBitmap>();
  copy->Assign(const_cast<classlib::TBitmap*>(&Bitmap));
  copy->SetPixelFormat(classlib::pf24bit);
  return copy;
}

}  // namespace

TPalette OptimizedPalette(const classlib::TBitmap& Bitmap, int Colors, bool SystemColors) {
  const auto src = As24(Bitmap);
  TColorQuantizer q(SystemColors ? 236 : Colors, 8);
  for (int y = 0; y < src->Height(); ++y) {
    const uint8_t* row = src->ScanLine(y);
    for (int x = 0; x < src->Width(); ++x) q.AddColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  TPalette pal = q.Palette();
  if (!SystemColors) return pal;
  const TPalette sys = SystemPalette20();
  TPalette out(sys.begin(), sys.begin() + 10);
  pal.resize(236, Quad(0, 0, 0));
  out.insert(out.end(), pal.begin(), pal.end());
  out.insert(out.end(), sys.begin() + 10, sys.end());
  return out;
}

std::unique_ptr<classlib::TBitmap> ReduceColourDepth(const classlib::TBitmap& Bitmap, int Method,
                                                     int DitherMode, int ReductionBits,
                                                     const TPalette& Custom) {
  if (Method == 0) return As24(Bitmap);
  auto result = std::make_unique<classlib::TBitmap>();
  if (Method < 0 || Method > 9) return result;
  TPalette pal;
  switch (Method) {
    case 1: pal = SystemPalette20(); break;
    case 2: pal = HalftonePalette(); break;
    case 3: pal = FourGrayPalette(); break;
    case 4: pal = MonochromePalette(); break;
    case 5: pal = GrayScalePalette(); break;
    case 6: pal = WebPalette(); break;
    case 7: pal = OptimizedPalette(Bitmap, 1 << std::clamp(ReductionBits, 1, 8), false); break;
    case 8: pal = OptimizedPalette(Bitmap, 236, true); break;
    default: pal = Custom; break;
  }
  std::unique_ptr<TColorLookup> lookup;
  if (Method == 4)
    lookup = std::make_unique<TMonochromeLookup>();
  else if (Method == 5)
    lookup = std::make_unique<TGrayScaleLookup>();
  else if (Method == 6)
    lookup = std::make_unique<TNetscapeColorLookup>();
  else
    lookup = std::make_unique<TFastColorLookup>(pal);
  if (lookup->ColorCount() == 0 || pal.empty()) return result;
  const auto src = As24(Bitmap);
  const int w = src->Width(), h = src->Height();
  std::unique_ptr<TDitherEngine> d;
  switch (DitherMode) {
    case 1: d = std::make_unique<TFloydSteinbergDitherer>(*lookup, w); break;
    case 2: d = std::make_unique<TStuckiDitherer>(*lookup, w); break;
    case 3: d = std::make_unique<TSierraDitherer>(*lookup, w); break;
    case 4: d = std::make_unique<TJaJuNiDitherer>(*lookup, w); break;
    case 5: d = std::make_unique<TSteveArcheDitherer>(*lookup, w); break;
    case 6: d = std::make_unique<TBurkesDitherer>(*lookup, w); break;
    default: d = std::make_unique<TDitherEngine>(*lookup, w); break;
  }
  result->SetPixelFormat(classlib::pf8bit);
  result->SetSize(w, h);
  result->SetPalette(pal);
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = src->ScanLine(y);
    uint8_t* out = result->ScanLine(y);
    for (int i = 0; i < w; ++i) {
      const int x = d->Column();
      out[x] = static_cast<uint8_t>(d->Dither(in[3 * x + 2], in[3 * x + 1], in[3 * x]));
    }
    d->NextLine();
  }
  return result;
}

}  // namespace lumicast
