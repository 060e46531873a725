// The visual selection window driven inside its modal loop from the settings
// dialog: rendered frames at the job's output size, the frame controls, the
// selection dragged onto a quadrant, Apply and Cancel, and the crop converted
// as chosen; movies it cannot show.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "app/movie_file.h"
#include "app/rgn_select.h"
#include "app/select_form.h"
#include "app/settings_form.h"
#include "app/shockwave_flash_ex.h"
#include "controls/rx_slider.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/picture.h"
#include "platform/flash/format/writer.h"
#include "tests/app/conversion_fixture.h"
#include "tests/app/look_check.h"
#include "tests/app/modal_driver.h"
#include "tests/flash/movie_builder.h"

namespace {

using namespace lumicast;
using namespace classlib;

// Quadrant Q (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right) of frame
// F.
uint32_t QuadColor(int F, int Q) { return convtest::FrameColor(F + 60 * Q); }

void WriteQuadrantMovie(const std::string& Path, int W, int H, int Frames) {
  flash::SwfWriter w(6, W, H, 12);
  for (int k = 1; k <= Frames; ++k) {
    flash::ShapeBuilder s;
    for (int q = 0; q < 4; ++q) {
      const uint32_t c = QuadColor(k, q);
      const int fill = s.AddFill(
          flash::FillStyleSpec::Solid({static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                       static_cast<uint8_t>(c), 255}));
      const int x = (q % 2) * W / 2 * 20, y = (q / 2) * H / 2 * 20;
      s.Rectangle(x, y, x + W / 2 * 20, y + H / 2 * 20, fill);
    }
    w.DefineShape(static_cast<uint16_t>(k), s);
    if (k > 1) w.Remove(1);
    w.Place(flashtest::NewPlace(1, k));
    w.ShowFrame();
  }
  ASSERT_TRUE(w.Save(Path, false)) << Path;
}

uint32_t Rgb(TColor c) {
  const uint32_t v = static_cast<uint32_t>(ColorToRGB(c));
  return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

class SelectTest : public convtest::ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    settings = new TSettingsFrm(nullptr);
    settings->AfterConstruction();
    settings->JobList = tree->items.get();
  }
  void TearDown() override {
    settings->Hide();
    delete settings;
    ConversionTest::TearDown();
  }
  TCovSettings* Open(const std::string& Movie, int W = 320, int H = 240) {
    TCovSettings* job = AddJob(Movie, dtImages);
    job->destW = W;
    job->destH = H;
    job->destFilepath = out;
    settings->Job = job;
    settings->Item = tree->items->Item(tree->items->Count() - 1);
    settings->Show();
    return job;
  }
  // Clicks Visual Selection and runs Action inside the window's modal loop.
  bool RunSelection(std::function<void(TSelectFrm*)> Action) {
    TSelectFrm* form = settings->SelectForm();
    lumitest::ModalDriver driver([form] { return form; },
                                 [&Action](TForm* f) { Action(static_cast<TSelectFrm*>(f)); });
    settings->btnVisualSelection->Click();
    return driver.seen;
  }
  TSettingsFrm* settings = nullptr;
};

TBitmap* Background(TSelectFrm* f) { return f->RgnSelect->BgPicture()->Bitmap(); }

