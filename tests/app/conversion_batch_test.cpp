// The conversion window's batch: which items run, the status lines and the file counter, Stop,
// Cancel, the close refusal, the error policy, the key-colour menu and the temporary-file rule.
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "app/movie_file.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/messages.h"
#include "tests/app/conversion_fixture.h"

using namespace classlib;

using namespace convtest;
using namespace lumicast;

namespace {

using Lines = std::vector<std::string>;

TEST_F(ConversionTest, BatchRunsOnlyCheckedItemsInOrderAndCountsEveryItem) {
  for (const char* n : {"m1", "m2", "m3", "m4", "m5"})
    WriteColorMovie(dir + "/" + n + ".swf", 32, 24, 10, 3);
  AddJob(dir + "/m1.swf", dtAVI, false);
  AddJob(dir + "/m2.swf", dtAVI, true);
  AddJob(dir + "/m3.swf", dtAVI, false);
  AddJob(dir + "/m4.swf", dtMPEG, true);
  AddJob(dir + "/m5.swf", dtAVI, false);
  RunBatch();

  EXPECT_EQ(ListFiles(out), (Lines{"m2.avi", "m4.mpg"}));
  EXPECT_EQ(LogLines(), (Lines{
                            "Status:> Ready... Click \"Start!\" menu to begin converting.",
                            "Status:> Converting \"m2.swf\" to AVI. | " + out + "m2.avi",
                            "Status:> Finish converting \"m2.swf\" to AVI.",
                            "Status:> Converting \"m4.swf\" to MPEG. | " + out + "m4.mpg",
                            "Status:> Finish converting \"m4.swf\" to MPEG.",
                            "Status:> All Finished",
                        }));
  // The counter at each line: unchecked items advance it too, and it reads 5/5 at the end.
  const auto& rec = form->LogWithCounter;
  ASSERT_EQ(rec.size(), 6u);
  EXPECT_EQ(rec[1].second, "1/5 Files Done");
  EXPECT_EQ(rec[3].second, "3/5 Files Done");
  EXPECT_EQ(rec[5].second, "5/5 Files Done");
  // Back to idle.
  EXPECT_EQ(form->labTotal->Caption(), "0/5 Files Done");
  EXPECT_EQ(form->labCurrent->Caption(), "0 Frames Done");
  EXPECT_FALSE(form->Converting);
  EXPECT_TRUE(form->mniStart->Visible());
  EXPECT_TRUE(form->mniClose->Visible());
  EXPECT_FALSE(form->mniStop->Visible());
  EXPECT_FALSE(form->mniCancel->Visible());
}

TEST_F(ConversionTest, MenusWhileRunningAndCloseIsRefused) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 40);
  AddJob(dir + "/a.swf", dtImages);
  bool stopShown = false, startShown = true, cancelShown = false, visibleAfterClose = false;
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 3; },
                [&] {
                  stopShown = form->mniStop->Visible();
                  startShown = form->mniStart->Visible() || form->mniOptions->Visible() ||
                               form->mniClose->Visible();
                  cancelShown = form->mniCancel->Visible();
                  form->Perform(WM_CLOSE);
                  uint16_t esc = VK_ESCAPE;
                  form->OnKeyDown(form, esc, 0);
                  visibleAfterClose = form->Visible();
                });
  RunBatch();
  EXPECT_TRUE(stopShown);
  EXPECT_FALSE(startShown);
  EXPECT_TRUE(cancelShown);
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_EQ(dialogs.Messages(), (Lines{"Please stop converting at first, then close the window!",
                                       "Please stop converting at first, then close the window!"}));
  // The refused requests are not carried out later: the batch ran to its end and the window stays.
  EXPECT_EQ(ListFiles(out).size(), 40u);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->ModalResult(), classlib::mrNone);
}

TEST_F(ConversionTest, ModalWindowRefusesEscapeWhileConvertingAndClosesAfterwards) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 30);
  AddJob(dir + "/a.swf", dtImages);
  form->Hide();
  int phase = 0;
  classlib::TTimer starter(nullptr);
  starter.SetInterval(1);
  starter.SetOnTimer([&](classlib::TObject*) {
    if (phase != 0) return;
    phase = 1;
    form->mniStart->Click();  // the whole batch runs inside the click
    phase = 2;
    form->Close();
  });
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 3; },
                [&] {
                  uint16_t esc = VK_ESCAPE;
                  form->OnKeyDown(form, esc, 0);
                });
  EXPECT_EQ(form->ShowModal(), classlib::mrCancel);
  EXPECT_EQ(phase, 2);
  EXPECT_EQ(dialogs.Messages(), (Lines{"Please stop converting at first, then close the window!"}));
  EXPECT_EQ(ListFiles(out).size(), 30u);
}

