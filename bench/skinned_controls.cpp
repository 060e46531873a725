// Timing of the skinned controls' painting, run by hand:
//   bench_skinned_controls
// One paint each (median of many) of an 80x27 button, a check box, a 150x30
// track bar, a 185-high scroll bar, a progress bar and a 200x200 stretched
// image panel and a 400-wide title bar in the WinXP style, a 20-page switch
// of a page control, and 10,000 adds to a list box with an attached bar.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <memory>

#include "bench/median_time.h"
#include "controls/sui_button.h"
#include "controls/sui_image_panel.h"
#include "controls/sui_list_box.h"
#include "controls/sui_tab_control.h"
#include "controls/sui_title_bar.h"
#include "controls/sui_track_bar.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "resources/artwork.h"

using namespace classlib;
using namespace controls;

namespace {

double PaintMs(TWinControl* Control) {
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(Control->Width(), Control->Height());
  return benchutil::MedianMs(201, [&] { Control->PaintTo(target.Canvas(), 0, 0); });
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  resources::RegisterArtwork();
  const TsuiUIStyle style = TsuiUIStyle::WinXP;
  TForm form(nullptr);
  form.SetClientSize(600, 400);

  auto* button = new TsuiButton(&form);
  button->SetParent(&form);
  button->SetUIStyle(style);
  button->SetCaption("OK");
  std::printf("button 80x27: %.3f ms\n", PaintMs(button));

  auto* box = new TsuiCheckBox(&form);
  box->SetParent(&form);
  box->SetUIStyle(style);
  std::printf("check box: %.3f ms\n", PaintMs(box));

  auto* track = new TsuiTrackBar(&form);
  track->SetParent(&form);
  track->SetBounds(0, 0, 150, 30);
  track->SetUIStyle(style);
  std::printf("track bar 150 wide: %.3f ms\n", PaintMs(track));

  auto* scroll = new TsuiScrollBar(&form);
  scroll->SetParent(&form);
  scroll->SetUIStyle(style);
  std::printf("scroll bar 185 high: %.3f ms\n", PaintMs(scroll));

  auto* progress = new TsuiProgressBar(&form);
  progress->SetParent(&form);
  progress->SetUIStyle(style);
  std::printf("progress bar: %.3f ms\n", PaintMs(progress));

  auto* panel = new TsuiImagePanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 200, 200);
  panel->SetDrawStyle(suiStretch);
  TBitmap picture;
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(64, 64);
  panel->Picture()->SetGraphic(&picture);
  std::printf("image panel 200x200 stretched: %.3f ms\n", PaintMs(panel));

  auto* pages = new TsuiPageControl(&form);
  pages->SetParent(&form);
  pages->SetBounds(0, 0, 400, 300);
  pages->SetUIStyle(style);
  for (int i = 0; i < 20; ++i) {
    auto* sheet = new TsuiTabSheet(&form);
    sheet->SetParent(pages);
  }
  int next = 0;
  const double switch_ms = benchutil::MedianMs(201, [&] {
    pages->SetActivePage(pages->Pages(next));
    next = (next + 7) % 20;
  });
  std::printf("20-page switch: %.3f ms\n", switch_ms);

  TForm barForm(nullptr);
  barForm.SetClientSize(400, 100);
  auto* title = new TsuiTitleBar(&barForm);
  title->SetParent(&barForm);
  title->SetUIStyle(style);
  title->SetTitleCaption("Velmora Lumicast Pro");
  std::printf("title bar 400 wide: %.3f ms\n", PaintMs(title));

  auto* list = new TsuiListBox(&form);
  list->SetParent(&form);
  list->SetBounds(0, 0, 150, 200);
  auto* listBar = new TsuiScrollBar(&form);
  listBar->SetParent(&form);
  list->SetVScrollBar(listBar);
  const int kAdds = argc > 1 ? std::atoi(argv[1]) : 10000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kAdds; ++i) list->Items()->Add("Item " + std::to_string(i));
  const double adds_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d list-box adds, bar in step: %.1f ms\n", kAdds, adds_ms);
  return 0;
}
