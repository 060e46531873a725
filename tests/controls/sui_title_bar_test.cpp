// The skinned title bar: sections and buttons per style, where the buttons
// and the caption go, the shortened caption, clicks and double clicks, the
// restore pictures while maximised, and the frame that carries it.
#include <gtest/gtest.h>

#include <set>

#include "controls/sui_form.h"
#include "controls/sui_title_bar.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/system_move.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiTitleBar, SectionsAndButtonsFollowTheStyle) {
  for (auto style : suitest::kStyles) {
    TForm form(nullptr);
    form.SetClientSize(400, 200);
    TsuiTitleBar bar(&form);
    bar.SetParent(&form);
    bar.SetUIStyle(style);
    ASSERT_EQ(bar.SectionCount(), 3);
    EXPECT_EQ(bar.Sections(0)->Align(), TsuiTitleBarAlign::suiLeft);
    EXPECT_EQ(bar.Sections(1)->Align(), TsuiTitleBarAlign::suiRight);
    EXPECT_EQ(bar.Sections(2)->Align(), TsuiTitleBarAlign::suiClient);
    EXPECT_TRUE(bar.Sections(2)->Stretch());
    // Auto-sized sections and bar take their pictures' sizes.
    EXPECT_EQ(bar.Sections(0)->Width(), bar.Sections(0)->Picture()->Width());
    EXPECT_GT(bar.Height(), 0);
    EXPECT_EQ(bar.Height(), bar.Sections(0)->Picture()->Height());
    EXPECT_EQ(bar.Width(), 400);
    EXPECT_EQ(bar.LeftBtnXOffset(), GetThemeInt(style, 67));
    EXPECT_EQ(bar.RightBtnXOffset(), GetThemeInt(style, 68));

    // Buttons in the order control box, close, maximise, minimise; all but
    // the control box placed leftwards from the right end.
    ASSERT_EQ(bar.ButtonCount(), 4);
    EXPECT_EQ(bar.Buttons(0)->ButtonType(), suiControlBox);
    EXPECT_EQ(bar.Buttons(1)->ButtonType(), suiClose);
    EXPECT_EQ(bar.Buttons(2)->ButtonType(), suiMax);
    EXPECT_EQ(bar.Buttons(3)->ButtonType(), suiMin);
    const auto rects = bar.ButtonRects();
    int x = 400 + bar.RightBtnXOffset() + 1;
    for (int i = 1; i < 4; ++i) {
      TsuiTitleBarButton* b = bar.Buttons(i);
      EXPECT_EQ(b->Top(), GetThemeInt(style, 69));
      x -= b->PicNormal()->Width() + 1;
      EXPECT_EQ(rects[i].Left, x) << int(style) << " button " << i;
      EXPECT_EQ(rects[i].Top, b->Top());
      EXPECT_GT(b->PicNormal()->Width(), 0);
    }
    EXPECT_EQ(rects[0].Left, bar.LeftBtnXOffset());
    int left = bar.LeftBtnXOffset() + bar.Buttons(0)->PicNormal()->Width() + 5;
    if (left == 0) left = 6;
    EXPECT_EQ(bar.CaptionLeft(), left);

    // An interval between buttons moves the second one further left.
    bar.SetButtonInterval(4);
    EXPECT_EQ(bar.ButtonRects()[2].Left, rects[2].Left - 8);
  }
}

TEST(SuiTitleBar, CustomStyleHasNoSectionsAndLongCaptionsShorten) {
  TForm form(nullptr);
  form.SetClientSize(400, 100);
  TsuiTitleBar bar(&form);
  bar.SetParent(&form);
  bar.SetUIStyle(TsuiUIStyle::WinXP);
  bar.SetTitleCaption("Short");
  EXPECT_EQ(bar.CaptionShown(), "Short");
  bar.SetTitleCaption("Ab" + std::string(200, 'W'));
  EXPECT_EQ(bar.CaptionShown(), "Ab...");
  bar.SetTitleCaption("\xC3\xA9\xC3\xA8" + std::string(200, 'W'));  // two characters, not bytes
  EXPECT_EQ(bar.CaptionShown(), "\xC3\xA9\xC3\xA8...");

  bar.SetUIStyle(TsuiUIStyle::Custom);
  EXPECT_EQ(bar.SectionCount(), 0);
  bar.SetAutoSize(true);
  EXPECT_FALSE(bar.AutoSize());  // nothing to take the height from
}

TEST(SuiTitleBar, OnlyOneClientSectionAndOneControlBox) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  service.MessageAnswers.push_back(IDOK);
  service.MessageAnswers.push_back(IDOK);
  TsuiTitleBar bar(nullptr);
  bar.SetUIStyle(TsuiUIStyle::MacOS);
  bar.Sections(0)->SetAlign(TsuiTitleBarAlign::suiClient);
  EXPECT_EQ(bar.Sections(0)->Align(), TsuiTitleBarAlign::suiLeft);
  bar.Buttons(1)->SetButtonType(suiControlBox);
  EXPECT_EQ(bar.Buttons(1)->ButtonType(), suiClose);
  ASSERT_EQ(service.Calls.size(), 2u);
  EXPECT_EQ(service.Calls[0].Message.Text,
            "Sorry, only one section's Align property can be \"suiClient\"");
  EXPECT_EQ(service.Calls[1].Message.Text,
            "Sorry, only one button's ButtonType property can be \"suiControlBox\"");
  // Freeing the client section lets another take its place.
  bar.ClearSections();
  bar.AddSection()->SetAlign(TsuiTitleBarAlign::suiClient);
  EXPECT_EQ(bar.Sections(0)->Align(), TsuiTitleBarAlign::suiClient);
  EXPECT_EQ(service.Calls.size(), 2u);
}

