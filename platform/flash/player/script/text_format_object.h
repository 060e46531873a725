// TextFormat objects: script objects carrying the members of a character and paragraph format,
// each null when not set.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/player/script/object.h"
#include "platform/flash/text/text_format.h"

namespace flash {

class ActionRunner;
class ScriptObject;

// A new TextFormat object; a member is null where the formats disagree (or none are given).
ScriptObject* NewTextFormatObject(ActionRunner& vm,
                                  const std::vector<const text::TextFormat*>& formats);
// Copies the members of `from` that are not null into `to`; returns their set (FormatMember
// bits).
uint32_t ApplyTextFormat(ActionRunner& vm, ScriptObject* from, text::TextFormat& to);
// Sets a member of a format object as it is, past the rules of a script's assignment (other
// names are assigned as usual).
void PutTextFormatMember(ActionRunner& vm, ScriptObject* format, const char* name, Value v);

}  // namespace flash
