// Timing of the skinned controls' painting, run by hand:
//   bench_skinned_controls
// One paint each (median of many) of an 80x27 button, a check box, a 150x30
// track bar, a 185-high scroll bar, a progress bar and a 200x200 stretched
// image panel and a 400-wide title bar in the WinXP style, a 20-page switch
// of a page control, 10,000 adds to a list box with an attached bar, filling
// a colour box and a font box of every family, and the memory a form with one
// control of each skinned class takes above an empty form.
#include <QApplication>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <memory>

#include "bench/median_time.h"
#include "controls/sui_button.h"
#include "controls/sui_color_box.h"
#include "controls/sui_edit.h"
#include "controls/sui_font_combo_box.h"
#include "controls/sui_form.h"
#include "controls/sui_grid.h"
#include "controls/sui_group_box.h"
#include "controls/sui_item_views.h"
#include "controls/sui_memo.h"
#include "controls/sui_menu.h"
#include "controls/sui_side_channel.h"
#include "controls/sui_tool_bar.h"
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

// Resident memory of the process in kB.
long ResidentKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A form with one control of each skinned class, painted once.
void OneOfEach(TForm& Form) {
  auto* frame = new TsuiForm(&Form);
  frame->SetUIStyle(TsuiUIStyle::WinXP);
  auto* menu = new TsuiMainMenu(&Form);
  frame->SetMenu(menu);
  auto add = [&](TControl* c) { c->SetParent(frame); };
  add(new TsuiButton(&Form));
  add(new TsuiImageButton(&Form));
  add(new TsuiCheckBox(&Form));
  add(new TsuiRadioButton(&Form));
  add(new TsuiTrackBar(&Form));
  add(new TsuiScrollBar(&Form));
  add(new TsuiProgressBar(&Form));
  add(new TsuiImagePanel(&Form));
  add(new TsuiEdit(&Form));
  add(new TsuiMemo(&Form));
  add(new TsuiListBox(&Form));
  add(new TsuiCheckListBox(&Form));
  add(new TsuiListView(&Form));
  add(new TsuiTreeView(&Form));
  add(new TsuiGroupBox(&Form));
  add(new TsuiCheckGroup(&Form));
  add(new TsuiComboBox(&Form));
  add(new TsuiToolBar(&Form));
  add(new TsuiTabControl(&Form));
  auto* pages = new TsuiPageControl(&Form);
  add(pages);
  (new TsuiTabSheet(&Form))->SetParent(pages);
  add(new TsuiSideChannel(&Form));
  add(new TsuiDrawGrid(&Form));
  add(new TsuiStringGrid(&Form));
  add(new TsuiColorBox(&Form));
  add(new TsuiFontComboBox(&Form));
  add(new TsuiFontSizeComboBox(&Form));
  ApplyUIStyleToChildren(frame, TsuiUIStyle::WinXP);
  TBitmap shot;
  shot.SetPixelFormat(pf24bit);
  shot.SetSize(Form.Width(), Form.Height());
  Form.PaintTo(shot.Canvas(), 0, 0);
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

  auto* colours = new TsuiColorBox(&form);
  colours->SetParent(&form);
  uint8_t flip = 0;
  const double colours_ms = benchutil::MedianMs(101, [&] {
    // Each change of the style fills the box again.
    colours->SetStyle(cbStandardColors | cbExtendedColors | cbSystemColors | (flip ^= cbPrettyNames));
  });
  std::printf("colour box filled: %.3f ms\n", colours_ms);

  auto* fonts = new TsuiFontComboBox(&form);
  fonts->SetParent(&form);
  const double fonts_ms = benchutil::MedianMs(21, [&] { fonts->Reset(); });
  std::printf("font box of all %d families: %.3f ms\n", fonts->Items()->Count(), fonts_ms);

  // Memory: an empty form, then a form with one of each class.
  TForm empty(nullptr);
  empty.SetClientSize(600, 400);
  TBitmap emptyShot;
  emptyShot.SetPixelFormat(pf24bit);
  emptyShot.SetSize(600, 400);
  empty.PaintTo(emptyShot.Canvas(), 0, 0);
  const long before = ResidentKb();
  TForm full(nullptr);
  full.SetClientSize(600, 400);
  OneOfEach(full);
  std::printf("form with one control of each class: %ld kB above an empty form\n",
              ResidentKb() - before);
  return 0;
}
