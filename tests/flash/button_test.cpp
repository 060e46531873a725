// Buttons: the tags read back as written and malformed ones refused, the state shown, and the
// state machine and actions driven by injected mouse and key events.
#include <gtest/gtest.h>

#include <array>

#include "platform/flash/format/button.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/player.h"
#include "platform/flash/player/script/realm.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

namespace {

using flash::ActionBuilder;
using flash::ButtonAction;
using flash::ButtonDef;
using flash::ButtonRecord;

std::shared_ptr<const std::vector<uint8_t>> Code(const std::vector<uint8_t>& c) {
  return std::make_shared<const std::vector<uint8_t>>(c);
}

ButtonAction On(uint16_t conditions, const std::string& text, uint8_t key = 0) {
  ButtonAction a;
  a.conditions = conditions;
  a.key_code = key;
  a.actions = Code(flashtest::TraceCode(text));
  return a;
}

ButtonRecord Record(uint8_t states, uint16_t character, uint16_t depth = 1) {
  ButtonRecord r;
  r.states = states;
  r.character_id = character;
  r.depth = depth;
  return r;
}

// Red up, green over, blue down; the hit area is the 100-pixel square of the up shape.
ButtonDef ThreeColourButton(uint16_t id) {
  ButtonDef b(id);
  b.version = 2;
  b.records = {Record(flash::kButtonUp | flash::kButtonHit, 1), Record(flash::kButtonOver, 2),
               Record(flash::kButtonDown, 3)};
  b.actions = {On(flash::kCondIdleToOverUp, "rollOver"),
               On(flash::kCondOverUpToIdle, "rollOut"),
               On(flash::kCondOverUpToOverDown, "press"),
               On(flash::kCondOverDownToOverUp, "release"),
               On(flash::kCondOverDownToOutDown, "dragOut"),
               On(flash::kCondOutDownToOverDown, "dragOver"),
               On(flash::kCondOutDownToIdle, "releaseOutside"),
               On(0, "enter", flash::kButtonKeyEnter),
               On(0, "a typed", 'a')};
  return b;
}

void DefineSquares(flash::SwfWriter& w) {
  const flash::Rgba colours[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
  for (uint16_t i = 0; i < 3; ++i) {
    flash::ShapeBuilder s;
    s.Rectangle(0, 0, 2000, 2000, s.AddFill(flash::FillStyleSpec::Solid(colours[i])));
    w.DefineShape(static_cast<uint16_t>(i + 1), s);
  }
}

flash::Matrix At(double px, double py) {
  flash::Matrix m;
  m.tx = px * 20;
  m.ty = py * 20;
  return m;
}

// A 200x200 movie with the button at (50, 50) named "btn", then `script` on frame 1.
std::shared_ptr<flash::MovieDef> ButtonMovie(const ButtonDef& b, const ActionBuilder& script = {},
                                             int version = 8) {
  flash::SwfWriter w(version, 200, 200, 12);
  DefineSquares(w);
  w.Tag(b.version == 2 ? flash::kTagDefineButton2 : flash::kTagDefineButton,
        flash::EncodeButton(b));
  flash::PlaceSpec p = flashtest::MatrixPlace(1, b.id, At(50, 50));
  p.name = "btn";
  w.Place(p);
  if (script.Size() > 0) w.DoAction(script.Build());
  w.ShowFrame();
  return flash::ParseMovie(w.Finish(false));
}

flash::ButtonObject* ButtonAt(flash::Player& p, int depth = 1) {
  auto& children = p.LevelRoot(0)->children;
  auto it = children.find(depth);
  if (it == children.end() || it->second->type != flash::DisplayObject::Type::Button)
    return nullptr;
  return static_cast<flash::ButtonObject*>(it->second.get());
}

// Sets the button's `enabled` member as a script would (any value: undefined leaves it enabled).
void SetEnabled(flash::Player& p, flash::ButtonObject* b, flash::Value v) {
  p.ScriptRealm().Set(p.ObjectOf(b), "enabled", v, 0);
}

uint16_t Shown(flash::ButtonObject* b) {
  auto it = b->children.find(1);
  return it == b->children.end() ? 0 : it->second->character->id;
}

std::string TakeTrace(flash::Player& p) {
  std::string s = flashtest::Joined(p.trace_log);
  p.trace_log.clear();
  return s;
}

TEST(ButtonFormat, Button2ReadsBackAsWritten) {
  ButtonDef b = ThreeColourButton(7);
  b.track_as_menu = true;
  b.records[1].color_transform.r_mult = 128;
  b.records[1].color_transform.a_add = -20;
  b.records[2].blend_mode = 3;
  flash::Filter blur;
  blur.kind = flash::Filter::Kind::Blur;
  b.records[2].filters = {blur};
  b.records[0].matrix = At(3, 4);
  auto bytes = flash::EncodeButton(b);
  auto back = flash::ParseButton(flash::kTagDefineButton2, bytes.data(), bytes.size());
  EXPECT_EQ(back->id, 7);
  EXPECT_TRUE(back->track_as_menu);
  ASSERT_EQ(back->records.size(), 3u);
  EXPECT_EQ(back->records[0].states, flash::kButtonUp | flash::kButtonHit);
  EXPECT_EQ(back->records[0].matrix.tx, 60);
  EXPECT_EQ(back->records[1].color_transform.r_mult, 128);
  EXPECT_EQ(back->records[1].color_transform.a_add, -20);
  EXPECT_EQ(back->records[2].blend_mode, 3);
  ASSERT_EQ(back->records[2].filters.size(), 1u);
  ASSERT_EQ(back->actions.size(), b.actions.size());
  for (size_t i = 0; i < b.actions.size(); ++i) {
    EXPECT_EQ(back->actions[i].conditions, b.actions[i].conditions) << i;
    EXPECT_EQ(back->actions[i].key_code, b.actions[i].key_code) << i;
    EXPECT_EQ(*back->actions[i].actions, *b.actions[i].actions) << i;
  }
}

TEST(ButtonFormat, FirstVersionRunsItsActionsOnReleaseAndTakesTheCxformTag) {
  ButtonDef b(9);
  b.version = 1;
  b.records = {Record(flash::kButtonUp | flash::kButtonHit, 1)};
  b.actions = {On(flash::kCondOverDownToOverUp, "clicked")};
  flash::SwfWriter w(4, 200, 200, 12);
  DefineSquares(w);
  w.Tag(flash::kTagDefineButton, flash::EncodeButton(b));
  flash::BitWriter cx;
  cx.U16(9);
  flash::ColorTransform half;
  half.g_mult = 128;
  cx.WriteColorTransform(half, false);
  w.Tag(flash::kTagDefineButtonCxform, cx.Data());
  w.ShowFrame();
  auto movie = flash::ParseMovie(w.Finish(false));
  const auto* def = dynamic_cast<const ButtonDef*>(movie->Find(9));
  ASSERT_NE(def, nullptr);
  ASSERT_EQ(def->actions.size(), 1u);
  EXPECT_EQ(def->actions[0].conditions, flash::kCondOverDownToOverUp);
  EXPECT_EQ(def->records[0].color_transform.g_mult, 128);
}

// Every cut of a button tag either reads or throws FormatError; none reads outside the tag.
TEST(ButtonFormat, CutTagsAreRefusedOrReadSafely) {
  for (int version : {1, 2}) {
    ButtonDef b = ThreeColourButton(3);
    b.version = version;
    auto bytes = flash::EncodeButton(b);
    for (size_t n = 0; n < bytes.size(); ++n) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
      try {
        auto back = flash::ParseButton(
            version == 2 ? flash::kTagDefineButton2 : flash::kTagDefineButton, cut.data(), n);
        for (const auto& a : back->actions) EXPECT_LE(a.actions->size(), n);
      } catch (const flash::FormatError&) {
      }
    }
  }
  // An action record whose size runs past the tag.
  ButtonDef b = ThreeColourButton(3);
  auto bytes = flash::EncodeButton(b);
  const size_t first_action = 3 + (bytes[3] | bytes[4] << 8);
  bytes[first_action] = 0xFF;
  bytes[first_action + 1] = 0x7F;
  EXPECT_THROW(flash::ParseButton(flash::kTagDefineButton2, bytes.data(), bytes.size()),
               flash::FormatError);
}

TEST(ButtonPlayer, MouseDrivesStatesAndConditionActions) {
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10)));
  p.Tick();
  flash::ButtonObject* b = ButtonAt(p);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Shown(b), 1);
  EXPECT_EQ(b->name, "btn");

  p.MouseMove(10, 10);  // outside
  p.MouseMove(60, 60);
  EXPECT_EQ(Shown(b), 2);
  p.MouseDown(60, 60);
  EXPECT_EQ(Shown(b), 3);
  p.MouseMove(10, 10);
  p.MouseMove(70, 70);
  p.MouseUp(70, 70);
  EXPECT_EQ(Shown(b), 2);
  p.MouseMove(190, 190);
  EXPECT_EQ(Shown(b), 1);
  EXPECT_EQ(TakeTrace(p), "rollOver\npress\ndragOut\ndragOver\nrelease\nrollOut\n");

  // Released outside, then the pointer comes back without the button down.
  p.MouseMove(60, 60);
  p.MouseDown(60, 60);
  p.MouseMove(5, 5);
  p.MouseUp(5, 5);
  EXPECT_EQ(Shown(b), 1);
  p.MouseMove(60, 60);
  EXPECT_EQ(TakeTrace(p), "rollOver\npress\ndragOut\nreleaseOutside\nrollOver\n");

  // Other buttons than the left one press nothing.
  p.MouseDown(60, 60, flash::MouseButton::Right);
  p.MouseUp(60, 60, flash::MouseButton::Right);
  EXPECT_EQ(TakeTrace(p), "");
}

