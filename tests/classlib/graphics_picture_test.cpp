// Pictures and their registry, the clipboard, icons, regions and colours.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/color_table.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/icon.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/region.h"
#include "platform/classlib/stream.h"
#include "tests/support/test_app.h"

using namespace classlib;

namespace {

// A graphic of its own kind: remembers the bytes it was loaded from.
class TNoteGraphic : public TGraphic {
 public:
  std::string ClassName() const override { return "TNoteGraphic"; }
  void Draw(TCanvas*, const TRect&) override {}
  bool Empty() const override { return bytes.empty(); }
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream* s) override {
    bytes.resize(static_cast<size_t>(s->Size() - s->Position()));
    if (!bytes.empty()) s->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  void SaveToStream(TStream* s) override {
    if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  void Assign(TPersistent* src) override {
    if (auto* n = dynamic_cast<TNoteGraphic*>(src)) {
      bytes = n->bytes;
      return;
    }
    TGraphic::Assign(src);
  }
  void SaveToClipboardFormat(TClipboardFormat, TClipboardData& data) override {
    data[RegisterClipboardFormat("Note Graphic")] = bytes;
  }
  void LoadFromClipboardFormat(TClipboardFormat f, const TClipboardData& data) override {
    bytes = data.at(f);
  }
  std::vector<uint8_t> bytes;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(GraphicsPicture, RegistryPicksTheClassByExtension) {
  lumitest::TempDir temp_dir;
  std::string dir = temp_dir.Path();
  TPicture::RegisterFileFormat("NoTe", "Notes", GraphicClassOf<TNoteGraphic>());
  WriteFile(dir + "/a.NOTE", {1, 2, 3});
  WriteFile(dir + "/a.note", {1, 2, 3});
  TPicture pic;
  int changes = 0;
  pic.OnChange = [&](TObject*) { ++changes; };
  pic.LoadFromFile(dir + "/a.NOTE");
  auto* note = dynamic_cast<TNoteGraphic*>(pic.Graphic());
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_GT(changes, 0);
  EXPECT_NE(GraphicFilter(nullptr).find("*.note"), std::string::npos);

  // Bitmaps are built in.
  TBitmap b;
  b.SetSize(3, 2);
  b.SaveToFile(dir + "/b.bmp");
  pic.LoadFromFile(dir + "/b.bmp");
  ASSERT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 3);

  TPicture::UnregisterGraphicClass(GraphicClassOf<TNoteGraphic>());
  try {
    pic.LoadFromFile(dir + "/a.note");
    FAIL() << "unregistered extension accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.note)");
  }
  EXPECT_EQ(pic.Width(), 3);  // the failed load left the picture alone
}

TEST(GraphicsPicture, AssignCopiesAndBitmapReplaces) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(4, 4);
  b.Canvas()->SetPixels(1, 1, clRed);
  TPicture p;
  p.Assign(&b);
  ASSERT_NE(p.Bitmap(), &b);
  EXPECT_EQ(p.Bitmap()->PixelColor(1, 1), clRed);
  TPicture q;
  q.Assign(&p);
  EXPECT_EQ(q.Bitmap()->PixelColor(1, 1), clRed);
  q.Assign(nullptr);
  EXPECT_EQ(q.Graphic(), nullptr);
}

TEST(GraphicsPicture, ClipboardCarriesTextBitmapsAndRegisteredFormats) {
  Clipboard()->SetAsText("hello");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "hello");

  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(5, 3);
  b.Canvas()->SetPixels(2, 1, clBlue);
  Clipboard()->Assign(&b);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  TPicture pic;
  pic.Assign(Clipboard());
  ASSERT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Bitmap()->PixelFormat(), pf8bit);
  EXPECT_EQ(pic.Bitmap()->PixelColor(2, 1), clBlue);

  TClipboardFormat fmt = RegisterClipboardFormat("Note Graphic");
  EXPECT_EQ(RegisterClipboardFormat("Note Graphic"), fmt);
  EXPECT_GE(fmt, 0xC000);
  TPicture::RegisterClipboardFormat(fmt, GraphicClassOf<TNoteGraphic>());
  TNoteGraphic note;
  note.bytes = {9, 8, 7};
  Clipboard()->Assign(&note);
  EXPECT_TRUE(Clipboard()->HasFormat(fmt));
  TPicture back;
  back.Assign(Clipboard());
  auto* got = dynamic_cast<TNoteGraphic*>(back.Graphic());
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->bytes, note.bytes);
  TPicture::UnregisterGraphicClass(GraphicClassOf<TNoteGraphic>());
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(fmt));
}

