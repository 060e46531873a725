// Mouse and keyboard input delivered to the player: the events, what the player remembers of
// them (pointer, pressed keys, the object under the pointer and the one being pressed, focus),
// and the reader of injected-input lists.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace flash {

class DisplayObject;

enum class MouseButton : uint8_t { Left, Right, Middle };

enum class TextCommand : uint8_t {
  Paste,
  Copy,
  Cut,
  SelectAll,
  Backspace,
  Delete,
  Enter,
  MoveLeft,
  MoveRight,
  MoveLeftLine,
  MoveRightLine,
  Other
};

// Key codes as scripts see them (Key.getCode).
namespace keys {
constexpr int kBackspace = 8, kTab = 9, kEnter = 13, kShift = 16, kControl = 17, kAlt = 18,
              kCapsLock = 20, kEscape = 27, kSpace = 32, kPageUp = 33, kPageDown = 34, kEnd = 35,
              kHome = 36, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kInsert = 45, kDelete = 46;
}  // namespace keys

// The key code of a key name ("Tab", "ArrowLeft", "A", "LeftShift", "F1"...); 0 when unknown.
int KeyCodeOfName(const std::string& name);
// The key code buttons' key-press conditions use for a key (1-19 for the special keys, the
// character for the others); 0 when the key has none.
uint8_t ButtonKeyOf(int key_code, uint32_t character);
// The character a key types when nothing else says (letters in lower case unless shifted; the
// control keys' own codes); 0 for keys that type nothing known.
uint32_t CharacterOfKey(int code, bool shift);

struct InputEvent {
  enum class Kind : uint8_t {
    MouseMove,
    MouseDown,
    MouseUp,
    KeyDown,
    KeyUp,
    TextInput,
    TextControl,
    FocusGained,
    FocusLost,
    SetClipboardText,
    MouseWheel,
    ImePreedit,
    Wait,
    Other
  };
  Kind kind = Kind::Other;
  double x = 0, y = 0;
  MouseButton button = MouseButton::Left;
  int key_code = 0;
  uint32_t character = 0;  // KeyDown/KeyUp: the character typed; TextInput: the code point
  TextCommand command = TextCommand::Other;
  std::string text;
  double wheel_lines = 0;  // MouseWheel: lines turned, negative towards the user
  int preedit_cursor = -1;  // ImePreedit: the caret within the text (-1: after it)
};

// Reads an injected-input list (a JSON array of event objects). Throws std::runtime_error with
// the offending position for text that is not such a list; unknown event types are kept as
// Other.
std::vector<InputEvent> ParseInputEvents(const std::string& json);

// The events to deliver after each tick: an event list split at its Wait events. A list without
// Wait is one batch.
std::vector<std::vector<InputEvent>> InputBatches(const std::vector<InputEvent>& events);

// The button (or button-like clip) the pointer is over or pressed. A timeline that removes and
// places the same character at the same depth again (a loop back to the frame that places it),
// here or in any parent, hands the role on to the new instance.
class TrackedObject {
 public:
  void Set(const std::shared_ptr<DisplayObject>& o);
  void Reset() { Set(nullptr); }
  std::shared_ptr<DisplayObject> Get();

 private:
  std::weak_ptr<DisplayObject> object_, root_;
  // From the level's root down: the depth and the character of every object on the way.
  std::vector<std::pair<int, uint16_t>> path_;
};

// The clip following the pointer (startDrag): one at a time. Positions are twips of the clip's
// parent.
struct DragState {
  std::weak_ptr<DisplayObject> clip;
  bool lock_center = false;           // the registration point sits on the pointer
  double offset_x = 0, offset_y = 0;  // else the clip keeps this distance from the pointer
  bool constrained = false;           // kept inside left/top/right/bottom
  double left = 0, top = 0, right = 0, bottom = 0;
};

struct InputState {
  double mouse_x = 0, mouse_y = 0;  // stage pixels
  bool mouse_seen = false;          // any mouse event yet
  bool mouse_down = false;
  bool mouse_hidden = false;
  TrackedObject hovered;        // the button or button-like clip under the pointer
  TrackedObject pressed;        // the one the left button went down on
  bool pressed_inside = false;  // whether the pointer is over `pressed`
  std::bitset<256> keys_down;
  // Every key, mouse buttons included, toggles each time it goes down (Key.isToggled).
  std::bitset<256> keys_toggled;
  int last_key = 0;
  uint32_t last_char = 0;
  std::string clipboard;
  // The object with the keyboard focus (an input field or a button), and for a field the caret
  // and the selection's other end, in characters.
  std::weak_ptr<DisplayObject> focus;
  size_t caret = 0, anchor = 0;
  // Whether the yellow focus frame shows: decided when the focus is given, from the object's
  // _focusrect or else its root's as they are then (changing them later leaves the frame).
  bool focus_frame = false;
  bool selecting = false;  // the left button went down on the focused field: drags select
  // Text an input method is composing: shown in the focused field from `preedit_at` on, for
  // `preedit_length` characters, until the next composition replaces it; it stays when the
  // field loses the focus.
  size_t preedit_at = 0, preedit_length = 0;
  // Buttons and clips that lost (false) or gained (true) the focus: they roll out and over once
  // the scripts that moved the focus are done.
  std::vector<std::pair<std::weak_ptr<DisplayObject>, bool>> focus_rolls;
  bool key_taken = false;  // a key-press handler took the last key that went down
  bool tabbing = false;    // the focus moves by the Tab key: the rolls come first
  // `hovered` was rolled over by the focus: it stays so until the pointer really moves.
  bool hovered_by_focus = false;
  DragState drag;
};

}  // namespace flash
