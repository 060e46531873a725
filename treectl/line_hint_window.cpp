#include "treectl/line_hint_window.h"

#include "platform/classlib/canvas.h"

namespace lumicast {

using namespace classlib;

TElHintWindow::TElHintWindow(TComponent* AOwner)
    : THintWindow(AOwner), font_(std::make_unique<TFont>()) {}

TElHintWindow::~TElHintWindow() = default;

void TElHintWindow::SetFont(TFont* Value) {
  if (Value != nullptr) font_->Assign(Value);
}

TRect TElHintWindow::MeasureHint(int MaxWidth, const std::string& Text) {
  // The base measurement uses the control's font: give it ours first.
  THintWindow::Font()->Assign(font_.get());
  return CalcHintRect(MaxWidth, Text);
}

void TElHintWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(ShownColor());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 2;
  c->Font()->Assign(font_.get());
  c->Brush()->SetStyle(bsClear);
  c->DrawText(Caption(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace lumicast
