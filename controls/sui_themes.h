// The skinned controls' UI styles: five built-in tables of 91 typed entries
// (integers, colours, bitmap resource names, flags), the typed lookups over
// them, how a control finds the style of the skinned frame on its form, and
// the routines that push a style down to the skinned children of a container.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/colors.h"

namespace classlib {
class TComponent;
class TWinControl;
}  // namespace classlib

namespace controls {

enum class TsuiUIStyle : uint8_t {
  Custom = 0,
  MacOS = 1,
  WinXP = 2,
  DeepBlue = 3,
  Protein = 4,
  BlueGlass = 5
};

// Kind of a table entry.
enum : uint8_t { tkInteger = 0, tkColor = 1, tkResName = 2, tkFlag = 3 };

inline constexpr int kThemeEntryCount = 91;

// The raw value of entry Number (1..91) of the style's table and, in Kind, the
// entry's kind. Only the low seven bits of Style count. Custom, styles above 5
// and numbers outside 1..91 give -1 with kind 0. A name entry's value is its
// entry number (the name itself comes from GetThemeResName).
int32_t GetThemeEntry(uint8_t Style, int Number, uint8_t& Kind);
inline int32_t GetThemeEntry(TsuiUIStyle Style, int Number, uint8_t& Kind) {
  return GetThemeEntry(static_cast<uint8_t>(Style), Number, Kind);
}
// The value of an integer entry, else -1.
int32_t GetThemeInt(TsuiUIStyle Style, int Number);
// The value of a colour entry, else 0 (black).
classlib::TColor GetThemeColor(TsuiUIStyle Style, int Number);
// The value of a flag entry, else false.
bool GetThemeBool(TsuiUIStyle Style, int Number);
// The bitmap resource name of a name entry, else "".
std::string GetThemeResName(TsuiUIStyle Style, int Number);

// What the skinned form frame offers to the controls placed beside it on a
// form. The frame implements it; Find* look for the first direct child of a
// container that does.
class IsuiFormFrame {
 public:
  virtual ~IsuiFormFrame() = default;
  virtual TsuiUIStyle FrameUIStyle() const = 0;
  virtual classlib::TColor FrameColor() const = 0;
  // The frame shows Menu's top-level items on its own menu bar (null: none).
  virtual void SetFrameMenu(classlib::TComponent* Menu) = 0;
  virtual void RebuildMenuBar() = 0;
  virtual void RefreshMenuBar() = 0;
  virtual void RefreshMenuBarFont() = 0;
};

// The first direct child of Container that is a skinned form frame; null when
// none (or no container).
IsuiFormFrame* FindFormFrame(classlib::TWinControl* Container);
// That frame's style; DeepBlue when there is none.
TsuiUIStyle FindFormUIStyle(classlib::TWinControl* Container);
// Colour 8 of that frame's style; 0 (black) when there is none.
classlib::TColor FindFormBorderColor(classlib::TWinControl* Container);
// That frame's Color; button face when there is none.
classlib::TColor FindFormColor(classlib::TWinControl* Container);

// The lines of the style-application table a skinned class matches (its
// ancestors' included); ApplyUIStyleToChildren applies them in this order.
enum TsuiStyleRow : uint8_t {
  srStyleUnlessCustom = 1u << 0,  // radio button, check box, progress bar, button
  srBorderColor = 1u << 1,        // list box, edit, memo, check list box, list view, tree view
  srGroupBox = 1u << 2,           // border, font colour and face
  srSideChannel = 1u << 3,        // face and side bar
  srStyle = 1u << 4,              // combo boxes, tabs, track, tool and scroll bars, grids
  srContainer = 1u << 5,          // image panel, group box, tab control, tab sheet
};

// Implemented by every skinned control class: which table lines it matches
// and the properties those lines set. Setters a class has no use for may stay
// empty.
class IsuiStyled {
 public:
  virtual ~IsuiStyled() = default;
  virtual uint8_t SuiStyleRows() const = 0;
  virtual TsuiUIStyle SuiUIStyle() const { return TsuiUIStyle::Custom; }
  virtual void SuiSetUIStyle(TsuiUIStyle) {}
  virtual void SuiSetBorderColor(classlib::TColor) {}
  virtual void SuiSetFontColor(classlib::TColor) {}
  virtual void SuiSetColor(classlib::TColor) {}
  virtual void SuiSetSideBarColor(classlib::TColor) {}
};

// Visits the direct children of Container in order and applies Style to every
// skinned one by the lines it matches.
void ApplyUIStyleToChildren(classlib::TWinControl* Container, TsuiUIStyle Style);
// Hands Style to every nested container among Form's direct children, which
// applies it to its own children.
void ApplyUIStyleToContainers(classlib::TWinControl* Form, TsuiUIStyle Style);

}  // namespace controls
