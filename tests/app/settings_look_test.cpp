// The look of the export settings dialog and the audio format dialog: every control lies inside
// its parent, no two controls of one parent overlap, captions fit their controls. With
// LUMICAST_SHOT_DIR set every page and the audio format dialog are also written there as BMP.
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/audio_format_form.h"
#include "app/settings_form.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/page_control.h"
#include "tests/support/test_app.h"

namespace {

using namespace lumicast;
using namespace classlib;

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Text width of a caption as the control's font draws it, without the accelerator mark.
int CaptionWidth(TCanvas* Measure, TControl* C) {
  std::string text = C->Caption();
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != '&' || (i + 1 < text.size() && text[i + 1] == '&')) shown += text[i];
  Measure->Font()->Assign(C->Font());
  return Measure->TextWidth(shown);
}

void CheckLayout(TWinControl* Parent, TCanvas* Measure, const std::vector<TControl*>& Outside,
                 std::vector<std::string>& Problems) {
  const TRect client = Parent->ClientRect();
  std::vector<TControl*> shown;
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (!c->Visible() || std::find(Outside.begin(), Outside.end(), c) != Outside.end()) continue;
    shown.push_back(c);
    const TRect r = c->BoundsRect();
    if (r.Left < 0 || r.Top < 0 || r.Right > client.Right || r.Bottom > client.Bottom)
      Problems.push_back(c->Name() + " outside " + Parent->Name());
    int extra = -1;
    if (dynamic_cast<TCheckBox*>(c) || dynamic_cast<TRadioButton*>(c)) extra = 20;
    if (dynamic_cast<TButton*>(c) || dynamic_cast<TSpeedButton*>(c)) extra = 8;
    if (dynamic_cast<TLabel*>(c) && !static_cast<TLabel*>(c)->WordWrap()) extra = 0;
    if (extra >= 0 && CaptionWidth(Measure, c) + extra > c->Width())
      Problems.push_back(c->Name() + " caption does not fit");
    if (auto* w = dynamic_cast<TWinControl*>(c)) CheckLayout(w, Measure, Outside, Problems);
  }
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j)
      if (Overlap(shown[i]->BoundsRect(), shown[j]->BoundsRect()))
        Problems.push_back(shown[i]->Name() + " overlaps " + shown[j]->Name());
}

void Shot(TWinControl* C, const std::string& Name) {
  const char* dir = std::getenv("LUMICAST_SHOT_DIR");
  if (dir == nullptr) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(C->ClientWidth(), C->ClientHeight());
  C->PaintTo(b.Canvas(), 0, 0);
  b.SaveToFile(std::string(dir) + "/" + Name + ".bmp");
}

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
