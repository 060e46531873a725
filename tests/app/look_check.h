// Look checks of windows built in code: every control lies inside its parent, no two controls of
// one parent overlap, captions fit their controls; and pictures of windows written as BMP files
// into LUMICAST_SHOT_DIR when it is set.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/std_controls.h"

namespace looktest {

using classlib::pf24bit;
using classlib::TBitmap;
using classlib::TButton;
using classlib::TCanvas;
using classlib::TCheckBox;
using classlib::TControl;
using classlib::TLabel;
using classlib::TRadioButton;
using classlib::TRect;
using classlib::TSpeedButton;
using classlib::TWinControl;

inline bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Text width of a caption as the control's font draws it, without the accelerator mark.
inline int CaptionWidth(TCanvas* Measure, TControl* C) {
  std::string text = C->Caption();
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != '&' || (i + 1 < text.size() && text[i + 1] == '&')) shown += text[i];
  Measure->Font()->Assign(C->Font());
  return Measure->TextWidth(shown);
}

inline void CheckLayout(TWinControl* Parent, TCanvas* Measure,
                        const std::vector<TControl*>& Outside, std::vector<std::string>& Problems) {
  const TRect client = Parent->ClientRect();
  std::vector<TControl*> shown;
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* c = Parent->Controls(i);
    if (!c->Visible() || std::find(Outside.begin(), Outside.end(), c) != Outside.end()) continue;
    shown.push_back(c);
    const TRect r = c->BoundsRect();
    if (r.Left < 0 || r.Top < 0 || r.Right > client.Right || r.Bottom > client.Bottom)
      Problems.push_back(c->Name() + " outside " + Parent->Name());
    int extra = -1;
    if (dynamic_cast<TCheckBox*>(c) || dynamic_cast<TRadioButton*>(c)) extra = 20;
    if (dynamic_cast<TButton*>(c) || dynamic_cast<TSpeedButton*>(c)) extra = 8;
    if (dynamic_cast<TLabel*>(c) && !static_cast<TLabel*>(c)->WordWrap()) extra = 0;
    if (extra >= 0 && CaptionWidth(Measure, c) + extra > c->Width())
      Problems.push_back(c->Name() + " caption does not fit");
    if (auto* w = dynamic_cast<TWinControl*>(c)) CheckLayout(w, Measure, Outside, Problems);
  }
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j)
      if (Overlap(shown[i]->BoundsRect(), shown[j]->BoundsRect()))
        Problems.push_back(shown[i]->Name() + " overlaps " + shown[j]->Name());
}

inline void Shot(TWinControl* C, const std::string& Name) {
  const char* dir = std::getenv("LUMICAST_SHOT_DIR");
  if (dir == nullptr) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(C->ClientWidth(), C->ClientHeight());
  C->PaintTo(b.Canvas(), 0, 0);
  b.SaveToFile(std::string(dir) + "/" + Name + ".bmp");
}

}  // namespace looktest
