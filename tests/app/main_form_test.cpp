// The main window: a full restart cycle (add, uncheck, close, restore, convert), the list
// commands, the summary texts, the preview's counter, slider and commands, exit clean-up,
// re-entrant commands from inside the player's tick, and the window's layout.
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/interact_form.h"
#include "app/job_list_file.h"
#include "app/movie_file.h"
#include "app/seek_form.h"
#include "controls/aa_label.h"
#include "controls/bmp_slider.h"
#include "controls/morph_button.h"
#include "controls/sui_menu.h"
#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/message_queue.h"
#include "platform/classlib/shell_open.h"
#include "platform/classlib/system_move.h"
#include "platform/classlib/timer.h"
#include "tests/app/conversion_fixture.h"
#include "tests/app/main_form_fixture.h"
#include "treectl/tree.h"
#include "treectl/tree_view.h"

using namespace lumicast;
using namespace classlib;
using namespace mainformtest;

namespace {

void Tick(TMainFrm* f) { f->PreviewPlayer->Perform(WM_TIMER, TShockwaveFlash::FrameTimerID); }

// Paints the job list's view so that clicks are hit-tested against the rows as shown.
void PaintList(TMainFrm* f) {
  TBitmap b;
  b.SetSize(f->lstFile->View()->Width(), f->lstFile->View()->Height());
  f->lstFile->View()->PaintTo(b.Canvas(), 0, 0);
}

void ClickCheckBox(TMainFrm* f, int Row) {
  PaintList(f);
  const intptr_t at = MakeLParam(10, Row * 18 + 8);
  f->lstFile->View()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  f->lstFile->View()->Perform(WM_LBUTTONUP, 0, at);
}

// What a summary label says: its whole text, also when the box shows it cut short.
std::string Shown(TLabel* Label) {
  return Label->Hint().empty() ? Label->Caption() : Label->Hint();
}

struct stat StatOf(const std::string& Path) {
  struct stat st {};
  ::stat(Path.c_str(), &st);
  return st;
}

}  // namespace

TEST_F(MainFormTest, JobsSurviveARestartAndTheCheckedOnesConvert) {
  const std::string plain = dir + "/  odd=na\xE9me .swf";  // not UTF-8, "=", blanks
  const std::string packed = dir + "/packed.swf";
  const std::string projector = dir + "/game.exe";
  const std::string out = dir + "/out/";
  WriteMovie(plain, 5);
  WriteMovie(packed, 4, true, 320, 240);
  WriteProjector(projector, 6);
  std::filesystem::create_directory(out);

  Open();
  AddByClicking({plain, packed, projector});
  ASSERT_EQ(form->JobCount(), 3);
  EXPECT_EQ(ItemTexts()[0], "  odd=na\xE9me .swf@" + dir + "/");
  EXPECT_EQ(Job(2)->swfFileType, sfkProjectorSwf);
  for (int i = 0; i < 3; ++i) {
    // Where the settings window would put the outputs.
    Job(i)->destFilepath = out;
    Job(i)->adoSource = asNone;
    Job(i)->destSequenceMode = 2;
  }
  ClickCheckBox(form, 1);
  EXPECT_FALSE(form->lstFile->Items()->Item(1)->Checked());
  EXPECT_TRUE(form->Modified);
  const std::string extracted = Job(2)->swfPlayFilename;
  EXPECT_TRUE(FileExists(extracted));
  CloseAndDestroy();
  EXPECT_FALSE(FileExists(extracted));  // the extraction is a temporary file of the run

  const ParsedIni saved = ParseIni(ReadFileBytes(list));
  EXPECT_EQ(saved.sections, (std::vector<std::string>{"General", "Task0", "Task1", "Task2"}));
  EXPECT_EQ(saved.Keys("General"),
            (std::vector<std::string>{"ID", "TaskCount", "IsShowTips", "IsSetAudioSource"}));
  for (const char* task : {"Task0", "Task1", "Task2"}) {
    const std::vector<std::string> keys = saved.Keys(task);
    ASSERT_EQ(keys.size(), 68u) << task;
    EXPECT_EQ(keys.front(), "IsItemChecked");
    EXPECT_EQ(keys[20], "adoSyncOffset");
    EXPECT_EQ(keys.back(), "destImageJPEGQuality");
  }
  EXPECT_EQ(saved.Value("Task0", "swfFilename"), plain);
  EXPECT_EQ(saved.Value("Task1", "IsItemChecked"), "0");
  EXPECT_EQ(saved.Value("Task1", "swfFileType"), "1");

  Open();
  EXPECT_EQ(ItemTexts(),
            (std::vector<std::string>{"  odd=na\xE9me .swf@" + dir + "/", "packed.swf@" + dir + "/",
                                      "game.exe@" + dir + "/"}));
  EXPECT_TRUE(form->lstFile->Items()->Item(0)->Checked());
  EXPECT_FALSE(form->lstFile->Items()->Item(1)->Checked());
  EXPECT_EQ(form->lstFile->Items()->Item(2)->ColumnText()->Get(1), "game.avi@" + out);
  EXPECT_EQ(Job(1)->swfW, 320);
  EXPECT_EQ(Job(2)->swfPlayFilename, "");
  EXPECT_EQ(form->PreviewPlayer->Movie(), plain);  // item 0 is previewed
  EXPECT_EQ(form->PreviewPlayer->TotalFrames(), 5);
  EXPECT_EQ(form->labSrcTotalFrames->Caption(), "Total Frames: 5 frames");
  const std::string bytes = ReadFileBytes(list);
  const struct stat before = StatOf(list);
  CloseAndDestroy();
  EXPECT_EQ(ReadFileBytes(list), bytes);  // nothing changed, nothing written
  EXPECT_EQ(StatOf(list).st_ino, before.st_ino);

  // Convert, then "&Start!" in the conversion window.
  Open();
  ConvertByClicking(true);
  EXPECT_EQ(form->PreviewPlayer->Movie(), plain);  // the preview is back
  for (const auto& [name, frames, w, h] :
       {std::tuple{std::string("  odd=na\xE9me .avi"), 5, 550, 400},
        std::tuple{std::string("game.avi"), 6, 550, 400}}) {
    const convtest::MediaInfo info = convtest::ProbeMedia(out + name);
    ASSERT_TRUE(info.ok) << name;
    EXPECT_EQ(info.videoFrames, frames) << name;
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
    EXPECT_NEAR(info.fps, 12, 0.01);
  }
  EXPECT_FALSE(FileExists(out + "packed.avi"));
}

