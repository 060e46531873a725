#include "platform/classlib/check_list_box.h"

#include <QListWidget>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

QListWidgetItem* ItemOf(const TCheckListBox* Box, int Index) {
  auto* list = static_cast<QListWidget*>(NativeWidget(const_cast<TCheckListBox*>(Box)));
  if (Index < 0 || Index >= list->count())
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  return list->item(Index);
}

Qt::CheckState QtState(TCheckBoxState Value) {
  switch (Value) {
    case cbChecked: return Qt::Checked;
    case cbGrayed: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
  }
}

}  // namespace

TCheckListBox::TCheckListBox(TComponent* AOwner) : TListBox(AOwner) {
  // The list's window was made while the list box was built.
  auto* list = static_cast<QListWidget*>(NativeWidget(this));
  // Without AllowGrayed a user click on a grayed box checks it.
  QObject::connect(list, &QListWidget::itemChanged, list, [this](QListWidgetItem*) {
    if (setting_) return;
    SafeCall(this, [this] {
      if (OnClickCheck) OnClickCheck(this);
    });
  });
}

void TCheckListBox::ItemInserted(int Index) {
  QListWidgetItem* item = ItemOf(this, Index);
  setting_ = true;
  Qt::ItemFlags flags = item->flags() | Qt::ItemIsUserCheckable;
  item->setFlags(allow_grayed_ ? flags | Qt::ItemIsUserTristate : flags);
  item->setCheckState(Qt::Unchecked);
  setting_ = false;
}

TCheckBoxState TCheckListBox::State(int Index) const {
  switch (ItemOf(this, Index)->checkState()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
  }
}

void TCheckListBox::SetState(int Index, TCheckBoxState Value) {
  QListWidgetItem* item = ItemOf(this, Index);
  setting_ = true;
  item->setCheckState(QtState(Value));
  setting_ = false;
}

void TCheckListBox::SetAllowGrayed(bool Value) {
  allow_grayed_ = Value;
  auto* list = static_cast<QListWidget*>(NativeWidget(this));
  setting_ = true;
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    item->setFlags(Value ? item->flags() | Qt::ItemIsUserTristate
                         : item->flags() & ~Qt::ItemIsUserTristate);
  }
  setting_ = false;
}

}  // namespace classlib
