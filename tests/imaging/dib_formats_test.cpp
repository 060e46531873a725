// The RSB format: round trips checked against bytes computed here, bad
// headers and mutated files; and the DIB image list's links.
#include <gtest/gtest.h>

#include <random>

#include "imaging/dib_formats.h"
#include "imaging/dib_image_list.h"

using namespace classlib;
using namespace lumicast;

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& s) {
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> Header(uint32_t version, uint32_t w, uint32_t h, uint32_t r, uint32_t g,
                            uint32_t b, uint32_t a) {
  std::vector<uint8_t> out;
  for (uint32_t v : {version, w, h, r, g, b, a}) Put32(out, v);
  return out;
}

TMemoryStream* StreamOf(const std::vector<uint8_t>& bytes, TMemoryStream& s) {
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  return &s;
}

}  // namespace

TEST(RsbFormat, FiveSixFiveWritesTheTopBitsAndReadsThemBack) {
  TMemoryDIB d(2, 1);
  d.Pixel(0, 0) = 0x00FF8001;  // r 255, g 128, b 1
  d.Pixel(1, 0) = 0x0012F0A7;
  TDIBRSBFormat f;
  TMemoryStream s;
  f.SaveToStream(&s, d);
  std::vector<uint8_t> expect = Header(1, 2, 1, 5, 6, 5, 0);
  for (uint32_t p : {0x00FF8001u, 0x0012F0A7u}) {
    const uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
    const uint32_t v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    expect.push_back(static_cast<uint8_t>(v));
    expect.push_back(static_cast<uint8_t>(v >> 8));
  }
  EXPECT_EQ(Bytes(s), expect);
  s.SetPosition(0);
  TMemoryDIB back;
  f.LoadFromStream(&s, back);
  EXPECT_EQ(back.Pixel(0, 0), 0x00F88000u);
  EXPECT_EQ(back.Pixel(1, 0), 0x0010F0A0u);
  EXPECT_FALSE(back.Masked());
}

TEST(RsbFormat, MaskedImagesKeepTheirAlphaThroughFourFourFourFour) {
  TMemoryDIB d(1, 1);
  d.Pixel(0, 0) = 0xC0F0A050;
  d.SetMasked(true);
  TDIBRSBFormat f;
  TMemoryStream s;
  f.SaveToStream(&s, d);
  const std::vector<uint8_t> b = Bytes(s);
  ASSERT_EQ(b.size(), 30u);
  EXPECT_EQ(b[28] | (b[29] << 8), 0xCFA5);
  s.SetPosition(0);
  TMemoryDIB back;
  f.LoadFromStream(&s, back);
  // Alpha read top-aligned like the colours: the image stays visible.
  EXPECT_EQ(back.Pixel(0, 0), 0xC0F0A050u);
  EXPECT_TRUE(back.Masked());
}

TEST(RsbFormat, ProgressOfAOneRowImageIsComplete) {
  TMemoryDIB d(3, 1);
  TDIBRSBFormat f;
  std::vector<int> seen;
  f.OnProgress = [&](TAbstractDIBFormat*, int p) { seen.push_back(p); };
  TMemoryStream s;
  f.SaveToStream(&s, d);
  EXPECT_EQ(seen, std::vector<int>{100});
  seen.clear();
  TMemoryDIB three(1, 3);
  f.SaveToStream(&s, three);
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 100}));
}

TEST(RsbFormat, BadHeadersAreRefusedBeforeAnyAllocation) {
  TDIBRSBFormat f;
  auto load = [&](const std::vector<uint8_t>& bytes) {
    TMemoryStream s;
    TMemoryDIB d;
    f.LoadFromStream(StreamOf(bytes, s), d);
  };
  try {
    load(Header(2, 1, 1, 5, 6, 5, 0));
    FAIL();
  } catch (const EDIBFormatError& e) {
    EXPECT_STREQ(e.what(), "Only RSB version 1 is supported.");
  }
  EXPECT_THROW(load(Header(1, 65535, 65535, 5, 6, 5, 0)), EDIBFormatError);  // no pixels follow
  EXPECT_THROW(load(Header(1, 1, 1, 9, 6, 5, 0)), EDIBFormatError);
  EXPECT_THROW(load(Header(1, 1, 1, 8, 8, 8, 0)), EDIBFormatError);  // 24 bits in 16
  EXPECT_THROW(load(Header(1, 0, 1, 5, 6, 5, 0)), EDIBFormatError);
  EXPECT_THROW(load({1, 0, 0}), EDIBFormatError);

  std::mt19937 rng(9);
  std::vector<uint8_t> good = Header(1, 3, 2, 4, 4, 4, 4);
  good.resize(good.size() + 12, 0x5A);
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> m = good;
    for (int e = 0; e < 3; ++e) m[rng() % m.size()] = static_cast<uint8_t>(rng());
    m.resize(rng() % (m.size() + 4));
    try {
      load(m);
    } catch (const Exception&) {
    }
  }
}

TEST(RsbFormat, TheRegistryFindsRsbByExtension) {
  EXPECT_NE(FindDIBFormat(".rsb", false), nullptr);
  EXPECT_NE(FindDIBFormat(".RSB", true), nullptr);
  EXPECT_EQ(FindDIBFormat(".bmp", false), nullptr);
}

TEST(DibImageList, LinksFollowMovesAndDeletions) {
  TDIBImageList list(nullptr);
  for (int i = 0; i < 3; ++i) list.Add()->DIB()->SetSize(2, 2);
  TDIBImageLink a, b, c;
  int a_changes = 0, b_changes = 0;
  a.OnChange = [&](TDIBImageLink*) { ++a_changes; };
  b.OnChange = [&](TDIBImageLink*) { ++b_changes; };
  for (auto* l : {&a, &b, &c}) l->SetDIBImageList(&list);
  a.SetDIBIndex(0);
  b.SetDIBIndex(1);
  c.SetDIBIndex(2);
  a_changes = b_changes = 0;

  list.Item(0)->SetIndex(2);
  EXPECT_EQ(a.DIBIndex(), 2);
  EXPECT_EQ(b.DIBIndex(), 0);
  EXPECT_EQ(c.DIBIndex(), 1);

  // An image change reaches only the links to that image.
  list.Item(2)->DIB()->Fill(clRed);
  EXPECT_GT(a_changes, 0);
  EXPECT_EQ(b_changes, 0);

  // Deleting item 1 (c's): c calls back and lets go, a moves down, b stays.
  int c_changes = 0;
  c.OnChange = [&](TDIBImageLink*) { ++c_changes; };
  list.DIBImages()->Delete(1);
  EXPECT_EQ(c_changes, 1);
  EXPECT_EQ(c.DIBIndex(), -1);
  EXPECT_EQ(a.DIBIndex(), 1);
  EXPECT_EQ(b.DIBIndex(), 0);

  TMemoryDIB* img = nullptr;
  EXPECT_TRUE(a.GetImage(img));
  EXPECT_EQ(img->Width(), 2);
  EXPECT_FALSE(c.GetImage(img));
}
