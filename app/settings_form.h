// The export settings dialog: edits the output settings of one job (type and file, sequence
// mode, colour and alpha, frame range, size, crop, the AVI, MPEG, GIF, image and sound
// options). OK stores them in the edited job; "Apply export settings to all checked items"
// stores them in every checked job of the job list.
//
// The rules that enable, disable and fill controls run when the user clicks a control; the
// dialog's own changes to its controls run none of them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/codec_settings.h"
#include "app/job_record.h"
#include "platform/classlib/form.h"
#include "platform/classlib/page_control.h"
#include "platform/classlib/std_controls.h"

namespace controls {
class TComboEdit;
class TPBNumEdit;
}  // namespace controls

namespace lumicast {

class TElTreeItem;
class TElTreeItems;
class TAudioFormatFrm;
class TSelectFrm;

class TSettingsFrm : public classlib::TForm {
 public:
  explicit TSettingsFrm(classlib::TComponent* AOwner);
  ~TSettingsFrm() override;
  std::string ClassName() const override { return "TSettingsFrm"; }

  // ---- given by the main window before showing ---------------------------------------------
  TElTreeItem* Item = nullptr;           // the edited job's item
  TCovSettings* Job = nullptr;           // its job record
  TElTreeItems* JobList = nullptr;       // the job list's items (apply-to-all walks the checked)
  classlib::TControl* Opener = nullptr;  // the window the dialog is centred over
  // Selects a recording source by mixer component type and line name; true when one was
  // selected (the recording window's source selection).
  std::function<bool(uint32_t ComponentType, const std::string& LineName)> SetRecordingSource;

  // Set when a command wrote the edited job at once (Browse, the audio format dialog): such
  // changes stay whatever the dialog's result, so the job list must be saved.
  bool JobWritten = false;

  // ---- components --------------------------------------------------------------------------
  classlib::TLabel* labSource = nullptr;
  classlib::TEdit* edtSource = nullptr;
  classlib::TLabel* labExport = nullptr;
  classlib::TEdit* edtExport = nullptr;
  classlib::TButton* btnRename = nullptr;
  classlib::TLabel* labExportType = nullptr;
  classlib::TComboBox* cbxExportType = nullptr;
  classlib::TLabel* labExportSequence = nullptr;
  classlib::TComboBox* cbxExportSequence = nullptr;
  classlib::TLabel* labExportColor = nullptr;
  classlib::TComboBox* cbxExportColor = nullptr;
  classlib::TLabel* labExportAlpha = nullptr;
  classlib::TComboBox* cbxExportAlpha = nullptr;

  classlib::TLabel* labExportFrom = nullptr;
  classlib::TSpinEdit* edtExportStart = nullptr;
  classlib::TLabel* labExportTo = nullptr;
  classlib::TSpinEdit* edtExportEnd = nullptr;
  classlib::TLabel* labExportFrame = nullptr;
  classlib::TSpeedButton* btnKeepSourceFrames = nullptr;
  classlib::TLabel* labExportSize = nullptr;
  classlib::TSpinEdit* edtExportWidth = nullptr;
  classlib::TLabel* labExportX = nullptr;
  classlib::TSpinEdit* edtExportHeight = nullptr;
  classlib::TLabel* labExportPixel = nullptr;
  classlib::TSpeedButton* btnKeepSourceSize = nullptr;
  classlib::TCheckBox* chkExportKeepAspectRatio = nullptr;
  classlib::TCheckBox* chkExportCrop = nullptr;
  classlib::TLabel* labCropX = nullptr;
  classlib::TSpinEdit* edtExportCropX = nullptr;
  classlib::TLabel* labCropY = nullptr;
  classlib::TSpinEdit* edtExportCropY = nullptr;
  classlib::TLabel* labCropW = nullptr;
  classlib::TSpinEdit* edtExportCropW = nullptr;
  classlib::TLabel* labCropH = nullptr;
  classlib::TSpinEdit* edtExportCropH = nullptr;
  classlib::TLabel* labCropNote = nullptr;
  classlib::TButton* btnVisualSelection = nullptr;
  classlib::TCheckBox* chkUseSplitSize = nullptr;
  classlib::TSpinEdit* edtSplitSize = nullptr;
  classlib::TLabel* labSplitSize = nullptr;

