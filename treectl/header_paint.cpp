// Painting of the column header: the sections with their edges, signs, sort
// arrows, images and captions, the filler right of the last section, and the
// image of a section being dragged.
#include <algorithm>

#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "treectl/header_control.h"
#include "treectl/tree_utils.h"

namespace lumicast {

using namespace classlib;

namespace {

// Draws image Index of Images into Content (clipped to it), vertically
// centred, over a bitmap filled with Back; answers the width used.
int DrawSectionImage(TCanvas* Canvas, TImageList* Images, int Index, const TRect& Content,
                     TColor Back) {
  if (Images == nullptr || Index < 0 || Index >= Images->Count()) return 0;
  const int w = std::min(Images->Width(), Content.Width());
  const int h = std::min(Images->Height(), Content.Height());
  if (w <= 0 || h <= 0) return Images->Width();
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(Images->Width(), Images->Height());
  b.Canvas()->Brush()->SetColor(Back);
  b.Canvas()->FillRect(Rect(0, 0, Images->Width(), Images->Height()));
  Images->Draw(b.Canvas(), 0, 0, Index);
  const int y = Content.Top + (Content.Height() - Images->Height()) / 2;
  const int src_top = y < Content.Top ? Content.Top - y : 0;
  BitBlt(Canvas, Content.Left, std::max(y, Content.Top), w, h, b.Canvas(), 0, src_top, SRCCOPY);
  return Images->Width();
}

}  // namespace

void TCustomElHeader::LoadGlyphs() {
  asc_glyph_.LoadFromResourceName("ELHEADERASCBMP");
  desc_glyph_.LoadFromResourceName("ELHEADERDESCBMP");
  left_glyph_.LoadFromResourceName("ELHEADERLEFTBMP");
  right_glyph_.LoadFromResourceName("ELHEADERRIGHTBMP");
  point_glyph_.LoadFromResourceName("ELHEADERPOINTBMP");
}

void TCustomElHeader::Paint() {
  TCanvas* c = Canvas();
  const TRect clip = c->ClipRect();
  for (int i = 0; i < sections_->Count(); ++i) {
    TElHeaderSection* s = sections_->ItemByPos(i);
    if (!s->EffectivelyVisible() || s->Width() <= 0) continue;
    TRect r =
        Rect(s->LeftEdge() - scroll_offset_, 0, s->RightEdge() - scroll_offset_, ClientHeight());
    TRect meet;
    if (!IntersectRect(meet, r, clip)) continue;
    PaintSection(c, s, r, pressed_ && s == press_section_);
  }
  TRect filler = Rect(SectionsWidth() - scroll_offset_, 0, ClientWidth(), ClientHeight());
  if (!IsRectEmpty(filler)) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(filler);
    DrawEdge(c, filler, BDR_RAISEDINNER, BF_RECT);
  }
  DrawDragImage(c);
}

void TCustomElHeader::DrawDragImage(TCanvas* Canvas) {
  if (moving_section_ == nullptr || !drag_image_) return;
  // Everything but the background colour of the image shows.
  TransparentBlit(Canvas, drag_image_.get(), drag_rect_.Left, drag_rect_.Top,
                  Rect(0, 0, drag_image_->Width(), drag_image_->Height()), ColorToRGB(Color()));
}

