// TGIFImageEx::Optimize: makes a loaded animation smaller in place without
// changing what it shows. Colour maps are reordered by usage; frames lose
// transparency they do not use and disposals that do not matter; pixels that
// repeat what the screen already shows become transparent (merge); frames are
// cut to their non-transparent part (crop); blocks that play no part are
// removed. The size passes (GIFSizePasses) follow.
#include <algorithm>
#include <cstring>

#include "imaging/gif_image_ex.h"
#include "imaging/gif_optimizer.h"
#include "platform/classlib/math_utils.h"

namespace lumicast {
namespace gifex {

namespace {

bool Intersect(const classlib::TRect& A, const classlib::TRect& B, classlib::TRect& Out) {
  Out = {std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
         std::min(A.Bottom, B.Bottom)};
  return Out.Left < Out.Right && Out.Top < Out.Bottom;
}

bool SameRect(const classlib::TRect& A, const classlib::TRect& B) {
  return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

}  // namespace

struct TOptimizer {
  TGIFImageEx& image;
  int total = 0;
  int counter = 0;

  void Report() {
    image.ReportProgress(classlib::psRunning, classlib::MulDiv(counter, 100, std::max(total, 1)),
                         "Optimizing...", false);
  }

  // Turns the pixels of F that show what the screen already shows after P
  // into transparent ones.
  void Merge(TGIFSubImage& F, TGIFSubImage* P) {
    if (P == nullptr || F.Empty() || P->Empty()) return;
    if (P->Disposal() == 2 || P->Disposal() == 3) return;
    classlib::TRect r;
    if (!Intersect(F.BoundsRect(), P->BoundsRect(), r)) return;
    int t = F.TransparentIndex();
    TGIFColorMap* target = nullptr;
    if (t < 0) {
      if (F.ColorMap().Count() > 0)
        target = &F.ColorMap();
      else if (image.GlobalColorMap().Count() > 0)
        target = &image.GlobalColorMap();
      if (target == nullptr || target->Count() >= 256) return;
    }
    const TGIFColorMap& fmap = F.ActiveColorMap();
    const TGIFColorMap& pmap = P->ActiveColorMap();
    const bool same_map = &fmap == &pmap;
    const int pt = P->TransparentIndex();
    // Which pixels repeat the screen, found before anything changes so that
    // a shared transparent index can be checked against the pixels that stay.
    std::vector<uint8_t> replace(F.Data().size(), 0);
    bool any = false;
    for (int y = r.Top; y < r.Bottom; ++y) {
      const uint8_t* fr = F.Data().data() + static_cast<size_t>(y - F.Top()) * F.Width();
      const uint8_t* pr = P->Data().data() + static_cast<size_t>(y - P->Top()) * P->Width();
      for (int x = r.Left; x < r.Right; ++x) {
        const int fp = fr[x - F.Left()];
        const int pp = pr[x - P->Left()];
        if (fp == t) continue;
        if (pp == pt) continue;
        bool same = same_map && fp == pp;
        if (!same && fp < fmap.Count() && pp < pmap.Count()) same = fmap[fp] == pmap[pp];
        if (same) {
          replace[static_cast<size_t>(y - F.Top()) * F.Width() + (x - F.Left())] = 1;
          any = true;
        }
      }
    }
    if (!any) return;
    if (t < 0) {
      // Another frame's transparent index serves only when no pixel of this
      // frame that stays visible uses it.
      if (F.ColorMap().Count() == 0) {
        for (auto& o : image.Frames()) {
          if (o.get() == &F || o->ColorMap().Count() != 0 || o->TransparentIndex() < 0) continue;
          const int cand = o->TransparentIndex();
          bool used = false;
          for (size_t i = 0; i < replace.size() && !used; ++i)
            used = !replace[i] && F.Data()[i] == cand;
          if (!used) t = cand;
          break;
        }
      }
      if (t < 0) t = target->Add({0, 0, 0});
      TGIFGraphicControlExtension* g = F.GraphicControl();
      if (g == nullptr) g = F.AddGraphicControl();
      g->SetTransparentColorIndex(t);
      g->SetTransparent(true);
    }
    for (size_t i = 0; i < replace.size(); ++i)
      if (replace[i]) F.Data()[i] = static_cast<uint8_t>(t);
    F.DropCache();
  }

