// The export settings dialog driven by clicks: the type, colour, preset and keep rules, what OK
// and apply-to-all store, Browse and the line-break refusal, and jobs converted as edited.
#include <filesystem>

#include <gtest/gtest.h>

#include "app/audio_format_form.h"
#include "app/settings_form.h"
#include "controls/combo_edit.h"
#include "controls/num_edit.h"
#include "platform/classlib/application.h"
#include "platform/classlib/command_launch.h"
#include "platform/classlib/file_utils.h"
#include "platform/encoder/mcl.h"
#include "tests/app/conversion_fixture.h"
#include "tests/app/modal_driver.h"

namespace {

using namespace lumicast;
using namespace classlib;

// A user's pick in a list, click on a toggle button and click on a check box.
void Pick(TComboBox* List, int Index) {
  List->SetItemIndex(Index);
  if (List->OnChange) List->OnChange(List);
}
void Toggle(TSpeedButton* Button) {
  Button->SetDown(!Button->Down());
  Button->Click();
}
void Tick(TCheckBox* Box) { Box->SetChecked(!Box->Checked()); }

class SettingsTest : public convtest::ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    settings = new TSettingsFrm(nullptr);
    settings->AfterConstruction();
    settings->JobList = tree->items.get();
    movie = dir + "/clip.swf";
    convtest::WriteColorMovie(movie, 160, 120, 12, 20);
  }
  void TearDown() override {
    settings->Hide();
    delete settings;
    ConversionTest::TearDown();
  }
  // Opens the dialog (modelessly) on a job of the list.
  void Open(TCovSettings* Job) {
    settings->Hide();
    settings->Job = Job;
    settings->Item = nullptr;
    for (int i = 0; i < tree->items->Count(); ++i)
      if (tree->items->Item(i)->Data == Job) settings->Item = tree->items->Item(i);
    settings->Show();
  }
  TCovSettings* NewJob(uint8_t Type = dtAVI, bool Checked = true) {
    TCovSettings* job = AddJob(movie, Type, Checked);
    job->adoSource = asRecord;
    job->destSequenceMode = 0;
    return job;
  }
  std::vector<std::string> ColorTexts() const {
    std::vector<std::string> v;
    for (int i = 0; i < settings->cbxExportColor->Items()->Count(); ++i)
      v.push_back(settings->cbxExportColor->Items()->Strings(i));
    return v;
  }

  TSettingsFrm* settings = nullptr;
  std::string movie;
};

TEST_F(SettingsTest, TypeSwitchChangesExtensionPagesSplitAndColourList) {
  TCovSettings* job = NewJob();
  job->destColorDepth = 1;
  Open(job);
  EXPECT_EQ(settings->edtExport->Text(), out + "clip.avi");
  EXPECT_TRUE(settings->tabAudio->TabVisible());
  EXPECT_TRUE(settings->chkUseSplitSize->Visible());
  EXPECT_EQ(settings->cbxExportColor->ItemIndex(), 1);
  EXPECT_EQ(settings->pgcExport->ActivePage(), settings->tabAVI);

  Pick(settings->cbxExportType, dtGIF);
  EXPECT_EQ(settings->edtExport->Text(), out + "clip.gif");
  EXPECT_FALSE(settings->tabAudio->TabVisible());
  EXPECT_FALSE(settings->tabAVI->TabVisible());
  EXPECT_EQ(settings->pgcExport->ActivePage(), settings->tabGIF);
  EXPECT_FALSE(settings->chkUseSplitSize->Visible());
  EXPECT_EQ(ColorTexts(), (std::vector<std::string>{"8bits(256 Colors)", "24bits(True Colors)"}));
  EXPECT_EQ(settings->cbxExportColor->ItemIndex(), 0);
  EXPECT_FALSE(settings->cbxExportAlpha->Enabled());

  Pick(settings->cbxExportType, dtImages);
  EXPECT_EQ(settings->edtExport->Text(), out);  // the folder alone
  EXPECT_EQ(settings->pgcExport->ActivePage(), settings->tabImage);
  // The name shown always comes from the stored job, not from the previous type's text.
  Pick(settings->cbxExportType, dtMPEG);
  EXPECT_EQ(settings->edtExport->Text(), out + "clip.mpg");
  EXPECT_TRUE(settings->tabAudio->TabVisible());
}

