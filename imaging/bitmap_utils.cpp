#include "imaging/bitmap_utils.h"

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/control.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/message_queue.h"
#include "platform/classlib/messages.h"

namespace lumicast {

using namespace classlib;

namespace {
// The thread the program starts on: the user-interface thread.
const std::thread::id kUiThread = std::this_thread::get_id();
}  // namespace

int32_t IntMax(int32_t A, int32_t B) { return A > B ? A : B; }
int32_t IntMin(int32_t A, int32_t B) { return A < B ? A : B; }

void* AllocGlobalBlock(int64_t Size) {
  if (Size <= 0) return nullptr;
  void* p = std::calloc(1, static_cast<size_t>(Size));
  if (!p) throw EOutOfMemory("Out of memory");
  return p;
}

void FreeGlobalBlock(void*& Holder) {
  if (!Holder) return;
  std::free(Holder);
  Holder = nullptr;
}

bool SameBytes(const void* A, const void* B, size_t Length) {
  return Length == 0 || std::memcmp(A, B, Length) == 0;
}

void CopyBytes(void* Destination, const void* Source, size_t Count) {
  if (Count) std::memmove(Destination, Source, Count);
}

std::string ShortenTextToWidth(const std::string& Text, TCanvas* Canvas, int Width) {
  if (Canvas->TextWidth(Text) <= Width) return Text;
  const int len = static_cast<int>(Text.size());
  std::string result;
  for (int i = 1; i <= len; ++i) {
    int keep = std::max(0, len - i - 1);
    result = Text.substr(0, static_cast<size_t>(keep)) + "...";
    if (Canvas->TextWidth(result) <= Width) break;
  }
  return result;
}

bool HasActiveThreadWindow() {
  return std::this_thread::get_id() == kUiThread && Screen->ActiveForm() != nullptr;
}

void RaiseNotImplemented() {
  Screen->SetCursor(crDefault);
  MessageDlg("Function not yet implemented", mtInformation, mbOK);
  throw EAbort("Operation aborted");
}

namespace {

// Suspends a bitmap's change notification and locks its canvas while it is
// drawn from.
class TDrawSourceGuard {
 public:
  explicit TDrawSourceGuard(TBitmap* B) : bitmap_(B), saved_(B->OnChange) {
    bitmap_->OnChange = nullptr;
    bitmap_->Canvas()->Lock();
  }
  ~TDrawSourceGuard() {
    bitmap_->Canvas()->Unlock();
    bitmap_->OnChange = saved_;
  }

