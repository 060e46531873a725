// The GIF object model: both encoders read back by an independent decoder,
// the decoder's damage handling, and files read and written again.
#include <gtest/gtest.h>

#include <random>

#include "imaging/gif_image_ex.h"
#include "platform/classlib/exceptions.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace lumicast::gifex;

namespace {

std::vector<uint8_t> Bytes(classlib::TMemoryStream& M) {
  return std::vector<uint8_t>(M.Memory(), M.Memory() + M.Size());
}

std::vector<uint8_t> Save(TGIFImageEx& G) {
  classlib::TMemoryStream m;
  G.SaveToStream(&m);
  return Bytes(m);
}

void Load(TGIFImageEx& G, const std::vector<uint8_t>& B) {
  classlib::TMemoryStream m;
  m.Write(B.data(), static_cast<int64_t>(B.size()));
  m.SetPosition(0);
  G.LoadFromStream(&m);
}

// One frame of W x H with a global map of 2^Bits grey entries.
std::unique_ptr<TGIFImageEx> OneFrame(int W, int H, int Bits, const std::vector<uint8_t>& Px,
                                      bool Interlaced = false) {
  auto g = std::make_unique<TGIFImageEx>();
  for (int i = 0; i < (1 << Bits); ++i)
    g->GlobalColorMap().Add(
        {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i)});
  auto f = std::make_unique<TGIFSubImage>(g.get());
  f->SetBounds(0, 0, W, H);
  f->Data() = Px;
  f->SetInterlaced(Interlaced);
  g->Add(std::move(f));
  return g;
}

std::vector<uint8_t> RandomPixels(size_t N, int Colors, unsigned Seed, int RunMax = 1) {
  std::mt19937 rng(Seed);
  std::vector<uint8_t> px;
  while (px.size() < N) {
    const uint8_t v = static_cast<uint8_t>(rng() % Colors);
    const int run = 1 + static_cast<int>(rng() % RunMax);
    for (int k = 0; k < run && px.size() < N; ++k) px.push_back(v);
  }
  return px;
}

}  // namespace

TEST(GifCoderEx, BothEncodersAreReadBackExactlyAtEveryDepth) {
  for (int compression = 0; compression <= 1; ++compression)
    for (int bits = 1; bits <= 8; ++bits)
      for (int run_max : {1, 40, 3000}) {
        SCOPED_TRACE(testing::Message()
                     << "compression " << compression << " bits " << bits << " runs " << run_max);
        const int w = 97, h = 61;
        auto px = RandomPixels(static_cast<size_t>(w) * h, 1 << bits, bits * 7 + run_max, run_max);
        auto g = OneFrame(w, h, bits, px);
        g->Compression = static_cast<uint8_t>(compression);
        const auto bytes = Save(*g);
        auto d = giftest::DecodeWithGiflib(bytes);
        ASSERT_TRUE(d.Ok) << d.Error;
        ASSERT_EQ(d.Frames.size(), 1u);
        EXPECT_EQ(d.Frames[0].Indices, px);
        TGIFImageEx back;
        Load(back, bytes);
        ASSERT_EQ(back.FrameCount(), 1);
        EXPECT_EQ(back.Frame(0)->Data(), px);
      }
}

TEST(GifCoderEx, LongRunsAndFullTablesStartOverWithAClear) {
  // A large noisy picture fills the table many times; one of a single colour
  // makes the run coder reach its largest run codes.
  const int w = 640, h = 480;
  for (int compression = 0; compression <= 1; ++compression) {
    for (bool flat : {false, true}) {
      auto px = flat ? std::vector<uint8_t>(static_cast<size_t>(w) * h, 3)
                     : RandomPixels(static_cast<size_t>(w) * h, 256, 5);
      auto g = OneFrame(w, h, 8, px);
      g->Compression = static_cast<uint8_t>(compression);
      auto d = giftest::DecodeWithGiflib(Save(*g));
      ASSERT_TRUE(d.Ok) << d.Error;
      EXPECT_EQ(d.Frames[0].Indices, px) << compression << flat;
    }
  }
}

