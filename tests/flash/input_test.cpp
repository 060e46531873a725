// Injected input: the recorded event lists, the Key and Mouse objects and their listeners, and
// typing into input fields (maxChars, editing commands, the clipboard, password fields).
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/flash/format/button.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/input.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

namespace {

using flash::ActionBuilder;
using flash::InputEvent;

InputEvent Key(InputEvent::Kind kind, int code) {
  InputEvent e;
  e.kind = kind;
  e.key_code = code;
  return e;
}

std::string TakeTrace(flash::Player& p) {
  std::string s = flashtest::Joined(p.trace_log);
  p.trace_log.clear();
  return s;
}

TEST(InputList, ReadsEventsAndSplitsThemAtWaits) {
  const std::string json = R"([
    {"type": "MouseMove", "pos": [160, 20.5]},
    {"type": "MouseDown", "pos": [1, 2], "btn": "Middle"},
    {"type": "Wait"},
    {"type": "KeyDown", "key": "ArrowLeft"}, {"type": "KeyUp", "key": "F3"},
    {"type": "TextInput", "codepoint": "\u00e9"},
    {"type": "TextControl", "code": "Paste"},
    {"type": "SetClipboardText", "text": "a\"b"},
    {"type": "Wait"}, {"type": "Wait"},
    {"type": "ImePreedit", "text": "x", "cursor": null}
  ])";
  auto events = flash::ParseInputEvents(json);
  ASSERT_EQ(events.size(), 11u);
  EXPECT_EQ(events[0].kind, InputEvent::Kind::MouseMove);
  EXPECT_DOUBLE_EQ(events[0].y, 20.5);
  EXPECT_EQ(events[1].button, flash::MouseButton::Middle);
  EXPECT_EQ(events[3].key_code, flash::keys::kLeft);
  EXPECT_EQ(events[4].key_code, 114);
  EXPECT_EQ(events[5].character, 0xE9u);
  EXPECT_EQ(events[6].command, flash::TextCommand::Paste);
  EXPECT_EQ(events[7].text, "a\"b");
  EXPECT_EQ(events[10].kind, InputEvent::Kind::ImePreedit);
  EXPECT_EQ(events[10].text, "x");
  EXPECT_EQ(events[10].preedit_cursor, -1);  // no cursor: after the text
  auto batches = flash::InputBatches(events);
  ASSERT_EQ(batches.size(), 4u);
  EXPECT_EQ(batches[0].size(), 2u);
  EXPECT_EQ(batches[1].size(), 5u);
  EXPECT_TRUE(batches[2].empty());
  EXPECT_EQ(batches[3].size(), 1u);
  // Without a Wait, everything is one batch.
  EXPECT_EQ(
      flash::InputBatches(flash::ParseInputEvents(R"([{"type":"KeyDown","key":"A"}])")).size(), 1u);
}

TEST(InputList, MalformedListsAreRefused) {
  for (const char* bad : {"", "{}", "[", "[{\"type\": }]", "[1]", "[{\"type\":\"Wait\"}] x",
                          "[\"unclosed]", std::string(200, '[').c_str()})
    EXPECT_THROW(flash::ParseInputEvents(bad), std::runtime_error) << bad;
}

TEST(InputKeys, NamesMapToScriptKeyCodes) {
  EXPECT_EQ(flash::KeyCodeOfName("Tab"), 9);
  EXPECT_EQ(flash::KeyCodeOfName("a"), 'A');
  EXPECT_EQ(flash::KeyCodeOfName("7"), '7');
  EXPECT_EQ(flash::KeyCodeOfName("LeftShift"), 16);
  EXPECT_EQ(flash::KeyCodeOfName("Escape"), 27);
  EXPECT_EQ(flash::KeyCodeOfName("Nonsense"), 0);
  // A punctuation character names the key typing it, shifted or not.
  EXPECT_EQ(flash::KeyCodeOfName("\""), 222);
  EXPECT_EQ(flash::KeyCodeOfName("'"), 222);
  EXPECT_EQ(flash::KeyCodeOfName("?"), 191);
  EXPECT_EQ(flash::KeyCodeOfName("!"), '1');
  EXPECT_EQ(flash::KeyCodeOfName(std::string(1, '\0')), 0);
  EXPECT_EQ(flash::ButtonKeyOf(flash::keys::kTab, 9), flash::kButtonKeyTab);
  EXPECT_EQ(flash::ButtonKeyOf('A', 'A'), 'A');
  EXPECT_EQ(flash::ButtonKeyOf(flash::keys::kShift, 0), 0);
}

