// Page control, status bar, the folder selection that may create its folder, and the command
// launcher.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/command_launch.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/page_control.h"
#include "platform/classlib/status_bar.h"
#include "tests/support/test_app.h"
#include "tests/support/test_bitmaps.h"

namespace {

using namespace classlib;

struct Pages {
  TForm form{nullptr};
  TPageControl* pc = new TPageControl(&form);
  TTabSheet* p[4] = {};
  Pages() {
    form.SetBounds(0, 0, 400, 300);
    pc->SetParent(&form);
    pc->SetBounds(10, 10, 360, 200);
    const char* names[4] = {"First", "Second page", "Third", "Fourth"};
    for (int i = 0; i < 4; ++i) {
      p[i] = new TTabSheet(&form);
      p[i]->SetPageControl(pc);
      p[i]->SetCaption(names[i]);
    }
  }
};

TEST(PageControl, HiddenTabsAreSkippedAndCannotStayActive) {
  Pages t;
  EXPECT_EQ(t.pc->PageCount(), 4);
  EXPECT_EQ(t.pc->ActivePage(), t.p[0]);  // the first page added
  EXPECT_TRUE(t.p[0]->Visible());
  EXPECT_FALSE(t.p[1]->Visible());
  EXPECT_EQ(t.p[2]->PageIndex(), 2);

  // Tabs follow each other without gaps for hidden ones.
  const TRect second = t.pc->TabRect(1);
  t.p[1]->SetTabVisible(false);
  EXPECT_EQ(t.pc->TabRect(1).Width(), 0);
  EXPECT_EQ(t.pc->TabRect(2).Left, second.Left);
  // Activating a page whose tab is hidden is refused.
  t.pc->SetActivePage(t.p[1]);
  EXPECT_EQ(t.pc->ActivePage(), t.p[0]);
  // Hiding the active tab moves to the next visible page, or back when none follows.
  t.p[0]->SetTabVisible(false);
  EXPECT_EQ(t.pc->ActivePage(), t.p[2]);
  EXPECT_FALSE(t.p[0]->Visible());
  t.pc->SetActivePage(t.p[3]);
  t.p[3]->SetTabVisible(false);
  EXPECT_EQ(t.pc->ActivePage(), t.p[2]);
  t.p[2]->SetTabVisible(false);
  EXPECT_EQ(t.pc->ActivePage(), nullptr);
  // A tab shown again when none is active becomes active.
  t.p[1]->SetTabVisible(true);
  EXPECT_EQ(t.pc->ActivePage(), t.p[1]);
  EXPECT_EQ(t.p[1]->BoundsRect(), t.pc->DisplayRect());
  // Freeing a page takes it out.
  delete t.p[1];
  EXPECT_EQ(t.pc->PageCount(), 3);
  EXPECT_EQ(t.pc->ActivePage(), nullptr);
}

TEST(PageControl, ClickOnATabActivatesItAndReportsTheChange) {
  Pages t;
  int changes = 0;
  t.pc->OnChange = [&](TObject*) { ++changes; };
  const TRect third = t.pc->TabRect(2);
  t.pc->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(third.Left + 3, third.Top + 5));
  t.pc->Perform(WM_LBUTTONUP, 0, MakeLParam(third.Left + 3, third.Top + 5));
  EXPECT_EQ(t.pc->ActivePage(), t.p[2]);
  EXPECT_TRUE(t.p[2]->Visible());
  EXPECT_EQ(changes, 1);
  // The page area and a click on the active tab change nothing.
  const TRect area = t.pc->DisplayRect();
  t.pc->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(area.Left + 20, area.Top + 20));
  t.pc->Perform(WM_LBUTTONUP, 0, MakeLParam(area.Left + 20, area.Top + 20));
  EXPECT_EQ(changes, 1);
  // Setting the page in code raises nothing.
  t.pc->SetActivePageIndex(0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(t.pc->ActivePageIndex(), 0);
}

TEST(PageControl, PaintsTabsTextAndFrame) {
  Pages t;
  t.pc->SetActivePage(t.p[1]);
  auto canvas = lumitest::FilledBitmap(360, 200, clRed);
  t.pc->PaintTo(canvas->Canvas(), 0, 0);
  // No red remains in the tab row's background or the page.
  const TRect tab = t.pc->TabRect(1);
  EXPECT_NE(canvas->Canvas()->Pixels(tab.Left + 1, tab.Bottom - 3), clRed);
  EXPECT_NE(canvas->Canvas()->Pixels(350, 5), clRed);
  // Some caption ink lies inside the active tab.
  int dark = 0;
  for (int y = tab.Top; y < tab.Bottom; ++y)
    for (int x = tab.Left + 4; x < tab.Right - 4; ++x)
      if ((canvas->Canvas()->Pixels(x, y) & 0xFF) < 0x60) ++dark;
  EXPECT_GT(dark, 10);
}

