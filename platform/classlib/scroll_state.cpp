#include "platform/classlib/scroll_state.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"

namespace classlib {

namespace {

QScrollBar* BarOf(TWinControl* Control, int Bar, QAbstractScrollArea** Area) {
  if (Control == nullptr) return nullptr;
  auto* area = qobject_cast<QAbstractScrollArea*>(NativeWidget(Control));
  if (area == nullptr) return nullptr;
  if (Area != nullptr) *Area = area;
  return Bar == SB_VERT ? area->verticalScrollBar() : area->horizontalScrollBar();
}

}  // namespace

bool GetControlScrollBar(TWinControl* Control, int Bar, TScrollBarState& State) {
  QAbstractScrollArea* area = nullptr;
  QScrollBar* bar = BarOf(Control, Bar, &area);
  if (bar == nullptr) return false;
  const Qt::ScrollBarPolicy policy =
      Bar == SB_VERT ? area->verticalScrollBarPolicy() : area->horizontalScrollBarPolicy();
  const bool scrolls = bar->maximum() > bar->minimum();
  // Read from the policy and range rather than the widget, which counts as
  // hidden while its window is not on screen.
  State.Visible = policy == Qt::ScrollBarAlwaysOn || (policy == Qt::ScrollBarAsNeeded && scrolls);
  State.Enabled = State.Visible && scrolls && bar->isEnabled();
  State.Min = bar->minimum();
  State.Page = bar->pageStep();
  State.Max = bar->maximum() + bar->pageStep() - 1;
  State.Position = bar->value();
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.upsideDown = bar->invertedAppearance();
  if (bar->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
  const QRect thumb =
      bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
  State.ThumbTop = Bar == SB_VERT ? thumb.top() : thumb.left();
  State.ThumbBottom = Bar == SB_VERT ? thumb.bottom() + 1 : thumb.right() + 1;
  return true;
}

bool SetControlScrollPos(TWinControl* Control, int Bar, int Position) {
  QScrollBar* bar = BarOf(Control, Bar, nullptr);
  if (bar == nullptr) return false;
  bar->setValue(Position);
  return true;
}

}  // namespace classlib
