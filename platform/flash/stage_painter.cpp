#include "platform/flash/stage_painter.h"

#include <cmath>
#include <vector>

#include "platform/flash/player/player.h"
#include "platform/flash/video/video_decoder.h"
#include "platform/flash/video/video_shape.h"

namespace flash {
namespace {

// Bitmap fills name characters of the movie whose level is being drawn.
struct DictionaryLookup : CharacterLookup {
  const MovieDef* movie = nullptr;
  // While a video frame is drawn: its picture, under the stream's id.
  const CharacterDef* video_picture = nullptr;
  const CharacterDef* Find(uint16_t id) const override {
    if (video_picture && video_picture->id == id) return video_picture;
    return movie ? movie->Find(id) : nullptr;
  }
};

// Draws the frame of a video object that its ratio names.
void PaintVideo(Renderer& r, DictionaryLookup& lookup, const DisplayObject& video, const Matrix& m,
                const ColorTransform& cx) {
  auto decoder = DecoderFor(video.character);
  if (!decoder) return;
  std::shared_ptr<const BitmapDef> picture = decoder->Frame(video.ratio);
  if (!picture) return;
  const auto& stream = static_cast<const VideoDef&>(*video.character);
  const ShapeDef shape = VideoFrameShape(stream, *picture, picture->id, stream.smoothing);
  lookup.video_picture = picture.get();
  r.DrawShape(shape, m, cx);
  lookup.video_picture = nullptr;
}

// `filter_scale` is the view's scale: filters grow with the stage, not with the objects' own
// transforms.
void PaintClip(Renderer& r, DictionaryLookup& lookup, const MovieClip& clip, const Matrix& m, const ColorTransform& cx,
               double filter_scale) {
  // Masks: an object with a clip depth masks the objects above it up to that depth.
  std::vector<int> mask_ends;
  for (const auto& [depth, child] : clip.children) {
    while (!mask_ends.empty() && depth > mask_ends.back()) {
      r.PopMask();
      mask_ends.pop_back();
    }
    Matrix cm = m * child->matrix;
    ColorTransform ccx = cx * child->color_transform;
    if (child->clip_depth > 0) {
      r.BeginMask();
      if (child->type == DisplayObject::Type::Shape)
        r.DrawShape(static_cast<const ShapeDef&>(*child->character), cm, ColorTransform());
      else if (child->type == DisplayObject::Type::MorphShape)
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character), child->ratio / 65535.0, cm, ColorTransform());
      else if (child->type == DisplayObject::Type::MovieClip)
        PaintClip(r, lookup, static_cast<const MovieClip&>(*child), cm, ColorTransform(), filter_scale);
      r.EndMask();
      mask_ends.push_back(child->clip_depth);
      continue;
    }
    if (!child->visible) continue;
    // A blend mode or a filter draws the object into a layer of its own. Objects drawn as cached
    // bitmaps (filtered ones too) sit on whole pixels.
    const bool layer = child->blend_mode >= kBlendLayer || !child->filters.empty();
    if (child->cache_as_bitmap || !child->filters.empty()) {
      cm.tx = std::round(cm.tx);
      cm.ty = std::round(cm.ty);
    }
    if (layer) r.PushLayer(child->filters, filter_scale);
    switch (child->type) {
      case DisplayObject::Type::Shape:
        r.DrawShape(static_cast<const ShapeDef&>(*child->character), cm, ccx);
        break;
      case DisplayObject::Type::MorphShape:
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character), child->ratio / 65535.0, cm, ccx);
        break;
      case DisplayObject::Type::MovieClip:
        PaintClip(r, lookup, static_cast<const MovieClip&>(*child), cm, ccx, filter_scale);
        break;
      case DisplayObject::Type::Other:
        if (child->character && child->character->kind == CharacterDef::Kind::Video) PaintVideo(r, lookup, *child, cm, ccx);
        break;
    }
    if (layer) r.PopLayer(child->blend_mode, child->filters, filter_scale);
  }
  while (!mask_ends.empty()) {
    r.PopMask();
    mask_ends.pop_back();
  }
}

}  // namespace

void PaintStage(const Player& player, const RenderTarget& target, Rgba background) {
  DictionaryLookup lookup;
  lookup.movie = player.Movie(0);
  Renderer r(target, player.quality, &lookup);
  r.Clear(background);
  Matrix view = StageToView(player.StageRect(), target.width, target.height);
  for (const MovieClip* root : player.LevelRoots()) {
    lookup.movie = root->movie.get();
    PaintClip(r, lookup, *root, view * root->matrix, root->color_transform, view.a * 20);
  }
}

}  // namespace flash