TEST_F(SettingsTest, ColourAndAlphaRules) {
  TCovSettings* job = NewJob(dtImages);
  job->destColorDepth = 1;
  job->destAlphaMode = 3;
  job->destImageType = 0;  // PNG
  Open(job);
  // 32 bits always shows IntensitySqrt, whatever the job held.
  EXPECT_EQ(settings->cbxExportColor->ItemIndex(), 1);
  EXPECT_EQ(settings->cbxExportAlpha->ItemIndex(), 2);
  EXPECT_TRUE(settings->cbxExportAlpha->Enabled());

  Pick(settings->cbxImageFormat, 4);  // JPEG
  EXPECT_EQ(settings->cbxExportColor->ItemIndex(), 0);
  EXPECT_FALSE(settings->cbxExportColor->Enabled());
  EXPECT_FALSE(settings->cbxExportAlpha->Enabled());
  EXPECT_EQ(settings->cbxExportAlpha->ItemIndex(), 0);
  EXPECT_TRUE(settings->trkImageQuality->Enabled());
  EXPECT_TRUE(settings->labImageLow->Enabled());

  Pick(settings->cbxImageFormat, 0);  // PNG
  EXPECT_FALSE(settings->trkImageQuality->Enabled());
  EXPECT_TRUE(settings->cbxExportColor->Enabled());
  Pick(settings->cbxExportColor, 1);
  EXPECT_EQ(settings->cbxExportAlpha->ItemIndex(), 2);
  // Choosing no alpha drops to 24 bits.
  Pick(settings->cbxExportAlpha, 0);
  EXPECT_EQ(settings->cbxExportColor->ItemIndex(), 0);
  EXPECT_FALSE(settings->cbxExportAlpha->Enabled());
}

TEST_F(SettingsTest, MpegPresetsFixSizeRateAndForbidCropping) {
  TCovSettings* job = NewJob(dtMPEG);
  job->destMPEGCodec = 6;
  job->destIsCrop = true;
  Open(job);
  EXPECT_TRUE(settings->btnMPEGFormatConfig->Enabled());
  EXPECT_TRUE(settings->chkExportCrop->Checked());
  const int expected[6][3] = {{352, 240, 3}, {352, 288, 2}, {720, 480, 3},
                              {720, 576, 2}, {480, 480, 3}, {480, 576, 2}};
  for (int p = 0; p < 6; ++p) {
    Pick(settings->cbxMPEGFormat, p);
    EXPECT_EQ(settings->edtExportWidth->Value(), expected[p][0]) << p;
    EXPECT_EQ(settings->edtExportHeight->Value(), expected[p][1]) << p;
    EXPECT_EQ(settings->cbxMPEGFrameRate->ItemIndex(), expected[p][2]) << p;
    EXPECT_FALSE(settings->chkExportCrop->Checked());
    EXPECT_FALSE(settings->chkExportCrop->Enabled());
    EXPECT_FALSE(settings->edtExportCropX->Enabled());
    EXPECT_FALSE(settings->edtExportWidth->Enabled());
    EXPECT_FALSE(settings->btnKeepSourceSize->Enabled());
    EXPECT_FALSE(settings->btnMPEGFormatConfig->Enabled());
    EXPECT_FALSE(settings->cbxMPEGFrameRate->Enabled());
  }
  Pick(settings->cbxMPEGFormat, 6);
  EXPECT_TRUE(settings->btnMPEGFormatConfig->Enabled());
  EXPECT_TRUE(settings->cbxMPEGFrameRate->Enabled());
  EXPECT_TRUE(settings->chkExportCrop->Enabled());
  EXPECT_TRUE(settings->btnKeepSourceSize->Enabled());
  EXPECT_TRUE(settings->edtExportWidth->Enabled());
  EXPECT_FALSE(settings->chkExportKeepAspectRatio->Enabled());
}

