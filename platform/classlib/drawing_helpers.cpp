#include "platform/classlib/drawing_helpers.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas_impl.h"

namespace classlib {

int SetStretchBltMode(TCanvas* Canvas, int Mode) {
  if (!Canvas) return 0;
  int old = TCanvasAccess::D(Canvas).stretchMode;
  TCanvasAccess::D(Canvas).stretchMode = Mode;
  return old;
}

bool BitBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc, int YSrc,
            uint32_t Rop) {
  return TCanvasAccess::Blt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Width, Height, Rop);
}

bool StretchBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc,
                int YSrc, int WidthSrc, int HeightSrc, uint32_t Rop) {
  return TCanvasAccess::Blt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, WidthSrc, HeightSrc, Rop);
}

bool PatBlt(TCanvas* Dest, int X, int Y, int Width, int Height, uint32_t Rop) {
  return TCanvasAccess::Blt(Dest, X, Y, Width, Height, nullptr, 0, 0, Width, Height, Rop);
}

bool MaskBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc, int YSrc,
             TBitmap* Mask, int XMask, int YMask, uint32_t Rop4) {
  uint32_t fore = Rop4 & 0x00FFFFFFu;
  uint32_t back = (Rop4 >> 8) & 0x00FF0000u;
  if (!Mask)
    return TCanvasAccess::Blt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Width, Height, fore);
  return TCanvasAccess::Blt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Width, Height, fore, Mask,
                            XMask, YMask, back);
}

bool TransparentBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TBitmap* Src, int XSrc,
                    int YSrc, int WidthSrc, int HeightSrc, TColor Key) {
  if (!Dest || !Src || Src->Empty()) return false;
  return TCanvasAccess::BltFromSurface(Dest, X, Y, Width, Height, Src->Surface(), XSrc, YSrc,
                                       WidthSrc, HeightSrc, SRCCOPY, nullptr, 0, 0, 0, &Key);
}

bool InvertRect(TCanvas* Canvas, const TRect& R) {
  if (!Canvas) return false;
  Canvas->InvertRect(R);
  return true;
}

namespace {

// A one-pixel span in a system or plain colour, in logical coordinates.
void HLine(DrawCtx& ctx, int x0, int x1, int y, TColor c) {
  SpanRop(ctx, y + ctx.oy, x0 + ctx.ox, x1 + ctx.ox, ctx.Dev(c), 13);
}
void VLine(DrawCtx& ctx, int x, int y0, int y1, TColor c) {
  uint32_t dev = ctx.Dev(c);
  for (int y = y0; y < y1; ++y) SpanRop(ctx, y + ctx.oy, x + ctx.ox, x + ctx.ox + 1, dev, 13);
}
void Fill(DrawCtx& ctx, const TRect& r, TColor c) {
  uint32_t dev = ctx.Dev(c);
  for (int y = r.Top; y < r.Bottom; ++y)
    SpanRop(ctx, y + ctx.oy, r.Left + ctx.ox, r.Right + ctx.ox, dev, 13);
}
void Plot(DrawCtx& ctx, int x, int y, TColor c) {
  PlotRop(ctx, x + ctx.ox, y + ctx.oy, ctx.Dev(c), 13);
}

// One ring of an edge: top-left and bottom-right colours on the flagged sides.
void EdgeRing(DrawCtx& ctx, const TRect& r, TColor tl, TColor br, unsigned flags) {
  if (IsRectEmpty(r)) return;
  if (flags & BF_TOP) HLine(ctx, r.Left, r.Right, r.Top, tl);
  if (flags & BF_LEFT) VLine(ctx, r.Left, r.Top, r.Bottom, tl);
  if (flags & BF_BOTTOM) HLine(ctx, r.Left, r.Right, r.Bottom - 1, br);
  if (flags & BF_RIGHT) VLine(ctx, r.Right - 1, r.Top, r.Bottom, br);
}

void Shrink(TRect& r, unsigned flags) {
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
}

}  // namespace

