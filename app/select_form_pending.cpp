// The visual selection window is not built yet: the command does nothing.
#include "app/select_form.h"
#include "app/settings_form.h"

namespace lumicast {

TSelectFrm* TSettingsFrm::SelectForm() { return nullptr; }
void TSettingsFrm::ShowVisualSelection(const std::string&, int32_t, int32_t) {}

}  // namespace lumicast
