// The side channel: sliding open and shut step by step or at once, pinning,
// the watch timer with a pinned pointer, the narrowest open width, and a
// panel freed in the middle of its slide.
#include <gtest/gtest.h>

#include "controls/sui_side_channel.h"
#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/message_queue.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/mouse.h"

using namespace classlib;
using namespace controls;

namespace {

struct Host {
  TForm form{nullptr};
  TsuiSideChannel* channel;
  std::vector<int> widths;
  Host() {
    form.SetClientSize(400, 300);
    channel = new TsuiSideChannel(&form);
    channel->SetParent(&form);
    channel->SetOpenWidth(200);
    channel->OnResize = [this](TObject*) { widths.push_back(channel->Width()); };
  }
};

// Frees a control when it receives WM_USER + 1.
class TFreer : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TControl* victim = nullptr;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_USER + 1 && victim) {
      delete victim;
      victim = nullptr;
      return;
    }
    TWinControl::WndProc(Message);
  }
};

}  // namespace

TEST(SkinnedSideChannel, SlidesOpenInStepsOrAtOnce) {
  Host h;
  EXPECT_FALSE(h.channel->IsOpen());
  EXPECT_EQ(h.channel->Width(), 10);
  EXPECT_FALSE(h.channel->PinButton()->Visible());
  int pops = 0, pushes = 0;
  h.channel->OnPop = [&](TObject*) { ++pops; };
  h.channel->OnPush = [&](TObject*) { ++pushes; };
  h.channel->SetCaption("Tools");
  h.channel->Pop();
  std::vector<int> expected;
  for (int w = 25; w <= 190; w += 15) expected.push_back(w);
  expected.push_back(200);
  EXPECT_EQ(h.widths, expected);
  EXPECT_EQ(pops, 1);
  EXPECT_TRUE(h.channel->PinButton()->Visible());
  EXPECT_EQ(h.channel->TitleStrip()->Caption(), "Tools");
  EXPECT_EQ(h.channel->OpenWidth(), 200);  // steps are not recorded
  TBitmap shot;
  shot.SetPixelFormat(pf24bit);
  shot.SetSize(h.channel->Width(), h.channel->Height());
  h.channel->PaintTo(shot.Canvas(), 0, 0);
  EXPECT_NE(shot.PixelColor(3, 40), shot.PixelColor(100, 40));  // the bar stands out
  shot.SaveToFile("/tmp/sui_side_channel.bmp");

  h.widths.clear();
  h.channel->SetQuickMove(true);
  h.channel->Push();
  EXPECT_EQ(h.widths, std::vector<int>{10});
  EXPECT_EQ(pushes, 1);
  EXPECT_EQ(h.channel->TitleStrip()->Caption(), "");
  h.widths.clear();
  h.channel->Pop();
  EXPECT_EQ(h.widths, std::vector<int>{200});
}

TEST(SkinnedSideChannel, MouseOverTheBarOpensAndLeavingClosesUnlessPinned) {
  Host h;
  h.form.Show();
  h.channel->SetQuickMove(true);
  h.channel->SideBar()->Perform(WM_MOUSEMOVE, 0, MakeLParam(3, 50));
  ASSERT_TRUE(h.channel->IsOpen());
  ASSERT_TRUE(h.channel->WatchTimer()->Enabled());

  const TPoint outside = h.channel->ClientToScreen(TPoint{300, 50});
  const TPoint inside = h.channel->ClientToScreen(TPoint{100, 50});
  SetCursorPosOverride(&inside);
  h.channel->WatchTimer()->Fire();
  EXPECT_TRUE(h.channel->IsOpen());

  h.channel->SetStayOn(true);
  EXPECT_TRUE(h.channel->PinButton()->Down());
  EXPECT_FALSE(h.channel->WatchTimer()->Enabled());
  SetCursorPosOverride(&outside);
  Application->ProcessMessages();
  EXPECT_TRUE(h.channel->IsOpen());

  // Unpinning by the button: the next tick with the pointer outside closes.
  h.channel->PinButton()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  h.channel->PinButton()->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  EXPECT_FALSE(h.channel->StayOn());
  ASSERT_TRUE(h.channel->WatchTimer()->Enabled());
  h.channel->WatchTimer()->Fire();
  EXPECT_FALSE(h.channel->IsOpen());
  SetCursorPosOverride(nullptr);

  // Click mode: moving over the bar does nothing, a click opens.
  h.channel->SetPopupMode(suiMouseClick);
  h.channel->SideBar()->Perform(WM_MOUSEMOVE, 0, MakeLParam(3, 50));
  EXPECT_FALSE(h.channel->IsOpen());
  h.channel->SideBarButton()->Click();
  EXPECT_TRUE(h.channel->IsOpen());
  h.form.Hide();
}

TEST(SkinnedSideChannel, AnOpenPanelRefusesToBecomeNarrowerThanFifty) {
  Host h;
  h.channel->SetQuickMove(true);
  h.channel->Pop();
  h.channel->SetWidth(49);
  EXPECT_EQ(h.channel->Width(), 200);
  h.channel->SetWidth(120);  // by other means: the open width follows
  EXPECT_EQ(h.channel->Width(), 120);
  EXPECT_EQ(h.channel->OpenWidth(), 120);
  bool asked = false;
  h.channel->OnCanResize = [&](TObject*, int&, int&, bool& allow) {
    asked = true;
    allow = false;
  };
  h.channel->SetWidth(150);
  EXPECT_TRUE(asked);
  EXPECT_EQ(h.channel->Width(), 120);
  h.channel->OnCanResize = nullptr;
  h.channel->SetSideBarWidth(20);  // closes at once
  EXPECT_EQ(h.channel->Width(), 20);
}

TEST(SkinnedSideChannel, APanelFreedDuringItsSlideEndsTheSlide) {
  TForm form(nullptr);
  auto* channel = new TsuiSideChannel(&form);
  channel->SetParent(&form);
  channel->SetOpenWidth(200);
  TFreer freer(nullptr);
  freer.victim = channel;
  int steps = 0;
  channel->OnResize = [&](TObject*) {
    if (++steps == 2) PostMessage(&freer, WM_USER + 1);
  };
  channel->Pop();  // returns once the pending message has freed the panel
  EXPECT_EQ(freer.victim, nullptr);
  EXPECT_EQ(form.ComponentCount(), 0);
}
