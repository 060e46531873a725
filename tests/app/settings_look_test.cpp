// The look of the export settings dialog and the audio format dialog: every control lies inside
// its parent, no two controls of one parent overlap, captions fit their controls. With
// LUMICAST_SHOT_DIR set every page and the audio format dialog are also written there as BMP.
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/audio_format_form.h"
#include "app/settings_form.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/page_control.h"
#include "tests/app/look_check.h"
#include "tests/support/test_app.h"

namespace {

using namespace lumicast;
using namespace classlib;
using looktest::CheckLayout;
using looktest::Shot;

TEST(SettingsLook, EveryPageAndTheAudioFormatDialogAreLaidOutCleanly) {
  TSettingsFrm form(nullptr);
  form.AfterConstruction();
  TCovSettings job;
  job.swfFilename = "/home/user/movies/intro.swf";
  job.swfW = 550;
  job.swfH = 400;
  job.swfFrameRate = 12;
  job.swfTotalFrames = 60;
  InitSettings(job.swfFilename, &job, false);
  form.Job = &job;
  form.Show();
  TBitmap measure;
  measure.SetSize(4, 4);
  std::vector<TControl*> outside{form.chkUseSplitSize, form.edtSplitSize, form.labSplitSize};
  const char* names[4] = {"settings-avi", "settings-mpeg", "settings-gif", "settings-images"};
  for (int type = 0; type < 4; ++type) {
    form.cbxExportType->SetItemIndex(type);
    form.cbxExportType->OnChange(form.cbxExportType);
    std::vector<std::string> problems;
    CheckLayout(&form, measure.Canvas(), outside, problems);
    EXPECT_TRUE(problems.empty()) << names[type] << ": " << ::testing::PrintToString(problems);
    Shot(&form, names[type]);
  }
  form.cbxExportType->SetItemIndex(0);
  form.cbxExportType->OnChange(form.cbxExportType);
  form.pgcExport->SetActivePage(form.tabAudio);
  std::vector<std::string> problems;
  CheckLayout(form.tabAudio, measure.Canvas(), outside, problems);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  Shot(&form, "settings-audio");
  form.Hide();

  TAudioFormatFrm audio(nullptr);
  audio.AfterConstruction();
  audio.Job = &job;
  audio.Show();
  problems.clear();
  CheckLayout(&audio, measure.Canvas(), {}, problems);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  Shot(&audio, "audio-format");
  audio.Hide();
}

}  // namespace
