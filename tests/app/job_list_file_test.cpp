// The job-list file: the exact text SaveTasks writes, what LoadTasks makes of hand-edited,
// damaged and foreign files, the backup kept when a load left jobs out, and saves that fail.
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "app/job_list_file.h"
#include "platform/classlib/application.h"
#include "platform/classlib/message_queue.h"
#include "tests/app/main_form_fixture.h"
#include "treectl/tree.h"

using namespace lumicast;
using namespace classlib;
using namespace mainformtest;

namespace {

std::vector<std::string> FolderNames(const std::string& Dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A job whose every saved field holds a value of its own.
TCovSettings* FullJob(const std::string& Movie) {
  auto* j = new TCovSettings;
  j->swfFilename = Movie;
  j->swfPlayFilename = "/tmp/QZTplay.swf";
  j->swfFileType = sfkCompressedSwf;
  j->swfFileVersion = 8;
  j->swfFileSize = 12345;
  j->swfW = 550;
  j->swfH = 400;
  j->swfFrameRate = 12;
  j->swfRunFrameRate = 30;
  j->swfTotalFrames = 60;
  j->adoFilename = "/s/x.wav";
  j->adoWorkFilename = "/tmp/QZTwork.wav";
  j->adoSource = 2;
  j->adoFileType = 0;
  j->adoWavChannel = 0;
  j->adoWavBits = 1;
  j->adoWavFreq = 2;
  j->adoMp3Channel = 3;
  j->adoMp3BitRate = 7;
  j->adoIsSyncAutomatically = true;
  j->adoIsSyncManually = false;
  j->adoSyncType = 1;
  j->adoSyncOffset = 0.25L;
  j->destFilename = "out.avi";
  j->destFilepath = "/o/";
  j->destType = 0;
  j->destSequenceMode = 2;
  j->destColorDepth = 1;
  j->destAlphaMode = 3;
  j->destStartFrame = 2;
  j->destEndFrame = 59;
  j->destRunEndFrame = 44;
  j->destW = 320;
  j->destH = 240;
  j->destCropX = 1;
  j->destCropY = 2;
  j->destCropW = 3;
  j->destCropH = 4;
  j->destIsCrop = true;
  j->destIsKeepAspectRatio = true;
  j->destIsKeepSourceSize = false;
  j->destIsKeepSourceFrames = true;
  j->destSplitSize = 74;
  j->destIsSplit = false;
  j->destAVIKeepSourceFps = true;
  j->destAVIFrameRate = 25;
  j->destAVICodec = "Full frames, uncompressed";
  j->destAVICodecID = 0x20424944;  // "DIB "
  j->destAVIKeyFramerate = 15;
  j->destAVIBitrate = 1000;
  j->destAVIMinBitrate = 500;
  j->destAVIMaxBitrate = 2000;
  j->destAVIQuality = 87.5;
  j->destMPEGCodec = 6;
  j->destMPEGFrameRate = 3;
  j->destMPEGCodecID = 2;
  j->destMPEGBitrate = 1150;
  j->destMPEGMinBitrate = 0;
  j->destMPEGMaxBitrate = 2500;
  j->destMPEGAspectRatio = 2;
  j->destGIFKeepSourceFps = false;
  j->destGIFFrameRate = 10;
  j->destGIFRepeatCount = 3;
  j->destGIFBackgroundColor = 0x00FFFFFF;
  j->destGIFTransparentColor = 0x00123456;
  j->destGIFIsBackground = true;
  j->destGIFIsTransparent = false;
  j->destGIFIsInterlaced = true;
  j->destGIFIsLooping = true;
  j->destImageType = 4;
  j->destImageJPEGQuality = 90;
  return j;
}

const char* const kGoldenTask =
    "IsItemChecked=1\nswfFilename=@M\nswfFileType=1\nswfFileVersion=8\nswfFileSize=12345\n"
    "swfW=550\nswfH=400\nswfFrameRate=12\nswfTotalFrames=60\nadoFilename=/s/x.wav\n"
    "adoSource=2\nadoFileType=0\nadoWavChannel=0\nadoWavBits=1\nadoWavFreq=2\n"
    "adoMp3Channel=3\nadoMp3BitRate=7\nadoIsSyncAutomatically=1\nadoIsSyncManually=0\n"
    "adoSyncType=1\nadoSyncOffset=0.25\ndestFilename=out.avi\ndestFilepath=/o/\ndestType=0\n"
    "destSequenceMode=2\ndestColorDepth=1\ndestAlphaMode=3\ndestStartFrame=2\n"
    "destEndFrame=59\ndestW=320\ndestH=240\ndestCropX=1\ndestCropY=2\ndestCropW=3\n"
    "destCropH=4\ndestIsCrop=1\ndestIsKeepAspectRatio=1\ndestIsKeepSourceSize=0\n"
    "destIsKeepSourceFrames=1\ndestSplitSize=74\ndestIsSplit=0\ndestAVIKeepSourceFps=1\n"
    "destAVIFrameRate=25\ndestAVICodec=Full frames, uncompressed\ndestAVICodecID=541215044\n"
    "destAVIKeyFramerate=15\ndestAVIBitrate=1000\ndestAVIMinBitrate=500\n"
    "destAVIMaxBitrate=2000\ndestAVIQuality=87.5\ndestMPEGCodec=6\ndestMPEGFrameRate=3\n"
    "destMPEGCodecID=2\ndestMPEGBitrate=1150\ndestMPEGMinBitrate=0\ndestMPEGMaxBitrate=2500\n"
    "destMPEGAspectRatio=2\ndestGIFKeepSourceFps=0\ndestGIFFrameRate=10\n"
    "destGIFRepeatCount=3\ndestGIFBackgroundColor=00FFFFFF\n"
    "destGIFTransparentColor=00123456\ndestGIFIsBackground=1\ndestGIFIsTransparent=0\n"
    "destGIFIsInterlaced=1\ndestGIFIsLooping=1\ndestImageType=4\ndestImageJPEGQuality=90\n";

std::string Replace(std::string S, const std::string& From, const std::string& To) {
  for (size_t p = S.find(From); p != std::string::npos; p = S.find(From, p + To.size()))
    S.replace(p, From.size(), To);
  return S;
}

class JobListFileTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    movie = dir + "/movie.swf";
    WriteMovie(movie, 10);
  }
  // Writes the job-list file ("@M" stands for the movie's path) and opens the window on it.
  void OpenOn(const std::string& Text) {
    WriteFileBytes(list, Replace(Text, "@M", movie));
    Open();
  }
  std::string Task(const std::string& Extra = "", int Index = 0) {
    return "[Task" + std::to_string(Index) + "]\nswfFilename=@M\nswfFrameRate=12\n" + Extra + "\n";
  }
  std::string movie;
};

}  // namespace

