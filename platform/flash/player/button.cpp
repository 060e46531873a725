#include "platform/flash/player/button.h"

#include "platform/flash/format/text.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/script/realm.h"

namespace flash {
namespace {

const Timeline& NoTimeline() {
  static const Timeline empty;
  return empty;
}

// Whether the character `id` of `movie`, placed by `m`, covers (x, y) of its parent's twips.
bool CharacterContains(const MovieDef& movie, uint16_t id, const Matrix& m, double x, double y,
                       int nesting);

// A sprite's hit area: what its first frame places.
bool SpriteContains(const MovieDef& movie, const SpriteDef& sprite, double x, double y,
                    int nesting) {
  if (sprite.timeline.frames.empty()) return false;
  for (const ControlTag& tag : sprite.timeline.frames[0].tags) {
    if (tag.kind != ControlTag::Kind::Place || !tag.place.has_character) continue;
    if (CharacterContains(movie, tag.place.character_id, tag.place.matrix, x, y, nesting + 1))
      return true;
  }
  return false;
}

bool CharacterContains(const MovieDef& movie, uint16_t id, const Matrix& m, double x, double y,
                       int nesting) {
  if (nesting > 16) return false;
  const CharacterDef* def = movie.Find(id);
  Matrix inv;
  if (!def || !m.Invert(inv)) return false;
  double cx, cy;
  inv.Apply(x, y, cx, cy);
  switch (def->kind) {
    case CharacterDef::Kind::Shape:
      return ShapeContains(static_cast<const ShapeDef&>(*def), cx, cy);
    case CharacterDef::Kind::MorphShape:
      return ShapeContains(static_cast<const MorphShapeDef&>(*def).Interpolate(0), cx, cy);
    case CharacterDef::Kind::Text: {
      const RectTwips& b = static_cast<const StaticTextDef&>(*def).bounds;
      return cx >= b.xmin && cx <= b.xmax && cy >= b.ymin && cy <= b.ymax;
    }
    case CharacterDef::Kind::EditText: {
      const RectTwips& b = static_cast<const EditTextDef&>(*def).bounds;
      return cx >= b.xmin && cx <= b.xmax && cy >= b.ymin && cy <= b.ymax;
    }
    case CharacterDef::Kind::Sprite:
      return SpriteContains(movie, static_cast<const SpriteDef&>(*def), cx, cy, nesting);
    default: return false;
  }
}

}  // namespace

ButtonObject::ButtonObject(std::shared_ptr<const MovieDef> m, CharacterPtr def)
    : MovieClip(std::move(m), &NoTimeline(), std::move(def)) {
  type = Type::Button;
  playing = false;
}

ButtonObject::~ButtonObject() {
  if (script) {
    --script->pins;
    script->button.reset();
  }
}

bool ButtonHitContains(const ButtonObject& button, double x, double y) {
  if (!button.movie) return false;
  for (const ButtonRecord& rec : button.Def().records)
    if ((rec.states & kButtonHit) &&
        CharacterContains(*button.movie, rec.character_id, rec.matrix, x, y, 0))
      return true;
  return false;
}

ButtonObject* ButtonOf(const Value& v) {
  if (v.type != Value::Type::Object || !v.object) return nullptr;
  auto* o = dynamic_cast<ButtonScriptObject*>(v.object);
  if (!o) return nullptr;
  auto d = o->button.lock();
  if (!d || d->removed || d->type != DisplayObject::Type::Button) return nullptr;
  return static_cast<ButtonObject*>(d.get());
}

ButtonScriptObject* Player::ObjectOf(ButtonObject* button) {
  if (!button->script) {
    Realm& realm = button->movie ? ScriptRealm(button->movie->header.version) : ScriptRealm();
    auto* o = heap_->New<ButtonScriptObject>();
    o->Put(heap_->Key("__proto__"), "__proto__",
           Value::Object(realm.button_proto ? realm.button_proto : realm.object_proto),
           kDontEnum | kDontDelete);
    o->button = button->weak_from_this();
    o->pins = 1;
    button->script = o;
    button->script_heap = heap_;
  }
  return button->script;
}

// Characters that stay at their depth from one state to the next (same character) keep their
// instance, so a sprite shown in several states plays on; the others are replaced.
void Player::SetButtonState(ButtonObject* button, uint8_t state) {
  if (button->state == state || button->removed) return;
  const uint8_t from = button->state;
  button->state = state;
  if (sound && from != 0) sound->OnButtonState(*button, from, state);
  const ButtonDef& def = button->Def();
  std::map<int, const ButtonRecord*> wanted;
  for (const ButtonRecord& rec : def.records)
    if (rec.states & state) wanted.emplace(rec.depth, &rec);
  std::vector<int> gone;
  for (const auto& [depth, child] : button->children) {
    auto w = wanted.find(depth);
    if (w == wanted.end() || !child->character || child->character->id != w->second->character_id)
      gone.push_back(depth);
  }
  for (int d : gone) RemoveChild(button, d);
  for (const auto& [depth, rec] : wanted) {
    PlaceObjectTag p;
    p.version = 3;
    p.depth = static_cast<uint16_t>(depth);
    p.move = button->children.count(depth) != 0;
    p.has_character = !p.move;
    p.character_id = rec->character_id;
    p.has_matrix = true;
    p.matrix = rec->matrix;
    p.has_color_transform = true;
    p.color_transform = rec->color_transform;
    p.blend_mode = rec->blend_mode;
    p.has_filters = !rec->filters.empty();
    p.filters = rec->filters;
    DoPlace(button, p, 0, false);
  }
  ++display_version_;
}

}  // namespace flash
