#include "app/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <unistd.h>
#include <vector>

#include "platform/classlib/atomic_file.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/date_utils.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

[[noreturn]] void RaiseIo(const std::string& What, const std::string& FileName, int Err) {
  throw EInOutError("I/O error: " + What + " \"" + FileName + "\": " + std::strerror(Err));
}

// Splits "key=value"; false for a line without "=".
bool LineKey(const std::string& Line, std::string& Key) {
  size_t eq = Line.find('=');
  if (eq == std::string::npos) return false;
  Key = Line.substr(0, eq);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Strict hexadecimal of at most 32 bits; false on anything else.
bool ParseHex32(const std::string& S, uint32_t& Value) {
  if (S.empty() || S.size() > 8) return false;
  uint32_t v = 0;
  for (char c : S) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = v << 4 | uint32_t(d);
  }
  Value = v;
  return true;
}

std::string Hex8(TColor c) { return IntToHex(int64_t(uint32_t(c)), 8); }

}  // namespace

// ---- TSectionList ------------------------------------------------------------------------------

int TSectionList::IndexOf(const std::string& S) const {
  int n = Count();
  if (n == 0) return -1;
  int start = last_found_ >= 0 && last_found_ < n ? last_found_ : 0;
  for (int k = 0; k < n; ++k) {
    int i = (start + k) % n;
    if (SameText(Get(i), S)) {
      last_found_ = i;
      return i;
    }
  }
  return -1;
}

TStringList* TSectionList::Lines(int Index) const {
  return static_cast<TStringList*>(GetObject(Index));
}

// ---- TBigIniFile -------------------------------------------------------------------------------

TBigIniFile::TBigIniFile(const std::string& FileName) { UseFile(FileName); }

TBigIniFile::~TBigIniFile() {
  try {
    FlushFile();
  } catch (...) {
    // A destructor cannot report; callers that care call FlushFile themselves.
  }
  while (sections_.Count() > 0) DeleteSectionAt(sections_.Count() - 1);
}

void TBigIniFile::UseFile(const std::string& FileName) {
  FlushFile();
  Clear();
  file_name_ = FileName;
  if (!file_name_.empty()) LoadFromFile(file_name_);
  changed_ = false;
}

void TBigIniFile::DeleteSectionAt(int Index) {
  delete sections_.Lines(Index);
  sections_.Delete(Index);
  sections_.ResetCache();
  if (cursor_ >= sections_.Count()) cursor_ = 0;
}

int TBigIniFile::FindSection(const std::string& Section) {
  int n = sections_.Count();
  if (n == 0) return -1;
  if (cursor_ < 0 || cursor_ >= n) cursor_ = 0;
  for (int k = 0; k < n; ++k) {
    int i = (cursor_ + k) % n;
    if (SameText(sections_.Get(i), Section)) {
      cursor_ = i;
      return i;
    }
  }
  return -1;
}

TStringList* TBigIniFile::SectionForRead(const std::string& Section) {
  int i = FindSection(Section);
  return i < 0 ? nullptr : sections_.Lines(i);
}

TStringList* TBigIniFile::SectionForWrite(const std::string& Section) {
  int i = FindSection(Section);
  if (i >= 0) return sections_.Lines(i);
  auto* lines = new TStringList;
  cursor_ = sections_.AddObject(Section, lines);
  return lines;
}

int TBigIniFile::IndexOfKey(TStrings* Lines, const std::string& Key) {
  for (int i = 0; i < Lines->Count(); ++i) {
    const std::string line = Lines->Get(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos && eq == Key.size() && SameText(line.substr(0, eq), Key)) return i;
  }
  return -1;
}

