// The registry of DIB file formats and its one format, the 16-bit ".RSB"
// bitmap file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/dib.h"

namespace lumicast {

class EDIBFormatError : public classlib::Exception {
 public:
  using Exception::Exception;
};

class TAbstractDIBFormat : public classlib::TObject {
 public:
  virtual std::string Description() const = 0;
  virtual void LoadFromStream(classlib::TStream* Stream, TAbstractSuperDIB& DIB) = 0;
  virtual void SaveToStream(classlib::TStream* Stream, TAbstractSuperDIB& DIB) = 0;
  virtual bool CanLoad() const { return true; }
  virtual bool CanSave() const { return true; }
  virtual bool HandlesLoadExtension(const std::string& Ext) const {
    (void)Ext;
    return false;
  }
  virtual bool HandlesSaveExtension(const std::string& Ext) const {
    (void)Ext;
    return false;
  }
  virtual void BeforeLoad() {}
  virtual void AfterSave() {}
  virtual std::string LoadFilter() const { return ""; }
  virtual std::string SaveFilter() const { return ""; }

  // Reported after each row: 0 until the last row, then 100.
  std::function<void(TAbstractDIBFormat* Format, int Percent)> OnProgress;

 protected:
  void Progress(int Row, int Rows);
};

class TDIBRSBFormat : public TAbstractDIBFormat {
 public:
  std::string ClassName() const override { return "TDIBRSBFormat"; }
  std::string Description() const override { return "Rogue spear bitmap"; }
  // Reads a version 1 file: sizes and bit counts (0..8 each, 16 in all at
  // most) are checked against the bytes present before anything is allocated.
  // Every field, alpha included, is moved to the top of its byte; a file with
  // alpha bits makes the image masked.
  void LoadFromStream(classlib::TStream* Stream, TAbstractSuperDIB& DIB) override;
  // Masked images as 4-4-4-4 bits, others as 5-6-5.
  void SaveToStream(classlib::TStream* Stream, TAbstractSuperDIB& DIB) override;
  bool HandlesLoadExtension(const std::string& Ext) const override;
  bool HandlesSaveExtension(const std::string& Ext) const override;
  std::string LoadFilter() const override { return "Rogue spear bitmap (*.rsb)|*.rsb"; }
  std::string SaveFilter() const override { return "Rogue spear bitmap (*.rsb)|*.rsb"; }
};

// Every registered format (filled on first use).
const std::vector<std::unique_ptr<TAbstractDIBFormat>>& DIBFormats();
// The format that loads (or saves) files with the extension (".rsb"), or nullptr.
TAbstractDIBFormat* FindDIBFormat(const std::string& Ext, bool ForSaving);

}  // namespace lumicast
