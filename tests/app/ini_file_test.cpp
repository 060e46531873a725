// INI file classes: loading (line ends, duplicates, stray lines), typed reads and writes,
// change tracking and atomic saving, the extended operations and the comma-separated values.
#include "app/ini_file.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "tests/support/test_app.h"

using namespace lumicast;
using classlib::TStringList;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_dir_.Path();
    ASSERT_FALSE(dir_.empty());
    path_ = dir_ + "/test.ini";
  }
  void WriteText(const std::string& text) {
    std::ofstream f(path_, std::ios::binary);
    f << text;
  }
  std::string ReadText() const {
    std::ifstream f(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  ino_t Inode() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  lumitest::TempDir temp_dir_;
  std::string dir_, path_;
};

TEST_F(IniFileTest, LoadsLfAndCrLfFilesAndDropsStrayLines) {
  WriteText(
      "orphan=1\r\n[General]\r\nID=Velmora "
      "Lumicast\r\n\r\nTaskCount=2\r\n\x1A\r\n[Task0]\nswfFilename=/m/a=b.swf\n\n");
  TBigIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("general", "id", "?"), "Velmora Lumicast");
  EXPECT_EQ(ini.ReadInteger("GENERAL", "TASKCOUNT", 0), 2);
  EXPECT_EQ(ini.ReadString("Task0", "swfFilename", ""), "/m/a=b.swf");  // only the first "=" splits
  EXPECT_EQ(ini.GetString("Task0", "SWFFILENAME", ""), "/m/a=b.swf");
  EXPECT_EQ(ini.ReadString("Task0", "missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("NoSuch", "ID", "dflt"), "dflt");
  EXPECT_FALSE(ini.Changed());

  TStringList image;
  ini.GetFileImage(&image);
  EXPECT_EQ(image.Text(),
            "[General]\nID=Velmora Lumicast\nTaskCount=2\n\n[Task0]\nswfFilename=/m/a=b.swf\n\n");

  // Any change rewrites the file with LF line ends; the line before the first section is gone.
  ini.WriteInteger("General", "TaskCount", 3);
  ini.FlushFile();
  EXPECT_EQ(ReadText(),
            "[General]\nID=Velmora Lumicast\nTaskCount=3\n\n[Task0]\nswfFilename=/m/a=b.swf\n\n");
}

TEST_F(IniFileTest, DuplicateSectionsKeepTheFirst) {
  WriteText("[Task0]\na=1\n[task0]\na=2\nb=3\n[Other]\nc=4\n");
  {
    TBigIniFile ini(path_);
    EXPECT_EQ(ini.SectionCount(), 2);
    EXPECT_EQ(ini.ReadString("TASK0", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("task0", "b", "none"), "none");
    EXPECT_FALSE(ini.Changed());  // opening a file leaves it unchanged
    ini.WriteString("Other", "c", "5");
  }  // the next write drops the duplicate from the file
  EXPECT_EQ(ReadText(), "[Task0]\na=1\n\n[Other]\nc=5\n\n");

  // A handler answering false keeps the later section too.
  WriteText("[Task0]\na=1\n[task0]\na=2\n");
  TBigIniFile ini("");
  std::string seen;
  ini.OnDuplicateSection = [&](const std::string& name, classlib::TStrings* first,
                               classlib::TStrings* later) {
    seen = name + ":" + first->Get(0) + ":" + later->Get(0);
    return false;
  };
  ini.LoadFromFile(path_);
  EXPECT_EQ(seen, "task0:a=1:a=2");
  EXPECT_EQ(ini.SectionCount(), 2);
  EXPECT_FALSE(ini.Changed());
  // Loading a file with a dropped duplicate marks the contents changed.
  ini.OnDuplicateSection = nullptr;
  ini.Clear();
  ini.LoadFromFile(path_);
  EXPECT_EQ(ini.SectionCount(), 1);
  EXPECT_TRUE(ini.Changed());
}

TEST_F(IniFileTest, UnchangedWritesLeaveTheFileUntouched) {
  WriteText("[S]\nKey=value\nN=5\n");
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "Key", "value");
    EXPECT_FALSE(ini.Changed());
    ini.WriteInteger("s", "n", 5);  // the key's letter case differs: the line is replaced
    EXPECT_TRUE(ini.Changed());
  }
  EXPECT_EQ(ReadText(), "[S]\nKey=value\nn=5\n\n");
  ino_t before = Inode();
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "Key", "value");
    ini.WriteString("S", "n", "5");
    EXPECT_FALSE(ini.Changed());
    ini.FlushFile();
  }
  EXPECT_EQ(Inode(), before);  // not rewritten
  // A changed value is replaced in place, keeping the order of the keys.
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "Key", "Value");
  }
  EXPECT_EQ(ReadText(), "[S]\nKey=Value\nn=5\n\n");
}

