// The script side of filters (the flash.filters classes): converting between a filter object a
// script made and the filter the renderer applies.
#pragma once

#include <memory>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/player/value.h"

namespace flash {

class ActionRunner;
class BitmapData;
class ScriptObject;

// The filter a flash.filters object describes; false for anything else. A displacement map
// takes a copy of its map bitmap's pixels as they are now (false without a usable map).
bool FilterOfObject(ActionRunner& vm, const ScriptObject* object, Filter& out);

// The bitmap a flash.display.BitmapData object (or an instance of a subclass) holds; null for
// anything else.
std::shared_ptr<BitmapData> BitmapDataOfValue(ActionRunner& vm, const Value& v);

// A new object of the flash.filters class that draws like `f` (a copy: changing it changes
// nothing else).
Value NewFilterObject(ActionRunner& vm, const Filter& f);

// A display object's filter list as a script reads it: a new array of new filter objects.
Value FilterListValue(ActionRunner& vm, const std::vector<Filter>& filters);

// The filter list an assigned value gives: copies of the filters among an array's items; what is
// no filter is left out, and anything but an array gives an empty list.
std::vector<Filter> FilterListOf(ActionRunner& vm, const Value& v);

}  // namespace flash
