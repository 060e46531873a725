// Style tables: typed lookups and their fall-backs, style bytes, finding the
// skinned frame, and applying a style to the skinned children of containers.
#include <gtest/gtest.h>

#include <set>

#include "controls/sui_themes.h"
#include "platform/classlib/control.h"

using namespace classlib;
using namespace controls;

namespace {

constexpr TsuiUIStyle kStyles[] = {TsuiUIStyle::MacOS, TsuiUIStyle::WinXP, TsuiUIStyle::DeepBlue,
                                   TsuiUIStyle::Protein, TsuiUIStyle::BlueGlass};

TEST(SuiThemes, TypedLookupsFallBackByKind) {
  EXPECT_EQ(GetThemeInt(TsuiUIStyle::Custom, 20), -1);
  EXPECT_EQ(GetThemeColor(TsuiUIStyle::Custom, 12), 0);
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::Custom, 23), "");
  EXPECT_EQ(GetThemeColor(TsuiUIStyle::DeepBlue, 20), 0);
  EXPECT_EQ(GetThemeInt(TsuiUIStyle::DeepBlue, 2), -1);
  EXPECT_EQ(GetThemeInt(TsuiUIStyle::DeepBlue, 20), 21);
  EXPECT_EQ(GetThemeColor(TsuiUIStyle::DeepBlue, 11), 0x00A04A44);
  EXPECT_EQ(GetThemeInt(TsuiUIStyle::WinXP, 4), 3);
  EXPECT_EQ(GetThemeInt(TsuiUIStyle::MacOS, 68), -2);
  EXPECT_TRUE(GetThemeBool(TsuiUIStyle::Protein, 66));
  EXPECT_FALSE(GetThemeBool(TsuiUIStyle::DeepBlue, 66));
  EXPECT_FALSE(GetThemeBool(TsuiUIStyle::Protein, 67));  // an integer, not a flag
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::DeepBlue, 20), "");
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::DeepBlue, 77), "DEEPBLUE_TRACKBAR_BAR");
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::WinXP, 63), "WINXP_TITLEBTN_RST_NORMAL");
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::Protein, 63), "PROTEIN_TITLEBTN_MAX_NORMAL");
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::WinXP, 32), "WINXP_CHECKBOX_MOUSEON_UNCHECK");
  EXPECT_EQ(GetThemeResName(TsuiUIStyle::BlueGlass, 32), "BLUEGLASS_CHECKBOX_UNCHECK");
}

TEST(SuiThemes, StyleBytesAndNumbersOutsideTheTables) {
  uint8_t kind = 9;
  EXPECT_EQ(GetThemeEntry(uint8_t{0x83}, 20, kind), 21);  // only the low seven bits count
  EXPECT_EQ(kind, tkInteger);
  for (int style : {0, 6, 7, 100, 127, 0x80, 0xFF}) {
    kind = 9;
    EXPECT_EQ(GetThemeEntry(static_cast<uint8_t>(style), 20, kind), -1) << style;
    EXPECT_EQ(kind, 0) << style;
  }
  for (int number : {0, 92, -1, 1000000}) {
    kind = 9;
    EXPECT_EQ(GetThemeEntry(TsuiUIStyle::DeepBlue, number, kind), -1) << number;
    EXPECT_EQ(kind, 0) << number;
    EXPECT_EQ(GetThemeResName(TsuiUIStyle::DeepBlue, number), "");
  }
  EXPECT_EQ(GetThemeResName(static_cast<TsuiUIStyle>(42), 24), "");
}

TEST(SuiThemes, EveryStyleHasItsOwnNamesAndEveryNameEntryHasOne) {
  std::set<std::string> all;
  for (TsuiUIStyle s : kStyles) {
    std::set<std::string> own;
    for (int n = 1; n <= kThemeEntryCount; ++n) {
      uint8_t kind = 0;
      GetThemeEntry(s, n, kind);
      std::string name = GetThemeResName(s, n);
      EXPECT_EQ(kind == tkResName, !name.empty()) << int(s) << " " << n;
      if (!name.empty() && name != "MENU_CHECKED") own.insert(name);
    }
    EXPECT_EQ(own.size(), s == TsuiUIStyle::WinXP ? 55u : 44u) << int(s);
    all.insert(own.begin(), own.end());
  }
  EXPECT_EQ(all.size(), 231u);
}

