// The style bitmaps: every name of every style resolves, the DeepBlue sizes,
// the transparent key where each control reads it, and distinct states.
#include <gtest/gtest.h>

#include "controls/sui_themes.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/resources.h"

using namespace classlib;
using namespace controls;

namespace {

constexpr TsuiUIStyle kStyles[] = {TsuiUIStyle::MacOS, TsuiUIStyle::WinXP, TsuiUIStyle::DeepBlue,
                                   TsuiUIStyle::Protein, TsuiUIStyle::BlueGlass};

std::unique_ptr<TBitmap> Load(const std::string& name) {
  auto b = std::make_unique<TBitmap>();
  b->LoadFromResourceName(name);
  return b;
}

TSize SizeOf(const std::string& name) {
  auto b = Load(name);
  return {b->Width(), b->Height()};
}

TEST(SuiArtwork, EveryNameOfEveryStyleResolves) {
  for (TsuiUIStyle s : kStyles)
    for (int n = 1; n <= kThemeEntryCount; ++n) {
      const std::string name = GetThemeResName(s, n);
      if (name.empty()) continue;
      TResourceData data;
      EXPECT_TRUE(FindResource(name, data)) << name;
    }
  for (const char* fixed :
       {"MACOS_MENU_BAR", "MACOS_MENU_SELECT", "MACOS_FORM_BACKGROUND", "PROTEIN_FORM_BACKGROUND",
        "MACOS_COMBOBOX_BUTTON", "SIDECHANNEL_BAR_NORMAL", "SIDECHANNEL_BAR_MOUSEON",
        "SIDECHANNEL_BTN_ONTOP", "SIDECHANNEL_BTN_NOONTOP", "FONTCOMBO_TRUETYPE_FNT",
        "FONTCOMBO_DEVICE_FNT", "W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"}) {
    TResourceData data;
    EXPECT_TRUE(FindResource(fixed, data)) << fixed;
  }
}

TEST(SuiArtwork, Sizes) {
  const std::pair<const char*, TSize> deepblue[] = {
      {"DEEPBLUE_BUTTON_NORMAL", {74, 21}},
      {"DEEPBLUE_CHECKBOX_CHECK", {13, 13}},
      {"DEEPBLUE_RADIOBUTTON_UNCHECK", {13, 13}},
      {"DEEPBLUE_PROGRESSBAR", {1, 10}},
      {"DEEPBLUE_PROGRESSBAR_V", {10, 1}},
      {"DEEPBLUE_SCROLLBAR_TOPBUTTON_NORMAL", {16, 16}},
      {"DEEPBLUE_SCROLLBAR_TRACK", {16, 21}},
      {"DEEPBLUE_TAB_ACTIVE", {6, 17}},
      {"DEEPBLUE_TAB_LINE", {5, 5}},
      {"DEEPBLUE_TITLEBTN_CLOSE_NORMAL", {19, 19}},
      {"DEEPBLUE_TITLE_LEFT", {97, 32}},
      {"DEEPBLUE_TITLE_CLIENT", {98, 32}},
      {"DEEPBLUE_TRACKBAR_BAR", {45, 4}},
      {"DEEPBLUE_TRACKBAR_SLIDER", {11, 20}},
      {"DEEPBLUE_TRACKBAR_SLIDER_V", {18, 11}},
      {"MENU_CHECKED", {16, 16}},
      {"MACOS_MENU_BAR", {100, 20}},
      {"MACOS_FORM_BACKGROUND", {8, 8}},
      {"MACOS_COMBOBOX_BUTTON", {17, 17}},
      {"SIDECHANNEL_BAR_NORMAL", {10, 80}},
      {"FONTCOMBO_DEVICE_FNT", {12, 12}},
      {"W95_HTB", {22, 21}},
      {"W95_HRL", {40, 6}},
      {"W95_VTB", {42, 11}},
      {"W95_VRL", {6, 40}}};
  for (const auto& [name, size] : deepblue) {
    TSize got = SizeOf(name);
    EXPECT_EQ(got.cx, size.cx) << name;
    EXPECT_EQ(got.cy, size.cy) << name;
  }
  EXPECT_EQ(SizeOf("MACOS_BUTTON_NORMAL").cy, 23);
  for (TsuiUIStyle s : kStyles) {
    // A tab and its line fill the tab strip.
    EXPECT_EQ(SizeOf(GetThemeResName(s, 70)).cy + 5, GetThemeInt(s, 73));
    EXPECT_EQ(SizeOf(GetThemeResName(s, 24)).cy % 2, 1);  // nine-part faces of odd height
    EXPECT_EQ(SizeOf(GetThemeResName(s, 75)).cx % 3, 0);  // three-part widths
    EXPECT_EQ(SizeOf(GetThemeResName(s, 70)).cx % 3, 0);
  }
  EXPECT_EQ(SizeOf("WINXP_TITLE_CLIENT").cy, 30);
  EXPECT_EQ(SizeOf("BLUEGLASS_TITLE_LEFT").cy, 31);
}

TEST(SuiArtwork, KeysWhereReadersLook) {
  for (TsuiUIStyle s : kStyles) {
    for (int n : {24, 25, 26, 48, 63}) {  // faces and title buttons: all four corners
      auto b = Load(GetThemeResName(s, n));
      const int w = b->Width() - 1, h = b->Height() - 1;
      for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
        EXPECT_EQ(b->Canvas()->Pixels(x, y), clFuchsia) << GetThemeResName(s, n);
    }
    for (int n : {35, 70, 71, 85, 88})  // radio buttons, tabs, scroll buttons: top left
      EXPECT_EQ(Load(GetThemeResName(s, n))->Canvas()->Pixels(0, 0), clFuchsia)
          << GetThemeResName(s, n);
    for (int n : {75, 76, 78}) {  // track bars: bottom left
      auto b = Load(GetThemeResName(s, n));
      EXPECT_EQ(b->Canvas()->Pixels(0, b->Height() - 1), clFuchsia) << GetThemeResName(s, n);
    }
    for (int n : {27, 29, 43, 72, 91}) {  // opaque
      auto b = Load(GetThemeResName(s, n));
      for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
          ASSERT_NE(b->Canvas()->Pixels(x, y), clFuchsia) << GetThemeResName(s, n);
    }
  }
  for (const char* name : {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL", "SIDECHANNEL_BAR_NORMAL",
                           "SIDECHANNEL_BTN_ONTOP", "FONTCOMBO_TRUETYPE_FNT"}) {
    auto b = Load(name);
    EXPECT_EQ(b->Canvas()->Pixels(0, b->Height() - 1), clFuchsia) << name;
  }
  auto tick = Load("MENU_CHECKED");
  EXPECT_EQ(tick->Canvas()->Pixels(0, 0), clWhite);
}

TEST(SuiArtwork, StatesDiffer) {
  auto differs = [](const std::string& a, const std::string& b) {
    auto x = Load(a), y = Load(b);
    for (int j = 0; j < x->Height(); ++j)
      for (int i = 0; i < x->Width(); ++i)
        if (x->Canvas()->Pixels(i, j) != y->Canvas()->Pixels(i, j)) return true;
    return false;
  };
  for (TsuiUIStyle s : kStyles) {
    EXPECT_TRUE(differs(GetThemeResName(s, 24), GetThemeResName(s, 25)));
    EXPECT_TRUE(differs(GetThemeResName(s, 24), GetThemeResName(s, 26)));
    EXPECT_TRUE(differs(GetThemeResName(s, 27), GetThemeResName(s, 29)));  // disabled / normal
    EXPECT_TRUE(differs(GetThemeResName(s, 29), GetThemeResName(s, 30)));  // checked / unchecked
    EXPECT_TRUE(differs(GetThemeResName(s, 37), GetThemeResName(s, 38)));
    EXPECT_TRUE(differs(GetThemeResName(s, 85), GetThemeResName(s, 87)));
  }
  EXPECT_TRUE(differs("WINXP_CHECKBOX_NORMAL_CHECK", "WINXP_CHECKBOX_MOUSEON_CHECK"));
  EXPECT_TRUE(differs("SIDECHANNEL_BAR_NORMAL", "SIDECHANNEL_BAR_MOUSEON"));
  // The faces take their style's colours.
  EXPECT_NE(Load("DEEPBLUE_BUTTON_NORMAL")->Canvas()->Pixels(10, 15),
            Load("WINXP_BUTTON_NORMAL")->Canvas()->Pixels(10, 15));
}

}  // namespace
