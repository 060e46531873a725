// Replacing files in one step: what a failed, abandoned or killed save leaves behind, links,
// permissions and read-only targets; unique temporary files.
#include "platform/classlib/atomic_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/string_list.h"
#include "tests/support/test_app.h"

using namespace classlib;

namespace {

void WriteText(const std::string& Path, const std::string& Text) {
  std::ofstream f(Path, std::ios::binary);
  f << Text;
}

std::string ReadText(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::set<std::string> Entries(const std::string& Dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Dir))
    names.insert(e.path().filename().string());
  return names;
}

unsigned ModeOf(const std::string& Path) {
  struct stat st {};
  return ::stat(Path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs Body in a child process under a file-size limit of 4 KB and returns its wait status.
// With IgnoreSignal the write fails with an error; without it the child is killed mid-write.
template <typename F>
int RunUnderSizeLimit(bool IgnoreSignal, F Body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (IgnoreSignal) std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small {
      4096, 4096
    };
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) ::_exit(3);
    ::_exit(Body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

bool UnnamedFilesWork(const std::string& Dir) {
  int fd = ::open(Dir.c_str(), O_TMPFILE | O_RDWR, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

const std::string kBig(64 * 1024, 'x');

}  // namespace

TEST(AtomicFile, CommitReplacesAndAnAbandonedStreamLeavesTheOldFile) {
  lumitest::TempDir dir;
  const std::string path = dir.File("data.bin");
  WriteText(path, "old");
  {
    TAtomicFileStream out(path);
    out.WriteBuffer("new contents", 12);
    EXPECT_EQ(ReadText(path), "old");  // nothing visible before Commit
  }
  EXPECT_EQ(ReadText(path), "old");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"data.bin"});

  {
    TAtomicFileStream out(path);
    out.WriteBuffer("header..body", 12);
    out.SetPosition(0);
    out.WriteBuffer("HEADER", 6);  // writers may go back and patch what they wrote
    out.Commit();
    EXPECT_THROW(out.WriteBuffer("x", 1), EWriteError);
  }
  EXPECT_EQ(ReadText(path), "HEADER..body");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"data.bin"});

  ReplaceFileContents(dir.File("fresh"), "", 0);  // an empty new file
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("fresh")));
  EXPECT_EQ(std::filesystem::file_size(dir.File("fresh")), 0u);
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
  lumitest::TempDir dir;
  const std::string path = dir.File("data.bin");
  WriteText(path, "old");
  // A file-size limit makes the write fail part-way, as a full disk would.
  int status = RunUnderSizeLimit(true, [&] {
    try {
      ReplaceFileContents(path, kBig.data(), static_cast<int64_t>(kBig.size()));
    } catch (const EWriteError&) {
      return 0;
    }
    return 1;
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported as EWriteError";
  EXPECT_EQ(ReadText(path), "old");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"data.bin"});
}

TEST(AtomicFile, SaveKilledMidWriteLeavesNothingBehind) {
  lumitest::TempDir dir;
  if (!UnnamedFilesWork(dir.Path()))
    GTEST_SKIP() << "the temporary folder's file system has no unnamed files";
  const std::string path = dir.File("data.bin");
  WriteText(path, "old");
  int status = RunUnderSizeLimit(false, [&] {
    ReplaceFileContents(path, kBig.data(), static_cast<int64_t>(kBig.size()));
    return 0;
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_EQ(ReadText(path), "old");
  EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"data.bin"});
}

TEST(AtomicFile, LinksAreFollowedToTheFileTheyName) {
  lumitest::TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  WriteText(dir.File("real/target.ini"), "old");
  // A relative link in another folder, and a link to that link.
  std::filesystem::create_symlink("real/target.ini", dir.File("link.ini"));
  std::filesystem::create_symlink(dir.File("link.ini"), dir.File("link2.ini"));

  ReplaceFileContents(dir.File("link2.ini"), "new", 3);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link2.ini")));
  EXPECT_EQ(ReadText(dir.File("real/target.ini")), "new");
  EXPECT_EQ(Entries(dir.File("real")), std::set<std::string>{"target.ini"});

  // A link to a file that does not exist yet creates that file.
  std::filesystem::create_symlink("real/later.ini", dir.File("dangling.ini"));
  ReplaceFileContents(dir.File("dangling.ini"), "made", 4);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.ini")));
  EXPECT_EQ(ReadText(dir.File("real/later.ini")), "made");

  // A loop of links is refused.
  std::filesystem::create_symlink(dir.File("loop.b"), dir.File("loop.a"));
  std::filesystem::create_symlink(dir.File("loop.a"), dir.File("loop.b"));
  EXPECT_THROW(ReplaceFileContents(dir.File("loop.a"), "x", 1), EFCreateError);
}