// A stand-in for a skinned form frame.
class StubFrame : public TWinControl, public IsuiFormFrame {
 public:
  StubFrame(TWinControl* parent, TsuiUIStyle style) : TWinControl(nullptr), style_(style) {
    SetParent(parent);
  }
  TsuiUIStyle FrameUIStyle() const override { return style_; }
  TColor FrameColor() const override { return 0x123456; }
  void SetFrameMenu(TComponent* Menu) override { menu = Menu; }
  void RebuildMenuBar() override { ++rebuilds; }
  void RefreshMenuBar() override { ++refreshes; }
  void RefreshMenuBarFont() override {}
  TComponent* menu = nullptr;
  int rebuilds = 0, refreshes = 0;

 private:
  TsuiUIStyle style_;
};

TEST(SuiThemes, FindFormLooksAtDirectChildrenOnly) {
  TWinControl form(nullptr);
  EXPECT_EQ(FindFormUIStyle(&form), TsuiUIStyle::DeepBlue);
  EXPECT_EQ(FindFormUIStyle(nullptr), TsuiUIStyle::DeepBlue);
  EXPECT_EQ(FindFormBorderColor(&form), 0);
  EXPECT_EQ(FindFormColor(&form), clBtnFace);

  TWinControl panel(nullptr);
  panel.SetParent(&form);
  StubFrame nested(&panel, TsuiUIStyle::MacOS);
  EXPECT_EQ(FindFormUIStyle(&form), TsuiUIStyle::DeepBlue);

  StubFrame frame(&form, TsuiUIStyle::WinXP);
  StubFrame second(&form, TsuiUIStyle::Protein);
  EXPECT_EQ(FindFormUIStyle(&form), TsuiUIStyle::WinXP);
  EXPECT_EQ(FindFormBorderColor(&form), 0x00686868);
  EXPECT_EQ(FindFormColor(&form), 0x123456);
}

// A skinned control stand-in that records what a style application sets.
class StubStyled : public TWinControl, public IsuiStyled {
 public:
  StubStyled(TWinControl* parent, uint8_t rows, TsuiUIStyle style = TsuiUIStyle::MacOS)
      : TWinControl(nullptr), rows_(rows), style(style) {
    SetParent(parent);
  }
  uint8_t SuiStyleRows() const override { return rows_; }
  TsuiUIStyle SuiUIStyle() const override { return style; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { style = Value; }
  void SuiSetBorderColor(TColor Value) override { border = Value; }
  void SuiSetFontColor(TColor Value) override { font = Value; }
  void SuiSetColor(TColor Value) override { color = Value; }
  void SuiSetSideBarColor(TColor Value) override { side = Value; }
  uint8_t rows_;
  TsuiUIStyle style;
  TColor border = -5, font = -5, color = -5, side = -5;
};

TEST(SuiThemes, ApplyMatrix) {
  TWinControl form(nullptr);
  StubStyled button(&form, srStyleUnlessCustom);
  StubStyled custom_button(&form, srStyleUnlessCustom, TsuiUIStyle::Custom);
  StubStyled list(&form, srBorderColor);
  StubStyled group(&form, srGroupBox | srContainer);
  StubStyled side(&form, srSideChannel);
  StubStyled combo(&form, srStyle, TsuiUIStyle::Custom);
  TWinControl plain(nullptr);
  plain.SetParent(&form);

  ApplyUIStyleToChildren(&form, TsuiUIStyle::WinXP);
  EXPECT_EQ(button.style, TsuiUIStyle::WinXP);
  EXPECT_EQ(custom_button.style, TsuiUIStyle::Custom);
  EXPECT_EQ(list.border, 0x00686868);
  EXPECT_EQ(list.color, -5);
  EXPECT_EQ(group.border, 0x00686868);
  EXPECT_EQ(group.font, 0x00CF4602);
  EXPECT_EQ(group.color, 0x00DEEBEF);
  EXPECT_EQ(side.color, 0x00DEEBEF);
  EXPECT_EQ(side.side, 0x00DEEBEF);
  EXPECT_EQ(combo.style, TsuiUIStyle::WinXP);  // unconditionally

  // Two levels through a container, one level directly; deeper stays.
  StubStyled inner(&group, srBorderColor);
  StubStyled inner_group(&group, srGroupBox | srContainer);
  StubStyled deepest(&inner_group, srBorderColor);
  ApplyUIStyleToContainers(&form, TsuiUIStyle::DeepBlue);
  ApplyUIStyleToChildren(&form, TsuiUIStyle::DeepBlue);
  EXPECT_EQ(inner.border, 0);
  EXPECT_EQ(inner_group.color, 0x00E8E8E8);
  EXPECT_EQ(deepest.border, -5);
  EXPECT_EQ(list.border, 0);
}

}  // namespace
