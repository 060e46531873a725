// Pictures of cached objects kept between paints: every kind of change to what shapes an object's
// pixels draws it again, an unchanged object (or one moved by whole pixels) composites its kept
// picture, and either way the frame has the pixels of one drawn afresh; the pictures go with
// their objects and stay within their budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/kept_pictures.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/blend.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"

namespace {

using namespace flash;
namespace fs = std::filesystem;

constexpr int kWidth = 400, kHeight = 300;  // twice the stage

std::vector<uint8_t> Paint(const Player& p, int bands, int w = kWidth, int h = kHeight) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  PaintStage(p, {px.data(), w, h, w * 4}, p.Background(), bands);
  return px;
}

// The frame drawn afresh: none of the player's objects has a picture to use.
std::vector<uint8_t> Fresh(const Player& p, int w = kWidth, int h = kHeight) {
  DropKeptPictures(&p);
  return Paint(p, 1, w, h);
}

Matrix At(double x_px, double y_px) {
  Matrix m;
  m.tx = x_px * 20;
  m.ty = y_px * 20;
  return m;
}

// Two overlapping half-transparent rectangles, a masked one and a text field in a clip, placed
// twice on the stage: cached as a bitmap ("c") and through a glow ("f").
std::vector<uint8_t> CachedMovie() {
  SwfWriter w(8, 200, 150, 12);
  ShapeBuilder red, blue, mask;
  red.Rectangle(0, 0, 800, 600, red.AddFill(FillStyleSpec::Solid({220, 30, 30, 160})));
  blue.Rectangle(300, 200, 1100, 900, blue.AddFill(FillStyleSpec::Solid({30, 30, 220, 200})),
                 blue.AddLine({40, {0, 0, 0, 255}}));
  mask.Rectangle(0, 700, 600, 1100, mask.AddFill(FillStyleSpec::Solid({0, 0, 0, 255})));
  w.DefineShape(1, red);
  w.DefineShape(2, blue);
  w.DefineShape(3, mask);
  EditTextSpec field;
  field.bounds = {0, 1400, 0, 500};
  field.multiline = field.word_wrap = true;
  field.text = "First line\rSecond line\rThird line\rFourth";
  field.font_height = 200;
  field.border = true;
  w.DefineEditText(4, field);
  TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 1, "red"));
  sprite.Place(flashtest::MatrixPlace(2, 2, At(5, 0)));
  PlaceSpec clip_mask = flashtest::NewPlace(3, 3, "mask");
  clip_mask.clip_depth = 5;
  sprite.Place(clip_mask);
  sprite.Place(flashtest::MatrixPlace(4, 1, At(10, 30)));
  sprite.Place(flashtest::MatrixPlace(6, 4, At(0, 60)));
  sprite.ShowFrame();
  w.DefineSprite(10, sprite);
  PlaceSpec cached = flashtest::MatrixPlace(1, 10, At(20, 20));
  cached.name = "c";
  cached.cache_as_bitmap = 1;
  w.Place(cached);
  PlaceSpec filtered = flashtest::MatrixPlace(2, 10, At(110, 30));
  filtered.name = "f";
  Filter glow;
  glow.kind = Filter::Kind::Glow;
  glow.color = {255, 200, 0, 255};
  glow.blur_x = glow.blur_y = 6;
  glow.strength = 2;
  filtered.filters = {glow};
  w.Place(filtered);
  w.ShowFrame();
  return w.Finish(false);
}

class KeptPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player_.LoadBytes(0, CachedMovie());
    player_.Tick();
    root_ = player_.LevelRoot(0);
    cached_ = Clip("c");
    filtered_ = Clip("f");
    ASSERT_TRUE(cached_ && filtered_);
  }
  void TearDown() override { DropKeptPictures(&player_); }

  MovieClip* Clip(const std::string& name) {
    return static_cast<MovieClip*>(root_->ChildByName(name).get());
  }
  static DisplayObject& Child(MovieClip* clip, int depth) { return *clip->children.at(depth); }
  static text::TextField& Field(MovieClip* clip) {
    return static_cast<TextFieldObject&>(Child(clip, 6)).field;
  }

  // Paints (keeping pictures), applies `change`, and paints again in `bands`: the frame must be
  // the one drawn afresh, and differ from the one before the change.
  void ExpectRedrawn(const std::function<void()>& change, const std::string& what,
                     int bands = 3) {
    Paint(player_, 1);
    const std::vector<uint8_t> before = Paint(player_, 2);
    change();
    const std::vector<uint8_t> after = Paint(player_, bands);
    EXPECT_TRUE(after != before) << what << ": the change does not show";
    EXPECT_TRUE(after == Fresh(player_)) << what << ": not the frame drawn afresh";
  }

  Player player_;
  MovieClip* root_ = nullptr;
  MovieClip* cached_ = nullptr;
  MovieClip* filtered_ = nullptr;
};

TEST_F(KeptPictureTest, AnUnchangedFrameCompositesTheKeptPicturesWithThePixelsDrawnAfresh) {
  const std::vector<uint8_t> fresh = Fresh(player_);
  const KeptPictureStats first = KeptPictures();
  for (int bands : {1, 2, 5, 6, 11}) {
    EXPECT_TRUE(Paint(player_, bands) == fresh) << bands << " bands";
  }
  const KeptPictureStats later = KeptPictures();
  EXPECT_EQ(later.reused - first.reused, 10u);  // both objects, five paints
  EXPECT_EQ(later.drawn, first.drawn);
  EXPECT_GE(later.pictures, 2u);
}

TEST_F(KeptPictureTest, ChangesInsideTheObjectDrawItAgain) {
  ExpectRedrawn([&] { Child(cached_, 1).matrix.tx += 100; }, "a child moved");
  ExpectRedrawn([&] { Child(cached_, 2).color_transform.g_mult = 40; }, "a child's colours");
  ExpectRedrawn([&] { Child(cached_, 3).matrix.ty -= 200; }, "the mask inside moved");
  ExpectRedrawn([&] { Child(cached_, 4).visible = false; }, "a child hidden");
  ExpectRedrawn(
      [&] {
        auto child = cached_->children.extract(1);
        child.key() = 8;
        cached_->children.insert(std::move(child));
      },
      "a child moved above the others");
  ExpectRedrawn([&] { Child(cached_, 8).blend_mode = kBlendMultiply; }, "a child's blend mode");
  ExpectRedrawn([&] { cached_->children.erase(2); }, "a child removed");
  ExpectRedrawn([&] { filtered_->children.at(1)->matrix.ty += 60; }, "a child of the filtered");
}

TEST_F(KeptPictureTest, TheObjectsOwnStateDrawsItAgain) {
  ExpectRedrawn([&] { cached_->color_transform.r_mult = 60; }, "its colour transform");
  ExpectRedrawn([&] { filtered_->filters[0].blur_x = 12; }, "a filter's blur");
  ExpectRedrawn([&] { filtered_->filters[0].color = {0, 200, 255, 255}; }, "a filter's colour");
  ExpectRedrawn([&] { filtered_->filters.clear(); }, "its filters removed");
  ExpectRedrawn([&] { cached_->matrix.a = cached_->matrix.d = 1.3; }, "its scale");
  ExpectRedrawn([&] { cached_->matrix.tx += 7; }, "a move by part of a pixel");
  ExpectRedrawn(
      [&] {
        cached_->scroll_rect = DisplayObject::PixelRect{5, 5, 30, 20};
      },
      "a scroll rectangle");
  ExpectRedrawn([&] { player_.quality = Quality::Low; }, "the quality");
}