  classlib::TPageControl* pgcExport = nullptr;
  classlib::TTabSheet* tabAVI = nullptr;
  classlib::TLabel* labAVIFormat = nullptr;
  classlib::TEdit* edtAVIFormat = nullptr;
  classlib::TButton* btnAVIFormatConfig = nullptr;
  classlib::TLabel* labAVIFrameRate = nullptr;
  classlib::TSpinEdit* edtAVIFrameRate = nullptr;
  classlib::TLabel* labAVIFps = nullptr;
  classlib::TSpeedButton* btnKeepAVIFps = nullptr;
  classlib::TLabel* labAVINote = nullptr;

  classlib::TTabSheet* tabMPEG = nullptr;
  classlib::TLabel* labMPEGFormat = nullptr;
  classlib::TComboBox* cbxMPEGFormat = nullptr;
  classlib::TButton* btnMPEGFormatConfig = nullptr;
  classlib::TLabel* labMPEGFrameRate = nullptr;
  classlib::TComboBox* cbxMPEGFrameRate = nullptr;
  classlib::TLabel* labMPEGFps = nullptr;
  classlib::TLabel* labMPEGAspectRatio = nullptr;
  classlib::TComboBox* cbxMPEGAspectRatio = nullptr;
  classlib::TLabel* labMPEGNote = nullptr;

  classlib::TTabSheet* tabGIF = nullptr;
  classlib::TCheckBox* chkGIFBackground = nullptr;
  controls::TComboEdit* cbeGIFBackgroundColor = nullptr;
  classlib::TCheckBox* chkGIFTransparent = nullptr;
  controls::TComboEdit* cbeGIFTransparentColor = nullptr;
  classlib::TCheckBox* chkGIFLooping = nullptr;
  classlib::TSpinEdit* edtGIFRepeatCount = nullptr;
  classlib::TLabel* labGIFRepeatCount = nullptr;
  classlib::TLabel* labGIFFrameRate = nullptr;
  classlib::TSpinEdit* edtGIFFrameRate = nullptr;
  classlib::TLabel* labGIFFps = nullptr;
  classlib::TSpeedButton* btnKeepGIFFps = nullptr;
  classlib::TCheckBox* chkGIFInterlaced = nullptr;

  classlib::TTabSheet* tabImage = nullptr;
  classlib::TLabel* labImageFormat = nullptr;
  classlib::TComboBox* cbxImageFormat = nullptr;
  classlib::TLabel* labImageQuality = nullptr;
  classlib::TLabel* labImageLow = nullptr;
  classlib::TTrackBar* trkImageQuality = nullptr;
  classlib::TLabel* labImageHigh = nullptr;

  classlib::TTabSheet* tabAudio = nullptr;
  classlib::TRadioButton* rdoAudioNone = nullptr;
  classlib::TRadioButton* rdoAudioRec = nullptr;
  classlib::TRadioButton* rdoAudioImport = nullptr;
  classlib::TLabel* labAudioRecFormat = nullptr;
  classlib::TComboBox* cbxAudioRecFormat = nullptr;
  classlib::TButton* btnAudioRecConfig = nullptr;
  classlib::TLabel* labAudioRecFormatTips = nullptr;
  classlib::TLabel* labAudioRecVolume = nullptr;
  classlib::TButton* btnAudioRecDefault = nullptr;
  classlib::TButton* btnAudioRecAdvanced = nullptr;
  classlib::TEdit* edtAudioImport = nullptr;
  classlib::TButton* btnAudioImport = nullptr;
  classlib::TCheckBox* chkAudioSyncAutomatically = nullptr;
  classlib::TCheckBox* chkAudioSyncManually = nullptr;
  classlib::TComboBox* cbxAudioSync = nullptr;
  controls::TPBNumEdit* edtAudioSync = nullptr;
  classlib::TLabel* labAudioSync = nullptr;

  classlib::TButton* btnOK = nullptr;
  classlib::TButton* btnCancel = nullptr;
  classlib::TButton* btnApplyAll = nullptr;

  TAudioFormatFrm* AudioFormatFrm = nullptr;

  // ---- working values while the dialog is open ---------------------------------------------
  int CurrentType = 0;
  TAviCodecValues AviCodec;
  TMpegCodecValues MpegCodec;
  classlib::TColor GIFBackgroundColor = 0xFFFFFF;
  classlib::TColor GIFTransparentColor = 0xFFFFFF;

