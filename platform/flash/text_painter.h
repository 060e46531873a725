// Draws static texts and text fields with the renderer: their glyphs as merged shapes of one
// colour each; a field's background, border and clipping to its box.
#pragma once

#include "platform/flash/format/text.h"
#include "platform/flash/format/types.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/text/text_field.h"

namespace flash {

// `m` maps the text's twips onto target pixels.
void PaintStaticText(Renderer& r, const StaticTextDef& text, const Matrix& m, const ColorTransform& cx);
void PaintTextField(Renderer& r, const text::TextField& field, const Matrix& m, const ColorTransform& cx);

}  // namespace flash
