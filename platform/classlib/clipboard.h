// The clipboard: text, bitmaps and registered formats, shared with other
// programs through the desktop's clipboard. Graphics put themselves on it
// through TGraphic::SaveToClipboardFormat and are read back through the
// picture registry of clipboard formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/graphic.h"

namespace classlib {

class TPicture;

// A format number for a name: the same name always gives the same number
// (0xC000 and above); the empty name gives 0.
TClipboardFormat RegisterClipboardFormat(const std::string& Name);
// The name of a registered format ("" for others).
std::string GetClipboardFormatName(TClipboardFormat Format);

class TClipboard : public TPersistent {
 public:
  std::string ClassName() const override { return "TClipboard"; }

  // Open/Close bracket several writes into one clipboard content; they nest.
  void Open();
  void Close();
  void Clear();

  bool HasFormat(TClipboardFormat Format);
  std::vector<TClipboardFormat> Formats();

  std::string AsText();
  void SetAsText(const std::string& Text);

  // Raw data in a format (empty when absent).
  std::vector<uint8_t> GetData(TClipboardFormat Format);
  void SetData(TClipboardFormat Format, const std::vector<uint8_t>& Data);

  // Puts a TPicture's or TGraphic's picture on the clipboard (replacing what
  // was there); assigning the clipboard to a TPicture or TGraphic reads it.
  void Assign(TPersistent* Source) override;

 protected:
  void AssignTo(TPersistent* Dest) override;

 private:
  void Publish();
  int open_count_ = 0;
  bool dirty_ = false;
  TClipboardData pending_;
};

// The process's clipboard object.
TClipboard* Clipboard();

}  // namespace classlib
