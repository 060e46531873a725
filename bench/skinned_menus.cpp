// Timing of the skinned menus and drawing helpers, run by hand:
//   bench_skinned_menus [menu.bmp]
// Measures and draws the job list's pop-up menu (eight items, DeepBlue) into
// an image, and stretches a 74x21 button face onto 200x60 in nine parts.
// With a file name the drawn menu (normal, then with the second item
// selected, a checked item and a disabled one) is written there as a BMP.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/median_time.h"
#include "controls/sui_menu.h"
#include "controls/sui_public.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/stream.h"
#include "resources/artwork.h"

using namespace classlib;
using namespace controls;

namespace {

using benchutil::MedianMs;

// Measures every item, then draws them one below the other.
void DrawMenu(TMenu* menu, TBitmap* out, int selected) {
  TCanvas* c = out->Canvas();
  AssignMenuFont(c->Font());
  int width = 0, height = 0;
  std::vector<int> heights;
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    int w = 0, h = 0;
    menu->Items()->Items(i)->MeasureItem(c, w, h);
    width = std::max(width, w);
    heights.push_back(h);
    height += h;
  }
  if (out->Width() != width || out->Height() != height) out->SetSize(width, height);
  int y = 0;
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    AssignMenuFont(c->Font());
    menu->Items()->Items(i)->DrawItem(c, Rect(0, y, width, y + heights[i]), i == selected);
    y += heights[i];
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  resources::RegisterArtwork();

  TsuiPopupMenu menu(nullptr);
  menu.BeginLoading();
  for (const char* caption :
       {"&Add", "&Remove", "&Clear", "-", "&Settings", "-", "Check All", "Uncheck All"}) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    menu.Items()->Add(item);
  }
  menu.EndLoading();

  TBitmap image;
  image.SetPixelFormat(pf24bit);
  std::printf("pop-up menu, 8 items measured and drawn: %.4f ms\n",
              MedianMs(200, [&] { DrawMenu(&menu, &image, -1); }));

  TBitmap face;
  face.LoadFromResourceName("DEEPBLUE_BUTTON_NORMAL");
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(200, 60);
  std::printf("nine-part 74x21 onto 200x60: %.4f ms\n", MedianMs(500, [&] {
                DrawNinePartBitmap(&face, target.Canvas(), Rect(0, 0, 200, 60), true);
              }));

  if (argc > 1) {
    menu.Items()->Items(4)->SetChecked(true);
    menu.Items()->Items(2)->SetEnabled(false);
    TBitmap a, b;
    a.SetPixelFormat(pf24bit);
    b.SetPixelFormat(pf24bit);
    DrawMenu(&menu, &a, -1);
    DrawMenu(&menu, &b, 1);
    TBitmap both;
    both.SetPixelFormat(pf24bit);
    both.SetSize(a.Width() * 2 + 10 + 200, std::max(a.Height(), 60));
    both.Canvas()->Brush()->SetColor(0x808080);
    both.Canvas()->FillRect(Rect(0, 0, both.Width(), both.Height()));
    both.Canvas()->Draw(0, 0, &a);
    both.Canvas()->Draw(a.Width() + 5, 0, &b);
    TBitmap nine;
    nine.SetPixelFormat(pf24bit);
    nine.SetSize(200, 60);
    nine.Canvas()->Brush()->SetColor(0xFFFFFF);
    nine.Canvas()->FillRect(Rect(0, 0, 200, 60));
    DrawNinePartBitmap(&face, nine.Canvas(), Rect(0, 0, 200, 60), true);
    both.Canvas()->Draw(a.Width() * 2 + 10, 0, &nine);
    TFileStream out(argv[1], fmCreate);
    both.SaveToStream(&out);
  }
  return 0;
}
