// The adding window: generated movies and projectors added as jobs, the log and progress texts,
// bad files of every kind, Cancel and closing from inside the run, and the window's layout.
#include <fstream>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>

#include "app/add_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/timer.h"
#include "platform/flash/format/writer.h"
#include "tests/app/window_look.h"
#include "tests/support/test_app.h"
#include "tests/treectl/tree_job_list.h"

namespace {

using namespace lumicast;
using classlib::mrCancel;
using classlib::mrNone;
using classlib::mrOk;
using Lines = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

// A 550x400 movie of `frames` frames at 12 fps.
Bytes MovieBytes(bool compressed, int frames = 60) {
  flash::SwfWriter w(8, 550, 400, 12);
  for (int i = 0; i < frames; ++i) w.ShowFrame();
  return w.Finish(compressed);
}

// A projector: a program stub, the movie, the marker and the movie's length.
Bytes ProjectorBytes(const Bytes& movie) {
  Bytes p(2000);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 13);
  p.insert(p.end(), movie.begin(), movie.end());
  for (uint32_t v : {kProjectorMarker, static_cast<uint32_t>(movie.size())})
    for (int k = 0; k < 4; ++k) p.push_back(static_cast<uint8_t>(v >> (8 * k)));
  return p;
}

// Stands in for the main window: records what it is asked and runs a hook on each job shown.
struct FakeHost : TAddFrmHost {
  std::vector<std::string> shown;
  int modified = 0;
  std::function<void(int Call, TCovSettings* Job)> onShow;  // Call counts from 1
  std::string failFor;                                      // ShowAddedJob raises for this movie
  void ShowAddedJob(TCovSettings* Job) override {
    shown.push_back(Job->swfFilename);
    if (onShow) onShow(static_cast<int>(shown.size()), Job);
    if (Job->swfFilename == failFor) throw classlib::EFOpenError("Cannot open the movie");
  }
  void JobListModified() override { ++modified; }
};

class AddFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guard = std::make_unique<classlib::TDialogServiceGuard>(&dialogs);
    main.form.SetBounds(100, 80, 674, 498);
    lumitest::SetUpJobList(main.tree);
    main.tree->OnItemDeletion = [this](classlib::TObject*, TElTreeItem* item) {
      deletedData.push_back(item->Data);
      delete static_cast<TCovSettings*>(item->Data);
    };
    form = new TAddFrm(nullptr, &main.form, &host);
    form->AfterConstruction();
    form->lstFile = main.tree;
  }
  void TearDown() override {
    delete form;
    main.tree->Items()->Clear();
    guard.reset();
  }
  std::string Write(const std::string& name, const Bytes& data) {
    std::string path = dir.File(name);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return path;
  }
  // Shows the window modally; the test fires its one-shot timer (after `beforeStart` looked at
  // the window as it first appears) and returns the modal result.
  classlib::TModalResult Run(const Lines& files, const std::function<void()>& beforeStart = {},
                             const std::function<void()>& afterRun = {}) {
    form->Files = files;
    classlib::TTimer starter(nullptr);
    starter.SetInterval(1);
    starter.SetOnTimer([&](classlib::TObject*) {
      starter.SetEnabled(false);
      if (beforeStart) beforeStart();
      form->Timer->Fire();
      if (afterRun) afterRun();
    });
    return form->ShowModal();
  }
  Lines Log() const {
    Lines out;
    for (int i = 0; i < form->memMsg->Lines()->Count(); ++i)
      out.push_back(form->memMsg->Lines()->Strings(i));
    return out;
  }
  std::vector<std::string> ListedMovies() const {
    std::vector<std::string> out;
    for (int i = 0; i < main.tree->Items()->Count(); ++i)
      out.push_back(static_cast<TCovSettings*>(main.tree->Items()->Item(i)->Data)->swfFilename);
    return out;
  }
  Lines FiveMovies() {
    Lines files;
    for (int i = 1; i <= 5; ++i)
      files.push_back(Write("m" + std::to_string(i) + ".swf", MovieBytes(false, 5)));
    return files;
  }

  lumitest::TempDir dir;
  classlib::TScriptedDialogService dialogs;
  std::unique_ptr<classlib::TDialogServiceGuard> guard;
  lumitest::TreeHost main{500, 300};
  FakeHost host;
  TAddFrm* form = nullptr;
  std::vector<void*> deletedData;
};

