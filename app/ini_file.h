// INI files held whole in memory: a list of sections, each a list of raw lines ("key=value"),
// written back in one pass only when something changed.
//
// TBigIniFile gives the typed reads and writes; TBiggerIniFile adds colours, fonts, binary data,
// numbered lists, renaming and whole-section writes; TAppIniFile is the file beside the program.
// Files are written with LF line ends and read with LF or CR LF; floats are written with "." and
// read with "." or ","; a file is replaced atomically (written beside, then renamed), so a failed
// save leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classlib/colors.h"
#include "platform/classlib/date_utils.h"
#include "platform/classlib/string_list.h"

namespace classlib {
class TFont;
}

namespace lumicast {

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = classlib::TDateTime;

// Section names; each entry's object is the section's own TStringList of lines (owned by the
// INI object). Name searches ignore ASCII case and start at the entry found last.
class TSectionList : public classlib::TStringList {
 public:
  std::string ClassName() const override { return "TSectionList"; }
  int IndexOf(const std::string& S) const override;
  // Forgets the entry found last (after removals).
  void ResetCache() { last_found_ = -1; }
  classlib::TStringList* Lines(int Index) const;

 private:
  mutable int last_found_ = -1;
};

// Asked when a file holds two sections whose names differ only in case: false keeps the later
// section as well; true (or no handler) drops it.
using TDuplicateSectionEvent = std::function<bool(
    const std::string& Name, classlib::TStrings* First, classlib::TStrings* Later)>;

class TBigIniFile : public classlib::TObject {
 public:
  static constexpr int kDefaultTextBufferSize = 28672;

  explicit TBigIniFile(const std::string& FileName);
  // Writes pending changes; a failure to write is swallowed here (call FlushFile to see it).
  ~TBigIniFile() override;
  std::string ClassName() const override { return "TBigIniFile"; }

  // Flushes the current file, forgets all sections, then loads FileName (when not empty).
  void UseFile(const std::string& FileName);

  virtual void LoadFromFile(const std::string& FileName);
  virtual void Clear();
  virtual void RemoveKey(const std::string& Section, const std::string& Key);
  virtual void RemoveSection(const std::string& Section);
  // Writes the file when it changed; raises EInOutError when it cannot (the old file stays).
  virtual void FlushFile();
  virtual bool HasSection(const std::string& Section);
  virtual std::string GetString(const std::string& Section, const std::string& Key,
                                const std::string& Default);
  virtual void GetFileImage(classlib::TStrings* Strings);
  virtual bool ReadBool(const std::string& Section, const std::string& Key, bool Default);
  virtual TDateTime ReadDateValue(const std::string& Section, const std::string& Key,
                                  TDateTime Default);
  virtual TDateTime ReadDateTimeValue(const std::string& Section, const std::string& Key,
                                      TDateTime Default);
  virtual long double ReadFloat(const std::string& Section, const std::string& Key,
                                long double Default);
  virtual int32_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default);
  virtual void GetKeyNames(const std::string& Section, classlib::TStrings* Strings);
  virtual void GetSectionNames(classlib::TStrings* Strings);
  virtual void GetSectionLines(const std::string& Section, classlib::TStrings* Strings);
  virtual std::string ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default);
  virtual TDateTime ReadTimeValue(const std::string& Section, const std::string& Key,
                                  TDateTime Default);
  virtual bool ContainsSection(const std::string& Section);
  virtual void SaveChanges();
  virtual bool HasKey(const std::string& Section, const std::string& Key);
  virtual void PutString(const std::string& Section, const std::string& Key,
                         const std::string& Value);
  virtual void WriteBool(const std::string& Section, const std::string& Key, bool Value);
  virtual void WriteDateValue(const std::string& Section, const std::string& Key, TDateTime Value);
  virtual void WriteDateTimeValue(const std::string& Section, const std::string& Key,
                                  TDateTime Value);
  virtual void WriteFloat(const std::string& Section, const std::string& Key, long double Value);
  virtual void WriteInteger(const std::string& Section, const std::string& Key, int32_t Value);
  // An empty key erases the section (or flushes the file when the section is empty too).
  virtual void WriteString(const std::string& Section, const std::string& Key,
                           const std::string& Value);
  virtual void WriteTimeValue(const std::string& Section, const std::string& Key, TDateTime Value);

  bool Changed() const { return changed_; }
  void SetChanged(bool Value) { changed_ = Value; }
  const std::string& FileName() const { return file_name_; }
  int TextBufferSize() const { return text_buffer_size_; }
  void SetTextBufferSize(int Value) { text_buffer_size_ = Value < 1024 ? 1024 : Value; }
  int SectionCount() const { return sections_.Count(); }

  TDuplicateSectionEvent OnDuplicateSection;

 protected:
  // Index of the section (ASCII case ignored), searching from the cursor round once; -1 when
  // missing. A found section becomes the cursor.
  int FindSection(const std::string& Section);
  // The section's lines, appending an empty section when missing.
  classlib::TStringList* SectionForWrite(const std::string& Section);
  classlib::TStringList* SectionForRead(const std::string& Section);
  // Index of the first line whose text before its first "=" is Key (ASCII case ignored), or -1.
  static int IndexOfKey(classlib::TStrings* Lines, const std::string& Key);
  void DeleteSectionAt(int Index);

  bool changed_ = false;
  int text_buffer_size_ = kDefaultTextBufferSize;
  std::string file_name_;
  int cursor_ = 0;
  TSectionList sections_;
};

