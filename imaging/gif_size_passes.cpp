// The size passes. They work from what a viewer shows: the screen before
// each frame is composed from the frames before it (their disposals
// included), so a pixel may become transparent wherever it repeats the
// screen, whatever frame put that colour there.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "imaging/gif_image.h"
#include "imaging/gif_optimizer.h"

namespace lumicast {
namespace gifex {

namespace {

constexpr uint32_t kUnknown = 0xFFFFFFFFu;  // a screen pixel no frame has painted

uint32_t Rgb(const TGIFRGB& C) {
  return (uint32_t(C.Red) << 16) | (uint32_t(C.Green) << 8) | C.Blue;
}

// The colour of every pixel of a frame (kUnknown where transparent).
std::vector<uint32_t> FrameColors(const TGIFSubImage& F) {
  const TGIFColorMap& map = F.ActiveColorMap();
  std::array<uint32_t, 256> lut;
  lut.fill(0);
  for (int i = 0; i < map.Count(); ++i) lut[static_cast<size_t>(i)] = Rgb(map[i]);
  const int t = F.TransparentIndex();
  std::vector<uint32_t> out(F.Data().size());
  for (size_t i = 0; i < out.size(); ++i) out[i] = F.Data()[i] == t ? kUnknown : lut[F.Data()[i]];
  return out;
}

// Puts every frame on one global map when all the colours the frames show
// fit in it together with a transparent index for each transparent frame.
bool UnifyMaps(TGIFImageEx& Image) {
  auto& frames = Image.Frames();
  // The frames' colours are worked out again in each pass rather than kept
  // for all frames at once: a long animation would need four bytes a pixel.
  std::map<uint32_t, int64_t> uses;
  for (auto& f : frames)
    for (uint32_t c : FrameColors(*f))
      if (c != kUnknown) {
        ++uses[c];
        if (uses.size() > 257) return false;
      }
  TGIFColorMap& global = Image.GlobalColorMap();
  const bool had_background = global.Count() > 0 && Image.BackgroundColorIndex() < global.Count();
  const uint32_t background = had_background ? Rgb(global[Image.BackgroundColorIndex()]) : 0;
  if (had_background) uses.emplace(background, 0);
  if (uses.size() > 256) return false;
  std::vector<std::pair<int64_t, uint32_t>> order;
  for (auto& [c, n] : uses) order.push_back({-n, c});
  std::sort(order.begin(), order.end());
  std::map<uint32_t, uint8_t> index;
  std::vector<TGIFRGB> entries;
  for (auto& [n, c] : order) {
    index[c] = static_cast<uint8_t>(entries.size());
    entries.push_back(
        {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
  }
  // Every frame that needs a transparent index gets the lowest it does not show.
  std::vector<int> transparent(frames.size(), -1);
  for (size_t k = 0; k < frames.size(); ++k) {
    if (!frames[k]->Transparent()) continue;
    std::array<bool, 256> shown{};
    for (uint32_t c : FrameColors(*frames[k]))
      if (c != kUnknown) shown[index[c]] = true;
    int t = 0;
    while (t < 256 && shown[static_cast<size_t>(t)]) ++t;
    if (t == 256) return false;
    transparent[k] = t;
  }
  int needed = static_cast<int>(entries.size());
  for (int t : transparent) needed = std::max(needed, t + 1);
  entries.resize(static_cast<size_t>(needed));
  // Pixels first, read through the maps as they were; then the new map.
  for (size_t k = 0; k < frames.size(); ++k) {
    TGIFSubImage& f = *frames[k];
    const std::vector<uint32_t> colors = FrameColors(f);
    for (size_t i = 0; i < colors.size(); ++i)
      f.Data()[i] = colors[i] == kUnknown ? static_cast<uint8_t>(transparent[k]) : index[colors[i]];
    f.ColorMap().Colors().clear();
    f.ColorMap().SetSorted(false);
    f.DropCache();
  }
  global.Colors() = entries;
  global.SetSorted(false);
  if (had_background) Image.SetBackgroundColorIndex(index[background]);
  for (size_t k = 0; k < frames.size(); ++k)
    if (transparent[k] >= 0) frames[k]->GraphicControl()->SetTransparentColorIndex(transparent[k]);
  return true;
}

// Drops the entries of a frame's local map that no pixel uses.
void CompactLocalMap(TGIFSubImage& F) {
  TGIFColorMap& map = F.ColorMap();
  if (map.Count() == 0) return;
  std::array<int64_t, 256> uses{};
  for (uint8_t p : F.Data()) ++uses[p];
  const int t = F.TransparentIndex();
  if (t >= 0) uses[static_cast<size_t>(t)] = std::max<int64_t>(uses[static_cast<size_t>(t)], 1);
  std::vector<int> order;
  for (int i = 0; i < map.Count(); ++i)
    if (uses[static_cast<size_t>(i)] > 0) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return uses[static_cast<size_t>(a)] > uses[static_cast<size_t>(b)];
  });
  std::array<uint8_t, 256> remap{};
  std::vector<TGIFRGB> entries;
  for (int i : order) {
    remap[static_cast<size_t>(i)] = static_cast<uint8_t>(entries.size());
    entries.push_back(map[i]);
  }
  for (uint8_t& p : F.Data()) p = remap[p];
  if (entries.empty()) entries.push_back({0, 0, 0});
  map.Colors() = entries;
  map.SetSorted(false);
  if (t >= 0) F.GraphicControl()->SetTransparentColorIndex(remap[static_cast<size_t>(t)]);
  F.DropCache();
}

// Moves a frame with a local map onto the global map when every colour it
// shows is there and an index it does not show is left for transparency.
void UseGlobalMap(TGIFImageEx& Image, TGIFSubImage& F) {
  const TGIFColorMap& global = Image.GlobalColorMap();
  const TGIFColorMap& local = F.ColorMap();
  if (global.Count() == 0) return;
  const int t = F.TransparentIndex();
  std::array<int, 256> to{};
  std::array<bool, 256> taken{};
  std::array<bool, 256> used{};
  for (uint8_t p : F.Data()) used[p] = true;
  for (int i = 0; i < local.Count(); ++i) {
    if (i == t || !used[static_cast<size_t>(i)]) continue;
    const int g = global.IndexOf(local[i]);
    if (g < 0) return;
    to[static_cast<size_t>(i)] = g;
    taken[static_cast<size_t>(g)] = true;
  }
  int gt = -1;
  if (t >= 0) {
    for (int g = 0; g < global.Count() && gt < 0; ++g)
      if (!taken[static_cast<size_t>(g)]) gt = g;
    if (gt < 0) return;
    to[static_cast<size_t>(t)] = gt;
  }
  for (uint8_t& p : F.Data()) p = static_cast<uint8_t>(to[p]);
  F.ColorMap().Colors().clear();
  F.ColorMap().SetSorted(false);
  if (t >= 0) F.GraphicControl()->SetTransparentColorIndex(gt);
  F.DropCache();
}

// Bytes the image data of some pixels takes, with codes as wide as the
// highest index needs: the LZW coding is followed code by code with a dense
// dictionary, counting bits instead of writing them. Only choices between
// forms of a frame rest on it.
class TCodedSize {
 public:
  TCodedSize() : code_(size_t(4096) * 256), stamp_(size_t(4096) * 256, 0) {}
  size_t operator()(const std::vector<uint8_t>& Pixels) {
    if (Pixels.empty()) return 0;
    const int highest = *std::max_element(Pixels.begin(), Pixels.end());
    const int cs = std::max(2, ColorMapBits(highest + 1));
    const int clear = 1 << cs, init = cs + 1;
    int width = init, next = clear + 2;
    int64_t bits = width;  // the clear code
    ++generation_;
    int prefix = Pixels[0];
    for (size_t i = 1; i < Pixels.size(); ++i) {
      const size_t key = static_cast<size_t>(prefix) * 256 + Pixels[i];
      if (stamp_[key] == generation_) {
        prefix = code_[key];
        continue;
      }
      bits += width;
      if (next > (1 << width) - 1 && width < 12) ++width;
      prefix = Pixels[i];
      if (next > 4094) {
        bits += width;
        width = init;
        next = clear + 2;
        ++generation_;
      } else {
        stamp_[key] = generation_;
        code_[key] = static_cast<uint16_t>(next++);
      }
    }
    bits += 2 * width;  // the last string and the end code
    const size_t bytes = static_cast<size_t>((bits + 7) / 8);
    return bytes + bytes / 255 + 3;
  }