TEST_F(MainFormTest, RemoveClearAndCheckAll) {
  const std::string m = dir + "/m.swf";
  WriteMovie(m, 3);
  Open();
  AddByClicking({m, m, m});
  ASSERT_EQ(form->JobCount(), 3);
  form->Modified = false;

  // Remove with several jobs deletes the selected one; the list selects the previous job.
  Select(1);
  Click(form->btnRemove);
  EXPECT_EQ(form->JobCount(), 2);
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(form->lstFile->Selected(), form->lstFile->Items()->Item(0));

  // Clear answered No changes nothing.
  form->Modified = false;
  dialogs.MessageAnswers.push_back(mrNo);
  Click(form->btnClear);
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0], "Are you sure you want to clear all items?");
  EXPECT_EQ(form->JobCount(), 2);
  EXPECT_FALSE(form->Modified);

  // Uncheck All through the pop-up menu is recorded, and the close writes it.
  form->menPopup->Items()->Items(7)->Click();
  EXPECT_TRUE(form->Modified);
  CloseAndDestroy();
  ParsedIni saved = ParseIni(ReadFileBytes(list));
  EXPECT_EQ(saved.Value("Task0", "IsItemChecked"), "0");
  EXPECT_EQ(saved.Value("Task1", "IsItemChecked"), "0");

  Open();
  form->menCheckAll->Click();
  EXPECT_TRUE(form->Modified);
  // Remove of the last two: the second empties the list and unloads the preview.
  Click(form->btnRemove);
  EXPECT_EQ(form->JobCount(), 1);
  Select(0);
  Click(form->btnRemove);
  EXPECT_EQ(form->JobCount(), 0);
  EXPECT_EQ(form->PreviewPlayer->Movie(), " ");
  EXPECT_EQ(form->labCurrentFrame->Caption(), "Current Frame");
  // On an empty list these do nothing and ask nothing.
  const size_t asked = dialogs.Calls.size();
  Click(form->btnClear);
  Click(form->btnRemove);
  form->lstFile->OnDblClick(form->lstFile);
  EXPECT_EQ(dialogs.Calls.size(), asked);

  AddByClicking({m});
  dialogs.MessageAnswers.push_back(mrYes);
  Click(form->btnClear);
  EXPECT_EQ(form->JobCount(), 0);
  EXPECT_EQ(form->PreviewPlayer->Movie(), " ");
}

