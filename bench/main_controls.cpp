// Timing of the main window's controls and the region builder, run by hand:
//   bench_main_controls [picture.bmp]
// Lays out a skinned window like the main one (background, 14 shadowed
// transparent text buttons, window and Convert buttons, seek slider), then
// times label rendering at two qualities, MakeRegion on 800x600 pictures,
// masked and rotated DIB drawing and one morph tick. With a file name, the
// composed window is also written there as a BMP to look at.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "bench/median_time.h"
#include "controls/aa_label.h"
#include "controls/bmp_slider.h"
#include "controls/morph_button.h"
#include "controls/rx_controls.h"
#include "imaging/dib.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "resources/artwork.h"
#include "resources/main_skin_layout.h"

using namespace classlib;
using namespace controls;

namespace {

using benchutil::MedianMs;

TBitmap* Load(const char* name) {
  auto* b = new TBitmap();
  b->LoadFromResourceName(name);
  return b;
}

TAALabel* TextButton(TForm* f, const std::string& caption, int x, int y) {
  auto* l = new TAALabel(f);
  l->SetParent(f);
  l->Font()->SetName("Times New Roman");
  l->Font()->SetHeight(-12);
  l->Effect()->SetTransparent(true);
  l->Effect()->FontEffect()->Shadow()->SetEnabled(true);
  l->SetCaption(caption);
  l->SetLeft(x);
  l->SetTop(y);
  l->Loaded();
  return l;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  resources::RegisterArtwork();
  InitControlCursors();

  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetClientSize(skin::kClientWidth, skin::kClientHeight);
  auto* back = new TImage(&form);
  back->SetParent(&form);
  back->SetBounds(0, 0, skin::kClientWidth, skin::kClientHeight);
  std::unique_ptr<TBitmap> bg(Load("MAIN_BACKGROUND"));
  back->Picture()->SetBitmap(bg.get());

  std::vector<TAALabel*> labels;
  const char* top[] = {"Add", "Remove", "Clear", "Settings", "Help"};
  const char* bottom[] = {"Play", "Pause", "Stop", "Back", "Forward", "Seek"};
  int x = skin::kCommandRow.Left + 10;
  for (const char* c : top) {
    labels.push_back(TextButton(&form, c, x, skin::kCommandRow.Top + 5));
    x += labels.back()->Width() + 18;
  }
  x = skin::kPreviewRow.Left + 10;
  for (const char* c : bottom) {
    labels.push_back(TextButton(&form, c, x, skin::kPreviewRow.Top + 5));
    x += labels.back()->Width() + 18;
  }
  const char* heads[] = {"Summary:", "Source Properties:", "Export Settings:"};
  for (int i = 0; i < 3; ++i)
    labels.push_back(TextButton(&form, heads[i], skin::kSummaryColumn.Left + 8,
                                skin::kSummaryColumn.Top + 8 + 110 * i));
  labels[1]->Font()->SetColor(clYellow);  // one label as the pointer makes it

  auto morph = [&](const char* name, const skin::Box& box) {
    auto* b = new TepMorphButton(&form);
    b->SetParent(&form);
    b->SetBounds(box.Left, box.Top, box.Width, box.Height);
    b->SetTransparent(true);
    std::unique_ptr<TBitmap> up(Load((std::string(name) + "_UP").c_str()));
    std::unique_ptr<TBitmap> active(Load((std::string(name) + "_ACTIVE").c_str()));
    std::unique_ptr<TBitmap> down(Load((std::string(name) + "_DOWN").c_str()));
    b->SetUpGlyph(up.get());
    b->SetActiveGlyph(active.get());
    b->SetDownGlyph(down.get());
    return b;
  };
  morph("MAIN_MINIMIZE", skin::kMinimizeButton);
  TepMorphButton* close = morph("MAIN_CLOSE", skin::kCloseButton);
  close->morph = 0.5;
  TepMorphButton* convert = morph("MAIN_CONVERT", skin::kConvertButton);

  auto* slider = new TepBMPSlider(&form);
  slider->SetParent(&form);
  slider->SetBounds(skin::kSeekBand.Left, skin::kSeekBand.Top - 1, skin::kSeekBand.Width, 32);
  slider->SetTransparent(true);
  slider->SetNumThumbStates(1);
  slider->SetOptions(soSmooth);
  slider->SetIncrement(1);
  std::unique_ptr<TBitmap> ruler(Load("MAIN_SEEK_RULER")), thumb(Load("MAIN_SEEK_THUMB"));
  slider->SetImageHRuler(ruler.get());
  slider->SetImageHThumb(thumb.get());
  slider->SetThumbTransparent(true);
  slider->SetValue(30);

  TBitmap shot;
  shot.SetPixelFormat(pf24bit);
  shot.SetSize(skin::kClientWidth, skin::kClientHeight);
  form.PaintTo(shot.Canvas(), 0, 0);
  // The thumb is a window of its own: paint it where it sits.
  slider->Thumb()->PaintTo(shot.Canvas(), slider->Left() + slider->Thumb()->Left(),
                           slider->Top() + slider->Thumb()->Top());
  if (argc > 1) shot.SaveToFile(argv[1]);

  // One "Settings" label, as the window paints it.
  TBitmap canvas;
  canvas.SetPixelFormat(pf24bit);
  canvas.SetSize(80, 24);
  canvas.Canvas()->Font()->SetName("Times New Roman");
  canvas.Canvas()->Font()->SetHeight(-12);
  canvas.Canvas()->Brush()->SetStyle(bsClear);
  TAAFontEx engine(canvas.Canvas());
  engine.Effect()->Shadow()->SetEnabled(true);
  for (TAAQuality q : {aqNormal, aqHigh}) {
    engine.SetQuality(q);
    std::printf("label \"Settings\" %s: %.3f ms\n", q == aqNormal ? "aqNormal" : "aqHigh",
                MedianMs(200, [&] { engine.TextOut(2, 2, "Settings"); }));
  }
  TBitmap window;
  window.SetPixelFormat(pf24bit);
  window.SetSize(skin::kClientWidth, skin::kClientHeight);
  std::printf("14 labels painted: %.3f ms\n", MedianMs(30, [&] {
                for (TAALabel* l : labels) {
                  if (l == labels.back()) break;
                  l->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(window.Canvas()));
                }
              }));