void TBigIniFile::LoadFromFile(const std::string& FileName) {
  cursor_ = 0;
  int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return;  // a missing file reads as empty
    RaiseIo("cannot open", FileName, errno);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  TStringList* current = nullptr;
  std::string line;
  bool first_line = true;
  auto take_line = [&]() {
    // A UTF-8 byte-order mark that an editor put before the first line is not part of it.
    if (first_line && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    first_line = false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() == 1 && line[0] == '\x1A') line.clear();
    if (line.empty()) return;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = new TStringList;
      sections_.AddObject(line.substr(1, line.size() - 2), current);
    } else if (current != nullptr) {
      current->Add(line);
    }
    line.clear();
  };
  std::vector<char> buf(static_cast<size_t>(text_buffer_size_));
  for (;;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseIo("cannot read", FileName, errno);
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[size_t(i)] == '\n')
        take_line();
      else
        line.push_back(buf[size_t(i)]);
    }
  }
  take_line();

  // Sections whose names differ only in case: the first one wins unless the handler keeps both.
  std::map<std::string, int> first;
  std::vector<int> drop;
  for (int i = 0; i < sections_.Count(); ++i) {
    auto [it, fresh] = first.emplace(UpperCase(sections_.Get(i)), i);
    if (fresh) continue;
    if (OnDuplicateSection &&
        !OnDuplicateSection(sections_.Get(i), sections_.Lines(it->second), sections_.Lines(i)))
      continue;
    drop.push_back(i);
  }
  for (auto it = drop.rbegin(); it != drop.rend(); ++it) DeleteSectionAt(*it);
  if (!drop.empty()) changed_ = true;
  cursor_ = 0;
}

void TBigIniFile::Clear() {
  while (sections_.Count() > 0) DeleteSectionAt(sections_.Count() - 1);
  cursor_ = 0;
}

void TBigIniFile::RemoveKey(const std::string& Section, const std::string& Key) {
  TStringList* lines = SectionForWrite(Section);
  int i = IndexOfKey(lines, Key);
  if (i >= 0) lines->Delete(i);
  changed_ = true;
}

void TBigIniFile::RemoveSection(const std::string& Section) {
  int i = FindSection(Section);
  if (i >= 0) DeleteSectionAt(i);
  sections_.ResetCache();
  changed_ = true;
}

void TBigIniFile::FlushFile() {
  if (changed_ && !file_name_.empty()) {
    std::string image;
    for (int i = 0; i < sections_.Count(); ++i) {
      TStringList* lines = sections_.Lines(i);
      if (lines->Count() == 0) continue;
      image += "[" + sections_.Get(i) + "]\n";
      for (int k = 0; k < lines->Count(); ++k) image += lines->Get(k) + "\n";
      image += "\n";
    }

    // Replaced in one step: a failed or interrupted save leaves the previous file as it was.
    try {
      TAtomicFileStream out(file_name_);
      const size_t chunk = size_t(text_buffer_size_);
      for (size_t done = 0; done < image.size(); done += chunk)
        out.Write(image.data() + done, int64_t(std::min(chunk, image.size() - done)));
      out.Commit();
    } catch (const EStreamError& e) {
      throw EInOutError("I/O error: " + e.Message());
    }
  }
  changed_ = false;
}

bool TBigIniFile::HasSection(const std::string& Section) { return FindSection(Section) >= 0; }

std::string TBigIniFile::GetString(const std::string& Section, const std::string& Key,
                                   const std::string& Default) {
  TStringList* lines = SectionForRead(Section);
  if (lines == nullptr || Key.empty()) return Default;
  int i = lines->IndexOfName(Key);
  return i < 0 ? Default : lines->ValueFromIndex(i);
}

void TBigIniFile::GetFileImage(TStrings* Strings) {
  for (int i = 0; i < sections_.Count(); ++i) {
    TStringList* lines = sections_.Lines(i);
    if (lines->Count() == 0) continue;
    Strings->Add("[" + sections_.Get(i) + "]");
    for (int k = 0; k < lines->Count(); ++k) Strings->Add(lines->Get(k));
    Strings->Add("");
  }
}

