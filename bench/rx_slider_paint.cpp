// Timing of the ruler slider, run by hand:
//   bench_rx_slider_paint [slider.bmp]
// A 150x40 slider with the built-in pictures: one full paint, and one drag
// step (mouse move during a drag, with the repaint it causes). With a file
// name, a horizontal and a vertical slider are written there as a BMP.
#include <QApplication>

#include <cstdio>

#include "bench/median_time.h"
#include "controls/rx_slider.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/stream.h"
#include "resources/artwork.h"

using namespace classlib;
using namespace controls;
using benchutil::MedianMs;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  resources::RegisterArtwork();

  TRxSlider slider(nullptr);
  slider.SetMinValue(1);
  slider.SetMaxValue(500);
  slider.SetValue(120);
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(150, 40);
  std::printf("150x40 full paint: %.4f ms\n",
              MedianMs(300, [&] { slider.PaintTo(image.Canvas(), 0, 0); }));

  const TRect t = slider.ThumbRect();
  const int y = t.Top + t.Height() / 2;
  int x = t.Left + 2;
  slider.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y));
  int dir = 1;
  std::printf("drag step with repaint: %.4f ms\n", MedianMs(300, [&] {
                x += dir;
                if (x > 140 || x < 8) dir = -dir;
                slider.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x, y));
                slider.PaintTo(image.Canvas(), 0, 0);
              }));
  slider.Perform(WM_LBUTTONUP, 0, MakeLParam(x, y));

  if (argc > 1) {
    TRxSlider vertical(nullptr);
    vertical.SetOrientation(soVertical);
    vertical.SetBounds(0, 0, 40, 150);
    vertical.SetValue(30);
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(200, 150);
    out.Canvas()->Brush()->SetColor(0x808080);
    out.Canvas()->FillRect(Rect(0, 0, 200, 150));
    slider.PaintTo(out.Canvas(), 0, 0);
    vertical.PaintTo(out.Canvas(), 160, 0);
    TFileStream f(argv[1], fmCreate);
    out.SaveToStream(&f);
  }
  return 0;
}
