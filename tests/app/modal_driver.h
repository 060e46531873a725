// Drives a modal window from inside its message loop: a timer runs Action once, as soon as the
// window Find returns is showing; a window the action leaves open is cancelled.
#pragma once

#include <functional>
#include <utility>

#include "platform/classlib/form.h"
#include "platform/classlib/timer.h"

namespace lumitest {

class ModalDriver {
 public:
  ModalDriver(std::function<classlib::TForm*()> Find, std::function<void(classlib::TForm*)> Action)
      : find_(std::move(Find)), action_(std::move(Action)) {
    timer_.SetInterval(10);
    timer_.SetOnTimer([this](classlib::TObject*) {
      classlib::TForm* form = find_();
      if (seen || form == nullptr || !form->Showing()) return;
      seen = true;
      action_(form);
      if (form->ModalResult() == classlib::mrNone) form->SetModalResult(classlib::mrCancel);
    });
  }
  bool seen = false;

 private:
  std::function<classlib::TForm*()> find_;
  std::function<void(classlib::TForm*)> action_;
  classlib::TTimer timer_{nullptr};
};

}  // namespace lumitest