TEST(ButtonPlayer, KeyPressConditionsRunWhereverThePointerIs) {
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10)));
  p.Tick();
  p.KeyDown(flash::keys::kEnter, 13);
  p.KeyUp(flash::keys::kEnter, 13);
  // A character key's condition follows the character typed, not the key: a dead key that
  // makes the A key type another letter runs nothing.
  p.KeyDown('A', 'a');
  EXPECT_EQ(TakeTrace(p), "enter\n");
  p.TextInput(0xE4);
  p.KeyDown('A', 'a');
  p.TextInput('a');
  p.KeyDown('B', 'b');
  p.TextInput('b');
  EXPECT_EQ(TakeTrace(p), "a typed\n");
}

TEST(ButtonPlayer, ScriptObjectHandlersPlaceAndEnabled) {
  ButtonDef b = ThreeColourButton(10);
  b.actions.clear();
  ActionBuilder s;
  // btn.onPress = function () { trace("handler " + this._name); };  trace(btn._x);
  ActionBuilder body;
  body.PushString("handler ")
      .PushString("this")
      .Op(0x1C)
      .PushString("_name")
      .Op(0x4E)
      .Op(0x47)
      .Trace();
  scripttest::Get(s, "btn").PushString("onPress");
  scripttest::Function(s, "", {}, body);
  s.Op(0x4F);
  scripttest::Member(s, "btn", "_x").Trace();
  scripttest::Get(s, "btn").Op(0x44).Trace();  // typeof
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(b, s));
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "50\nobject\n");
  p.MouseDown(60, 60);
  p.MouseUp(60, 60);
  EXPECT_EQ(TakeTrace(p), "handler btn\n");
  // A disabled button takes no presses and keeps its look.
  p.MouseMove(5, 5);
  SetEnabled(p, ButtonAt(p), flash::Value::Bool(false));
  p.MouseDown(60, 60);
  EXPECT_EQ(TakeTrace(p), "");
  EXPECT_EQ(Shown(ButtonAt(p)), 1);
}

