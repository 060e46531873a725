// The skinned memo's attached scroll bars: laid over the right and bottom
// edges, mirroring the memo's own bars (thumb shown only when the text
// scrolls), moving a bar scrolls the text, and detaching or freeing a bar.
#include <gtest/gtest.h>

#include <string>

#include "controls/sui_memo.h"
#include "controls/sui_track_bar.h"
#include "platform/classlib/form.h"
#include "platform/classlib/scroll_state.h"

using namespace classlib;
using namespace controls;

namespace {

std::string Lines(int Count) {
  std::string text;
  for (int i = 0; i < Count; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

TEST(SuiMemo, AttachedBarFollowsAndScrollsTheText) {
  TForm form(nullptr);
  form.SetClientSize(300, 300);
  auto* memo = new TsuiMemo(&form);
  memo->SetParent(&form);
  memo->SetBounds(10, 20, 185, 89);
  auto* bar = new TsuiScrollBar(&form);
  bar->SetParent(&form);
  bar->SetOrientation(suiHorizontal);
  memo->SetVScrollBar(bar);
  EXPECT_EQ(bar->Orientation(), suiVertical);
  EXPECT_EQ(memo->ScrollBars(), ssVertical);
  EXPECT_EQ(bar->Left(), 10 + 185 - bar->Width() - 2);
  EXPECT_EQ(bar->Top(), 21);
  EXPECT_EQ(bar->Height(), 88);
  memo->SetBounds(30, 40, 150, 100);  // moves along
  EXPECT_EQ(bar->Left(), 30 + 150 - bar->Width() - 2);
  EXPECT_EQ(bar->Height(), 99);

  // Short text does not scroll: no thumb, bar disabled.
  memo->SetText("one line");
  EXPECT_FALSE(bar->Enabled());
  EXPECT_EQ(bar->LineButton(), 0);
  EXPECT_FALSE(bar->ThumbVisible());

  memo->SetText(Lines(200));
  TScrollBarState state;
  ASSERT_TRUE(GetControlScrollBar(memo, SB_VERT, state));
  ASSERT_TRUE(state.Enabled);
  EXPECT_TRUE(bar->Enabled());
  EXPECT_TRUE(bar->ThumbVisible());
  EXPECT_EQ(bar->LineButton(), state.ThumbBottom - state.ThumbTop);
  EXPECT_GT(bar->LineButton(), 0);
  EXPECT_EQ(bar->Max(), state.Max - state.Page + 1);
  EXPECT_EQ(bar->Min(), state.Min);

  // Moving the skinned bar scrolls the text there.
  bar->SetPosition(50);
  ASSERT_TRUE(GetControlScrollBar(memo, SB_VERT, state));
  EXPECT_EQ(state.Position, 50);
  // Scrolling the memo itself moves the skinned bar.
  SetControlScrollPos(memo, SB_VERT, 10);
  memo->Perform(WM_VSCROLL, SB_THUMBPOSITION | (20u << 16), 0);
  ASSERT_TRUE(GetControlScrollBar(memo, SB_VERT, state));
  EXPECT_EQ(state.Position, 20);
  EXPECT_EQ(bar->Position(), 20);

  // Detaching gives the bar back enabled with Max 100 and no line button.
  memo->SetText("x");
  memo->SetVScrollBar(nullptr);
  EXPECT_TRUE(bar->Enabled());
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(bar->LineButton(), 0);
  EXPECT_EQ(memo->ScrollBars(), ssNone);
  bar->SetPosition(30);  // no longer tied to the memo
  EXPECT_EQ(memo->Lines()->Count(), 1);

  // A freed bar is forgotten.
  memo->SetVScrollBar(bar);
  delete bar;
  EXPECT_EQ(memo->VScrollBar(), nullptr);
  memo->SetText(Lines(50));
}

TEST(SuiMemo, HorizontalBarBesideTheVerticalOneScrollsSideways) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  auto* memo = new TsuiMemo(&form);
  memo->SetParent(&form);
  memo->SetBounds(10, 20, 185, 89);
  // Text set before the bar comes: the bar takes the range at once.
  memo->SetText(std::string(400, 'w'));
  auto* hbar = new TsuiScrollBar(&form);
  hbar->SetParent(&form);
  memo->SetHScrollBar(hbar);
  EXPECT_TRUE(hbar->Enabled());
  EXPECT_TRUE(hbar->ThumbVisible());
  EXPECT_EQ(hbar->Orientation(), suiHorizontal);
  EXPECT_EQ(memo->ScrollBars(), ssHorizontal);
  EXPECT_EQ(hbar->Left(), 11);
  EXPECT_EQ(hbar->Top(), 20 + 89 - hbar->Height() - 2);
  EXPECT_EQ(hbar->Width(), 184);

  // With both bars each stops short of the other.
  auto* vbar = new TsuiScrollBar(&form);
  vbar->SetParent(&form);
  memo->SetVScrollBar(vbar);
  EXPECT_EQ(memo->ScrollBars(), ssBoth);
  EXPECT_EQ(hbar->Width(), 185 - vbar->Width() - 1);
  EXPECT_EQ(vbar->Height(), 89 - hbar->Height() - 1);

  // A line wider than the memo: the bar gets a thumb, moving it scrolls.
  memo->SetText(std::string(400, 'w') + "\n" + Lines(100));
  TScrollBarState state;
  ASSERT_TRUE(GetControlScrollBar(memo, SB_HORZ, state));
  ASSERT_TRUE(state.Enabled);
  EXPECT_TRUE(hbar->Enabled());
  EXPECT_TRUE(hbar->ThumbVisible());
  EXPECT_EQ(hbar->Max(), state.Max - state.Page + 1);
  hbar->SetPosition(hbar->Max() / 2);
  ASSERT_TRUE(GetControlScrollBar(memo, SB_HORZ, state));
  EXPECT_EQ(state.Position, hbar->Max() / 2);
  // The vertical bar is untouched by sideways scrolling.
  ASSERT_TRUE(GetControlScrollBar(memo, SB_VERT, state));
  EXPECT_EQ(state.Position, 0);

  // The same bar given to the other role moves over; detaching one leaves the
  // memo's own bar of the other.
  memo->SetVScrollBar(hbar);
  EXPECT_EQ(memo->HScrollBar(), nullptr);
  EXPECT_EQ(hbar->Orientation(), suiVertical);
  EXPECT_EQ(memo->ScrollBars(), ssVertical);
  EXPECT_EQ(vbar->Max(), 100);  // the replaced bar was given back
  delete hbar;
  EXPECT_EQ(memo->VScrollBar(), nullptr);
  EXPECT_EQ(memo->ScrollBars(), ssVertical);  // freeing changes no own bar
}

TEST(SuiMemo, BorderColourFromTheFormAndStyleRows) {
  TForm form(nullptr);
  TsuiMemo memo(&form);
  EXPECT_EQ(memo.BorderColor(), FindFormBorderColor(&form));
  EXPECT_EQ(memo.SuiStyleRows(), srBorderColor);
  memo.SuiSetBorderColor(clRed);
  EXPECT_EQ(memo.BorderColor(), clRed);
}

}  // namespace