TEST_F(SettingsTest, KeepButtonsLoadTheMovieValuesAndRulesRunOnlyOnClicks) {
  TCovSettings* job = NewJob(dtAVI);
  job->destW = 100;
  job->destH = 50;
  job->destStartFrame = 3;
  job->destEndFrame = 7;
  job->destAVIFrameRate = 30;
  Open(job);
  EXPECT_TRUE(settings->edtExportWidth->Enabled());
  Toggle(settings->btnKeepSourceSize);
  EXPECT_EQ(settings->edtExportWidth->Value(), 160);
  EXPECT_EQ(settings->edtExportHeight->Value(), 120);
  EXPECT_FALSE(settings->edtExportWidth->Enabled());
  EXPECT_FALSE(settings->labExportPixel->Enabled());
  Toggle(settings->btnKeepSourceFrames);
  EXPECT_EQ(settings->edtExportStart->Value(), 1);
  EXPECT_EQ(settings->edtExportEnd->Value(), 20);
  EXPECT_FALSE(settings->edtExportEnd->Enabled());
  Toggle(settings->btnKeepAVIFps);
  EXPECT_EQ(settings->edtAVIFrameRate->Value(), 12);
  EXPECT_FALSE(settings->labAVIFps->Enabled());
  Toggle(settings->btnKeepSourceFrames);
  EXPECT_TRUE(settings->edtExportEnd->Enabled());

  Tick(settings->chkExportCrop);
  EXPECT_TRUE(settings->edtExportCropH->Enabled());
  EXPECT_TRUE(settings->labCropNote->Enabled());
  Tick(settings->chkAudioSyncManually);
  EXPECT_TRUE(settings->edtAudioSync->Enabled());
  settings->rdoAudioImport->SetChecked(true);
  EXPECT_TRUE(settings->edtAudioImport->Enabled());
  EXPECT_FALSE(settings->btnAudioRecDefault->Enabled());
  settings->rdoAudioNone->SetChecked(true);
  EXPECT_FALSE(settings->btnAudioImport->Enabled());
  EXPECT_FALSE(settings->cbxAudioRecFormat->Enabled());

  // A second showing loads every control from the job again; the loading runs no rule of its
  // own beyond those the dialog runs on showing.
  Open(job);
  EXPECT_FALSE(settings->btnKeepSourceSize->Down());
  EXPECT_EQ(settings->edtExportWidth->Value(), 100);
  EXPECT_FALSE(settings->chkExportCrop->Checked());
  EXPECT_FALSE(settings->edtExportCropX->Enabled());
  EXPECT_TRUE(settings->btnAudioRecDefault->Enabled());
}

TEST_F(SettingsTest, OkStoresEveryFieldAndCorrectsTheRange) {
  TCovSettings* job = NewJob(dtAVI);
  Open(job);
  // The image format is chosen while its page is shown: JPEG drops the colour depth.
  Pick(settings->cbxExportType, dtImages);
  Pick(settings->cbxImageFormat, 4);
  settings->trkImageQuality->SetPosition(50);
  Pick(settings->cbxExportType, dtMPEG);
  Pick(settings->cbxMPEGFormat, 6);
  Pick(settings->cbxExportSequence, 2);
  Pick(settings->cbxExportColor, 1);
  Pick(settings->cbxMPEGFrameRate, 5);
  Pick(settings->cbxMPEGAspectRatio, 2);
  settings->edtExportWidth->SetValue(200);
  settings->edtExportHeight->SetValue(150);
  settings->edtExportStart->SetValue(50);
  settings->edtExportEnd->SetValue(10);
  Tick(settings->chkExportCrop);
  settings->edtExportCropX->SetValue(-5);
  settings->edtExportCropY->SetValue(6);
  settings->edtExportCropW->SetValue(70);
  settings->edtExportCropH->SetValue(80);
  Tick(settings->chkGIFBackground);
  settings->SetGIFColor(settings->cbeGIFBackgroundColor, 0x123456);
  Tick(settings->chkGIFLooping);
  settings->edtGIFRepeatCount->SetValue(3);
  settings->edtGIFFrameRate->SetValue(9);
  settings->rdoAudioImport->SetChecked(true);
  settings->edtAudioImport->SetText("/snd/a.wav");
  Pick(settings->cbxAudioRecFormat, 0);
  Tick(settings->chkAudioSyncAutomatically);
  Tick(settings->chkAudioSyncManually);
  Pick(settings->cbxAudioSync, 1);
  settings->edtAudioSync->SetValue(1.25L);

  TCovSettings expected = *job;
  expected.destType = dtMPEG;
  expected.destFilename = "clip.mpg";
  expected.destSequenceMode = 2;
  expected.destColorDepth = 1;
  expected.destAlphaMode = 2;
  expected.destW = 200;
  expected.destH = 150;
  expected.destStartFrame = 50;
  expected.destEndFrame = 50;
  expected.destIsCrop = true;
  expected.destCropX = -5;
  expected.destCropY = 6;
  expected.destCropW = 70;
  expected.destCropH = 80;
  expected.destMPEGCodec = 6;
  expected.destMPEGFrameRate = 5;
  expected.destMPEGAspectRatio = 3;
  expected.destGIFIsBackground = true;
  expected.destGIFBackgroundColor = 0x123456;
  expected.destGIFIsLooping = false;
  expected.destGIFRepeatCount = 3;
  expected.destGIFFrameRate = 9;
  expected.destImageType = 4;
  expected.destImageJPEGQuality = 50;
  expected.adoSource = asImport;
  expected.adoFilename = "/snd/a.wav";
  expected.adoFileType = 0;
  expected.adoIsSyncAutomatically = true;
  expected.adoIsSyncManually = true;
  expected.adoSyncType = 1;
  expected.adoSyncOffset = 1.25L;

  settings->btnOK->Click();
  EXPECT_EQ(settings->ModalResult(), mrOk);
  EXPECT_EQ(settings->edtExportEnd->Value(), 50);  // the edit shows the stored end
  const TCovSettings& s = *job;
#define SAME(f) EXPECT_EQ(s.f, expected.f) << #f
  SAME(destType);
  SAME(destFilename);
  SAME(destFilepath);
  SAME(destSequenceMode);
  SAME(destColorDepth);
  SAME(destAlphaMode);
  SAME(destW);
  SAME(destH);
  SAME(destStartFrame);
  SAME(destEndFrame);
  SAME(destIsCrop);
  SAME(destCropX);
  SAME(destCropY);
  SAME(destCropW);
  SAME(destCropH);
  SAME(destIsKeepAspectRatio);
  SAME(destIsKeepSourceSize);
  SAME(destIsKeepSourceFrames);
  SAME(destIsSplit);
  SAME(destSplitSize);
  SAME(destAVICodec);
  SAME(destAVICodecID);
  SAME(destAVIKeyFramerate);
  SAME(destAVIBitrate);
  SAME(destAVIMinBitrate);
  SAME(destAVIMaxBitrate);
  SAME(destAVIQuality);
  SAME(destAVIFrameRate);
  SAME(destAVIKeepSourceFps);
  SAME(destMPEGCodec);
  SAME(destMPEGFrameRate);
  SAME(destMPEGAspectRatio);
  SAME(destMPEGCodecID);
  SAME(destMPEGBitrate);
  SAME(destGIFIsInterlaced);
  SAME(destGIFBackgroundColor);
  SAME(destGIFTransparentColor);
  SAME(destGIFIsBackground);
  SAME(destGIFIsTransparent);
  SAME(destGIFIsLooping);
  SAME(destGIFRepeatCount);
  SAME(destGIFFrameRate);
  SAME(destGIFKeepSourceFps);
  SAME(destImageType);
  SAME(destImageJPEGQuality);
  SAME(adoSource);
  SAME(adoFileType);
  SAME(adoFilename);
  SAME(adoIsSyncAutomatically);
  SAME(adoIsSyncManually);
  SAME(adoSyncType);
  SAME(adoSyncOffset);
  SAME(adoWavChannel);
  SAME(adoMp3BitRate);
#undef SAME
  // The item shows the new output.
  EXPECT_EQ(settings->Item->ColumnText()->Strings(1), "clip.mpg@" + out);
  EXPECT_EQ(settings->Item->ColumnText()->Strings(0), "a.wav@/snd/");
}