TEST_F(AddFormTest, MoviesAndProjectorsBecomeCheckedJobsAndTheWindowClosesByItself) {
  // A plain movie, a compressed one and a projector under a name that is not UTF-8 and holds
  // "=", "[" and leading blanks: the bytes of every name are kept as they are.
  const std::string odd = dir.File("  [x]=\xE9t\xE9.exe");
  const Lines files = {Write("plain.swf", MovieBytes(false)), Write("packed.swf", MovieBytes(true)),
                       odd};
  Write("  [x]=\xE9t\xE9.exe", ProjectorBytes(MovieBytes(false)));
  std::string firstProgress, firstCaption;
  Lines firstLog;
  EXPECT_EQ(Run(files,
                [&] {
                  firstProgress = form->labProgress->Caption();
                  firstCaption = form->btnAction->Caption();
                  firstLog = Log();
                }),
            mrOk);
  EXPECT_EQ(firstProgress, "Current 0 -- Total 3");
  EXPECT_EQ(firstCaption, "&Cancel");
  EXPECT_TRUE(firstLog.empty());
  // The log is text on screen: the name that is not UTF-8 shows its bytes as replacement
  // characters there, while the job keeps them.
  const Lines log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], ">>Adding file... " + files[0]);
  EXPECT_EQ(log[1], ">>Adding file... " + files[1]);
  EXPECT_EQ(log[2].rfind(">>Adding file... " + dir.Path() + "/  [x]=", 0), 0u) << log[2];
  EXPECT_EQ(log[3], ">>Finish adding files!");
  EXPECT_EQ(form->labProgress->Caption(), "Current: 3 -- Total: 3");
  EXPECT_EQ(form->prgAdd->Max(), 3);
  EXPECT_EQ(form->prgAdd->Position(), 3);
  EXPECT_FALSE(form->Visible());

  ASSERT_EQ(ListedMovies(), files);
  const TSwfFileKind kinds[] = {sfkSwf, sfkCompressedSwf, sfkProjectorSwf};
  for (int i = 0; i < 3; ++i) {
    TElTreeItem* item = main.tree->Items()->Item(i);
    auto* job = static_cast<TCovSettings*>(item->Data);
    EXPECT_EQ(job->swfFileType, kinds[i]);
    EXPECT_EQ(job->swfW, 550);
    EXPECT_EQ(job->swfTotalFrames, 60);
    EXPECT_EQ(job->destEndFrame, 60);
    EXPECT_TRUE(item->ShowCheckBox());
    EXPECT_TRUE(item->Checked());
    EXPECT_TRUE(item->CheckBoxEnabled());
    EXPECT_EQ(item->CheckBoxType(), ectCheckBox);
    EXPECT_EQ(item->Text(), JobItemText(*job));
    ASSERT_EQ(item->ColumnText()->Count(), 2);
    EXPECT_EQ(item->ColumnText()->Strings(0), JobSoundText(*job));
    EXPECT_EQ(item->ColumnText()->Strings(1), JobOutputText(*job));
  }
  EXPECT_EQ(main.tree->Items()->Item(2)->Text(), "  [x]=\xE9t\xE9.exe@" + dir.Path() + "/");
  // Each job was shown as it came; the last one stays selected and focused.
  EXPECT_EQ(host.shown, files);
  EXPECT_EQ(host.modified, 3);
  EXPECT_EQ(main.tree->Selected(), main.tree->Items()->Item(2));
  EXPECT_EQ(main.tree->SelectedCount(), 1);
  EXPECT_EQ(main.tree->ItemWithFocus(), main.tree->Items()->Item(2));
}

