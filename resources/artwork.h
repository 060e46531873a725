// The program's generated artwork (skin bitmaps, glyphs, cursors).
#pragma once

namespace resources {

// Registers every generated bitmap and cursor as a named resource. Called once
// at start, before any window loads its artwork.
void RegisterArtwork();

}  // namespace resources