TEST_F(ConversionTest, StopEndsTheRunAtTheNextFrame) {
  // A playing job (sequence mode 0) waits on the frame lock; Stop ends that wait.
  WriteColorMovie(dir + "/a.swf", 32, 24, 50, 200);
  WriteColorMovie(dir + "/b.swf", 32, 24, 50, 5);
  TCovSettings* a = AddJob(dir + "/a.swf", dtAVI);
  a->destSequenceMode = 0;
  AddJob(dir + "/b.swf", dtAVI);
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 4; }, [&] { form->mniStop->Click(); });
  RunBatch();

  EXPECT_EQ(ListFiles(out), (Lines{"a.avi"}));  // the second job never ran
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_GE(m.videoFrames, 4);
  EXPECT_LT(m.videoFrames, 100);
  // The pictures so far are the movie's frames in order.
  EXPECT_EQ(DecodePicture(out + "a.avi", 0).Rgb(5, 5), FrameColor(1));
  EXPECT_EQ(DecodePicture(out + "a.avi", 3).Rgb(5, 5), FrameColor(4));
  const Lines lines = LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "Status:> Stop converting");
  EXPECT_EQ(lines.back(), "Status:> All Finished");
}

TEST_F(ConversionTest, CancelEndsOnlyTheCurrentJob) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 60);
  WriteColorMovie(dir + "/b.swf", 32, 24, 10, 4);
  AddJob(dir + "/a.swf", dtImages);
  AddJob(dir + "/b.swf", dtImages);
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 3; },
                [&] { form->mniCancel->Click(); });
  RunBatch();

  const Lines files = ListFiles(out);
  const auto count = [&](const std::string& prefix) {
    return std::count_if(files.begin(), files.end(),
                         [&](const std::string& f) { return f.rfind(prefix, 0) == 0; });
  };
  EXPECT_GE(count("a-"), 3);
  EXPECT_LT(count("a-"), 60);
  EXPECT_EQ(count("b-"), 4);
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2], "Status:> Cancel converting \"a.swf\" to Image Sequence.");
  // A cancelled image job still logs its finish line.
  EXPECT_EQ(lines[3], "Status:> Finish converting \"a.swf\" to Image Sequence.");
  EXPECT_EQ(lines[5], "Status:> Finish converting \"b.swf\" to Image Sequence.");
}

TEST_F(ConversionTest, QuittingTheProgramEndsAWaitingRun) {
  // Jobs that wait on the frame lock (sequence mode 0): once the program is asked to quit no
  // frame becomes ready again, so the run must end instead of waiting or spinning for ever.
  ASSERT_EQ(classlib::Application->MainForm(), nullptr);
  WriteColorMovie(dir + "/a.swf", 32, 24, 50, 200);
  WriteColorMovie(dir + "/b.swf", 32, 24, 50, 200);
  AddJob(dir + "/a.swf", dtImages)->destSequenceMode = 0;
  AddJob(dir + "/b.swf", dtAVI)->destSequenceMode = 0;
  WhenDuringRun([&] { return form->prbCurrent->Position() >= 3; },
                [] { classlib::Application->Terminate(); });
  RunBatch();
  const bool quit = classlib::Application->Terminated();
  classlib::Application->Run();  // without a main form this only clears the quit request
  ASSERT_TRUE(quit);

  const Lines files = ListFiles(out);
  EXPECT_GE(files.size(), 3u);
  EXPECT_LT(files.size(), 200u);
  EXPECT_FALSE(classlib::FileExists(out + "b.avi"));  // the batch ended with the first job
  EXPECT_EQ(form->JobObjects(), nullptr);             // nothing of the ended job is left
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "Status:> Finish converting \"a.swf\" to Image Sequence.");
  EXPECT_EQ(lines[3], "Status:> All Finished");
}