// Defines the squares and, as character `id`, a clip of the red one, placed at (x, y) as `name`.
void PlaceSquareClip(flash::SwfWriter& w, uint16_t id, const char* name, double x, double y) {
  DefineSquares(w);
  flash::TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 1));
  sprite.ShowFrame();
  w.DefineSprite(id, sprite);
  flash::PlaceSpec p = flashtest::MatrixPlace(1, id, At(x, y));
  p.name = name;
  w.Place(p);
}

// A clip with onRelease acts as a button: its children are not picked apart.
TEST(ButtonPlayer, ClipWithHandlersActsAsAButton) {
  flash::SwfWriter w(8, 200, 200, 12);
  PlaceSquareClip(w, 20, "clip", 100, 100);
  ActionBuilder s, body;
  body.PushString("released").Trace();
  scripttest::Get(s, "clip").PushString("onRelease");
  scripttest::Function(s, "", {}, body);
  s.Op(0x4F);
  ActionBuilder down;
  down.PushString("down").Trace();
  scripttest::Get(s, "clip").PushString("onMouseDown");
  scripttest::Function(s, "", {}, down);
  s.Op(0x4F);
  w.DoAction(s.Build());
  w.ShowFrame();
  flash::Player player;
  player.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  player.Tick();
  player.MouseDown(20, 20);  // outside: only the mouse event
  player.MouseUp(20, 20);
  player.MouseDown(150, 150);
  player.MouseUp(150, 150);
  EXPECT_EQ(TakeTrace(player), "down\ndown\nreleased\n");
}