TEST(GraphicsPicture, IconsLoadAndRejectMalformedFiles) {
  // A 2 x 2 icon of 24 bits: directory, info header, colours, AND mask.
  std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 24, 0};
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) ico.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  uint32_t size = 40 + 2 * 8 + 2 * 4;
  put32(size);
  put32(22);
  put32(40);
  put32(2);
  put32(4);
  ico.insert(ico.end(), {1, 0, 24, 0});
  for (int i = 0; i < 6; ++i) put32(0);
  // Bottom row: red, green; top row: blue, white (B, G, R bytes).
  ico.insert(ico.end(), {0, 0, 255, 0, 255, 0, 0, 0});
  ico.insert(ico.end(), {255, 0, 0, 255, 255, 255, 0, 0});
  ico.insert(ico.end(), {0x40, 0, 0, 0, 0, 0, 0, 0});  // bottom-right transparent
  TMemoryStream ms;
  ms.WriteBuffer(ico.data(), static_cast<int64_t>(ico.size()));
  ms.SetPosition(0);
  TIcon icon;
  icon.LoadFromStream(&ms);
  EXPECT_EQ(icon.Width(), 2);
  EXPECT_EQ(icon.Height(), 2);
  TBitmap canvas;
  canvas.SetPixelFormat(pf24bit);
  canvas.SetSize(2, 2);
  canvas.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(canvas.PixelColor(0, 0), clBlue);
  EXPECT_EQ(canvas.PixelColor(0, 1), clRed);
  EXPECT_EQ(canvas.PixelColor(1, 1), clWhite);  // masked out: background stays
  TMemoryStream out;
  icon.SaveToStream(&out);
  EXPECT_EQ(out.Bytes(), ico);

  for (size_t cut : {size_t(3), size_t(10), size_t(30), ico.size() - 5}) {
    TMemoryStream t;
    t.WriteBuffer(ico.data(), static_cast<int64_t>(cut));
    t.SetPosition(0);
    TIcon bad;
    EXPECT_THROW(bad.LoadFromStream(&t), EInvalidGraphic) << cut;
  }
}

TEST(GraphicsRegion, CombineAndQuery) {
  TRegion a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15);
  TRegion r;
  EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(r.Bounds(), Rect(0, 0, 15, 15));
  EXPECT_TRUE(PtInRegion(r, 14, 14));
  EXPECT_FALSE(PtInRegion(r, 14, 2));
  EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(r.Rects(), std::vector<TRect>{Rect(5, 5, 10, 10)});
  CombineRgn(r, a, b, RGN_DIFF);
  EXPECT_EQ(r.Rects(), (std::vector<TRect>{Rect(0, 0, 10, 5), Rect(0, 5, 5, 10)}));
  CombineRgn(r, a, b, RGN_XOR);
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 12, 12));
  EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);
  // Overlapping input rectangles collapse into equal bands.
  TRegion u = ExtCreateRegion({Rect(0, 0, 4, 4), Rect(2, 0, 6, 4), Rect(0, 4, 6, 8)});
  EXPECT_EQ(u.Rects(), std::vector<TRect>{Rect(0, 0, 6, 8)});

  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(4, 3);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(Rect(1, 0, 3, 2));
  TRegion shape = BitmapToRegion(&bmp, clWhite, 10, 20);
  EXPECT_EQ(shape.Rects(), std::vector<TRect>{Rect(11, 20, 13, 22)});
}

TEST(GraphicsColor, SystemColoursAndNames) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(RGB(1, 2, 3)), "$00030201");
  EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
  EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("clNothing"), EConvertError);
  // Every picker name and the names beyond them read and write back.
  for (const TColorName& n : ColorNameTable()) {
    EXPECT_EQ(ColorToString(n.Color), n.Name);
    EXPECT_EQ(StringToColor(n.Name), n.Color);
  }
  for (const char* name :
       {"clMoneyGreen", "clSkyBlue", "clCream", "clMedGray", "clDefault", "clGradientActiveCaption",
        "clGradientInactiveCaption", "clHotLight", "clMenuBar", "clMenuHighlight"})
    EXPECT_EQ(ColorToString(StringToColor(name)), name);
  EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
  EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}