TEST(GifCoderEx, InterlacedRowsGoInPassOrderForAnyHeight) {
  for (int h : {1, 2, 3, 4, 5, 8, 9, 17}) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 5; ++x) px.push_back(static_cast<uint8_t>(y));
    auto g = OneFrame(5, h, 5, px, true);
    for (int compression = 0; compression <= 1; ++compression) {
      g->Compression = static_cast<uint8_t>(compression);
      const auto bytes = Save(*g);
      auto d = giftest::DecodeWithGiflib(bytes);
      ASSERT_TRUE(d.Ok) << d.Error;
      EXPECT_TRUE(d.Frames[0].Interlace);
      EXPECT_EQ(d.Frames[0].Indices, px) << "height " << h;
      TGIFImageEx back;
      Load(back, bytes);
      EXPECT_EQ(back.Frame(0)->Data(), px) << "height " << h;
    }
  }
  // Row order of the coded data: 3 rows go 0, 2, 1 and 4 rows 0, 2, 1, 3.
  for (auto [h, order] : {std::pair<int, std::vector<uint8_t>>{3, {0, 2, 1}}, {4, {0, 2, 1, 3}}}) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y) px.push_back(static_cast<uint8_t>(y));
    auto g = OneFrame(1, h, 2, px, true);
    std::vector<uint8_t> coded = Save(*g);
    // Reading the interlaced data as straight data shows the coded order;
    // the descriptor's packed byte sits 9 bytes after the separator.
    for (size_t i = 19; i + 9 < coded.size(); ++i)
      if (coded[i] == 0x2C) {
        coded[i + 9] &= static_cast<uint8_t>(~0x40);
        break;
      }
    TGIFImageEx as_straight;
    Load(as_straight, coded);
    EXPECT_EQ(as_straight.Frame(0)->Data(), order);
  }
}

TEST(GifCoderEx, PixelOutsideTheLocalMapFailsTheSave) {
  TGIFImageEx g;
  auto f = std::make_unique<TGIFSubImage>(&g);
  f->SetBounds(0, 0, 2, 1);
  f->ColorMap().Add({1, 2, 3});
  f->ColorMap().Add({4, 5, 6});
  f->ColorMap().Add({7, 8, 9});
  f->Data() = {1, 3};
  g.Add(std::move(f));
  try {
    Save(g);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color not in color table");
  }
}

namespace {

// A minimal GIF around hand-made image data (2-colour global map, 4 x 2).
std::vector<uint8_t> HandGif(const std::vector<uint8_t>& ImageData, int W = 4, int H = 2) {
  std::vector<uint8_t> b = {'G',
                            'I',
                            'F',
                            '8',
                            '7',
                            'a',
                            static_cast<uint8_t>(W),
                            0,
                            static_cast<uint8_t>(H),
                            0,
                            0x80,
                            0,
                            0,
                            0,
                            0,
                            0,
                            255,
                            255,
                            255,
                            0x2C,
                            0,
                            0,
                            0,
                            0,
                            static_cast<uint8_t>(W),
                            0,
                            static_cast<uint8_t>(H),
                            0,
                            0};
  b.insert(b.end(), ImageData.begin(), ImageData.end());
  b.push_back(0x3B);
  return b;
}

std::vector<std::string> LoadWarnings(TGIFImageEx& G, const std::vector<uint8_t>& B) {
  std::vector<std::string> w;
  G.OnWarning = [&](classlib::TObject*, int, const std::string& m) { w.push_back(m); };
  Load(G, B);
  return w;
}

}  // namespace