TEST_F(JobListFileTest, SaveWritesGeneralThenEveryTaskInTableOrder) {
  Open(false);
  form->IsShowTips = false;
  form->IsSetAudioSource = true;
  form->AddJobItem(FullJob(movie), true);
  TCovSettings* odd = FullJob(movie);
  odd->destType = 200;               // 8-bit fields are written unsigned
  odd->destAVICodecID = 0xFFFFFFFF;  // the FourCC is written signed
  odd->destGIFBackgroundColor = static_cast<TColor>(0xFF00AB12);
  odd->adoSyncOffset = 0.5L;
  form->AddJobItem(odd, false);
  form->SaveTasks();

  std::string second = Replace(Replace(kGoldenTask, "IsItemChecked=1", "IsItemChecked=0"),
                               "destType=0\n", "destType=200\n");
  second = Replace(second, "destAVICodecID=541215044", "destAVICodecID=-1");
  second = Replace(second, "destGIFBackgroundColor=00FFFFFF", "destGIFBackgroundColor=FF00AB12");
  second = Replace(second, "adoSyncOffset=0.25", "adoSyncOffset=0.5");
  const std::string expected =
      "[General]\nID=Velmora Lumicast\nTaskCount=2\nIsShowTips=0\nIsSetAudioSource=1\n\n"
      "[Task0]\n" +
      Replace(kGoldenTask, "@M", movie) + "\n[Task1]\n" + Replace(second, "@M", movie) + "\n";
  EXPECT_EQ(ReadFileBytes(list), expected);
  EXPECT_EQ(ParseIni(expected).Keys("Task1").size(), 68u);
}

