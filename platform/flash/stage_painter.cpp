#include "platform/flash/stage_painter.h"

#include <cmath>
#include <vector>

#include "platform/flash/player/player.h"

namespace flash {
namespace {

// Bitmap fills name characters of the movie whose level is being drawn.
struct DictionaryLookup : CharacterLookup {
  const MovieDef* movie = nullptr;
  const CharacterDef* Find(uint16_t id) const override { return movie ? movie->Find(id) : nullptr; }
};

// `filter_scale` is the view's scale: filters grow with the stage, not with the objects' own
// transforms.
void PaintClip(Renderer& r, const MovieClip& clip, const Matrix& m, const ColorTransform& cx, double filter_scale) {
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
        PaintClip(r, static_cast<const MovieClip&>(*child), cm, ColorTransform(), filter_scale);
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
    if (layer) r.PushLayer();
    switch (child->type) {
      case DisplayObject::Type::Shape:
        r.DrawShape(static_cast<const ShapeDef&>(*child->character), cm, ccx);
        break;
      case DisplayObject::Type::MorphShape:
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character), child->ratio / 65535.0, cm, ccx);
        break;
      case DisplayObject::Type::MovieClip:
        PaintClip(r, static_cast<const MovieClip&>(*child), cm, ccx, filter_scale);
        break;
      case DisplayObject::Type::Other:
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
    PaintClip(r, *root, view * root->matrix, root->color_transform, view.a * 20);
  }
}

}  // namespace flash
