// Painting controls into a canvas, and laying out aligned and anchored children.
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"

using namespace classlib;

namespace {

std::unique_ptr<TBitmap> Target(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(clBlack);
  b->Canvas()->FillRect(Rect(0, 0, W, H));
  return b;
}

// A windowless control that paints one colour and a mark at its origin.
class TSwatch : public TGraphicControl {
 public:
  explicit TSwatch(TComponent* AOwner) : TGraphicControl(AOwner) {}
  TColor fill = clLime;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(fill);
    // Wider than the control: the canvas clips to the control's bounds.
    Canvas()->FillRect(Rect(-5, -5, Width() + 5, Height() + 5));
    Canvas()->SetPixels(0, 0, clWhite);
  }
};

}  // namespace

TEST(ControlsPaint, PanelWithLabelGivesTheExpectedPixels) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 40, 30);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clRed);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 10, 10);
  label->SetParentColor(false);
  label->SetColor(clBlue);

  auto bmp = Target(50, 40);
  panel->PaintTo(bmp->Canvas(), 5, 5);
  EXPECT_EQ(bmp->Canvas()->Pixels(2, 2), clBlack);   // outside the panel: untouched
  EXPECT_EQ(bmp->Canvas()->Pixels(6, 6), clRed);     // panel
  EXPECT_EQ(bmp->Canvas()->Pixels(16, 16), clBlue);  // label at 10,10 inside the panel
  EXPECT_EQ(bmp->Canvas()->Pixels(24, 24), clBlue);
  EXPECT_EQ(bmp->Canvas()->Pixels(25, 25), clRed);
  EXPECT_EQ(bmp->Canvas()->Pixels(44, 34), clRed);
  EXPECT_EQ(bmp->Canvas()->Pixels(45, 35), clBlack);

  // A transparent label leaves the panel's pixels around its text.
  label->SetTransparent(true);
  label->SetCaption("");
  auto clear = Target(40, 30);
  panel->PaintTo(clear->Canvas(), 0, 0);
  EXPECT_EQ(clear->Canvas()->Pixels(12, 12), clRed);
}

TEST(ControlsPaint, GraphicChildrenAreClippedAndPaintedInZOrder) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 30, 30);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clNavy);
  auto* a = new TSwatch(&form);
  a->SetParent(panel);
  a->SetBounds(5, 5, 10, 10);
  auto* b = new TSwatch(&form);
  b->SetParent(panel);
  b->SetBounds(10, 10, 10, 10);
  b->fill = clYellow;

  auto bmp = Target(30, 30);
  panel->PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(4, 4), clNavy);      // clipped: no spill outside a
  EXPECT_EQ(bmp->Canvas()->Pixels(5, 5), clWhite);     // a's origin mark
  EXPECT_EQ(bmp->Canvas()->Pixels(12, 12), clYellow);  // b above a
  EXPECT_EQ(bmp->Canvas()->Pixels(10, 10), clWhite);
  EXPECT_EQ(bmp->Canvas()->Pixels(20, 20), clNavy);

  a->BringToFront();
  auto again = Target(30, 30);
  panel->PaintTo(again->Canvas(), 0, 0);
  EXPECT_EQ(again->Canvas()->Pixels(12, 12), clLime);
  a->SetVisible(false);
  auto hidden = Target(30, 30);
  panel->PaintTo(hidden->Canvas(), 0, 0);
  EXPECT_EQ(hidden->Canvas()->Pixels(6, 6), clNavy);
}

TEST(ControlsPaint, WindowedChildrenAndBevelsArePainted) {
  TForm form(nullptr);
  auto* outer = new TPanel(&form);
  outer->SetParent(&form);
  outer->SetBounds(0, 0, 40, 40);
  outer->SetColor(clGreen);  // raised bevel: highlight top-left, shadow bottom-right
  auto* inner = new TPanel(&form);
  inner->SetParent(outer);
  inner->SetBevelOuter(bvNone);
  inner->SetBounds(20, 20, 10, 10);
  inner->SetColor(clMaroon);
  auto bmp = Target(40, 40);
  outer->PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(0, 0), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(bmp->Canvas()->Pixels(39, 39), ColorToRGB(clBtnShadow));
  EXPECT_EQ(bmp->Canvas()->Pixels(5, 5), clGreen);
  EXPECT_EQ(bmp->Canvas()->Pixels(25, 25), clMaroon);
}

