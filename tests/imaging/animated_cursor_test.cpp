// Animated cursors: frames, rates, sequence, titles, hot spots and colour
// counts from files put together in the test, their hand-over to GIF images,
// icons, bitmap strips and icon lists, and bad files of every kind.
#include <gtest/gtest.h>

#include <random>

#include "imaging/animated_cursor.h"
#include "imaging/gif_image.h"
#include "imaging/icon_list.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/imaging/ico_writer.h"

using namespace lumicast;
using namespace classlib;
using icotest::Anih;
using icotest::ChunkOf;
using icotest::ListOf;
using icotest::MakeIco;
using icotest::Riff;
using icotest::Words;

namespace {

void Load(TAnimatedCursorImage& Image, const std::vector<uint8_t>& Bytes) {
  TMemoryStream ms;
  if (!Bytes.empty()) ms.Write(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  ms.SetPosition(0);
  Image.LoadFromStream(&ms);
}

std::vector<uint8_t> Icon(const std::vector<uint8_t>& Ico) { return ChunkOf("icon", Ico); }

// Icons of distinct sizes, so that a frame's icon tells which it is.
std::vector<uint8_t> Frames(int Count) {
  std::vector<std::vector<uint8_t>> icons;
  for (int i = 0; i < Count; ++i) icons.push_back(Icon(MakeIco(8 + 8 * i, 4)));
  return ListOf("fram", icons);
}

std::string ReadErrorOf(const std::vector<uint8_t>& Bytes) {
  TAnimatedCursorImage image;
  try {
    Load(image, Bytes);
  } catch (const EReadError& e) {
    return e.Message();
  } catch (const Exception& e) {
    return "other: " + e.Message();
  }
  return "";
}

}  // namespace

TEST(AnimatedCursor, StepsShowTheirIconsAtTheirRates) {
  // Without "seq ", step i shows icon i; without "rate", the default rate.
  TAnimatedCursorImage image;
  Load(image, Riff({Anih(3, 3, 7), Frames(3)}));
  ASSERT_EQ(image.FrameCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(image.Frame(i)->IconIndex, static_cast<uint32_t>(i));
    EXPECT_EQ(image.Icons(i)->Width(), 8 + 8 * i);
    EXPECT_EQ(image.Frame(i)->Rate, 7u);
    EXPECT_TRUE(image.Frame(i)->IsIcon);
    EXPECT_EQ(std::string(image.Frame(i)->Chunk.Id, 4), "icon");
  }
  EXPECT_EQ(image.Header().Steps, 3u);

  // "seq " 0, 0, 0: three frames of icon 0, with their own rates; chunks
  // come in any order, and extra rates are ignored.
  Load(image, Riff({ChunkOf("seq ", Words({0, 0, 0})), ChunkOf("rate", Words({1, 2, 3, 4})),
                    Frames(1), Anih(1, 3, 9)}));
  ASSERT_EQ(image.FrameCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(image.Icons(i)->Width(), 8);
    EXPECT_EQ(image.Frame(i)->Rate, static_cast<uint32_t>(i + 1));
  }

  // A step showing an icon that is not there is dropped; an icon no step
  // shows gets a frame of its own.
  Load(image, Riff({Anih(2, 2, 5), ChunkOf("seq ", Words({1, 4})), Frames(2)}));
  ASSERT_EQ(image.FrameCount(), 2);
  EXPECT_EQ(image.Icons(0)->Width(), 16);
  EXPECT_EQ(image.Frame(1)->IconIndex, 0u);
  EXPECT_EQ(image.Icons(1)->Width(), 8);
  EXPECT_EQ(image.Header().Steps, 2u);
}

TEST(AnimatedCursor, ReadsTitleCreatorAndSkipsPadsAndUnknownChunks) {
  std::vector<uint8_t> title(300, 'T');
  std::vector<uint8_t> creator{'A', 'n', 0xE9, 0, 'x'};  // Latin-1, cut at the zero
  TAnimatedCursorImage image;
  Load(image, Riff({ChunkOf("zzzz", {1, 2, 3}),  // odd: a pad byte follows
                    ListOf("INFO", {ChunkOf("INAM", title), ChunkOf("IART", creator),
                                    ChunkOf("ICOP", {9})}),
                    ListOf("junk", {}), Anih(1, 1, 1), Frames(1)}));
  EXPECT_EQ(image.Title(), std::string(255, 'T'));
  EXPECT_EQ(image.Creator(), "An\xC3\xA9");
  EXPECT_EQ(image.FrameCount(), 1);

  // The last chunk may lack its pad byte.
  auto file = Riff({Anih(1, 1, 1), Frames(1), ChunkOf("odd ", {1}, false)});
  EXPECT_EQ(ReadErrorOf(file), "");
}

TEST(AnimatedCursor, HotSpotsAndSourceColours) {
  TAnimatedCursorImage image;
  Load(image, Riff({Anih(1, 1, 1), ListOf("fram", {Icon(MakeIco(32, 4, 0xFF, 2, 5, 9))})}));
  EXPECT_FALSE(image.Frame(0)->IsIcon);
  EXPECT_EQ(image.Frame(0)->HotSpot, (TPoint{5, 9}));
  EXPECT_EQ(image.Icons(0)->Width(), 32);

  Load(image, Riff({Anih(1, 1, 1), ListOf("fram", {Icon(MakeIco(32, 4))})}));
  EXPECT_EQ(image.Frame(0)->HotSpot, (TPoint{16, 16}));

  const std::pair<int, int> cases[] = {{1, 2}, {4, 16}, {8, 256}, {32, 0}};
  for (auto [bits, colors] : cases) {
    Load(image, Riff({Anih(1, 1, 1), ListOf("fram", {Icon(MakeIco(16, bits))})}));
    EXPECT_EQ(image.SourceColorCount(), colors) << bits;
  }
  // The largest over all icons.
  Load(image, Riff({Anih(2, 2, 1), ListOf("fram", {Icon(MakeIco(16, 1)), Icon(MakeIco(16, 4))})}));
  EXPECT_EQ(image.SourceColorCount(), 16);
}

TEST(AnimatedCursor, BecomesAGIFWithDelaysFromTheRates) {
  TAnimatedCursorImage image;
  Load(image,
       Riff({Anih(2, 3, 10), ChunkOf("rate", Words({10, 20, 3})), ChunkOf("seq ", Words({0, 1, 0})),
             ListOf("fram", {Icon(MakeIco(16, 4, 0xFF0000)), Icon(MakeIco(16, 4, 0xFF))})}));
  TGIFImage gif;
  gif.Assign(&image);
  ASSERT_EQ(gif.FrameCount(), 3);
  EXPECT_EQ(gif.ScreenColor(), clWindow);
  EXPECT_EQ(gif.FrameAt(0)->DisplayTime(), 166);
  EXPECT_EQ(gif.FrameAt(1)->DisplayTime(), 333);
  TMemoryStream out;
  gif.SaveToStream(&out);
  giftest::DecodedGif decoded = giftest::DecodeWithGiflib(out.Bytes());
  ASSERT_TRUE(decoded.Ok) << decoded.Error;
  ASSERT_EQ(decoded.Frames.size(), 3u);
  EXPECT_EQ(decoded.Frames[0].DelayCs, 16);
  EXPECT_EQ(decoded.Frames[1].DelayCs, 33);
  EXPECT_EQ(decoded.Frames[2].DelayCs, 5);
  EXPECT_EQ(decoded.ScreenWidth, 16);
}

TEST(AnimatedCursor, HandsItsFramesToIconsStripsAndIconLists) {
  TAnimatedCursorImage image;
  Load(image, Riff({Anih(3, 3, 1), Frames(3)}));

  TIcon icon;
  icon.Assign(&image);
  EXPECT_EQ(icon.Width(), 8);

  TBitmap strip;
  strip.Canvas()->Brush()->SetColor(clLime);
  strip.Assign(&image);
  EXPECT_EQ(strip.Width(), 8 + 16 + 24);
  EXPECT_EQ(strip.Height(), 24);
  EXPECT_LE(strip.PixelFormat(), pf8bit);
  // Below the small first frame lies the brush colour.
  EXPECT_EQ(strip.PixelColor(2, 20), ColorToRGB(clLime));

  TIconList list;
  int changes = 0;
  list.OnChange = [&changes](TObject*) { ++changes; };
  list.Assign(&image);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(2)->Width(), 24);
  EXPECT_EQ(changes, 1);