 private:
  TBitmap* bitmap_;
  TNotifyEvent saved_;
};

}  // namespace

void StretchBitmapKeyed(TCanvas* Canvas, int X, int Y, int Width, int Height, TBitmap* Bitmap,
                        int SrcX, int SrcY, int SrcW, int SrcH, TColor Key) {
  if (!Canvas || !Bitmap || Bitmap->Empty()) return;
  if (Width < 1 || Height < 1) {
    Width = Bitmap->Width();
    Height = Bitmap->Height();
  }
  if (SrcW < 1 || SrcH < 1) {
    SrcX = 0;
    SrcY = 0;
    SrcW = Bitmap->Width();
    SrcH = Bitmap->Height();
  }
  TDrawSourceGuard guard(Bitmap);
  if (!Bitmap->Monochrome()) SetStretchBltMode(Canvas, COLORONCOLOR);
  if (Key == clNone) {
    StretchBlt(Canvas, X, Y, Width, Height, Bitmap->Canvas(), SrcX, SrcY, SrcW, SrcH,
               Canvas->CopyMode());
    return;
  }
  TColor key;
  if (Bitmap->Monochrome())
    key = clWhite;
  else if (Key == clDefault)
    key = Bitmap->PixelColor(0, Bitmap->Height() - 1);
  else
    key = ColorToRGB(Key);

  TransparentBlt(Canvas, X, Y, Width, Height, Bitmap, SrcX, SrcY, SrcW, SrcH, key);
}

void DrawBitmapRectTransparent(TCanvas* Canvas, int X, int Y, TColor Key, TBitmap* Bitmap,
                               const TRect& Source, int DestHeight, int DestWidth) {
  StretchBitmapKeyed(Canvas, X, Y, DestWidth, DestHeight, Bitmap, Source.Left, Source.Top,
                     Source.Width(), Source.Height(), Key);
}

void BlitBitmapRectKeyed(TCanvas* Canvas, int X, int Y, TColor Key, TBitmap* Bitmap,
                         const TRect& Source) {
  DrawBitmapRectTransparent(Canvas, X, Y, Key, Bitmap, Source, Source.Height(), Source.Width());
}

void BlitBitmapKeyed(TCanvas* Canvas, int X, int Y, TColor Key, TBitmap* Bitmap) {
  if (!Bitmap) return;
  BlitBitmapRectKeyed(Canvas, X, Y, Key, Bitmap, Rect(0, 0, Bitmap->Width(), Bitmap->Height()));
}

TBitmap* MakeEmbossedBitmap(TBitmap* Bitmap, TColor MaskColor, TColor Background, bool Highlight,
                            TColor Shadow, TColor HighlightColor) {
  auto* result = new TBitmap();
  try {
    const int w = Bitmap ? Bitmap->Width() : 0, h = Bitmap ? Bitmap->Height() : 0;
    result->SetSize(w, h);
    result->Canvas()->Brush()->SetColor(Background);
    result->Canvas()->FillRect(Rect(0, 0, w, h));
    if (w == 0 || h == 0) return result;
    // The mask: true where the source differs from the mask colour (a
    // monochrome source counts white as the mask colour).
    const TColor mask_rgb = Bitmap->Monochrome() ? clWhite : ColorToRGB(MaskColor);
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        mask[static_cast<size_t>(y) * w + x] = Bitmap->PixelColor(x, y) != mask_rgb;
    DrawEmbossedMask(result->Canvas(), 0, 0, mask.data(), w, h, Shadow, HighlightColor, Highlight);
  } catch (...) {
    delete result;
    throw;
  }
  return result;
}

void DropPendingMessage(TWinControl* Window, uint32_t Msg) {
  TMessage removed;
  if (!RemovePendingMessage(Window, Msg, &removed)) return;
  // Swallowing the quit request would keep the program running.
  if (removed.Msg == WM_QUIT) PostQuitMessage(static_cast<int>(removed.WParam));
}

void DrawImageListItemGrayed(TImageList* List, TCanvas* Canvas, int X, int Y, int Index,
                             TColor Shadow, TColor HighlightColor, bool Highlight) {
  if (!List || !Canvas || Index < 0 || Index >= List->Count()) return;
  const int w = List->Width(), h = List->Height();
  // The image over white, seen as a monochrome mask: white stays out, every
  // other pixel takes the colour.
  TBitmap work;
  work.SetPixelFormat(pf24bit);
  work.SetSize(w, h);
  work.Canvas()->Brush()->SetColor(clWhite);
  work.Canvas()->FillRect(Rect(0, 0, w, h));
  List->Draw(work.Canvas(), 0, 0, Index, true);
  std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      mask[static_cast<size_t>(y) * w + x] = work.PixelColor(x, y) != clWhite;
  DrawEmbossedMask(Canvas, X, Y, mask.data(), w, h, Shadow, HighlightColor, Highlight);
}

TBitmap* MakeGrayedBitmap(TBitmap* Bitmap, TColor MaskColor) {
  return MakeEmbossedBitmap(Bitmap, MaskColor, clBtnFace, true, clBtnShadow, clBtnHighlight);
}

void PaintParentBackground(TControl* Control, TCanvas* Canvas) {
  if (!Control || !Canvas) return;
  TWinControl* parent = Control->Parent();
  if (!parent) return;
  // A parent already painting a copy is painting this control: stop there.
  if (parent->ControlState() & csPaintCopy) return;
  const TPoint saved_origin = Canvas->Origin();
  const bool had_clip = Canvas->HasClipRegion();
  const TRegion saved_clip = Canvas->ClipRegion();
  auto restore = [&]() {
    Canvas->SetOrigin(saved_origin);
    Canvas->SetClipRegion(had_clip ? &saved_clip : nullptr);
  };
  parent->SetControlState(parent->ControlState() | csPaintCopy);
  try {
    Canvas->SetOrigin(Point(saved_origin.X - Control->Left(), saved_origin.Y - Control->Top()));
    Canvas->IntersectClipRect(parent->ClientRect());
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(Canvas));
    restore();
    const TRect me = Control->BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* c = parent->Controls(i);
      if (c == Control) break;
      if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
      TRect overlap;
      if (!IntersectRect(overlap, me, c->BoundsRect())) continue;
      Canvas->SetOrigin(Point(saved_origin.X + c->Left() - Control->Left(),
                              saved_origin.Y + c->Top() - Control->Top()));
      Canvas->IntersectClipRect(Rect(0, 0, c->Width(), c->Height()));
      c->SetControlState(c->ControlState() | csPaintCopy);
      try {
        c->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(Canvas));
      } catch (...) {
        c->SetControlState(c->ControlState() & ~csPaintCopy);
        throw;
      }
      c->SetControlState(c->ControlState() & ~csPaintCopy);
      restore();
    }
  } catch (...) {
    restore();
    parent->SetControlState(parent->ControlState() & ~csPaintCopy);
    throw;
  }
  restore();
  parent->SetControlState(parent->ControlState() & ~csPaintCopy);
}

}  // namespace lumicast
