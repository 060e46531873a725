// The GIF image: files written and checked with giflib, the header and
// extension rules, reading files of other encoders, saving safely, and
// hostile input.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "imaging/gif_image.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/picture.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/test_app.h"

using namespace lumicast;
using namespace classlib;

namespace {

std::vector<uint8_t> Save(TGIFImage& g) {
  TMemoryStream s;
  g.SaveToStream(&s);
  return s.Bytes();
}

std::string Header(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.begin() + 6); }

bool Contains(const std::vector<uint8_t>& b, std::initializer_list<uint8_t> seq) {
  return std::search(b.begin(), b.end(), seq.begin(), seq.end()) != b.end();
}

std::unique_ptr<TBitmap> Stripes(int W, int H, int Shift) {
  return giftest::MakeBitmap24(W, H, [Shift](int x, int y) {
    int k = (x / 4 + y / 3 + Shift) % 6;
    static const TColor cols[6] = {clRed,   clLime,          clBlue,
                                   clWhite, RGB(10, 20, 30), RGB(200, 100, 50)};
    return cols[k];
  });
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)),
                              std::istreambuf_iterator<char>());
}

}  // namespace

TEST(GifImage, SingleFrameWithoutExtrasIs87aWithoutExtensions) {
  TGIFImage g;
  auto bmp = Stripes(30, 20, 0);
  EXPECT_EQ(g.AppendFrame(bmp.get()), 0);
  std::vector<uint8_t> b = Save(g);
  EXPECT_EQ(Header(b), "GIF87a");
  EXPECT_FALSE(Contains(b, {0x21, 0xF9}));
  EXPECT_FALSE(Contains(b, {0x21, 0xFF}));
  EXPECT_EQ(b[10], 0xF7);  // global table of 256 entries
  auto d = giftest::DecodeWithGiflib(b);
  ASSERT_TRUE(d.Ok) << d.Error;
  ASSERT_EQ(d.Frames.size(), 1u);
  EXPECT_EQ(d.ScreenWidth, 30);
  EXPECT_FALSE(d.Frames[0].LocalTable);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(d.Frames[0].Rgb[y * 30 + x], giftest::ToRgb(bmp->PixelColor(x, y)))
          << x << "," << y;
}

TEST(GifImage, AnimationMatchesWhatWasAppended) {
  TGIFImage g;
  std::vector<std::unique_ptr<TBitmap>> frames;
  for (int i = 0; i < 4; ++i) {
    frames.push_back(Stripes(40, 24, i));
    int idx = g.AppendFrame(frames.back().get());
    g.FrameAt(idx)->SetDisplayTime(125);
    g.FrameAt(idx)->SetKeyColor(i == 1 ? clLime : clNone);
    g.FrameAt(idx)->SetDisposal(static_cast<uint8_t>(i == 2 ? 2 : 0));
  }
  g.SetLoopEnabled(true);
  g.SetLoopCount(0);
  g.SetScreenColor(clBlue);
  g.EncodePendingFrames();
  std::vector<uint8_t> b = Save(g);
  EXPECT_EQ(Header(b), "GIF89a");
  EXPECT_TRUE(Contains(b, {0x03, 0x01, 0x00, 0x00, 0x00}));
  auto d = giftest::DecodeWithGiflib(b);
  ASSERT_TRUE(d.Ok) << d.Error;
  ASSERT_EQ(d.Frames.size(), 4u);
  EXPECT_EQ(d.LoopCount, 0);
  EXPECT_EQ(d.GlobalColors, 256);
  for (int i = 0; i < 4; ++i) {
    const giftest::DecodedFrame& f = d.Frames[i];
    EXPECT_EQ(f.LocalTable, i > 0) << i;
    EXPECT_FALSE(f.Interlace);
    EXPECT_EQ(f.DelayCs, 12) << i;
    EXPECT_EQ(f.Disposal, i == 2 ? 2 : 0) << i;
    if (i == 1) {
      ASSERT_GE(f.TransparentIndex, 0);
      // The transparent index names lime in that frame's own table.
      bool found = false;
      for (size_t k = 0; k < f.Indices.size(); ++k)
        if (f.Indices[k] == f.TransparentIndex) {
          EXPECT_EQ(f.Rgb[k], 0x00FF00u);
          found = true;
        }
      EXPECT_TRUE(found);
    } else {
      // No transparent colour: no transparent index, even with white present.
      EXPECT_EQ(f.TransparentIndex, -1) << i;
    }
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(f.Rgb[y * 40 + x], giftest::ToRgb(frames[i]->PixelColor(x, y))) << i;
  }
  // The background index names blue in the global table.
  const int bg = b[11];
  EXPECT_EQ(b[13 + 3 * bg], 0);
  EXPECT_EQ(b[13 + 3 * bg + 1], 0);
  EXPECT_EQ(b[13 + 3 * bg + 2], 255);

  // Our own reader gives back what was written.
  TGIFImage back;
  TMemoryStream ms;
  ms.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
  ms.SetPosition(0);
  back.LoadFromStream(&ms);
  ASSERT_EQ(back.FrameCount(), 4);
  EXPECT_TRUE(back.LoopEnabled());
  EXPECT_EQ(back.LoopCount(), 0);
  EXPECT_EQ(back.ScreenColor(), clBlue);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(back.FrameAt(i)->DisplayTime(), 120);
    EXPECT_EQ(back.FrameAt(i)->KeyColor(), i == 1 ? clLime : clNone);
    EXPECT_EQ(back.FrameAt(i)->Disposal(), i == 2 ? 2 : 0);
    TBitmap* fb = back.FrameAt(i)->FrameBitmap();
    ASSERT_EQ(fb->Width(), 40);
    for (int y = 0; y < 24; y += 5)
      for (int x = 0; x < 40; x += 3) EXPECT_EQ(fb->PixelColor(x, y), frames[i]->PixelColor(x, y));
  }
}