bool DrawEdge(TCanvas* Canvas, TRect& R, unsigned Edge, unsigned Flags) {
  if (!Canvas) return false;
  DrawCtx ctx;
  bool have = TCanvasAccess::Begin(Canvas, ctx);
  TRect r = R;
  unsigned outer = Edge & BDR_OUTER, inner = Edge & BDR_INNER;
  bool mono = Flags & BF_MONO, flat = Flags & BF_FLAT;
  TColor face = mono ? clWindow : clBtnFace;
  if (!(Flags & BF_DIAGONAL)) {
    if (outer) {
      TColor tl, br;
      if (mono)
        tl = br = clWindowFrame;
      else if (flat)
        tl = br = clBtnShadow;
      else if (outer & BDR_RAISEDOUTER) {
        tl = (Flags & BF_SOFT) ? clBtnHighlight : cl3DLight;
        br = cl3DDkShadow;
      } else {
        tl = clBtnShadow;
        br = clBtnHighlight;
      }
      if (have) EdgeRing(ctx, r, tl, br, Flags);
      Shrink(r, Flags);
    }
    if (inner) {
      TColor tl, br;
      if (mono || flat)
        tl = br = face;
      else if (inner & BDR_RAISEDINNER) {
        tl = (Flags & BF_SOFT) ? cl3DLight : clBtnHighlight;
        br = clBtnShadow;
      } else {
        tl = cl3DDkShadow;
        br = cl3DLight;
      }
      if (have) EdgeRing(ctx, r, tl, br, Flags);
      Shrink(r, Flags);
    }
    if ((Flags & BF_MIDDLE) && have) Fill(ctx, r, face);
    if (Flags & BF_ADJUST) R = r;
  }
  if (have) TCanvasAccess::End(Canvas);
  return true;
}

void Frame3D(TCanvas* Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width) {
  if (!Canvas || Width <= 0) return;
  DrawCtx ctx;
  bool have = TCanvasAccess::Begin(Canvas, ctx);
  for (int i = 0; i < Width; ++i) {
    if (have) EdgeRing(ctx, R, TopColor, BottomColor, BF_RECT);
    Shrink(R, BF_RECT);
  }
  if (have) TCanvasAccess::End(Canvas);
}

void DrawEmbossedMask(TCanvas* Canvas, int X, int Y, const uint8_t* Mask, int Width, int Height,
                      TColor Shadow, TColor HighlightColor, bool Highlight) {
  if (!Canvas || !Mask || Width <= 0 || Height <= 0) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(Canvas, ctx)) return;
  auto paint = [&](int Offset, TColor Color) {
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x)
        if (Mask[static_cast<size_t>(y) * Width + x])
          Plot(ctx, X + Offset + x, Y + Offset + y, Color);
  };
  if (Highlight) paint(1, HighlightColor);
  paint(0, Shadow);
  TCanvasAccess::End(Canvas);
}

namespace {

void CheckMark(DrawCtx& ctx, int x, int y, TColor c) {
  // A 7 x 7 tick, three pixels thick: down for three columns, then up.
  const int pts[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i)
    for (int k = 0; k < 3; ++k) Plot(ctx, x + i, y + pts[i] + k, c);
}

void Arrow(DrawCtx& ctx, const TRect& r, unsigned dir, TColor c) {
  int size = std::max(2, std::min(r.Width(), r.Height()) / 3);
  int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  for (int i = 0; i < (size + 1) / 2 + 1; ++i) {
    int half = (size + 1) / 2 - i;
    switch (dir) {
      case DFCS_SCROLLUP: HLine(ctx, cx - half, cx + half + 1, cy - size / 4 + i, c); break;
      case DFCS_SCROLLDOWN:
      case DFCS_SCROLLCOMBOBOX: HLine(ctx, cx - half, cx + half + 1, cy + size / 4 - i, c); break;
      case DFCS_SCROLLLEFT: VLine(ctx, cx - size / 4 + i, cy - half, cy + half + 1, c); break;
      case DFCS_SCROLLRIGHT: VLine(ctx, cx + size / 4 - i, cy - half, cy + half + 1, c); break;
      default: break;
    }
  }
}

}  // namespace