TEST_F(ConversionTest, MissingMovieIsNamedAndUncreatableFolderIsReported) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
  WriteColorMovie(dir + "/b.swf", 32, 24, 10, 3);
  WriteColorMovie(dir + "/c.swf", 32, 24, 10, 3);
  AddJob(dir + "/a.swf", dtAVI);
  TCovSettings* b = AddJob(dir + "/b.swf", dtImages);
  TCovSettings* c = AddJob(dir + "/c.swf", dtAVI);
  std::remove((dir + "/a.swf").c_str());
  // A folder below a plain file can never be created.
  std::ofstream(dir + "/plain") << "x";
  b->destFilepath = dir + "/plain/sub/";
  c->destFilepath = dir + "/plain/sub/";
  RunBatch();
  EXPECT_EQ(LogLines(),
            (Lines{"Status:> Ready... Click \"Start!\" menu to begin converting.",
                   "Status:> Source file does not exist: \"" + dir + "/a.swf\"",
                   "Status:> Converting \"b.swf\" to Image Sequence. | " + dir + "/plain/sub/b",
                   "Status:> Error writing to output file.",
                   "Status:> Converting \"c.swf\" to AVI. | " + dir + "/plain/sub/c.avi",
                   "Status:> Error writing to output file.", "Status:> All Finished"}));
}

TEST_F(ConversionTest, UnwritableOutputEndsTheJobWithTheWriteErrorLine) {
  // Nothing can be created in /proc, whoever runs the test.
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
  WriteColorMovie(dir + "/b.swf", 32, 24, 10, 3);
  TCovSettings* a = AddJob(dir + "/a.swf", dtImages);
  a->destFilepath = "/proc/";
  TCovSettings* b = AddJob(dir + "/b.swf", dtAVI);
  b->destFilepath = "/proc/";
  RunBatch();
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "Status:> Converting \"a.swf\" to Image Sequence. | /proc/a");
  EXPECT_EQ(lines[2], "Status:> Error writing to output file.");
  EXPECT_EQ(lines[3], "Status:> Converting \"b.swf\" to AVI. | /proc/b.avi");
  EXPECT_EQ(lines[4], "Status:> Error writing to output file.");
}

// A sound file the library cannot read raises its error question.
class ErrorPolicyTest : public ConversionTest {
 protected:
  void AddJobs() {
    WriteColorMovie(dir + "/a.swf", 32, 24, 10, 3);
    WriteColorMovie(dir + "/b.swf", 32, 24, 10, 3);
    std::ofstream(dir + "/bad.wav") << "this is not a sound file";
    TCovSettings* a = AddJob(dir + "/a.swf", dtAVI);
    a->adoSource = asImport;
    a->adoFilename = dir + "/bad.wav";
    AddJob(dir + "/b.swf", dtAVI);
  }
};

TEST_F(ErrorPolicyTest, AbortEndsTheBatchAfterTheFailingJob) {
  AddJobs();
  form->mniErrAbort->Click();
  EXPECT_TRUE(form->mniErrAbort->Checked());
  EXPECT_FALSE(form->mniErrIgnore->Checked());
  RunBatch();
  EXPECT_TRUE(dialogs.Messages().empty());
  EXPECT_FALSE(classlib::FileExists(out + "b.avi"));
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[2].find("Status:> "), std::string::npos);
  EXPECT_EQ(lines[2].find("Finish"), std::string::npos);
}

TEST_F(ErrorPolicyTest, IgnoreGoesOnWithoutTheSound) {
  AddJobs();
  RunBatch();  // "Ignore(Recommended)" is the policy at start
  EXPECT_TRUE(dialogs.Messages().empty());
  MediaInfo a = ProbeMedia(out + "a.avi");
  EXPECT_TRUE(a.hasVideo);
  EXPECT_FALSE(a.hasAudio);
  EXPECT_TRUE(classlib::FileExists(out + "b.avi"));
}

TEST_F(ErrorPolicyTest, AskMeShowsTheFileAndTakesTheAnswer) {
  AddJobs();
  form->mniErrAsk->Click();
  dialogs.MessageAnswers.push_back(classlib::mrAbort);
  RunBatch();
  ASSERT_EQ(dialogs.Calls.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].Message.Text,
            "An error occurs while converting, in most time, please ignore it.\nFileName: \"" +
                dir + "/bad.wav\"");
  EXPECT_EQ(dialogs.Calls[0].Message.Buttons,
            (std::vector<int>{classlib::mrAbort, classlib::mrRetry, classlib::mrIgnore}));
  EXPECT_FALSE(classlib::FileExists(out + "b.avi"));  // abort ends the batch
}

