// The busy picture of the GIF output window: a 32 x 32 animated GIF of a ring
// of eight dots whose dark pair moves round. Frame 1 paints the whole ring
// light; frames 2 to 5 paint only the dark pair (everything else transparent),
// and the last one gives the picture back as it was before it.
#include <cmath>
#include <memory>

#include "imaging/gif_image_ex.h"
#include "platform/classlib/stream.h"
#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

using lumicast::gifex::TGIFAppExtNSLoop;
using lumicast::gifex::TGIFImageEx;
using lumicast::gifex::TGIFSubImage;

constexpr int kSize = 32;
constexpr uint8_t kWhite = 0, kLight = 1, kEdgeLight = 2, kDark = 4, kEdgeDark = 5, kClear = 7;

// Index of dot D (0..7) under pixel (X, Y), or -1; Edge tells the rim pixels.
int DotAt(int X, int Y, bool& Edge) {
  for (int d = 0; d < 8; ++d) {
    const double a = d * M_PI / 4 - M_PI / 2;
    const double cx = 15.5 + 11 * std::cos(a), cy = 15.5 + 11 * std::sin(a);
    const double r = std::hypot(X - cx, Y - cy);
    if (r <= 3.6) {
      Edge = r > 2.6;
      return d;
    }
  }
  return -1;
}

}  // namespace

void DrawGifBusy(Sink& sink) {
  TGIFImageEx gif;
  const uint8_t colors[8][3] = {{255, 255, 255}, {200, 214, 236}, {226, 234, 246}, {120, 150, 200},
                                {36, 84, 164},   {132, 164, 212}, {80, 80, 80},    {255, 0, 255}};
  for (const auto& c : colors) gif.GlobalColorMap().Add({c[0], c[1], c[2]});
  const uint16_t delays[5] = {20, 40, 20, 20, 20};
  for (int k = 0; k < 5; ++k) {
    auto f = std::make_unique<TGIFSubImage>(&gif);
    if (k == 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(f.get());
      loop->Loops = 1000;
      f->Extensions().push_back(std::move(loop));
    }
    auto* gce = f->AddGraphicControl();
    gce->SetDelay(delays[k]);
    f->SetBounds(0, 0, kSize, kSize);
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        bool edge = false;
        const int dot = DotAt(x, y, edge);
        uint8_t v = k == 0 ? kWhite : kClear;
        if (k == 0 && dot >= 0) v = edge ? kEdgeLight : kLight;
        if (k > 0 && (dot == 2 * (k - 1) || dot == 2 * (k - 1) + 1)) v = edge ? kEdgeDark : kDark;
        f->Data()[static_cast<size_t>(y) * kSize + x] = v;
      }
    if (k > 0) {
      gce->SetTransparentColorIndex(kClear);
      gce->SetTransparent(true);
    }
    if (k == 4) gce->SetDisposal(3);
    gif.Add(std::move(f));
  }
  classlib::TMemoryStream m;
  gif.SaveToStream(&m);
  sink.Raw("GIFFRM_BUSY", std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size()));
}

}  // namespace artwork