  // Regions of 800x600 pictures.
  lumicast::TMemoryDIB rounded(800, 600), checker(800, 600);
  const uint32_t key = 0x00FFFF00;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const int cx = std::min(x, 799 - x), cy = std::min(y, 599 - y);
      bool out = cx < 20 && cy < 20 && (20 - cx) * (20 - cx) + (20 - cy) * (20 - cy) > 400;
      for (int h = 0; h < 3; ++h)
        out = out || ((x - 200 - 200 * h) * (x - 200 - 200 * h) + (y - 300) * (y - 300) < 2500);
      rounded.Pixel(x, y) = out ? key : 0x336699;
      checker.Pixel(x, y) = ((x + y) & 1) ? key : 0x112233;
    }
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  TRegion r;
  std::printf("MakeRegion rounded with three holes: %.3f ms\n",
              MedianMs(20, [&] { rounded.MakeRegion(clYellow, r); }));
  std::printf("MakeRegion every other pixel (%zu runs): %.3f ms\n",
              checker.RegionRects(clYellow).size(),
              MedianMs(5, [&] { checker.MakeRegion(clYellow, r); }));
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("peak resident: %.1f MB, of which the region builds added %.1f MB\n",
              ru.ru_maxrss / 1024.0, (ru.ru_maxrss - before.ru_maxrss) / 1024.0);

  lumicast::TMemoryDIB a(512, 512), b(512, 512);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) a.Pixel(x, y) = static_cast<uint32_t>(x * 2654435761u + y);
  a.SetMasked(true);
  std::printf("masked 512x512 draw: %.3f ms\n", MedianMs(50, [&] { a.Draw(b, 0, 0); }));
  a.SetAngle(33);
  a.SetScale(150);
  a.AutoSize = true;
  lumicast::TMemoryDIB big(900, 900);
  std::printf("rotated 33 degrees at 150 %%: %.3f ms\n", MedianMs(20, [&] { a.Draw(big, 0, 0); }));

  convert->Perform(CM_MOUSEENTER);
  TBitmap glyph_canvas;
  glyph_canvas.SetPixelFormat(pf24bit);
  glyph_canvas.SetSize(100, 36);
  std::printf("morph tick with its repaint: %.3f ms\n", MedianMs(50, [&] {
                convert->morph = 0.3;
                convert->Timer()->Fire();
                convert->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(glyph_canvas.Canvas()));
              }));
  convert->SetTransparent(false);
  std::printf("morph tick, opaque button: %.3f ms\n", MedianMs(50, [&] {
                convert->morph = 0.3;
                convert->Timer()->Fire();
                convert->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(glyph_canvas.Canvas()));
              }));
  return 0;
}
