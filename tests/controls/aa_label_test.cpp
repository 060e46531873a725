// The anti-aliased text engine's numbers and the labels that draw with it.
#include <gtest/gtest.h>

#include "controls/aa_label.h"
#include "platform/classlib/control_drag.h"
#include "platform/classlib/form.h"
#include "platform/classlib/shell_open.h"
#include "platform/classlib/std_controls.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

TEST(AAMask, FactorThreeUsesItsNineWeights) {
  // One 3x3 cell: 1, 1, 1/2 / 1, 1, 1 / 1/2, 1, 1, halved samples truncated, sum / 8.
  const uint8_t s[9] = {10, 20, 31, 40, 50, 60, 71, 80, 90};
  TAAMask m;
  m.SetSize(1, 1);
  m.Reduce(s, 3, 3);
  EXPECT_EQ(m.At(0, 0), (10 + 20 + 15 + 40 + 50 + 60 + 35 + 80 + 90) / 8);
  const uint8_t four[16] = {255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 1};
  m.Reduce(four, 4, 4);
  EXPECT_EQ(m.At(0, 0), (8 * 255 + 1) / 16);
}

TEST(AAMask, OutlineAndBlurFollowTheirFormulas) {
  TAAMask m;
  m.SetSize(3, 3);
  m.At(1, 0) = 200;  // above the centre
  m.At(2, 2) = 100;  // below-right
  m.Outline();
  EXPECT_EQ(m.At(1, 1), (200 + 100) / 4);
  EXPECT_EQ(m.At(1, 0), 200);  // border pixels keep their value

  // Blur at full strength: edge rows and columns repeat.
  TAAMask b;
  b.SetSize(5, 5);
  b.At(0, 0) = 255;
  b.Blur(100);
  EXPECT_EQ(b.At(0, 0), 92);  // counted 9 times: 2295 / 25 = 91.8
  EXPECT_EQ(b.At(1, 1), 41);  // counted 4 times: 40.8
  EXPECT_EQ(b.At(4, 4), 0);
  TAAMask half;
  half.SetSize(5, 5);
  half.At(0, 0) = 255;
  half.Blur(50);  // k = 128: 255 + (92 - 255) * 128 / 256
  EXPECT_EQ(half.At(0, 0), 255 + (92 - 255) * 128 / 256);
}

TEST(AABlend, FullCoverageWritesTheColourAndZeroAlphaNothing) {
  auto target = lumitest::FilledBitmap(4, 2, RGB(10, 20, 30));
  TAAFont f(target->Canvas());
  TAAMask m;
  m.SetSize(4, 2);
  for (int x = 0; x < 4; ++x) m.At(x, 0) = 255;
  m.At(0, 1) = 128;
  target->Canvas()->Brush()->SetStyle(bsClear);
  f.BlendColor(0, 0, 0, RGB(200, 100, 50), m);
  EXPECT_EQ(target->PixelColor(0, 0), RGB(10, 20, 30));
  f.BlendColor(0, 0, 100, RGB(200, 100, 50), m);
  EXPECT_EQ(target->PixelColor(3, 0), RGB(200, 100, 50));
  // Half coverage: channel + (c - channel) * (w / 256) / 256 with w = 128 * 256.
  EXPECT_EQ(target->PixelColor(0, 1),
            RGB(10 + (190 * 128) / 256, 20 + (80 * 128) / 256, 30 + (20 * 128) / 256));
  EXPECT_EQ(target->PixelColor(1, 1), RGB(10, 20, 30));
  TBitmap wrong;
  EXPECT_THROW(f.BlendBitmap(0, 0, 100, &wrong, m), EInvalidForeBmp);
}