TEST(GifCoderEx, DamagedDataKeepsTheFillAndWarns) {
  // Codes (3 bits): clear 4, then 1, 1, 1 and no end code, data ends.
  // Bits LSB first: 100 001 001 001 -> bytes 0x4C 0x02 (0b01001100, 0b0010).
  {
    TGIFImageEx g;
    auto w = LoadWarnings(g, HandGif({2, 2, 0x4C, 0x02, 0}));
    ASSERT_EQ(g.FrameCount(), 1);
    EXPECT_EQ(g.Frame(0)->Data(), (std::vector<uint8_t>{1, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(w.empty());
  }
  // A sub-block that claims more bytes than the file holds: what is there
  // is read, the rest keeps the fill.
  {
    TGIFImageEx g;
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 4,   0,   2,    0,    0x80,
                              0,   0,   0,   0,   0,   255, 255, 255, 0x2C, 0,    0,
                              0,   0,   4,   0,   2,   0,   0,   2,   30,   0x4C, 0x02};
    auto w = LoadWarnings(g, b);
    ASSERT_EQ(g.FrameCount(), 1);
    EXPECT_EQ(g.Frame(0)->Data()[0], 1);
    EXPECT_NE(std::find(w.begin(), w.end(), "Premature end of data"), w.end());
  }
  // Initial code sizes no decoder can start from: the frame keeps its fill,
  // and the file goes on after the frame's data.
  for (uint8_t size : {0, 1, 12, 200}) {
    TGIFImageEx g;
    auto bytes = HandGif({size, 2, 0x4C, 0x02, 0});
    auto w = LoadWarnings(g, bytes);
    ASSERT_EQ(g.FrameCount(), 1) << int(size);
    EXPECT_EQ(g.Frame(0)->Data(), std::vector<uint8_t>(8, 0));
    EXPECT_FALSE(w.empty());
  }
}

TEST(GifCoderEx, BadFilesGiveTheirErrorsAndLeaveThePictureEmpty) {
  auto expect_error = [](const std::vector<uint8_t>& B, const char* Message) {
    TGIFImageEx g;
    classlib::TMemoryStream m;
    m.Write(B.data(), static_cast<int64_t>(B.size()));
    m.SetPosition(0);
    try {
      g.LoadFromStream(&m);
      ADD_FAILURE() << "no error for " << Message;
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), Message);
    }
    EXPECT_EQ(m.Position(), 0);
    EXPECT_TRUE(g.Empty());
  };
  auto good = HandGif({2, 2, 0x4C, 0x02, 0});
  std::vector<uint8_t> bad_sig = good;
  bad_sig[0] = 'X';
  expect_error(bad_sig, "Invalid GIF signature");
  expect_error(std::vector<uint8_t>(good.begin(), good.begin() + 12), "Premature end of data");
  std::vector<uint8_t> unknown_ext(good.begin(), good.begin() + 19);
  unknown_ext.insert(unknown_ext.end(), {0x21, 0x33, 0});
  expect_error(unknown_ext, "Unknown extension type");
  std::vector<uint8_t> short_app(good.begin(), good.begin() + 19);
  short_app.insert(short_app.end(), {0x21, 0xFF, 5, 'A', 'B', 'C', 'D', 'E', 0});
  expect_error(short_app, "Unsupported Application Extension block size");
  std::vector<uint8_t> short_loop(good.begin(), good.begin() + 19);
  for (char c : std::string("\x21\xFF\x0BNETSCAPE2.0\x02\x01\x05", 17))
    short_loop.push_back(static_cast<uint8_t>(c));
  short_loop.push_back(0);
  expect_error(short_loop, "Invalid GIF data");
  // A frame bigger than the format's limit, or than its data could fill.
  std::vector<uint8_t> huge = HandGif({2, 2, 0x4C, 0x02, 0}, 0, 0);
  huge[24] = huge[25] = huge[26] = huge[27] = 0xFF;
  expect_error(huge, "GIF image is too large");
  // With a 4-byte length prefix the file is read; any other prefix is not.
  std::vector<uint8_t> prefixed = {1, 2, 3, 4};
  prefixed.insert(prefixed.end(), good.begin(), good.end());
  TGIFImageEx g;
  Load(g, prefixed);
  EXPECT_EQ(g.FrameCount(), 1);
  prefixed.insert(prefixed.begin(), 9);
  expect_error(prefixed, "Invalid GIF signature");
}