TEST_F(SettingsTest, GifColoursComeFromTheColourDialog) {
  TCovSettings* job = NewJob(dtGIF);
  job->destGIFIsTransparent = true;
  job->destGIFTransparentColor = 0x00FF00;
  Open(job);
  EXPECT_FALSE(settings->cbeGIFBackgroundColor->Enabled());
  EXPECT_TRUE(settings->cbeGIFTransparentColor->Enabled());
  EXPECT_EQ(settings->cbeGIFTransparentColor->Color(), TColor(0x00FF00));
  EXPECT_FALSE(settings->cbeGIFTransparentColor->DirectInput());
  // A cancelled colour dialog keeps the colour; a chosen one fills the box.
  dialogs.ColorAnswers = {clNone, TColor(0x336699)};
  settings->cbeGIFTransparentColor->ButtonClick();
  EXPECT_EQ(settings->cbeGIFTransparentColor->Color(), TColor(0x00FF00));
  settings->cbeGIFTransparentColor->ButtonClick();
  EXPECT_EQ(settings->cbeGIFTransparentColor->Color(), TColor(0x336699));
  Tick(settings->chkGIFBackground);
  EXPECT_TRUE(settings->cbeGIFBackgroundColor->Enabled());
  // The offset edit holds a number whatever is typed; a job's offset shows as it is.
  EXPECT_EQ(settings->SyncOffset(), 0.5L);
  settings->btnOK->Click();
  EXPECT_EQ(job->destGIFTransparentColor, TColor(0x336699));
  EXPECT_TRUE(job->destGIFIsBackground);
  EXPECT_EQ(job->destGIFBackgroundColor, TColor(0xFFFFFF));
}

