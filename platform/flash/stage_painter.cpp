#include "platform/flash/stage_painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/player.h"
#include "platform/flash/text_painter.h"
#include "platform/flash/video/video_decoder.h"
#include "platform/flash/video/video_shape.h"

namespace flash {
namespace {

// Bitmap fills name characters of the movie whose level is being drawn.
struct DictionaryLookup : CharacterLookup {
  const MovieDef* movie = nullptr;
  // While a video frame is drawn: its picture, under the stream's id.
  const CharacterDef* video_picture = nullptr;
  // Level 0's stage to the target: masks that scripts set are placed from the stage down.
  Matrix view;
  // The input field with the keyboard focus shows its caret.
  const DisplayObject* focus = nullptr;
  size_t caret = 0;
  const CharacterDef* Find(uint16_t id) const override {
    if (video_picture && video_picture->id == id) return video_picture;
    return movie ? movie->Find(id) : nullptr;
  }
};

void PaintText(Renderer& r, const MovieClip& clip, const DisplayObject& obj, const Matrix& m,
               const ColorTransform& cx) {
  if (obj.type == DisplayObject::Type::Text)
    PaintStaticText(r, static_cast<const StaticTextDef&>(*obj.character), *clip.movie, m, cx);
  else
    PaintTextField(r, static_cast<const TextFieldObject&>(obj).field, m, cx);
}

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

// The target-pixel box around the twips box `r` under `m`.
bool DrawnBounds(const RectTwips& r, const Matrix& m, double& x0, double& y0, double& x1,
                 double& y1) {
  bool first = true;
  for (int32_t tx : {r.xmin, r.xmax})
    for (int32_t ty : {r.ymin, r.ymax}) {
      double px, py;
      m.Apply(tx, ty, px, py);
      x0 = first ? px : std::min(x0, px);
      y0 = first ? py : std::min(y0, py);
      x1 = first ? px : std::max(x1, px);
      y1 = first ? py : std::max(y1, py);
      first = false;
    }
  return true;
}

// The target-pixel box around what `obj` draws under `m`; false when it draws nothing.
bool DrawnBounds(const DisplayObject& obj, const Matrix& m, double& x0, double& y0, double& x1,
                 double& y1) {
  RectTwips r;
  if (obj.type == DisplayObject::Type::Shape) {
    r = static_cast<const ShapeDef&>(*obj.character).bounds;
  } else if (obj.type == DisplayObject::Type::MorphShape) {
    const auto& morph = static_cast<const MorphShapeDef&>(*obj.character);
    r = {std::min(morph.start_bounds.xmin, morph.end_bounds.xmin),
         std::max(morph.start_bounds.xmax, morph.end_bounds.xmax),
         std::min(morph.start_bounds.ymin, morph.end_bounds.ymin),
         std::max(morph.start_bounds.ymax, morph.end_bounds.ymax)};
  } else if (obj.type == DisplayObject::Type::MovieClip ||
             obj.type == DisplayObject::Type::Button) {
    bool any = false;
    const auto& drawing = static_cast<const MovieClip&>(obj).drawing;
    RectTwips drawn;
    if (drawing && drawing->Bounds(drawn)) {
      any = DrawnBounds(drawn, m, x0, y0, x1, y1);
    }
    for (const auto& [depth, child] : static_cast<const MovieClip&>(obj).children) {
      double cx0, cy0, cx1, cy1;
      if (child->clip_depth > 0 || !child->visible ||
          !DrawnBounds(*child, m * child->matrix, cx0, cy0, cx1, cy1))
        continue;
      x0 = any ? std::min(x0, cx0) : cx0;
      y0 = any ? std::min(y0, cy0) : cy0;
      x1 = any ? std::max(x1, cx1) : cx1;
      y1 = any ? std::max(y1, cy1) : cy1;
      any = true;
    }
    return any;
  } else {
    return false;
  }
  return DrawnBounds(r, m, x0, y0, x1, y1);
}

// Fills the whole pixels around what `obj` draws with its opaque background colour.
void PaintOpaqueBackground(Renderer& r, const DisplayObject& obj, const Matrix& m,
                           const ColorTransform& cx) {
  double x0, y0, x1, y1;
  if (!DrawnBounds(obj, m, x0, y0, x1, y1) || !std::isfinite(x0) || !std::isfinite(x1) ||
      !std::isfinite(y0) || !std::isfinite(y1))
    return;
  auto twips = [](double px) { return static_cast<int32_t>(std::clamp(px, -1e6, 1e6) * 20); };
  const int32_t l = twips(std::floor(x0)), t = twips(std::floor(y0)), rt = twips(std::ceil(x1)),
                b = twips(std::ceil(y1));
  Rgba color = obj.opaque_background;
  color.a = 255;
  const ShapeDef rect = SolidRectangle(l, t, rt, b, color);
  Matrix pixels_to_target;
  pixels_to_target.a = pixels_to_target.d = 1.0 / 20;
  r.DrawShape(rect, pixels_to_target, cx);
}

// `filter_scale` is the view's scale: filters grow with the stage, not with the objects' own
// transforms.
void PaintClip(Renderer& r, DictionaryLookup& lookup, const MovieClip& clip, const Matrix& m,
               const ColorTransform& cx, double filter_scale) {
  // What scripts drew lies beneath the children.
  if (clip.drawing && !clip.drawing->Empty()) r.DrawShape(clip.drawing->Shape(), m, cx);
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
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character),
                         child->ratio / 65535.0, cm, ColorTransform());
      else if (child->type == DisplayObject::Type::MovieClip ||
               child->type == DisplayObject::Type::Button)
        PaintClip(r, lookup, static_cast<const MovieClip&>(*child), cm, ColorTransform(),
                  filter_scale);
      else if (child->type == DisplayObject::Type::Text ||
               child->type == DisplayObject::Type::EditText)
        PaintText(r, clip, *child, cm, ColorTransform());
      r.EndMask();
      mask_ends.push_back(child->clip_depth);
      continue;
    }
    if (!child->visible) continue;
    // A clip a script made another's mask shows only as that mask.
    std::shared_ptr<MovieClip> script_mask;
    if (child->type == DisplayObject::Type::MovieClip) {
      const auto& mc = static_cast<const MovieClip&>(*child);
      if (mc.is_mask) continue;
      script_mask = mc.mask.lock();
      if (script_mask && script_mask->removed) script_mask.reset();
    }
    if (script_mask) {
      r.BeginMask();
      PaintClip(r, lookup, *script_mask, lookup.view * StageMatrix(*script_mask), ColorTransform(),
                filter_scale);
      r.EndMask();
    }
    // A blend mode or a filter draws the object into a layer of its own. Objects drawn as cached
    // bitmaps (filtered ones too) sit on whole pixels.
    const bool layer = child->blend_mode >= kBlendLayer || !child->filters.empty();
    if (child->cache_as_bitmap || child->has_opaque_background || !child->filters.empty()) {
      cm.tx = std::round(cm.tx);
      cm.ty = std::round(cm.ty);
    }
    if (layer) r.PushLayer(child->filters, filter_scale);
    if (child->has_opaque_background) PaintOpaqueBackground(r, *child, cm, ccx);
    switch (child->type) {
      case DisplayObject::Type::Shape:
        r.DrawShape(static_cast<const ShapeDef&>(*child->character), cm, ccx);
        break;
      case DisplayObject::Type::MorphShape:
        r.DrawMorphShape(static_cast<const MorphShapeDef&>(*child->character),
                         child->ratio / 65535.0, cm, ccx);
        break;
      case DisplayObject::Type::MovieClip:
      case DisplayObject::Type::Button:
        PaintClip(r, lookup, static_cast<const MovieClip&>(*child), cm, ccx, filter_scale);
        break;
      case DisplayObject::Type::Text:
      case DisplayObject::Type::EditText:
        PaintText(r, clip, *child, cm, ccx);
        if (child.get() == lookup.focus)
          PaintCaret(r, static_cast<const TextFieldObject&>(*child).field, lookup.caret, cm, ccx);
        break;
      case DisplayObject::Type::Other:
        if (child->character && child->character->kind == CharacterDef::Kind::Video)
          PaintVideo(r, lookup, *child, cm, ccx);
        break;
    }
    if (layer) r.PopLayer(child->blend_mode, child->filters, filter_scale);
    if (script_mask) r.PopMask();
  }
  while (!mask_ends.empty()) {
    r.PopMask();
    mask_ends.pop_back();
  }
}