TEST_F(JobListFileTest, LoadRestoresEverySavedFieldAndLeavesWorkingFieldsEmpty) {
  Open(false);
  form->AddJobItem(FullJob(movie), true);
  TCovSettings* second = FullJob(movie);
  second->destType = 3;
  form->AddJobItem(second, false);
  form->SaveTasks();
  const std::string saved = ReadFileBytes(list);
  delete form;
  form = nullptr;

  Open();
  ASSERT_EQ(form->JobCount(), 2);
  EXPECT_TRUE(form->lstFile->Items()->Item(0)->Checked());
  EXPECT_FALSE(form->lstFile->Items()->Item(1)->Checked());
  EXPECT_EQ(Job(1)->destType, 3);
  EXPECT_EQ(Job(0)->adoSyncOffset, 0.25L);
  EXPECT_EQ(Job(0)->swfRunFrameRate, 12);  // the saved rate, not the run's
  EXPECT_EQ(Job(0)->destRunEndFrame, 0);
  EXPECT_EQ(Job(0)->adoWorkFilename, "");
  EXPECT_EQ(Job(1)->swfPlayFilename, "");  // only the shown job has a played movie
  // Every key of every job comes back: saving again writes the same bytes.
  form->SaveTasks();
  EXPECT_EQ(ReadFileBytes(list), saved);
}

TEST_F(JobListFileTest, HandEditedValuesAndMissingKeys) {
  OpenOn("[General]\nTaskCount=3\n\n" + Task("destW=0x280\nadoSyncOffset=0,5\ndestSplitSize=7.5") +
         "[Task1]\nswfFilename=@M\nIsItemChecked=0\n\n" + Task("destH=$1E0\ndestW=12abc", 2));
  ASSERT_EQ(form->JobCount(), 3);
  EXPECT_EQ(Job(0)->destW, 640);
  EXPECT_EQ(Job(0)->adoSyncOffset, 0.5L);
  EXPECT_EQ(Job(0)->destSplitSize, 74);  // a fraction gives the default
  EXPECT_TRUE(form->lstFile->Items()->Item(0)->Checked());
  // A task without a frame rate loads with 1 in both rate fields; missing header keys read 0.
  EXPECT_EQ(Job(1)->swfFrameRate, 1);
  EXPECT_EQ(Job(1)->swfRunFrameRate, 1);
  EXPECT_EQ(Job(1)->swfW, 0);
  EXPECT_EQ(Job(1)->swfFileType, sfkSwf);
  EXPECT_FALSE(form->lstFile->Items()->Item(1)->Checked());
  EXPECT_EQ(Job(2)->destH, 480);
  EXPECT_EQ(Job(2)->destW, 0);  // a bad integer gives the default the settings derived
  EXPECT_TRUE(dialogs.Calls.empty());
}