TEST_F(SettingsTest, OkNeverStoresAStartBelowOneOrAnEndBelowTheStart) {
  TCovSettings* job = NewJob();
  Open(job);
  settings->edtExportStart->SetValue(0);
  settings->edtExportEnd->SetValue(0);
  settings->btnOK->Click();
  EXPECT_EQ(job->destStartFrame, 1);
  EXPECT_EQ(job->destEndFrame, 1);
  // Text that is no number reads as the edit's minimum, then is corrected the same way.
  Open(job);
  settings->edtExportStart->SetText("abc");
  settings->edtExportEnd->SetText("-4");
  settings->btnOK->Click();
  EXPECT_EQ(job->destStartFrame, 1);
  EXPECT_EQ(job->destEndFrame, 1);
}

TEST_F(SettingsTest, JobWithEveryIndexOutOfRangeOpensAndStoresDefaults) {
  TCovSettings* job = NewJob();
  job->destType = 9;
  job->destSequenceMode = 200;
  job->destColorDepth = 7;
  job->destAlphaMode = 9;
  job->destMPEGCodec = 99;
  job->destMPEGFrameRate = -1;
  job->destMPEGAspectRatio = 0;
  job->destImageType = 5;
  job->adoSource = 3;
  job->adoFileType = 2;
  job->adoSyncType = 9;
  job->adoWavFreq = -1;
  Open(job);
  EXPECT_EQ(settings->cbxExportType->ItemIndex(), 0);
  EXPECT_EQ(settings->edtExport->Text(), out + "clip.avi");
  settings->btnOK->Click();
  EXPECT_EQ(job->destType, dtAVI);
  EXPECT_EQ(job->destSequenceMode, 0);
  EXPECT_EQ(job->destColorDepth, 0);
  EXPECT_EQ(job->destAlphaMode, 0);
  EXPECT_EQ(job->destMPEGCodec, 0);
  EXPECT_EQ(job->destMPEGFrameRate, 3);
  EXPECT_EQ(job->destMPEGAspectRatio, 2);
  EXPECT_EQ(job->destImageType, 0);
  EXPECT_EQ(job->adoSource, asRecord);
  EXPECT_EQ(job->adoFileType, 1);
  EXPECT_EQ(job->adoSyncType, 0);
  EXPECT_EQ(job->adoWavFreq, 2);  // reset when the format text was built
}

TEST_F(SettingsTest, ApplyToAllWritesTheCheckedJobsEachWithItsOwnMovieValues) {
  const std::string other_movie = dir + "/big.swf";
  convtest::WriteColorMovie(other_movie, 320, 200, 25, 40);
  TCovSettings* edited = NewJob(dtAVI, false);
  TCovSettings* a = NewJob(dtAVI, true);
  TCovSettings* b = AddJob(other_movie, dtAVI, true);
  b->destFilename = "bee.avi";
  b->adoWavChannel = 0;
  b->adoMp3BitRate = 7;
  const TCovSettings edited_before = *edited;
  Open(edited);
  Pick(settings->cbxExportType, dtGIF);
  Toggle(settings->btnKeepSourceSize);
  Toggle(settings->btnKeepSourceFrames);
  Toggle(settings->btnKeepGIFFps);
  settings->edtExport->SetText("/elsewhere/clip.gif");

  dialogs.MessageAnswers = {mrNo};
  settings->btnApplyAll->Click();
  EXPECT_EQ(settings->ModalResult(), mrNone);  // No keeps the dialog open
  EXPECT_EQ(a->destType, dtAVI);

  dialogs.MessageAnswers = {mrYes};
  settings->btnApplyAll->Click();
  EXPECT_EQ(settings->ModalResult(), mrAll);
  EXPECT_EQ(dialogs.Messages().back(),
            "Are you sure you want to modify all checked items' settings?");
  for (TCovSettings* j : {a, b}) {
    EXPECT_EQ(j->destType, dtGIF);
    EXPECT_EQ(j->destFilepath, "/elsewhere/");
    EXPECT_EQ(j->destW, j->swfW);
    EXPECT_EQ(j->destH, j->swfH);
    EXPECT_EQ(j->destStartFrame, 1);
    EXPECT_EQ(j->destEndFrame, j->swfTotalFrames);
    EXPECT_EQ(j->destGIFFrameRate, j->swfFrameRate);
  }
  // Each output keeps its name and takes the new type's extension.
  EXPECT_EQ(a->destFilename, "clip.gif");
  EXPECT_EQ(b->destFilename, "bee.gif");
  EXPECT_EQ(b->destW, 320);
  EXPECT_EQ(b->destGIFFrameRate, 25);
  // The recording formats belong to the audio format dialog.
  EXPECT_EQ(b->adoWavChannel, 0);
  EXPECT_EQ(b->adoMp3BitRate, 7);
  // The unchecked edited job is untouched.
  EXPECT_EQ(edited->destType, edited_before.destType);
  EXPECT_EQ(edited->destFilename, edited_before.destFilename);
  EXPECT_EQ(tree->items->Item(2)->ColumnText()->Strings(1), "bee.gif@/elsewhere/");
  EXPECT_EQ(tree->items->Item(2)->ColumnText()->Strings(0), "None");
}