TEST_F(IniFileTest, IntegersBoolsAndFloats) {
  WriteText("[N]\na=0X1F\nb=$1F\nc=12abc\nd=-7\ne=\nf=0x\ng=1\nh=0\ni=0,5\nj=2.25E3\nk=abc\n");
  TBigIniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("N", "a", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "b", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "c", -1), -1);
  EXPECT_EQ(ini.ReadInteger("N", "d", 0), -7);
  EXPECT_EQ(ini.ReadInteger("N", "e", 9), 9);
  EXPECT_EQ(ini.ReadInteger("N", "f", 9), 9);
  EXPECT_TRUE(ini.ReadBool("N", "g", false));
  EXPECT_FALSE(ini.ReadBool("N", "h", true));
  EXPECT_TRUE(ini.ReadBool("N", "missing", true));
  EXPECT_DOUBLE_EQ(double(ini.ReadFloat("N", "i", 0)), 0.5);  // written under a "," locale
  EXPECT_DOUBLE_EQ(double(ini.ReadFloat("N", "j", 0)), 2250.0);
  EXPECT_DOUBLE_EQ(double(ini.ReadFloat("N", "k", 1.5L)), 1.5);
  EXPECT_DOUBLE_EQ(double(ini.ReadFloat("N", "e", 1.5L)), 1.5);

  ini.WriteFloat("W", "half", 0.5L);
  ini.WriteFloat("W", "split", 74);
  ini.WriteBool("W", "on", true);
  ini.WriteInteger("W", "neg", -2147483647 - 1);
  EXPECT_EQ(ini.ReadString("W", "half", ""), "0.5");
  EXPECT_EQ(ini.ReadString("W", "split", ""), "74");
  EXPECT_EQ(ini.ReadString("W", "on", ""), "1");
  EXPECT_EQ(ini.ReadInteger("W", "neg", 0), -2147483647 - 1);
}

TEST_F(IniFileTest, ColoursAreEightHexDigits) {
  WriteText("[C]\nwhite=00FFFFFF\nname=white\nsys=8000000F\n");
  TBiggerIniFile ini(path_);
  EXPECT_EQ(ini.ReadColor("C", "white", 0), 0xFFFFFF);
  EXPECT_EQ(uint32_t(ini.ReadColor("C", "sys", 0)), 0x8000000Fu);
  EXPECT_EQ(ini.ReadColor("C", "missing", 0x123456), 0x123456);
  EXPECT_THROW(ini.ReadColor("C", "name", 0), classlib::EConvertError);
  // A hand-edited value with blanks around it or extra leading zeros still reads; more than
  // 32 bits, an empty value or a sign does not.
  ini.WriteString("C", "blanks", " 0000FF00\t");
  ini.WriteString("C", "zeros", "0000000000ff");
  EXPECT_EQ(ini.ReadColor("C", "blanks", 0), 0x00FF00);
  EXPECT_EQ(ini.ReadColor("C", "zeros", 0), 0xFF);
  for (const char* bad : {"1FFFFFFFF", "", "-1", "0x00FF"}) {
    ini.WriteString("C", "bad", bad);
    EXPECT_THROW(ini.ReadColor("C", "bad", 0), classlib::EConvertError) << bad;
  }
  ini.WriteColor("C", "out", 0xFFFFFF);
  ini.WriteColor("C", "sysout", classlib::clBtnFace);
  ini.WriteColor("C", "none", classlib::clNone);
  EXPECT_EQ(ini.ReadString("C", "out", ""), "00FFFFFF");
  EXPECT_EQ(ini.ReadString("C", "sysout", ""), "8000000F");
  EXPECT_EQ(ini.ReadString("C", "none", ""), "1FFFFFFF");
}