TEST_F(SelectTest, FramesAtTheOutputSizeFrameControlsDragApplyAndConversion) {
  const std::string movie = dir + "/quads.swf";
  WriteQuadrantMovie(movie, 400, 300, 60);
  TCovSettings* job = Open(movie);
  settings->edtExportStart->SetValue(1);
  settings->edtExportEnd->SetValue(60);

  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    EXPECT_EQ(f->WindowState(), wsMaximized);
    EXPECT_EQ(f->RgnSelect->Width(), 320);
    EXPECT_EQ(f->RgnSelect->Height(), 240);
    EXPECT_EQ(f->labTotalFrame->Caption(), "60");
    ASSERT_FALSE(f->RgnSelect->BgPicture()->Bitmap()->Empty());
    // The background is the frame as a player of the output size paints it.
    {
      TShockwaveFlashEx reference(nullptr);
      TPanel host(nullptr);
      host.SetBounds(0, 0, 320, 240);
      reference.SetParent(&host);
      reference.SetBounds(0, 0, 320, 240);
      reference.SetMovie(movie);
      reference.GotoFrame(1);
      reference.StopPlay();
      TBitmap expected;
      expected.SetPixelFormat(pf24bit);
      expected.SetSize(320, 240);
      host.PaintTo(expected.Canvas(), 0, 0);
      TBitmap* bg = Background(f);
      int differing = 0;
      for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
          if (bg->Canvas()->Pixels(x, y) != expected.Canvas()->Pixels(x, y)) ++differing;
      EXPECT_EQ(differing, 0);
      reference.SetParent(nullptr);
    }
    auto quad_shows = [&](int frame) {
      TBitmap* bg = Background(f);
      for (int q = 0; q < 4; ++q)
        EXPECT_EQ(Rgb(bg->Canvas()->Pixels(80 + (q % 2) * 160, 60 + (q / 2) * 120)),
                  QuadColor(frame, q))
            << "frame " << frame << " quadrant " << q;
    };
    quad_shows(1);
    f->edtCurrentFrame->SetValue(7);
    quad_shows(7);
    EXPECT_EQ(f->trkCurrentFrame->Value(), 7);
    f->edtCurrentFrame->SetValue(999);
    quad_shows(60);
    EXPECT_EQ(f->trkCurrentFrame->Value(), 60);
    f->trkCurrentFrame->SetValue(30);
    f->trkCurrentFrame->OnMouseUp(f->trkCurrentFrame, TMouseButton::mbLeft, {}, 0, 0);
    EXPECT_EQ(f->edtCurrentFrame->Value(), 30);
    quad_shows(30);

    // Drag the top-left handle to the bottom-right quadrant's corner and the
    // bottom-right handle to its far corner.
    f->RgnSelect->SetSelectionX(0);
    f->RgnSelect->SetSelectionY(0);
    f->RgnSelect->SetSelectionW(320);
    f->RgnSelect->SetSelectionH(240);
    auto drag = [&](int x0, int y0, int x1, int y1) {
      f->RgnSelect->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x0, y0));
      f->RgnSelect->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam((x0 + x1) / 2, (y0 + y1) / 2));
      f->RgnSelect->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x1, y1));
      f->RgnSelect->Perform(WM_LBUTTONUP, 0, MakeLParam(x1, y1));
    };
    drag(1, 1, 170, 130);      // handle 0
    drag(317, 237, 307, 227);  // handle 7
    EXPECT_EQ(f->edtExportCropX->Value(), 170);
    EXPECT_EQ(f->edtExportCropY->Value(), 130);
    EXPECT_EQ(f->edtExportCropW->Value(), 140);
    EXPECT_EQ(f->edtExportCropH->Value(), 100);

    f->edtStartFrame->SetValue(50);
    f->edtEndFrame->SetValue(20);
    f->mniApply->Click();
  }));
  EXPECT_EQ(settings->edtExportStart->Value(), 50);
  EXPECT_EQ(settings->edtExportEnd->Value(), 50);
  EXPECT_EQ(settings->edtExportCropX->Value(), 170);
  EXPECT_EQ(settings->edtExportCropW->Value(), 140);

  // Cancel writes nothing; the crop edits come from the settings dialog when
  // shown.
  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    EXPECT_EQ(f->edtExportCropX->Value(), 170);
    EXPECT_EQ(f->RgnSelect->SelectionX(), 170);
    f->edtStartFrame->SetValue(2);
    f->btnSelectAllClick(nullptr);
    EXPECT_EQ(f->edtExportCropW->Value(), 320);
    EXPECT_EQ(f->RgnSelect->SelectionH(), 240);
    f->mniCancel->Click();
  }));
  EXPECT_EQ(settings->edtExportStart->Value(), 50);
  EXPECT_EQ(settings->edtExportCropW->Value(), 140);

  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    f->edtStartFrame->SetValue(40);
    f->edtEndFrame->SetValue(45);
    f->mniApply->Click();
  }));
  EXPECT_EQ(settings->edtExportStart->Value(), 40);
  EXPECT_EQ(settings->edtExportEnd->Value(), 45);
  settings->chkExportCrop->SetChecked(true);
  settings->btnOK->Click();
  EXPECT_EQ(job->destStartFrame, 40);
  EXPECT_EQ(job->destEndFrame, 45);
  EXPECT_TRUE(job->destIsCrop);
  EXPECT_EQ(job->destCropX, 170);
  EXPECT_EQ(job->destCropY, 130);
  EXPECT_EQ(job->destCropW, 140);
  EXPECT_EQ(job->destCropH, 100);

  job->destSequenceMode = 2;
  job->adoSource = asNone;
  RunBatch();
  const std::vector<std::string> files = convtest::ListFiles(out);
  ASSERT_EQ(files.size(), 6u);
  for (const std::string& name : files) {
    const convtest::Picture p = convtest::DecodePicture(out + name);
    ASSERT_TRUE(p.ok) << name;
    EXPECT_EQ(p.width, 140);
    EXPECT_EQ(p.height, 100);
  }
  // Frame 40's picture is the bottom-right quadrant's colour away from the
  // edges.
  const convtest::Picture first = convtest::DecodePicture(out + files[0]);
  EXPECT_EQ(first.Rgb(70, 50), QuadColor(40, 3));
}