TEST_F(JobListFileTest, TaskSectionsAreFoundByTheirWrittenIndexOnly) {
  // A count far beyond the sections, gaps, a section past the count, an index with a leading
  // zero and a second "task0" in other letter case.
  OpenOn("[General]\nTaskCount=2147483647\n\n" + Task("destW=10", 7) + Task("destW=20", 0) +
         Task("destW=30", 3) + "[Task01]\nswfFilename=@M\ndestW=40\n\n" +
         "[task0]\nswfFilename=@M\ndestW=50\n\n");
  std::vector<int> widths;
  for (int i = 0; i < form->JobCount(); ++i) widths.push_back(Job(i)->destW);
  EXPECT_EQ(widths, (std::vector<int>{20, 30, 10}));
  delete form;
  form = nullptr;

  OpenOn("[General]\nTaskCount=2\n\n" + Task("", 0) + Task("", 1) + Task("", 2));
  EXPECT_EQ(form->JobCount(), 2);
  delete form;
  form = nullptr;
  OpenOn("[General]\nTaskCount=-5\n\n" + Task("", 0));
  EXPECT_EQ(form->JobCount(), 0);
}

TEST_F(JobListFileTest, DamagedAndForeignFilesNeverCrash) {
  struct Case {
    const char* name;
    std::string text;
    int jobs;
  };
  std::string binary(600, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 131 + 7);
  binary.insert(100, "\n[General]\nTaskCount=9\n[Task0]\nswfFilename=");
  const std::string crlf = Replace("[General]\nTaskCount=1\n\n" + Task("destW=33"), "\n", "\r\n");
  const Case cases[] = {
      {"empty", "", 0},
      {"binary", binary, 0},
      {"truncated", "[General]\nTaskCount=1\n[Task0]\nswfFilename=@M\ndestW=4", 1},
      {"cut inside a name", "[General]\nTaskCount=1\n[Task0]\nswfFilename=" + movie.substr(0, 5),
       0},
      {"crlf", crlf, 1},
      {"byte-order mark", "\xEF\xBB\xBF[General]\nTaskCount=1\n\n" + Task(), 1},
      {"windows path", "[General]\nTaskCount=1\n[Task0]\nswfFilename=C:\\Movies\\a.swf\n", 0},
      {"no general section", Task(), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenOn(c.text);
    // Without a "General" section the count is 0: the task stays in the file, not the list.
    EXPECT_EQ(form->JobCount(), std::string(c.name) == "no general section" ? 0 : c.jobs);
    if (std::string(c.name) == "crlf") {
      EXPECT_EQ(Job(0)->swfFilename, movie);
      EXPECT_EQ(Job(0)->destW, 33);
    }
    EXPECT_TRUE(dialogs.Calls.empty());
    delete form;
    form = nullptr;
  }
}

TEST_F(JobListFileTest, OutOfRangeIndexesShowTheDefaultsText) {
  OpenOn("[General]\nTaskCount=2\n\n" +
         Task("destType=-1\ndestSequenceMode=9\nadoSource=77\nadoFileType=5") +
         Task("destType=1\ndestMPEGCodec=99", 1));
  ASSERT_EQ(form->JobCount(), 2);
  EXPECT_EQ(Job(0)->destType, 255);  // the low 8 bits are kept
  EXPECT_EQ(form->labExportType->Caption(), "Type: AVI");
  EXPECT_EQ(form->labExportSequence->Caption(), "Mode: Normal sequence");
  EXPECT_EQ(form->labAudioFormat->Caption(), "Audio Format: MP3");
  Select(1);
  EXPECT_EQ(form->labExportType->Caption(), "Type: MPEG");
  EXPECT_EQ(form->labCodec->Caption(), "Video Format: VCD-NTSC");
}

TEST_F(JobListFileTest, JobsLeftOutAreKeptInABackupAtTheNextSave) {
  const std::string gone = dir + "/gone.swf";
  const std::string text = "[General]\nTaskCount=3\n\n" + Task("destW=1") +
                           "[Task1]\nswfFilename=" + gone + "\n\n" +
                           Task("destGIFBackgroundColor=notacolour", 2);
  OpenOn(text);
  const std::string original = ReadFileBytes(list);
  EXPECT_EQ(form->JobCount(), 1);  // the vanished movie and the bad colour are left out
  Click(form->btnRemove);
  CloseAndDestroy();
  EXPECT_EQ(ReadFileBytes(list + ".bak"), original);
  EXPECT_EQ(ParseIni(ReadFileBytes(list)).Value("General", "TaskCount"), "0");

  // A load that left nothing out makes no new backup.
  std::filesystem::remove(list + ".bak");
  Open();
  form->Modified = true;
  CloseAndDestroy();
  EXPECT_FALSE(std::filesystem::exists(list + ".bak"));
}

TEST_F(JobListFileTest, AnUnreadableFileIsReportedAndKeptWhenTheSaveFails) {
  std::filesystem::create_directory(list);
  Open();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0].rfind("The job list \"" + list + "\" could not be read: ", 0), 0u)
      << dialogs.Messages()[0];
  EXPECT_EQ(form->JobCount(), 0);
  form->AddJobItem(FullJob(movie), true);
  form->Modified = true;
  CloseAndDestroy();  // the close still ends the window
  ASSERT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_EQ(dialogs.Messages()[1].rfind("The job list could not be saved to \"" + list + "\": ", 0),
            0u)
      << dialogs.Messages()[1];
  EXPECT_TRUE(std::filesystem::is_directory(list));
  EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"jobs.ini", "movie.swf"}));
}