// A movie running `script` on frame 1, with an input field "f" (maxChars 5 when `max`).
flash::Player& Load(flash::Player& p, const ActionBuilder& script, bool password = false,
                    int max = -1) {
  flash::SwfWriter w(8, 200, 200, 12);
  flash::EditTextSpec field;
  field.bounds = {0, 2000, 0, 400};
  field.has_text = true;
  field.text = "ab";
  field.password = password;
  field.max_length = max;
  w.DefineEditText(1, field);
  w.Place(flashtest::NewPlace(1, 1, "f"));
  w.DoAction(script.Build());
  w.ShowFrame();
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  return p;
}

std::string FieldText(flash::Player& p) {
  auto& f = static_cast<flash::TextFieldObject&>(*p.LevelRoot(0)->children.at(1));
  return f.field.Text();
}

TEST(InputKeys, KeyObjectAndListenersFollowTheKeys) {
  ActionBuilder s, down, up;
  // Key.addListener({onKeyDown: ..., onKeyUp: ...}) tracing the code, the character and isDown.
  scripttest::CallMethod(down, "Key", "getCode", 0).Trace();
  scripttest::CallMethod(down, "Key", "getAscii", 0).Trace();
  down.PushInt(16);
  scripttest::CallMethod(down, "Key", "isDown", 1).Trace();
  up.PushString("up").Trace();
  s.PushString("onKeyDown");
  scripttest::Function(s, "", {}, down);
  s.PushString("onKeyUp");
  scripttest::Function(s, "", {}, up);
  s.PushInt(2).Op(0x43);  // init object
  scripttest::CallMethod(s, "Key", "addListener", 1).Op(0x17);
  scripttest::Member(s, "Key", "LEFT").Trace();
  flash::Player p;
  Load(p, s);
  EXPECT_EQ(TakeTrace(p), "37\n");
  p.Deliver(Key(InputEvent::Kind::KeyDown, 16));
  p.Deliver(Key(InputEvent::Kind::KeyDown, 'Q'));
  p.Deliver(Key(InputEvent::Kind::KeyUp, 'Q'));
  EXPECT_EQ(TakeTrace(p), "16\n0\ntrue\n81\n81\ntrue\nup\n");
}

// Key.isToggled: every press of a key or mouse button flips it; a held key repeating does not.
TEST(InputKeys, EveryPressTogglesAKeyOnce) {
  ActionBuilder s, down;
  for (int code : {65, 1}) {
    down.PushInt(code);
    scripttest::CallMethod(down, "Key", "isToggled", 1).Trace();
  }
  s.PushString("onKeyDown");
  scripttest::Function(s, "", {}, down);
  s.PushInt(1).Op(0x43);
  scripttest::CallMethod(s, "Key", "addListener", 1).Op(0x17);
  flash::Player p;
  Load(p, s);
  p.KeyDown('A', 'a');
  p.KeyDown('A', 'a');  // repeat while held
  p.KeyUp('A', 'a');
  p.MouseDown(150, 150);
  p.KeyDown('A', 'a');
  EXPECT_EQ(TakeTrace(p), "true\nfalse\ntrue\nfalse\nfalse\ntrue\n");
}

// tabIndex: a field's wraps to an unsigned number, a clip's does not fit into a signed one.
TEST(InputKeys, TabIndexKeepsWholeNumbers) {
  ActionBuilder s;
  for (const char* target : {"f", "_root"})
    for (double v : {-4.0, 1.9, 2147483648.0}) {
      s.PushString(target).Op(0x1C).PushString("tabIndex").PushNumber(v).Op(0x4F);
      scripttest::Member(s, target, "tabIndex").Trace();
    }
  s.PushString("f").Op(0x1C).PushString("tabIndex").PushUndefined().Op(0x4F);
  scripttest::Member(s, "f", "tabIndex").Trace();
  flash::Player p;
  Load(p, s);
  EXPECT_EQ(TakeTrace(p), "4294967292\n1\n2147483648\n-4\n1\n-2147483648\nundefined\n");
}

