// TGraphic: the abstract picture (bitmap, icon, GIF...). Draws itself on a
// canvas, loads and saves by stream and file, reports changes and progress,
// and moves through the clipboard in one or more clipboard formats.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/object.h"

namespace classlib {

class TCanvas;
class TStream;
class TGraphic;

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };
using TProgressEvent =
    std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                       const TRect& R, const std::string& Msg)>;

// Clipboard formats: the standard numbers, and 0xC000 upwards for names
// registered with RegisterClipboardFormat.
using TClipboardFormat = uint16_t;
enum : TClipboardFormat {
  CF_TEXT = 1,
  CF_BITMAP = 2,
  CF_DIB = 8,
  CF_PALETTE = 9,
  CF_UNICODETEXT = 13,
};
// The data of one clipboard transfer, by format. A bitmap (CF_BITMAP or
// CF_DIB) is held as the bytes of a BMP file.
using TClipboardData = std::map<TClipboardFormat, std::vector<uint8_t>>;

// A graphic class: creates a new, empty graphic of its kind. The function's
// address identifies the class in the picture registries.
using TGraphicClass = TGraphic* (*)();
template <typename T>
TGraphic* CreateGraphicOf() {
  return new T();
}
template <typename T>
constexpr TGraphicClass GraphicClassOf() {
  return &CreateGraphicOf<T>;
}

class TGraphic : public TPersistent {
 public:
  std::string ClassName() const override { return "TGraphic"; }

  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);
  bool Modified() const { return modified_; }
  void SetModified(bool Value);
  // The colours a palette-based graphic uses (empty for true colour).
  virtual TPalette Palette() const { return {}; }
  virtual void SetPalette(const TPalette&) {}
  bool PaletteModified() const { return palette_modified_; }
  void SetPaletteModified(bool Value) { palette_modified_ = Value; }

  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual void LoadFromFile(const std::string& FileName);
  // Replaces the file in one step (TAtomicFileStream): a failed save leaves it as it was.
  virtual void SaveToFile(const std::string& FileName);
  // Adds this graphic to Data in its own format(s); Format is the format the
  // caller asked for (CF_BITMAP by default).
  virtual void SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data);
  // Loads from the clipboard data in Format; EInvalidGraphic when unsupported.
  virtual void LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data);
  // True when both hold the same picture (by their saved streams by default).
  virtual bool Equals(TGraphic* Graphic);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // Raises OnChange and marks the graphic modified.
  virtual void Changed(TObject* Sender);
  void Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                const TRect& R, const std::string& Msg);

 private:
  bool transparent_ = false;
  bool modified_ = false;
  bool palette_modified_ = false;
};

}  // namespace classlib