bool TBigIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) {
  return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

TDateTime TBigIniFile::ReadDateValue(const std::string& Section, const std::string& Key,
                                     TDateTime Default) {
  std::string s = Trim(ReadString(Section, Key, ""));
  size_t pos = 0;
  double days;
  if (s.empty() || !ParseDateText(s, pos, days) || pos != s.size()) return Default;
  return days;
}

TDateTime TBigIniFile::ReadDateTimeValue(const std::string& Section, const std::string& Key,
                                         TDateTime Default) {
  std::string s = Trim(ReadString(Section, Key, ""));
  if (s.empty()) return Default;
  size_t pos = 0;
  double days = 0, frac = 0;
  if (ParseDateText(s, pos, days)) {
    if (pos == s.size()) return days;
    if (s[pos] != ' ' && s[pos] != 'T') return Default;
    ++pos;
  } else {
    pos = 0;  // a time alone
  }
  if (!ParseTimeText(s, pos, frac) || pos != s.size()) return Default;
  return days + frac;
}

long double TBigIniFile::ReadFloat(const std::string& Section, const std::string& Key,
                                   long double Default) {
  std::string s = ReadString(Section, Key, "");
  long double v;
  if (s.empty() || !TryStrToFloat(s, v)) return Default;
  return v;
}

int32_t TBigIniFile::ReadInteger(const std::string& Section, const std::string& Key,
                                 int32_t Default) {
  std::string s = ReadString(Section, Key, "");
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2, 255);
  int32_t v;
  if (s.empty() || !TryStrToInt(s, v)) return Default;
  return v;
}

void TBigIniFile::GetKeyNames(const std::string& Section, TStrings* Strings) {
  TStringList* lines = SectionForRead(Section);
  if (lines == nullptr) return;
  std::string key;
  for (int i = 0; i < lines->Count(); ++i)
    if (LineKey(lines->Get(i), key) && !key.empty()) Strings->Add(key);
}

void TBigIniFile::GetSectionNames(TStrings* Strings) {
  Strings->BeginUpdate();
  Strings->Clear();
  for (int i = 0; i < sections_.Count(); ++i) Strings->Add(sections_.Get(i));
  Strings->EndUpdate();
}

void TBigIniFile::GetSectionLines(const std::string& Section, TStrings* Strings) {
  TStringList* lines = SectionForRead(Section);
  if (lines == nullptr) return;
  for (int i = 0; i < lines->Count(); ++i) Strings->Add(lines->Get(i));
}

std::string TBigIniFile::ReadString(const std::string& Section, const std::string& Key,
                                    const std::string& Default) {
  TStringList* lines = SectionForRead(Section);
  if (lines == nullptr) return Default;
  int i = IndexOfKey(lines, Key);
  if (i < 0) return Default;
  return lines->Get(i).substr(Key.size() + 1);
}

TDateTime TBigIniFile::ReadTimeValue(const std::string& Section, const std::string& Key,
                                     TDateTime Default) {
  std::string s = Trim(ReadString(Section, Key, ""));
  size_t pos = 0;
  double frac;
  if (s.empty() || !ParseTimeText(s, pos, frac) || pos != s.size()) return Default;
  return frac;
}

bool TBigIniFile::ContainsSection(const std::string& Section) { return HasSection(Section); }

void TBigIniFile::SaveChanges() { FlushFile(); }

bool TBigIniFile::HasKey(const std::string& Section, const std::string& Key) {
  TStringList* lines = SectionForRead(Section);
  return lines != nullptr && IndexOfKey(lines, Key) >= 0;
}

void TBigIniFile::PutString(const std::string& Section, const std::string& Key,
                            const std::string& Value) {
  WriteString(Section, Key, Value);
}

void TBigIniFile::WriteBool(const std::string& Section, const std::string& Key, bool Value) {
  WriteString(Section, Key, Value ? "1" : "0");
}

void TBigIniFile::WriteDateValue(const std::string& Section, const std::string& Key,
                                 TDateTime Value) {
  WriteString(Section, Key, DateToStr(Value));
}

void TBigIniFile::WriteDateTimeValue(const std::string& Section, const std::string& Key,
                                     TDateTime Value) {
  WriteString(Section, Key, DateToStr(Value) + " " + TimeToStr(Value));
}

void TBigIniFile::WriteFloat(const std::string& Section, const std::string& Key,
                             long double Value) {
  WriteString(Section, Key, FloatToStr(Value));
}

