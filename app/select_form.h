// The visual selection window: shows rendered frames of a movie at the job's output size as
// the background of a rectangle selection, so that the user picks the crop rectangle and the
// frame range on real pictures. "Apply" writes them back into the export settings dialog's
// edits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/status_bar.h"
#include "platform/classlib/std_controls.h"

namespace controls {
class TRxSlider;
}

namespace lumicast {

class TRgnSelect;
class TSettingsFrm;
class TShockwaveFlashEx;

// Output sizes the window renders at are kept within 1..kMaxSelectSize, as the conversion keeps
// its frames.
constexpr int32_t kMaxSelectSize = 8192;

class TSelectFrm : public classlib::TForm {
 public:
  TSelectFrm(classlib::TComponent* AOwner, TSettingsFrm* Settings);
  ~TSelectFrm() override;
  std::string ClassName() const override { return "TSelectFrm"; }

  // ---- components --------------------------------------------------------------------------
  classlib::TScrollBox* scbSelect = nullptr;
  TRgnSelect* RgnSelect = nullptr;
  classlib::TPanel* panSelect = nullptr;
  classlib::TPopupMenu* mnuSelect = nullptr;
  classlib::TMenuItem* mniSelectAll = nullptr;
  classlib::TPanel* panControls = nullptr;
  classlib::TStatusBar* stbSelect = nullptr;
  classlib::TLabel* labCurrentFrame = nullptr;
  classlib::TSpinEdit* edtCurrentFrame = nullptr;
  classlib::TLabel* labTotalFrame = nullptr;
  controls::TRxSlider* trkCurrentFrame = nullptr;
  classlib::TLabel* labCropX = nullptr;
  classlib::TSpinEdit* edtExportCropX = nullptr;
  classlib::TLabel* labCropY = nullptr;
  classlib::TSpinEdit* edtExportCropY = nullptr;
  classlib::TLabel* labCropW = nullptr;
  classlib::TSpinEdit* edtExportCropW = nullptr;
  classlib::TLabel* labCropH = nullptr;
  classlib::TSpinEdit* edtExportCropH = nullptr;
  classlib::TButton* btnSelectAll = nullptr;
  classlib::TLabel* labStartFrame = nullptr;
  classlib::TSpinEdit* edtStartFrame = nullptr;
  controls::TRxSlider* trkStartFrame = nullptr;
  classlib::TLabel* labEndFrame = nullptr;
  classlib::TSpinEdit* edtEndFrame = nullptr;
  classlib::TLabel* labEndFrameUnit = nullptr;
  controls::TRxSlider* trkEndFrame = nullptr;
  classlib::TMainMenu* mnuMain = nullptr;
  classlib::TMenuItem* mniApply = nullptr;
  classlib::TMenuItem* mniCancel = nullptr;

  // ---- fields ------------------------------------------------------------------------------
  std::unique_ptr<classlib::TBitmap> RenderBitmap;
  TShockwaveFlashEx* Flash = nullptr;
  std::string MoviePath;
  int32_t StartFrame = 1;
  int32_t EndFrame = 1;
  int32_t FrameCount = 0;

  // Renders frame N of the movie into RenderBitmap at the player's size; false when N is
  // negative or rendering failed.
  bool RenderFrame(int32_t N);
  // Shows frame N, limited to 1..the movie's frame count, as the selection's background and
  // returns the limited number.
  int32_t ShowFrame(int32_t N);

  void FormShow(classlib::TObject* Sender);
  void edtFrameChange(classlib::TObject* Sender);
  void trkFrameMouseUp(classlib::TObject* Sender);
  void edtCropKeyDown(classlib::TObject* Sender, uint16_t& Key, classlib::TShiftState Shift);
  void edtCropExit(classlib::TObject* Sender);
  void RgnSelectEdited(classlib::TObject* Sender, int L, int T, int W, int H);
  void btnSelectAllClick(classlib::TObject* Sender);
  void mniApplyClick(classlib::TObject* Sender);
  void mniCancelClick(classlib::TObject* Sender);

 private:
  void CreateComponents();
  void SetSelectionFromEdit(classlib::TObject* Edit);
  // Sets an edit and its slider together without rendering twice.
  void SetFrameControls(classlib::TSpinEdit* Edit, controls::TRxSlider* Slider, int32_t Value);
  classlib::TSpinEdit* EditOf(controls::TRxSlider* Slider) const;
  controls::TRxSlider* SliderOf(classlib::TSpinEdit* Edit) const;

  TSettingsFrm* settings_;
  int updating_ = 0;
};

}  // namespace lumicast
