#include "platform/flash/stage_painter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "platform/flash/kept_pictures.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/filters.h"
#include "platform/flash/text_painter.h"
#include "platform/flash/video/flv_stream.h"
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
  // While a clip's drawing is drawn: the drawing, whose bitmap fills name script bitmaps.
  const ClipDrawing* drawing = nullptr;
  mutable std::vector<std::shared_ptr<const BitmapDef>> lent;
  // The field with the keyboard focus shows its caret (input fields) or its selection.
  const DisplayObject* focus = nullptr;
  size_t caret = 0, anchor = 0;
  // Cached objects' pictures kept from paint to paint (none: every object is drawn), and what
  // their fingerprints take in besides the objects.
  PaintPictures* pictures = nullptr;
  PaintSettings settings;
  int masking = 0;  // mask content being drawn: its pictures would be the mask's coverage
  const CharacterDef* Find(uint16_t id) const override {
    if (video_picture && video_picture->id == id) return video_picture;
    if (drawing) {
      if (std::shared_ptr<BitmapData> bitmap = drawing->BitmapFor(id)) {
        if (bitmap->disposed()) return nullptr;
        lent.push_back(bitmap->Picture(id));
        return lent.back().get();
      }
    }
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
// A stream a script attached shows in place of the embedded frames (nothing while it has no
// picture), always smoothed.
void PaintVideo(Renderer& r, DictionaryLookup& lookup, const DisplayObject& video, const Matrix& m,
                const ColorTransform& cx) {
  const auto& stream = static_cast<const VideoDef&>(*video.character);
  std::shared_ptr<const BitmapDef> picture;
  bool smooth = stream.smoothing;
  if (const auto& feed = video.video_feed) {
    if (!feed->stream) return;
    picture = feed->stream->PictureAt(feed->seconds);
    smooth = true;
  } else if (auto decoder = DecoderFor(video.character)) {
    picture = decoder->Frame(video.ratio);
  }
  if (!picture) return;
  const ShapeDef shape = VideoFrameShape(stream, *picture, picture->id, smooth);
  lookup.video_picture = picture.get();
  r.DrawShape(shape, m, cx);
  lookup.video_picture = nullptr;
}

// The id a script bitmap is drawn under while the lookup lends it to the renderer.
constexpr uint16_t kScriptBitmapId = 0xFFFF;

// Draws a script bitmap's pixels; `m` maps twips of the bitmap onto the target.
void PaintBitmap(Renderer& r, DictionaryLookup& lookup, const BitmapData& data, bool smooth,
                 const Matrix& m, const ColorTransform& cx) {
  if (data.disposed() || data.width() <= 0 || data.height() <= 0) return;
  std::shared_ptr<const BitmapDef> picture = data.Picture(kScriptBitmapId);
  const CharacterDef* lent = lookup.video_picture;
  lookup.video_picture = picture.get();
  r.DrawShape(PictureRectangle(data.width(), data.height(), *picture, kScriptBitmapId, smooth), m,
              cx);
  lookup.video_picture = lent;
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
      if (IsClipLayer(*child) || !child->visible ||
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

// An object drawn as a cached bitmap (cacheAsBitmap or filters) or with an opaque background is
// drawn as a picture of its bounds: the bounds' top-left corner, not the object's origin, lands
// on a whole pixel, and the drawing moves with it. A cached object's corner goes to the nearest
// pixel; one that only has a background goes to the pixel at or above and left of it.
void AlignPictureCorner(const DisplayObject& obj, bool cached, Matrix& m) {
  const auto whole = [&](double v) { return cached ? std::round(v) : std::floor(v); };
  double x0, y0, x1, y1;
  if (!DrawnBounds(obj, m, x0, y0, x1, y1) || !std::isfinite(x0) || !std::isfinite(y0) ||
      std::fabs(x0) > 1e6 || std::fabs(y0) > 1e6) {
    m.tx = whole(m.tx);
    m.ty = whole(m.ty);
    return;
  }
  m.tx += whole(x0) - x0;
  m.ty += whole(y0) - y0;
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

// A scroll rectangle shows only its part of the object, moved to the object's origin: masks
// drawing to the rectangle and moves `m` so that the rectangle's corner lands on the origin.
void BeginScrollRect(Renderer& r, const DisplayObject::PixelRect& rect, Matrix& m) {
  auto twips = [](double px) { return static_cast<int32_t>(std::clamp(px, -1e6, 1e6) * 20); };
  const int32_t l = twips(rect.x), t = twips(rect.y),
                rt = twips(rect.x + std::max(0.0, rect.width)),
                b = twips(rect.y + std::max(0.0, rect.height));
  Matrix shift;
  shift.tx = -l;
  shift.ty = -t;
  m = m * shift;
  r.BeginMask();
  r.DrawShape(SolidRectangle(l, t, rt, b, Rgba{0, 0, 0, 255}), m, ColorTransform());
  r.EndMask();
}

// A scale grid along one axis: the parts before `g0` and after `g1` keep their size when the
// clip is scaled by `scale`, and the middle takes up the rest. Coordinates are the clip's twips.
struct GridAxis {
  double b0 = 0, b1 = 0, g0 = 0, g1 = 0, scale = 1;
  double Map(double v) const {
    double left = (g0 - b0) / scale, right = (b1 - g1) / scale;
    // Scaled below the corners' own size: the corners shrink and the middle vanishes.
    const double total = b1 - b0;
    if (left + right > total && left + right > 0) {
      const double k = total / (left + right);
      left *= k;
      right *= k;
    }
    if (v <= g0) return b0 + (v - b0) / std::max(g0 - b0, 1e-9) * left;
    if (v >= g1) return b1 - (b1 - v) / std::max(b1 - g1, 1e-9) * right;
    const double m0 = b0 + left, m1 = b1 - right;
    return m0 + (v - g0) * (m1 - m0) / (g1 - g0);
  }
};
struct ScaleGrid {
  GridAxis x, y;
};

// The grid of `clip` drawn under `m`; false when it has none that applies (an empty grid, or
// a grid outside what the clip draws).
bool GridOf(const MovieClip& clip, const Matrix& m, const Matrix& view, ScaleGrid& grid) {
  if (!clip.scale9_grid) return false;
  const auto& g = *clip.scale9_grid;
  double x0, y0, x1, y1;
  if (g.width <= 0 || g.height <= 0 || !DrawnBounds(clip, Matrix(), x0, y0, x1, y1)) return false;
  const double unit = std::hypot(view.a, view.b);
  const double sx = std::hypot(m.a, m.b) / unit, sy = std::hypot(m.c, m.d) / unit;
  if (!(sx > 1e-6) || !(sy > 1e-6) || !std::isfinite(sx) || !std::isfinite(sy)) return false;
  grid.x = {x0, x1, std::clamp(g.x * 20, x0, x1), std::clamp((g.x + g.width) * 20, x0, x1), sx};
  grid.y = {y0, y1, std::clamp(g.y * 20, y0, y1), std::clamp((g.y + g.height) * 20, y0, y1), sy};
  return grid.x.g1 > grid.x.g0 && grid.y.g1 > grid.y.g0;
}

// `shape` placed by `placed` inside a clip with a scale grid, its points moved so that the
// clip's matrix scales only the grid's middle.
ShapeDef GridShape(const ShapeDef& shape, const Matrix& placed, const ScaleGrid& grid) {
  ShapeDef out = shape;
  auto map = [&](int32_t& x, int32_t& y) {
    double px, py;
    placed.Apply(x, y, px, py);
    x = static_cast<int32_t>(std::lround(std::clamp(grid.x.Map(px), -1e9, 1e9)));
    y = static_cast<int32_t>(std::lround(std::clamp(grid.y.Map(py), -1e9, 1e9)));
  };
  for (ShapeGroup& group : out.groups) {
    for (FillStyle& f : group.fill_styles) f.matrix = placed * f.matrix;
    for (ShapePath& path : group.paths) {
      map(path.start_x, path.start_y);
      for (ShapeEdge& e : path.edges) {
        if (e.curve) map(e.cx, e.cy);
        map(e.x, e.y);
      }
    }
  }
  int32_t corners[4][2] = {{shape.bounds.xmin, shape.bounds.ymin},
                           {shape.bounds.xmax, shape.bounds.ymax},
                           {shape.edge_bounds.xmin, shape.edge_bounds.ymin},
                           {shape.edge_bounds.xmax, shape.edge_bounds.ymax}};
  for (auto& c : corners) map(c[0], c[1]);
  out.bounds = {std::min(corners[0][0], corners[1][0]), std::max(corners[0][0], corners[1][0]),
                std::min(corners[0][1], corners[1][1]), std::max(corners[0][1], corners[1][1])};
  out.edge_bounds = {std::min(corners[2][0], corners[3][0]), std::max(corners[2][0], corners[3][0]),
                     std::min(corners[2][1], corners[3][1]),
                     std::max(corners[2][1], corners[3][1])};
  return out;
}

// Counts mask content being drawn while it lives.
struct MaskScope {
  explicit MaskScope(DictionaryLookup& lookup) : lookup(lookup) { ++lookup.masking; }
  ~MaskScope() { --lookup.masking; }
  DictionaryLookup& lookup;
};

// `filter_scale` is the view's scale: filters grow with the stage, not with the objects' own
// transforms.
void PaintClip(Renderer& r, DictionaryLookup& lookup, const MovieClip& clip, const Matrix& m,
               const ColorTransform& cx, double filter_scale) {
  // Bitmap fills name characters of the movie the clip shows (a movie or picture loaded into a
  // clip brings its own dictionary).
  struct MovieScope {
    DictionaryLookup& lookup;
    const MovieDef* outer;
    ~MovieScope() { lookup.movie = outer; }
  } scope{lookup, lookup.movie};
  if (clip.movie) lookup.movie = clip.movie.get();
  // A scale grid applies to the shapes directly inside the clip.
  ScaleGrid grid;
  const bool gridded = GridOf(clip, m, lookup.view, grid);
  // What scripts drew lies beneath the children.
  if (clip.drawing && !clip.drawing->Empty()) {
    lookup.drawing = clip.drawing.get();
    if (gridded)
      r.DrawShape(GridShape(clip.drawing->Shape(), Matrix(), grid), m, cx);
    else
      r.DrawShape(clip.drawing->Shape(), m, cx);
    lookup.drawing = nullptr;
    lookup.lent.clear();
  }
  // Masks: an object with a clip depth masks the objects above it up to that depth.
  std::vector<int> mask_ends;
  for (const auto& [depth, child] : clip.children) {
    while (!mask_ends.empty() && depth > mask_ends.back()) {
      r.PopMask();
      mask_ends.pop_back();
    }
    Matrix cm = m * child->matrix;
    ColorTransform ccx = cx * child->color_transform;
    if (IsClipLayer(*child)) {
      MaskScope masking(lookup);
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
      MaskScope masking(lookup);
      r.BeginMask();
      PaintClip(r, lookup, *script_mask, lookup.view * StageMatrix(*script_mask), ColorTransform(),
                filter_scale);
      r.EndMask();
    }
    // A blend mode or a filter draws the object into a layer of its own. Objects drawn as cached
    // bitmaps (filtered ones too) sit with their bounds' corner on a whole pixel.
    bool layer = child->blend_mode >= kBlendLayer || !child->filters.empty();
    const bool cached = child->cache_as_bitmap || !child->filters.empty();
    if (cached || child->has_opaque_background) AlignPictureCorner(*child, cached, cm);
    // A cached object is drawn into a layer of its own too, whose picture is kept; the next paint
    // composites it again while the object's fingerprint stays the same. Without filters or a
    // blend mode it has no layer when something inside it erases what lies below it. (A shape
    // that a scale grid reshapes is drawn as it is.)
    Fingerprint print;
    std::shared_ptr<KeptLayer> keep;
    if (cached && !(gridded && child->type == DisplayObject::Type::Shape)) {
      TakeFingerprint(*child, cm, ccx, lookup.movie, lookup.settings, print);
      layer = layer || !print.erases;
      LayerBox box;
      if (layer && lookup.pictures && lookup.masking == 0 &&
          r.NextLayerBox(child->filters, filter_scale, box)) {
        int dx = 0, dy = 0;
        if (auto picture = lookup.pictures->Find(*child, print, box, dx, dy)) {
          r.DrawKeptLayer(picture, dx, dy, child->blend_mode);
          if (script_mask) r.PopMask();
          continue;
        }
        keep = lookup.pictures->Add(*child, std::move(print));
      }
    }
    if (layer) r.PushLayer(child->filters, filter_scale, keep);
    const bool scrolled = child->scroll_rect.has_value();
    if (scrolled) BeginScrollRect(r, *child->scroll_rect, cm);
    if (child->has_opaque_background) PaintOpaqueBackground(r, *child, cm, ccx);
    switch (child->type) {
      case DisplayObject::Type::Shape:
        if (gridded)
          r.DrawShape(
              GridShape(static_cast<const ShapeDef&>(*child->character), child->matrix, grid), m,
              ccx);
        else
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
        if (child.get() == lookup.focus) {
          const text::TextField& field = static_cast<const TextFieldObject&>(*child).field;
          if (lookup.caret == lookup.anchor)
            PaintCaret(r, field, lookup.caret, cm, ccx);
          else
            PaintSelection(r, field, std::min(lookup.caret, lookup.anchor),
                           std::max(lookup.caret, lookup.anchor), cm, ccx);
        }
        break;
      case DisplayObject::Type::Other:
        if (child->character && child->character->kind == CharacterDef::Kind::Video)
          PaintVideo(r, lookup, *child, cm, ccx);
        else if (const auto* bitmap = dynamic_cast<const BitmapObject*>(child.get()))
          PaintBitmap(r, lookup, *bitmap->data, bitmap->smoothing, cm, ccx);
        break;
    }
    if (scrolled) r.PopMask();
    if (layer) r.PopLayer(child->blend_mode, child->filters, filter_scale, keep);
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
  if (!focus || focus->removed ||
      (focus->type != DisplayObject::Type::Button && focus->type != DisplayObject::Type::MovieClip))
    return;
  if (!player.input.focus_frame) return;
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
  const double sides[4][4] = {
      {l, t, rt, t + w}, {l, b - w, rt, b}, {l, t, l + w, b}, {rt - w, t, rt, b}};
  for (const auto& s : sides)
    r.DrawShape(SolidRectangle(twips(s[0]), twips(s[1]), twips(s[2]), twips(s[3]), yellow),
                pixels_to_target, ColorTransform());
}

// The most rows any pixel's filters read around it in the tree under `clip` (the filters of
// layers inside filtered layers add up), -1 when one depends on where its layer begins: the
// stage is drawn in bands that hold those rows around their own, or in one band. Objects whose
// kept pictures are likely to be composited again are left out (the count of bands does not
// change the pixels, only how soon they are drawn).
int FilterRowsRead(const MovieClip& clip, double filter_scale, const PaintPictures& pictures) {
  int most = 0;
  for (const auto& [depth, child] : clip.children) {
    if (!child->filters.empty() && pictures.Has(*child)) continue;
    int read = 0;
    for (const Filter& f : child->filters) {
      const int r = RowsRead(f, filter_scale);
      if (r < 0) return -1;
      read = std::min(read + r, INT_MAX / 4);
    }
    if (child->type == DisplayObject::Type::MovieClip ||
        child->type == DisplayObject::Type::Button) {
      const int inner =
          FilterRowsRead(static_cast<const MovieClip&>(*child), filter_scale, pictures);
      if (inner < 0) return -1;
      read = std::min(read + inner, INT_MAX / 4);
    }
    most = std::max(most, read);
  }
  return most;
}

}  // namespace

void PaintStage(const Player& player, const RenderTarget& target, Rgba background, int max_bands) {
  DictionaryLookup lookup;
  lookup.movie = player.Movie(0);
  const double filter_scale = StageToView(player.StageRect(), target.width, target.height).a * 20;
  PaintPictures pictures(&player);
  int rows_read = 0;
  for (const MovieClip* root : player.LevelRoots()) {
    const int read = FilterRowsRead(*root, filter_scale, pictures);
    rows_read = read < 0 || rows_read < 0 ? -1 : std::max(rows_read, read);
  }
  const int bands =
      max_bands > 0 ? max_bands : Renderer::BandsFor(target.width, target.height, rows_read);
  Renderer r(target, player.quality, &lookup, bands);
  r.Clear(background);
  Matrix view = StageToView(player.StageRect(), target.width, target.height);
  lookup.view = view;
  auto focus = player.input.focus.lock();
  if (focus && !focus->removed && focus->type == DisplayObject::Type::EditText) {
    // Input fields show the caret; a selection shows in any field that lets it be made.
    const text::TextField& field = static_cast<const TextFieldObject&>(*focus).field;
    const bool selection = player.input.caret != player.input.anchor;
    if (selection ? field.selectable : !field.read_only) {
      lookup.focus = focus.get();
      lookup.caret = player.input.caret;
      lookup.anchor = player.input.anchor;
    }
  }
  lookup.pictures = &pictures;
  lookup.settings = {view, player.quality, filter_scale, lookup.focus, lookup.caret,
                     lookup.anchor};
  for (const MovieClip* root : player.LevelRoots()) {
    lookup.movie = root->movie.get();
    PaintClip(r, lookup, *root, view * root->matrix, root->color_transform, filter_scale);
  }
  PaintFocusFrame(r, player, view);
  r.Finish();
  pictures.Finish();
}

namespace {

// A renderer target over the part of the bitmap `p` may change, and the matrix from the
// source's twips onto it.
RenderTarget TargetOf(const BitmapPainting& p, Matrix& twips_to_target) {
  RenderTarget t;
  BitmapData& bitmap = *p.target;
  t.pixels = reinterpret_cast<uint8_t*>(bitmap.Row(p.clip_y) + p.clip_x);
  t.width = p.clip_width;
  t.height = p.clip_height;
  t.stride = bitmap.width() * 4;
  Matrix to_clip;
  to_clip.tx = -p.clip_x;
  to_clip.ty = -p.clip_y;
  Matrix twips;
  twips.a = twips.d = 1.0 / 20;
  twips_to_target = to_clip * p.matrix * twips;
  return t;
}

bool Drawable(const BitmapPainting& p) {
  return p.target && !p.target->disposed() && p.clip_width > 0 && p.clip_height > 0 &&
         p.clip_x >= 0 && p.clip_y >= 0 && p.clip_x + p.clip_width <= p.target->width() &&
         p.clip_y + p.clip_height <= p.target->height();
}

}  // namespace

void PaintClipInto(const MovieClip& clip, const BitmapPainting& p, Quality quality) {
  if (!Drawable(p)) return;
  Matrix m;
  const RenderTarget target = TargetOf(p, m);
  DictionaryLookup lookup;
  lookup.movie = clip.movie.get();
  lookup.settings.quality = quality;
  {
    Renderer r(target, quality, &lookup);
    const bool layer = p.blend_mode >= kBlendLayer;
    if (layer) r.PushLayer();
    PaintClip(r, lookup, clip, m, p.color_transform, 1);
    if (layer) r.PopLayer(p.blend_mode);
  }
  if (!p.target->transparent())
    p.target->KeepOpaque(p.clip_x, p.clip_y, p.clip_width, p.clip_height);
  p.target->Touch();
}

void PaintBitmapInto(const BitmapData& source, const BitmapPainting& p) {
  if (!Drawable(p) || source.disposed()) return;
  // Drawing a bitmap into itself reads a copy.
  std::shared_ptr<BitmapData> copy;
  const BitmapData* from = &source;
  if (&source == p.target) {
    copy = source.Clone();
    from = copy.get();
  }
  Matrix m;
  const RenderTarget target = TargetOf(p, m);
  DictionaryLookup lookup;
  {
    Renderer r(target, Quality::High, &lookup);
    const bool layer = p.blend_mode >= kBlendLayer;
    if (layer) r.PushLayer();
    PaintBitmap(r, lookup, *from, p.smooth, m, p.color_transform);
    if (layer) r.PopLayer(p.blend_mode);
  }
  if (!p.target->transparent())
    p.target->KeepOpaque(p.clip_x, p.clip_y, p.clip_width, p.clip_height);
  p.target->Touch();
}

void ApplyFilterInto(const BitmapData& src, PixelRect sr, BitmapData& dst, int dx, int dy,
                     const Filter& filter) {
  const int sx0 = sr.x, sy0 = sr.y;
  sr = src.Clip(sr);
  if (sr.Empty()) return;
  dx += sr.x - sx0;
  dy += sr.y - sy0;
  const FilterReach reach = ReachOf(filter, 1);
  // The picture holds the rectangle with room for the filter's reach on every side.
  FilterImage image;
  const int64_t w = int64_t{sr.width} + reach.left + reach.right;
  const int64_t h = int64_t{sr.height} + reach.top + reach.bottom;
  if (w <= 0 || h <= 0 || w * h > kMaxBitmapPixels * 4) return;
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  image.pixels.assign(static_cast<size_t>(w) * h, 0);
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i) {
      uint32_t p = src.At(sr.x + i, sr.y + j);
      if (!src.transparent()) p |= 0xFF000000u;
      image.At(i + reach.left, j + reach.top) = p;
    }
  ApplyFilter(image, filter, 1);
  for (int j = 0; j < image.height; ++j)
    for (int i = 0; i < image.width; ++i) {
      const int64_t x = int64_t{dx} + i - reach.left, y = int64_t{dy} + j - reach.top;
      if (x < 0 || y < 0 || x >= dst.width() || y >= dst.height()) continue;
      uint32_t p = image.At(i, j);
      if (!dst.transparent()) p |= 0xFF000000u;
      dst.At(static_cast<int>(x), static_cast<int>(y)) = p;
    }
  dst.Touch();
}

PixelRect FilterRectOf(PixelRect r, const Filter& filter) {
  const FilterReach reach = ReachOf(filter, 1);
  return {r.x - reach.left, r.y - reach.top, r.width + reach.left + reach.right,
          r.height + reach.top + reach.bottom};
}

}  // namespace flash