class TBiggerIniFile : public TBigIniFile {
 public:
  using TBigIniFile::TBigIniFile;
  std::string ClassName() const override { return "TBiggerIniFile"; }

  // Fills at most Count bytes from the value's hexadecimal pairs (an invalid pair gives 0);
  // returns the number filled.
  virtual int32_t ReadBytes(const std::string& Section, const std::string& Key, int32_t Count,
                            void* Buffer);
  // The value as 8 hexadecimal digits; text that is not hexadecimal raises EConvertError.
  virtual classlib::TColor ReadColor(const std::string& Section, const std::string& Key,
                                     classlib::TColor Default);
  virtual void ReadFont(const std::string& Section, const std::string& Key, classlib::TFont* Font);
  // Appends the values Prefix<first index>, Prefix<first index + 1>, ... of the count stored
  // under Prefix + "Count" (PrefixOnCount) or "Count".
  virtual void ReadIndexedList(const std::string& Section, classlib::TStrings* Strings,
                               bool PrefixOnCount, int32_t FirstIndex, const std::string& Prefix,
                               const std::string& Default);
  virtual void RenameKey(const std::string& Section, const std::string& OldKey,
                         const std::string& NewKey);
  virtual void RenameSection(const std::string& OldName, const std::string& NewName);
  virtual void WriteBytes(const std::string& Section, const std::string& Key, int32_t Count,
                          const void* Buffer);
  virtual void WriteBoolOrRemove(const std::string& Section, const std::string& Key, bool Default,
                                 bool Value);
  virtual void WriteColor(const std::string& Section, const std::string& Key,
                          classlib::TColor Value);
  virtual void WriteFont(const std::string& Section, const std::string& Key, classlib::TFont* Font);
  virtual void WriteIndexedList(const std::string& Section, classlib::TStrings* Strings,
                                bool PrefixOnCount, int32_t FirstIndex, const std::string& Prefix);
  virtual void ReplaceSectionLines(const std::string& Section, classlib::TStrings* Strings);
};

// The INI file beside the program: the program's file name with the extension ".ini".
class TAppIniFile : public TBiggerIniFile {
 public:
  TAppIniFile();
  std::string ClassName() const override { return "TAppIniFile"; }
  virtual std::string AppIniFileName();
};

// One INI value holding a comma-separated list of elements (elements with blanks, commas or
// quotes are enclosed in double quotes).
class TCommaSeparatedInfo : public classlib::TObject {
 public:
  TCommaSeparatedInfo() = default;
  std::string ClassName() const override { return "TCommaSeparatedInfo"; }

  std::string CommaText() const { return values_.CommaText(); }
  void SetCommaText(const std::string& Value) { values_.SetCommaText(Value); }
  int Count() const { return values_.Count(); }

  // Reads past the end give "" (and -1, false, 0 for the typed forms).
  std::string Element(int Index) const;
  int32_t IntegerElement(int Index) const;  // -1 when not a number
  bool BoolElement(int Index) const;        // true when the element is "1"
  // "$" + element read as hexadecimal, else a colour name, else 0.
  classlib::TColor ColorElement(int Index) const;

  // Setting past the end first appends empty elements; negative indices are ignored.
  void SetElement(int Index, const std::string& Value);
  void SetIntegerElement(int Index, int32_t Value);
  void SetBoolElement(int Index, bool Value);               // "1" or ""
  void SetColorElement(int Index, classlib::TColor Value);  // colour name or "$" + 8 hex digits

 private:
  classlib::TStringList values_;
};

// Font styles as stored by TCSIFont.
enum : uint8_t { csiBold = 1, csiItalic = 2, csiUnderline = 4, csiStrikeOut = 8 };

// A font as one comma-separated value: 0 name, 1 size, 2 bold, 3 italic, 4 underline,
// 5 strikeout, 6 colour, 7 character set, 8 pitch.
class TCSIFont : public TCommaSeparatedInfo {
 public:
  std::string ClassName() const override { return "TCSIFont"; }

  std::string Name() const { return Element(0); }
  void SetName(const std::string& Value) { SetElement(0, Value); }
  int32_t Size() const { return IntegerElement(1); }
  void SetSize(int32_t Value) { SetIntegerElement(1, Value); }
  // Flags csiBold, csiItalic, csiUnderline, csiStrikeOut from elements 2 to 5.
  uint8_t Style() const;
  void SetStyle(uint8_t Value);
  classlib::TColor Color() const { return ColorElement(6); }
  void SetColor(classlib::TColor Value) { SetColorElement(6, Value); }
  int32_t Charset() const { return IntegerElement(7); }
  void SetCharset(int32_t Value) { SetIntegerElement(7, Value); }
  int32_t Pitch() const { return IntegerElement(8); }
  void SetPitch(int32_t Value) { SetIntegerElement(8, Value); }
};

}  // namespace lumicast