TEST_F(ConversionTest, BackgroundColourMenu) {
  dialogs.ColorAnswers.push_back(0x00332211);  // canvas colour: red 0x11, green 0x22, blue 0x33
  form->mniBackCustomize->Click();
  EXPECT_TRUE(form->mniBackCustomize->Checked());
  EXPECT_FALSE(form->mniBackDefault->Checked());
  EXPECT_EQ(form->KeyColor, 0x112233u);
  EXPECT_EQ(form->Flash->BackgroundColor(), 0x112233);
  EXPECT_EQ(form->mniBackground->Bitmap()->Canvas()->Pixels(5, 5), 0x00332211u);

  // A cancelled dialog keeps the colour but still checks "Customize".
  form->mniBackDefault->Click();
  form->mniBackCustomize->Click();
  EXPECT_TRUE(form->mniBackCustomize->Checked());
  EXPECT_EQ(form->KeyColor, 0xFFFFFFu);

  form->mniBackDefault->Click();
  EXPECT_TRUE(form->mniBackDefault->Checked());
  EXPECT_EQ(form->Flash->BackgroundColor(), 0xFFFFFF);
  EXPECT_EQ(form->mniBackground->Bitmap()->Canvas()->Pixels(5, 5), classlib::clWhite);
}

TEST_F(ConversionTest, OnlyExtractedTemporaryMoviesAreDeleted) {
  const std::string tmp = GetTempDirectory();
  // A projector: some player bytes, the movie, the trailer.
  WriteColorMovie(dir + "/inner.swf", 32, 24, 10, 2);
  std::string movie;
  {
    std::ifstream in(dir + "/inner.swf", std::ios::binary);
    movie.assign(std::istreambuf_iterator<char>(in), {});
  }
  {
    std::ofstream exe(dir + "/game.exe", std::ios::binary);
    exe << std::string(100, 'P') << movie;
    const uint32_t trailer[2] = {kProjectorMarker, static_cast<uint32_t>(movie.size())};
    exe.write(reinterpret_cast<const char*>(trailer), sizeof trailer);
  }
  // A user's movie that happens to look like one of our temporary files.
  const std::string own = tmp + "QZTusers-own-movie.swf";
  WriteColorMovie(own, 32, 24, 10, 2);

  TCovSettings* p = AddJob(dir + "/game.exe", dtImages);
  TCovSettings* q = AddJob(own, dtImages);
  RunBatch();
  EXPECT_EQ(ListFiles(out), (Lines{"QZTusers-own-movie-1.png", "QZTusers-own-movie-2.png",
                                   "game-1.png", "game-2.png"}));
  // The extraction was made in the temporary folder and is gone; the user's files stay.
  EXPECT_EQ(classlib::ExtractFilePath(p->swfPlayFilename), tmp);
  EXPECT_FALSE(classlib::FileExists(p->swfPlayFilename));
  EXPECT_TRUE(classlib::FileExists(dir + "/game.exe"));
  EXPECT_EQ(q->swfPlayFilename, own);
  EXPECT_TRUE(classlib::FileExists(own));
  std::remove(own.c_str());

  EXPECT_TRUE(IsJobTempFile(tmp + "QZT1234.swf", *p));
  EXPECT_FALSE(IsJobTempFile(tmp + "qzt1234.swf", *p));
  EXPECT_FALSE(IsJobTempFile(tmp + "sub/QZT1234.swf", *p));
  EXPECT_FALSE(IsJobTempFile(dir + "/QZT1234.swf", *p));
  p->adoFilename = tmp + "QZTimported.wav";
  EXPECT_FALSE(IsJobTempFile(p->adoFilename, *p));
}

TEST(ConversionHelpers, ZeroPadNumberAndStatusLines) {
  EXPECT_EQ(ZeroPadNumber(1, 3), "001");
  EXPECT_EQ(ZeroPadNumber(100, 3), "100");
  EXPECT_EQ(ZeroPadNumber(1234, 2), "1234");
  EXPECT_EQ(ZeroPadNumber(7, 0), "7");
  TCovSettings j;
  j.swfFilename = "/m/clip.swf";
  j.destType = dtMPEG;
  EXPECT_EQ(ResultStatusLine(0, j), "Status:> Finish converting \"clip.swf\" to MPEG.");
  EXPECT_EQ(ResultStatusLine(20, j),
            "Status:> Mcl handle passed to a function wasn not initialized.");
  EXPECT_EQ(ResultStatusLine(6, j), "");
  j.destType = 77;  // out of range: the default output type
  EXPECT_EQ(DestTypeSuffix(j), " to AVI.");
  EXPECT_EQ(SafeFrameRate(0), 1);
  EXPECT_EQ(SafeFrameRate(-5), 1);
  EXPECT_EQ(SafeFrameRate(24), 24);
}

}  // namespace
