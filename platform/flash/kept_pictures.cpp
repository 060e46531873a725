#include "platform/flash/kept_pictures.h"

#include <algorithm>
#include <iterator>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/filters.h"

namespace flash {
namespace {

// Enough for a few pictures of a 3840x2160 frame.
constexpr size_t kDefaultBudget = size_t{192} << 20;

struct Entry {
  std::weak_ptr<const DisplayObject> object;
  const void* owner = nullptr;
  uint64_t hash = 0;
  int64_t x = 0, y = 0;
  std::vector<std::weak_ptr<const void>> held;
  std::shared_ptr<KeptLayer> picture;
  uint64_t used = 0;  // the last paint that drew or used it
};

// The pictures of every player, by object.
struct Store {
  static Store& Shared() {
    static Store store;
    return store;
  }
  using Map = std::unordered_map<const DisplayObject*, Entry>;
  Map::iterator Erase(Map::iterator it) {
    bytes -= it->second.picture->Bytes();
    return entries.erase(it);
  }

  std::mutex mutex;
  Map entries;
  size_t bytes = 0, budget = kDefaultBudget;
  uint64_t serial = 0, reused = 0, drawn = 0;
};

// Mixes values into a 64-bit hash, each bit of a value reaching every bit of the result.
class Hasher {
 public:
  void Add(uint64_t v) {
    uint64_t z = (h_ ^ v) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    h_ = z ^ (z >> 31);
  }
  void Add(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Add(bits);
  }
  void Add(const void* p) { Add(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p))); }
  void Add(bool v) { Add(uint64_t{v}); }
  void Add(int v) { Add(static_cast<uint64_t>(static_cast<int64_t>(v))); }
  void Add(Rgba c) {
    Add(uint64_t{c.r} | uint64_t{c.g} << 8 | uint64_t{c.b} << 16 | uint64_t{c.a} << 24);
  }
  void Add(const Matrix& m) {
    for (double v : {m.a, m.b, m.c, m.d, m.tx, m.ty}) Add(v);
  }
  void Add(const ColorTransform& cx) {
    for (int16_t v : {cx.r_mult, cx.g_mult, cx.b_mult, cx.a_mult, cx.r_add, cx.g_add, cx.b_add,
                      cx.a_add})
      Add(static_cast<int>(v));
  }
  uint64_t Value() const { return h_; }

 private:
  uint64_t h_ = 0x243F6A8885A308D3ull;
};

// Walks an object's tree as the stage painter draws it, hashing what it reads.
class Walk {
 public:
  Walk(const PaintSettings& settings, Fingerprint& out) : settings_(settings), out_(out) {}

  Hasher h;

  // The object itself: its place and colours are those it is drawn with; its own blend mode,
  // visibility and mask act outside its picture.
  void Root(const DisplayObject& obj) {
    h.Add(static_cast<int>(obj.type));
    Hold(obj.character);
    h.Add(static_cast<int>(obj.ratio));
    Filters(obj.filters);
    Boxes(obj);
    Content(obj, 0);
  }

 private:
  template <typename T>
  void Hold(const std::shared_ptr<T>& p) {
    h.Add(static_cast<const void*>(p.get()));
    if (p) out_.held.emplace_back(std::shared_ptr<const void>(p));
  }

  void Filters(const std::vector<Filter>& filters) {
    h.Add(filters.size());
    for (const Filter& f : filters) {
      if (RowsRead(f, settings_.filter_scale) < 0) out_.movable = false;
      h.Add(static_cast<int>(f.kind));
      h.Add(f.color);
      h.Add(f.highlight);
      for (double v : {f.blur_x, f.blur_y, f.angle, f.distance, f.strength, f.scale_x, f.scale_y})
        h.Add(v);
      for (bool v : {f.inner, f.knockout, f.composite_source, f.on_top, f.clamp, f.preserve_alpha})
        h.Add(v);
      for (int v : {f.passes, f.matrix_x, f.matrix_y, f.map_width, f.map_height, f.map_x, f.map_y,
                    f.component_x, f.component_y, static_cast<int>(f.map_mode)})
        h.Add(v);
      h.Add(f.gradient_colors.size());
      for (Rgba c : f.gradient_colors) h.Add(c);
      h.Add(f.gradient_ratios.size());
      for (uint8_t r : f.gradient_ratios) h.Add(static_cast<int>(r));
      h.Add(static_cast<double>(f.divisor));
      h.Add(static_cast<double>(f.bias));
      h.Add(f.matrix.size());
      for (float v : f.matrix) h.Add(static_cast<double>(v));
      h.Add(f.default_color);
      Hold(f.map_pixels);
    }
  }