TEST_F(MainFormTest, SummaryTexts) {
  const std::string m = dir + "/m.swf";
  WriteMovie(m, 3);
  Open();
  AddByClicking({m});
  TCovSettings& j = *Job(0);
  auto show = [&] { form->ShowSettings(&j); };
  show();
  EXPECT_EQ(Shown(form->labSrcType), "Type: Uncompressed Flash File");
  EXPECT_EQ(Shown(form->labSrcVersion), "Version: Flash 6");
  EXPECT_EQ(Shown(form->labSrcFrameRate), "Frame Rate: 12 fps");
  EXPECT_EQ(Shown(form->labSrcWidthxHeight), "WidthxHight: 550x400 pixels");
  EXPECT_EQ(Shown(form->labExportType), "Type: AVI");
  EXPECT_EQ(Shown(form->labCodec), "Video Format: Full frames, uncompressed");

  j.swfFileType = sfkProjectorCompressedSwf;
  j.swfFilename = m;  // still shown: extraction is only for projector files that extract
  j.destType = dtMPEG;
  j.destMPEGCodec = 5;
  j.destSequenceMode = 1;
  j.destColorDepth = 1;
  j.adoSource = asRecord;
  j.adoFileType = 0;
  j.destStartFrame = 2;
  j.destEndFrame = 9;
  j.destW = 352;
  j.destH = 288;
  show();
  EXPECT_EQ(Shown(form->labSrcType), "Type: Compressed Flash File");
  EXPECT_EQ(Shown(form->labExportType), "Type: MPEG");
  EXPECT_EQ(Shown(form->labCodec), "Video Format: SVCD-PAL");
  EXPECT_EQ(Shown(form->labExportSequence), "Mode: Skip");
  EXPECT_EQ(Shown(form->labColorDepth), "Color: 32bits with alpha channel");
  EXPECT_EQ(Shown(form->labAudioFormat), "Audio Format: WAVE");
  EXPECT_EQ(Shown(form->labStartEndFrame), "Export from 2 to 9 frame");
  EXPECT_EQ(Shown(form->labWidthxHeight), "WidthxHeight: 352x288 pixels");

  j.swfFileType = static_cast<TSwfFileKind>(9);
  j.destType = dtImages;
  j.destImageType = 1;
  j.destSequenceMode = 2;
  j.destColorDepth = 0;
  j.adoSource = asImport;
  show();
  EXPECT_EQ(Shown(form->labSrcType), "Type: Invalid File");
  EXPECT_EQ(Shown(form->labExportType), "Type: Image Sequence");
  EXPECT_EQ(Shown(form->labCodec), "Video Format: TAG");
  EXPECT_EQ(Shown(form->labExportSequence), "Mode: Frame by frame");
  EXPECT_EQ(Shown(form->labColorDepth), "Color: 24bits no alpha channel");
  EXPECT_EQ(Shown(form->labAudioFormat), "Audio Format: Depend on existing file");
  j.destType = dtGIF;
  j.destImageType = 77;
  j.adoSource = asNone;
  show();
  EXPECT_EQ(Shown(form->labCodec), "Video Format: GIF89a");
  EXPECT_EQ(Shown(form->labAudioFormat), "Audio Format: None");
  j.destType = dtImages;
  show();
  EXPECT_EQ(Shown(form->labCodec), "Video Format: PNG");

  // A text wider than its box ends in "...", and still fits.
  j.destType = dtAVI;
  j.destAVICodec = std::string(200, 'W');
  show();
  const std::string shown = form->labCodec->Caption();
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  TBitmap scratch;
  scratch.Canvas()->Font()->Assign(form->labCodec->Font());
  EXPECT_LE(scratch.Canvas()->TextWidth(shown), form->labCodec->Width());
}

