// Draws static texts and text fields with the renderer: their glyphs as merged shapes of one
// colour each; a field's background, border and clipping to its box; the caret and the
// selection of the focused field.
#pragma once

#include "platform/flash/format/movie.h"
#include "platform/flash/format/text.h"
#include "platform/flash/format/types.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/text/text_field.h"

namespace flash {

// `m` maps the text's twips onto target pixels.
// Upright text (scaled alike in both directions, not rotated) draws its glyphs through the glyph
// cache; other text draws its merged glyph shapes. Static texts find their fonts in `movie`.
void PaintStaticText(Renderer& r, const StaticTextDef& text, const MovieDef& movie, const Matrix& m,
                     const ColorTransform& cx);
void PaintTextField(Renderer& r, const text::TextField& field, const Matrix& m,
                    const ColorTransform& cx);
// The caret of a focused input field before the character `caret`: one pixel wide, as high as
// its line.
void PaintCaret(Renderer& r, const text::TextField& field, size_t caret, const Matrix& m,
                const ColorTransform& cx);
// The selection [begin, end) of a focused field: each line's selected part on a black band as
// high as the line, its glyphs over it in the inverse of their colour.
void PaintSelection(Renderer& r, const text::TextField& field, size_t begin, size_t end,
                    const Matrix& m, const ColorTransform& cx);

}  // namespace flash