  // The opaque background and the rectangles scripts give.
  void Boxes(const DisplayObject& obj) {
    h.Add(obj.has_opaque_background);
    if (obj.has_opaque_background) h.Add(obj.opaque_background);
    for (const auto* rect : {&obj.scroll_rect, &obj.scale9_grid}) {
      h.Add(rect->has_value());
      if (*rect)
        for (double v : {(*rect)->x, (*rect)->y, (*rect)->width, (*rect)->height}) h.Add(v);
    }
  }

  // An object inside the cached one, with everything of its own that the painter reads.
  void Child(const DisplayObject& obj, int level) {
    h.Add(static_cast<int>(obj.type));
    Hold(obj.character);
    h.Add(obj.matrix);
    h.Add(obj.color_transform);
    h.Add(static_cast<int>(obj.ratio));
    h.Add(obj.clip_depth);
    h.Add(static_cast<int>(obj.blend_mode));
    if (obj.blend_mode == kBlendAlpha || obj.blend_mode == kBlendErase) out_.erases = true;
    Filters(obj.filters);
    h.Add(obj.cache_as_bitmap);
    h.Add(obj.visible);
    Boxes(obj);
    if ((obj.cache_as_bitmap || !obj.filters.empty()) && obj.clip_depth <= 0)
      out_.cached_inside.push_back(&obj);
    if (obj.type == DisplayObject::Type::MovieClip) {
      const auto& mc = static_cast<const MovieClip&>(obj);
      h.Add(mc.is_mask);
      // A mask a script set is drawn from the stage down: its place is not the object's.
      std::shared_ptr<MovieClip> mask = mc.mask.lock();
      h.Add(mask && !mask->removed);
      if (mask && !mask->removed) {
        out_.movable = false;
        h.Add(StageMatrix(*mask));
        Content(*mask, level + 1);
      }
    }
    Content(obj, level);
  }

  void Content(const DisplayObject& obj, int level) {
    // Trees deeper than this are drawn afresh every time.
    if (level > kMaxLevels) {
      static std::atomic<uint64_t> unique{0};
      h.Add(++unique);
      return;
    }
    switch (obj.type) {
      case DisplayObject::Type::MovieClip:
      case DisplayObject::Type::Button: {
        const auto& clip = static_cast<const MovieClip&>(obj);
        Hold(clip.movie);
        h.Add(static_cast<bool>(clip.drawing));
        if (clip.drawing) {
          h.Add(clip.drawing->Version());
          for (const auto& bitmap : clip.drawing->Bitmaps()) Bitmap(bitmap);
        }
        h.Add(clip.children.size());
        for (const auto& [depth, child] : clip.children) {
          h.Add(depth);
          Child(*child, level + 1);
        }
        break;
      }
      case DisplayObject::Type::EditText:
        Field(static_cast<const TextFieldObject&>(obj).field, &obj == settings_.focus);
        break;
      case DisplayObject::Type::Other:
        if (const auto* bitmap = dynamic_cast<const BitmapObject*>(&obj)) {
          Bitmap(bitmap->data);
          h.Add(bitmap->smoothing);
        } else if (obj.video_feed) {
          Hold(obj.video_feed->stream);
          h.Add(obj.video_feed->seconds);
        }
        break;
      default: break;  // shapes, morphs and static texts are their characters (and ratios)
    }
  }

