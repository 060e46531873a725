// The go-to-frame dialog over a preview player holding a generated 40-frame movie: typed
// numbers with Enter and Go, numbers past either end, Esc, and the dialog's layout.
#include <gtest/gtest.h>

#include "app/seek_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/timer.h"
#include "platform/flash/format/writer.h"
#include "tests/app/window_look.h"
#include "tests/support/test_app.h"

namespace {

using namespace lumicast;
using classlib::TMessage;

class SeekFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main.SetBounds(100, 80, 674, 498);
    player = new TShockwaveFlash(&main);
    player->SetParent(&main);
    player->SetBounds(12, 70, 440, 200);
    flash::SwfWriter w(8, 200, 100, 12);
    for (int i = 0; i < 40; ++i) w.ShowFrame();
    const std::string movie = dir.File("forty.swf");
    ASSERT_TRUE(w.Save(movie, true));
    player->SetMovie(movie);
    ASSERT_EQ(player->TotalFrames(), 40);
    seek = new TSeekFrm(nullptr, &main, player);
    seek->AfterConstruction();
  }
  void TearDown() override { delete seek; }

  // Types Text into the number and presses Key there.
  void Enter(const std::string& Text, uint16_t Key = classlib::VK_RETURN) {
    seek->edtFrameNumber->SetText(Text);
    seek->edtFrameNumber->Perform(classlib::WM_KEYDOWN, Key, 0);
  }
  // Shows the dialog modally and runs Steps from inside its loop.
  classlib::TModalResult ShowWith(const std::function<void()>& Steps) {
    classlib::TTimer starter(nullptr);
    starter.SetInterval(1);
    starter.SetOnTimer([&](classlib::TObject*) {
      starter.SetEnabled(false);
      Steps();
    });
    return seek->ShowModal();
  }

  lumitest::TempDir dir;
  classlib::TForm main{nullptr};
  TShockwaveFlash* player = nullptr;
  TSeekFrm* seek = nullptr;
};

TEST_F(SeekFormTest, EnterAndGoMoveThePreviewAndEscCloses) {
  struct Step {
    int frame;
    std::string selected;
    bool open;
  };
  std::vector<Step> steps;
  auto record = [&] {
    steps.push_back({player->CurrentFrame(), seek->edtFrameNumber->SelText(), seek->Visible()});
  };
  const auto result = ShowWith([&] {
    Enter("25");
    record();  // 25 + Enter
    seek->edtFrameNumber->SetText("999");
    seek->btnAudioImport->Click();
    record();  // past the end: the last frame
    Enter("0");
    record();  // below the minimum: frame 1
    Enter("7");
    Enter("30", classlib::VK_ESCAPE);  // Esc closes without going anywhere
  });
  EXPECT_EQ(result, classlib::mrCancel);
  EXPECT_FALSE(seek->Visible());
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].frame, 25);
  EXPECT_EQ(steps[0].selected, "25");  // ready for the next number
  EXPECT_TRUE(steps[0].open);
  EXPECT_EQ(steps[1].frame, 40);
  EXPECT_EQ(steps[1].selected, "999");
  EXPECT_EQ(steps[2].frame, 1);
  EXPECT_EQ(player->CurrentFrame(), 7);
  // Centred over the main window (the window system may then shift the frame by its border).
  main.SetBounds(300, 200, 675, 499);
  seek->FormShow(seek);
  EXPECT_EQ(seek->Left(), 300 + (675 - seek->Width()) / 2);
  EXPECT_EQ(seek->Top(), 200 + (499 - seek->Height()) / 2);
}

TEST_F(SeekFormTest, StartsAtFrameOneAndLooksClean) {
  EXPECT_EQ(seek->Caption(), " Seek");
  EXPECT_EQ(seek->edtFrameNumber->Value(), 1);
  EXPECT_EQ(seek->edtFrameNumber->MinValue(), 1);
  std::vector<std::string> problems;
  ShowWith([&] {
    problems = lumitest::LookProblems(seek);
    lumitest::SaveWindowPng(seek, "seek_form");
    seek->Close();
  });
  EXPECT_EQ(problems, std::vector<std::string>{});
  // Without a preview Go does nothing.
  seek->PreviewPlayer = nullptr;
  seek->btnAudioImport->Click();
  EXPECT_EQ(player->CurrentFrame(), 1);
}

}  // namespace