// A timeline that removes the button and places it again each loop keeps the press going; a
// button nested in another's state takes the pointer before its holder.
TEST(ButtonPlayer, ReplacedAndNestedButtons) {
  ButtonDef inner = ThreeColourButton(10);
  inner.actions = {On(flash::kCondOverUpToOverDown, "inner press"),
                   On(flash::kCondOverDownToOutDown, "inner dragOut")};
  ButtonDef outer(11);
  outer.version = 2;
  outer.records = {
      Record(flash::kButtonUp | flash::kButtonOver | flash::kButtonDown | flash::kButtonHit, 10)};
  outer.actions = {On(flash::kCondOverUpToOverDown, "outer press")};
  flash::SwfWriter w(8, 200, 200, 12);
  DefineSquares(w);
  w.Tag(flash::kTagDefineButton2, flash::EncodeButton(inner));
  w.Tag(flash::kTagDefineButton2, flash::EncodeButton(outer));
  w.Place(flashtest::MatrixPlace(1, 11, At(50, 50)));
  w.ShowFrame();
  w.Remove(1);
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.MouseDown(60, 60);
  EXPECT_EQ(TakeTrace(p), "inner press\n");
  p.Tick();  // frame 2: removed
  p.Tick();  // frame 1 again: a new instance
  ASSERT_NE(ButtonAt(p), nullptr);
  p.MouseMove(5, 5);
  EXPECT_EQ(TakeTrace(p), "inner dragOut\n");
}

TEST(ButtonPlayer, DisabledButtonsAreEnteredOnceEnabled) {
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10)));
  p.Tick();
  SetEnabled(p, ButtonAt(p), flash::Value::Number(0));
  p.MouseMove(60, 60);
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "");
  SetEnabled(p, ButtonAt(p), flash::Value::Undefined());
  p.Tick();  // the pointer is checked again every tick
  EXPECT_EQ(TakeTrace(p), "rollOver\n");
  // Hidden under a still pointer: rolled out.
  ButtonAt(p)->visible = false;
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "rollOut\n");
}

// The pixel (x, y) of the 200x200 stage, as r, g, b.
std::array<int, 3> PixelAt(const flash::Player& p, int x, int y) {
  std::vector<uint8_t> px(200 * 200 * 4);
  flash::PaintStage(p, {px.data(), 200, 200, 200 * 4}, {255, 255, 255, 255});
  const uint8_t* c = &px[(static_cast<size_t>(y) * 200 + x) * 4];
  return {c[2], c[1], c[0]};
}