TEST(SuiTitleBar, ClicksRunTheButtonsAndDragsMoveTheForm) {
  TForm form(nullptr);
  form.SetClientSize(400, 200);
  TsuiTitleBar bar(&form);
  bar.SetParent(&form);
  bar.SetUIStyle(TsuiUIStyle::DeepBlue);
  auto* custom = bar.AddButton();
  auto* help = bar.AddButton();
  help->SetButtonType(suiHelp);
  bar.SetUIStyle(TsuiUIStyle::DeepBlue);
  // A custom button keeps its own pictures; give it one to be placed.
  TBitmap pic;
  pic.SetSize(12, 12);
  custom->PicNormal()->Assign(&pic);
  std::vector<int> customClicks, helpClicks;
  bar.OnCustomBtnsClick = [&](TObject*, int i) { customClicks.push_back(i); };
  bar.OnHelpBtnClick = [&](TObject*, int i) { helpClicks.push_back(i); };
  const auto click = [&](int index) {
    const TRect r = bar.ButtonRects()[index];
    const auto at = MakeLParam(r.Left + 1, r.Top + 1);
    bar.Perform(WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(bar.ButtonAt(r.Left + 1, r.Top + 1), index);
    bar.Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
    bar.Perform(WM_LBUTTONUP, 0, at);
  };
  click(4);
  click(5);
  EXPECT_EQ(customClicks, std::vector<int>{4});
  EXPECT_EQ(helpClicks, std::vector<int>{5});

  // Maximise toggles the form's state.
  click(2);
  EXPECT_EQ(form.WindowState(), wsMaximized);
  click(2);
  EXPECT_EQ(form.WindowState(), wsNormal);

  // A press outside the buttons starts the window system's move.
  const int moves = SystemMoveCount();
  bar.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(bar.CaptionLeft() + 20, 5));
  bar.Perform(WM_LBUTTONUP, 0, MakeLParam(bar.CaptionLeft() + 20, 5));
  EXPECT_EQ(SystemMoveCount(), moves + 1);

  // A double click outside the buttons maximises; without a maximise button
  // it does nothing.
  bar.Perform(WM_MOUSEMOVE, 0, MakeLParam(bar.CaptionLeft() + 20, 5));
  bar.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(bar.CaptionLeft() + 20, 5));
  EXPECT_EQ(form.WindowState(), wsMaximized);
  form.SetWindowState(wsNormal);
  bar.DeleteButton(2);
  bar.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(bar.CaptionLeft() + 20, 5));
  EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST(SuiTitleBar, FrameCarriesTheBarAndWinXPShowsRestorePictures) {
  TForm form(nullptr);
  form.SetCaption("Skinned");
  TsuiForm frame(&form);
  TsuiTitleBar* bar = frame.TitleBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Parent(), &frame);
  EXPECT_EQ(bar->TitleCaption(), "Skinned");
  frame.SetFormCaption("Other");
  EXPECT_EQ(form.Caption(), "Other");
  frame.SetUIStyle(TsuiUIStyle::WinXP);
  EXPECT_EQ(bar->UIStyle(), TsuiUIStyle::WinXP);
  EXPECT_EQ(bar->RegionRadius(), frame.RegionRadius());

  TBitmap normal;
  normal.Assign(bar->Buttons(2)->PicNormal());
  bar->PerformAction(2);
  ASSERT_TRUE(frame.Maximized());
  EXPECT_GT(suitest::Differing(&normal, bar->Buttons(2)->PicNormal()), 0);
  // A press on the bar of a maximised form moves nothing.
  const int moves = SystemMoveCount();
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(bar->CaptionLeft() + 20, 5));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(bar->CaptionLeft() + 20, 5));
  EXPECT_EQ(SystemMoveCount(), moves);
  bar->PerformAction(2);
  EXPECT_FALSE(frame.Maximized());
  EXPECT_EQ(suitest::Differing(&normal, bar->Buttons(2)->PicNormal()), 0);

  frame.SetTitleBarVisible(false);
  EXPECT_FALSE(bar->Visible());
}

TEST(SuiTitleBar, PaintsSectionsButtonsAndCaptionInEveryStyle) {
  for (auto style : suitest::kStyles) {
    TForm form(nullptr);
    form.SetClientSize(400, 100);
    TsuiTitleBar bar(&form);
    bar.SetParent(&form);
    bar.SetUIStyle(style);
    auto blank = suitest::Shot(&bar);
    bar.SetTitleCaption("Caption");
    auto shot = suitest::Shot(&bar);
    EXPECT_GT(suitest::Differing(blank.get(), shot.get()), 20) << int(style);  // the caption shows
    std::set<TColor> colours;
    for (int y = 0; y < bar.Height(); y += 2)
      for (int x = 0; x < bar.Width(); x += 3) colours.insert(shot->PixelColor(x, y));
    EXPECT_GT(colours.size(), 3u) << int(style);
    // The button under the mouse shows another picture.
    const TRect close = bar.ButtonRects()[1];
    bar.Perform(WM_MOUSEMOVE, 0, MakeLParam(close.Left + 2, close.Top + 2));
    auto hover = suitest::Shot(&bar);
    EXPECT_GT(suitest::Differing(shot.get(), hover.get()), 0) << int(style);
    shot->SaveToFile("/tmp/sui_title_bar_" + std::to_string(int(style)) + ".bmp");
  }
}

}  // namespace