void TBigIniFile::WriteInteger(const std::string& Section, const std::string& Key, int32_t Value) {
  WriteString(Section, Key, IntToStr(Value));
}

void TBigIniFile::WriteString(const std::string& Section, const std::string& Key,
                              const std::string& Value) {
  if (Key.empty()) {
    if (!Section.empty() || !Value.empty())
      RemoveSection(Section);
    else
      FlushFile();
    return;
  }
  // A line break inside a value would split it into lines of their own (even a section
  // header) when the file is read back: line breaks are stored as blanks.
  std::string line = Key + "=" + Value;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  TStringList* lines = SectionForWrite(Section);
  int i = IndexOfKey(lines, Key);
  if (i < 0) {
    lines->Add(line);
    changed_ = true;
  } else if (lines->Get(i) != line) {
    lines->Put(i, line);
    changed_ = true;
  }
}

void TBigIniFile::WriteTimeValue(const std::string& Section, const std::string& Key,
                                 TDateTime Value) {
  WriteString(Section, Key, TimeToStr(Value));
}

// ---- TBiggerIniFile ----------------------------------------------------------------------------

int32_t TBiggerIniFile::ReadBytes(const std::string& Section, const std::string& Key, int32_t Count,
                                  void* Buffer) {
  std::string s = ReadString(Section, Key, "");
  int32_t n = static_cast<int32_t>(std::min<size_t>(s.size() / 2, size_t(std::max(Count, 0))));
  auto* out = static_cast<uint8_t*>(Buffer);
  for (int32_t i = 0; i < n; ++i) {
    int hi = HexDigit(s[size_t(2 * i)]), lo = HexDigit(s[size_t(2 * i + 1)]);
    out[i] = hi < 0 || lo < 0 ? 0 : uint8_t(hi << 4 | lo);
  }
  return n;
}

TColor TBiggerIniFile::ReadColor(const std::string& Section, const std::string& Key,
                                 TColor Default) {
  const std::string s = ReadString(Section, Key, Hex8(Default));
  // Read like the integer conversion reads "$" + text: blanks around the digits are allowed, and
  // so are leading zeros beyond eight digits; the value itself must fit in 32 bits.
  std::string digits = Trim(s);
  size_t zeros = 0;
  while (digits.size() - zeros > 8 && digits[zeros] == '0') ++zeros;
  digits.erase(0, zeros);
  uint32_t v;
  if (!ParseHex32(digits, v)) throw EConvertError("'$" + s + "' is not a valid integer value");
  return static_cast<TColor>(v);
}

void TBiggerIniFile::ReadFont(const std::string& Section, const std::string& Key, TFont* Font) {
  if (Font == nullptr || !HasKey(Section, Key)) return;
  TCSIFont csi;
  csi.SetCommaText(ReadString(Section, Key, ""));
  if (!csi.Name().empty()) Font->SetName(csi.Name());
  if (csi.Size() > 0) Font->SetSize(csi.Size());
  TFontStyles style = 0;
  uint8_t flags = csi.Style();
  if (flags & csiBold) style |= fsBold;
  if (flags & csiItalic) style |= fsItalic;
  if (flags & csiUnderline) style |= fsUnderline;
  if (flags & csiStrikeOut) style |= fsStrikeOut;
  Font->SetStyle(style);
  Font->SetColor(csi.Color());
  int32_t charset = csi.Charset();
  Font->SetCharset(charset >= 0 && charset <= 255 ? TFontCharset(charset)
                                                  : TFontCharset(DEFAULT_CHARSET));
  int32_t pitch = csi.Pitch();
  Font->SetPitch(pitch >= fpDefault && pitch <= fpFixed ? TFontPitch(pitch) : fpDefault);
}

