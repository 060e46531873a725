// Saving to files (a failed save keeps the old file), the picture registry
// and clipboard paths, and hostile GIF and BMP input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "imaging/gif_lzw.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/picture.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/test_app.h"

using namespace lumicast;
using namespace classlib;

namespace {

std::vector<uint8_t> SampleGif() {
  TGIFImage g;
  for (int i = 0; i < 3; ++i) {
    auto b = giftest::MakeBitmap24(
        12, 9, [i](int x, int y) { return RGB(x * 20, y * 25 + i, (x ^ y) * 16); });
    g.FrameAt(g.AppendFrame(b.get()))->SetDisplayTime(static_cast<uint16_t>(50 * (i + 1)));
  }
  g.FrameAt(1)->SetKeyColor(RGB(0, 0, 0));
  g.SetLoopEnabled(true);
  g.SetLoopCount(3);
  g.Comment().push_back("made here");
  TMemoryStream s;
  g.SaveToStream(&s);
  return s.Bytes();
}

// Loads bytes; a failure must be one of ours, never anything else.
bool LoadOrRefuse(const std::vector<uint8_t>& bytes) {
  TGIFImage g;
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  try {
    g.LoadFromStream(&s);
    for (int i = 0; i < g.FrameCount(); ++i) g.FrameAt(i)->FrameBitmap();
    if (g.FrameCount() > 0) {
      TMemoryStream out;
      g.SaveToStream(&out);
    }
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A GIF of one W x H frame over a 256-colour grey table, holding Data (minimum code size byte
// and sub-blocks) as the frame's coded pixels.
std::vector<uint8_t> OneFrameGif(int W, int H, const std::vector<uint8_t>& Data) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
  auto put16 = [&](int v) {
    g.push_back(static_cast<uint8_t>(v));
    g.push_back(static_cast<uint8_t>(v >> 8));
  };
  put16(W);
  put16(H);
  g.insert(g.end(), {0x87, 0, 0});
  for (int i = 0; i < 256; ++i)
    g.insert(g.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});
  g.push_back(0x2C);
  put16(0);
  put16(0);
  put16(W);
  put16(H);
  g.push_back(0);
  g.insert(g.end(), Data.begin(), Data.end());
  g.push_back(0x3B);
  return g;
}

}  // namespace

TEST(GifFile, FailedSaveKeepsTheOldFileAndSuccessReplacesIt) {
  lumitest::TempDir temp;
  std::string dir = temp.Path();
  std::string path = dir + "/out.gif";
  WriteFile(path, "old contents");
  TGIFImage empty;
  EXPECT_THROW(empty.SaveToFile(path), EInvalidGraphicOperation);
  EXPECT_EQ(ReadText(path), "old contents");

  // A frame that cannot be encoded fails after others were encoded.
  TGIFImage broken;
  auto b = giftest::MakeBitmap24(4, 4, [](int, int) { return clRed; });
  broken.AppendFrame(b.get());
  TBitmap nothing;
  broken.AppendFrame(&nothing);
  EXPECT_THROW(broken.SaveToFile(path), EInvalidGraphicOperation);
  EXPECT_EQ(ReadText(path), "old contents");

  TGIFImage good;
  good.AppendFrame(b.get());
  good.SaveToFile(path);
  std::string now = ReadText(path);
  EXPECT_EQ(now.substr(0, 6), "GIF87a");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);  // no temporary left behind
  EXPECT_THROW(good.SaveToFile(dir + "/missing/folder/x.gif"), EStreamError);

  // Saving through a link rewrites the linked file; a read-only file raises and stays.
  std::filesystem::create_symlink(path, dir + "/link.gif");
  WriteFile(path, "old contents");
  good.SaveToFile(dir + "/link.gif");
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.gif"));
  EXPECT_EQ(ReadText(path), now);
  WriteFile(path, "old contents");
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_THROW(good.SaveToFile(path), EFCreateError);
  EXPECT_EQ(ReadText(path), "old contents");
}

