// MovieClip: the methods of clips (timeline control, depths, making and removing clips, bounds
// and coordinates). Clip properties (_x, _alpha...) are read and written by the interpreter.
#include <cmath>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/text.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/script/clip_loader.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

enum Op {
  kPlay,
  kStop,
  kNextFrame,
  kPrevFrame,
  kGotoAndPlay,
  kGotoAndStop,
  kGetDepth,
  kSwapDepths,
  kNextHighestDepth,
  kInstanceAtDepth,
  kCreateEmpty,
  kDuplicate,
  kRemove,
  kAttach,
  kGetBounds,
  kHitTest,
  kLocalToGlobal,
  kGlobalToLocal,
  kBytesLoaded,
  kBytesTotal,
  kSwfVersion,
  kGetRect,
  kSetMask,
  kLoadMovie,
  kLoadVariables,
  kUnloadMovie,
  kStartDrag,
  kStopDrag
};

// The clip a method runs on: `this`, or the current timeline for a plain call.
MovieClip* Self(NativeCall& c) {
  if (c.self.IsUndefined()) return c.vm.Target();
  return c.vm.ClipOf(c.self);
}

// The matrix from a clip's space to the stage.
Matrix Concatenated(const MovieClip* clip) {
  Matrix m;
  for (const DisplayObject* o = clip; o && o->parent; o = o->parent) m = o->matrix * m;
  return m;
}

// The matrix from a clip's space to the stage as points are mapped between them: like every
// matrix a display object holds, each step up to the stage keeps its translation in whole twips.
Matrix WholeTwipStageMatrix(const DisplayObject& obj) {
  Matrix m;
  for (const DisplayObject* o = &obj; o; o = o->parent) {
    m = o->matrix * m;
    m.tx = std::round(m.tx);
    m.ty = std::round(m.ty);
  }
  return m;
}

// The box around what a clip draws, on the stage; false when it draws nothing.
bool StageBox(const MovieClip& clip, double& x0, double& y0, double& x1, double& y1) {
  double u0, v0, u1, v1;
  if (!ClipBounds(clip, u0, v0, u1, v1)) return false;
  const Matrix m = StageMatrix(clip);
  const double xs[] = {u0, u1, u1, u0}, ys[] = {v0, v0, v1, v1};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    m.Apply(xs[i], ys[i], x, y);
    x0 = i ? std::min(x0, x) : x;
    x1 = i ? std::max(x1, x) : x;
    y0 = i ? std::min(y0, y) : y;
    y1 = i ? std::max(y1, y) : y;
  }
  return true;
}

// A clip named by a target path from the calling timeline; "path:name" names the clip held by
// the variable `name` of `path`.
MovieClip* MaskByPath(NativeCall& c, const std::string& path) {
  if (MovieClip* found = c.vm.ResolvePath(path, c.vm.Target())) return found;
  const size_t colon = path.rfind(':');
  if (colon == std::string::npos) return nullptr;
  MovieClip* holder = c.vm.ResolvePath(path.substr(0, colon), c.vm.Target());
  return holder ? c.vm.ResolvePath(path.substr(colon + 1), holder) : nullptr;
}

// The depth a new clip gets from a script's depth number; false outside the range where scripts
// may make clips.
bool NewClipDepth(double d, int& depth) {
  if (std::isnan(d) || d < -16384 || d >= 2130690045.0) return false;
  depth = static_cast<int>(d) + 16384;
  return true;
}