TEST(ControlsLayout, AlignedChildrenTakeTheirStripsInClassicOrder) {
  TForm form(nullptr);
  auto* host = new TPanel(&form);
  host->SetParent(&form);
  host->SetBevelOuter(bvNone);
  host->SetBounds(0, 0, 200, 100);
  auto make = [&](TAlign a, int l, int t, int w, int h) {
    auto* p = new TPanel(&form);
    p->SetBounds(l, t, w, h);
    p->SetParent(host);
    p->SetAlign(a);
    return p;
  };
  TPanel* client = make(alClient, 0, 0, 5, 5);
  TPanel* right = make(alRight, 0, 0, 40, 5);
  TPanel* top2 = make(alTop, 0, 50, 5, 15);
  TPanel* top1 = make(alTop, 0, 0, 5, 10);
  TPanel* bottom = make(alBottom, 0, 0, 5, 20);
  TPanel* left = make(alLeft, 0, 0, 30, 5);

  EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 200, 10));
  EXPECT_EQ(top2->BoundsRect(), Rect(0, 10, 200, 25));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 80, 200, 100));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 25, 30, 80));
  EXPECT_EQ(right->BoundsRect(), Rect(160, 25, 200, 80));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 25, 160, 80));

  host->SetBounds(0, 0, 300, 120);
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 100, 300, 120));
  EXPECT_EQ(client->BoundsRect(), Rect(30, 25, 260, 100));

  // A hidden aligned control gives its strip back.
  top2->SetVisible(false);
  EXPECT_EQ(client->BoundsRect(), Rect(30, 10, 260, 100));
}

TEST(ControlsLayout, BordersShrinkTheAlignArea) {
  TForm form(nullptr);
  auto* host = new TPanel(&form);
  host->SetParent(&form);
  host->SetBounds(0, 0, 100, 60);
  host->SetBevelOuter(bvRaised);
  host->SetBevelInner(bvLowered);
  host->SetBorderWidth(2);
  auto* child = new TPanel(&form);
  child->SetParent(host);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(4, 4, 96, 56));
}

TEST(ControlsLayout, AnchorsFollowTheParentsEdges) {
  TForm form(nullptr);
  auto* host = new TPanel(&form);
  host->SetParent(&form);
  host->SetBevelOuter(bvNone);
  host->SetBounds(0, 0, 100, 100);
  auto* fixed = new TPanel(&form);
  fixed->SetParent(host);
  fixed->SetBounds(10, 10, 20, 20);
  auto* corner = new TPanel(&form);
  corner->SetParent(host);
  corner->SetBounds(70, 70, 20, 20);
  corner->SetAnchors(akRight | akBottom);
  auto* stretch = new TPanel(&form);
  stretch->SetParent(host);
  stretch->SetBounds(10, 40, 80, 10);
  stretch->SetAnchors(akLeft | akTop | akRight);

  host->SetBounds(0, 0, 150, 130);
  EXPECT_EQ(fixed->BoundsRect(), Rect(10, 10, 30, 30));
  EXPECT_EQ(corner->BoundsRect(), Rect(120, 100, 140, 120));
  EXPECT_EQ(stretch->BoundsRect(), Rect(10, 40, 140, 50));
}

TEST(ControlsLayout, ClientCoordinatesFollowTheParents) {
  TForm form(nullptr);
  form.SetBounds(100, 50, 300, 200);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(10, 20, 100, 100);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetBounds(5, 6, 10, 10);
  EXPECT_EQ(label->ClientToScreen(Point(1, 2)), Point(116, 78));
  EXPECT_EQ(label->ScreenToClient(Point(116, 78)), Point(1, 2));
  EXPECT_EQ(panel->ControlAtPos(Point(7, 8)), label);
  EXPECT_EQ(panel->ControlAtPos(Point(50, 50)), nullptr);
}

TEST(ControlsPaint, ImagePaintsItsPictureStretchedOrCentred) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clWhite);
  panel->SetBounds(0, 0, 20, 20);
  auto* image = new TImage(&form);
  image->SetParent(panel);
  image->SetBounds(2, 2, 10, 10);
  TBitmap pic;
  pic.SetPixelFormat(pf24bit);
  pic.SetSize(4, 2);
  pic.Canvas()->Brush()->SetColor(clRed);
  pic.Canvas()->FillRect(Rect(0, 0, 4, 2));
  image->Picture()->SetGraphic(&pic);

  auto plain = Target(20, 20);
  panel->PaintTo(plain->Canvas(), 0, 0);
  EXPECT_EQ(plain->Canvas()->Pixels(2, 2), clRed);
  EXPECT_EQ(plain->Canvas()->Pixels(5, 3), clRed);
  EXPECT_EQ(plain->Canvas()->Pixels(6, 2), clWhite);  // picture is 4 wide
  EXPECT_EQ(plain->Canvas()->Pixels(2, 4), clWhite);

  image->SetCenter(true);  // (10 - 4) div 2 = 3, (10 - 2) div 2 = 4
  EXPECT_EQ(image->DestRect(), Rect(3, 4, 7, 6));
  image->SetStretch(true);
  EXPECT_EQ(image->DestRect(), Rect(0, 0, 10, 10));
  image->SetProportional(true);  // 4:2 into 10x10 -> 10x5, centred
  EXPECT_EQ(image->DestRect(), Rect(0, 2, 10, 7));
  auto stretched = Target(20, 20);
  panel->PaintTo(stretched->Canvas(), 0, 0);
  EXPECT_EQ(stretched->Canvas()->Pixels(2, 3), clWhite);
  EXPECT_EQ(stretched->Canvas()->Pixels(2, 4), clRed);
  EXPECT_EQ(stretched->Canvas()->Pixels(11, 8), clRed);
  EXPECT_EQ(stretched->Canvas()->Pixels(11, 9), clWhite);
}