TEST(GifFile, PictureRegistryClipboardAndAssignment) {
  // The program registers the optimising GIF class over this one; here the
  // writer's own registration is checked, and the program's restored after.
  RegisterGIFImage();
  struct Restore {
    ~Restore() { RegisterGIFImageEx(); }
  } restore;
  EXPECT_EQ(TPicture::FileFormatClass("gif"), GraphicClassOf<TGIFImage>());
  EXPECT_EQ(TPicture::ClipboardFormatClass(CF_GIF()), GraphicClassOf<TGIFImage>());
  lumitest::TempDir temp;
  std::string path = temp.File("p.gif");
  std::vector<uint8_t> bytes = SampleGif();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  TPicture pic;
  pic.LoadFromFile(path);
  auto* g = dynamic_cast<TGIFImage*>(pic.Graphic());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->FrameCount(), 3);
  EXPECT_EQ(g->Comment(), std::vector<std::string>{"made here"});
  EXPECT_EQ(g->LoopCount(), 3);
  EXPECT_EQ(g->Width(), 12);

  // Clipboard: the bitmap and the "GIF Image" block.
  TClipboardData data;
  g->SaveToClipboardFormat(CF_BITMAP, data);
  ASSERT_TRUE(data.count(CF_GIF()));
  TGIFImage fromClip;
  fromClip.LoadFromClipboardFormat(CF_GIF(), data);
  EXPECT_EQ(fromClip.FrameCount(), 3);
  EXPECT_EQ(fromClip.ActiveFrameIndex(), 0);

  // Assignment shares the data; a frame makes a one-frame image.
  TGIFImage copy;
  copy.Assign(g);
  EXPECT_TRUE(copy.Equals(g));
  EXPECT_EQ(copy.FrameCount(), 3);
  TGIFImage one;
  one.Assign(g->FrameAt(1));
  EXPECT_EQ(one.FrameCount(), 1);
  EXPECT_EQ(one.FrameAt(0)->DisplayTime(), 100);
  TBitmap target;
  target.Assign(g);
  EXPECT_EQ(target.Width(), 12);
  one.Assign(nullptr);
  EXPECT_TRUE(one.Empty());
}