Value Method(NativeCall& c) {
  MovieClip* clip = Self(c);
  auto op = static_cast<Op>(static_cast<FunctionObject*>(c.callee)->native_tag);
  if (!clip && op == kRemove) {  // applied to a button or text field
    c.vm.RemoveSprite(c.vm.DisplayObjectOf(c.self));
    return Value::Undefined();
  }
  if (!clip) return Value::Undefined();
  Player& p = c.vm.player();
  switch (op) {
    case kPlay: clip->playing = true; break;
    case kStop: clip->playing = false; break;
    case kNextFrame: c.vm.GotoFrame(clip, clip->current_frame + 1, true); break;
    case kPrevFrame: c.vm.GotoFrame(clip, clip->current_frame - 1, true); break;
    case kGotoAndPlay:
    case kGotoAndStop: {
      MovieClip* target = clip;
      int frame = 0;
      Value v = c.Arg(0);
      // An object names its frame by its text.
      if (v.type == Value::Type::Object) v = Value::String(c.vm.ToString(v));
      if (v.type == Value::Type::String) {
        frame = clip->timeline->FrameOfLabel(v.string);
        if (frame < 0) {
          double d = StringToNumber(v.string, 5);
          if (std::isnan(d)) break;
          frame = static_cast<int>(d) - 1;
        }
      } else {
        // The frame number less one wraps to 32 bits: negative frames are ignored, and the
        // lowest number wraps past the last frame.
        uint32_t n = static_cast<uint32_t>(c.vm.ToInt32(v)) - 1u;
        frame = static_cast<int32_t>(n);
      }
      if (frame < 0) break;  // frames before the first are ignored
      c.vm.GotoFrame(target, frame, op == kGotoAndStop);
      break;
    }
    case kGetDepth: return Value::Number(clip->depth - 16384);
    case kSwapDepths: {
      if (!clip->parent) break;
      Value t = c.Arg(0);
      if (t.IsUndefined()) break;  // no depth given: nothing moves
      int depth;
      MovieClip* other = t.type == Value::Type::Clip || (t.type == Value::Type::Object &&
                                                         t.object->kind == ScriptObject::Kind::Clip)
                             ? c.vm.ClipOf(t)
                             : nullptr;
      // A text names a clip by its target path from this clip; one naming none is a number.
      if (t.type == Value::Type::String && !t.string.empty())
        other = c.vm.ResolvePath(t.string, clip);
      // A button or text field gives its own depth.
      const DisplayObject* other_object = other;
      if (!other_object && t.type == Value::Type::Object) other_object = c.vm.DisplayObjectOf(t);
      if (other_object) {
        if (other_object->parent != clip->parent) break;
        depth = other_object->depth;
      } else if (other) {
        if (other->parent != clip->parent) break;
        depth = other->depth;
      } else {
        // Anything else is a depth number, wrapped to 32 bits (NaN is 0); depths beyond the
        // script range are refused.
        int32_t n = c.vm.ToInt32(t);
        if (n < -16384 || n > 2130690044) break;
        depth = n + 16384;
      }
      p.SwapDepths(clip, depth);
      break;
    }
    case kNextHighestDepth: return Value::Number(clip->NextHighestDepth() - 16384);
    case kInstanceAtDepth: {
      double d = c.vm.ToNumber(c.Arg(0));
      if (std::isnan(d)) return Value::Undefined();
      auto it = clip->children.find(static_cast<int>(d) + 16384);
      if (it == clip->children.end() || it->second->type != DisplayObject::Type::MovieClip)
        return Value::Undefined();
      return c.vm.ClipValue(static_cast<MovieClip*>(it->second.get()));
    }
    case kCreateEmpty: {
      if (c.Count() < 2) return Value::Undefined();
      int depth = 0;
      if (!NewClipDepth(c.vm.ToNumber(c.Arg(1)), depth)) return Value::Undefined();
      MovieClip* made = p.CreateClip(clip, nullptr, c.vm.ToString(c.Arg(0)), depth, nullptr, c.vm);
      return c.vm.ClipValue(made);
    }
    case kAttach: {
      if (c.Count() < 3) return Value::Undefined();
      int depth = 0;
      if (!NewClipDepth(c.vm.ToNumber(c.Arg(2)), depth)) return Value::Undefined();
      CharacterPtr def = p.ExportedSymbol(clip->movie.get(), c.vm.ToString(c.Arg(0)));
      if (!def) return Value::Undefined();
      if (def->kind == CharacterDef::Kind::Button) {
        ButtonObject* b = p.AttachButton(clip, def, c.vm.ToString(c.Arg(1)), depth);
        return b ? Value::Object(p.ObjectOf(b)) : Value::Undefined();
      }
      MovieClip* made = p.CreateClip(clip, def, c.vm.ToString(c.Arg(1)), depth,
                                     c.vm.ObjectOf(c.Arg(3)), c.vm, c.vm.ToString(c.Arg(0)));
      return c.vm.ClipValue(made);
    }
    case kDuplicate: {
      if (!clip->parent || c.Count() < 2) return Value::Undefined();
      std::string name = c.vm.ToString(c.Arg(0));
      int depth = 0;
      if (!NewClipDepth(c.vm.ToNumber(c.Arg(1)), depth)) return Value::Undefined();
      MovieClip* made = p.DuplicateClip(clip, name, depth, c.vm.ObjectOf(c.Arg(2)));
      return c.vm.ClipValue(made);
    }
    case kRemove: c.vm.RemoveSprite(clip); break;
    case kGetBounds:
    case kGetRect: {
      double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
      bool any = ClipBounds(*clip, x0, y0, x1, y1);
      // The clip's own box is kept in whole twips before it goes into another space.
      x0 = std::round(x0);
      y0 = std::round(y0);
      x1 = std::round(x1);
      y1 = std::round(y1);
      Matrix m;
      // The space is a clip, or a target path (any other value as text) from this clip; a space
      // that names no clip gives no bounds.
      MovieClip* space = clip;
      if (c.Count()) {
        const Value& t = c.Arg(0);
        space = t.type == Value::Type::String ? nullptr : c.vm.ClipOf(t);
        if (!space && t.type != Value::Type::Clip) {
          const std::string path = c.vm.ToString(t);
          if (!path.empty()) space = c.vm.ResolvePath(path, clip);
          // "target:name" names the clip the target's member of that name leads to.
          const size_t colon = path.rfind(':');
          if (!space && colon != std::string::npos && colon + 1 < path.size()) {
            MovieClip* holder = c.vm.ResolvePath(path.substr(0, colon), clip);
            if (holder) space = c.vm.ResolvePath(path.substr(colon + 1), holder);
          }
        }
        if (!space) return Value::Undefined();
      }
      if (space && space != clip) {
        Matrix to_space;
        if (Concatenated(space).Invert(to_space)) m = to_space * Concatenated(clip);
      }
      ScriptObject* r = c.vm.realm().NewObject();
      if (!any) {
        // The wide value appears only on the way into another clip's space.
        const bool wide = p.wide_empty_bounds && space && space != clip;
        x0 = y0 = x1 = y1 = wide ? 134217728.0 : 134217727.0;
      } else {
        double xs[] = {x0, x1, x1, x0}, ys[] = {y0, y0, y1, y1};
        for (int i = 0; i < 4; ++i) {
          double x, y;
          m.Apply(xs[i], ys[i], x, y);
          // The corners land on whole twips.
          x = std::round(x);
          y = std::round(y);
          if (i == 0) {
            x0 = x1 = x;
            y0 = y1 = y;
          }
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
        }
      }
      if (c.vm.version() >= 8) p.wide_empty_bounds = true;
      c.vm.SetMember(Value::Object(r), "xMin", Value::Number(x0 / 20.0));
      c.vm.SetMember(Value::Object(r), "xMax", Value::Number(x1 / 20.0));
      c.vm.SetMember(Value::Object(r), "yMin", Value::Number(y0 / 20.0));
      c.vm.SetMember(Value::Object(r), "yMax", Value::Number(y1 / 20.0));
      return Value::Object(r);
    }
    case kHitTest: {
      // Boxes are compared on the stage; a point is given in the coordinates of the clip's root.
      double a0 = 0, b0 = 0, a1 = 0, b1 = 0;
      if (!StageBox(*clip, a0, b0, a1, b1)) return Value::Bool(false);
      if (c.Count() >= 2) {
        double x, y;
        StageMatrix(*clip->Root())
            .Apply(c.vm.ToNumber(c.Arg(0)) * 20, c.vm.ToNumber(c.Arg(1)) * 20, x, y);
        if (!(x >= a0 && x <= a1 && y >= b0 && y <= b1)) return Value::Bool(false);
        if (!c.vm.ToBool(c.Arg(2))) return Value::Bool(true);
        // The shape flag asks for what the clip draws under the point, not its box.
        Matrix to_clip;
        if (!StageMatrix(*clip).Invert(to_clip)) return Value::Bool(false);
        double lx, ly;
        to_clip.Apply(x, y, lx, ly);
        return Value::Bool(ObjectContains(*clip, lx, ly));
      }
      // A text names the other clip by its target path from this clip.
      Value t = c.Arg(0);
      MovieClip* other = t.type == Value::Type::String
                             ? (t.string.empty() ? nullptr : c.vm.ResolvePath(t.string, clip))
                             : c.vm.ClipOf(t);
      double o0 = 0, p0 = 0, o1 = 0, p1 = 0;
      if (!other || !StageBox(*other, o0, p0, o1, p1)) return Value::Bool(false);
      return Value::Bool(a0 <= o1 && o0 <= a1 && b0 <= p1 && p0 <= b1);
    }
    case kLocalToGlobal:
    case kGlobalToLocal: {
      // The point's own x and y, both numbers; anything else leaves it as it is.
      Value pt = c.Arg(0);
      ScriptObject* o = c.vm.ObjectOf(pt);
      const Property* px = o ? o->Find(c.vm.heap().Key("x")) : nullptr;
      const Property* py = o ? o->Find(c.vm.heap().Key("y")) : nullptr;
      if (!px || !py || px->accessor || py->accessor || px->value.type != Value::Type::Number ||
          py->value.type != Value::Type::Number)
        break;
      double x = px->value.number * 20, y = py->value.number * 20;
      // The stage is the root's parent: its own position and turn count too.
      Matrix m = WholeTwipStageMatrix(*clip);
      if (op == kGlobalToLocal) {
        Matrix inv;
        if (!m.Invert(inv)) break;
        m = inv;
        m.tx = std::round(m.tx);
        m.ty = std::round(m.ty);
      }
      double ox, oy;
      m.Apply(x, y, ox, oy);
      // Coordinates are whole twips.
      c.vm.SetMember(pt, "x", Value::Number(std::round(ox) / 20.0));
      c.vm.SetMember(pt, "y", Value::Number(std::round(oy) / 20.0));
      break;
    }
    case kSetMask: {
      // The mask is a clip or its target path; null or undefined removes the mask. A mask that
      // cannot be found (or an object that is no clip) changes nothing.
      if (c.Count() == 0) return Value::Undefined();
      const Value& arg = c.Arg(0);
      MovieClip* mask = nullptr;
      if (!arg.IsNullish()) {
        mask = arg.IsObject() ? c.vm.ClipOf(arg) : MaskByPath(c, c.vm.ToString(arg));
        if (!mask || mask == clip) return Value::Bool(false);
      }
      if (auto old = clip->mask.lock()) old->is_mask = false;
      clip->mask.reset();
      if (mask) {
        mask->is_mask = true;
        clip->mask = std::static_pointer_cast<MovieClip>(mask->shared_from_this());
      }
      return Value::Bool(true);
    }
    case kSwfVersion:  // the version of the movie the clip belongs to; none for a picture
      if (!clip->movie || clip->movie->picture || clip->LoadFailed()) return Value::Number(-1);
      return Value::Number(clip->movie->header.version);
    case kBytesLoaded:
    case kBytesTotal:
      // After a failed load nothing came, out of an unknown total.
      if (clip->LoadFailed()) return Value::Number(op == kBytesTotal ? -1 : 0);
      // A sprite of the movie counts its own tags; a movie's timeline, the whole file; a clip a
      // script made (or emptied) holds no bytes.
      if (!clip->character && clip->parent && clip->timeline->frames.empty())
        return Value::Number(0);
      if (clip->character && clip->character->kind == CharacterDef::Kind::Sprite)
        return Value::Number(
            static_cast<double>(static_cast<const SpriteDef&>(*clip->character).byte_size));
      return Value::Number(clip->movie ? clip->movie->header.file_length : 0);
    case kLoadMovie:
    case kLoadVariables: {
      if (c.Count() == 0) break;
      std::string url = c.vm.ToString(c.Arg(0));
      if (op == kLoadVariables) {
        StartClipLoad(c.vm, c.vm.ClipValue(clip), -1, url, ClipLoadKind::kVariables);
      } else if (!clip->parent) {
        p.QueueLevelLoad(clip->level, url);
      } else {
        StartClipLoad(c.vm, c.vm.ClipValue(clip), -1, url, ClipLoadKind::kMovie);
      }
      break;
    }
    case kUnloadMovie: UnloadClipContent(c.vm, clip); break;
    case kStartDrag: {
      // With all four bounds (left, top, right, bottom in the parent's pixels) it stays inside.
      double rect[4];
      const bool constrained = c.Count() >= 5;
      if (constrained)
        for (int i = 0; i < 4; ++i) rect[i] = c.vm.ToNumber(c.Arg(i + 1)) * 20;
      p.StartDrag(clip, c.vm.ToBool(c.Arg(0)), constrained ? rect : nullptr);
      break;
    }
    case kStopDrag: p.StopDrag(); break;
  }
  return Value::Undefined();
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

// Widens the bounds to hold the rectangle (x0, y0)-(x1, y1); the first rectangle sets them.
void Widen(bool& any, double& xmin, double& ymin, double& xmax, double& ymax, double x0, double y0,
           double x1, double y1) {
  if (!any) {
    xmin = x0;
    ymin = y0;
    xmax = x1;
    ymax = y1;
    any = true;
    return;
  }
  xmin = std::min(xmin, x0);
  ymin = std::min(ymin, y0);
  xmax = std::max(xmax, x1);
  ymax = std::max(ymax, y1);
}

}  // namespace