TEST(InputFields, TypingHonoursMaxCharsAndEditingCommands) {
  ActionBuilder s;
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Trace();
  scripttest::CallMethod(s, "Selection", "getFocus", 0).Trace();
  flash::Player p;
  Load(p, s, false, 5);
  EXPECT_EQ(TakeTrace(p), "true\n_level0.f\n");
  // The focus selects the whole text; End puts the caret after it.
  EXPECT_EQ(p.input.anchor, 0u);
  EXPECT_EQ(p.input.caret, 2u);
  p.TextControl(flash::TextCommand::MoveRightLine);
  for (char c : std::string("cdefg")) p.TextInput(static_cast<uint32_t>(c));
  EXPECT_EQ(FieldText(p), "abcde");  // maxChars 5
  p.TextControl(flash::TextCommand::Backspace);
  p.TextControl(flash::TextCommand::MoveLeft);
  p.TextControl(flash::TextCommand::MoveLeft);
  p.TextControl(flash::TextCommand::Delete);
  EXPECT_EQ(FieldText(p), "abd");
  p.TextInput(0x263A);
  EXPECT_EQ(FieldText(p), "ab\u263Ad");
  p.TextInput(7);  // control characters type nothing
  EXPECT_EQ(FieldText(p), "ab\u263Ad");
  p.TextControl(flash::TextCommand::SelectAll);
  p.TextControl(flash::TextCommand::Copy);
  EXPECT_EQ(p.input.clipboard, "ab\u263Ad");
  p.SetClipboard("xyz123");
  p.TextControl(flash::TextCommand::Paste);  // replaces the selection, cut to maxChars
  EXPECT_EQ(FieldText(p), "xyz12");
}

// An input method's composition shows in the field at the caret, each one in place of the one
// before, without telling onChanged; losing the focus keeps it as typed text and tells; typed
// text takes its place.
TEST(InputFields, CompositionShowsInPlaceAndStaysWhenTheFocusGoes) {
  auto events = flash::ParseInputEvents(
      R"([{"type": "ImePreedit", "text": "q", "cursor": [1, 1]},
          {"type": "ImePreedit", "text": "", "cursor": null}])");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].preedit_cursor, 1);
  EXPECT_EQ(events[1].kind, InputEvent::Kind::ImePreedit);

  // f.onChanged = function () { trace(f.text); }; Selection.setFocus("f");
  ActionBuilder s, changed;
  changed.PushString("f").Op(0x1C).PushString("text").Op(0x4E).Trace();
  s.PushString("f").Op(0x1C).PushString("onChanged");
  scripttest::Function(s, "", {}, changed).Op(0x4F);
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  flash::Player p;
  Load(p, s);
  p.TextControl(flash::TextCommand::MoveRightLine);
  p.ImePreedit("xy", 1);
  EXPECT_EQ(FieldText(p), "abxy");
  EXPECT_EQ(p.input.caret, 3u);
  p.ImePreedit("z", -1);
  EXPECT_EQ(FieldText(p), "abz");
  EXPECT_EQ(p.input.caret, 3u);
  p.ImePreedit("", -1);  // given up
  EXPECT_EQ(FieldText(p), "ab");
  EXPECT_EQ(p.input.caret, 2u);
  EXPECT_EQ(TakeTrace(p), "");
  // Typed text replaces the composition and tells onChanged.
  p.ImePreedit("k", -1);
  p.TextInput('K');
  EXPECT_EQ(FieldText(p), "abK");
  EXPECT_EQ(TakeTrace(p), "abK\n");
  // A composition left when the focus goes stays.
  p.ImePreedit("q", 1);
  p.SetFocus(nullptr);
  EXPECT_EQ(FieldText(p), "abKq");
  EXPECT_EQ(TakeTrace(p), "abKq\n");
  // Without a focused field a composition goes nowhere; the next focus starts afresh.
  p.ImePreedit("w", 1);
  p.SetFocus(p.LevelRoot(0)->children.at(1));
  p.SetFocus(nullptr);
  EXPECT_EQ(FieldText(p), "abKq");
  EXPECT_EQ(TakeTrace(p), "");
}

