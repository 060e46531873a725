// The script side of filters (the flash.filters classes): converting between a filter object a
// script made and the filter the renderer applies.
#pragma once

#include "platform/flash/format/filters.h"
#include "platform/flash/player/value.h"

namespace flash {

class ActionRunner;
class ScriptObject;

// The filter a flash.filters object describes; false for anything else (and for a displacement
// map, which no display object is drawn through).
bool FilterOfObject(const ScriptObject* object, Filter& out);

// A new object of the flash.filters class that draws like `f` (a copy: changing it changes
// nothing else).
Value NewFilterObject(ActionRunner& vm, const Filter& f);

}  // namespace flash
