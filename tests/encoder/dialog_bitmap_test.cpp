// Class-library bitmaps as images, and the codec dialog driven as a user
// would: its controls are set while it runs modally, then OK or Cancel.
#include <gtest/gtest.h>

#include <functional>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"
#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace classlib;
using namespace enctest;

namespace {

TEST(Bitmaps, TwentyFourAndEightBitBitmapsBecomeImages) {
  // 24 bits, odd width: row y is red 10*y, column x is blue 20*x.
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(11, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 11; ++x) {
      uint8_t* p = bmp.ScanLine(y) + x * 3;
      p[0] = uint8_t(20 * x);
      p[1] = 7;
      p[2] = uint8_t(10 * y);
    }
  // 8 bits: the mask's bytes are the alpha values whatever its palette says.
  TBitmap mask;
  mask.SetPixelFormat(pf8bit);
  mask.SetSize(11, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 11; ++x) mask.ScanLine(y)[x] = uint8_t(y * 50 + x);

  MclHandle img = MclImgCreate(), alpha = MclImgCreate();
  ASSERT_EQ(MclDIBToImg(img, &bmp), kMclOk);
  ASSERT_EQ(MclDIBToImg(alpha, &mask), kMclOk);
  ASSERT_EQ(MclImgAddAlpha(img, alpha), kMclOk);

  lumitest::TempDir temp_dir;

  const std::string path = temp_dir.File("bmp.avi");
  MclHandle job = MclCreate();
  MclVideoSetFormat(job, 11, 5, 32);
  MclVideoSetFileName(job, path.c_str());
  FrameSource src{img, 1, 0};
  MclAssignVideoSource(job, &FrameSource::Callback, &src);
  ASSERT_EQ(MclConvert(job), kMclOk);
  const std::vector<uint8_t> pkt = VideoPacket(path, 0);
  ASSERT_EQ(pkt.size(), size_t(11 * 4 * 5));
  for (int y = 0; y < 5; ++y)
    for (int x : {0, 10}) {
      const uint8_t* p = &pkt[size_t(4 - y) * 44 + x * 4];  // bottom row first
      EXPECT_EQ(p[0], 20 * x);
      EXPECT_EQ(p[2], 10 * y);
      EXPECT_EQ(p[3], y * 50 + x);
    }

  // The 8-bit bitmap's own colours come through its palette.
  TBitmap pal;
  pal.SetPixelFormat(pf8bit);
  pal.SetSize(3, 2);
  TPalette entries(256);
  entries[5] = TRGBQuad{0x10, 0x20, 0x30, 0};
  pal.SetPalette(entries);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) pal.ScanLine(y)[x] = 5;
  MclHandle palImg = MclImgCreate();
  ASSERT_EQ(MclDIBToImg(palImg, &pal), kMclOk);
  const std::string png = temp_dir.File("pal.png");
  ASSERT_EQ(MclSimpleWriteImage(palImg, png.c_str(), kMclImagePng, kMclNoQuality), kMclOk);
  int w = 0, h = 0;
  const std::vector<uint8_t> px = DecodeFrameBGRA(png, 0, w, h);
  ASSERT_EQ(px.size(), size_t(3 * 2 * 4));
  EXPECT_EQ(px[0], 0x10);
  EXPECT_EQ(px[1], 0x20);
  EXPECT_EQ(px[2], 0x30);

  // Bitmaps the images cannot take.
  TBitmap empty, mono;
  mono.SetPixelFormat(pf1bit);
  mono.SetSize(4, 4);
  EXPECT_EQ(MclDIBToImg(img, &empty), kMclBadInput);
  EXPECT_EQ(MclDIBToImg(img, &mono), kMclBadInput);
  EXPECT_EQ(MclDIBToImg(img, nullptr), kMclBadInput);
  EXPECT_EQ(MclDIBToImg(job, &bmp), kMclBadImage);
  MclFree(job);
  for (MclHandle h2 : {img, alpha, palImg}) MclImgFree(h2);
}