// The pressed state is drawn; Tab focus rolls the button over and draws the yellow frame inside
// its bounds unless _focusrect said no when the focus was given.
TEST(ButtonPlayer, StatesAndTheFocusFrameAreDrawn) {
  ButtonDef b = ThreeColourButton(10);
  b.actions.clear();
  ActionBuilder s;
  s.PushString("btn").Op(0x1C).PushString("tabIndex").PushInt(1).Op(0x4F);
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(b, s));
  p.Tick();
  EXPECT_EQ(PixelAt(p, 100, 100), (std::array<int, 3>{255, 0, 0}));
  p.MouseDown(100, 100);
  EXPECT_EQ(PixelAt(p, 100, 100), (std::array<int, 3>{0, 0, 255}));
  p.MouseUp(100, 100);
  p.MouseMove(5, 5);
  p.KeyDown(flash::keys::kTab, 9);
  // Focus from the keyboard rolls the button over.
  EXPECT_EQ(PixelAt(p, 51, 51), (std::array<int, 3>{255, 255, 0}));
  EXPECT_EQ(PixelAt(p, 100, 100), (std::array<int, 3>{0, 255, 0}));
  // _focusrect counts when the focus is given: turned off later, the frame stays until then.
  ButtonAt(p)->focus_rect = 0;
  EXPECT_EQ(PixelAt(p, 51, 51), (std::array<int, 3>{255, 255, 0}));
  p.SetFocus(nullptr);
  EXPECT_NE(PixelAt(p, 51, 51), (std::array<int, 3>{255, 255, 0})) << "no focus, no frame";
  p.KeyDown(flash::keys::kTab, 9);
  EXPECT_EQ(PixelAt(p, 51, 51), (std::array<int, 3>{0, 255, 0}));
  ButtonAt(p)->focus_rect = 1;
  EXPECT_EQ(PixelAt(p, 51, 51), (std::array<int, 3>{0, 255, 0}));
}

// Buttons and text fields keep their own _focusrect, null until set, a truth after, whatever the
// case of the name; the roots' setting belongs to the player and outlives the movie.
TEST(ButtonPlayer, FocusRectOfButtonsFieldsAndThePlayer) {
  ActionBuilder s;
  auto trace_member = [&s](const char* object, const char* name) {
    s.PushString(object).Op(0x1C).PushString(name).Op(0x4E).Trace();
  };
  auto set_member = [&s](const char* object, const char* name, auto push) {
    s.PushString(object).Op(0x1C).PushString(name);
    push();
    s.Op(0x4F);
  };
  s.PushString("_focusrect").PushInt(1).PushString("Button").Op(0x1C);
  s.PushString("prototype").Op(0x4E).PushString("hasOwnProperty").Op(0x52).Trace();
  // _root.createTextField("t", 5, 0, 0, 10, 10)
  s.PushInt(10).PushInt(10).PushInt(0).PushInt(0).PushInt(5).PushString("t").PushInt(6);
  s.PushString("_root").Op(0x1C).PushString("createTextField").Op(0x52).Op(0x17);
  for (const char* object : {"btn", "t"}) {
    trace_member(object, "_focusrect");
    set_member(object, "_FocusRect", [&s] { s.PushString("0"); });  // a text that is not empty
    trace_member(object, "_focusrect");
    set_member(object, "_focusrect", [&s] { s.PushInt(0); });
    trace_member(object, "_FOCUSRECT");
    set_member(object, "_focusrect", [&s] { s.PushUndefined(); });
    trace_member(object, "_focusrect");
  }
  s.PushString("_focusrect").PushInt(0).Op(0x1D);
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10), s, 7));
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "false\nnull\ntrue\nfalse\nnull\nnull\ntrue\nfalse\nnull\n");
  EXPECT_FALSE(p.focus_frames);
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10)));
  p.Tick();
  EXPECT_FALSE(p.focus_frames) << "a new movie keeps the player's setting";
}

