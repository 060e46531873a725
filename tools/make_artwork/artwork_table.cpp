// The families of generated artwork. Each family lives in its own source file
// of this folder with one drawing function `void DrawXxx(Sink&)` that hands its
// images to the sink under their resource names (Sink::Bitmap for opaque
// bitmaps, Sink::Cursor for ARGB cursors with a hot spot). To add a family:
// add the file, declare its function in artwork.h, and add one line below.
// make_artwork writes every image as NAME.bmp plus artwork_data.cpp into the
// build tree's resources/ folder; that source becomes the `resources` library,
// whose RegisterArtwork() registers each image as a named resource.
#include "tools/make_artwork/artwork_table.h"

namespace artwork {

const Family kFamilies[] = {
    {"main window skin", DrawMainSkin},
    {"seek slider", DrawSeekSlider},
    {"control cursors", DrawControlCursors},
    {"tree glyphs", DrawTreeGlyphs},
    {"GIF window busy picture", DrawGifBusy},
    {"skinned control styles", DrawSuiStyles},
    {"adding window button glyphs", DrawAddGlyphs},
};

const int kFamilyCount = static_cast<int>(sizeof kFamilies / sizeof kFamilies[0]);

}  // namespace artwork