  void Bitmap(const std::shared_ptr<BitmapData>& bitmap) {
    Hold(bitmap);
    if (!bitmap) return;
    h.Add(bitmap->version());
    h.Add(bitmap->disposed());
    h.Add(bitmap->width());
    h.Add(bitmap->height());
    h.Add(bitmap->transparent());
  }

  // A field as the text painter draws it: its box, colours and laid-out text, scrolled; with the
  // caret or selection when it shows them.
  void Field(const text::TextField& f, bool focused) {
    for (bool v : {f.embed_fonts, f.background, f.border}) h.Add(v);
    h.Add(f.background_color);
    h.Add(f.border_color);
    h.Add(f.scroll);
    h.Add(f.hscroll);
    const text::TextLayout& layout = f.Layout();
    h.Add(f.Overflows());
    for (double v : {layout.box.x, layout.box.y, layout.box.width, layout.box.height,
                     layout.text_width, layout.text_height})
      h.Add(v);
    h.Add(layout.glyphs.size());
    for (const text::PlacedGlyph& g : layout.glyphs) {
      h.Add(static_cast<const void*>(g.face));
      h.Add(g.glyph);
      for (double v : {g.x, g.y, g.size}) h.Add(v);
      h.Add(g.color);
      h.Add(g.char_index);
    }
    h.Add(layout.lines.size());
    for (const text::LaidLine& l : layout.lines) {
      for (double v : {l.x, l.width, l.top, l.ascent, l.descent, l.leading}) h.Add(v);
      h.Add(l.first_char);
      h.Add(l.end_char);
    }
    h.Add(layout.underlines.size());
    for (const text::UnderlineSpan& u : layout.underlines) {
      for (double v : {u.x0, u.x1, u.y, u.thickness}) h.Add(v);
      h.Add(u.color);
    }
    h.Add(focused);
    if (!focused) return;
    h.Add(settings_.caret);
    h.Add(settings_.anchor);
    // Where a caret or a selection's end stands on an empty line, its paragraph's format says.
    auto format = [&](size_t index) {
      const text::TextFormat& tf = f.FormatAt(index);
      h.Add(static_cast<int>(tf.align));
      for (double v : {tf.left_margin, tf.right_margin, tf.indent, tf.block_indent}) h.Add(v);
    };
    format(settings_.caret);
    format(settings_.anchor);
    for (const text::LaidLine& l : layout.lines) format(l.first_char);
  }

  static constexpr int kMaxLevels = 200;
  const PaintSettings& settings_;
  Fingerprint& out_;
};

}  // namespace

void TakeFingerprint(const DisplayObject& object, const Matrix& m, const ColorTransform& cx,
                     const MovieDef* movie, const PaintSettings& settings, Fingerprint& out) {
  out.held.clear();
  out.cached_inside.clear();
  out.movable = true;
  out.erases = false;
  Walk walk(settings, out);
  Hasher& h = walk.h;
  h.Add(static_cast<int>(settings.quality));
  h.Add(settings.filter_scale);
  h.Add(settings.view);
  // The placement's whole pixels may change (the picture moves); its fractions may not.
  const bool placed = std::isfinite(m.tx) && std::isfinite(m.ty) && std::fabs(m.tx) < 1e9 &&
                      std::fabs(m.ty) < 1e9;
  out.x = placed ? static_cast<int64_t>(std::floor(m.tx)) : 0;
  out.y = placed ? static_cast<int64_t>(std::floor(m.ty)) : 0;
  for (double v : {m.a, m.b, m.c, m.d, m.tx - static_cast<double>(out.x),
                   m.ty - static_cast<double>(out.y)})
    h.Add(v);
  h.Add(cx);
  h.Add(static_cast<const void*>(movie));
  walk.Root(object);
  out.hash = h.Value();
}

PaintPictures::PaintPictures(const void* owner) : owner_(owner) {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  serial_ = ++s.serial;
}

PaintPictures::~PaintPictures() = default;