  // Cuts a transparent frame to the part that is not transparent; false
  // when nothing is left.
  static bool Crop(TGIFSubImage& F) {
    const int t = F.TransparentIndex();
    const int w = F.Width(), h = F.Height();
    const uint8_t* d = F.Data().data();
    auto col_used = [&](int x, int y0, int y1) {
      for (int y = y0; y < y1; ++y)
        if (d[static_cast<size_t>(y) * w + x] != t) return true;
      return false;
    };
    int left = 0;
    while (left < w && !col_used(left, 0, h)) ++left;
    if (left == w) {
      F.Data().clear();
      F.DropCache();
      return false;
    }
    int right = w - 1;
    while (right > left && !col_used(right, 0, h)) --right;
    auto row_used = [&](int y) {
      for (int x = left; x <= right; ++x)
        if (d[static_cast<size_t>(y) * w + x] != t) return true;
      return false;
    };
    int top = 0;
    while (top < h && !row_used(top)) ++top;
    int bottom = h - 1;
    while (bottom > top && !row_used(bottom)) --bottom;
    if (left == 0 && top == 0 && right == w - 1 && bottom == h - 1) return true;
    const int nw = right - left + 1, nh = bottom - top + 1;
    std::vector<uint8_t> cut(static_cast<size_t>(nw) * nh);
    for (int y = 0; y < nh; ++y)
      std::memcpy(cut.data() + static_cast<size_t>(y) * nw,
                  d + static_cast<size_t>(y + top) * w + left, static_cast<size_t>(nw));
    const int nl = F.Left() + left, nt = F.Top() + top;
    F.SetBounds(nl, nt, nw, nh);
    F.Data() = std::move(cut);
    F.DropCache();
    return true;
  }

