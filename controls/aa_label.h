// TAALabel: a windowless label whose caption is drawn by the anti-aliased
// text engine, opaque from a cached picture or straight over its parent's
// picture; TAALinkLabel adds a hyperlink whose hover picture fades in.
#pragma once

#include <memory>
#include <string>

#include "controls/aa_font.h"
#include "platform/classlib/control.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

namespace controls {

enum TBackGroundMode : uint8_t { bmTiled, bmStretched, bmCenter, bmNormal };

class TAAGraphicControl;

// Settings of a control that re-render it when they change.
class TCustomParam : public TNotifyClass {
 public:
  explicit TCustomParam(TAAGraphicControl* Control) : control_(Control) {}
  TAAGraphicControl* Control() const { return control_; }

 protected:
  TAAGraphicControl* control_;
};

// The control's parent-following settings, grouped: each forwards to the
// control's own property.
class TParentEffect : public TCustomParam {
 public:
  using TCustomParam::TCustomParam;
  std::string ClassName() const override { return "TParentEffect"; }
  bool ParentColor() const;
  void SetParentColor(bool Value);
  bool ParentFont() const;
  void SetParentFont(bool Value);
  bool ParentShowHint() const;
  void SetParentShowHint(bool Value);
};

// The control's drag settings, grouped: each forwards to the control's own
// property.
class TDrag : public TCustomParam {
 public:
  using TCustomParam::TCustomParam;
  std::string ClassName() const override { return "TDrag"; }
  classlib::TDragKind DragKind() const;
  void SetDragKind(classlib::TDragKind Value);
  classlib::TCursor DragCursor() const;
  void SetDragCursor(classlib::TCursor Value);
  classlib::TDragMode DragMode() const;
  void SetDragMode(classlib::TDragMode Value);
};

class TAAGraphicControl : public classlib::TGraphicControl {
 public:
  explicit TAAGraphicControl(classlib::TComponent* AOwner);
  ~TAAGraphicControl() override;
  std::string ClassName() const override { return "TAAGraphicControl"; }
  TParentEffect* ParentEffect() { return &parent_effect_; }
  TDrag* Drag() { return &drag_; }

  TAAFontEx* Engine() { return &engine_; }
  bool AutoSize() const { return auto_size_; }
  virtual void SetAutoSize(bool Value);
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  // Re-renders when the control is loaded, automatic re-rendering is on,
  // nothing is loading or being destroyed and no update is open.
  virtual void RerenderRequest();
  bool IsLoaded() const { return loaded_; }
  void Loaded() override;

 protected:
  // Renders the caption (into the cache, or for transparent labels nothing
  // until painted).
  virtual void Draw() {}
  virtual void RefreshLabel() {}
  bool CanRender() const;
  void BoundsChanged(bool Moved, bool Resized) override;
  void FontChanged() override;
  void ColorChanged() override;
  void CMTextChanged(classlib::TMessage& Message) override;

  TAAFontEx engine_;
  TParentEffect parent_effect_{this};
  TDrag drag_{this};
  bool auto_size_ = true;
  bool auto_rerender_ = true;
  int update_count_ = 0;
  bool loaded_ = false;
  bool painting_ = false;
  bool rendering_ = false;
};

class TAAFontEffect : public TCustomParam {
 public:
  explicit TAAFontEffect(TAAGraphicControl* Control);
  std::string ClassName() const override { return "TAAFontEffect"; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  classlib::TTextLayout Layout() const { return layout_; }
  void SetLayout(classlib::TTextLayout Value);
  classlib::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(classlib::TAlignment Value);
  TAAQuality Quality() const { return quality_; }
  void SetQuality(TAAQuality Value);
  TAAEffect* FontEffect() const;
  // clDefault: the control's colour.
  classlib::TColor BackColor() const;
  void SetBackColor(classlib::TColor Value);
  classlib::TPicture* BackGround() const { return background_.get(); }
  TBackGroundMode BackGroundMode() const { return background_mode_; }
  void SetBackGroundMode(TBackGroundMode Value);
  void Assign(classlib::TPersistent* Source) override;

 private:
  bool transparent_ = false;
  classlib::TTextLayout layout_ = classlib::tlTop;
  classlib::TAlignment alignment_ = classlib::taLeftJustify;
  TAAQuality quality_ = aqNormal;
  classlib::TColor back_color_ = classlib::clDefault;
  std::unique_ptr<classlib::TPicture> background_;
  TBackGroundMode background_mode_ = bmCenter;
};

class TAALabel : public TAAGraphicControl {
 public:
  explicit TAALabel(classlib::TComponent* AOwner);
  ~TAALabel() override;
  std::string ClassName() const override { return "TAALabel"; }

