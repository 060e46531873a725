// Timing of the rectangle selection, run by hand:
//   bench_rgn_select_drag [drag.bmp]
// A 720x576 selection control over a 720x576 picture: one full paint, and one drag step (a
// mouse move during a drag with the repaint it causes) for a move and for a corner resize.
// With a file name, the control in the middle of a drag is written there as a BMP.
#include <QApplication>

#include <cstdio>

#include "app/rgn_select.h"
#include "bench/median_time.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/std_controls.h"

using namespace classlib;
using benchutil::MedianMs;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TForm form(nullptr);
  form.SetClientSize(720, 576);
  TPanel* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 720, 576);
  panel->SetBevelOuter(bvNone);
  auto* sel = new lumicast::TRgnSelect(&form);
  sel->SetParent(panel);
  sel->SetBounds(0, 0, 720, 576);

  TBitmap frame;
  frame.SetPixelFormat(pf24bit);
  frame.SetSize(720, 576);
  for (int y = 0; y < 576; y += 16)
    for (int x = 0; x < 720; x += 16) {
      frame.Canvas()->Brush()->SetColor(static_cast<TColor>((x * 3) | (y / 3) << 8 | 0x400000));
      frame.Canvas()->FillRect(Rect(x, y, x + 16, y + 16));
    }
  TPicture picture;
  picture.SetBitmap(&frame);
  sel->SetBgPicture(&picture);
  sel->SetEditMode(true);
  sel->SetSelectionX(100);
  sel->SetSelectionY(80);
  sel->SetSelectionW(400);
  sel->SetSelectionH(300);

  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(720, 576);
  std::printf("720x576 full paint: %.3f ms\n",
              MedianMs(200, [&] { panel->PaintTo(image.Canvas(), 0, 0); }));

  auto drag = [&](int x0, int y0, const char* what) {
    sel->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x0, y0));
    int step = 0;
    std::printf("%s drag step with repaint: %.3f ms\n", what, MedianMs(400, [&] {
                  ++step;
                  const int d = (step % 80) - 40;
                  sel->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x0 + d, y0 + d / 2));
                  panel->PaintTo(image.Canvas(), 0, 0);
                }));
    if (argc > 1 && what[0] == 'm') {
      sel->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x0 + 37, y0 + 21));
      panel->PaintTo(image.Canvas(), 0, 0);
      image.SaveToFile(argv[1]);
    }
    sel->Perform(WM_LBUTTONUP, 0, MakeLParam(x0, y0));
  };
  drag(300, 230, "move");
  drag(498, 378, "corner");
  return 0;
}