void TBiggerIniFile::ReadIndexedList(const std::string& Section, TStrings* Strings,
                                     bool PrefixOnCount, int32_t FirstIndex,
                                     const std::string& Prefix, const std::string& Default) {
  std::string count_key = PrefixOnCount ? Prefix + "Count" : "Count";
  // Every stored entry is one line of the section: a larger count read from the file is cut
  // to that instead of producing millions of defaults.
  TStringList* lines = SectionForRead(Section);
  int32_t limit = lines == nullptr ? 0 : lines->Count();
  int32_t n = std::clamp(ReadInteger(Section, count_key, 0), 0, limit);
  for (int32_t i = 0; i < n; ++i)
    Strings->Add(ReadString(Section, Prefix + IntToStr(int64_t(i) + FirstIndex), Default));
}

void TBiggerIniFile::RenameKey(const std::string& Section, const std::string& OldKey,
                               const std::string& NewKey) {
  if (OldKey == NewKey || !HasKey(Section, OldKey)) return;
  std::string value = ReadString(Section, OldKey, "");
  if (SameText(OldKey, NewKey)) {
    // Only the letter case changes: both names find the same line, so rename it in place.
    TStringList* lines = SectionForWrite(Section);
    lines->Put(IndexOfKey(lines, OldKey), NewKey + "=" + value);
    changed_ = true;
    return;
  }
  WriteString(Section, NewKey, value);
  RemoveKey(Section, OldKey);
}

void TBiggerIniFile::RenameSection(const std::string& OldName, const std::string& NewName) {
  if (OldName == NewName) return;
  // The first section of that name in file order, wherever the search cursor stands (a file
  // may keep sections whose names differ only in case, see OnDuplicateSection).
  int i = -1;
  for (int k = 0; k < sections_.Count() && i < 0; ++k)
    if (SameText(sections_.Get(k), OldName)) i = k;
  if (i >= 0) {
    TObject* lines = sections_.GetObject(i);
    sections_.Delete(i);
    sections_.InsertObject(i, NewName, lines);
    sections_.ResetCache();
  }
  changed_ = true;
}

void TBiggerIniFile::WriteBytes(const std::string& Section, const std::string& Key, int32_t Count,
                                const void* Buffer) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  const auto* in = static_cast<const uint8_t*>(Buffer);
  for (int32_t i = 0; i < Count; ++i) {
    s += kHex[in[i] >> 4];
    s += kHex[in[i] & 15];
  }
  PutString(Section, Key, s);
}

void TBiggerIniFile::WriteBoolOrRemove(const std::string& Section, const std::string& Key,
                                       bool Default, bool Value) {
  if (Value == Default)
    RemoveKey(Section, Key);
  else
    WriteBool(Section, Key, Value);
}

void TBiggerIniFile::WriteColor(const std::string& Section, const std::string& Key, TColor Value) {
  WriteString(Section, Key, Hex8(Value));
}

void TBiggerIniFile::WriteFont(const std::string& Section, const std::string& Key, TFont* Font) {
  if (Font == nullptr) return;
  TCSIFont csi;
  csi.SetName(Font->Name());
  csi.SetSize(Font->Size());
  uint8_t flags = 0;
  if (Font->Style() & fsBold) flags |= csiBold;
  if (Font->Style() & fsItalic) flags |= csiItalic;
  if (Font->Style() & fsUnderline) flags |= csiUnderline;
  if (Font->Style() & fsStrikeOut) flags |= csiStrikeOut;
  csi.SetStyle(flags);
  csi.SetColor(Font->Color());
  csi.SetCharset(Font->Charset());
  csi.SetPitch(Font->Pitch());
  WriteString(Section, Key, csi.CommaText());
}

void TBiggerIniFile::WriteIndexedList(const std::string& Section, TStrings* Strings,
                                      bool PrefixOnCount, int32_t FirstIndex,
                                      const std::string& Prefix) {
  std::string count_key = PrefixOnCount ? Prefix + "Count" : "Count";
  TStringList* lines = SectionForWrite(Section);
  std::vector<std::string> before;
  for (int i = 0; i < lines->Count(); ++i) before.push_back(lines->Get(i));
  bool was_changed = changed_;

  int32_t old_n = std::clamp(ReadInteger(Section, count_key, 0), 0, lines->Count());
  WriteInteger(Section, count_key, Strings->Count());
  for (int32_t i = 0; i < old_n; ++i)
    RemoveKey(Section, Prefix + IntToStr(int64_t(i) + FirstIndex));
  for (int i = 0; i < Strings->Count(); ++i)
    WriteString(Section, Prefix + IntToStr(int64_t(i) + FirstIndex), Strings->Get(i));

  if (!was_changed) {
    bool same = int(before.size()) == lines->Count();
    for (int i = 0; same && i < lines->Count(); ++i) same = before[size_t(i)] == lines->Get(i);
    changed_ = !same;
  }
}