TEST(AAFontEx, NegativeShadowOffsetsMoveTheTextByTheirSize) {
  auto plain = lumitest::FilledBitmap(80, 30, clWhite);
  auto shadowed = lumitest::FilledBitmap(80, 30, clWhite);
  for (auto* b : {plain.get(), shadowed.get()}) {
    b->Canvas()->Font()->SetName("Times New Roman");
    b->Canvas()->Font()->SetHeight(-12);
    b->Canvas()->Font()->SetColor(clBlack);
    b->Canvas()->Brush()->SetStyle(bsClear);
  }
  TAAFontEx a(plain.get()->Canvas()), b(shadowed.get()->Canvas());
  b.Effect()->Shadow()->SetEnabled(true);
  b.Effect()->Shadow()->SetOffsetX(-3);
  b.Effect()->Shadow()->SetOffsetY(-2);
  b.Effect()->Shadow()->SetAlpha(0);  // the shadow itself adds nothing
  a.TextOut(5, 4, "Settings");
  b.TextOut(2, 2, "Settings");
  int differing = 0, inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      differing += plain->PixelColor(x, y) != shadowed->PixelColor(x, y);
      inked += plain->PixelColor(x, y) != clWhite;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inked, 20);
  const TSize e = a.TextExtent("Settings"), es = b.TextExtent("Settings");
  EXPECT_EQ(es.cx, e.cx + 3);
  EXPECT_EQ(es.cy, e.cy + 2);
  // An empty italic caption measures without dividing by its length.
  plain->Canvas()->Font()->SetStyle(fsItalic);
  EXPECT_EQ(a.TextExtent("").cx, 0);
}

TEST(AAEffect, IniRoundTripAndOutOfRangeStyles) {
  TAAEffect e;
  e.SetAlpha(55);
  e.SetBlur(12);
  e.SetAngle(-45);
  e.SetOutline(true);
  e.Shadow()->SetEnabled(true);
  e.Shadow()->SetColor(0x123456);
  e.Shadow()->SetOffsetX(-7);
  e.Gradual()->SetStyle(gsCenterToTB);
  e.Texture()->SetMode(tmCenter);
  TMemIniFile ini;
  e.SaveToIni(&ini, "Fx");
  TAAEffect back;
  back.LoadFromIni(&ini, "Fx");
  EXPECT_EQ(back.Alpha(), 55);
  EXPECT_EQ(back.Blur(), 12);
  EXPECT_EQ(back.Angle(), -45);
  EXPECT_TRUE(back.Outline());
  EXPECT_TRUE(back.Shadow()->Enabled());
  EXPECT_EQ(back.Shadow()->Color(), 0x123456);
  EXPECT_EQ(back.Shadow()->OffsetX(), -7);
  EXPECT_EQ(back.Gradual()->Style(), gsCenterToTB);
  EXPECT_EQ(back.Texture()->Mode(), tmCenter);
  ini.WriteInteger("Fx", "GradualStyle", 99);
  ini.WriteInteger("Fx", "TextureMode", -1);
  back.LoadFromIni(&ini, "Fx");
  EXPECT_EQ(back.Gradual()->Style(), gsLeftToRight);
  EXPECT_EQ(back.Texture()->Mode(), tmTiled);
}

namespace {

struct LabelHost {
  TForm form{nullptr};
  TPanel* panel;
  LabelHost() {
    form.SetClientSize(200, 80);
    panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBevelOuter(bvNone);
    panel->SetBounds(0, 0, 200, 80);
    panel->SetColor(RGB(90, 110, 130));
  }
  TAALabel* Add(const std::string& caption) {
    auto* l = new TAALabel(&form);
    l->SetParent(panel);
    l->Font()->SetName("Times New Roman");
    l->Font()->SetHeight(-12);
    l->SetCaption(caption);
    l->Loaded();
    return l;
  }
  std::unique_ptr<TBitmap> Shot() {
    auto b = lumitest::FilledBitmap(200, 80, clBlack);
    panel->PaintTo(b->Canvas(), 0, 0);
    return b;
  }
};

}  // namespace

