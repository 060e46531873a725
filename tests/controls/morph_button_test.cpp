// The morph button on a host form: the fade's timer steps, pressing and
// releasing, the blended picture, and the wave player's flags and data.
#include <gtest/gtest.h>

#include "controls/morph_button.h"
#include "platform/classlib/form.h"
#include "platform/classlib/math_utils.h"
#include "platform/sound/sound_output.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

struct Host {
  TForm form{nullptr};
  TepMorphButton* button;
  int clicks = 0;
  Host() {
    form.SetClientSize(100, 60);
    button = new TepMorphButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 20, 10);
    auto up = lumitest::FilledBitmap(20, 10, RGB(10, 20, 30));
    auto active = lumitest::FilledBitmap(20, 10, RGB(201, 100, 31));
    auto down = lumitest::FilledBitmap(20, 10, RGB(0, 0, 200));
    button->SetUpGlyph(up.get());
    button->SetActiveGlyph(active.get());
    button->SetDownGlyph(down.get());
    button->OnClick = [this](TObject*) { ++clicks; };
  }
  void Msg(uint32_t m, int x = 5, int y = 5) {
    button->Perform(m, m == WM_LBUTTONDOWN ? static_cast<uintptr_t>(MK_LBUTTON) : 0u,
                    MakeLParam(x, y));
  }
  TColor PixelAt(int x, int y) {
    auto b = lumitest::FilledBitmap(100, 60, clBlack);
    form.PaintTo(b->Canvas(), 0, 0);
    return b->PixelColor(x, y);
  }
};

}  // namespace

TEST(MorphButton, FadeInEndsOnTheTickThatFindsOneAndFadeOutReverses) {
  Host h;
  h.button->Perform(CM_MOUSEENTER);
  ASSERT_TRUE(h.button->Timer()->Enabled());
  int ticks = 0;
  while (h.button->Timer()->Enabled() && ticks < 50) {
    h.button->Timer()->Fire();
    ++ticks;
  }
  // Ten additions of 0.1 stay below 1 in binary: an eleventh happens, the twelfth tick stops.
  EXPECT_EQ(ticks, 12);
  EXPECT_EQ(h.button->morph, 1.0);

  h.button->Perform(CM_MOUSELEAVE);
  for (int i = 0; i < 4; ++i) h.button->Timer()->Fire();
  const double halfway = h.button->morph;
  EXPECT_NEAR(halfway, 0.6, 1e-9);
  h.button->Perform(CM_MOUSEENTER);  // back in: the fade reverses from here
  h.button->Timer()->Fire();
  EXPECT_NEAR(h.button->morph, 0.7, 1e-9);
}

TEST(MorphButton, ClickComesFromAReleaseInsideOnly) {
  Host h;
  h.button->Perform(CM_MOUSEENTER);
  h.Msg(WM_LBUTTONDOWN);
  EXPECT_EQ(h.PixelAt(12, 12), RGB(0, 0, 200));  // the down glyph while held
  h.Msg(WM_LBUTTONUP);
  EXPECT_EQ(h.clicks, 1);
  EXPECT_EQ(h.button->morph, 1.0);

  // Press, leave, release: no click, and the normal glyph again.
  h.Msg(WM_LBUTTONDOWN);
  h.button->Perform(CM_MOUSELEAVE);
  h.button->Timer()->SetEnabled(false);
  h.Msg(WM_LBUTTONUP, 50, 50);
  EXPECT_EQ(h.clicks, 1);
  EXPECT_EQ(h.button->morph, 0.0);
  EXPECT_EQ(h.PixelAt(12, 12), RGB(10, 20, 30));
}

TEST(MorphButton, HalfwayPixelsAreTheRoundedMeanOfBothGlyphs) {
  Host h;
  h.button->morph = 0.5;
  const TColor c = h.PixelAt(15, 15);
  EXPECT_EQ(GetRValue(c), Round((10 + 201) / 2.0L));  // 105.5 -> 106
  EXPECT_EQ(GetGValue(c), 60);
  EXPECT_EQ(GetBValue(c), Round((30 + 31) / 2.0L));  // 30.5 -> 30
  // Without an active glyph the button paints nothing of its own.
  TBitmap empty;
  h.button->SetActiveGlyph(&empty);
  EXPECT_EQ(h.PixelAt(15, 15), h.PixelAt(5, 5));
}

TEST(WavePlayer, OptionsGiveTheSoundFlagsAndTheWaveKeepsItsBytes) {
  TepWavePlayer p(nullptr);
  EXPECT_EQ(p.SoundFlags(), 4u);
  p.SetOptions(wpoAsync | wpoNoDefault | wpoLoop | wpoNoStop);
  EXPECT_EQ(p.SoundFlags(), 4u + 1 + 2 + 8 + 16);
  p.SetOptions(wpoLoop);
  EXPECT_EQ(p.SoundFlags(), 12u);

  TepWave w;
  int changes = 0;
  w.OnChange = [&](TObject*) { ++changes; };
  TMemoryStream in;
  const char bytes[] = "RIFF....WAVE";
  in.WriteBuffer(bytes, 12);
  in.SetPosition(0);
  w.ReadData(&in);
  EXPECT_TRUE(w.Modified);
  EXPECT_EQ(changes, 1);
  TMemoryStream out;
  w.WriteData(&out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.Memory()), 12), std::string(bytes, 12));
  TepWave copy;
  copy.Assign(&w);
  EXPECT_EQ(copy.WaveImage()->Size(), 12);

  // Playing an image that is no wave plays nothing and raises nothing.
  int before = 0, after = 0;
  p.BeforePlay = [&](TObject*) { ++before; };
  p.AfterPlay = [&](TObject*) { ++after; };
  p.SetWave(&w);
  sound::SetSoundDeviceEnabled(false);
  p.PlayWave();
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  EXPECT_FALSE(sound::SoundPlaying());
}