TEST(InputFields, RestrictFiltersTypedAndPastedText) {
  // f.restrict = "a-d^b\\-"; then select all and paste.
  ActionBuilder s;
  s.PushString("f").Op(0x1C).PushString("restrict").PushString("a-d^b\\-").Op(0x4F);
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  flash::Player p;
  Load(p, s);
  p.TextControl(flash::TextCommand::SelectAll);
  p.SetClipboard("xAbc-Dez");
  p.TextControl(flash::TextCommand::Paste);
  EXPECT_EQ(FieldText(p), "acd");  // B and the escaped dash refused, capitals lowered
  p.TextInput('b');
  p.TextInput('C');
  EXPECT_EQ(FieldText(p), "acdc");
}

TEST(InputFields, PasswordFieldsGiveNothingToTheClipboard) {
  ActionBuilder s;
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  flash::Player p;
  Load(p, s, true);
  p.SetClipboard("kept");
  p.TextControl(flash::TextCommand::SelectAll);
  p.TextControl(flash::TextCommand::Copy);
  p.TextControl(flash::TextCommand::Cut);
  EXPECT_EQ(p.input.clipboard, "kept");
  EXPECT_EQ(FieldText(p), "ab");
}

// A press on a field puts the caret under the pointer and a drag selects from there; typing
// replaces the selection. replaceSel replaces the focused field's selection.
TEST(InputFields, DraggingSelectsAndReplaceSelReplaces) {
  flash::Player p;
  Load(p, ActionBuilder());
  p.MouseMove(1, 10);
  p.MouseDown(1, 10, flash::MouseButton::Left);
  EXPECT_EQ(p.input.caret, 0u);
  p.MouseMove(300, 10);  // past the end of the text
  p.MouseUp(300, 10, flash::MouseButton::Left);
  EXPECT_EQ(p.input.anchor, 0u);
  EXPECT_EQ(p.input.caret, 2u);
  p.MouseMove(1, 10);  // moving without the button down leaves the selection
  EXPECT_EQ(p.input.caret, 2u);
  p.TextInput('x');
  EXPECT_EQ(FieldText(p), "x");

  ActionBuilder s;
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  s.PushNumber(1).PushNumber(0);
  scripttest::CallMethod(s, "Selection", "setSelection", 2).Op(0x17);
  s.PushString("XY").PushNumber(1).PushString("f").Op(0x1C).PushString("replaceSel").Op(0x52);
  s.Op(0x17);
  flash::Player q;
  Load(q, s);
  EXPECT_EQ(FieldText(q), "XYb");
  EXPECT_EQ(q.input.caret, 2u);
  EXPECT_EQ(q.input.anchor, 2u);
}

// The wheel scrolls the field under the pointer a line a turn, within its scrolling limits.
TEST(InputFields, WheelScrollsTheFieldUnderThePointer) {
  auto events = flash::ParseInputEvents(R"([{"type": "MouseWheel", "lines": -2}])");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, flash::InputEvent::Kind::MouseWheel);
  EXPECT_EQ(events[0].wheel_lines, -2);
  ActionBuilder s;
  s.PushString("f").Op(0x1C).PushString("multiline").PushBool(true).Op(0x4F);
  s.PushString("f").Op(0x1C).PushString("text").PushString("1\r2\r3\r4\r5\r6").Op(0x4F);
  flash::Player p;
  Load(p, s);
  auto& f = static_cast<flash::TextFieldObject&>(*p.LevelRoot(0)->children.at(1)).field;
  ASSERT_GT(f.MaxScroll(), 2);
  p.MouseWheel(-1);  // the pointer has not come onto the stage
  EXPECT_EQ(f.scroll, 1);
  p.MouseMove(5, 5);
  p.Deliver(events[0]);
  EXPECT_EQ(f.scroll, 3);
  p.MouseWheel(-100);
  EXPECT_EQ(f.scroll, f.MaxScroll());
  p.MouseWheel(100);
  EXPECT_EQ(f.scroll, 1);
  p.MouseMove(190, 190);  // off the field
  p.MouseWheel(-1);
  EXPECT_EQ(f.scroll, 1);
}

TEST(InputFields, NoFocusNoTyping) {
  flash::Player p;
  Load(p, ActionBuilder());
  p.TextInput('x');
  p.TextControl(flash::TextCommand::Backspace);
  EXPECT_EQ(FieldText(p), "ab");
  // Removed fields lose the focus.
  ActionBuilder s;
  s.PushString("f");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  flash::Player q;
  Load(q, s);
  q.UnloadAll();
  q.TextInput('x');
}