TEST_F(SelectTest, LaidOutCleanlyAndDrawnMaximisedMidDrag) {
  const std::string movie = dir + "/quads.swf";
  WriteQuadrantMovie(movie, 400, 300, 60);
  Open(movie);
  settings->edtExportCropX->SetValue(40);
  settings->edtExportCropY->SetValue(30);
  settings->edtExportCropW->SetValue(200);
  settings->edtExportCropH->SetValue(150);
  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    TBitmap measure;
    measure.SetSize(4, 4);
    std::vector<std::string> problems;
    looktest::CheckLayout(f->panControls, measure.Canvas(), {}, problems);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    EXPECT_GE(f->scbSelect->Height(), 240);
    f->edtCurrentFrame->SetValue(12);
    f->RgnSelect->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(238, 178));  // handle 7
    f->RgnSelect->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(280, 200));
    looktest::Shot(f, "visual-selection");
    f->RgnSelect->Perform(WM_LBUTTONUP, 0, MakeLParam(280, 200));
    EXPECT_EQ(f->edtExportCropW->Value(), 242);
  }));
}

TEST_F(SelectTest, MoviesItCannotShow) {
  const std::string missing = dir + "/gone.swf";
  convtest::WriteColorMovie(missing, 40, 30, 10, 2);
  Open(missing);
  std::filesystem::remove(missing);
  settings->btnVisualSelection->Click();
  EXPECT_EQ(dialogs.Messages().back(), "This file does not exist!");

  const std::string text = dir + "/notes.swf";
  {
    FILE* f = fopen(text.c_str(), "w");
    fputs("just text, long enough to be looked at as a movie header", f);
    fclose(f);
  }
  settings->edtSource->SetText(text);
  settings->btnVisualSelection->Click();
  EXPECT_EQ(dialogs.Messages().back(), "This is not a flash file!");
}

TEST_F(SelectTest, ProjectorShowsItsCarriedMovie) {
  const std::string movie = dir + "/quads.swf";
  WriteQuadrantMovie(movie, 400, 300, 10);
  std::ifstream in(movie, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string exe = dir + "/game.exe";
  {
    std::ofstream f(exe, std::ios::binary);
    const std::string stub(2000, 'Z');
    f << stub;
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const uint32_t trailer[2] = {kProjectorMarker, static_cast<uint32_t>(bytes.size())};
    f.write(reinterpret_cast<const char*>(trailer), sizeof trailer);
  }
  TCovSettings* job = Open(exe);
  ASSERT_EQ(job->swfTotalFrames, 10);
  std::string played;
  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    played = f->MoviePath;
    EXPECT_EQ(f->labTotalFrame->Caption(), "10");
    EXPECT_EQ(Rgb(Background(f)->Canvas()->Pixels(240, 180)), QuadColor(1, 3));
  }));
  // The extracted movie is the window's alone: the job does not know it.
  EXPECT_NE(played, exe);
  EXPECT_TRUE(FileExists(played));
  EXPECT_NE(job->swfPlayFilename, played);
  DeleteFile(played);
}

TEST_F(SelectTest, OneFrameMovieAndHugeOutputSize) {
  const std::string one = dir + "/one.swf";
  WriteQuadrantMovie(one, 40, 30, 1);
  TCovSettings* job = Open(one, 100000, 100000);
  (void)job;
  settings->edtExportWidth->SetValue(100000);
  settings->edtExportHeight->SetValue(100000);
  settings->edtExportStart->SetValue(1);
  settings->edtExportEnd->SetValue(1);
  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    EXPECT_LE(f->RgnSelect->Width(), kMaxSelectSize);
    EXPECT_LE(f->RgnSelect->Height(), kMaxSelectSize);
    EXPECT_EQ(f->labTotalFrame->Caption(), "1");
    f->edtCurrentFrame->SetValue(5);
    EXPECT_EQ(f->ShowFrame(5), 1);
    EXPECT_EQ(f->ShowFrame(-3), 1);
    f->mniApply->Click();
  }));
  EXPECT_EQ(settings->edtExportEnd->Value(), 1);
}

TEST_F(SelectTest, EmptyMovieShowsNothingAndRaisesNothing) {
  const std::string empty = dir + "/empty.swf";
  WriteQuadrantMovie(empty, 40, 30, 0);
  Open(empty);
  ASSERT_TRUE(RunSelection([&](TSelectFrm* f) {
    EXPECT_EQ(f->labTotalFrame->Caption(), "0");
    EXPECT_TRUE(f->RgnSelect->BgPicture() == nullptr ||
                f->RgnSelect->BgPicture()->Graphic() == nullptr ||
                f->RgnSelect->BgPicture()->Bitmap()->Empty());
    EXPECT_EQ(f->edtCurrentFrame->Value(), 1);
    EXPECT_EQ(f->trkCurrentFrame->Value(), 1);
    f->edtCurrentFrame->SetValue(3);
    EXPECT_EQ(f->trkCurrentFrame->Value(), 1);
  }));
}

}  // namespace