TEST_F(MainFormTest, FormatFileSizeUsesSixtyFourBitsAndSeparators) {
  auto sized = [&](const std::string& name, off_t size) {
    const std::string p = dir + "/" + name;
    const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY, 0644);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    return p;
  };
  EXPECT_EQ(FormatFileSize(sized("a", 0)), "0Bytes");
  EXPECT_EQ(FormatFileSize(sized("b", 1023)), "1023Bytes");
  EXPECT_EQ(FormatFileSize(sized("c", 1024)), "1.00KB");
  EXPECT_EQ(FormatFileSize(sized("d", 1536)), "1.50KB");
  EXPECT_EQ(FormatFileSize(sized("e", 1048575)), "1,024.00KB");
  EXPECT_EQ(FormatFileSize(sized("f", 1048576)), "1.00MB");
  EXPECT_EQ(FormatFileSize(sized("g", off_t(5) << 30)), "5,120.00MB");  // sparse
  EXPECT_THROW(FormatFileSize(dir + "/missing"), EFOpenError);
  EXPECT_THROW(FormatFileSize(dir), EFOpenError);
}

TEST_F(MainFormTest, AFirstJobThatCannotBeShownIsReportedAndTheLoadGoesOn) {
  // The movie exists but is a pipe: its size cannot be read.
  const std::string m = dir + "/m.swf";
  const std::string pipe = dir + "/pipe.swf";
  WriteMovie(m, 3);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  WriteFileBytes(list, "[General]\nTaskCount=2\n\n[Task0]\nswfFilename=" + pipe +
                           "\n\n[Task1]\nswfFilename=" + m + "\n\n");
  Open();
  EXPECT_EQ(form->JobCount(), 2);
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_NE(dialogs.Messages()[0].find("pipe.swf"), std::string::npos);
  EXPECT_EQ(form->labSrcSize->Caption(), "Size: ");
  EXPECT_EQ(form->PreviewPlayer->Movie(), " ");

  // After a job that showed, a failing one leaves none of the other's data on screen.
  Select(1);
  EXPECT_EQ(form->PreviewPlayer->Movie(), m);
  Job(0)->swfW = 17;
  EXPECT_THROW(form->ShowSettings(Job(0)), EFOpenError);
  EXPECT_EQ(form->labSrcWidthxHeight->Caption(), "WidthxHight: 17x0 pixels");
  EXPECT_EQ(form->PreviewPlayer->Movie(), " ");
}

TEST_F(MainFormTest, FrameCounterSliderAndPreviewCommands) {
  const std::string m = dir + "/m.swf";
  WriteMovie(m, 10);
  Open();
  AddByClicking({m});
  EXPECT_EQ(form->trkSeek->MaxValue(), 10);
  Click(form->btnPlay);
  for (int guard = 0; form->PreviewPlayer->CurrentFrame() < 3 && guard < 20; ++guard) Tick(form);
  Tick(form);  // the counter shows the frame the tick started from
  EXPECT_EQ(form->labCurrentFrame->Caption(), "3/10 Frames");
  EXPECT_EQ(form->trkSeek->Value(), 3);

  // While the thumb is held, ticks leave the counter and the slider alone.
  TWinControl* thumb = form->trkSeek->Thumb();
  thumb->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 5));
  EXPECT_TRUE(form->Seeking);
  Tick(form);
  EXPECT_EQ(form->labCurrentFrame->Caption(), "3/10 Frames");
  EXPECT_EQ(form->trkSeek->Value(), 3);
  const int step = form->trkSeek->ValueToPosition(8) - form->trkSeek->ValueToPosition(3);
  thumb->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(2 + step, 5));
  const int target = form->trkSeek->Value();
  EXPECT_GT(target, 5);
  EXPECT_EQ(form->labCurrentFrame->Caption(), std::to_string(target) + "/10 Frames");
  thumb->Perform(WM_LBUTTONUP, 0, MakeLParam(2 + step, 5));
  EXPECT_FALSE(form->Seeking);
  EXPECT_EQ(form->PreviewPlayer->CurrentFrame(), target);
  EXPECT_FALSE(form->PreviewPlayer->IsPlaying());

  // Stop reloads the movie at its first frame, stopped.
  Click(form->btnPlay);
  Tick(form);
  Tick(form);
  Click(form->btnStop);
  EXPECT_EQ(form->PreviewPlayer->Movie(), m);
  EXPECT_EQ(form->PreviewPlayer->CurrentFrame(), 1);
  EXPECT_FALSE(form->PreviewPlayer->IsPlaying());
  Click(form->btnForward);
  EXPECT_EQ(form->PreviewPlayer->CurrentFrame(), 2);
  Click(form->btnBack);
  EXPECT_EQ(form->PreviewPlayer->CurrentFrame(), 1);
  Click(form->btnPlay);
  Click(form->btnPause);
  EXPECT_FALSE(form->PreviewPlayer->IsPlaying());
}

