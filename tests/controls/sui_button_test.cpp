// The skinned buttons, check boxes and radio buttons on headless forms: state
// images in every style, missing images, the repeat timer, keyboard toggling,
// radio groups, glyph placement and the dialog keys.
#include <gtest/gtest.h>

#include "controls/sui_button.h"
#include "platform/classlib/access_keys.h"
#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "tests/controls/sui_test_util.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;
using suitest::Differing;
using suitest::kStyles;
using suitest::Shot;

namespace {

struct Host {
  TForm form{nullptr};
  Host() {
    form.SetClientSize(300, 200);
    form.SetColor(clWhite);
  }
  template <typename T>
  T* Add(int X = 10, int Y = 10, TWinControl* Parent = nullptr) {
    auto* c = new T(&form);
    c->SetParent(Parent ? Parent : &form);
    c->SetBounds(X, Y, c->Width(), c->Height());
    return c;
  }
};

}  // namespace

TEST(SkinnedButton, EachStyleDrawsItsOwnImagePerMouseState) {
  for (TsuiUIStyle style : kStyles) {
    Host h;
    auto* b = h.Add<TsuiButton>();
    b->SetUIStyle(style);
    b->SetCaption("OK");
    EXPECT_EQ(b->PicNormalResName(), "");  // styled names read empty
    auto normal = Shot(b);
    b->Perform(CM_MOUSEENTER, 0, 0);
    auto over = Shot(b);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
    auto down = Shot(b);
    b->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
    EXPECT_GT(Differing(normal.get(), over.get()), 20) << int(style);
    EXPECT_GT(Differing(over.get(), down.get()), 20) << int(style);
    // Rounded corners show the background, never the artwork's key colour.
    for (auto* shot : {normal.get(), over.get(), down.get()})
      for (TPoint p : {TPoint{0, 0}, TPoint{b->Width() - 1, b->Height() - 1}})
        EXPECT_NE(shot->PixelColor(p.X, p.Y), clFuchsia) << int(style);
    normal->SaveToFile("/tmp/sui_button_" + std::to_string(int(style)) + ".bmp");
    EXPECT_EQ(b->Transparent(), style == TsuiUIStyle::BlueGlass);
  }
}

TEST(SkinnedButton, MacOSButtonsKeepTheirHeightAndNamesSwitchToCustom) {
  Host h;
  auto* b = h.Add<TsuiButton>();
  EXPECT_EQ(b->Width(), 80);
  b->SetUIStyle(TsuiUIStyle::MacOS);
  EXPECT_EQ(b->Height(), 23);
  b->SetBounds(0, 0, 80, 40);
  EXPECT_EQ(b->Height(), 23);
  b->SetPicNormalResName("NO SUCH BITMAP");
  EXPECT_EQ(b->UIStyle(), TsuiUIStyle::Custom);
  EXPECT_EQ(b->PicNormalResName(), "NO SUCH BITMAP");
  b->SetBounds(0, 0, 80, 40);
  EXPECT_EQ(b->Height(), 40);
}

TEST(SkinnedButton, AMissingImagePaintsBackgroundAndCaptionOnly) {
  Host h;
  auto* b = h.Add<TsuiButton>();
  b->SetPicNormalResName("NO SUCH BITMAP");
  b->SetColor(clYellow);
  b->SetCaption("Go");
  std::unique_ptr<TBitmap> shot;
  ASSERT_NO_THROW(shot = Shot(b));
  // No blank block where the image would have been.
  EXPECT_EQ(shot->PixelColor(3, 3), ColorToRGB(clYellow));
  EXPECT_EQ(shot->PixelColor(70, 18), ColorToRGB(clYellow));
  int ink = 0;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) ink += shot->PixelColor(x, y) != ColorToRGB(clYellow);
  EXPECT_GT(ink, 5);  // the caption
  // Another module has no resources.
  b->SetPicNormalResName("");
  b->SetUIStyle(TsuiUIStyle::WinXP);
  b->SetResHandle(7);
  EXPECT_NO_THROW(Shot(b));
}

