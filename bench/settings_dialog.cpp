// Timing of the export settings dialog, run by hand:
//   bench_settings_dialog
// Opening the dialog on a job, applying its settings to 1,000 checked jobs, and naming the last
// codec of the AVI codec list (the whole list walked).
#include <QApplication>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/codec_settings.h"
#include "app/settings_form.h"
#include "bench/median_time.h"
#include "platform/classlib/dialogs.h"
#include "platform/encoder/mcl.h"
#include "tests/treectl/fake_tree.h"
#include "treectl/tree_items.h"

using namespace classlib;
using namespace lumicast;
using benchutil::MedianMs;

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);

  lumitest::FakeTree tree;
  std::vector<std::unique_ptr<TCovSettings>> jobs;
  for (int i = 0; i < 1000; ++i) {
    auto job = std::make_unique<TCovSettings>();
    job->swfFilename = "/movies/clip" + std::to_string(i) + ".swf";
    job->swfW = 320 + i % 7;
    job->swfH = 240;
    job->swfFrameRate = 12;
    job->swfTotalFrames = 100 + i;
    InitSettings(job->swfFilename, job.get(), false);
    TElTreeItem* item = tree.items->AddItem(nullptr);
    item->Data = job.get();
    item->SetChecked(true);
    jobs.push_back(std::move(job));
  }

  TSettingsFrm form(nullptr);
  form.AfterConstruction();
  form.JobList = tree.items.get();
  form.Job = jobs[0].get();
  form.Item = tree.items->Item(0);
  const double open_ms = MedianMs(21, [&] {
    form.Show();
    form.Hide();
  });
  std::printf("settings dialog opening: median %.2f ms\n", open_ms);

  form.Show();
  form.btnKeepSourceSize->SetDown(true);
  const double apply_ms = MedianMs(7, [&] {
    dialogs.MessageAnswers = {mrYes};
    form.SetModalResult(mrNone);
    form.btnApplyAll->Click();
  });
  std::printf("apply to 1,000 checked jobs: median %.2f ms\n", apply_ms);
  form.Hide();

  MclHandle list = MclCodecsVideoCreate(kMclFormatAvi, 320, 240, 24);
  const int32_t count = MclCodecsGetCount(list);
  MclCodecInfo last{};
  last.size = sizeof last;
  MclCodecsGetInfo(list, &last, count - 1);
  MclCodecsFree(list);
  std::string name;
  const double codec_ms =
      MedianMs(21, [&] { name = GetCodecName(kMclFormatAvi, 320, 240, last.fourCC, 24); });
  std::printf("codec name over %d codecs (\"%s\"): median %.2f ms\n", count, name.c_str(),
              codec_ms);
  return 0;
}