  int Border() const { return border_; }
  void SetBorder(int Value);
  TAAFontEffect* Effect() const { return effect_.get(); }
  classlib::TBitmap* Cache() const { return cache_.get(); }
  // The caption's place inside the client area, as last laid out.
  classlib::TPoint TextOrigin() const { return text_origin_; }

 protected:
  void Draw() override;
  void RefreshLabel() override { Draw(); }
  void Paint() override;
  // Measures, applies AutoSize and places the caption; returns its origin.
  classlib::TPoint LayoutCaption(TAAFontEx& Engine);
  // Draws the background picture over Target's client-sized area.
  void PaintBackground(classlib::TCanvas* Target, classlib::TColor Color,
                       classlib::TPicture* Picture, TBackGroundMode Mode);

  std::unique_ptr<classlib::TBitmap> cache_;
  std::unique_ptr<TAAFontEffect> effect_;
  int border_ = 0;
  classlib::TPoint text_origin_{};
};

class TAALinkLabel;

class THotLink : public TCustomParam {
 public:
  explicit THotLink(TAAGraphicControl* Control);
  std::string ClassName() const override { return "THotLink"; }
  bool Fade = true;
  int FadeDelay = 600;  // milliseconds; 0 or less shows the hover picture at once
  classlib::TColor Color = 0xFF0000;
  classlib::TColor BackColor = classlib::clBtnFace;
  TAAEffect* FontEffect() const { return font_effect_.get(); }
  std::string URL;
  bool UnderLine = false;
  bool Transparent = false;
  classlib::TPicture* BackGround() const { return background_.get(); }
  TBackGroundMode BackGroundMode = bmCenter;

 private:
  std::unique_ptr<TAAEffect> font_effect_;
  std::unique_ptr<classlib::TPicture> background_;
};

class TAALinkLabel : public TAALabel {
 public:
  explicit TAALinkLabel(classlib::TComponent* AOwner);
  ~TAALinkLabel() override;
  std::string ClassName() const override { return "TAALinkLabel"; }
  THotLink* HotLink() const { return hot_link_.get(); }
  void SetEnabled(bool Value) override;
  void Click() override;

  enum TFadeState { fsNone, fsIn, fsOut };
  TFadeState FadeState() const { return fade_state_; }
  int FadeLevel() const { return level_; }
  bool Hot() const { return hot_; }
  classlib::TTimer* FadeTimer() const { return timer_; }
  classlib::TBitmap* HoverImage() const { return hover_.get(); }
  classlib::TBitmap* ShownImage() const { return shown_.get(); }

 protected:
  void MouseEnter() override;
  void MouseLeave() override;
  void Paint() override;

 private:
  void FadeTick(classlib::TObject* Sender);
  void ShowLevel(int Level);
  void RenderImages();

  std::unique_ptr<THotLink> hot_link_;
  std::unique_ptr<classlib::TBitmap> normal_, hover_, shown_;
  classlib::TTimer* timer_ = nullptr;
  TFadeState fade_state_ = fsNone;
  int level_ = 0;
  double level_f_ = 0;
  bool hot_ = false;
};

}  // namespace controls