// Bounds of a shape, text, morph shape or bitmap in its own twips; false for anything else.
static bool LeafBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax,
                       double& ymax) {
  if (obj.type == DisplayObject::Type::Shape && obj.character) {
    const auto& r = static_cast<const ShapeDef&>(*obj.character).bounds;
    xmin = r.xmin;
    xmax = r.xmax;
    ymin = r.ymin;
    ymax = r.ymax;
    return true;
  }
  // A text field covers its box as laid out (auto size moves and sizes it).
  if (const auto* field = dynamic_cast<const TextFieldObject*>(&obj)) {
    const text::FieldBox& b = field->field.Layout().box;
    xmin = b.x * 20;
    ymin = b.y * 20;
    xmax = (b.x + b.width) * 20;
    ymax = (b.y + b.height) * 20;
    return true;
  }
  if ((obj.type == DisplayObject::Type::Text || obj.type == DisplayObject::Type::EditText) &&
      obj.character) {
    const RectTwips& r = obj.type == DisplayObject::Type::Text
                             ? static_cast<const StaticTextDef&>(*obj.character).bounds
                             : static_cast<const EditTextDef&>(*obj.character).bounds;
    xmin = r.xmin;
    xmax = r.xmax;
    ymin = r.ymin;
    ymax = r.ymax;
    return true;
  }
  if (obj.type == DisplayObject::Type::MorphShape && obj.character) {
    const auto& morph = static_cast<const MorphShapeDef&>(*obj.character);
    const double t = obj.ratio / 65535.0;
    auto lerp = [t](int32_t a, int32_t b) { return a + (b - a) * t; };
    xmin = lerp(morph.start_bounds.xmin, morph.end_bounds.xmin);
    xmax = lerp(morph.start_bounds.xmax, morph.end_bounds.xmax);
    ymin = lerp(morph.start_bounds.ymin, morph.end_bounds.ymin);
    ymax = lerp(morph.start_bounds.ymax, morph.end_bounds.ymax);
    return true;
  }
  // An attached bitmap covers its pixels, twenty twips to a pixel.
  if (const auto* bitmap = dynamic_cast<const BitmapObject*>(&obj)) {
    if (!bitmap->data || bitmap->data->width() <= 0 || bitmap->data->height() <= 0) return false;
    xmin = ymin = 0;
    xmax = bitmap->data->width() * 20.0;
    ymax = bitmap->data->height() * 20.0;
    return true;
  }
  return false;
}