TEST_F(JobListFileTest, ASaveCutShortBySizeLimitLeavesTheOldFile) {
  OpenOn("[General]\nTaskCount=1\n\n" + Task());
  const std::string original = ReadFileBytes(list);
  for (int i = 0; i < 20; ++i) form->AddJobItem(FullJob(movie), true);
  form->Modified = true;

  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  form->Close();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);

  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0].rfind("The job list could not be saved to \"" + list + "\": ", 0),
            0u);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ReadFileBytes(list), original);
  EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"jobs.ini", "movie.swf"}));
}

TEST_F(JobListFileTest, CloseAndListCommandsAreRefusedWhileLoading) {
  std::string text = "[General]\nTaskCount=40\n\n";
  for (int i = 0; i < 40; ++i) text += Task("", i);
  WriteFileBytes(list, Replace(text, "@M", movie));
  const std::string original = ReadFileBytes(list);
  Open(false);
  // Messages that arrive while the list loads: a close, Clear, Remove, Check All.
  PostMessage(form, WM_CLOSE);
  auto post_click = [this](TControl* c) {
    const int x = c->Left() + c->Width() / 2, y = c->Top() + c->Height() / 2;
    PostMessage(form, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y));
    PostMessage(form, WM_LBUTTONUP, 0, MakeLParam(x, y));
  };
  post_click(form->btnClear);
  post_click(form->btnRemove);
  post_click(form->btnAdd);
  form->lstFile->OnItemSelectedChange = [this](TObject*, TElTreeItem*) {
    if (form->Loading) form->menUncheckAll->Click();
  };
  form->LoadTasks();
  Application->ProcessMessages();
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->JobCount(), 40);
  EXPECT_FALSE(form->Modified);
  EXPECT_TRUE(form->lstFile->Items()->Item(39)->Checked());
  EXPECT_TRUE(dialogs.Calls.empty());
  EXPECT_EQ(ReadFileBytes(list), original);
  // Once loaded, the window closes as usual, writing nothing.
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ReadFileBytes(list), original);
}

TEST(JobListTable, ExistingTaskIndexesVisitsOnlyTheFilesSections) {
  lumitest::TempDir temp;
  const std::string path = temp.File("t.ini");
  WriteFileBytes(
      path, "[Task5]\na=1\n[TASK2]\na=1\n[Task-1]\na=1\n[Task 3]\na=1\n[Task99999999999]\na=1\n");
  TBiggerIniFile ini(path);
  EXPECT_EQ(ExistingTaskIndexes(ini, 2147483647), (std::vector<int>{2, 5}));
  EXPECT_EQ(ExistingTaskIndexes(ini, 5), (std::vector<int>{2}));
  EXPECT_TRUE(ExistingTaskIndexes(ini, 0).empty());
}
