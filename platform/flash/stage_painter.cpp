#include "platform/flash/stage_painter.h"

#include <vector>

#include "platform/flash/player/player.h"
#include "platform/flash/text_painter.h"

namespace flash {
namespace {

// Bitmap fills name characters of the movie whose level is being drawn.
struct DictionaryLookup : CharacterLookup {
  const MovieDef* movie = nullptr;
  const CharacterDef* Find(uint16_t id) const override { return movie ? movie->Find(id) : nullptr; }
};

void PaintText(Renderer& r, const MovieClip& clip, const DisplayObject& obj, const Matrix& m, const ColorTransform& cx) {
  if (obj.type == DisplayObject::Type::Text)
    PaintStaticText(r, static_cast<const StaticTextDef&>(*obj.character), *clip.movie, m, cx);
  else
    PaintTextField(r, static_cast<const TextFieldObject&>(obj).field, m, cx);
}

void PaintClip(Renderer& r, const MovieClip& clip, const Matrix& m, const ColorTransform& cx) {
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
        PaintClip(r, static_cast<const MovieClip&>(*child), cm, ColorTransform());
      else if (child->type == DisplayObject::Type::Text || child->type == DisplayObject::Type::EditText)
        PaintText(r, clip, *child, cm, ColorTransform());
      r.EndMask();
      mask_ends.push_back(child->clip_depth);
      continue;
    }
    if (!child->visible) continue;
    bool layer = child->blend_mode > kBlendLayer && child->type == DisplayObject::Type::MovieClip;
    if (layer) r.PushLayer();
    switch (child->type) {
      case DisplayObject::Type::Shape:
        r.DrawShape(static_cast<const ShapeDef&>(*child->character), cm, ccx);
        break;
      case DisplayObject::Type::MorphShape:
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character), child->ratio / 65535.0, cm, ccx);
        break;
      case DisplayObject::Type::MovieClip:
        PaintClip(r, static_cast<const MovieClip&>(*child), cm, ccx);
        break;
      case DisplayObject::Type::Text:
      case DisplayObject::Type::EditText:
        PaintText(r, clip, *child, cm, ccx);
        break;
      case DisplayObject::Type::Other:
        break;
    }
    if (layer) r.PopLayer(child->blend_mode);
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
    PaintClip(r, *root, view * root->matrix, root->color_transform);
  }
}

}  // namespace flash
