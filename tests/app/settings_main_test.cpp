// The export settings dialog opened from the main window by a double click on a job: what it
// stores reaches the job list, the summary and the saved file, also when the dialog is
// cancelled after Browse.
#include <gtest/gtest.h>

#include "app/settings_form.h"
#include "platform/classlib/file_utils.h"
#include "tests/app/main_form_fixture.h"
#include "tests/app/modal_driver.h"
#include "treectl/tree.h"

namespace {

using namespace lumicast;
using namespace classlib;
using mainformtest::MainFormTest;

// The settings dialog of the main window, once made.
std::function<TForm*()> SettingsOf(TMainFrm* Main) {
  return [Main]() -> TForm* { return Main->SettingsForm; };
}

TEST_F(MainFormTest, DoubleClickEditsTheJobAndBrowseSurvivesCancel) {
  const std::string a = dir + "/a.swf", b = dir + "/b.swf";
  mainformtest::WriteMovie(a, 5);
  mainformtest::WriteMovie(b, 8);
  Open();
  AddByClicking({a, b});
  Select(0);
  form->Modified = false;

  lumitest::ModalDriver ok(SettingsOf(form), [&](TForm* shown) {
    auto* f = static_cast<TSettingsFrm*>(shown);
    EXPECT_EQ(f->Job, Job(0));
    EXPECT_EQ(f->edtSource->Text(), a);
    f->cbxExportType->SetItemIndex(dtGIF);
    f->cbxExportType->OnChange(f->cbxExportType);
    f->btnOK->Click();
  });
  form->lstFile->OnDblClick(form->lstFile);
  ASSERT_TRUE(ok.seen);
  EXPECT_EQ(Job(0)->destType, dtGIF);
  EXPECT_EQ(Job(0)->destFilename, "a.gif");
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(form->lstFile->Items()->Item(0)->ColumnText()->Strings(1), "a.gif@" + dir + "/");

  // Browse writes at once; a Cancel afterwards still leaves the list to be saved.
  form->Modified = false;
  lumitest::ModalDriver browse(SettingsOf(form), [&](TForm* shown) {
    auto* f = static_cast<TSettingsFrm*>(shown);
    dialogs.FileAnswers = {{dir + "/renamed.gif"}};
    f->btnRename->Click();
    f->btnCancel->Click();
  });
  form->btnSettingsClick(form);
  ASSERT_TRUE(browse.seen);
  EXPECT_EQ(Job(0)->destFilename, "renamed.gif");
  EXPECT_TRUE(form->Modified);
  CloseAndDestroy();
  std::string saved;
  {
    TStringList lines;
    lines.LoadFromFile(list);
    saved = lines.Text();
  }
  EXPECT_NE(saved.find("renamed.gif"), std::string::npos);
}

TEST_F(MainFormTest, ApplyToAllFromAnUncheckedJobRefreshesItsSummary) {
  const std::string a = dir + "/a.swf", b = dir + "/b.swf";
  mainformtest::WriteMovie(a, 5);
  mainformtest::WriteMovie(b, 8);
  Open();
  AddByClicking({a, b});
  form->lstFile->Items()->Item(0)->SetChecked(false);
  form->lstFile->Items()->Item(1)->SetChecked(true);
  Select(0);
  lumitest::ModalDriver all(SettingsOf(form), [&](TForm* shown) {
    auto* f = static_cast<TSettingsFrm*>(shown);
    f->cbxExportType->SetItemIndex(dtMPEG);
    f->cbxExportType->OnChange(f->cbxExportType);
    dialogs.MessageAnswers = {mrYes};
    f->btnApplyAll->Click();
  });
  form->lstFile->OnDblClick(form->lstFile);
  ASSERT_TRUE(all.seen);
  EXPECT_EQ(Job(0)->destType, dtAVI);
  EXPECT_EQ(Job(1)->destType, dtMPEG);
  EXPECT_EQ(Job(1)->destFilename, "b.mpg");
  EXPECT_TRUE(form->Modified);
}

}  // namespace
