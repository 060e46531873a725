#include <gtest/gtest.h>

#include <fstream>

#include "platform/classlib/file_utils.h"
#include "tests/support/test_app.h"

using namespace classlib;

TEST(CoreFile, NameHelpersLookOnlyAtTheLastElement) {
  EXPECT_EQ(ExtractFilePath("/home/u/m.v2/movie.swf"), "/home/u/m.v2/");
  EXPECT_EQ(ExtractFileDir("/home/u/m.v2/movie.swf"), "/home/u/m.v2");
  EXPECT_EQ(ExtractFileName("/home/u/m.v2/movie.swf"), "movie.swf");
  EXPECT_EQ(ExtractFileExt("/home/u/m.v2/movie.swf"), ".swf");
  EXPECT_EQ(ExtractFileExt("/home/u/m.v2/movie"), "");
  EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("name."), ".");
  EXPECT_EQ(ExtractFilePath("movie.swf"), "");
  EXPECT_EQ(ExtractFileDir("movie.swf"), "");
  EXPECT_EQ(ExtractFileName("movie.swf"), "movie.swf");
  EXPECT_EQ(ExtractFileName("/home/u/"), "");
  EXPECT_EQ(ExtractFileDir("/movie.swf"), "/");
  EXPECT_EQ(ExtractFilePath("/movie.swf"), "/");
  EXPECT_EQ(ExtractFileExt(""), "");

  EXPECT_EQ(ChangeFileExt("/a/b.c/movie.swf", ".avi"), "/a/b.c/movie.avi");
  EXPECT_EQ(ChangeFileExt("/a/b.c/movie", ".avi"), "/a/b.c/movie.avi");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ""), "x.tar");
  EXPECT_EQ(ChangeFileExt("/a/b.c/", ".gif"), "/a/b.c/.gif");

  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_TRUE(IsPathDelimiter("/a/", 2));
  EXPECT_FALSE(IsPathDelimiter("/a/", 3));

  EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/.."), "/");
  EXPECT_EQ(ExpandFileName("rel"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "rel");
}

TEST(CoreFile, FileSystemQueriesDistinguishFilesFromFolders) {
  lumitest::TempDir temp_dir;
  const std::string dir = IncludeTrailingPathDelimiter(temp_dir.Path());
  const std::string file = dir + "a.txt";
  { std::ofstream(file) << "12345"; }
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_EQ(FileSize(file), 5);
  EXPECT_EQ(FileSize(dir), -1);
  EXPECT_GT(FileAge(file), 0);
  EXPECT_EQ(FileAge(dir + "none"), -1);

  EXPECT_TRUE(ForceDirectories(dir + "x/y/z/"));
  EXPECT_TRUE(DirectoryExists(dir + "x/y/z"));
  EXPECT_TRUE(ForceDirectories(dir + "x/y"));     // already there
  EXPECT_FALSE(ForceDirectories(file + "/sub"));  // a file is in the way
  EXPECT_FALSE(DeleteFile(dir + "x/y/z"));        // folders are not files
  EXPECT_TRUE(RemoveDir(dir + "x/y/z"));

  const std::string other = dir + "b.txt";
  { std::ofstream(other) << "1"; }
  EXPECT_FALSE(RenameFile(file, other));  // never replaces
  EXPECT_EQ(FileSize(other), 1);
  EXPECT_TRUE(RenameFile(file, dir + "c.txt"));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(ReplaceFile(dir + "c.txt", other));
  EXPECT_EQ(FileSize(other), 5);
  EXPECT_TRUE(DeleteFile(other));
  EXPECT_FALSE(DeleteFile(other));

  const std::string tmp = GetTempDir();
  EXPECT_EQ(tmp.back(), '/');
  EXPECT_TRUE(DirectoryExists(tmp));
}