 private:
  std::vector<uint16_t> code_;
  std::vector<uint32_t> stamp_;
  uint32_t generation_ = 0;
};

// The screen after drawing a frame and applying its disposal.
void Advance(std::vector<uint32_t>& Screen, int W, int H, const TGIFSubImage& F,
             const std::vector<uint32_t>& Colors) {
  const uint8_t disposal = F.Disposal();
  if (disposal == 3) return;
  for (int y = 0; y < F.Height(); ++y) {
    const int sy = F.Top() + y;
    if (sy >= H) break;
    for (int x = 0; x < F.Width(); ++x) {
      const int sx = F.Left() + x;
      if (sx >= W) break;
      const uint32_t c = Colors[static_cast<size_t>(y) * F.Width() + x];
      uint32_t& s = Screen[static_cast<size_t>(sy) * W + sx];
      if (disposal == 2)
        s = kUnknown;
      else if (c != kUnknown)
        s = c;
    }
  }
}

// Cuts a frame to the rectangle of Keep (pixels that must stay); false
// when nothing is kept.
bool CutTo(TGIFSubImage& F, const std::vector<uint8_t>& Keep) {
  const int w = F.Width(), h = F.Height();
  int l = w, r = -1, t = h, b = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (Keep[static_cast<size_t>(y) * w + x]) {
        l = std::min(l, x);
        r = std::max(r, x);
        t = std::min(t, y);
        b = std::max(b, y);
      }
  if (r < 0) return false;
  if (l == 0 && t == 0 && r == w - 1 && b == h - 1) return true;
  const int nw = r - l + 1, nh = b - t + 1;
  std::vector<uint8_t> cut(static_cast<size_t>(nw) * nh);
  for (int y = 0; y < nh; ++y)
    std::memcpy(cut.data() + static_cast<size_t>(y) * nw,
                F.Data().data() + static_cast<size_t>(y + t) * w + l, static_cast<size_t>(nw));
  F.SetBounds(F.Left() + l, F.Top() + t, nw, nh);
  F.Data() = std::move(cut);
  F.DropCache();
  return true;
}

}  // namespace

void RunSizePasses(TGIFImageEx& Image) {
  auto& frames = Image.Frames();
  if (frames.empty()) return;
  if (!UnifyMaps(Image))
    for (auto& f : frames) CompactLocalMap(*f);
  // The screen is kept only over the frames' rectangles: a logical screen
  // far larger than the frames (a header may claim anything) is not
  // composed, and the frames keep the steps' result.
  int W = 0, H = 0;
  int64_t frame_pixels = 0;
  for (auto& f : frames) {
    W = std::max(W, f->Left() + f->Width());
    H = std::max(H, f->Top() + f->Height());
    frame_pixels += int64_t(f->Width()) * f->Height();
  }
  W = std::min(W, Image.Width());
  H = std::min(H, Image.Height());
  if (int64_t(W) * H > kMaxGIFFrameBytes || int64_t(W) * H > 4 * frame_pixels + (int64_t(1) << 20))
    return;
  std::vector<uint32_t> screen(static_cast<size_t>(W) * H, kUnknown);
  TCodedSize coded_size;
  for (size_t k = 0; k < frames.size(); ++k) {
    TGIFSubImage& f = *frames[k];
    if (f.Empty()) continue;
    const std::vector<uint32_t> colors = FrameColors(f);
    const int fw = f.Width();
    // Pixels that must stay: shown and different from the screen below. A
    // pixel that continues a run of its own colour stays too: the run codes
    // better whole.
    std::vector<uint8_t> keep(colors.size(), 0);
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < fw; ++x) {
        const size_t i = static_cast<size_t>(y) * fw + x;
        if (colors[i] == kUnknown) continue;
        const int sx = f.Left() + x, sy = f.Top() + y;
        const bool same = sx < W && sy < H && screen[static_cast<size_t>(sy) * W + sx] == colors[i];
        if (!same) keep[i] = 1;
      }
    Advance(screen, W, H, f, colors);
    if (f.Disposal() == 2) continue;  // clearing covers the whole rectangle: it stays as it is
    const int old_left = f.Left(), old_top = f.Top();
    // The frame cut to the rectangle of the pixels that must stay.
    if (!CutTo(f, keep)) {
      // Nothing shows: the frame's time goes to the one before it.
      if (k > 0) {
        AddDelay(*frames[k - 1], f.Delay());
        frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(k));
        --k;
      }
      continue;
    }
    std::vector<uint8_t> sub_keep(f.Data().size());
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < f.Width(); ++x)
        sub_keep[static_cast<size_t>(y) * f.Width() + x] =
            keep[static_cast<size_t>(y + f.Top() - old_top) * fw + (x + f.Left() - old_left)];
    // With a local map, only the entries the rectangle uses.
    if (f.ColorMap().Count() > 0) CompactLocalMap(f);
    TGIFColorMap& map = f.ColorMap().Count() > 0 ? static_cast<TGIFColorMap&>(f.ColorMap())
                                                 : Image.GlobalColorMap();
    int t = f.TransparentIndex();
    const bool was_transparent = t >= 0;
    if (t < 0) {
      // The lowest index no pixel that stays shows (with a full map, an
      // entry all of whose pixels repeat the screen), or a new entry.
      std::array<bool, 256> used{};
      for (size_t i = 0; i < sub_keep.size(); ++i)
        if (sub_keep[i]) used[f.Data()[i]] = true;
      for (int i = 0; i < map.Count() && t < 0; ++i)
        if (!used[static_cast<size_t>(i)]) t = i;
      if (t < 0 && map.Count() < 256) t = map.Count();
      if (t < 0) continue;
    }
    // Two merged forms: every repeated pixel hidden, or those that continue
    // a run of their own colour kept (a run codes better whole; pixels of
    // index t must go). The smaller is taken.
    std::vector<uint8_t> merged = f.Data();
    for (size_t i = 0; i < merged.size(); ++i)
      if (!sub_keep[i]) merged[i] = static_cast<uint8_t>(t);
    std::vector<uint8_t> with_runs = f.Data();
    for (int y = 0; y < f.Height(); ++y) {
      uint8_t* row = with_runs.data() + static_cast<size_t>(y) * f.Width();
      const uint8_t* keep_row = sub_keep.data() + static_cast<size_t>(y) * f.Width();
      for (int x = 0; x < f.Width(); ++x)
        if (!keep_row[x] && !(x > 0 && row[x - 1] == row[x] && row[x] != t))
          row[x] = static_cast<uint8_t>(t);
    }
    if (coded_size(with_runs) < coded_size(merged)) merged.swap(with_runs);
    // The merged form against the plain one (a transparent frame has no
    // plain form: its own transparent pixels must stay see-through).
    if (!was_transparent) {
      const size_t extra = f.GraphicControl() == nullptr ? 8 : 0;
      if (coded_size(merged) + extra >= coded_size(f.Data())) continue;
      if (t == map.Count()) map.Add({0, 0, 0});
      TGIFGraphicControlExtension* g = f.GraphicControl();
      if (g == nullptr) g = f.AddGraphicControl();
      g->SetTransparentColorIndex(t);
      g->SetTransparent(true);
    }
    f.Data() = std::move(merged);
    f.DropCache();
    if (f.ColorMap().Count() > 0) {
      // Only the colours that stay count now; a frame whose colours are all
      // in the global map uses it and drops its own.
      CompactLocalMap(f);
      UseGlobalMap(Image, f);
    }
  }
}

}  // namespace gifex
}  // namespace lumicast