void TCustomElHeader::PaintSection(TCanvas* Canvas, TElHeaderSection* Section, const TRect& R,
                                   bool Pressed) {
  TCanvas* c = Canvas;
  const TColor back = Section->ParentColor() ? Color() : Section->Color();
  c->Brush()->SetColor(back);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(R);

  // Edges.
  TRect e = R;
  if (Pressed) {
    if (flat_) {
      DrawEdge(c, e, BDR_SUNKENOUTER, BF_RECT);
    } else {
      DrawEdge(c, e, BDR_SUNKENINNER, BF_TOPLEFT);
      DrawEdge(c, e, BDR_SUNKENOUTER, BF_BOTTOMRIGHT);
    }
  } else if (flat_) {
    DrawEdge(c, e, BDR_RAISEDINNER, BF_RECT);
  } else {
    DrawEdge(c, e, BDR_RAISEDOUTER, BF_BOTTOMRIGHT);
    TRect in = e;
    in.Right -= 1;
    in.Bottom -= 1;
    DrawEdge(c, in, BDR_RAISEDINNER, BF_TOPLEFT);
    DrawEdge(c, in, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
  }

  TRect content = Rect(R.Left + 1, R.Top + 1, R.Right - 4, R.Bottom - 1);
  if (Pressed) OffsetRect(content, 1, 1);

  // Expand sign, lookup glyph or filter sign at the right.
  if ((Section->Expandable() || Section->LookupEnabled() || Section->FilterEnabled()) &&
      content.Width() > 8) {
    if (Section->Expandable()) {
      TRect box = Rect(content.Right - 5, content.Top, content.Right, content.Top + 7);
      DrawArrow(c, Section->Expanded() ? eadLeft : eadRight, box, true, clBtnText);
    }
    if (Section->LookupEnabled()) {
      if (!point_glyph_.Empty()) {
        TransparentBlit(c, &point_glyph_, content.Right - 5, content.Top + 10,
                        Rect(0, 0, point_glyph_.Width(), point_glyph_.Height()),
                        point_glyph_.Canvas()->Pixels(0, point_glyph_.Height() - 1));
      }
    } else if (Section->FilterEnabled()) {
      const TColor fc = Section->FilterIsActive() ? active_filter_color_ : filter_color_;
      c->Brush()->SetColor(fc);
      c->Brush()->SetStyle(bsSolid);
      c->Pen()->SetColor(fc);
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetMode(pmCopy);
      const int r = content.Right, t = content.Top;
      c->Polygon({Point(r - 4, t + 10), Point(r, t + 10), Point(r - 2, t + 14)});
    }
    content.Right -= 8;
  }

  // Sort arrow.
  if (Section->SortMode() != hsmNone && Section->ShowSortMark()) {
    if (content.Width() >= 13) {
      const bool ascending = (Section->SortMode() == hsmAscend) != invert_sort_arrows_;
      TBitmap& glyph = ascending ? asc_glyph_ : desc_glyph_;
      if (!glyph.Empty()) {
        const int y = content.Top + (content.Height() - glyph.Height()) / 2;
        TransparentBlit(c, &glyph, content.Right - glyph.Width(), y,
                        Rect(0, 0, glyph.Width(), glyph.Height()),
                        glyph.Canvas()->Pixels(0, glyph.Height() - 1));
      }
      content.Right -= 12;
    } else {
      content.Right = content.Left;
    }
  }

  content.Left += 5;
  if (content.Right <= content.Left) return;

  auto image_index = [&]() {
    int index = Section->ImageIndex();
    if (index == -1) index = FireGetPicture(Section);
    return index;
  };

  switch (Section->Style()) {
    case ElhsOwnerDraw: FireSectionDraw(c, Section, content, Pressed); return;
    case ElhsPictureOnly: {
      if (images_ == nullptr) return;
      TRect box = content;
      box.Left += std::max(0, (content.Width() - images_->Width()) / 2);
      DrawSectionImage(c, images_, image_index(), box, back);
      return;
    }
    case ElhsText: break;
  }

  if (Section->PictureAlign() == hsaLeft)
    content.Left += DrawSectionImage(c, images_, image_index(), content, back);
  if (content.Right <= content.Left) return;

  TElSAlignment align = Section->Alignment();
  if (right_aligned_text_)
    align = align == hsaLeft ? hsaRight : align == hsaRight ? hsaLeft : hsaCenter;
  unsigned format = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
  format |= align == hsaLeft ? DT_LEFT : align == hsaRight ? DT_RIGHT : DT_CENTER;
  format |= Section->TextLayout() == tlTop      ? DT_TOP
            : Section->TextLayout() == tlBottom ? DT_BOTTOM
                                                : DT_VCENTER;
  if (right_aligned_text_) format |= DT_RTLREADING;
  c->Font()->Assign(Font());
  if (Section == tracked_section_ && tracking_) {
    c->Font()->SetColor(clHighlight);
    c->Font()->SetStyle(c->Font()->Style() | fsUnderline);
  } else if (!Section->ParentColor()) {
    c->Font()->SetColor(Section->FontColor());
  }
  c->Brush()->SetStyle(bsClear);
  TRect text_rect = content;
  c->DrawText(Section->Text(), text_rect, format);
  if (Section->PictureAlign() == hsaRight) {
    TRect measure = content;
    c->DrawText(Section->Text(), measure, format | DT_CALCRECT);
    TRect after = content;
    after.Left = std::min(content.Right, content.Left + measure.Width() + 3);
    c->Brush()->SetStyle(bsSolid);
    DrawSectionImage(c, images_, image_index(), after, back);
  }
  c->Brush()->SetStyle(bsSolid);
}

}  // namespace lumicast