TEST(GifImage, HeaderAndExtensionRules) {
  auto bmp = Stripes(8, 8, 1);
  {  // A delay of 5 ms: field 0, but the extension is there and the file is 89a.
    TGIFImage g;
    g.FrameAt(g.AppendFrame(bmp.get()))->SetDisplayTime(5);
    std::vector<uint8_t> b = Save(g);
    EXPECT_EQ(Header(b), "GIF89a");
    EXPECT_TRUE(Contains(b, {0x21, 0xF9, 0x04, 0x00, 0x00, 0x00}));
  }
  {  // 100 ms gives 10; two frames without looping give no loop block.
    TGIFImage g;
    g.AppendFrame(bmp.get());
    g.FrameAt(g.AppendFrame(bmp.get()))->SetDisplayTime(100);
    std::vector<uint8_t> b = Save(g);
    EXPECT_TRUE(Contains(b, {0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00}));
    EXPECT_FALSE(Contains(b, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'}));
  }
  {  // A transparent colour that the palette lacks leaves bit 0 clear.
    TGIFImage g;
    g.FrameAt(g.AppendFrame(bmp.get()))->SetKeyColor(RGB(1, 2, 3));
    auto d = giftest::DecodeWithGiflib(Save(g));
    ASSERT_TRUE(d.Ok);
    EXPECT_EQ(d.Frames[0].TransparentIndex, -1);
    EXPECT_EQ(d.Frames[0].DelayCs, 0);
  }
  {  // A background colour not in the table gives index 0; none gives 0.
    TGIFImage g;
    g.AppendFrame(bmp.get());
    g.SetScreenColor(RGB(1, 2, 3));
    EXPECT_EQ(Save(g)[11], 0);
  }
  TGIFImage g;
  g.SetLoopCount(40000);
  EXPECT_EQ(g.LoopCount(), 30000);
  g.SetLoopCount(65535);
  EXPECT_EQ(g.LoopCount(), 30000);
  EXPECT_THROW(g.SetWidth(5), EInvalidGraphicOperation);
  TMemoryStream s;
  try {
    g.SaveToStream(&s);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), "No GIF Data to write");
  }
  EXPECT_EQ(s.Size(), 0);
}

TEST(GifImage, PaletteBitmapsKeepTheirPaletteAndEncodingRebuildsTrueColour) {
  TBitmap b8;
  b8.SetPixelFormat(pf8bit);
  b8.SetSize(6, 4);
  TPalette pal(256);
  for (int i = 0; i < 256; ++i)
    pal[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7, 0};
  b8.SetPalette(pal);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) b8.ScanLine(y)[x] = static_cast<uint8_t>(x * 40 + y);
  TGIFImage g;
  g.AppendFrame(&b8);
  auto d = giftest::DecodeWithGiflib(Save(g));
  ASSERT_TRUE(d.Ok);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(d.Frames[0].Indices[y * 6 + x], x * 40 + y);

  auto tc = Stripes(10, 10, 2);
  TGIFImage g2;
  std::vector<int> stages;
  g2.OnProgress = [&](TObject*, TProgressStage s, uint8_t, bool, const TRect&, const std::string&) {
    stages.push_back(s);
  };
  g2.AppendFrame(tc.get());
  EXPECT_EQ(g2.FrameAt(0)->FrameBitmap()->BitsPerPixel(), 24);
  g2.EncodePendingFrames();
  EXPECT_EQ(g2.FrameAt(0)->FrameBitmap()->BitsPerPixel(), 8);
  EXPECT_EQ(g2.FrameAt(0)->FrameBitmap()->PixelColor(3, 3), tc->PixelColor(3, 3));
  ASSERT_FALSE(stages.empty());
  EXPECT_EQ(stages.front(), psStarting);
  EXPECT_EQ(stages.back(), psEnding);

  // Grey frames are reduced to greys.
  TGIFImage g3;
  g3.AppendFrame(tc.get());
  g3.FrameAt(0)->SetGrayscale(true);
  auto d3 = giftest::DecodeWithGiflib(Save(g3));
  ASSERT_TRUE(d3.Ok);
  uint32_t c = d3.Frames[0].Rgb[0];
  EXPECT_EQ(c >> 16, c & 0xFF);
}