TEST_F(MainFormTest, WindowCommands) {
  Open();
  // A press on the background asks the window system to move the window.
  const int moves = SystemMoveCount();
  form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(300, 15));
  form->Perform(WM_LBUTTONUP, 0, MakeLParam(300, 15));
  EXPECT_EQ(SystemMoveCount(), moves + 1);
  form->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(300, 15));
  EXPECT_EQ(SystemMoveCount(), moves + 1);

  // Hover and press look of the text buttons.
  form->Perform(WM_MOUSEMOVE, 0, MakeLParam(form->btnHelp->Left() + 3, form->btnHelp->Top() + 3));
  EXPECT_EQ(form->btnHelp->Font()->Color(), clYellow);
  const int left = form->btnHelp->Left();
  form->SetLabelState(form->btnHelp, 1);
  EXPECT_EQ(form->btnHelp->Left(), left + 1);
  form->SetLabelState(form->btnHelp, 2);
  form->SetLabelState(form->btnHelp, 3);
  EXPECT_EQ(form->btnHelp->Left(), left);
  EXPECT_EQ(form->btnHelp->Font()->Color(), clBlack);

  // Help opens the page beside the program.
  std::vector<std::string> opened;
  auto previous = SetShellOpenService([&](const std::string& t, const std::string&, TWinControl*) {
    opened.push_back(t);
    return true;
  });
  form->btnHelpClick(form);
  SetShellOpenService(previous);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(ExtractFileName(opened[0]), "tessaro.html");

  // The splitter shares the well between the list and the preview, each at least 30 high.
  const int list_height = form->lstFile->Height();
  form->Splitter1->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 1));
  form->Splitter1->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(5, 41));
  EXPECT_EQ(form->lstFile->Height(), list_height + 40);
  form->Splitter1->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(5, 1000));
  EXPECT_EQ(form->panPreview->Height(), 30);
  form->Splitter1->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(5, -1000));
  EXPECT_EQ(form->lstFile->Height(), 30);
  form->Splitter1->Perform(WM_LBUTTONUP, 0, MakeLParam(5, -1000));
}

TEST_F(MainFormTest, ExitDeletesOnlyTheProgramsTemporaryFiles) {
  const std::string m = dir + "/m.swf";
  WriteMovie(m, 3);
  const std::string tmp = GetTempDirectory();
  const std::string ours = CreateTempFileName(".swf");
  const std::string sound = CreateTempFileName(".wav");
  const std::string lower = tmp + "qzt" + ExtractFileName(ours).substr(3) + "x";
  const std::string elsewhere = dir + "/QZTelsewhere.wav";
  WriteFileBytes(lower, "x");
  WriteFileBytes(elsewhere, "x");
  Open();
  AddByClicking({m, m, m});
  Job(0)->swfPlayFilename = ours;
  Job(0)->adoWorkFilename = sound;
  Job(1)->swfPlayFilename = lower;
  Job(1)->adoWorkFilename = elsewhere;
  Job(2)->swfFilename = Job(2)->swfPlayFilename = ours + ".own";
  WriteFileBytes(ours + ".own", "x");  // the user's own file, named like ours
  CloseAndDestroy();
  EXPECT_FALSE(FileExists(ours));
  EXPECT_FALSE(FileExists(sound));
  EXPECT_TRUE(FileExists(lower));
  EXPECT_TRUE(FileExists(elsewhere));
  EXPECT_TRUE(FileExists(ours + ".own"));
  DeleteFile(lower);
  DeleteFile(ours + ".own");
}

TEST_F(MainFormTest, ADeletedProjectorExtractionIsMadeAgain) {
  const std::string projector = dir + "/game.exe";
  const std::string m = dir + "/m.swf";
  WriteProjector(projector, 4);
  WriteMovie(m, 3);
  Open();
  AddByClicking({projector, m});
  const std::string first = Job(0)->swfPlayFilename;
  ASSERT_TRUE(FileExists(first));
  DeleteFile(first);
  Select(0);
  const std::string second = Job(0)->swfPlayFilename;
  EXPECT_TRUE(FileExists(second));
  EXPECT_EQ(form->PreviewPlayer->Movie(), second);
  EXPECT_EQ(form->PreviewPlayer->TotalFrames(), 4);
  // Shown again while the file lasts: no new extraction.
  Select(1);
  Select(0);
  EXPECT_EQ(Job(0)->swfPlayFilename, second);
}