  // A copy is independent and equal; nil clears.
  TAnimatedCursorImage copy;
  copy.Assign(&image);
  image.Assign(nullptr);
  EXPECT_EQ(image.FrameCount(), 0);
  ASSERT_EQ(copy.FrameCount(), 3);
  EXPECT_EQ(copy.Icons(1)->Width(), 16);
  icon.Assign(&image);
  EXPECT_TRUE(icon.Empty());
}

TEST(AnimatedCursor, SavingIsNotImplemented) {
  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);
  TAnimatedCursorImage image;
  TMemoryStream out;
  EXPECT_THROW(image.SaveToStream(&out), EAbort);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Function not yet implemented"});
}

TEST(AnimatedCursor, RejectsBadFilesWithAReadError) {
  const std::string err = "Stream read error";
  EXPECT_EQ(ReadErrorOf({}), err);
  EXPECT_EQ(ReadErrorOf(Riff({Frames(1)})), err);                       // no header
  EXPECT_EQ(ReadErrorOf(Riff({Anih(1, 1, 1, 0), Frames(1)})), err);     // no icon flag
  EXPECT_EQ(ReadErrorOf(Riff({Anih(1, 0, 1), Frames(1)})), err);        // zero steps
  EXPECT_EQ(ReadErrorOf(Riff({Anih(1, 1, 1)})), err);                   // no frames
  EXPECT_EQ(ReadErrorOf(Riff({Anih(1, 1000000, 1), Frames(1)})), err);  // forged steps
  EXPECT_EQ(ReadErrorOf(Riff({Anih(0x40000000, 1, 1), Frames(1)})), err);
  EXPECT_EQ(ReadErrorOf(Riff({ChunkOf("anih", Words({32, 1, 1, 0, 0, 0, 0, 1})), Frames(1)})),
            err);  // short header
  auto notacon = Riff({Anih(1, 1, 1), Frames(1)});
  notacon[8] = 'X';
  EXPECT_EQ(ReadErrorOf(notacon), err);
  // A chunk larger than its parent.
  auto forged = Riff({Anih(1, 1, 1), Frames(1)});
  forged[12 + 8 + 36 + 4] = 0xFF;  // the "LIST" size's low byte
  forged[12 + 8 + 36 + 7] = 0x7F;
  EXPECT_EQ(ReadErrorOf(forged), err);

  // An icon that does not decode ends the frame list; the frames before it stay.
  auto bad = MakeIco(16, 4);
  bad[2] = 9;
  TAnimatedCursorImage image;
  Load(image, Riff({Anih(3, 3, 1),
                    ListOf("fram", {Icon(MakeIco(8, 4)), Icon(bad), Icon(MakeIco(24, 4))})}));
  EXPECT_EQ(image.FrameCount(), 1);

  // A failed load clears what was there.
  EXPECT_EQ(ReadErrorOf(Riff({Anih(1, 1, 1)})), err);
  EXPECT_THROW(Load(image, Riff({Anih(1, 1, 1)})), EReadError);
  EXPECT_EQ(image.FrameCount(), 0);
  EXPECT_THROW(image.LoadFromFile("/nonexistent/cursor.ani"), Exception);
}

TEST(AnimatedCursor, TruncationsAndMutationsNeverCrash) {
  const auto good =
      Riff({Anih(2, 3, 4), ChunkOf("rate", Words({1, 2, 3})), ChunkOf("seq ", Words({0, 1, 0})),
            ListOf("INFO", {ChunkOf("INAM", {'a', 'b', 'c'})}),
            ListOf("fram", {Icon(MakeIco(8, 1)), Icon(MakeIco(8, 8))})});
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    TAnimatedCursorImage image;
    try {
      Load(image, cut);
    } catch (const Exception&) {
    }
  }
  std::mt19937 rng(27);
  for (int round = 0; round < 400; ++round) {
    auto bytes = good;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    TAnimatedCursorImage image;
    try {
      Load(image, bytes);
      for (int i = 0; i < image.FrameCount(); ++i) ASSERT_NE(image.Icons(i), nullptr);
    } catch (const Exception&) {
    }
  }
}