// The pointer hides the frame in movies before version 9 (the focus stays): moves and the left
// and right buttons, not the middle one; later movies keep it until the focus goes.
TEST(ButtonPlayer, ThePointerHidesTheFocusFrameBeforeVersion9) {
  ButtonDef b = ThreeColourButton(10);
  b.actions.clear();
  ActionBuilder s;
  s.PushString("btn").Op(0x1C).PushString("tabIndex").PushInt(1).Op(0x4F);
  const std::array<int, 3> yellow{255, 255, 0};
  for (int version : {8, 9}) {
    SCOPED_TRACE(version);
    const bool hides = version < 9;
    flash::Player p;
    p.LoadMovie(0, ButtonMovie(b, s, version));
    p.Tick();
    auto frame_after = [&](auto pointer) {
      p.KeyDown(flash::keys::kTab, 9);
      EXPECT_EQ(PixelAt(p, 51, 51), yellow);
      pointer();
      EXPECT_EQ(p.input.focus.lock().get(), ButtonAt(p)) << "the focus stays";
      return PixelAt(p, 51, 51) == yellow;
    };
    EXPECT_EQ(frame_after([&] { p.MouseMove(5, 5); }), !hides);
    // A button event where the pointer already is hides it too.
    EXPECT_EQ(frame_after([&] { p.MouseUp(5, 5); }), !hides);
    EXPECT_EQ(frame_after([&] { p.MouseDown(5, 5, flash::MouseButton::Right); }), !hides);
    EXPECT_EQ(frame_after([&] { p.MouseUp(5, 5, flash::MouseButton::Right); }), !hides);
    EXPECT_TRUE(frame_after([&] { p.MouseDown(5, 5, flash::MouseButton::Middle); }));
    EXPECT_TRUE(frame_after([&] { p.MouseUp(5, 5, flash::MouseButton::Middle); }));
    // Moving the focus by script shows it again.
    p.MouseMove(6, 6);
    p.SetFocus(ButtonAt(p)->shared_from_this());
    EXPECT_EQ(PixelAt(p, 51, 51), yellow);
  }
}

// Clips of version 5 movies have no _focusrect of their own: reading or setting one is the
// player's setting (null leaves it); from version 6 a clip keeps its own, which the frame obeys.
TEST(ButtonPlayer, FocusRectOfVersion5ClipsIsThePlayers) {
  ActionBuilder s;
  auto set = [&s](const char* object, auto push) {
    if (object) s.PushString(object).Op(0x1C);
    s.PushString("_focusrect");
    push();
    s.Op(object ? 0x4F : 0x1D);
  };
  auto trace = [&s](const char* object) {
    if (object) s.PushString(object).Op(0x1C).PushString("_focusrect").Op(0x4E);
    else s.PushString("_focusrect").Op(0x1C);
    s.Trace();
  };
  s.PushString("c").Op(0x1C).PushString("tabEnabled").PushBool(true).Op(0x4F);
  set("c", [&s] { s.PushBool(false); });
  trace("c");
  trace(nullptr);
  set("c", [&s] { s.PushNull(); });
  trace("c");
  set(nullptr, [&s] { s.PushInt(1); });
  trace("c");
  set("c", [&s] { s.PushBool(true); });
  set(nullptr, [&s] { s.PushBool(false); });
  for (int version : {5, 6}) {
    SCOPED_TRACE(version);
    flash::SwfWriter w(version, 200, 200, 12);
    PlaceSquareClip(w, 4, "c", 50, 50);
    w.DoAction(s.Build());
    w.ShowFrame();
    flash::Player p;
    p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
    p.Tick();
    EXPECT_EQ(TakeTrace(p),
              version == 5 ? "false\nfalse\nfalse\ntrue\n" : "false\ntrue\nnull\nnull\n");
    EXPECT_FALSE(p.focus_frames);
    p.KeyDown(flash::keys::kTab, 9);
    EXPECT_EQ(PixelAt(p, 51, 51) == (std::array<int, 3>{255, 255, 0}), version == 6);
  }
}