TEST(AALabel, AutoSizeFollowsAlignAndTheShadow) {
  LabelHost h;
  TAALabel* l = h.Add("Settings");
  const int w = l->Width(), ht = l->Height();
  EXPECT_GT(w, 20);
  EXPECT_GT(ht, 8);
  l->Effect()->FontEffect()->Shadow()->SetEnabled(true);  // offsets 2, 2
  EXPECT_EQ(l->Width(), w + 2);
  EXPECT_EQ(l->Height(), ht + 2);
  l->SetBorder(3);
  EXPECT_EQ(l->Width(), w + 2 + 6);

  TAALabel* right = h.Add("Play");
  right->SetAlign(alRight);
  const int rh = right->Height();
  right->SetCaption("Forward");
  EXPECT_EQ(right->Height(), rh);  // only the width follows the text

  TAALabel* client = h.Add("Help");
  client->SetAlign(alClient);
  const int cw = client->Width();
  client->SetCaption("A much longer caption");
  EXPECT_EQ(client->Width(), cw);
}

TEST(AALabel, TransparentLabelsChangeOnlyPixelsUnderTheirText) {
  LabelHost h;
  auto before = h.Shot();
  TAALabel* l = h.Add("Remove");
  l->Effect()->SetTransparent(true);
  l->Effect()->FontEffect()->Shadow()->SetEnabled(true);
  l->SetLeft(40);
  l->SetTop(20);
  auto after = h.Shot();
  int changed = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool inside = x >= l->Left() && x < l->Left() + l->Width() && y >= l->Top() &&
                          y < l->Top() + l->Height();
      if (!inside) {
        ASSERT_EQ(before->PixelColor(x, y), after->PixelColor(x, y)) << x << "," << y;
      }
      changed += before->PixelColor(x, y) != after->PixelColor(x, y);
    }
  EXPECT_GT(changed, 30);
  // A new colour re-renders with it.
  l->Font()->SetColor(clYellow);
  auto hover = h.Shot();
  int yellowish = 0;
  for (int y = l->Top(); y < l->Top() + l->Height(); ++y)
    for (int x = l->Left(); x < l->Left() + l->Width(); ++x)
      yellowish +=
          GetRValue(hover->PixelColor(x, y)) > 200 && GetGValue(hover->PixelColor(x, y)) > 200;
  EXPECT_GT(yellowish, 5);
}

TEST(AALinkLabel, FadesTwentyThreeLevelsPerTickAndOpensItsLink) {
  LabelHost h;
  auto* l = new TAALinkLabel(&h.form);
  l->SetParent(h.panel);
  l->SetCaption("Visit");
  l->Loaded();
  l->Perform(CM_MOUSEENTER);
  EXPECT_TRUE(l->Hot());
  l->FadeTimer()->Fire();
  EXPECT_EQ(l->FadeLevel(), 23);
  l->FadeTimer()->Fire();
  EXPECT_EQ(l->FadeLevel(), 46);
  l->Perform(CM_MOUSELEAVE);  // reverses from where it is
  l->FadeTimer()->Fire();
  EXPECT_EQ(l->FadeLevel(), 23);
  for (int i = 0; i < 3; ++i) l->FadeTimer()->Fire();
  EXPECT_EQ(l->FadeLevel(), 0);
  EXPECT_FALSE(l->FadeTimer()->Enabled());

  l->HotLink()->FadeDelay = 0;  // no fade: the hover picture at once
  l->Perform(CM_MOUSEENTER);
  EXPECT_EQ(l->FadeLevel(), 255);
  l->SetEnabled(false);
  EXPECT_EQ(l->FadeLevel(), 0);
  l->SetEnabled(true);

  std::string opened;
  auto old = SetShellOpenService([&](const std::string& t, const std::string& verb, TWinControl*) {
    opened = verb + " " + t;
    return true;
  });
  l->HotLink()->URL = "https://example.org/";
  l->Click();
  SetShellOpenService(old);
  EXPECT_EQ(opened, "open https://example.org/");
}