// Runs `action` on the codec dialog once it is showing.
struct DialogDriver {
  std::function<void(TForm*)> action;
  TTimer timer{nullptr};
  bool seen = false;
  explicit DialogDriver(std::function<void(TForm*)> a) : action(std::move(a)) {
    timer.SetInterval(10);
    timer.SetOnTimer([this](TObject*) {
      auto* dlg = dynamic_cast<TForm*>(Application->FindComponent("CodecDlg"));
      if (!dlg || !dlg->Showing() || seen) return;
      seen = true;
      action(dlg);
    });
  }
};

template <class T>
T* Child(TForm* dlg, const char* name) {
  auto* c = dynamic_cast<T*>(dlg->FindComponent(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

TEST(CodecDialog, ConfirmedChoiceIsReportedByTheGetters) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetFormat(job, 320, 240, 32);
  MclVideoSetCodec(job, kMclFourCCDib);
  ASSERT_NE(MclVideoHasCodecDlg(job), 0);

  DialogDriver driver([](TForm* dlg) {
    auto* codec = Child<TComboBox>(dlg, "cbxCodec");
    codec->SetItemIndex(codec->Items()->IndexOf("MPEG-4 Part 2 video"));
    codec->OnChange(codec);  // as a user's pick does
    Child<TSpinEdit>(dlg, "speKeyFrame")->SetValue(30);
    Child<TSpinEdit>(dlg, "speBitRate")->SetValue(900);
    Child<TSpinEdit>(dlg, "speMinBitRate")->SetValue(100);
    Child<TSpinEdit>(dlg, "speMaxBitRate")->SetValue(1800);
    Child<TButton>(dlg, "btnOK")->Click();
  });
  EXPECT_NE(MclVideoShowCodecDlg(job), 0);
  EXPECT_TRUE(driver.seen);
  EXPECT_EQ(MclVideoGetCodec(job), 0x34504D46u);  // "FMP4"
  EXPECT_EQ(MclVideoGetKeyFrameRate(job), 30);
  int32_t r = 0, mn = 0, mx = 0;
  MclVideoGetBitRate(job, &r, &mn, &mx);
  EXPECT_EQ(r, 900);
  EXPECT_EQ(mn, 100);
  EXPECT_EQ(mx, 1800);
  EXPECT_EQ(Application->FindComponent("CodecDlg"), nullptr);  // gone after the call
  MclFree(job);
}

TEST(CodecDialog, CancelLeavesTheJobAsItWas) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatMpeg);
  MclVideoSetFormat(job, 352, 240, 24);
  MclVideoSetCodec(job, kMclCodecMpeg1);
  MclVideoSetAspectRatio(job, kMclAspect4x3);
  int32_t before = 0, mn = 0, mx = 0;
  MclVideoGetBitRate(job, &before, &mn, &mx);

  DialogDriver cancel([](TForm* dlg) {
    auto* codec = Child<TComboBox>(dlg, "cbxCodec");
    codec->SetItemIndex(1);
    codec->OnChange(codec);
    Child<TButton>(dlg, "btnCancel")->Click();
  });
  EXPECT_EQ(MclVideoShowCodecDlg(job), 0);
  EXPECT_TRUE(cancel.seen);
  EXPECT_EQ(MclVideoGetCodec(job), uint32_t(kMclCodecMpeg1));
  int32_t after = 0;
  MclVideoGetBitRate(job, &after, &mn, &mx);
  EXPECT_EQ(after, before);

  // The MPEG dialog also sets the aspect ratio.
  DialogDriver ok([](TForm* dlg) {
    auto* codec = Child<TComboBox>(dlg, "cbxCodec");
    codec->SetItemIndex(1);
    codec->OnChange(codec);
    Child<TComboBox>(dlg, "cbxAspect")->SetItemIndex(2);
    dlg->SetModalResult(mrOk);
  });
  EXPECT_NE(MclVideoShowCodecDlg(job), 0);
  EXPECT_EQ(MclVideoGetCodec(job), uint32_t(kMclCodecMpeg2));
  EXPECT_EQ(MclVideoGetAspectRatio(job), kMclAspect16x9);
  MclFree(job);
  EXPECT_EQ(MclVideoHasCodecDlg(job), 0);
  EXPECT_EQ(MclVideoShowCodecDlg(job), 0);
}

}  // namespace