TEST_F(SettingsTest, BrowseWritesTheJobAtOnceAndRefusesLineBreaks) {
  TCovSettings* job = NewJob(dtAVI);
  Open(job);
  dialogs.FileAnswers = {{"/new/place/film.avi"}};
  settings->btnRename->Click();
  EXPECT_EQ(dialogs.Calls.back().File.DefaultExt, "avi");
  EXPECT_EQ(dialogs.Calls.back().File.Filter, "AVI File (*.avi)|*.avi");
  EXPECT_EQ(settings->edtExport->Text(), "/new/place/film.avi");
  settings->btnCancel->Click();
  EXPECT_EQ(settings->ModalResult(), mrCancel);
  EXPECT_EQ(job->destFilename, "film.avi");
  EXPECT_EQ(job->destFilepath, "/new/place/");
  EXPECT_TRUE(settings->JobWritten);

  Open(job);
  EXPECT_FALSE(settings->JobWritten);
  dialogs.FileAnswers = {{"/new/pla\nce/x.avi"}};
  settings->btnRename->Click();
  EXPECT_EQ(dialogs.Messages().back(), "File names with line breaks are not supported.");
  EXPECT_EQ(job->destFilepath, "/new/place/");
  EXPECT_FALSE(settings->JobWritten);

  // Image sequences choose a folder; a missing one is created after a Yes.
  Pick(settings->cbxExportType, dtImages);
  const std::string folder = dir + "/made/here";
  dialogs.FolderAnswers = {folder};
  dialogs.MessageAnswers = {mrYes};
  settings->btnRename->Click();
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_EQ(job->destFilepath, folder + "/");
  EXPECT_EQ(settings->edtExport->Text(), folder + "/");
  dialogs.FolderAnswers = {dir + "/not/made"};
  dialogs.MessageAnswers = {mrNo};
  settings->btnRename->Click();
  EXPECT_FALSE(DirectoryExists(dir + "/not/made"));
  EXPECT_EQ(job->destFilepath, folder + "/");
}

TEST_F(SettingsTest, RecordingSourceButtonsAndTheMixer) {
  TCovSettings* job = NewJob();
  Open(job);
  std::vector<std::string> started;
  SetCommandLaunchService([&](const std::string& c) {
    started.push_back(c);
    return true;
  });
  settings->SetRecordingSource = [](uint32_t type, const std::string& name) {
    return type == 0x1008 && name == "Stereo Mix";
  };
  settings->btnAudioRecDefault->Click();
  EXPECT_EQ(dialogs.Messages().back(),
            "Successful!\rRecording source is set to \"Stereo Mix\".\rRecording volume is set to "
            "30%.");
  settings->SetRecordingSource = [](uint32_t, const std::string&) -> bool {
    throw Exception("mixer gone");
  };
  settings->btnAudioRecDefault->Click();
  EXPECT_EQ(dialogs.Messages().back(), "Failed!\rPlease click the 'Advanced' button to try again!");
  settings->SetRecordingSource = nullptr;
  settings->btnAudioRecDefault->Click();
  EXPECT_EQ(dialogs.Messages().back(), "Failed!\rPlease click the 'Advanced' button to try again!");
  settings->btnAudioRecAdvanced->Click();
  SetCommandLaunchService({});
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], RecordingMixerCommand());
}

