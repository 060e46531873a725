// Puts the rasteriser's cell store on our row sort (cell_sort.h). The scan-line sweep adds up all
// cells of one x whatever their order, so any order by x gives the same pixels.
//
// Include this header before the other rasteriser headers and before any rasteriser is used: the
// specialisations must be seen before the cell store's sort is instantiated.
#pragma once

#include <agg_rasterizer_cells_aa.h>
#include <agg_rasterizer_compound_aa.h>
#include <agg_rasterizer_scanline_aa_nogamma.h>

#include "platform/flash/renderer/cell_sort.h"

namespace agg {

template <>
inline void qsort_cells<cell_aa>(cell_aa** start, unsigned num) {
  flash::SortCellsByX(start, num);
}

template <>
inline void qsort_cells<cell_style_aa>(cell_style_aa** start, unsigned num) {
  flash::SortCellsByX(start, num);
}

}  // namespace agg
