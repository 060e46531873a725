// The picture a clip's scripts draw with the pen methods (beginFill, lineTo...): kept as a shape of
// the format layer, so the stage painter draws it with the same renderer as defined shapes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/flash/format/shape.h"

namespace flash {

class BitmapData;

class ClipDrawing {
 public:
  // A fill starts a group of its own, so it lies above what was drawn before it. A fill still
  // open when another starts (or at endFill) is closed back to where its outline began.
  void BeginFill(const FillStyle& fill);
  void EndFill();
  // The pen for the following edges; nullopt draws none.
  void SetLine(const std::optional<LineStyle>& line);
  // Changes the paint of the current pen (a gradient on the line); ignored without one.
  void SetLineFill(const std::optional<FillStyle>& fill);
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  void CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y);
  void Clear();

  // Bitmaps the drawing's fills show (beginBitmapFill), under ids of their own from
  // kFirstBitmapId up; 0 when the drawing holds as many as it can.
  static constexpr uint16_t kFirstBitmapId = 0xF000;
  uint16_t AddBitmap(const std::shared_ptr<BitmapData>& bitmap);
  std::shared_ptr<BitmapData> BitmapFor(uint16_t id) const;

  bool Empty() const { return shape_.groups.empty(); }
  // Changes with every call that changes the drawing, its pen or its bitmaps; no two drawings
  // that differ share a value (a copy keeps its original's until either changes).
  uint64_t Version() const { return version_; }
  const std::vector<std::shared_ptr<BitmapData>>& Bitmaps() const { return bitmaps_; }
  // The drawing as it stands, with open fills shown closed.
  const ShapeDef& Shape() const;
  // The box of the edges in twips (lines widened by half their width); false when nothing is drawn.
  bool Bounds(RectTwips& out) const;

 private:
  void StartPath();
  void CloseFill();
  ShapePath ClosingPath() const;
  void AddEdge(const ShapeEdge& e);
  ShapeGroup& Group();
  static uint64_t NewVersion();

  uint64_t version_ = NewVersion();
  ShapeDef shape_;
  std::vector<std::shared_ptr<BitmapData>> bitmaps_;
  mutable ShapeDef shown_;
  mutable bool shown_valid_ = false;
  bool filling_ = false;
  size_t fill_first_path_ = 0;     // the first path of the open fill in the last group
  int32_t x_ = 0, y_ = 0;          // the pen
  int32_t sub_x_ = 0, sub_y_ = 0;  // where the open fill's current outline began
  bool path_open_ = false;         // the last path takes further edges
  uint32_t line_ = 0;              // the current pen's style number in the last group, 0 for none
  std::optional<LineStyle> pen_;
  bool has_bounds_ = false;
  RectTwips bounds_;
};

}  // namespace flash