TEST_F(KeptPictureTest, DrawingTextAndBitmapChangesDrawItAgain) {
  ExpectRedrawn(
      [&] {
        cached_->drawing = std::make_shared<ClipDrawing>();
        FillStyle fill;
        fill.color = {0, 160, 0, 255};
        cached_->drawing->BeginFill(fill);
        cached_->drawing->MoveTo(0, 0);
        cached_->drawing->LineTo(400, 0);
        cached_->drawing->LineTo(0, 400);
      },
      "a drawing begun");
  ExpectRedrawn([&] { cached_->drawing->LineTo(600, 500); }, "a line drawn on");
  ExpectRedrawn([&] { cached_->drawing->Clear(); }, "the drawing cleared");
  ExpectRedrawn([&] { Field(cached_).SetText("Changed"); }, "the text");
  ExpectRedrawn([&] { Field(filtered_).SetText("One\rTwo\rThree\rFour\rFive\rSix"); },
                "the filtered clip's text");
  ExpectRedrawn([&] { Field(filtered_).scroll = 3; }, "the text scrolled");
  ExpectRedrawn([&] { Field(cached_).border_color = {255, 0, 0, 255}; }, "the border colour");
  ExpectRedrawn(
      [&] {
        Field(cached_).ChangeFormat(0, 3, [](text::TextFormat& f) { f.color = {0, 0, 255, 255}; });
      },
      "a text format");
  auto bitmap = std::make_shared<BitmapData>(20, 20, true, 0xFF00AA00u);
  ExpectRedrawn(
      [&] {
        auto object = std::make_shared<BitmapObject>(bitmap, false);
        object->parent = cached_;
        cached_->children[9] = object;
      },
      "a bitmap attached");
  ExpectRedrawn([&] { bitmap->FillRect({0, 0, 10, 10}, 0xFFFF0000u); }, "the bitmap's pixels");
}

TEST_F(KeptPictureTest, TheCaretAndSelectionOfAFieldInsideDrawItAgain) {
  auto field = cached_->children.at(6);
  ExpectRedrawn(
      [&] {
        player_.SetFocus(field);
        player_.input.caret = player_.input.anchor = 3;
      },
      "the caret shown");
  ExpectRedrawn([&] { player_.input.caret = 5; }, "a selection made");
  ExpectRedrawn([&] { player_.input.anchor = 12; }, "the selection grown");
}

TEST_F(KeptPictureTest, AMoveByWholePixelsMovesThePicture) {
  Fresh(player_);
  for (int bands : {1, 5}) {
    const KeptPictureStats before = KeptPictures();
    // The stage is drawn twice its size: ten twips are a pixel.
    cached_->matrix.tx += 30;
    cached_->matrix.ty -= 50;
    filtered_->matrix.tx -= 110;
    const std::vector<uint8_t> moved = Paint(player_, bands);
    const KeptPictureStats after = KeptPictures();
    EXPECT_EQ(after.drawn, before.drawn) << bands << " bands";
    EXPECT_TRUE(moved == Fresh(player_)) << bands << " bands";
  }
}

TEST_F(KeptPictureTest, AnObjectCutOffAtTheEdgeIsDrawnAgainWhenItMoves) {
  cached_->matrix.tx = -30 * 20;  // partly left of the stage
  Fresh(player_);
  const KeptPictureStats before = KeptPictures();
  cached_->matrix.tx += 100;
  const std::vector<uint8_t> moved = Paint(player_, 2);
  EXPECT_GT(KeptPictures().drawn, before.drawn);
  EXPECT_TRUE(moved == Fresh(player_));
}

TEST_F(KeptPictureTest, PicturesGoWithTheirObjectsAndStayWithinTheBudget) {
  Paint(player_, 1);
  const size_t both = KeptPictures().pictures;
  cached_->cache_as_bitmap = false;
  Paint(player_, 1);
  EXPECT_EQ(KeptPictures().pictures, both - 1);
  root_->children.erase(2);  // the filtered clip leaves the display list
  Paint(player_, 1);
  EXPECT_EQ(KeptPictures().pictures, both - 2);

  // Another player's pictures stay while this one paints.
  cached_->cache_as_bitmap = true;
  Player other;
  other.LoadBytes(0, CachedMovie());
  other.Tick();
  Paint(other, 1);
  Paint(player_, 1);
  const KeptPictureStats two = KeptPictures();
  EXPECT_EQ(two.pictures, both + 1);
  Paint(player_, 1);
  EXPECT_EQ(KeptPictures().reused, two.reused + 1);

  // Beyond the budget the least recently used go.
  const size_t budget = SetKeptPictureBudget(two.bytes - 1);
  Paint(player_, 1);
  const KeptPictureStats cut = KeptPictures();
  EXPECT_LE(cut.bytes, two.bytes - 1);
  EXPECT_LT(cut.pictures, two.pictures);
  const std::vector<uint8_t> after = Paint(player_, 1);
  EXPECT_GT(KeptPictures().reused, cut.reused);  // this player's picture was kept
  SetKeptPictureBudget(0);
  EXPECT_TRUE(Paint(player_, 3) == after);
  EXPECT_EQ(KeptPictures().pictures, 0u);
  SetKeptPictureBudget(budget);
  DropKeptPictures(&other);
}