std::shared_ptr<const KeptLayer> PaintPictures::Find(const DisplayObject& object,
                                                     const Fingerprint& print, const LayerBox& box,
                                                     int& dx, int& dy) {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.entries.find(&object);
  if (it == s.entries.end()) return nullptr;
  Entry& e = it->second;
  if (e.owner != owner_ || e.hash != print.hash || e.object.lock().get() != &object) return nullptr;
  for (const auto& held : e.held)
    if (held.expired()) return nullptr;
  const KeptLayer& p = *e.picture;
  const int64_t mx = print.x - e.x, my = print.y - e.y;
  bool fits = mx == 0 && my == 0 && box == p.layer;
  if (!fits && print.movable && !p.cut && std::abs(mx) < (1 << 24) && std::abs(my) < (1 << 24)) {
    // Moved by whole pixels: drawn again there, it would give the same picture as long as all
    // of it lies within the layer it would be drawn in.
    fits = p.width == 0 ||
           (p.left + mx >= box.x && p.top + my >= box.y &&
            p.left + mx + p.width <= int64_t{box.x} + box.width &&
            p.top + my + p.height <= int64_t{box.y} + box.height);
  }
  if (!fits) return nullptr;
  e.used = serial_;
  ++s.reused;
  // The cached objects inside are not drawn, but still there.
  for (const DisplayObject* inside : print.cached_inside) {
    auto in = s.entries.find(inside);
    if (in != s.entries.end() && in->second.owner == owner_) in->second.used = serial_;
  }
  dx = static_cast<int>(mx);
  dy = static_cast<int>(my);
  return e.picture;
}

bool PaintPictures::Has(const DisplayObject& object) const {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.entries.find(&object);
  return it != s.entries.end() && it->second.owner == owner_ &&
         it->second.object.lock().get() == &object;
}

std::shared_ptr<KeptLayer> PaintPictures::Add(const DisplayObject& object, Fingerprint&& print) {
  auto picture = std::make_shared<KeptLayer>();
  {
    // An object drawn again every frame draws on the pages of its last picture.
    Store& s = Store::Shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.entries.find(&object);
    if (it != s.entries.end() && it->second.owner == owner_ && it->second.picture.use_count() == 1) {
      picture->pixels.swap(it->second.picture->pixels);
      picture->pixels.clear();
      s.bytes -= picture->pixels.capacity() * 4;
      s.Erase(it);
    }
  }
  new_.push_back({object.weak_from_this(), &object, std::move(print), picture});
  return picture;
}

void PaintPictures::Finish() {
  if (finished_) return;
  finished_ = true;
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (New& n : new_) {
    if (!n.picture->made || n.object.expired()) continue;
    ++s.drawn;
    auto it = s.entries.find(n.address);
    if (it != s.entries.end()) s.Erase(it);
    Entry e;
    e.object = std::move(n.object);
    e.owner = owner_;
    e.hash = n.print.hash;
    e.x = n.print.x;
    e.y = n.print.y;
    e.held = std::move(n.print.held);
    e.picture = std::move(n.picture);
    e.used = serial_;
    s.bytes += e.picture->Bytes();
    s.entries.emplace(n.address, std::move(e));
  }
  new_.clear();
  // Objects gone, and the owner's objects this paint did not draw or use.
  for (auto it = s.entries.begin(); it != s.entries.end();) {
    const Entry& e = it->second;
    if (e.object.expired() || (e.owner == owner_ && e.used != serial_))
      it = s.Erase(it);
    else
      ++it;
  }
  // Beyond the budget, those used least recently go.
  while (s.bytes > s.budget && !s.entries.empty()) {
    auto oldest = std::min_element(s.entries.begin(), s.entries.end(), [](const auto& a,
                                                                            const auto& b) {
      return a.second.used < b.second.used;
    });
    s.Erase(oldest);
  }
}

KeptPictureStats KeptPictures() {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  return {s.entries.size(), s.bytes, s.reused, s.drawn};
}

void DropKeptPictures(const void* owner) {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto it = s.entries.begin(); it != s.entries.end();)
    it = !owner || it->second.owner == owner ? s.Erase(it) : std::next(it);
}

size_t SetKeptPictureBudget(size_t bytes) {
  Store& s = Store::Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  return std::exchange(s.budget, bytes);
}

}  // namespace flash
