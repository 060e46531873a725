// TCustomIniFile: a store of values by section and key, as text; integers and
// flags are kept as their decimal text ("1"/"0" for flags). TMemIniFile keeps
// everything in memory.
#pragma once

#include <map>
#include <string>

#include "platform/classlib/object.h"

namespace classlib {

class TCustomIniFile : public TObject {
 public:
  std::string ClassName() const override { return "TCustomIniFile"; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) = 0;
  virtual bool ValueExists(const std::string& Section, const std::string& Ident) = 0;

  // A value that is not a number (decimal or "$" hex) reads as Default.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
};

class TMemIniFile : public TCustomIniFile {
 public:
  std::string ClassName() const override { return "TMemIniFile"; }
  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;

 private:
  // Sections and keys compare without regard to case.
  std::map<std::string, std::map<std::string, std::string>> sections_;
};

}  // namespace classlib