TEST_F(KeptPictureTest, AnObjectThatErasesBelowItIsDrawnStraightOn) {
  // An erasing child of a clip with no layer takes away what lies below the clip: the clip is
  // drawn without a picture of its own, as before it was cached.
  Child(cached_, 4).blend_mode = kBlendErase;
  const std::vector<uint8_t> erased = Fresh(player_);
  cached_->cache_as_bitmap = false;
  EXPECT_TRUE(Fresh(player_) == erased);
}

// Every reference movie (and the script movies that draw, filter or cache), run frame by frame
// with the pictures kept from frame to frame and bands of every count, has the pixels of each
// frame drawn afresh.
TEST(KeptPicturesMovies, EveryFrameOfTheReferenceMoviesIsTheFrameDrawnAfresh) {
  const std::string data = lumitest::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "shared test data is absent";
  std::vector<fs::path> movies;
  for (const char* set : {"swf-visual", "avm1-script"}) {
    if (!fs::exists(fs::path(data) / set)) continue;
    for (const auto& e : fs::directory_iterator(fs::path(data) / set)) {
      if (!fs::exists(e.path() / "test.swf")) continue;
      if (std::string(set) == "avm1-script") {
        bool draws = false;
        for (const auto& f : fs::directory_iterator(e.path())) {
          if (f.path().extension() != ".as") continue;
          const std::string source = flashtest::ReadText(f.path());
          draws = draws || std::regex_search(source, std::regex("cacheAsBitmap|filters|BitmapData"));
        }
        if (!draws) continue;
      }
      movies.push_back(e.path());
    }
  }
  std::sort(movies.begin(), movies.end());
  const int band_counts[] = {1, 2, 5, 6, 11};
  uint64_t reused = 0;
  for (const fs::path& dir : movies) {
    const std::string toml = flashtest::ReadText(dir / "test.toml");
    std::smatch m;
    int frames = 1;
    if (std::regex_search(toml, m, std::regex(R"((num_frames|num_ticks)\s*=\s*(\d+))")))
      frames = std::stoi(m[2]);
    frames = std::clamp(frames, 12, 40);
    Player kept, fresh;
    try {
      kept.LoadFile(0, (dir / "test.swf").string());
      fresh.LoadFile(0, (dir / "test.swf").string());
    } catch (const std::exception&) {
      continue;
    }
    const RectTwips stage = kept.StageRect();
    const int w = std::clamp((stage.xmax - stage.xmin) * 3 / 40, 16, 1200),
              h = std::clamp((stage.ymax - stage.ymin) * 3 / 40, 16, 900);
    const uint64_t before = KeptPictures().reused;
    for (int frame = 0; frame < frames; ++frame) {
      kept.Tick();
      fresh.Tick();
      const std::vector<uint8_t> got = Paint(kept, band_counts[frame % 5], w, h);
      const std::vector<uint8_t> want = Fresh(fresh, w, h);
      if (got != want) {
        ADD_FAILURE() << dir.filename().string() << ": frame " << frame + 1 << " in "
                      << band_counts[frame % 5] << " bands differs from the frame drawn afresh";
        break;
      }
    }
    reused += KeptPictures().reused - before;
    DropKeptPictures(&kept);
    DropKeptPictures(&fresh);
  }
  EXPECT_GT(reused, 0u);
}

}  // namespace