TEST(GifImage, ReducedFrameTablesAreTheWholeReducedPalette) {
  // Six colours: the histogram names six entries used, the rest of its
  // palette is grey; the tables written must carry that grey, and a key
  // colour absent from the picture must not match a stray black entry.
  auto tc = Stripes(24, 18, 0);
  TGIFImage g;
  g.AppendFrame(tc.get());
  g.AppendFrame(tc.get());
  g.FrameAt(1)->SetKeyColor(clBlack);
  g.EncodePendingFrames();
  const TGIFColorTable& global = g.Data().ColorTable;
  ASSERT_EQ(global.Count, 256);
  for (int i = 6; i < 256; ++i) EXPECT_EQ(global.Colors[i], (TGIFColor{128, 128, 128})) << i;
  const TGIFColorTable& local = g.FrameAt(1)->Item().ColorTable;
  for (int i = 6; i < 256; ++i) EXPECT_EQ(local.Colors[i], (TGIFColor{128, 128, 128})) << i;
  auto d = giftest::DecodeWithGiflib(Save(g));
  ASSERT_TRUE(d.Ok);
  ASSERT_EQ(d.Frames.size(), 2u);
  EXPECT_EQ(d.Frames[1].TransparentIndex, -1);
}

TEST(GifImage, ReadsFilesOfOtherEncoders) {
  lumitest::TempDir temp_dir;
  std::string dir = temp_dir.Path();
  std::string path = dir + "/other.gif";
  std::string cmd =
      "ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=5 -frames:v 6 -filter_complex "
      "\"split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1\" " +
      path;
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ffmpeg could not make a GIF";
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  auto d = giftest::DecodeWithGiflib(bytes);
  ASSERT_TRUE(d.Ok);
  TGIFImage g;
  g.LoadFromFile(path);
  ASSERT_EQ(g.FrameCount(), static_cast<int>(d.Frames.size()));
  EXPECT_EQ(g.ScreenWidth(), 64);
  for (int i = 0; i < g.FrameCount(); ++i) {
    TBitmap* b = g.FrameAt(i)->FrameBitmap();
    const giftest::DecodedFrame& f = d.Frames[i];
    ASSERT_EQ(b->Width(), f.Width);
    ASSERT_EQ(b->Height(), f.Height);
    EXPECT_EQ(g.FrameAt(i)->Origin().X, f.Left);
    EXPECT_EQ(g.FrameAt(i)->DisplayTime(), std::max(f.DelayCs, 0) * 10);
    for (int y = 0; y < f.Height; ++y)
      for (int x = 0; x < f.Width; ++x)
        ASSERT_EQ(giftest::ToRgb(b->PixelColor(x, y)), f.Rgb[y * f.Width + x])
            << i << " " << x << "," << y;
  }
  // Written again by us, the frames still decode the same with giflib.
  auto again = giftest::DecodeWithGiflib(Save(g));
  ASSERT_TRUE(again.Ok);
  ASSERT_EQ(again.Frames.size(), d.Frames.size());
  for (size_t i = 0; i < d.Frames.size(); ++i) EXPECT_EQ(again.Frames[i].Rgb, d.Frames[i].Rgb);
}

