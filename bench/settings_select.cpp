// Timing of the visual selection window, run by hand:
//   bench_settings_select
// A 720x576 output of a generated movie: opening the window, changing the frame shown (render,
// copy, repaint) and the resident memory after 1,000 frame changes.
#include <QApplication>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/rgn_select.h"
#include "app/select_form.h"
#include "app/settings_form.h"
#include "bench/median_time.h"
#include "platform/classlib/timer.h"
#include "platform/flash/format/writer.h"
#include "tests/flash/movie_builder.h"

using namespace classlib;
using namespace lumicast;
using benchutil::MedianMs;

namespace {

long ResidentKb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void WriteMovie(const std::string& Path) {
  flash::SwfWriter w(6, 720, 576, 25);
  for (int k = 1; k <= 100; ++k) {
    flash::ShapeBuilder s;
    for (int q = 0; q < 16; ++q) {
      const uint8_t v = static_cast<uint8_t>(k * 7 + q * 15);
      const int fill = s.AddFill(flash::FillStyleSpec::Solid(
          {v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(q * 16), 255}));
      const int x = (q % 4) * 180 * 20, y = (q / 4) * 144 * 20;
      s.Rectangle(x, y, x + 180 * 20, y + 144 * 20, fill);
    }
    w.DefineShape(static_cast<uint16_t>(k), s);
    if (k > 1) w.Remove(1);
    w.Place(flashtest::NewPlace(1, k));
    w.ShowFrame();
  }
  w.Save(Path, false);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const std::string movie = "/tmp/bench_settings_select.swf";
  WriteMovie(movie);

  TSettingsFrm settings(nullptr);
  settings.AfterConstruction();
  settings.edtExportWidth->SetValue(720);
  settings.edtExportHeight->SetValue(576);
  settings.edtExportCropW->SetValue(720);
  settings.edtExportCropH->SetValue(576);
  TSelectFrm* form = settings.SelectForm();
  form->MoviePath = movie;
  form->StartFrame = 1;
  form->EndFrame = 100;

  const double open_ms = MedianMs(5, [&] {
    form->Show();
    Application->ProcessMessages();
    form->Hide();
  });
  std::printf("visual selection opening at 720x576: median %.2f ms\n", open_ms);

  form->Show();
  int n = 0;
  const double change_ms = MedianMs(101, [&] {
    form->edtCurrentFrame->SetValue(1 + (n++ % 100));
    form->RgnSelect->Repaint();
  });
  std::printf("frame change (render, copy, repaint): median %.2f ms\n", change_ms);
  const long before = ResidentKb();
  for (int i = 0; i < 1000; ++i) form->edtCurrentFrame->SetValue(1 + i % 100);
  const long after = ResidentKb();
  std::printf("resident memory over 1,000 frame changes: %ld kB -> %ld kB\n", before, after);
  form->Hide();
  std::remove(movie.c_str());
  return 0;
}