// Three input fields: "a" at the bottom left, "b" at the top right, "c" at the top left.
flash::Player& LoadFields(flash::Player& p, const ActionBuilder& script) {
  flash::SwfWriter w(8, 200, 200, 12);
  flash::EditTextSpec field;
  field.bounds = {0, 600, 0, 300};
  w.DefineEditText(1, field);
  const std::pair<const char*, std::pair<double, double>> places[] = {
      {"a", {10, 150}}, {"b", {120, 10}}, {"c", {10, 10}}};
  uint16_t depth = 1;
  for (const auto& [name, at] : places) {
    flash::Matrix m;
    m.tx = at.first * 20;
    m.ty = at.second * 20;
    flash::PlaceSpec p = flashtest::MatrixPlace(depth++, 1, m);
    p.name = name;
    w.Place(p);
  }
  w.DoAction(script.Build());
  w.ShowFrame();
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  return p;
}

// Selection.addListener({onSetFocus: function (o, n) { trace(n); }})
ActionBuilder TraceFocusChanges() {
  ActionBuilder s, body;
  scripttest::Get(body, "n").Trace();
  s.PushString("onSetFocus");
  scripttest::Function(s, "", {"o", "n"}, body);
  s.PushInt(1).Op(0x43);
  scripttest::CallMethod(s, "Selection", "addListener", 1).Op(0x17);
  return s;
}

std::string Tabs(flash::Player& p, int n, bool shift = false) {
  if (shift) p.KeyDown(flash::keys::kShift, 0);
  for (int i = 0; i < n; ++i) {
    p.KeyDown(flash::keys::kTab, 9);
    p.KeyUp(flash::keys::kTab, 9);
  }
  if (shift) p.KeyUp(flash::keys::kShift, 0);
  return TakeTrace(p);
}

TEST(InputFocus, TabFollowsTheStageThenTabIndexAndWraps) {
  flash::Player p;
  LoadFields(p, TraceFocusChanges());
  EXPECT_EQ(Tabs(p, 4), "_level0.c\n_level0.b\n_level0.a\n_level0.c\n");
  EXPECT_EQ(Tabs(p, 1, true), "_level0.a\n");
  // With tabIndex set, only the indexed objects take part, by index (as a signed number, although
  // a field's reads back unsigned).
  ActionBuilder s = TraceFocusChanges();
  s.PushString("a").Op(0x1C).PushString("tabIndex").PushInt(1).Op(0x4F);
  s.PushString("b").Op(0x1C).PushString("tabIndex").PushInt(-5).Op(0x4F);
  flash::Player q;
  LoadFields(q, s);
  EXPECT_EQ(Tabs(q, 3), "_level0.b\n_level0.a\n_level0.b\n");
}

TEST(InputFocus, RemovingTheFocusedFieldMovesTheFocusToNothing) {
  ActionBuilder s = TraceFocusChanges();
  s.PushString("c");
  scripttest::CallMethod(s, "Selection", "setFocus", 1).Op(0x17);
  flash::Player p;
  LoadFields(p, s);
  EXPECT_EQ(TakeTrace(p), "_level0.c\n");
  p.RemoveChild(p.LevelRoot(0), 3);
  EXPECT_EQ(TakeTrace(p), "null\n");
  EXPECT_EQ(p.input.focus.lock(), nullptr);
  p.TextInput('x');  // goes nowhere
  // A level's root takes no focus.
  ActionBuilder r;
  r.PushString("_root").Op(0x1C);
  scripttest::CallMethod(r, "Selection", "setFocus", 1).Trace();
  flash::Player q;
  LoadFields(q, r);
  EXPECT_EQ(TakeTrace(q), "false\n");
}

}  // namespace

