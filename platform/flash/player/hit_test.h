// Whether a point lies on what an object draws: inside a fill or under a line of its shapes,
// morph shapes, drawings and children (masks of clip layers aside).
#pragma once

#include "platform/flash/format/shape.h"

namespace flash {

class DisplayObject;
class MovieClip;

// An object's own twips to level 0's stage, through every parent and its level's root.
Matrix StageMatrix(const DisplayObject& obj);

// (x, y) in the shape's twips; `to_stage` takes them to the stage, where lines are at least a
// pixel wide.
bool ShapeContains(const ShapeDef& shape, double x, double y, const Matrix& to_stage = Matrix());
// (x, y) in the object's own twips.
bool ObjectContains(const DisplayObject& obj, double x, double y);
// Whether the mask a script set on `clip` (if any) covers (x, y) of the clip's twips.
bool InsideScriptMask(const MovieClip& clip, double x, double y);

}  // namespace flash