bool DrawFrameControl(TCanvas* Canvas, TRect& R, unsigned Type, unsigned State) {
  if (!Canvas) return false;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(Canvas, ctx)) return false;
  unsigned kind = State & 0xFF;
  bool inactive = State & DFCS_INACTIVE, pushed = State & DFCS_PUSHED,
       checked = State & DFCS_CHECKED;
  bool flat = State & (DFCS_FLAT | DFCS_MONO);
  TColor glyph = inactive ? clGrayText : clBtnText;
  auto button = [&](TRect box) {
    if (flat) {
      EdgeRing(ctx, box, clBtnShadow, clBtnShadow, BF_RECT);
      InflateRect(box, -1, -1);
      if (!(State & DFCS_TRANSPARENT)) Fill(ctx, box, clBtnFace);
      return box;
    }
    EdgeRing(ctx, box, pushed ? clBtnShadow : cl3DLight, pushed ? clBtnShadow : cl3DDkShadow,
             BF_RECT);
    InflateRect(box, -1, -1);
    if (!pushed) {
      EdgeRing(ctx, box, clBtnHighlight, clBtnShadow, BF_RECT);
      InflateRect(box, -1, -1);
    }
    if (!(State & DFCS_TRANSPARENT)) Fill(ctx, box, clBtnFace);
    return box;
  };

  if (Type == DFC_BUTTON && (State & DFCS_BUTTONPUSH)) {
    TRect inside = button(R);
    if (State & DFCS_ADJUSTRECT) R = inside;
  } else if (Type == DFC_BUTTON &&
             (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK))) {
    int l = (R.Left + R.Right - 12) / 2, t = (R.Top + R.Bottom - 12) / 2;
    TColor fillc = (pushed || inactive) ? clBtnFace : clWindow;
    TRegion outerR = CreateEllipticRgn(l, t, l + 12, t + 12);
    TRegion innerR = CreateEllipticRgn(l + 1, t + 1, l + 11, t + 11);
    TRegion coreR = CreateEllipticRgn(l + 2, t + 2, l + 10, t + 10);
    auto ring = [&](const TRegion& a, const TRegion& b, TColor tl, TColor br) {
      TRegion rr = a.Combined(b, RGN_DIFF);
      for (const auto& rc : rr.Rects())
        for (int y = rc.Top; y < rc.Bottom; ++y)
          for (int x = rc.Left; x < rc.Right; ++x)
            Plot(ctx, x, y, (x - l) + (y - t) < 11 ? tl : br);
    };
    ring(outerR, innerR, clBtnShadow, clBtnHighlight);
    ring(innerR, coreR, cl3DDkShadow, cl3DLight);
    for (const auto& rc : coreR.Rects()) Fill(ctx, rc, fillc);
    if (checked) {
      TRegion dot = CreateEllipticRgn(l + 4, t + 4, l + 8, t + 8);
      for (const auto& rc : dot.Rects()) Fill(ctx, rc, glyph);
    }
  } else if (Type == DFC_BUTTON) {
    int l = (R.Left + R.Right - 13) / 2, t = (R.Top + R.Bottom - 13) / 2;
    TRect box = Bounds(l, t, 13, 13);
    if (flat) {
      EdgeRing(ctx, box, clBtnShadow, clBtnShadow, BF_RECT);
    } else {
      EdgeRing(ctx, box, clBtnShadow, clBtnHighlight, BF_RECT);
      InflateRect(box, -1, -1);
      EdgeRing(ctx, box, cl3DDkShadow, cl3DLight, BF_RECT);
    }
    InflateRect(box, -1, -1);
    bool grey = (State & DFCS_BUTTON3STATE) && checked;
    Fill(ctx, box, (pushed || inactive || grey) ? clBtnFace : clWindow);
    if (checked) CheckMark(ctx, box.Left + 2, box.Top + 1, grey ? clBtnShadow : glyph);
  } else if (Type == DFC_SCROLL) {
    TRect inside = button(R);
    if (kind == DFCS_SCROLLSIZEGRIP) {
      for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 2; ++i) {
          int o = 4 * k + 2 + i;
          for (int j = 0; j <= o && j < R.Width() && j < R.Height(); ++j)
            Plot(ctx, R.Right - 1 - o + j, R.Bottom - 1 - j, i ? clBtnHighlight : clBtnShadow);
        }
    } else {
      if (pushed) OffsetRect(inside, 1, 1);
      Arrow(ctx, inside, kind, glyph);
    }
  } else if (Type == DFC_CAPTION) {
    TRect in = button(R);
    if (pushed) OffsetRect(in, 1, 1);
    int s = std::max(4, std::min(in.Width(), in.Height()) - 4);
    int l = (in.Left + in.Right - s) / 2, t = (in.Top + in.Bottom - s) / 2;
    switch (kind) {
      case DFCS_CAPTIONCLOSE:
        for (int i = 0; i < s; ++i) {
          Plot(ctx, l + i, t + i, glyph);
          Plot(ctx, l + i + 1, t + i, glyph);
          Plot(ctx, l + s - 1 - i, t + i, glyph);
          Plot(ctx, l + s - i, t + i, glyph);
        }
        break;
      case DFCS_CAPTIONMIN:
        HLine(ctx, l, l + s - 2, t + s - 2, glyph);
        HLine(ctx, l, l + s - 2, t + s - 1, glyph);
        break;
      case DFCS_CAPTIONMAX:
        EdgeRing(ctx, Bounds(l, t, s, s), glyph, glyph, BF_RECT);
        HLine(ctx, l, l + s, t + 1, glyph);
        break;
      case DFCS_CAPTIONRESTORE:
        EdgeRing(ctx, Bounds(l + 2, t, s - 2, s - 2), glyph, glyph, BF_RECT);
        Fill(ctx, Bounds(l, t + 2, s - 2, s - 2), clBtnFace);
        EdgeRing(ctx, Bounds(l, t + 2, s - 2, s - 2), glyph, glyph, BF_RECT);
        break;
      default: {
        // A question mark.
        HLine(ctx, l + s / 4, l + 3 * s / 4, t, glyph);
        VLine(ctx, l + 3 * s / 4, t, t + s / 2, glyph);
        HLine(ctx, l + s / 2, l + 3 * s / 4, t + s / 2, glyph);
        VLine(ctx, l + s / 2, t + s / 2, t + 3 * s / 4, glyph);
        Plot(ctx, l + s / 2, t + s - 1, glyph);
        break;
      }
    }
  } else if (Type == DFC_MENU) {
    TColor c = inactive ? clGrayText : clMenuText;
    if (kind == DFCS_MENUCHECK) {
      CheckMark(ctx, (R.Left + R.Right - 7) / 2, (R.Top + R.Bottom - 9) / 2, c);
    } else if (kind == DFCS_MENUBULLET) {
      TRegion dot = CreateEllipticRgn((R.Left + R.Right) / 2 - 3, (R.Top + R.Bottom) / 2 - 3,
                                      (R.Left + R.Right) / 2 + 3, (R.Top + R.Bottom) / 2 + 3);
      for (const auto& rc : dot.Rects()) Fill(ctx, rc, c);
    } else {
      Arrow(ctx, R, DFCS_SCROLLRIGHT, c);
    }
  }
  TCanvasAccess::End(Canvas);
  return true;
}

