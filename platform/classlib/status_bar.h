// TStatusBar: a bar along the bottom of a window, divided into panels of
// fixed widths; the last panel takes what is left of the bar.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/control.h"

namespace classlib {

class TStatusBar;

class TStatusPanel {
 public:
  explicit TStatusPanel(TStatusBar* Owner) : owner_(Owner) {}
  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value);
  int Width() const { return width_; }
  void SetWidth(int Value);

 private:
  TStatusBar* owner_;
  std::string text_;
  int width_ = 50;
};

class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar* Owner) : owner_(Owner) {}
  TStatusPanel* Add();
  int Count() const { return static_cast<int>(items_.size()); }
  // nullptr outside 0..Count-1.
  TStatusPanel* Items(int Index) const;
  void Clear();

 private:
  TStatusBar* owner_;
  std::vector<std::unique_ptr<TStatusPanel>> items_;
};

class TStatusBar : public TCustomControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  std::string ClassName() const override { return "TStatusBar"; }
  TStatusPanels* Panels() const { return panels_.get(); }
  // Where panel Index lies in client coordinates (empty outside the bar).
  TRect PanelRect(int Index) const;

 protected:
  void Paint() override;

 private:
  friend class TStatusPanel;
  friend class TStatusPanels;
  std::unique_ptr<TStatusPanels> panels_;
};

}  // namespace classlib
