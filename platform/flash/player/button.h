// Buttons on the display list: a container of the characters the current state shows, with
// the state machine mouse input drives and the script object scripts see.
#pragma once

#include <memory>
#include <optional>

#include "platform/flash/format/button.h"
#include "platform/flash/player/player.h"

namespace flash {

// A button is drawn like a clip holding the characters of its current state; it has no
// timeline of its own. Sprites of a state play while the state is shown.
class ButtonObject : public MovieClip {
 public:
  ButtonObject(std::shared_ptr<const MovieDef> movie, CharacterPtr def);
  ~ButtonObject() override;
  const ButtonDef& Def() const { return static_cast<const ButtonDef&>(*character); }

  uint8_t state = 0;  // the ButtonState shown; 0 before the first
  bool use_hand_cursor = true;
  // The script object of the button, made on first use and pinned while the button lives.
  ButtonScriptObject* script = nullptr;
  std::shared_ptr<Heap> script_heap;
};

// The script side of a button.
class ButtonScriptObject : public ScriptObject {
 public:
  ButtonScriptObject() : ScriptObject(Kind::Object) { class_name = "Button"; }
  std::weak_ptr<DisplayObject> button;
  std::optional<double> tab_index;
};

// Whether (x, y), in the button's own twips, is inside one of its hit characters.
bool ButtonHitContains(const ButtonObject& button, double x, double y);

// The live button behind a script value; null when the value is no button or it was removed.
ButtonObject* ButtonOf(const Value& v);

}  // namespace flash