TEST_F(AddFormTest, EveryKindOfBadFileIsLoggedAndCountedAndTheRunGoesOn) {
  Bytes truncated = MovieBytes(true);
  truncated.resize(14);  // the signature and length, then a few bytes of the compressed body
  const std::string good1 = Write("good1.swf", MovieBytes(false));
  const std::string folder = dir.File("folder.swf");
  ASSERT_TRUE(classlib::CreateDir(folder));
  const std::string empty = Write("empty.swf", {});
  const std::string text = Write("notes.swf", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  const std::string fakeExe = Write("setup.exe", Bytes(5000, 'M'));
  const std::string cws = Write("cut.swf", truncated);
  const std::string vanished = dir.File("gone.swf");
  const std::string withCr = Write("two\rlines.swf", MovieBytes(false));
  const std::string withLf = Write("two\nlines.swf", MovieBytes(false));
  const std::string good2 = Write("good2.swf", MovieBytes(true));
  const Lines files = {good1, folder, empty, text, fakeExe, cws, vanished, withCr, withLf, good2};

  bool waiting = false;
  std::string caption;
  EXPECT_EQ(Run(files, {},
                [&] {
                  // With errors the window waits for OK, showing the summary.
                  waiting = form->Visible() && form->ModalResult() == mrNone;
                  caption = form->btnAction->Caption();
                  form->btnAction->Click();
                }),
            mrOk);
  EXPECT_TRUE(waiting);
  EXPECT_EQ(caption, "&OK");
  auto unsupported = [](const std::string& p) { return ">>Unsupported file!... \"" + p + "\""; };
  auto failed = [](const std::string& p) { return ">>Adding failed!... \"" + p + "\""; };
  Lines expected;
  const std::pair<std::string, std::string> outcome[] = {{good1, ""},
                                                         {folder, failed(folder)},
                                                         {empty, unsupported(empty)},
                                                         {text, unsupported(text)},
                                                         {fakeExe, unsupported(fakeExe)},
                                                         {cws, failed(cws)},
                                                         {vanished, failed(vanished)},
                                                         {withCr, unsupported(withCr)},
                                                         {withLf, unsupported(withLf)},
                                                         {good2, ""}};
  for (const auto& [path, line] : outcome) {
    expected.push_back(">>Adding file... " + path);
    if (!line.empty()) expected.push_back(line);
  }
  expected.push_back(">>Finish adding files! -- 8 errors!");
  // The log is one text: a name with a line break spreads over two of its lines.
  auto joined = [](const Lines& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
  };
  EXPECT_EQ(joined(Log()), joined(expected));
  EXPECT_EQ(form->ErrorCount(), 8);
  EXPECT_EQ(form->prgAdd->Position(), 10);
  EXPECT_EQ(ListedMovies(), (Lines{good1, good2}));
  EXPECT_EQ(host.shown, (Lines{good1, good2}));
  EXPECT_TRUE(deletedData.empty());
}

TEST_F(AddFormTest, AJobThatCannotBeShownIsTakenOutAgainAndItsRecordFreedOnce) {
  const Lines files = {Write("a.swf", MovieBytes(false)), Write("b.swf", MovieBytes(false)),
                       Write("c.swf", MovieBytes(false))};
  host.failFor = files[1];
  EXPECT_EQ(Run(files, {}, [&] { form->btnAction->Click(); }), mrOk);
  EXPECT_EQ(Log(), (Lines{">>Adding file... " + files[0], ">>Adding file... " + files[1],
                          ">>Adding failed!... \"" + files[1] + "\"",
                          ">>Adding file... " + files[2], ">>Finish adding files! -- 1 errors!"}));
  EXPECT_EQ(ListedMovies(), (Lines{files[0], files[2]}));
  // The item left the list without its record (the deletion handler must not free it too).
  EXPECT_EQ(deletedData, (std::vector<void*>{nullptr}));
  EXPECT_EQ(host.modified, 2);
  EXPECT_EQ(main.tree->Selected(), main.tree->Items()->Item(1));
}

TEST_F(AddFormTest, CancelDuringTheSecondFileKeepsItAndStopsBeforeTheThird) {
  const Lines files = FiveMovies();
  host.onShow = [&](int call, TCovSettings*) {
    if (call == 2) form->btnAction->Click();
  };
  EXPECT_EQ(Run(files), mrCancel);
  EXPECT_EQ(ListedMovies(), (Lines{files[0], files[1]}));
  EXPECT_EQ(Log(), (Lines{">>Adding file... " + files[0], ">>Adding file... " + files[1],
                          ">>Cancel adding files!"}));
  EXPECT_EQ(form->labProgress->Caption(), "Current: 2 -- Total: 5");
  EXPECT_EQ(form->prgAdd->Position(), 2);
  EXPECT_FALSE(form->Visible());
}

TEST_F(AddFormTest, ClosingTheWindowWhileAddingActsAsCancel) {
  const Lines files = FiveMovies();
  struct Way {
    const char* name;
    std::function<void(TAddFrm*)> close;
  };
  const Way ways[] = {
      {"close box", [](TAddFrm* f) { f->Perform(classlib::WM_CLOSE, 0, 0); }},
      {"Esc",
       [](TAddFrm* f) {
         uint16_t key = classlib::VK_ESCAPE;
         f->OnKeyDown(f, key, 0);
       }},
      {"Close", [](TAddFrm* f) { f->Close(); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    main.tree->Items()->Clear();
    host.onShow = [&](int call, TCovSettings*) {
      if (call == 2) way.close(form);
    };
    host.shown.clear();
    EXPECT_EQ(Run(files), mrCancel);
    EXPECT_EQ(ListedMovies(), (Lines{files[0], files[1]}));
    EXPECT_EQ(Log().back(), ">>Cancel adding files!");
    EXPECT_EQ(Log().size(), 3u);
    EXPECT_FALSE(form->Visible());
  }
}

TEST_F(AddFormTest, ClosedOrCancelledBeforeTheWorkStartsAddsNothing) {
  const Lines files = FiveMovies();
  form->Files = files;
  classlib::TTimer closer(nullptr);
  closer.SetInterval(1);
  closer.SetOnTimer([&](classlib::TObject*) {
    closer.SetEnabled(false);
    form->Perform(classlib::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  // The one-shot timer is off: it never runs the adding in the hidden window.
  EXPECT_FALSE(form->Timer->Enabled());
  form->Timer->Fire();
  EXPECT_EQ(main.tree->Items()->Count(), 0);
  EXPECT_TRUE(Log().empty());

  // Cancel pressed before the timer: the run adds nothing and closes the window.
  EXPECT_EQ(Run(files, [&] { form->btnAction->Click(); }), mrCancel);
  EXPECT_EQ(Log(), Lines{">>Cancel adding files!"});
  EXPECT_EQ(main.tree->Items()->Count(), 0);
}

TEST_F(AddFormTest, EachShowingStartsAfreshAndCentresOverTheMainWindow) {
  const Lines bad = {Write("bad.swf", Bytes{'x'})};
  EXPECT_EQ(Run(bad, {}, [&] { form->btnAction->Click(); }), mrOk);
  EXPECT_EQ(form->btnAction->Caption(), "&OK");
  const Lines files = FiveMovies();
  std::string caption, progress;
  Lines log;
  EXPECT_EQ(Run(files,
                [&] {
                  caption = form->btnAction->Caption();
                  progress = form->labProgress->Caption();
                  log = Log();
                }),
            mrOk);
  EXPECT_EQ(caption, "&Cancel");
  EXPECT_EQ(progress, "Current 0 -- Total 5");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Log().size(), 6u);
  EXPECT_EQ(form->ErrorCount(), 0);
  EXPECT_EQ(main.tree->Items()->Count(), 5);
  // Centred over the main window (the window system may then shift the frame by its border).
  main.form.SetBounds(300, 200, 675, 499);
  form->FormShow(form);
  form->Timer->SetEnabled(false);
  EXPECT_EQ(form->Left(), 300 + (675 - form->Width()) / 2);
  EXPECT_EQ(form->Top(), 200 + (499 - form->Height()) / 2);
}

TEST_F(AddFormTest, LooksCleanWithTheErrorSummary) {
  const Lines files = {Write("fine.swf", MovieBytes(false)), Write("broken.swf", Bytes{'?'}),
                       dir.File("missing.swf")};
  std::unique_ptr<classlib::TBitmap> shot;
  std::vector<std::string> problems;
  EXPECT_EQ(Run(files, {},
                [&] {
                  problems = lumitest::LookProblems(form);
                  shot = lumitest::SaveWindowPng(form, "add_form_errors");
                  form->btnAction->Click();
                }),
            mrOk);
  EXPECT_EQ(problems, std::vector<std::string>{});
  // The glyphs are 16 x 16 with their key in the bottom-left corner, and the button shows OK's.
  ASSERT_NE(form->btnOK->Glyph(), nullptr);
  for (auto* b : {form->btnOK, form->btnCancel}) {
    EXPECT_EQ(b->Glyph()->Width(), 16);
    EXPECT_EQ(b->Glyph()->Height(), 16);
    auto* c = b->Glyph()->Canvas();
    EXPECT_NE(c->Pixels(8, 8), c->Pixels(0, 15)) << b->Name() << ": a mark crosses the middle";
  }
  auto* shown = form->btnAction->Glyph()->Canvas();
  auto* ok = form->btnOK->Glyph()->Canvas();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(shown->Pixels(x, y), ok->Pixels(x, y));
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->Width(), form->ClientWidth());
}

}  // namespace