TEST(SkinnedButton, HoldingRepeatsUntilTheMouseLeaves) {
  Host h;
  auto* b = h.Add<TsuiButton>();
  int ticks = 0, exits = 0;
  b->OnMouseContinuouslyDown = [&](TObject*) { ++ticks; };
  b->OnMouseExit = [&](TObject*) { ++exits; };
  b->Perform(CM_MOUSEENTER, 0, 0);
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  ASSERT_NE(b->RepeatTimer(), nullptr);
  EXPECT_EQ(b->RepeatTimer()->Interval(), 100u);
  b->RepeatTimer()->Fire();
  b->RepeatTimer()->Fire();
  EXPECT_EQ(ticks, 2);
  b->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(b->RepeatTimer(), nullptr);
  EXPECT_FALSE(b->Pressed());
  EXPECT_FALSE(b->MouseOn());
  EXPECT_EQ(exits, 1);
  // Released inside: the timer goes too.
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  b->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST(SkinnedButton, DefaultAndCancelAnswerTheDialogKeys) {
  Host h;
  h.form.Show();
  auto* ok = h.Add<TsuiButton>(10, 10);
  auto* cancel = h.Add<TsuiButton>(100, 10);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  int ok_clicks = 0, cancel_clicks = 0;
  ok->OnClick = [&](TObject*) { ++ok_clicks; };
  cancel->OnClick = [&](TObject*) { ++cancel_clicks; };
  EXPECT_NE(h.form.Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
  EXPECT_EQ(ok_clicks, 1);
  EXPECT_EQ(h.form.ModalResult(), mrOk);
  h.form.Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
  EXPECT_EQ(cancel_clicks, 1);
  EXPECT_EQ(h.form.ModalResult(), mrCancel);
  EXPECT_EQ(h.form.Perform(CM_DIALOGKEY, VK_SPACE, 0), 0);
  h.form.Hide();
}

TEST(SkinnedButton, GlyphsSplitInTwoAndFollowTheLayoutTable) {
  Host h;
  auto* b = h.Add<TsuiButton>();
  b->SetBounds(0, 0, 100, 40);
  auto glyph = lumitest::FilledBitmap(32, 16, clRed);
  glyph->Canvas()->SetPixels(0, 0, clFuchsia);  // the mask colour
  b->SetGlyph(glyph.get());
  TPoint g, t;
  b->GlyphLayout(30, 13, g, t);  // glyph 16 wide: two images
  EXPECT_EQ(g, (TPoint{(100 - 16 - 30 - 4) / 2, (40 - 16) / 2}));
  EXPECT_EQ(t, (TPoint{g.X + 16 + 4, (40 - 13) / 2}));
  b->SetLayout(blGlyphRight);
  b->GlyphLayout(30, 13, g, t);
  EXPECT_EQ(g.X, (100 + 30 + 4 - 16) / 2);
  EXPECT_EQ(t.X, g.X - 30 - 4);
  b->SetLayout(blGlyphTop);
  b->GlyphLayout(30, 13, g, t);
  EXPECT_EQ(g, (TPoint{(100 - 16) / 2, (40 - 13 - 16 - 4) / 2}));
  EXPECT_EQ(t, (TPoint{(100 - 30) / 2, g.Y + 16 + 4}));
  b->SetLayout(blGlyphBottom);
  b->GlyphLayout(30, 13, g, t);
  EXPECT_EQ(g.Y, (40 + 13 + 4 - 16) / 2);
  EXPECT_EQ(t.Y, g.Y - 13 - 4);
  // The red glyph shows, 16 wide, on a button with no caption.
  b->SetUIStyle(TsuiUIStyle::Custom);
  b->SetLayout(blGlyphLeft);
  auto shot = Shot(b);
  int red = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) red += shot->PixelColor(x, y) == clRed;
  EXPECT_EQ(red, 16 * 16 - 1);  // one image, less the masked top-left pixel
}

TEST(SkinnedCheckBox, SpaceTogglesOnceAndRadioButtonsStayChecked) {
  Host h;
  h.form.Show();
  auto* box = h.Add<TsuiCheckBox>(10, 10);
  EXPECT_EQ(box->Caption(), "suiCheckBox");
  EXPECT_EQ(box->Height(), 17);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  h.form.BringToFront();
  Application->ProcessMessages();
  box->SetFocus();
  Application->ProcessMessages();
  ASSERT_TRUE(box->Focused());
  box->Perform(WM_KEYDOWN, VK_SPACE, 0);
  box->Perform(WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks, 1);
  box->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  box->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  EXPECT_FALSE(box->Checked());

  auto* radio = h.Add<TsuiRadioButton>(10, 40);
  radio->SetFocus();
  Application->ProcessMessages();
  radio->Perform(WM_KEYDOWN, VK_SPACE, 0);
  radio->Perform(WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(radio->Checked());
  radio->Perform(WM_KEYDOWN, VK_SPACE, 0);
  radio->Perform(WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(radio->Checked());
  h.form.Hide();
}

TEST(SkinnedButton, AccessKeysClickButtonsAndToggleCheckBoxesOnce) {
  Host h;
  auto* save = h.Add<TsuiButton>(10, 10);
  save->SetCaption("&Save");
  auto* box = h.Add<TsuiCheckBox>(10, 50);
  box->SetCaption("&Bold && strong");
  auto* other = h.Add<TsuiCheckBox>(10, 80);
  other->SetCaption("B&&B");  // no access key at all
  int saves = 0;
  save->OnClick = [&](TObject*) { ++saves; };
  const intptr_t alt = static_cast<intptr_t>(ssAlt) << 32;
  // Alt+S pressed on any control of the form reaches the button.
  box->Perform(WM_KEYDOWN, 'S', alt);
  EXPECT_EQ(saves, 1);
  h.form.Perform(WM_KEYDOWN, 'B', alt);
  EXPECT_TRUE(box->Checked());
  EXPECT_FALSE(other->Checked());
  h.form.Perform(WM_KEYDOWN, 'B', alt);
  EXPECT_FALSE(box->Checked());
  // Without Alt, or on a disabled button, nothing happens.
  h.form.Perform(WM_KEYDOWN, 'S', 0);
  save->SetEnabled(false);
  h.form.Perform(WM_KEYDOWN, 'S', alt);
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(IsAccel('s', "&Save"));
  EXPECT_FALSE(IsAccel('S', "Save&"));
  EXPECT_FALSE(IsAccel('&', "a&&b"));
  EXPECT_TRUE(IsAccel('C', "a&&b &c"));
}

TEST(SkinnedCheckBox, UnderCustomTheCaptionStartsBesideTheImageItDraws) {
  Host h;
  auto* box = h.Add<TsuiCheckBox>();
  box->SetUIStyle(TsuiUIStyle::Custom);
  box->SetPicNormalResName("");
  box->SetCaption("X");
  auto plain = Shot(box);
  box->SetPicNormalResName(GetThemeResName(TsuiUIStyle::WinXP, 30));
  auto imaged = Shot(box);
  // The caption moved right by the image's width: the two pictures differ
  // beyond the image.
  TBitmap image;
  image.LoadFromResourceName(GetThemeResName(TsuiUIStyle::WinXP, 30));
  int moved = 0;
  for (int y = 0; y < box->Height(); ++y)
    for (int x = image.Width() + 2; x < box->Width(); ++x)
      moved += plain->PixelColor(x, y) != imaged->PixelColor(x, y);
  EXPECT_GT(moved, 5);
}

TEST(SkinnedRadioButton, CheckingUnchecksOnlyTheSameGroupOnTheSameParent) {
  Host h;
  auto* panel = new TCustomControl(&h.form);
  panel->SetParent(&h.form);
  panel->SetBounds(150, 0, 150, 200);
  auto* a = h.Add<TsuiRadioButton>(0, 0);
  auto* b = h.Add<TsuiRadioButton>(0, 20);
  auto* other_group = h.Add<TsuiRadioButton>(0, 40);
  other_group->SetGroupIndex(1);
  auto* elsewhere = h.Add<TsuiRadioButton>(0, 0, panel);
  a->SetChecked(true);
  other_group->SetChecked(true);
  elsewhere->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other_group->Checked());
  EXPECT_TRUE(elsewhere->Checked());
}

TEST(SkinnedCheckBox, StateImagesFollowCheckedAndEnabledInEveryStyle) {
  for (TsuiUIStyle style : kStyles) {
    Host h;
    auto* box = h.Add<TsuiCheckBox>();
    box->SetUIStyle(style);
    auto* radio = h.Add<TsuiRadioButton>(10, 40);
    radio->SetUIStyle(style);
    auto off = Shot(box), radio_off = Shot(radio);
    box->SetChecked(true);
    radio->SetChecked(true);
    auto on = Shot(box), radio_on = Shot(radio);
    EXPECT_GT(Differing(off.get(), on.get()), 3) << int(style);
    EXPECT_GT(Differing(radio_off.get(), radio_on.get()), 3) << int(style);
    box->SetEnabled(false);
    auto disabled = Shot(box);
    EXPECT_GT(Differing(on.get(), disabled.get()), 3) << int(style);
    EXPECT_EQ(box->Transparent(), style == TsuiUIStyle::MacOS || style == TsuiUIStyle::Protein);
    on->SaveToFile("/tmp/sui_check_" + std::to_string(int(style)) + ".bmp");
    radio_on->SaveToFile("/tmp/sui_radio_" + std::to_string(int(style)) + ".bmp");
  }
}