TEST(GifImage, ReadsInterlacedLocalTablesAndCommentsFromGiflib) {
  lumitest::TempDir temp_dir;
  std::string path = temp_dir.File("lib.gif");
  int err = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
  ASSERT_NE(gif, nullptr);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* global = GifMakeMapObject(4, colors);
  ColorMapObject* local = GifMakeMapObject(4, colors);
  std::swap(local->Colors[0], local->Colors[3]);
  EGifSetGifVersion(gif, true);
  ASSERT_EQ(EGifPutScreenDesc(gif, 9, 11, 2, 2, global), GIF_OK);
  const char comment[] = "hello";
  ASSERT_EQ(EGifPutComment(gif, comment), GIF_OK);
  ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, 9, 11, true, local), GIF_OK);
  std::vector<GifPixelType> rows(9 * 11);
  for (int i = 0; i < 9 * 11; ++i) rows[i] = static_cast<GifPixelType>((i / 9 + i % 9) % 4);
  // Interlaced rows go in pass order.
  std::vector<int> order;
  for (int start : {0, 4, 2, 1}) {
    int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
    for (int y = start; y < 11; y += step) order.push_back(y);
  }
  for (int y : order) ASSERT_EQ(EGifPutLine(gif, &rows[y * 9], 9), GIF_OK);
  ASSERT_EQ(EGifCloseFile(gif, &err), GIF_OK);
  GifFreeMapObject(global);
  GifFreeMapObject(local);

  TGIFImage g;
  g.LoadFromFile(path);
  ASSERT_EQ(g.FrameCount(), 1);
  EXPECT_TRUE(g.FrameAt(0)->InterlaceFlag());
  EXPECT_TRUE(g.FrameAt(0)->LocalTable());
  EXPECT_EQ(g.ScreenColor(), RGB(0, 255, 0));
  TBitmap* b = g.FrameAt(0)->FrameBitmap();
  const TColor local_cols[4] = {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 0)};
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(b->PixelColor(x, y), local_cols[rows[y * 9 + x]]) << x << "," << y;
}

namespace {

// A frame like a rendered movie: a gradient (more colours than a table holds), a moving disc and
// a band of one colour.
std::unique_ptr<TBitmap> MovieFrame(int W, int H, int I, TPixelFormat Format) {
  auto b = giftest::MakeBitmap24(W, H, [W, H, I](int x, int y) {
    const int dx = x - (W / 3 + 3 * I), dy = y - H / 2;
    if (dx * dx + dy * dy < (H / 4) * (H / 4)) return RGB(240, 30 + 20 * I, 40);
    if ((x + 2 * I) / 9 % 5 == 0) return RGB(250, 250, 250);
    return RGB((x * 255) / W, (y * 255) / H, ((x + y + 7 * I) * 255) / (W + H + 100));
  });
  if (Format == pf8bit) b->SetPixelFormat(pf8bit);
  return b;
}

// FNV-1a of a file's bytes.
uint64_t Fingerprint(const std::vector<uint8_t>& B) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t c : B) h = (h ^ c) * 1099511628211ull;
  return h;
}

// The animation a GIF job writes, with every frame encoded at the end (Streamed false) or when it
// is appended (Streamed true).
std::vector<uint8_t> JobFile(TPixelFormat Format, bool Streamed, const std::string& Path) {
  TGIFImage g;
  g.SetEncodeOnAppend(Streamed);
  for (int i = 0; i < 6; ++i) {
    auto frame = MovieFrame(71, 45, i, Format);
    TGIFFrame* f = g.FrameAt(g.AppendFrame(frame.get()));
    f->SetDisplayTime(83);
    f->SetKeyColor(i == 2 ? RGB(250, 250, 250) : clNone);
    // Coded at once, and nothing but the coded data kept.
    EXPECT_EQ(f->HasEncodedData(), Streamed);
    EXPECT_EQ(f->HasBitmap(), !Streamed);
  }
  g.SetLoopEnabled(true);
  g.SetLoopCount(0);
  g.SetScreenColor(RGB(250, 250, 250));
  g.EncodePendingFrames();
  g.SaveToFile(Path);
  // Saving decodes none of them again.
  if (Streamed) {
    for (int i = 0; i < g.FrameCount(); ++i) EXPECT_FALSE(g.FrameAt(i)->HasBitmap()) << i;
  }
  std::vector<uint8_t> fromStream = Save(g);
  std::vector<uint8_t> fromFile = ReadFileBytes(Path);
  EXPECT_EQ(fromFile, fromStream);
  return fromFile;
}

}  // namespace

// Frames encoded as they are appended give the very bytes of frames encoded at the end, and both
// the bytes this writer has always written for these frames (true colour reduced per frame, and
// 8-bit frames with their own palette).
TEST(GifImage, FramesEncodedWhenAppendedGiveTheSameFile) {
  lumitest::TempDir temp;
  const std::string path = temp.Path() + "/job.gif";
  struct Case {
    TPixelFormat format;
    uint64_t fingerprint;
  };
  for (const Case& c : {Case{pf24bit, 1974202391143513670ull}, Case{pf8bit, 492693762618339064ull}}) {
    SCOPED_TRACE(c.format == pf24bit ? "true colour" : "8 bits");
    const std::vector<uint8_t> atEnd = JobFile(c.format, false, path);
    const std::vector<uint8_t> streamed = JobFile(c.format, true, path);
    EXPECT_EQ(streamed, atEnd);
    EXPECT_EQ(Fingerprint(atEnd), c.fingerprint) << std::hex << Fingerprint(atEnd);
  }
}