TEST_F(SettingsTest, AudioFormatDialogStoresAtOnceAndSurvivesCancel) {
  TCovSettings* job = NewJob();
  job->adoFileType = 1;
  job->adoMp3BitRate = 9;
  Open(job);
  EXPECT_EQ(settings->labAudioRecFormatTips->Caption(), "STEREO-128kb/s");
  EXPECT_EQ(job->adoMp3BitRate, 2);
  lumitest::ModalDriver driver([this] { return settings->AudioFormatFrm; },
                               [](TForm* f) {
                                 auto* a = static_cast<TAudioFormatFrm*>(f);
                                 EXPECT_EQ(a->cbxMP3BitRate->ItemIndex(), 2);
                                 a->cbxMP3Channel->SetItemIndex(2);
                                 a->cbxMP3BitRate->SetItemIndex(7);
                                 a->cbxWavFreq->SetItemIndex(1);
                                 a->btnOK->Click();
                               });
  settings->btnAudioRecConfig->Click();
  EXPECT_TRUE(driver.seen);
  EXPECT_EQ(settings->labAudioRecFormatTips->Caption(), "JSTEREO-320kb/s");
  settings->btnCancel->Click();
  EXPECT_EQ(job->adoMp3Channel, 2);
  EXPECT_EQ(job->adoMp3BitRate, 7);
  EXPECT_EQ(job->adoWavFreq, 1);
  EXPECT_TRUE(settings->JobWritten);
  // OK and apply-to-all leave the indices to the audio format dialog.
  Open(job);
  settings->btnOK->Click();
  EXPECT_EQ(job->adoMp3BitRate, 7);
  Pick(settings->cbxAudioRecFormat, 0);
  EXPECT_EQ(settings->labAudioRecFormatTips->Caption(), "STEREO-16bits-22050Hz");
}

TEST_F(SettingsTest, ImportTakesOnlyFilesWithAUsableSoundStream) {
  TCovSettings* job = NewJob();
  job->adoFilename = "/kept.wav";
  Open(job);
  settings->rdoAudioImport->SetChecked(true);
  const std::string wave = dir + "/tone.wav";
  convtest::WriteWave(wave, 22050, 1, 0.5);
  // A movie without sound, named like a WAVE file.
  const std::string silent_video = dir + "/video.wav";
  std::filesystem::copy_file(movie, silent_video);
  const std::string truncated = dir + "/cut.wav";
  {
    FILE* f = fopen(truncated.c_str(), "wb");
    fwrite("RIFF\x24\x00\x00\x00WAVEfmt ", 1, 16, f);
    fclose(f);
  }
  const std::string cases[] = {dir + "/missing.wav", dir, silent_video, truncated};
  for (const std::string& path : cases) {
    dialogs.FileAnswers = {{path}};
    const size_t shown = dialogs.Messages().size();
    settings->btnAudioImport->Click();
    ASSERT_EQ(dialogs.Messages().size(), shown + 1) << path;
    const std::string said = dialogs.Messages().back();
    EXPECT_TRUE(said == "No audio stream exists in this file!" ||
                said == "Unsupported audio format!")
        << path << ": " << said;
    EXPECT_EQ(settings->edtAudioImport->Text(), "/kept.wav");
  }
  const auto open = std::find_if(dialogs.Calls.rbegin(), dialogs.Calls.rend(),
                                 [](const auto& c) { return c.Kind == "open"; });
  ASSERT_NE(open, dialogs.Calls.rend());
  EXPECT_EQ(open->File.Filter, "Audio Files(*.wav;*.mp3)|*.wav;*.mp3|All Files(*.*)|*.*");
  EXPECT_TRUE(open->File.MustExist);
  dialogs.FileAnswers = {{wave}};
  settings->btnAudioImport->Click();
  EXPECT_EQ(settings->edtAudioImport->Text(), wave);
  dialogs.FileAnswers = {{dir + "/a\rb.wav"}};
  settings->btnAudioImport->Click();
  EXPECT_EQ(dialogs.Messages().back(), "File names with line breaks are not supported.");
  EXPECT_EQ(settings->edtAudioImport->Text(), wave);
}

TForm* CodecDialog() { return dynamic_cast<TForm*>(Application->FindComponent("CodecDlg")); }

