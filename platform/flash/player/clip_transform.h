// Position, scale, rotation and size of a display object as scripts read and write them.
// Scripts see scale and rotation as the numbers they set, not as whatever the matrix decomposes
// into: a clip given _xscale = -100 reads back -100 with its rotation untouched. The numbers are
// kept beside the matrix and hold while the matrix still has the entries they produced; a
// timeline move or a script's new matrix replaces them with the matrix's own decomposition.
#pragma once

#include <cstdint>

#include "platform/flash/player/player.h"

namespace flash {

struct ScaleRotation {
  double x_scale = 100, y_scale = 100;  // percent
  double rotation = 0;                  // degrees, of the x axis
  double skew = 0;                      // degrees the y axis turns beyond the x axis
};

// The decomposition of a matrix's a..d.
ScaleRotation ScaleRotationOfMatrix(const Matrix& m);
// What scripts read: the numbers a script set while they hold, else the matrix's decomposition.
ScaleRotation ScaleRotationOf(const DisplayObject& obj);
// Rebuilds the matrix's a..d from `sr` (position untouched) and keeps `sr` for reading back.
void SetScaleRotation(DisplayObject& obj, const ScaleRotation& sr);

// Degrees into -180..180 (both ends kept as given); infinities and NaN give NaN.
double NormalRotation(double degrees);
// A number as the 32-bit integer the player stores: fractions truncated toward zero; NaN,
// infinities and numbers outside the integer's range give the lowest integer.
int32_t StoredInt(double v);
// Pixels to the whole twips positions are kept in.
inline int32_t PixelsToTwips(double pixels) { return StoredInt(pixels * 20.0); }

// _width / _height: the size of the bounds in the parent, in pixels cut down to whole twips
// (0 when it draws nothing).
double ParentSize(const DisplayObject& obj, bool width);
// Sets _width (or _height) to `pixels`: the scales become the wanted box over the object's own
// bounds turned by its rotation; the other side keeps its present size. Objects without bounds
// are left alone.
void SetParentSize(DisplayObject& obj, bool width, double pixels);

}  // namespace flash