TEST(GifFile, HostileGifsAreRefusedCleanly) {
  const std::vector<uint8_t> good = SampleGif();
  ASSERT_TRUE(LoadOrRefuse(good));
  // Every truncation.
  for (size_t n = 0; n < good.size(); ++n)
    LoadOrRefuse(std::vector<uint8_t>(good.begin(), good.begin() + n));
  // Random mutations: single bytes, runs, and size fields.
  std::mt19937 rng(1234);
  for (int i = 0; i < 600; ++i) {
    std::vector<uint8_t> m = good;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) m[rng() % m.size()] = static_cast<uint8_t>(rng());
    LoadOrRefuse(m);
  }
  // Specific damage.
  std::vector<uint8_t> v = good;
  v[3] = '9';
  v[4] = '0';
  try {
    LoadOrRefuse(v);
    TGIFImage g;
    g.ReadGIF(v.data(), v.size(), true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unknown GIF version");
  }
  std::vector<uint8_t> ext = {'G', 'I', 'F', '8', '9',  'a',  1, 0,   1,
                              0,   0,   0,   0,   0x21, 0x77, 0, 0x3B};
  TGIFImage g;
  try {
    g.ReadGIF(ext.data(), ext.size(), true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unrecognized extension block: 77");
  }
  // Header, screen and trailer only: no frames, no error.
  std::vector<uint8_t> bare = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
  g.ReadGIF(bare.data(), bare.size(), true);
  EXPECT_EQ(g.FrameCount(), 0);
  // The largest delay field (655350 ms) is held at the 16-bit top, not wrapped.
  std::vector<uint8_t> slow = {'G', 'I',  'F',  '8', '9', 'a',  1,    0,    1,    0,    0x80,
                               0,   0,    0,    0,   0,   9,    9,    9,    0x21, 0xF9, 4,
                               0,   0xFF, 0xFF, 0,   0,   0x2C, 0,    0,    0,    0,    1,
                               0,   1,    0,    0,   2,   2,    0x4C, 0x01, 0,    0x3B};
  g.ReadGIF(slow.data(), slow.size(), true);
  ASSERT_EQ(g.FrameCount(), 1);
  EXPECT_EQ(g.FrameAt(0)->DisplayTime(), 65535);
  // A frame declaring 65535 x 65535 pixels is refused before allocation.
  std::vector<uint8_t> huge = {'G',  'I',  'F', '8',  '9', 'a',  0xFF, 0xFF, 0xFF, 0xFF,
                               0,    0,    0,   0x2C, 0,   0,    0,    0,    0xFF, 0xFF,
                               0xFF, 0xFF, 0,   2,    2,   0x4C, 0x01, 0,    0x3B};
  try {
    g.ReadGIF(huge.data(), huge.size(), true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "GIF image is too large");
  }
  EXPECT_EQ(g.FrameCount(), 0);
  // A truncated frame is read as corrupted in tolerant mode, refused otherwise.
  // (the cut falls inside the last frame's data, before the comment and trailer)
  std::vector<uint8_t> cut(good.begin(), good.end() - 30);
  TGIFImage t;
  EXPECT_NO_THROW(t.ReadGIF(cut.data(), cut.size(), false));
  EXPECT_EQ(t.FrameCount(), 3);
  EXPECT_TRUE(t.FrameAt(2)->Corrupted());
  GIFTolerantReading = false;
  EXPECT_THROW(t.ReadGIF(cut.data(), cut.size(), false), EReadError);
  GIFTolerantReading = true;
}

TEST(GifFile, LargeFramesMustHaveTheDataToFillThem) {
  // A few bytes of coded data claiming a 16000 x 16000 frame (256 MB of pixels) are refused
  // before the frame is allocated, in tolerant reading too.
  const std::vector<uint8_t> forged = OneFrameGif(16000, 16000, {8, 3, 0x00, 0x01, 0x02, 0});
  TGIFImage g;
  try {
    g.ReadGIF(forged.data(), forged.size(), true);
    FAIL() << "a frame its data cannot fill was allocated";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "GIF encoded data is corrupt");
  }
  EXPECT_EQ(g.FrameCount(), 0);

  // A real frame of that kind of size (over the allowance for unproven frames) still loads:
  // one colour compresses to little data that can fill it.
  const int w = 2100, h = 2100;
  ASSERT_GT(uint64_t(w) * h, kMaxUnprovenGIFFrameBytes);
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h, 7);
  TBitmapInfoHeader header;
  header.biWidth = w;
  header.biHeight = h;
  header.biBitCount = 8;
  std::vector<uint8_t> coded;
  GIFEncodeLZW(coded, header, false, {}, pixels.data());
  ASSERT_LT(coded.size(), 40000u);
  const std::vector<uint8_t> real = OneFrameGif(w, h, coded);
  g.ReadGIF(real.data(), real.size(), true);
  ASSERT_EQ(g.FrameCount(), 1);
  EXPECT_FALSE(g.FrameAt(0)->Corrupted());
  EXPECT_EQ(g.FrameAt(0)->FrameBitmap()->PixelColor(w - 1, h - 1), RGB(7, 7, 7));

  // The bound itself: nothing for no data; a code's output grows by one pixel at the most.
  EXPECT_EQ(GIFMaxDecodedPixels({}), 0);
  EXPECT_EQ(GIFMaxDecodedPixels({8, 1, 0, 0}), 3);  // 24 bits: two 9-bit codes, 1 + 2 pixels
}

TEST(GifFile, HostileBmpFramesAreRefusedCleanly) {
  auto b = giftest::MakeBitmap24(7, 5, [](int x, int y) { return RGB(x * 30, y * 40, 9); });
  TMemoryStream s;
  b->SaveToStream(&s);
  const std::vector<uint8_t> good = s.Bytes();
  std::mt19937 rng(99);
  int loaded = 0;
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> m = good;
    int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits; ++e)
      m[rng() % std::min<size_t>(m.size(), 80)] = static_cast<uint8_t>(rng());
    if (rng() % 4 == 0) m.resize(rng() % m.size());
    TMemoryStream ms;
    ms.WriteBuffer(m.data(), static_cast<int64_t>(m.size()));
    ms.SetPosition(0);
    try {
      TBitmap bmp;
      bmp.LoadFromStream(&ms);
      TGIFImage g;
      g.AppendFrame(&bmp);
      TMemoryStream out;
      g.SaveToStream(&out);
      auto d = giftest::DecodeWithGiflib(out.Bytes());
      EXPECT_TRUE(d.Ok);
      ++loaded;
    } catch (const Exception&) {
    }
  }
  EXPECT_GT(loaded, 0);
}