// The yellow frame around a button or clip with the keyboard focus, three stage pixels wide,
// inside the bounds of what it draws.
void PaintFocusFrame(Renderer& r, const Player& player, const Matrix& view) {
  auto focus = player.input.focus.lock();
  if (!focus || focus->removed || (focus->type != DisplayObject::Type::Button &&
                                   focus->type != DisplayObject::Type::MovieClip))
    return;
  const DisplayObject* root = focus.get();
  while (root->parent) root = root->parent;
  const int8_t shown = focus->focus_rect >= 0 ? focus->focus_rect : root->focus_rect != 0;
  if (!shown) return;
  for (const DisplayObject* o = focus.get(); o; o = o->parent)
    if (!o->visible) return;
  double x0, y0, x1, y1;
  if (!DrawnBounds(*focus, view * StageMatrix(*focus), x0, y0, x1, y1) || !std::isfinite(x0) ||
      !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
    return;
  auto twips = [](double px) { return static_cast<int32_t>(std::clamp(px, -1e6, 1e6) * 20); };
  const double w = std::max(1.0, std::round(3 * view.a * 20));
  const double l = std::round(x0), t = std::round(y0), rt = std::round(x1), b = std::round(y1);
  const Rgba yellow{255, 255, 0, 255};
  Matrix pixels_to_target;
  pixels_to_target.a = pixels_to_target.d = 1.0 / 20;
  const double sides[4][4] = {{l, t, rt, t + w}, {l, b - w, rt, b}, {l, t, l + w, b},
                              {rt - w, t, rt, b}};
  for (const auto& s : sides)
    r.DrawShape(SolidRectangle(twips(s[0]), twips(s[1]), twips(s[2]), twips(s[3]), yellow),
                pixels_to_target, ColorTransform());
}

}  // namespace

void PaintStage(const Player& player, const RenderTarget& target, Rgba background) {
  DictionaryLookup lookup;
  lookup.movie = player.Movie(0);
  Renderer r(target, player.quality, &lookup);
  r.Clear(background);
  Matrix view = StageToView(player.StageRect(), target.width, target.height);
  lookup.view = view;
  auto focus = player.input.focus.lock();
  if (focus && !focus->removed && focus->type == DisplayObject::Type::EditText &&
      !static_cast<const TextFieldObject&>(*focus).field.read_only &&
      player.input.caret == player.input.anchor) {
    lookup.focus = focus.get();
    lookup.caret = player.input.caret;
  }
  for (const MovieClip* root : player.LevelRoots()) {
    lookup.movie = root->movie.get();
    PaintClip(r, lookup, *root, view * root->matrix, root->color_transform, view.a * 20);
  }
  PaintFocusFrame(r, player, view);
}

}  // namespace flash
