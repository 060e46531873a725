#include "app/job_item.h"

#include "treectl/tree_items.h"

namespace lumicast {

void FillJobItem(TElTreeItem* Item, TCovSettings* Job, bool Checked) {
  Item->SetCheckBoxType(ectCheckBox);
  Item->SetCheckBoxEnabled(true);
  Item->SetChecked(Checked);
  Item->SetShowCheckBox(true);
  Item->Data = Job;
  Item->SetText(JobItemText(*Job));
  Item->ColumnText()->Add(JobSoundText(*Job));
  Item->ColumnText()->Add(JobOutputText(*Job));
}

}  // namespace lumicast
