// The skinned progress bar (a 12-pixel bar filled with a stretched style
// bitmap and captioned with its percentage) and the image panel (a
// double-buffered panel showing a picture plain, stretched or tiled, which
// the track bar's thumb and the group boxes build on).
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/std_controls.h"

namespace controls {

enum TsuiProgressBarOrientation : uint8_t { suiHorizontal, suiVertical };
enum TsuiDrawStyle : uint8_t { suiNormal, suiStretch, suiTile };

class TsuiProgressBar : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiProgressBar(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiProgressBar"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TColor CaptionColor() const { return caption_color_; }
  void SetCaptionColor(classlib::TColor Value);
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool Value);
  bool SmartShowCaption() const { return smart_caption_; }
  void SetSmartShowCaption(bool Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Min() const { return min_; }
  void SetMin(int Value);
  int Position() const { return position_; }
  void SetPosition(int Value);
  TsuiProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TsuiProgressBarOrientation Value);
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);
  classlib::TPicture* Picture() { return &picture_; }

  // (Position - Min) x 100 / (Max - Min); 0 when Min = Max.
  int Percent() const;
  // The filled part of a bar Length long.
  int FillLength(int Length) const;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  uint8_t SuiStyleRows() const override { return srStyleUnlessCustom; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 protected:
  void Paint() override;
  void WMEraseBkgnd(classlib::TMessage& Message) override { Message.Result = 1; }

 private:
  void LoadStyleImages();
  void UpdateCaption();
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TColor caption_color_ = classlib::clBlack;
  bool show_caption_ = true;
  bool smart_caption_ = false;
  int max_ = 100;
  int min_ = 0;
  int position_ = 50;
  TsuiProgressBarOrientation orientation_ = suiHorizontal;
  classlib::TColor border_color_ = classlib::clBlack;
  classlib::TPicture picture_;
};

class TsuiCustomPanel : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiCustomPanel(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCustomPanel"; }

  classlib::TPicture* Picture() { return &picture_; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  TsuiDrawStyle DrawStyle() const { return draw_style_; }
  void SetDrawStyle(TsuiDrawStyle Value);
  // A fixed caption position; (-1, -1), the default, places it by Alignment.
  void SetCaptionPos(int X, int Y);

  uint8_t SuiStyleRows() const override { return srContainer; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { ApplyUIStyleToChildren(this, Value); }

 protected:
  void Paint() override;
  void WMEraseBkgnd(classlib::TMessage& Message) override { Message.Result = 1; }
  void PictureChanged();
  void AutoSizeToPicture();
  // Off for panels that draw their caption themselves.
  bool paint_caption_ = true;

 private:
  classlib::TPicture picture_;
  bool transparent_ = false;
  bool auto_size_ = false;
  TsuiDrawStyle draw_style_ = suiNormal;
  int caption_x_ = -1;
  int caption_y_ = -1;
};

class TsuiImagePanel : public TsuiCustomPanel {
 public:
  explicit TsuiImagePanel(classlib::TComponent* AOwner) : TsuiCustomPanel(AOwner) {}
  std::string ClassName() const override { return "TsuiImagePanel"; }
};

}  // namespace controls
