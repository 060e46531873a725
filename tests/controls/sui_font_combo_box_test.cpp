// Font pickers: the installed families sorted and filtered, choosing a family
// by name, and the sizes offered for a family.
#include <gtest/gtest.h>

#include "controls/sui_font_combo_box.h"
#include "platform/classlib/font_families.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/string_list.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiFontComboBox, FamiliesSortedFilteredAndChosen) {
  TForm form(nullptr);
  TsuiFontComboBox box(&form);
  const int n = box.Items()->Count();
  ASSERT_GT(n, 0);
  for (int i = 1; i < n; ++i) EXPECT_LT(box.Items()->Strings(i - 1), box.Items()->Strings(i));
  for (int i = 0; i < n; ++i) EXPECT_NE(box.FontType(i) & 0xFF, 0);
  EXPECT_EQ(box.FontType(n), 0);

  int changes = 0;
  box.OnChange = [&](TObject*) { ++changes; };
  const std::string first = box.Items()->Strings(0);
  std::string shouted = first;
  for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  box.SetFontName(shouted);  // names match whatever their case
  EXPECT_EQ(box.FontName(), first);
  EXPECT_EQ(changes, 1);
  box.SetFontName("No Such Family At All");
  EXPECT_EQ(box.ItemIndex(), -1);  // a drop-down list cannot show it
  EXPECT_EQ(changes, 2);

  // Rebuilding keeps the chosen family and tells nobody.
  box.SetFontName(first);
  changes = 0;
  box.SetOptions(foNoSymbolFonts);
  box.SetDevice(fdBoth);  // printers add nothing
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(box.FontName(), first);

  box.SetOptions(foTrueTypeOnly);
  for (int i = 0; i < box.Items()->Count(); ++i)
    EXPECT_EQ(box.FontType(i) & 0xFF, TRUETYPE_FONTTYPE);
  box.SetOptions(foFixedPitchOnly);
  int fixedInAll = 0;
  for (const auto& f : ScreenFontFamilies()) fixedInAll += f.FixedPitch;
  EXPECT_LE(box.Items()->Count(), fixedInAll);
  box.SetOptions(foOEMFontsOnly);
  EXPECT_EQ(box.Items()->Count(), 0);  // no OEM fonts here

  // A change of the installed fonts rebuilds the list, keeping the choice.
  box.SetOptions(0);
  box.SetFontName(first);
  box.Perform(WM_FONTCHANGE);
  EXPECT_EQ(box.FontName(), first);
  box.Items()->Clear();
  box.Perform(WM_FONTCHANGE);
  EXPECT_EQ(box.Items()->Count(), n);
}

TEST(SuiFontComboBox, SizesOfAnOutlineFamily) {
  TForm form(nullptr);
  TsuiFontSizeComboBox sizes(&form);
  int clicks = 0;
  sizes.OnClick = [&](TObject*) { ++clicks; };
  TsuiFontComboBox fonts(&form);
  fonts.SetOptions(foTrueTypeOnly);
  ASSERT_GT(fonts.Items()->Count(), 0);
  sizes.SetFontName(fonts.Items()->Strings(0));
  ASSERT_EQ(sizes.Items()->Count(), 16);
  EXPECT_EQ(sizes.Items()->Strings(0), "8");
  EXPECT_EQ(sizes.Items()->Strings(15), "72");
  EXPECT_EQ(clicks, 1);
  sizes.SetItemIndex(4);
  sizes.SetFontName(fonts.Items()->Strings(fonts.Items()->Count() - 1));
  EXPECT_EQ(sizes.Text(), "12");  // the size stays chosen
  sizes.SetFontName("");
  EXPECT_EQ(sizes.Items()->Count(), 0);
}

}  // namespace
