// A job as an item of the job list: a plain check box, the job record as the item's data, the
// movie's name as its text and the sound and output as its two column texts.
#pragma once

#include "app/job_record.h"

namespace lumicast {

class TElTreeItem;

// Gives a new item of the job list its check box (checked as Checked, enabled, shown), Job as
// its data and the job's texts. The item does not own the record until this returns.
void FillJobItem(TElTreeItem* Item, TCovSettings* Job, bool Checked);

}  // namespace lumicast