TEST(AtomicFile, ModesAreKeptAndNewFilesHonourTheUmask) {
  lumitest::TempDir dir;
  const std::string path = dir.File("kept");
  WriteText(path, "old");
  ::chmod(path.c_str(), 0640);
  ReplaceFileContents(path, "new", 3);
  EXPECT_EQ(ModeOf(path), 0640u);
  ::chmod(path.c_str(), 0604);
  ReplaceFileContents(path, "newer", 5);
  EXPECT_EQ(ModeOf(path), 0604u);

  mode_t saved = ::umask(027);
  ReplaceFileContents(dir.File("new027"), "x", 1);
  ::umask(002);
  ReplaceFileContents(dir.File("new002"), "x", 1);
  ::umask(saved);
  EXPECT_EQ(ModeOf(dir.File("new027")), 0640u);
  EXPECT_EQ(ModeOf(dir.File("new002")), 0664u);

  // A process that may give files away keeps the owner, and the set-group bit with it.
  if (::geteuid() != 0) return;
  ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  ::chmod(path.c_str(), 02640);
  ReplaceFileContents(path, "owned", 5);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 02640u);
}

TEST(AtomicFile, ReadOnlyAndOddTargetsRaiseBeforeWriting) {
  lumitest::TempDir dir;
  const std::string path = dir.File("locked");
  WriteText(path, "old");
  // No write bit at all: refused even for the superuser.
  ::chmod(path.c_str(), 0444);
  try {
    TAtomicFileStream out(path);
    ADD_FAILURE() << "a read-only file was opened for replacing";
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find("locked"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(ReadText(path), "old");
  EXPECT_EQ(ModeOf(path), 0444u);

  // Through a link the rule is the target's.
  std::filesystem::create_symlink(path, dir.File("to-locked"));
  EXPECT_THROW(ReplaceFileContents(dir.File("to-locked"), "x", 1), EFCreateError);
  EXPECT_EQ(ReadText(path), "old");

  // A folder, a missing folder and an empty name.
  std::filesystem::create_directory(dir.File("sub"));
  EXPECT_THROW(ReplaceFileContents(dir.File("sub"), "x", 1), EFCreateError);
  EXPECT_THROW(ReplaceFileContents(dir.File("missing/x"), "x", 1), EFCreateError);
  EXPECT_THROW(ReplaceFileContents("", "x", 1), EFCreateError);
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"locked", "sub", "to-locked"}));
}

TEST(AtomicFile, UniqueFilesAreNewPrivateAndNamedAsAsked) {
  lumitest::TempDir dir;
  const std::string folder = dir.Path() + "/";
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) names.insert(CreateUniqueFile(folder, "QZT", ".swf"));
  EXPECT_EQ(names.size(), 20u);
  for (const std::string& n : names) {
    const std::string base = n.substr(folder.size());
    EXPECT_EQ(base.rfind("QZT", 0), 0u) << base;
    EXPECT_EQ(base.substr(base.size() - 4), ".swf");
    EXPECT_EQ(std::filesystem::file_size(n), 0u);
    EXPECT_EQ(ModeOf(n), 0600u);
  }
  EXPECT_THROW(CreateUniqueFile(dir.File("missing/"), "QZT", ".tmp"), EFCreateError);
}

TEST(AtomicFile, TheClassLibrarysOwnSavesReplaceFilesTheSameWay) {
  lumitest::TempDir dir;
  const std::string path = dir.File("saved");
  WriteText(path, "old");
  std::filesystem::create_symlink(path, dir.File("link"));

  TStringList lines;
  lines.Add("one");
  lines.SaveToFile(dir.File("link"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadText(path).substr(0, 3), "one");

  TMemoryStream bytes;
  bytes.WriteBuffer("mem", 3);
  bytes.SaveToFile(path);
  EXPECT_EQ(ReadText(path), "mem");

  ::chmod(path.c_str(), 0444);
  TBitmap picture;
  picture.SetSize(2, 2);
  EXPECT_THROW(picture.SaveToFile(path), EFCreateError);
  EXPECT_THROW(lines.SaveToFile(path), EFCreateError);
  EXPECT_THROW(bytes.SaveToFile(path), EFCreateError);
  EXPECT_EQ(ReadText(path), "mem");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"link", "saved"}));
}