// The corners of a box through `m`, added to the bounds.
static void WidenCorners(const Matrix& m, double x0, double y0, double x1, double y1, bool& any,
                         double& xmin, double& ymin, double& xmax, double& ymax) {
  const double xs[] = {x0, x1, x1, x0}, ys[] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    m.Apply(xs[i], ys[i], x, y);
    Widen(any, xmin, ymin, xmax, ymax, x, y, x, y);
  }
}

// Widens the bounds by what the object draws, carried through `m` into the space measured. Each
// shape, text and drawing goes through the whole chain of matrices down to it: a turned clip
// inside a turned clip adds its own corners, not the box around its parent's turned box.
static void WidenThrough(const DisplayObject& obj, const Matrix& m, bool& any, double& xmin,
                         double& ymin, double& xmax, double& ymax) {
  double x0, y0, x1, y1;
  if (obj.type != DisplayObject::Type::MovieClip && obj.type != DisplayObject::Type::Button) {
    if (LeafBounds(obj, x0, y0, x1, y1))
      WidenCorners(m, x0, y0, x1, y1, any, xmin, ymin, xmax, ymax);
    return;
  }
  const auto& clip = static_cast<const MovieClip&>(obj);
  RectTwips drawn;
  if (clip.drawing && clip.drawing->Bounds(drawn))
    WidenCorners(m, drawn.xmin, drawn.ymin, drawn.xmax, drawn.ymax, any, xmin, ymin, xmax, ymax);
  for (const auto& [d, child] : clip.children)
    WidenThrough(*child, m * child->matrix, any, xmin, ymin, xmax, ymax);
}