void TBiggerIniFile::ReplaceSectionLines(const std::string& Section, TStrings* Strings) {
  int idx = FindSection(Section);
  if (idx < 0) {
    TStringList* lines = SectionForWrite(Section);
    for (int i = 0; i < Strings->Count(); ++i) lines->Add(Strings->Get(i));
    changed_ = true;
    return;
  }
  TStringList* lines = sections_.Lines(idx);
  if (lines->Count() == Strings->Count()) {
    for (int i = 0; i < Strings->Count(); ++i) {
      if (lines->Get(i) != Strings->Get(i)) {
        lines->Put(i, Strings->Get(i));
        changed_ = true;
      }
    }
    return;
  }
  lines->Clear();
  for (int i = 0; i < Strings->Count(); ++i) lines->Add(Strings->Get(i));
  changed_ = true;
}

// ---- TAppIniFile -------------------------------------------------------------------------------

namespace {

std::string ProgramIniFileName() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return ChangeFileExt(exe.string(), ".ini");
}

}  // namespace

TAppIniFile::TAppIniFile() : TBiggerIniFile(ProgramIniFileName()) {}

std::string TAppIniFile::AppIniFileName() { return ProgramIniFileName(); }

// ---- TCommaSeparatedInfo
// -------------------------------------------------------------------------

std::string TCommaSeparatedInfo::Element(int Index) const {
  return Index >= 0 && Index < values_.Count() ? values_.Get(Index) : std::string();
}

int32_t TCommaSeparatedInfo::IntegerElement(int Index) const {
  int32_t v;
  return TryStrToInt(Element(Index), v) ? v : -1;
}

bool TCommaSeparatedInfo::BoolElement(int Index) const { return Element(Index) == "1"; }

TColor TCommaSeparatedInfo::ColorElement(int Index) const {
  std::string e = Element(Index);
  uint32_t v;
  if (ParseHex32(e, v)) return static_cast<TColor>(v);
  // Elements written by SetColorElement carry their own "$".
  if (!e.empty() && e[0] == '$' && ParseHex32(e.substr(1), v)) return static_cast<TColor>(v);
  TColor c;
  if (IdentToColor(e, c)) return c;
  return 0;
}

void TCommaSeparatedInfo::SetElement(int Index, const std::string& Value) {
  if (Index < 0) return;
  while (values_.Count() <= Index) values_.Add("");
  values_.Put(Index, Value);
}

void TCommaSeparatedInfo::SetIntegerElement(int Index, int32_t Value) {
  SetElement(Index, IntToStr(Value));
}

void TCommaSeparatedInfo::SetBoolElement(int Index, bool Value) {
  SetElement(Index, Value ? "1" : "");
}

void TCommaSeparatedInfo::SetColorElement(int Index, TColor Value) {
  std::string ident;
  SetElement(Index, ColorToIdent(Value, ident) ? ident : "$" + Hex8(Value));
}

uint8_t TCSIFont::Style() const {
  uint8_t s = 0;
  if (BoolElement(2)) s |= csiBold;
  if (BoolElement(3)) s |= csiItalic;
  if (BoolElement(4)) s |= csiUnderline;
  if (BoolElement(5)) s |= csiStrikeOut;
  return s;
}

void TCSIFont::SetStyle(uint8_t Value) {
  SetBoolElement(2, Value & csiBold);
  SetBoolElement(3, Value & csiItalic);
  SetBoolElement(4, Value & csiUnderline);
  SetBoolElement(5, Value & csiStrikeOut);
}

}  // namespace lumicast
