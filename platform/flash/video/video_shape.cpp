#include "platform/flash/video/video_shape.h"

namespace flash {

ShapeDef VideoFrameShape(const VideoDef& stream, const BitmapPixels& picture, uint16_t picture_id,
                         bool smooth) {
  return PictureRectangle(stream.width, stream.height, picture, picture_id, smooth);
}

ShapeDef PictureRectangle(int width, int height, const BitmapPixels& picture, uint16_t picture_id,
                          bool smooth) {
  ShapeDef shape;
  const int32_t w = width * 20, h = height * 20;
  shape.bounds = shape.edge_bounds = {0, w, 0, h};
  ShapeGroup group;
  FillStyle fill;
  fill.type = smooth ? FillStyle::Type::ClippedBitmap : FillStyle::Type::NonSmoothedClippedBitmap;
  fill.bitmap_id = picture_id;
  if (picture.width > 0 && picture.height > 0) {
    fill.matrix.a = static_cast<double>(w) / picture.width;
    fill.matrix.d = static_cast<double>(h) / picture.height;
  }
  group.fill_styles.push_back(fill);
  ShapePath path;
  path.fill1 = 1;
  path.edges = {{false, 0, 0, w, 0}, {false, 0, 0, w, h}, {false, 0, 0, 0, h}, {false, 0, 0, 0, 0}};
  group.paths.push_back(std::move(path));
  shape.groups.push_back(std::move(group));
  return shape;
}

}  // namespace flash
