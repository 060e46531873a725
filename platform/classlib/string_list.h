// TStrings, the abstract list of strings (each with an optional object), and
// TStringList, the list that stores them.
//
// TStrings gives every descendant (a string list, a memo's lines, a combo
// box's items) the same services on top of a few primitives: name=value
// lines, comma and delimited text with quoting, text with line breaks,
// loading and saving, assignment and update brackets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/object.h"

namespace classlib {

class TStream;

// The line break written by Text and SaveToFile. Reading accepts CR, LF and CR LF.
inline constexpr const char* sLineBreak = "\n";

class TStrings : public TPersistent {
 public:
  TStrings() = default;
  ~TStrings() override = default;
  std::string ClassName() const override { return "TStrings"; }

  // ---- primitives a descendant provides ----
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index,
                   const std::string& S);       // default: delete + insert, keeping the object
  virtual TObject* GetObject(int Index) const;  // default: nullptr
  virtual void PutObject(int Index, TObject* AObject);  // default: ignored
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  // ---- services ----
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  void Assign(TPersistent* Source) override;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  // True when both hold the same strings in the same order.
  bool Equals(TStrings* Strings) const;

  // Case-insensitive unless a descendant says otherwise (CompareStrings).
  virtual int IndexOf(const std::string& S) const;
  // Index of the first line "Name<separator>..." whose name matches, or -1.
  virtual int IndexOfName(const std::string& Name) const;
  int IndexOfObject(TObject* AObject) const;

  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  // Name=value lines.
  std::string Names(int Index) const;  // text before the separator; "" without one
  std::string ValueFromIndex(int Index) const;
  std::string Values(const std::string& Name) const;  // "" when absent
  // A non-empty value replaces or adds the line; an empty value deletes it.
  void SetValues(const std::string& Name, const std::string& Value);
  char NameValueSeparator() const { return name_value_separator_; }
  void SetNameValueSeparator(char C) { name_value_separator_ = C; }

  // Delimited text: elements joined by Delimiter; an element holding a
  // blank or control character, the delimiter or the quote character is
  // enclosed in QuoteChar with inner quotes doubled; a list of a single
  // empty string is written as two quote characters. Reading splits at the
  // delimiter and at unquoted blanks, and undoes the quoting.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char C) { delimiter_ = C; }
  char QuoteChar() const { return quote_char_; }
  void SetQuoteChar(char C) { quote_char_ = C; }
  // DelimitedText with "," and "\"" whatever Delimiter and QuoteChar hold.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);

  // Every string followed by sLineBreak; setting splits at CR, LF or CR LF.
  virtual std::string Text() const;
  virtual void SetText(const std::string& Value);

  virtual void LoadFromFile(const std::string& FileName);
  // Replaces the file in one step (TAtomicFileStream): a failed save leaves it as it was.
  virtual void SaveToFile(const std::string& FileName) const;
  // Reads from the stream's position to its end.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;

  // Update brackets: change notifications are held back until the last
  // EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 protected:
  void AssignTo(TPersistent* Dest) override;
  // Called with true by the first BeginUpdate and false by the last EndUpdate.
  virtual void SetUpdateState(bool Updating);
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  // Raises EStringListError with the message, "%d" replaced by Data.
  [[noreturn]] static void Error(const std::string& Msg, int Data);

 private:
  int update_count_ = 0;
  char delimiter_ = ',';
  char quote_char_ = '"';
  char name_value_separator_ = '=';
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;
  std::string ClassName() const override { return "TStringList"; }

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;  // not allowed when Sorted
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;  // not allowed when Sorted
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  // On a sorted list the string goes to its place; Duplicates decides what
  // an equal string does (dupIgnore returns the existing index).
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Exchange(int Index1, int Index2) override;
  // Not allowed when Sorted (checked before anything is removed).
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  // Binary search of a sorted list: true when found; Index is the first equal
  // string or the place where S would be inserted.
  virtual bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

 private:
  struct Item {
    std::string s;
    TObject* obj = nullptr;
  };
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void CheckIndex(int Index) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

}  // namespace classlib
