// Turns the definition tags of shapes, morph shapes and bitmaps into character definitions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/types.h"

namespace flash {

struct DefinitionContext {
  int swf_version = 10;
  const std::vector<uint8_t>* jpeg_tables = nullptr;  // body of the movie's JPEGTables tag
};

// Parses the tag body `data` (`length` bytes, after the tag header). Returns true and sets `out`
// when the tag defines a shape, a morph shape or a bitmap; returns false for any other tag. Throws
// FormatError for a malformed definition.
bool ParseDefinitionTag(uint16_t tag_code, const uint8_t* data, size_t length,
                        const DefinitionContext& ctx, CharacterPtr& out);

// Reads a shape without style tables, as fonts hold their glyphs: the fill and line bit counts,
// then the shape records. Every group paints with fill style 1, solid white, so that a colour
// transform gives the glyph its colour. Bounds are those of the points. Throws FormatError.
ShapeDef ParseGlyphShape(const uint8_t* data, size_t length);

}  // namespace flash