bool ClipBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax) {
  bool any = false;
  WidenThrough(obj, Matrix{}, any, xmin, ymin, xmax, ymax);
  return any;
}

bool ParentBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax,
                  double& ymax) {
  double x0, y0, x1, y1;
  if (!ClipBounds(obj, x0, y0, x1, y1)) return false;
  bool any = false;
  WidenCorners(obj.matrix, x0, y0, x1, y1, any, xmin, ymin, xmax, ymax);
  return true;
}

// The tab index is kept by the clip's script object; the member is hidden from for..in.
static ClipObject* TabIndexHolder(NativeCall& c) {
  MovieClip* clip = c.vm.ClipOf(c.self);
  return clip ? c.vm.player().ObjectOf(clip) : nullptr;
}

static Value GetTabIndex(NativeCall& c) {
  ClipObject* o = TabIndexHolder(c);
  return o ? TabIndexValue(o->tab_index) : Value::Undefined();
}

static Value SetTabIndex(NativeCall& c) {
  if (ClipObject* o = TabIndexHolder(c)) o->tab_index = TabIndexOf(c.vm, c.Arg(0), false);
  return Value::Undefined();
}

void InstallMovieClip(Realm& realm) {
  realm.movieclip_proto = realm.NewObject();
  realm.Class("MovieClip", Nothing, nullptr, realm.movieclip_proto);
  NativeAccessor(realm, realm.movieclip_proto, "tabIndex", GetTabIndex, SetTabIndex);
  const std::pair<const char*, Op> methods[] = {
      {"play", kPlay},
      {"stop", kStop},
      {"nextFrame", kNextFrame},
      {"prevFrame", kPrevFrame},
      {"gotoAndPlay", kGotoAndPlay},
      {"gotoAndStop", kGotoAndStop},
      {"getDepth", kGetDepth},
      {"swapDepths", kSwapDepths},
      {"getNextHighestDepth", kNextHighestDepth},
      {"getInstanceAtDepth", kInstanceAtDepth},
      {"createEmptyMovieClip", kCreateEmpty},
      {"duplicateMovieClip", kDuplicate},
      {"removeMovieClip", kRemove},
      {"attachMovie", kAttach},
      {"getBounds", kGetBounds},
      {"getRect", kGetRect},
      {"hitTest", kHitTest},
      {"localToGlobal", kLocalToGlobal},
      {"globalToLocal", kGlobalToLocal},
      {"getBytesLoaded", kBytesLoaded},
      {"getBytesTotal", kBytesTotal},
      {"getSWFVersion", kSwfVersion},
      {"setMask", kSetMask},
      {"loadMovie", kLoadMovie},
      {"loadVariables", kLoadVariables},
      {"unloadMovie", kUnloadMovie},
      {"startDrag", kStartDrag},
      {"stopDrag", kStopDrag},
  };
  for (const auto& [name, op] : methods) realm.Method(realm.movieclip_proto, name, Method, op);
  // Scripts of version 5 movies do not see getDepth.
  realm.movieclip_proto->Find(realm.heap.Key("getDepth"))->flags |= kHiddenBefore6;
}

}  // namespace flash
