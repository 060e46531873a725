// TextField.StyleSheet objects as text fields read them.
#pragma once

#include "platform/flash/player/value.h"
#include "platform/flash/text/style_sheet.h"

namespace flash {

class ActionRunner;

// The styles a style sheet holds now (its transformed styles, by selector); none for a value
// that is not a style sheet's object.
text::StyleMap StylesOf(ActionRunner& vm, const Value& sheet);

}  // namespace flash