TEST_F(IniFileTest, EmptyKeyErasesSectionsAndEmptySectionsAreNotWritten) {
  TBigIniFile ini(path_);
  ini.WriteString("A", "k", "1");
  ini.WriteString("B", "k", "2");
  ini.WriteString("C", "k", "3");
  ini.FlushFile();
  EXPECT_EQ(ReadText(), "[A]\nk=1\n\n[B]\nk=2\n\n[C]\nk=3\n\n");
  ini.WriteString("B", "", "");
  EXPECT_FALSE(ini.HasSection("B"));
  ini.RemoveKey("C", "K");
  EXPECT_TRUE(ini.HasSection("c"));
  EXPECT_FALSE(ini.HasKey("C", "k"));
  ini.WriteString("", "", "");  // flushes
  EXPECT_FALSE(ini.Changed());
  EXPECT_EQ(ReadText(), "[A]\nk=1\n\n");
}

TEST_F(IniFileTest, LineBreaksInValuesCannotForgeLines) {
  {
    TBigIniFile ini(path_);
    ini.WriteString("Task0", "swfFilename", "/m/a\n[General]\r\nTaskCount=99.swf");
    ini.WriteInteger("General", "TaskCount", 1);
  }
  TBigIniFile ini(path_);
  EXPECT_EQ(ini.SectionCount(), 2);
  EXPECT_EQ(ini.ReadInteger("General", "TaskCount", 0), 1);
  EXPECT_EQ(ini.ReadString("Task0", "swfFilename", ""), "/m/a [General]  TaskCount=99.swf");
}

TEST_F(IniFileTest, SectionSearchWrapsFromTheLastFound) {
  TBigIniFile ini("");
  for (int i = 0; i < 5; ++i) ini.WriteInteger("Task" + std::to_string(i), "n", i);
  for (int i : {4, 0, 3, 1, 2, 2})
    EXPECT_EQ(ini.ReadInteger("task" + std::to_string(i), "N", -1), i);
  ini.RemoveSection("Task4");
  ini.RemoveSection("Task3");
  EXPECT_EQ(ini.ReadInteger("Task2", "n", -1), 2);
  EXPECT_FALSE(ini.ContainsSection("Task4"));
  TStringList names;
  names.Add("stale");
  ini.GetSectionNames(&names);
  EXPECT_EQ(names.CommaText(), "Task0,Task1,Task2");
}

TEST_F(IniFileTest, KeyAndLineListings) {
  WriteText("[S]\na=1\nnoequals\n=nameless\nB=2\n");
  TBigIniFile ini(path_);
  TStringList keys, lines;
  ini.GetKeyNames("S", &keys);
  EXPECT_EQ(keys.CommaText(), "a,B");
  ini.GetSectionLines("s", &lines);
  EXPECT_EQ(lines.Count(), 4);
  EXPECT_EQ(lines.Get(1), "noequals");
  EXPECT_TRUE(ini.HasKey("S", "b"));
  EXPECT_FALSE(ini.HasKey("S", "noequals"));
  TStringList none;
  ini.GetKeyNames("Missing", &none);
  EXPECT_EQ(none.Count(), 0);
}

TEST_F(IniFileTest, DatesAndTimesRoundTrip) {
  TBigIniFile ini("");
  TDateTime moment = 45000.75;  // 2023-03-15 18:00
  ini.WriteDateValue("D", "d", moment);
  ini.WriteTimeValue("D", "t", moment);
  ini.WriteDateTimeValue("D", "dt", moment);
  EXPECT_EQ(ini.ReadString("D", "d", ""), "2023-03-15");
  EXPECT_EQ(ini.ReadString("D", "t", ""), "18:00:00");
  EXPECT_DOUBLE_EQ(ini.ReadDateValue("D", "d", 0), 45000.0);
  EXPECT_DOUBLE_EQ(ini.ReadTimeValue("D", "t", 0), 0.75);
  EXPECT_DOUBLE_EQ(ini.ReadDateTimeValue("D", "dt", 0), 45000.75);
  EXPECT_DOUBLE_EQ(ini.ReadDateValue("D", "missing", 7), 7);
  ini.WriteString("D", "bad", "2023-02-30");
  EXPECT_DOUBLE_EQ(ini.ReadDateValue("D", "bad", 7), 7);
  ini.WriteString("D", "bad", "25:00");
  EXPECT_DOUBLE_EQ(ini.ReadTimeValue("D", "bad", 7), 7);
  ini.WriteDateValue("D", "epoch", 0);
  EXPECT_EQ(ini.ReadString("D", "epoch", ""), "1899-12-30");
}