  // ---- rules ---------------------------------------------------------------------------------
  void SelectExportType(bool FromUser);
  void ApplyMPEGPreset();
  void UpdateColorControls();
  static std::string GetAudioFormatText(int Format, TCovSettings& Settings) {
    return lumicast::GetAudioFormatText(Format, Settings);
  }

  // ---- event handlers (the user's clicks) -----------------------------------------------------
  void FormShow(classlib::TObject* Sender);
  void cbxExportTypeClick(classlib::TObject* Sender);
  void cbxExportColorClick(classlib::TObject* Sender);
  void cbxExportAlphaClick(classlib::TObject* Sender);
  void cbxImageFormatClick(classlib::TObject* Sender);
  void btnKeepSourceSizeClick(classlib::TObject* Sender);
  void btnKeepSourceFramesClick(classlib::TObject* Sender);
  void btnKeepAVIFpsClick(classlib::TObject* Sender);
  void btnKeepGIFFpsClick(classlib::TObject* Sender);
  void chkExportCropClick(classlib::TObject* Sender);
  void chkGIFClick(classlib::TObject* Sender);
  void chkAudioSyncManuallyClick(classlib::TObject* Sender);
  void rdoAudioClick(classlib::TObject* Sender);
  void chkUseSplitSizeClick(classlib::TObject* Sender);
  void cbxMPEGFormatClick(classlib::TObject* Sender);
  void cbeGIFColorButtonClick(classlib::TObject* Sender);
  void btnRenameClick(classlib::TObject* Sender);
  void btnVisualSelectionClick(classlib::TObject* Sender);
  void btnAVIFormatConfigClick(classlib::TObject* Sender);
  void btnMPEGFormatConfigClick(classlib::TObject* Sender);
  void btnAudioImportClick(classlib::TObject* Sender);
  void btnAudioRecConfigClick(classlib::TObject* Sender);
  void cbxAudioRecFormatClick(classlib::TObject* Sender);
  void btnAudioRecDefaultClick(classlib::TObject* Sender);
  void btnAudioRecAdvancedClick(classlib::TObject* Sender);
  void btnOKClick(classlib::TObject* Sender);
  void btnCancelClick(classlib::TObject* Sender);
  void btnApplyAllClick(classlib::TObject* Sender);

  // The manual sync offset in seconds as the edit holds it (0 when it holds no number).
  long double SyncOffset() const;
  void SetSyncOffset(long double Value);
  // Shows a GIF colour in its edit.
  void SetGIFColor(controls::TComboEdit* Edit, classlib::TColor Color);

  // The visual selection window (created when first needed).
  TSelectFrm* SelectForm();
  // Shows the visual selection window for the movie at Path with the given frame range; its
  // "Apply" writes the crop rectangle and the range back into this dialog's edits.
  void ShowVisualSelection(const std::string& Path, int32_t StartFrame, int32_t EndFrame);

 private:
  void CreateComponents();
  void CreatePages();
  // Runs Handler for a user's click unless the dialog itself is changing its controls.
  classlib::TNotifyEvent UserClick(void (TSettingsFrm::*Handler)(classlib::TObject*));

  // Rules (each run inside a user's click or from FormShow and SelectExportType).
  void KeepSizeRule();
  void KeepFramesRule();
  void KeepAVIFpsRule();
  void KeepGIFFpsRule();
  void CropRule();
  void GIFCheckRules();
  void ImageFormatRule();
  void SyncRule();
  void SoundSourceRule();
  void SplitRule();
  void SetRecordingControlsEnabled(bool Value);

  // Writes the dialog's settings shared by OK and apply-to-all into S.
  void WriteCommonSettings(TCovSettings& S);
  void WriteCodecSettings(TCovSettings& S);
  void WriteSoundSettings(TCovSettings& S);
  void UpdateItemTexts(TElTreeItem* AItem, const TCovSettings& S);
  // The frame range of the edits, corrected: start at least 1, end at least start.
  void CorrectedRange(int32_t& Start, int32_t& End);

  int updating_ = 0;
  TSelectFrm* select_form_ = nullptr;
  friend class TSettingsUpdate;
};

// The output-name extension of types 0-2 (".avi", ".mpg", ".gif"); "" for image sequences.
std::string ExportExtension(int Type);

}  // namespace lumicast
