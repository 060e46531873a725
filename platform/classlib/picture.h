// TPicture holds one graphic of any registered class. Graphic classes are
// registered by file extension (LoadFromFile picks the class from the file
// name) and by clipboard format.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/graphic.h"

namespace classlib {

class TBitmap;
class TIcon;

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  std::string ClassName() const override { return "TPicture"; }

  // The held graphic (nullptr when empty); owned by the picture.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of Value (nullptr empties the picture).
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap / icon: any other graphic is replaced by a new,
  // empty one of that class.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  TIcon* Icon();
  int Width() const;
  int Height() const;

  // EInvalidGraphic "Unknown picture file extension (.xyz)" when no class is
  // registered for the name's extension.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // Picks the class registered for Format; EInvalidGraphic "Unsupported
  // clipboard format" without one.
  void LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data);
  void SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data);
  static bool SupportsClipboardFormat(TClipboardFormat Format);

  // Accepts a TPicture, any TGraphic, or nullptr.
  void Assign(TPersistent* Source) override;

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // Registry. Extensions are given without the dot and compared ignoring case;
  // a later registration of an extension or format replaces the earlier one.
  static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                 TGraphicClass GraphicClass);
  static void RegisterClipboardFormat(TClipboardFormat Format, TGraphicClass GraphicClass);
  static void UnregisterGraphicClass(TGraphicClass GraphicClass);
  // The class for an extension (with or without the dot) / format, or nullptr.
  static TGraphicClass FileFormatClass(const std::string& Extension);
  static TGraphicClass ClipboardFormatClass(TClipboardFormat Format);

  struct TFileFormat {
    std::string Extension;
    std::string Description;
    TGraphicClass GraphicClass;
  };
  static std::vector<TFileFormat> FileFormats();

  void Changed(TObject* Sender);

 private:
  void Adopt(TGraphic* NewGraphic);
  std::unique_ptr<TGraphic> graphic_;
};

// A file-dialog filter of every format of GraphicClass (or of all formats for
// nullptr): "All (*.bmp;*.gif)|*.bmp;*.gif|Bitmaps (*.bmp)|*.bmp|..."
std::string GraphicFilter(TGraphicClass GraphicClass);
// The first extension registered for GraphicClass ("" when none).
std::string GraphicExtension(TGraphicClass GraphicClass);
// "*.bmp;*.dib" for GraphicClass.
std::string GraphicFileMask(TGraphicClass GraphicClass);

}  // namespace classlib