TEST_F(MainFormTest, APlayerThatCannotBeMadeEndsTheProgram) {
  ASSERT_EQ(Application->MainForm(), nullptr);
  TMainFrm::PreviewPlayerFactory = [](TWinControl*) -> TShockwaveFlashEx* {
    throw Exception("no player");
  };
  Open(false);
  TMainFrm::PreviewPlayerFactory = nullptr;
  EXPECT_TRUE(Application->Terminated());
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0],
            "Shockwave Flash OCX file lost, please re-install it,\rthen try it again! "
            "Now,the application terminate!");
  EXPECT_EQ(form->PreviewPlayer, nullptr);
  delete form;
  form = nullptr;
  Application->Run();  // without a main window this only clears the request to end
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(MainFormTest, CommandsRunFromInsideThePlayersTick) {
  const std::string m = dir + "/m.swf";
  WriteMovie(m, 6);
  Open();
  AddByClicking({m});
  auto post_click = [this](TControl* c) {
    const int x = c->Left() + c->Width() / 2, y = c->Top() + c->Height() / 2;
    PostMessage(form, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y));
    PostMessage(form, WM_LBUTTONUP, 0, MakeLParam(x, y));
  };
  Click(form->btnPlay);
  Tick(form);
  Tick(form);
  post_click(form->btnStop);
  Tick(form);
  EXPECT_FALSE(form->PreviewPlayer->IsPlaying());
  EXPECT_LE(form->PreviewPlayer->CurrentFrame(), 2);

  AttachConversionWindow(false);
  Click(form->btnPlay);
  post_click(form->btnConvert);
  Tick(form);
  EXPECT_EQ(form->PreviewPlayer->Movie(), m);
  DetachConversionWindow();

  // Remove of the last job from inside the tick unloads the preview under it.
  Click(form->btnPlay);
  post_click(form->btnRemove);
  Tick(form);
  Tick(form);
  EXPECT_EQ(form->JobCount(), 0);
  EXPECT_EQ(form->PreviewPlayer->Movie(), " ");
}

TEST_F(MainFormTest, EveryControlLiesInsideItsParentWithoutOverlapsAndCaptionsFit) {
  Open();
  std::vector<TControl*> placed;
  for (int i = 0; i < form->ControlCount(); ++i) {
    TControl* c = form->Controls(i);
    if (c == form->imagBack || !c->Visible()) continue;
    SCOPED_TRACE(c->Name());
    EXPECT_GE(c->Left(), 0);
    EXPECT_GE(c->Top(), 0);
    EXPECT_LE(c->Left() + c->Width(), form->ClientWidth());
    EXPECT_LE(c->Top() + c->Height(), form->ClientHeight());
    placed.push_back(c);
  }
  for (size_t a = 0; a < placed.size(); ++a)
    for (size_t b = a + 1; b < placed.size(); ++b) {
      const TRect ra = placed[a]->BoundsRect(), rb = placed[b]->BoundsRect();
      const bool overlap =
          ra.Left < rb.Right && rb.Left < ra.Right && ra.Top < rb.Bottom && rb.Top < ra.Bottom;
      EXPECT_FALSE(overlap) << placed[a]->Name() << " / " << placed[b]->Name();
    }
  // The well's parts stack without gaps.
  EXPECT_EQ(form->lstFile->Height(), 149);
  EXPECT_EQ(form->Splitter1->Top(), form->lstFile->Top() + 149);
  EXPECT_EQ(form->panPreview->Top(), form->Splitter1->Top() + 3);
  EXPECT_EQ(form->panPreview->Top() + form->panPreview->Height(), form->Panel1->ClientHeight());
  // Captions fit their boxes, the summary's too (long ones are cut short with "...").
  TBitmap scratch;
  auto width_of = [&](TControl* c, const std::string& text) {
    scratch.Canvas()->Font()->Assign(c->Font());
    return scratch.Canvas()->TextWidth(text);
  };
  const std::string m = dir + "/a movie with a rather long name for its box.swf";
  WriteMovie(m, 3);
  AddByClicking({m});
  for (TLabel* l : {form->labSrcSize, form->labSrcType, form->labSrcVersion, form->labSrcFrameRate,
                    form->labSrcWidthxHeight, form->labSrcTotalFrames, form->labExportType,
                    form->labCodec, form->labExportSequence, form->labColorDepth,
                    form->labStartEndFrame, form->labWidthxHeight, form->labAudioFormat})
    EXPECT_LE(width_of(l, l->Caption()), l->Width()) << l->Caption();
  EXPECT_LE(width_of(form->labCurrentFrame, "16000/16000 Frames"), form->labCurrentFrame->Width());
  for (controls::TAALabel* b : {form->btnSeek, form->btnHelp, form->btnForward})
    EXPECT_GE(b->Width(), width_of(b, b->Caption()));
  // The pop-up menu's items in order.
  std::vector<std::string> items;
  for (int i = 0; i < form->menPopup->Items()->Count(); ++i)
    items.push_back(form->menPopup->Items()->Items(i)->Caption());
  EXPECT_EQ(items, (std::vector<std::string>{"&Add", "&Remove", "&Clear", "-", "&Settings", "-",
                                             "Check All", "Uncheck All"}));
  EXPECT_EQ(form->lstFile->PopupMenu(), form->menPopup);
  EXPECT_EQ(form->Caption(), "Korvant Lumicast Pro");
}

