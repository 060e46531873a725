// Layout checks of a window built in code, and its picture for a reviewer. LookProblems lists
// every visible control that reaches outside its parent's client area, every two visible
// siblings that overlap, and every caption wider (or taller) than its control as the class
// library measures it. SaveWindowPng paints a window off-screen and, with LUMICAST_DUMP_DIR
// set, writes it there as a PNG.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QImage>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/control.h"
#include "platform/classlib/std_controls.h"
#include "tests/support/test_bitmaps.h"

namespace lumitest {

inline std::string ControlLabel(const classlib::TControl* C) {
  return C->Name().empty() ? C->ClassName() : C->Name();
}

// Caption without its accelerator marks ("&&" stays one "&").
inline std::string VisibleCaption(const std::string& Caption) {
  std::string out;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    out += Caption[i];
  }
  return out;
}

// Room a caption needs inside its control: none for controls without a caption of their own.
inline bool CaptionFits(classlib::TControl* C, std::string& Why) {
  std::string text;
  int room_w = C->Width(), room_h = C->Height();
  if (auto* l = dynamic_cast<classlib::TLabel*>(C)) {
    text = l->Caption();
  } else if (auto* b = dynamic_cast<classlib::TBitBtn*>(C)) {
    text = b->Caption();
    const int glyph = b->Glyph() != nullptr ? b->Glyph()->Width() / b->NumGlyphs() : 0;
    room_w -= 12 + (glyph > 0 ? glyph + 4 : 0);  // frame and padding, glyph and its spacing
    room_h -= 6;
  } else if (auto* s = dynamic_cast<classlib::TSpeedButton*>(C)) {
    text = s->Caption();
    room_w -= 8;
    room_h -= 4;
  } else if (dynamic_cast<classlib::TButton*>(C) != nullptr) {
    text = C->Caption();
    room_w -= 12;
    room_h -= 6;
  } else {
    return true;
  }
  text = VisibleCaption(text);
  if (text.empty()) return true;
  auto scratch = FilledBitmap(4, 4, classlib::clWhite);
  scratch->Canvas()->Font()->Assign(C->Font());
  const int w = scratch->Canvas()->TextWidth(text);
  const int h = scratch->Canvas()->TextHeight(text);
  if (w <= room_w && h <= room_h) return true;
  Why = ControlLabel(C) + ": caption \"" + text + "\" needs " + std::to_string(w) + "x" +
        std::to_string(h) + ", has " + std::to_string(room_w) + "x" + std::to_string(room_h);
  return false;
}

inline void CollectLookProblems(classlib::TWinControl* Parent,
                                const std::set<const classlib::TControl*>& Ignore,
                                std::vector<std::string>& Out) {
  const classlib::TRect client = Parent->ClientRect();
  std::vector<classlib::TControl*> shown;
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    classlib::TControl* c = Parent->Controls(i);
    if (!c->Visible() || Ignore.count(c) != 0) continue;
    shown.push_back(c);
    const classlib::TRect r = c->BoundsRect();
    if (r.Left < client.Left || r.Top < client.Top || r.Right > client.Right ||
        r.Bottom > client.Bottom)
      Out.push_back(ControlLabel(c) + " reaches outside " + ControlLabel(Parent));
    std::string why;
    if (!CaptionFits(c, why)) Out.push_back(why);
    if (auto* w = dynamic_cast<classlib::TWinControl*>(c)) CollectLookProblems(w, Ignore, Out);
  }
  for (size_t a = 0; a < shown.size(); ++a)
    for (size_t b = a + 1; b < shown.size(); ++b) {
      const classlib::TRect p = shown[a]->BoundsRect(), q = shown[b]->BoundsRect();
      if (p.Left < q.Right && q.Left < p.Right && p.Top < q.Bottom && q.Top < p.Bottom)
        Out.push_back(ControlLabel(shown[a]) + " overlaps " + ControlLabel(shown[b]));
    }
}

inline std::vector<std::string> LookProblems(
    classlib::TWinControl* Window, const std::set<const classlib::TControl*>& Ignore = {}) {
  std::vector<std::string> out;
  CollectLookProblems(Window, Ignore, out);
  return out;
}

// The window painted off-screen (its client area); saved as Tag.png under LUMICAST_DUMP_DIR.
inline std::unique_ptr<classlib::TBitmap> SaveWindowPng(classlib::TWinControl* Window,
                                                        const std::string& Tag) {
  auto b = FilledBitmap(Window->ClientWidth(), Window->ClientHeight(), classlib::clFuchsia,
                        classlib::pf32bit);
  Window->PaintTo(b->Canvas(), 0, 0);
  if (const char* dir = std::getenv("LUMICAST_DUMP_DIR")) {
    const std::string bmp = std::string(dir) + "/" + Tag + ".bmp";
    b->SaveToFile(bmp);
    QImage(QString::fromStdString(bmp))
        .save(QString::fromStdString(std::string(dir) + "/" + Tag + ".png"));
  }
  return b;
}

}  // namespace lumitest