TEST(AALabel, CaptionsArePlacedByAlignmentAndLayout) {
  LabelHost h;
  TAALabel* l = h.Add("Clear");
  l->SetAutoSize(false);
  l->SetBorder(2);
  l->SetBounds(0, 0, 100, 30);
  const TSize e = l->Engine()->TextExtent("Clear");
  const struct {
    TAlignment a;
    TTextLayout t;
    int x, y;
  } cases[] = {
      {taLeftJustify, tlTop, 2, 2},
      {taRightJustify, tlBottom, 100 - 2 - static_cast<int>(e.cx), 30 - 2 - static_cast<int>(e.cy)},
      {taCenter, tlCenter, (100 - static_cast<int>(e.cx)) / 2, (30 - static_cast<int>(e.cy)) / 2},
  };
  for (const auto& c : cases) {
    l->Effect()->SetAlignment(c.a);
    l->Effect()->SetLayout(c.t);
    EXPECT_EQ(l->TextOrigin(), Point(c.x, c.y))
        << static_cast<int>(c.a) << "/" << static_cast<int>(c.t);
  }
  EXPECT_EQ(l->Width(), 100);
}

TEST(AAMask, SprayAndNoiseDrawOnTheGivenRandomSource) {
  TAAMask m;
  m.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) m.At(x, 0) = static_cast<uint8_t>(x * 10);
  m.Spray(5, [](int) { return 0; });  // no distance: every pixel keeps its own value
  EXPECT_EQ(m.At(3, 0), 30);
  int call = 0;
  // Distance 1, then random(2) = 0 for x and 1 for y: each pixel takes its right neighbour.
  m.Spray(5, [&](int n) { return n == 6 ? 1 : (call++ % 2 == 0 ? 0 : 1); });
  EXPECT_EQ(m.At(0, 0), 10);

  auto canvas = lumitest::FilledBitmap(2, 1, clWhite);
  canvas->Canvas()->Font()->SetColor(RGB(100, 100, 100));
  TAAFontEx f(canvas->Canvas());
  f.Effect()->SetNoise(10);
  f.SetRandomSource([](int n) { return n - 1; });  // always the top: +4 per channel
  TBitmap noise;
  f.MakeNoise(&noise, 2, 1, false);
  EXPECT_EQ(noise.PixelColor(1, 0), RGB(104, 104, 104));
}

TEST(AALabel, DragGroupForwardsToTheControlAndAutomaticDragStartsOnPress) {
  LabelHost h;
  TAALabel* l = h.Add("Drag me");
  EXPECT_EQ(l->Drag()->DragKind(), dkDrag);
  EXPECT_EQ(l->Drag()->DragCursor(), crDrag);
  EXPECT_EQ(l->Drag()->DragMode(), dmManual);
  EXPECT_TRUE(l->ParentEffect()->ParentShowHint());

  int downs = 0;
  l->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  // Manual: a press is an ordinary press.
  l->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  l->Perform(WM_LBUTTONUP, 0, MakeLParam(3, 3));
  EXPECT_EQ(downs, 1);
  EXPECT_FALSE(Dragging());

  l->Drag()->SetDragMode(dmAutomatic);
  l->Drag()->SetDragCursor(crHandPoint);
  EXPECT_EQ(l->DragMode(), dmAutomatic);
  EXPECT_EQ(l->DragCursor(), crHandPoint);
  l->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  ASSERT_TRUE(Dragging());
  EXPECT_EQ(downs, 1);  // the drag took the press
  EXPECT_EQ(CurrentDragObject()->Control(), l);
  EXPECT_EQ(CurrentDragObject()->DragCursor, crHandPoint);
  EndDrag(false);
  EXPECT_FALSE(Dragging());

  // A docking drag kind starts no drag here (no docking).
  l->Drag()->SetDragKind(dkDock);
  l->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 3));
  EXPECT_FALSE(Dragging());
  l->Perform(WM_LBUTTONUP, 0, MakeLParam(3, 3));
}