TEST(GifModelEx, ReadWriteReadKeepsTheStructure) {
  // Built by hand: comment of 600 characters, unknown application block,
  // loop block with buffer size, plain text, interlaced local-map frame,
  // a comment after the last image.
  TGIFImageEx g;
  for (int i = 0; i < 4; ++i) g.GlobalColorMap().Add({static_cast<uint8_t>(i * 60), 0, 0});
  auto f0 = std::make_unique<TGIFSubImage>(&g);
  auto* loop = new TGIFAppExtNSLoop(f0.get());
  loop->Loops = 7;
  loop->BufferSize = 0x01020304;
  f0->Extensions().emplace_back(loop);
  auto* comment = new TGIFCommentExtension(f0.get());
  comment->Lines = {std::string(600, 'c')};
  f0->Extensions().emplace_back(comment);
  auto* app = new TGIFUnknownAppExtension(f0.get());
  app->Identifier = "SOMEAPPL1.0";
  app->Blocks = {"abc", std::string(255, 'x')};
  f0->Extensions().emplace_back(app);
  f0->SetBounds(0, 0, 3, 2);
  f0->Data() = {0, 1, 2, 3, 2, 1};
  g.Add(std::move(f0));
  auto f1 = std::make_unique<TGIFSubImage>(&g);
  auto* text = new TGIFTextExtension(f1.get());
  text->Lines = {"hello"};
  f1->Extensions().emplace_back(text);
  f1->SetBounds(1, 0, 2, 2);
  for (int i = 0; i < 16; ++i) f1->ColorMap().Add({0, static_cast<uint8_t>(i), 0});
  f1->Data() = {15, 14, 13, 12};
  f1->SetInterlaced(true);
  g.Add(std::move(f1));
  auto tail = std::make_unique<TGIFSubImage>(&g);
  auto* end_comment = new TGIFCommentExtension(tail.get());
  end_comment->Lines = {"end"};
  tail->Extensions().emplace_back(end_comment);
  g.Add(std::move(tail));

  const auto bytes = Save(g);
  // The 600-character comment goes out as 255, 255 and 90 bytes.
  const std::string s(bytes.begin(), bytes.end());
  const size_t c = s.find("\x21\xFE");
  ASSERT_NE(c, std::string::npos);
  EXPECT_EQ(static_cast<uint8_t>(s[c + 2]), 255);
  EXPECT_EQ(static_cast<uint8_t>(s[c + 3 + 255]), 255);
  EXPECT_EQ(static_cast<uint8_t>(s[c + 4 + 510]), 90);
  // The global size field matches the written global map although a local
  // map is larger.
  EXPECT_EQ(bytes[10] & 7, 1);
  auto d = giftest::DecodeWithGiflib(bytes);
  ASSERT_TRUE(d.Ok) << d.Error;
  EXPECT_EQ(d.LoopCount, 7);
  ASSERT_EQ(d.Frames.size(), 2u);
  EXPECT_FALSE(d.Frames[1].Interlace);  // a local-map frame is written straight
  EXPECT_EQ(d.Frames[1].Indices, (std::vector<uint8_t>{15, 14, 13, 12}));

  TGIFImageEx back;
  Load(back, bytes);
  ASSERT_EQ(back.FrameCount(), 3);
  EXPECT_EQ(Save(back), bytes);
  auto* l = dynamic_cast<TGIFAppExtNSLoop*>(back.Frame(0)->Extensions()[0].get());
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->BufferSize, 0x01020304u);
  EXPECT_TRUE(back.Frame(2)->Empty());
}

TEST(GifModelEx, FilesOfTheGifWriterReadBackUnchanged) {
  for (const std::string name : {"busy", "noise"}) {
    auto px = RandomPixels(50 * 40, name == "busy" ? 8 : 256, 3, 4);
    auto g = OneFrame(50, 40, name == "busy" ? 3 : 8, px, true);
    g->Frame(0)->AddGraphicControl()->SetDelay(12);
    const auto bytes = Save(*g);
    TGIFImageEx back;
    Load(back, bytes);
    EXPECT_EQ(Save(back), bytes) << name;
  }
}

TEST(GifModelEx, SavingWithoutFramesFails) {
  TGIFImageEx g;
  classlib::TMemoryStream m;
  try {
    g.SaveToStream(&m);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
}

TEST(GifModelEx, StreamedBlocksAndPlainStreamsBothLoad) {
  auto g = OneFrame(3, 1, 2, {0, 1, 2});
  const auto plain = Save(*g);
  classlib::TMemoryStream counted;
  g->WriteData(&counted);
  for (auto* m : {&counted}) {
    m->SetPosition(0);
    TGIFImageEx r;
    r.ReadData(m);
    EXPECT_EQ(r.Frame(0)->Data(), (std::vector<uint8_t>{0, 1, 2}));
  }
  // A count larger than the data that follows: the bytes are a plain GIF.
  classlib::TMemoryStream m;
  m.Write(plain.data(), static_cast<int64_t>(plain.size()));
  m.SetPosition(0);
  TGIFImageEx r;
  r.ReadData(&m);
  EXPECT_EQ(r.Frame(0)->Data(), (std::vector<uint8_t>{0, 1, 2}));
}