// A field in a button's state is bound to a variable of the clip that holds the button: the
// script's value shows in it, and a variable it names that is still undefined takes its text.
TEST(ButtonPlayer, AFieldInAButtonIsBoundToItsClipsVariable) {
  ButtonDef b(10);
  b.version = 2;
  b.records = {Record(flash::kButtonUp | flash::kButtonHit, 4), Record(flash::kButtonUp, 5, 2)};
  flash::SwfWriter w(6, 200, 200, 12);
  flash::EditTextSpec spec;
  spec.bounds = {0, 2000, 0, 400};
  spec.text = "Broken";
  spec.variable = "label";
  w.DefineEditText(4, spec);
  spec.variable = "other";
  spec.text = "kept";
  w.DefineEditText(5, spec);
  w.Tag(flash::kTagDefineButton2, flash::EncodeButton(b));
  w.Place(flashtest::MatrixPlace(1, b.id, At(50, 50)));
  ActionBuilder s;
  s.PushString("label").PushString("Working").Op(0x1D);
  w.DoAction(s.Build());
  w.ShowFrame();
  ActionBuilder read;
  read.PushString("other").Op(0x1C).Op(0x26).Stop();
  w.DoAction(read.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.Tick();
  flash::ButtonObject* button = ButtonAt(p);
  ASSERT_NE(button, nullptr);
  auto text_at = [&](int depth) {
    auto it = button->children.find(depth);
    if (it == button->children.end() || it->second->type != flash::DisplayObject::Type::EditText)
      return std::string("(none)");
    return static_cast<flash::TextFieldObject*>(it->second.get())->field.Text();
  };
  EXPECT_EQ(text_at(1), "Working");
  EXPECT_EQ(text_at(2), "kept");
  EXPECT_EQ(TakeTrace(p), "kept\n");
}

}  // namespace

// Before version 6 a named button is no object: its name stands for the clip holding it. From
// version 6 on `enabled` is a plain member a button may shadow with any value.
TEST(ButtonPlayer, VersionFiveButtonsStandForTheirClipAndEnabledIsAMember) {
  ActionBuilder s;
  scripttest::Get(s, "btn").Trace();
  for (int version : {5, 8}) {
    flash::Player p;
    p.LoadMovie(0, ButtonMovie(ThreeColourButton(10), s, version));
    p.Tick();
    EXPECT_EQ(TakeTrace(p), version == 5 ? "_level0\n" : "_level0.btn\n");
  }
  ActionBuilder e;
  e.PushString("btn").Op(0x1C).PushString("enabled").PushUndefined().Op(0x4F);
  scripttest::Member(e, "btn", "enabled").Trace();
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10), e));
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "undefined\n");
  p.MouseMove(5, 5);
  p.MouseDown(60, 60);  // undefined leaves the button enabled
  p.MouseUp(60, 60);
  EXPECT_NE(TakeTrace(p).find("press"), std::string::npos);
}

// The Tab key's roll-over lasts until the pointer really moves; focusing what the pointer is
// over rolls it out and over again.
TEST(ButtonPlayer, FocusRollOverLastsUntilThePointerMoves) {
  flash::Player p;
  p.LoadMovie(0, ButtonMovie(ThreeColourButton(10)));
  p.Tick();
  p.MouseMove(5, 5);
  p.KeyDown(flash::keys::kTab, 9);
  EXPECT_EQ(TakeTrace(p), "rollOver\n");
  p.Tick();
  p.MouseMove(5, 5);
  EXPECT_EQ(TakeTrace(p), "");
  p.MouseMove(6, 5);
  EXPECT_EQ(TakeTrace(p), "rollOut\n");
  p.MouseMove(60, 60);
  EXPECT_EQ(TakeTrace(p), "rollOver\n");
  p.KeyDown(flash::keys::kTab, 9);  // the only stop: the focus goes to it again
  EXPECT_EQ(TakeTrace(p), "rollOut\nrollOver\n");
}