namespace {

// A 20 x 20 pixel square clip "a" at (10, 10) over a clip "holder" at (100, 100), scaled twice,
// holding such a square "b". Frame 1 drags "a" freely (the StartDrag action), frame 2
// with its centre locked and kept inside (0, 0)-(300, 105) (the method), frame 3 drops it and
// traces its _droptarget.
flash::Player& LoadDragMovie(flash::Player& p) {
  flash::SwfWriter w(6, 200, 200, 12);
  flash::ShapeBuilder s;
  s.Rectangle(0, 0, 400, 400, s.AddFill(flash::FillStyleSpec::Solid({255, 0, 0, 255})));
  w.DefineShape(1, s);
  flash::TimelineWriter square, holder;
  square.Place(flashtest::NewPlace(1, 1));
  square.ShowFrame();
  w.DefineSprite(2, square);
  holder.Place(flashtest::NewPlace(1, 2, "b"));
  holder.ShowFrame();
  w.DefineSprite(3, holder);
  flash::PlaceSpec h = flashtest::MatrixPlace(1, 3, flash::Matrix{2, 0, 0, 2, 2000, 2000});
  h.name = "holder";
  w.Place(h);
  flash::PlaceSpec a = flashtest::MatrixPlace(2, 2, flash::Matrix{1, 0, 0, 1, 200, 200});
  a.name = "a";
  w.Place(a);
  ActionBuilder f1, f2, f3;
  // No lock; a constrain flag other than 1 leaves the rectangle (0, 0)-(1, 1) unread.
  f1.PushInt(0).PushInt(0).PushInt(1).PushInt(1).PushInt(7).PushInt(0).PushString("/a").Op(0x27);
  f2.PushInt(105).PushInt(300).PushInt(0).PushInt(0).PushInt(1);
  scripttest::CallMethod(f2, "a", "startDrag", 5).Op(0x17);
  f3.Op(0x28);
  scripttest::Member(f3, "a", "_droptarget").Trace();
  f3.Op(0x07);
  for (const ActionBuilder* f : {&f1, &f2, &f3}) {
    w.DoAction(f->Build());
    w.ShowFrame();
  }
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  return p;
}

// The position of a clip in pixels of its parent.
std::pair<double, double> At(const flash::DisplayObject& o) {
  return {o.matrix.tx / 20, o.matrix.ty / 20};
}

using XY = std::pair<double, double>;

}  // namespace

TEST(InputDrag, ClipFollowsThePointerLockedOrNotInsideItsRectangle) {
  flash::Player p;
  LoadDragMovie(p);
  auto& a = *p.LevelRoot(0)->children.at(2);
  p.MouseMove(15, 15);
  p.Tick();  // dragged 5 pixels up and left of the pointer
  EXPECT_EQ(At(a), XY(10, 10));
  p.MouseMove(50, 60);
  EXPECT_EQ(At(a), XY(45, 55));
  p.Tick();  // a new drag replaces it: locked, and put inside the rectangle at once
  EXPECT_EQ(At(a), XY(50, 60));
  p.MouseMove(20, 125);
  EXPECT_EQ(At(a), XY(20, 105));
  p.MouseMove(-5, 25);
  EXPECT_EQ(At(a), XY(0, 25));
  // Dropped with the pointer over itself and "b": itself does not count.
  p.MouseMove(112, 112);
  EXPECT_EQ(At(a), XY(112, 105));
  p.Tick();
  EXPECT_EQ(TakeTrace(p), "/holder/b\n");
  p.MouseMove(5, 5);
  EXPECT_EQ(At(a), XY(112, 105));
  // Dropped over nothing but the stage: no target.
  p.StartDrag(static_cast<flash::MovieClip*>(&a), false, nullptr);
  p.StopDrag();
  flash::ActionRunner vm(p, std::static_pointer_cast<flash::MovieClip>(a.shared_from_this()));
  EXPECT_EQ(vm.GetProperty(static_cast<flash::MovieClip*>(&a), 14).string, "");
}

TEST(InputDrag, PositionIsInTheParentsSpaceAndARemovedClipIsLetGo) {
  flash::Player p;
  LoadDragMovie(p);
  p.MouseMove(0, 0);
  p.Tick();
  p.StopDrag();
  auto& holder = static_cast<flash::MovieClip&>(*p.LevelRoot(0)->children.at(1));
  auto& b = static_cast<flash::MovieClip&>(*holder.children.at(1));
  p.MouseMove(120, 130);
  p.StartDrag(&b, true, nullptr);
  EXPECT_EQ(At(b), XY(10, 15));  // holder is at (100, 100) and twice as large
  p.MouseMove(140, 100);
  EXPECT_EQ(At(b), XY(20, 0));
  b.removed = true;
  p.MouseMove(150, 150);
  EXPECT_EQ(At(b), XY(20, 0));
  EXPECT_EQ(p.input.drag.clip.lock(), nullptr);
}
