// Buttons (DefineButton, DefineButton2) as the tags give them: the characters each state shows,
// the hit area, and the actions run on the transitions between states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/types.h"

namespace flash {

// The four states a record may take part in.
enum ButtonState : uint8_t {
  kButtonUp = 0x01,
  kButtonOver = 0x02,
  kButtonDown = 0x04,
  kButtonHit = 0x08,
};

struct ButtonRecord {
  uint8_t states = 0;  // ButtonState bits
  uint16_t character_id = 0;
  uint16_t depth = 0;
  Matrix matrix;
  ColorTransform color_transform;
  std::vector<Filter> filters;
  uint8_t blend_mode = 0;
};

// The transitions a button's actions run on (the low byte and bit 8 of a condition word; a key
// press carries its key code in bits 9-15).
enum ButtonCondition : uint16_t {
  kCondIdleToOverUp = 0x0001,        // roll over
  kCondOverUpToIdle = 0x0002,        // roll out
  kCondOverUpToOverDown = 0x0004,    // press
  kCondOverDownToOverUp = 0x0008,    // release
  kCondOverDownToOutDown = 0x0010,   // drag out
  kCondOutDownToOverDown = 0x0020,   // drag over
  kCondOutDownToIdle = 0x0040,       // release outside
  kCondIdleToOverDown = 0x0080,      // drag over (menus)
  kCondOverDownToIdle = 0x0100,      // drag out (menus)
};

struct ButtonAction {
  uint16_t conditions = 0;  // ButtonCondition bits
  uint8_t key_code = 0;     // 0: not a key press
  std::shared_ptr<const std::vector<uint8_t>> actions;
};

struct ButtonDef : CharacterDef {
  explicit ButtonDef(uint16_t character_id = 0) : CharacterDef(Kind::Button, character_id) {}
  int version = 1;  // DefineButton or DefineButton2
  bool track_as_menu = false;
  std::vector<ButtonRecord> records;
  std::vector<ButtonAction> actions;
};

// Parse a DefineButton or DefineButton2 body. Throws FormatError for a record that runs past its
// tag; the actions of a list cut short by the end of the tag stand as far as they were read.
std::shared_ptr<ButtonDef> ParseButton(uint16_t tag_code, const uint8_t* data, size_t length);

// DefineButtonCxform: the colour transform every record of a DefineButton button is drawn with.
// Returns the button id.
uint16_t ParseButtonCxform(const uint8_t* data, size_t length, ColorTransform& out);

// Encodes a button as the body of DefineButton (version 1: the actions of its first entry, run
// on release) or DefineButton2, for tools and tests.
std::vector<uint8_t> EncodeButton(const ButtonDef& button);

// Key codes of key press conditions: 1 left, 2 right, 3 home, 4 end, 5 insert, 6 delete, 8 backspace, 13 enter, 14 up,
// 15 down, 16 page up, 17 page down, 18 tab, 19 escape; 32-126 the character itself.
constexpr uint8_t kButtonKeyLeft = 1, kButtonKeyRight = 2, kButtonKeyHome = 3, kButtonKeyEnd = 4,
                  kButtonKeyInsert = 5, kButtonKeyDelete = 6, kButtonKeyBackspace = 8,
                  kButtonKeyEnter = 13, kButtonKeyUp = 14, kButtonKeyDown = 15,
                  kButtonKeyPageUp = 16, kButtonKeyPageDown = 17, kButtonKeyTab = 18,
                  kButtonKeyEscape = 19;

}  // namespace flash