TEST_F(IniFileTest, FailedSaveKeepsThePreviousFile) {
  WriteText("[S]\nk=old\n");
  // A file-size limit makes the write fail part-way, as a full disk would.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "k", std::string(100000, 'x'));
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(ini.FlushFile(), classlib::EInOutError);
    EXPECT_TRUE(ini.Changed());  // still to be written
    // The destructor's own attempt fails too, silently.
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ReadText(), "[S]\nk=old\n");
  // No temporary file is left beside it.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir_)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);

  // A folder that does not exist.
  TBigIniFile lost(dir_ + "/missing/x.ini");
  lost.WriteString("S", "k", "v");
  EXPECT_THROW(lost.FlushFile(), classlib::EInOutError);
}

TEST_F(IniFileTest, SaveKeepsTheFileMode) {
  WriteText("[S]\nk=1\n");
  ::chmod(path_.c_str(), 0600);
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "k", "2");
  }
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFileTest, SaveFollowsLinksRaisesOnReadOnlyFilesAndHonoursTheUmask) {
  // Through a link the linked file is rewritten and the link stays.
  WriteText("[S]\nk=1\n");
  const std::string link = dir_ + "/link.ini";
  std::filesystem::create_symlink(path_, link);
  {
    TBigIniFile ini(link);
    ini.WriteString("S", "k", "2");
    ini.FlushFile();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(), "[S]\nk=2\n\n");

  // A file without write permission raises, for the superuser too, and stays as it was.
  ::chmod(path_.c_str(), 0444);
  {
    TBigIniFile ini(path_);
    ini.WriteString("S", "k", "3");
    EXPECT_THROW(ini.FlushFile(), classlib::EInOutError);
  }
  EXPECT_EQ(ReadText(), "[S]\nk=2\n\n");

  // A new file gets the usual permissions less the umask.
  mode_t saved = ::umask(077);
  {
    TBigIniFile ini(dir_ + "/new.ini");
    ini.WriteString("S", "k", "1");
  }
  ::umask(saved);
  struct stat st {};
  ASSERT_EQ(::stat((dir_ + "/new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFileTest, BytesAsHexPairs) {
  TBiggerIniFile ini("");
  const uint8_t data[] = {0x00, 0x7F, 0xAB, 0xFF};
  ini.WriteBytes("B", "k", 4, data);
  EXPECT_EQ(ini.ReadString("B", "k", ""), "007FABFF");
  uint8_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(ini.ReadBytes("B", "k", 8, out), 4);
  EXPECT_EQ(out[2], 0xAB);
  EXPECT_EQ(out[4], 9);
  EXPECT_EQ(ini.ReadBytes("B", "k", 2, out + 4), 2);  // limited to the caller's count
  EXPECT_EQ(out[6], 9);
  ini.WriteString("B", "odd", "1GZ2A");
  EXPECT_EQ(ini.ReadBytes("B", "odd", 8, out), 2);
  EXPECT_EQ(out[0], 0);  // "1G" is not hexadecimal
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(ini.ReadBytes("B", "missing", 8, out), 0);
  EXPECT_EQ(ini.ReadBytes("B", "k", -3, out), 0);
}

TEST_F(IniFileTest, IndexedLists) {
  WriteText("[L]\nCount=2\nItem1=a\nItem2=b\n");
  TBiggerIniFile ini(path_);
  TStringList list;
  ini.ReadIndexedList("L", &list, false, 1, "Item", "?");
  EXPECT_EQ(list.CommaText(), "a,b");

  // Writing the same list back changes nothing.
  ini.WriteIndexedList("L", &list, false, 1, "Item");
  EXPECT_FALSE(ini.Changed());
  list.Clear();
  list.Add("x");
  ini.WriteIndexedList("L", &list, false, 1, "Item");
  EXPECT_TRUE(ini.Changed());
  TStringList lines;
  ini.GetSectionLines("L", &lines);
  EXPECT_EQ(lines.CommaText(), "Count=1,Item1=x");

  // Count under the prefix; a count larger than the section is cut to its lines.
  ini.WriteString("P", "FileCount", "2000000000");
  ini.WriteString("P", "File0", "one");
  TStringList files;
  ini.ReadIndexedList("P", &files, true, 0, "File", "?");
  EXPECT_EQ(files.CommaText(), "one,?");
  ini.WriteString("P", "FileCount", "-5");
  files.Clear();
  ini.ReadIndexedList("P", &files, true, 0, "File", "?");
  EXPECT_EQ(files.Count(), 0);
}

TEST_F(IniFileTest, RenamingKeysAndSections) {
  TBiggerIniFile ini("");
  ini.WriteString("S", "old", "v");
  ini.WriteString("S", "other", "w");
  ini.RenameKey("S", "old", "new");
  EXPECT_FALSE(ini.HasKey("S", "old"));
  EXPECT_EQ(ini.ReadString("S", "new", ""), "v");
  // Changing only the letter case keeps the value.
  ini.RenameKey("S", "new", "NEW");
  TStringList lines;
  ini.GetSectionLines("S", &lines);
  EXPECT_EQ(lines.CommaText(), "other=w,NEW=v");
  ini.RenameKey("S", "absent", "x");
  EXPECT_FALSE(ini.HasKey("S", "x"));

  ini.SetChanged(false);
  ini.RenameSection("S", "S");
  EXPECT_FALSE(ini.Changed());
  ini.RenameSection("s", "T");
  EXPECT_TRUE(ini.Changed());
  EXPECT_FALSE(ini.HasSection("S"));
  EXPECT_EQ(ini.ReadString("T", "other", ""), "w");

  // Of two sections kept under names differing in case, the first in the file is renamed, even
  // when the search cursor stands on the later one.
  WriteText("[Task0]\na=1\n[B]\nb=1\n[task0]\na=2\n");
  TBiggerIniFile dup("");
  dup.OnDuplicateSection = [](const std::string&, classlib::TStrings*, classlib::TStrings*) {
    return false;
  };
  dup.LoadFromFile(path_);
  ASSERT_EQ(dup.SectionCount(), 3);
  EXPECT_EQ(dup.ReadString("B", "b", ""), "1");  // the cursor now stands between the two
  dup.RenameSection("TASK0", "Job0");
  TStringList names;
  dup.GetSectionNames(&names);
  EXPECT_EQ(names.CommaText(), "Job0,B,task0");
}

TEST_F(IniFileTest, ReplaceSectionLinesAndWriteBoolOrRemove) {
  TBiggerIniFile ini("");
  TStringList lines;
  lines.Add("a=1");
  lines.Add("b=2");
  ini.ReplaceSectionLines("R", &lines);
  EXPECT_TRUE(ini.Changed());
  ini.SetChanged(false);
  ini.ReplaceSectionLines("R", &lines);
  EXPECT_FALSE(ini.Changed());
  lines.Put(1, "b=3");
  ini.ReplaceSectionLines("R", &lines);
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(ini.ReadInteger("R", "b", 0), 3);
  lines.Add("c=4");
  ini.ReplaceSectionLines("R", &lines);
  EXPECT_EQ(ini.ReadInteger("R", "c", 0), 4);

  ini.WriteBoolOrRemove("R", "flag", false, true);
  EXPECT_EQ(ini.ReadString("R", "flag", ""), "1");
  ini.WriteBoolOrRemove("R", "flag", false, false);
  EXPECT_FALSE(ini.HasKey("R", "flag"));
}

TEST(CommaSeparatedInfoTest, ElementsAndFonts) {
  TCommaSeparatedInfo csi;
  csi.SetCommaText("Arial,10,\"a b\",\"x,y\"");
  EXPECT_EQ(csi.Count(), 4);
  EXPECT_EQ(csi.Element(2), "a b");
  EXPECT_EQ(csi.Element(3), "x,y");
  EXPECT_EQ(csi.Element(9), "");
  EXPECT_EQ(csi.Element(-1), "");
  EXPECT_EQ(csi.IntegerElement(1), 10);
  EXPECT_EQ(csi.IntegerElement(0), -1);
  csi.SetElement(6, "z");
  EXPECT_EQ(csi.Count(), 7);
  EXPECT_EQ(csi.Element(5), "");
  csi.SetElement(-2, "ignored");
  EXPECT_EQ(csi.Count(), 7);

  csi.SetColorElement(0, classlib::clRed);
  EXPECT_EQ(csi.Element(0), "clRed");
  EXPECT_EQ(csi.ColorElement(0), classlib::clRed);
  csi.SetColorElement(1, 0x123456);
  EXPECT_EQ(csi.Element(1), "$00123456");
  EXPECT_EQ(csi.ColorElement(1), 0x123456);
  csi.SetElement(2, "00ABCDEF");
  EXPECT_EQ(csi.ColorElement(2), 0xABCDEF);
  csi.SetElement(2, "nonsense");
  EXPECT_EQ(csi.ColorElement(2), 0);

  TCSIFont font;
  font.SetName("Times New Roman");
  font.SetSize(12);
  font.SetStyle(csiBold | csiUnderline);
  font.SetColor(classlib::clBlue);
  font.SetCharset(1);
  font.SetPitch(2);
  EXPECT_EQ(font.CommaText(), "\"Times New Roman\",12,1,,1,,clBlue,1,2");
  TCSIFont back;
  back.SetCommaText(font.CommaText());
  EXPECT_EQ(back.Style(), csiBold | csiUnderline);
  EXPECT_EQ(back.Color(), classlib::clBlue);
  EXPECT_EQ(back.Pitch(), 2);
}

TEST_F(IniFileTest, FontsRoundTrip) {
  TBiggerIniFile ini("");
  classlib::TFont font;
  font.SetName("Arial");
  font.SetSize(14);
  font.SetStyle(classlib::fsItalic | classlib::fsStrikeOut);
  font.SetColor(0x102030);
  ini.WriteFont("F", "font", &font);
  classlib::TFont back;
  ini.ReadFont("F", "font", &back);
  EXPECT_EQ(back.Name(), "Arial");
  EXPECT_EQ(back.Size(), 14);
  EXPECT_EQ(back.Style(), unsigned(classlib::fsItalic | classlib::fsStrikeOut));
  EXPECT_EQ(back.Color(), 0x102030);
  // Out-of-range pitch and character set from a hand-edited file fall back to the defaults.
  ini.WriteString("F", "bad", "Arial,9,,,,,clBlack,999,77");
  ini.ReadFont("F", "bad", &back);
  EXPECT_EQ(back.Pitch(), classlib::fpDefault);
  EXPECT_EQ(back.Charset(), classlib::DEFAULT_CHARSET);
}

TEST_F(IniFileTest, GoldenJobList) {
  std::string golden =
      (std::filesystem::path(LUMICAST_SOURCE_DIR) / "tests" / "app" / "data" / "golden.ini")
          .string();
  {
    TBiggerIniFile ini(path_);
    ini.Clear();
    ini.WriteString("General", "ID", "Velmora Lumicast");
    ini.WriteInteger("General", "TaskCount", 1);
    ini.WriteBool("General", "IsShowTips", true);
    ini.WriteBool("General", "IsSetAudioSource", false);
    ini.WriteBool("Task0", "IsItemChecked", true);
    ini.WriteString("Task0", "swfFilename", "/home/user/movies/intro.swf");
    ini.WriteFloat("Task0", "adoSyncOffset", 0.5L);
    ini.WriteFloat("Task0", "destSplitSize", 74);
    ini.WriteInteger("Task0", "destAVICodecID", 541215044);
    ini.WriteFloat("Task0", "destAVIQuality", 75.25L);
    ini.WriteColor("Task0", "destGIFBackgroundColor", 0xFFFFFF);
    ini.WriteColor("Task0", "destGIFTransparentColor", 0x00FF00);
  }
  std::ifstream f(golden, std::ios::binary);
  ASSERT_TRUE(f.good()) << golden;
  EXPECT_EQ(ReadText(), std::string(std::istreambuf_iterator<char>(f), {}));

  TBiggerIniFile back(golden);
  EXPECT_EQ(back.ReadInteger("General", "TaskCount", 0), 1);
  EXPECT_DOUBLE_EQ(double(back.ReadFloat("Task0", "destAVIQuality", 0)), 75.25);
  EXPECT_EQ(back.ReadColor("Task0", "destGIFTransparentColor", 0), 0x00FF00);
}

TEST(AppIniFileTest, NamedAfterTheProgram) {
  TAppIniFile ini;
  std::filesystem::path p(ini.AppIniFileName());
  EXPECT_EQ(p.filename(), "app_tests.ini");
  EXPECT_EQ(ini.FileName(), p.string());
  EXPECT_TRUE(p.is_absolute());
}

}  // namespace
