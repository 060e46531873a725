// Placing the controls of a window built in code: a control of a kind with its name, parent and
// bounds, and a label whose text sits level with the controls of its row.
#pragma once

#include <string>

#include "platform/classlib/std_controls.h"

namespace lumicast {

template <class T>
T* MakeControl(classlib::TComponent* Owner, classlib::TWinControl* Parent, const char* Name,
               int Left, int Top, int Width, int Height) {
  auto* c = new T(Owner);
  c->SetName(Name);
  c->SetParent(Parent);
  c->SetBounds(Left, Top, Width, Height);
  return c;
}

// A label sized to its text, three pixels below Top (the text line of a 22-pixel edit).
inline classlib::TLabel* MakeRowLabel(classlib::TComponent* Owner, classlib::TWinControl* Parent,
                                      const char* Name, int Left, int Top,
                                      const std::string& Caption) {
  auto* l = new classlib::TLabel(Owner);
  l->SetName(Name);
  l->SetParent(Parent);
  l->SetLeft(Left);
  l->SetTop(Top + 3);
  l->SetCaption(Caption);
  return l;
}

}  // namespace lumicast