TEST(StatusBar, PanelsSplitTheBarAndTheLastTakesTheRest) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 100);
  auto* bar = new TStatusBar(&form);
  bar->SetParent(&form);
  EXPECT_EQ(bar->Align(), alBottom);
  TStatusPanel* tips = bar->Panels()->Add();
  tips->SetWidth(40);
  tips->SetText("Tips");
  bar->Panels()->Add()->SetText("Move the rectangle.");
  EXPECT_EQ(bar->Panels()->Count(), 2);
  EXPECT_EQ(bar->Panels()->Items(2), nullptr);
  EXPECT_EQ(bar->PanelRect(0).Left, 0);
  EXPECT_EQ(bar->PanelRect(0).Right, 40);
  EXPECT_EQ(bar->PanelRect(1).Right, bar->Width());
  EXPECT_GT(bar->PanelRect(1).Left, 40);
  EXPECT_EQ(bar->PanelRect(5).Width(), 0);
  auto canvas = lumitest::FilledBitmap(bar->Width(), bar->Height(), clRed);
  bar->PaintTo(canvas->Canvas(), 0, 0);
  int dark = 0;
  const TRect r = bar->PanelRect(0);
  for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
    for (int x = r.Left + 2; x < r.Right - 2; ++x)
      if ((canvas->Canvas()->Pixels(x, y) & 0xFF) < 0x60) ++dark;
  EXPECT_GT(dark, 5);  // "Tips"
}

TEST(SelectDirectory, MissingFolderIsCreatedOnlyAfterYes) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  lumitest::TempDir temp;
  const std::string fresh = temp.File("a/b");
  std::string dir = "/start";
  // Without the create option a missing folder is refused.
  service.FolderAnswers = {fresh};
  EXPECT_FALSE(SelectDirectory(dir, 0));
  EXPECT_EQ(dir, "/start");
  service.FolderAnswers = {fresh};
  service.MessageAnswers = {mrNo};
  EXPECT_FALSE(SelectDirectory(dir, sdAllowCreate | sdPerformCreate | sdPrompt));
  EXPECT_FALSE(std::filesystem::exists(fresh));
  service.FolderAnswers = {fresh};
  service.MessageAnswers = {mrYes};
  EXPECT_TRUE(SelectDirectory(dir, sdAllowCreate | sdPerformCreate | sdPrompt));
  EXPECT_EQ(dir, fresh);
  EXPECT_TRUE(std::filesystem::is_directory(fresh));
  // A file where the folder should be cannot be chosen nor created.
  const std::string file = temp.File("plain");
  fclose(fopen(file.c_str(), "w"));
  service.FolderAnswers = {file + "/sub"};
  service.MessageAnswers = {mrYes};
  EXPECT_FALSE(SelectDirectory(dir, sdAllowCreate | sdPerformCreate | sdPrompt));
  EXPECT_EQ(dir, fresh);
  // An existing folder asks nothing.
  const size_t asked = service.Messages().size();
  service.FolderAnswers = {temp.Path()};
  EXPECT_TRUE(SelectDirectory(dir, sdAllowCreate | sdPrompt));
  EXPECT_EQ(service.Messages().size(), asked);
}

TEST(CommandLaunch, GoesThroughTheReplaceableService) {
  std::vector<std::string> seen;
  auto previous = SetCommandLaunchService([&](const std::string& c) {
    seen.push_back(c);
    return false;
  });
  EXPECT_FALSE(LaunchRecordingMixer());
  EXPECT_FALSE(StartCommand("true"));
  SetCommandLaunchService(previous);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], RecordingMixerCommand());
  EXPECT_NE(RecordingMixerCommand().find("capture"), std::string::npos);
  // The real launcher starts a shell command in the background.
  lumitest::TempDir temp;
  const std::string mark = temp.File("mark");
  ASSERT_TRUE(StartCommand("touch '" + mark + "'"));
  for (int i = 0; i < 200 && !std::filesystem::exists(mark); ++i) usleep(10000);
  EXPECT_TRUE(std::filesystem::exists(mark));
}

}  // namespace