TEST_F(MainFormTest, TheBatchNamesJobsWhoseMovieVanishedOrChanged) {
  const std::string out = dir + "/out/";
  std::filesystem::create_directory(out);
  const std::string gone = dir + "/gone.swf", junk = dir + "/junk.swf", good = dir + "/good.swf";
  for (const std::string& m : {gone, junk, good}) WriteMovie(m, 3);
  Open();
  AddByClicking({gone, junk, good});
  for (int i = 0; i < 3; ++i) {
    Job(i)->destFilepath = out;
    Job(i)->adoSource = asNone;
    Job(i)->destSequenceMode = 2;
  }
  DeleteFile(gone);
  WriteFileBytes(junk, "not a movie at all");

  const std::vector<std::string> log = ConvertByClicking(true);
  auto has = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  EXPECT_TRUE(has("Status:> Source file does not exist: \"" + gone + "\""));
  EXPECT_TRUE(has("Status:> Not a flash file: \"" + junk + "\""));
  EXPECT_EQ(log.back(), "Status:> All Finished");
  EXPECT_TRUE(FileExists(out + "good.avi"));
  EXPECT_FALSE(FileExists(out + "junk.avi"));
  EXPECT_EQ(form->JobCount(), 3);  // the jobs stay listed
}

TEST_F(MainFormTest, AddAndSeekOpenTheirWindowsOverTheList) {
  const std::string m = dir + "/m.swf";
  const std::string junk = dir + "/notes.swf";
  WriteMovie(m, 30);
  WriteFileBytes(junk, "hello");
  Open();
  AddByClicking({junk, m});
  ASSERT_NE(form->AddForm, nullptr);
  EXPECT_EQ(form->AddForm->memMsg->Lines()->Strings(1), ">>Unsupported file!... \"" + junk + "\"");
  EXPECT_EQ(ItemTexts(), (std::vector<std::string>{"m.swf@" + dir + "/"}));
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(form->PreviewPlayer->Movie(), m);  // the added job is shown
  EXPECT_EQ(form->labSrcTotalFrames->Caption(), "Total Frames: 30 frames");

  TTimer typist(nullptr);
  typist.SetInterval(1);
  int reached = 0;
  typist.OnTimer = [&](TObject*) {
    if (form->SeekForm == nullptr || !form->SeekForm->Visible()) return;
    typist.SetEnabled(false);
    form->SeekForm->edtFrameNumber->SetText("25");
    form->SeekForm->edtFrameNumber->Perform(WM_KEYDOWN, VK_RETURN, 0);
    reached = form->PreviewPlayer->CurrentFrame();
    form->SeekForm->edtFrameNumber->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  };
  typist.SetEnabled(true);
  Click(form->btnSeek);
  EXPECT_EQ(reached, 25);
  EXPECT_FALSE(form->SeekForm->Visible());
  EXPECT_EQ(form->PreviewPlayer->CurrentFrame(), 25);
}