TEST_F(SettingsTest, CodecDialogCancelledKeepsConfirmedStoresTheChoice) {
  TCovSettings* job = NewJob();
  Open(job);
  const TAviCodecValues before = settings->AviCodec;
  lumitest::ModalDriver cancel(CodecDialog, [](TForm* f) { f->SetModalResult(mrCancel); });
  settings->btnAVIFormatConfig->Click();
  EXPECT_TRUE(cancel.seen);
  EXPECT_EQ(settings->AviCodec.FourCC, before.FourCC);
  EXPECT_EQ(settings->AviCodec.Description, before.Description);

  lumitest::ModalDriver mjpg(CodecDialog, [](TForm* f) {
    auto* codec = dynamic_cast<TComboBox*>(f->FindComponent("cbxCodec"));
    ASSERT_NE(codec, nullptr);
    int index = -1;
    for (int i = 0; i < codec->Items()->Count(); ++i)
      if (codec->Items()->Strings(i) == "Motion JPEG") index = i;
    ASSERT_GE(index, 0);
    codec->SetItemIndex(index);
    codec->OnChange(codec);
    dynamic_cast<TButton*>(f->FindComponent("btnOK"))->Click();
  });
  settings->btnAVIFormatConfig->Click();
  ASSERT_TRUE(mjpg.seen);
  EXPECT_EQ(settings->AviCodec.FourCC, 0x47504A4Du);  // "MJPG"
  EXPECT_FALSE(settings->AviCodec.Description.empty());
  EXPECT_EQ(settings->edtAVIFormat->Text(), settings->AviCodec.Description);
  settings->btnOK->Click();
  EXPECT_EQ(job->destAVICodecID, 0x47504A4Du);
  EXPECT_EQ(job->destAVICodec, settings->AviCodec.Description);
  EXPECT_EQ(job->destAVIQuality, settings->AviCodec.Quality);

  job->destStartFrame = 1;
  job->destEndFrame = 4;
  RunBatch();
  const convtest::MediaInfo info = convtest::ProbeMedia(out + "clip.avi");
  EXPECT_EQ(info.videoCodec, "mjpeg");
}

TEST(CodecName, DescriptionOfTheWantedCodecOrEmpty) {
  EXPECT_EQ(GetCodecName(kMclFormatAvi, 320, 240, kMclFourCCDib, 24), "Full frames, uncompressed");
  EXPECT_EQ(GetCodecName(kMclFormatAvi, 320, 240, 0x21212121, 24), "");
  EXPECT_EQ(GetCodecName(99, 320, 240, kMclFourCCDib, 24), "");
}

TEST(AudioFormatText, TextsAndResetIndices) {
  TCovSettings job;
  job.adoMp3Channel = 2;
  job.adoMp3BitRate = 7;
  EXPECT_EQ(GetAudioFormatText(1, job), "JSTEREO-320kb/s");
  job.adoWavChannel = 0;
  job.adoWavBits = 1;
  job.adoWavFreq = 2;
  EXPECT_EQ(GetAudioFormatText(0, job), "MONO-16bits-11025Hz");
  EXPECT_EQ(GetAudioFormatText(2, job), "");
  EXPECT_EQ(GetAudioFormatText(-1, job), "");
  // Out of range on either side: the same defaults.
  for (int bad : {9, -1}) {
    job.adoWavChannel = job.adoWavBits = job.adoWavFreq = bad;
    job.adoMp3Channel = job.adoMp3BitRate = bad;
    EXPECT_EQ(GetAudioFormatText(0, job), "STEREO-16bits-11025Hz");
    EXPECT_EQ(GetAudioFormatText(1, job), "STEREO-128kb/s");
    EXPECT_EQ(job.adoMp3BitRate, 2);
    EXPECT_EQ(job.adoWavFreq, 2);
  }
}

TEST_F(SettingsTest, EditedJobsConvertAsChosen) {
  TCovSettings* mpeg = NewJob(dtMPEG);
  Open(mpeg);
  Pick(settings->cbxMPEGFormat, 3);  // DVD-PAL
  settings->rdoAudioNone->SetChecked(true);
  settings->edtExportStart->SetValue(1);
  settings->edtExportEnd->SetValue(5);
  settings->btnOK->Click();
  EXPECT_EQ(mpeg->destW, 720);
  EXPECT_EQ(mpeg->destH, 576);
  EXPECT_EQ(mpeg->destMPEGFrameRate, 2);

  TCovSettings* images = NewJob(dtAVI);
  Open(images);
  Pick(settings->cbxExportType, dtImages);
  Pick(settings->cbxImageFormat, 4);
  settings->trkImageQuality->SetPosition(50);
  settings->edtExportStart->SetValue(2);
  settings->edtExportEnd->SetValue(3);
  settings->edtExport->SetText(out + "seq/");
  std::filesystem::create_directories(out + "seq/");
  settings->btnOK->Click();
  EXPECT_EQ(images->destImageJPEGQuality, 50);

  RunBatch();
  const convtest::MediaInfo info = convtest::ProbeMedia(out + "clip.mpg");
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.width, 720);
  EXPECT_EQ(info.height, 576);
  EXPECT_NEAR(info.fps, 25.0, 0.01);
  const std::vector<std::string> files = convtest::ListFiles(out + "seq/");
  ASSERT_EQ(files.size(), 2u);
  for (const std::string& f : files) EXPECT_EQ(ExtractFileExt(f), ".jpg") << f;
  EXPECT_TRUE(convtest::DecodePicture(out + "seq/" + files[0]).ok);
}

}  // namespace