void DrawFocusRect(TCanvas* Canvas, const TRect& R) {
  if (!Canvas || IsRectEmpty(R)) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(Canvas, ctx)) return;
  auto inv = [&](int x, int y) {
    if (((x + y) & 1) == 0) PlotRop(ctx, x + ctx.ox, y + ctx.oy, 0, 6);
  };
  for (int x = R.Left; x < R.Right; ++x) {
    inv(x, R.Top);
    if (R.Bottom - 1 > R.Top) inv(x, R.Bottom - 1);
  }
  for (int y = R.Top + 1; y < R.Bottom - 1; ++y) {
    inv(R.Left, y);
    if (R.Right - 1 > R.Left) inv(R.Right - 1, y);
  }
  TCanvasAccess::End(Canvas);
}

void FillRgn(TCanvas* Canvas, const TRegion& Region, TColor Color) {
  if (!Canvas) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(Canvas, ctx)) return;
  for (const auto& r : Region.Rects()) Fill(ctx, r, Color);
  TCanvasAccess::End(Canvas);
}

void FrameRgn(TCanvas* Canvas, const TRegion& Region, TColor Color, int Width, int Height) {
  if (!Canvas) return;
  TRegion inner = Region;
  for (auto [dx, dy] :
       {std::pair{Width, 0}, std::pair{-Width, 0}, std::pair{0, Height}, std::pair{0, -Height}}) {
    TRegion shifted = Region;
    shifted.Offset(dx, dy);
    inner = inner.Combined(shifted, RGN_AND);
  }
  FillRgn(Canvas, Region.Combined(inner, RGN_DIFF), Color);
}

int SelectClipRgn(TCanvas* Canvas, const TRegion* Region) {
  if (!Canvas) return RGN_ERROR;
  Canvas->SetClipRegion(Region);
  return Region ? Region->Kind() : SIMPLEREGION;
}

int IntersectClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom) {
  if (!Canvas) return RGN_ERROR;
  Canvas->IntersectClipRect(Rect(Left, Top, Right, Bottom));
  return Canvas->ClipRegion().Kind();
}

int ExcludeClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom) {
  if (!Canvas) return RGN_ERROR;
  Canvas->ExcludeClipRect(Rect(Left, Top, Right, Bottom));
  return Canvas->ClipRegion().Kind();
}

int GetClipBox(TCanvas* Canvas, TRect& R) {
  if (!Canvas) return RGN_ERROR;
  R = Canvas->ClipRect();
  if (IsRectEmpty(R)) return NULLREGION;
  if (!Canvas->HasClipRegion()) return SIMPLEREGION;
  return Canvas->ClipRegion().Kind();
}

TPoint SetViewportOrg(TCanvas* Canvas, int X, int Y) {
  if (!Canvas) return {};
  TPoint old = Canvas->Origin();
  Canvas->SetOrigin({X, Y});
  return old;
}

int SetBkMode(TCanvas* Canvas, int Mode) {
  if (!Canvas) return 0;
  int old = Canvas->BkMode();
  Canvas->SetBkMode(Mode);
  return old;
}

}  // namespace classlib