  void Run(uint8_t Options, uint8_t ColorReduction) {
    auto& frames = image.Frames();
    const int n = static_cast<int>(frames.size());
    total = 6 * n;
    if (Options & ooColorMap) {
      if (image.GlobalColorMap().Count() > 0 && n > 0) image.GlobalColorMap().Optimize();
      for (auto& f : frames) {
        ++counter;
        if (f->ColorMap().Count() > 0) {
          f->ColorMap().Optimize();
          Report();
        }
      }
    } else {
      counter += n;
    }
    if (Options & ooCleanup) {
      for (auto& f : frames) {
        ++counter;
        const int t = f->TransparentIndex();
        if (f->Transparent() &&
            (t < 0 || std::find(f->Data().begin(), f->Data().end(), t) == f->Data().end())) {
          f->SetTransparentFlag(false);
          if (auto* g = f->GraphicControl()) g->SetTransparent(false);
          Report();
        }
      }
      for (int i = 0; i + 1 < n; ++i) {
        ++counter;
        TGIFSubImage& a = *frames[static_cast<size_t>(i)];
        TGIFSubImage& b = *frames[static_cast<size_t>(i + 1)];
        auto* g = a.GraphicControl();
        classlib::TRect r;
        // A next frame that restores what was before it would bring back
        // this frame's disposal, so the disposal matters then.
        if (g != nullptr && (g->Disposal() == 2 || g->Disposal() == 3) && !b.Transparent() &&
            b.Disposal() != 3 && Intersect(a.BoundsRect(), b.BoundsRect(), r)) {
          if (SameRect(r, a.BoundsRect())) g->SetDisposal(0);
          Report();
        }
      }
      if (n > 0) ++counter;
    } else {
      counter += 2 * n;
    }
    if (Options & ooMerge) {
      for (int i = n - 1; i >= 1; --i) {
        ++counter;
        int j = i - 1;
        while (j > 0 && frames[static_cast<size_t>(j)]->Disposal() == 3) --j;
        Merge(*frames[static_cast<size_t>(i)], frames[static_cast<size_t>(j)].get());
        Report();
      }
      if (n > 0) ++counter;
    } else {
      counter += n;
    }
    if (Options & ooCrop) {
      for (int i = static_cast<int>(frames.size()) - 1; i >= 0; --i) {
        ++counter;
        TGIFSubImage& f = *frames[static_cast<size_t>(i)];
        // A frame that restores the background clears its whole rectangle,
        // transparent pixels included: cutting it would change the picture.
        if (f.Empty() || !f.Transparent() || f.Disposal() == 2) continue;
        const uint16_t delay = f.Delay();
        if (!Crop(f)) {
          if (i == 0 && (delay > 0 || frames.size() == 1)) {
            // Nothing earlier can take the wait: keep one transparent pixel.
            const int t = f.TransparentIndex();
            f.SetBounds(f.Left(), f.Top(), 1, 1);
            f.Data()[0] = static_cast<uint8_t>(t);
          } else {
            if (i > 0) {
              TGIFSubImage& prev = *frames[static_cast<size_t>(i - 1)];
              AddDelay(prev, delay);
            } else if (frames.size() > 1) {
              // The loop extension stays on the first frame.
              for (size_t e = 0; e < f.Extensions().size(); ++e)
                if (dynamic_cast<TGIFAppExtNSLoop*>(f.Extensions()[e].get())) {
                  auto moved = std::move(f.Extensions()[e]);
                  moved->SetFrame(frames[1].get());
                  auto& next = frames[1]->Extensions();
                  next.insert(next.begin(), std::move(moved));
                  break;
                }
            }
            frames.erase(frames.begin() + i);
          }
        }
        Report();
      }
    } else {
      counter += n;
    }
    counter += static_cast<int>(frames.size());
    if (Options & ooCleanup) {
      for (int i = static_cast<int>(frames.size()) - 1; i >= 0; --i) {
        TGIFSubImage& f = *frames[static_cast<size_t>(i)];
        const bool only = frames.size() == 1;
        auto& ext = f.Extensions();
        for (int e = static_cast<int>(ext.size()) - 1; e >= 0; --e) {
          TGIFExtension* x = ext[static_cast<size_t>(e)].get();
          const bool loop = dynamic_cast<TGIFAppExtNSLoop*>(x) != nullptr;
          if (dynamic_cast<TGIFCommentExtension*>(x) || dynamic_cast<TGIFTextExtension*>(x) ||
              dynamic_cast<TGIFUnknownAppExtension*>(x) || (loop && (i > 0 || only)))
            f.RemoveExtension(x);
        }
        if (auto* g = f.GraphicControl()) {
          if ((g->Delay() == 0 || only) && !g->Transparent() && !g->UserInput() &&
              (g->Disposal() < 2 || only))
            f.RemoveExtension(g);
        }
        if (f.Empty() && f.Extensions().empty()) frames.erase(frames.begin() + i);
      }
      Report();
    } else if ((Options & ooReduceColors) && ColorReduction == 9) {
      throw GIFException("Invalid reduction method");
    }
    if (GIFSizePasses) RunSizePasses(image);
  }
};

void AddDelay(TGIFSubImage& F, uint32_t Delay) {
  TGIFGraphicControlExtension* g = F.GraphicControl();
  if (g == nullptr) g = F.AddGraphicControl();
  g->SetDelay(static_cast<uint16_t>(std::min<uint32_t>(uint32_t(g->Delay()) + Delay, 65535)));
}

void TGIFImageEx::Optimize(uint8_t Options, uint8_t ColorReductionMethod, uint8_t, int32_t) {
  if (frames_.empty()) return;
  StopDraw();
  ReportProgress(classlib::psStarting, 0, "Optimizing...", false);
  try {
    TOptimizer opt{*this};
    opt.Run(Options, ColorReductionMethod);
  } catch (...) {
    bitmap_.reset();
    ReportProgress(classlib::psEnding, 0, "Optimizing...", false);
    throw;
  }
  bitmap_.reset();
  ReportProgress(classlib::psEnding, 100, "Optimizing...", false);
  Changed(this);
}

}  // namespace gifex
}  // namespace lumicast
