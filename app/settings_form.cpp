#include "app/settings_form.h"

#include <cmath>
#include <initializer_list>

#include "app/audio_format_form.h"
#include "app/form_controls.h"
#include "app/movie_file.h"
#include "controls/combo_edit.h"
#include "controls/num_edit.h"
#include "platform/classlib/application.h"
#include "platform/classlib/command_launch.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"
#include "treectl/tree_items.h"

namespace lumicast {

using namespace classlib;

namespace {

constexpr const char* kColorTexts24[2] = {"24bits(No Alpha Channel)", "32bits(With Alpha Channel)"};
constexpr const char* kColorTextsGIF[2] = {"8bits(256 Colors)", "24bits(True Colors)"};

struct TMpegPreset {
  int Width, Height, FrameRateIndex;
};
constexpr TMpegPreset kMpegPresets[6] = {{352, 240, 3}, {352, 288, 2}, {720, 480, 3},
                                         {720, 576, 2}, {480, 480, 3}, {480, 576, 2}};
constexpr int kCustomMpeg = 6;

}  // namespace

// Marks the dialog as changing its own controls: the events this raises run no rule.
class TSettingsUpdate {
 public:
  explicit TSettingsUpdate(TSettingsFrm* Form) : form_(Form) { ++form_->updating_; }
  ~TSettingsUpdate() { --form_->updating_; }
  TSettingsUpdate(const TSettingsUpdate&) = delete;
  TSettingsUpdate& operator=(const TSettingsUpdate&) = delete;

 private:
  TSettingsFrm* form_;
};

std::string ExportExtension(int Type) {
  switch (Type) {
    case dtAVI: return ".avi";
    case dtMPEG: return ".mpg";
    case dtGIF: return ".gif";
    default: return "";
  }
}

TSettingsFrm::TSettingsFrm(TComponent* AOwner) : TForm(AOwner) { CreateComponents(); }

TSettingsFrm::~TSettingsFrm() { BeforeDestruction(); }

TNotifyEvent TSettingsFrm::UserClick(void (TSettingsFrm::*Handler)(TObject*)) {
  return [this, Handler](TObject* Sender) {
    if (updating_ > 0) return;
    TSettingsUpdate guard(this);
    (this->*Handler)(Sender);
  };
}

// ---- construction ------------------------------------------------------------------------------

namespace {

TComboBox* MakeList(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                    int Width, std::initializer_list<const char*> Items) {
  auto* c = MakeControl<TComboBox>(Owner, Parent, Name, Left, Top, Width, 24);
  c->SetStyle(csDropDownList);
  for (const char* s : Items) c->Items()->Add(s);
  return c;
}

TSpinEdit* MakeSpin(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                    int Width, int Min = 0, int Max = 0) {
  auto* e = MakeControl<TSpinEdit>(Owner, Parent, Name, Left, Top, Width, 22);
  e->SetMinValue(Min);
  e->SetMaxValue(Max);
  return e;
}

TSpeedButton* MakeToggle(TComponent* Owner, TWinControl* Parent, const char* Name, int Left,
                         int Top, int Width, const std::string& Caption, const std::string& Hint,
                         int Group) {
  auto* b = MakeControl<TSpeedButton>(Owner, Parent, Name, Left, Top, Width, 22);
  b->SetGroupIndex(Group);
  b->SetAllowAllUp(true);
  b->SetCaption(Caption);
  b->SetHint(Hint);
  b->SetShowHint(!Hint.empty());
  return b;
}

// A colour combo edit: the colour fills the box, the button chooses another; no typing.
controls::TComboEdit* MakeColorEdit(TComponent* Owner, TWinControl* Parent, const char* Name,
                                    int Left, int Top) {
  auto* e = MakeControl<controls::TComboEdit>(Owner, Parent, Name, Left, Top, 92, 22);
  e->SetDirectInput(false);
  e->SetGlyphKind(controls::gkEllipsis);
  return e;
}

TButton* MakeButton(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                    int Width, const std::string& Caption) {
  auto* b = MakeControl<TButton>(Owner, Parent, Name, Left, Top, Width, 24);
  b->SetCaption(Caption);
  return b;
}

}  // namespace

void TSettingsFrm::CreateComponents() {
  SetName("SettingsFrm");
  SetCaption("Export Settings");
  SetBorderStyle(bsDialog);
  SetClientSize(565, 375);

  labSource = MakeRowLabel(this, this, "labSource", 8, 6, "Source:");
  edtSource = MakeControl<TEdit>(this, this, "edtSource", 92, 6, 465, 22);
  edtSource->SetReadOnly(true);
  labExport = MakeRowLabel(this, this, "labExport", 8, 31, "Export to:");
  edtExport = MakeControl<TEdit>(this, this, "edtExport", 92, 31, 383, 22);
  edtExport->SetReadOnly(true);
  btnRename = MakeButton(this, this, "btnRename", 482, 30, 75, "&Browse");

  labExportType = MakeRowLabel(this, this, "labExportType", 8, 56, "Export type:");
  cbxExportType = MakeList(this, this, "cbxExportType", 92, 56, 180,
                           {"AVI Video", "MPEG Video", "Animated GIF", "Image Sequence"});
  labExportSequence = MakeRowLabel(this, this, "labExportSequence", 288, 56, "Sequence:");
  cbxExportSequence =
      MakeList(this, this, "cbxExportSequence", 357, 56, 200,
               {"Normal sequence (interact)", "Skip \"goto backward\" frame", "Frame by frame"});
  labExportColor = MakeRowLabel(this, this, "labExportColor", 8, 81, "Color depth:");
  cbxExportColor = MakeList(this, this, "cbxExportColor", 92, 81, 180, {});
  labExportAlpha = MakeRowLabel(this, this, "labExportAlpha", 288, 81, "Alpha:");
  cbxExportAlpha = MakeList(this, this, "cbxExportAlpha", 357, 81, 200,
                            {"None", "Intensity to Alpha Channel", "IntensitySqrt to Alpha Channel",
                             "BackgroundColor to Alpha Channel"});

  labExportFrom = MakeRowLabel(this, this, "labExportFrom", 8, 106, "Export from:");
  edtExportStart = MakeSpin(this, this, "edtExportStart", 92, 106, 60);
  labExportTo = MakeRowLabel(this, this, "labExportTo", 157, 106, "to");
  edtExportEnd = MakeSpin(this, this, "edtExportEnd", 172, 106, 60);
  labExportFrame = MakeRowLabel(this, this, "labExportFrame", 236, 106, "frame");
  btnKeepSourceFrames =
      MakeToggle(this, this, "btnKeepSourceFrames", 266, 106, 22, "=", "Keep source frames", 1);
  labExportSize = MakeRowLabel(this, this, "labExportSize", 300, 106, "WidthxHeight:");
  edtExportWidth = MakeSpin(this, this, "edtExportWidth", 380, 106, 60, 1, 8192);
  labExportX = MakeRowLabel(this, this, "labExportX", 444, 106, "x");
  edtExportHeight = MakeSpin(this, this, "edtExportHeight", 454, 106, 60, 1, 8192);
  labExportPixel = MakeRowLabel(this, this, "labExportPixel", 517, 106, "pixel");
  btnKeepSourceSize =
      MakeToggle(this, this, "btnKeepSourceSize", 542, 106, 18, "=", "Keep source size", 2);

  chkExportCrop = MakeControl<TCheckBox>(this, this, "chkExportCrop", 8, 131, 280, 20);
  chkExportCrop->SetCaption("Only convert the specified rectangular area.");
  chkExportKeepAspectRatio =
      MakeControl<TCheckBox>(this, this, "chkExportKeepAspectRatio", 300, 131, 257, 20);
  chkExportKeepAspectRatio->SetCaption("Keep source aspect ratio");
  labCropX = MakeRowLabel(this, this, "labCropX", 24, 155, "x:");
  edtExportCropX = MakeSpin(this, this, "edtExportCropX", 38, 155, 52);
  labCropY = MakeRowLabel(this, this, "labCropY", 96, 155, "y:");
  edtExportCropY = MakeSpin(this, this, "edtExportCropY", 110, 155, 52);
  labCropW = MakeRowLabel(this, this, "labCropW", 168, 155, "w:");
  edtExportCropW = MakeSpin(this, this, "edtExportCropW", 184, 155, 52);
  labCropH = MakeRowLabel(this, this, "labCropH", 242, 155, "h:");
  edtExportCropH = MakeSpin(this, this, "edtExportCropH", 256, 155, 52);
  btnVisualSelection =
      MakeButton(this, this, "btnVisualSelection", 320, 154, 110, "&Visual Selection");
  labCropNote = MakeRowLabel(this, this, "labCropNote", 436, 153, "");
  labCropNote->SetAutoSize(false);
  labCropNote->SetBounds(436, 152, 124, 28);
  labCropNote->SetWordWrap(true);
  labCropNote->SetCaption("Pick the area on a frame of the movie.");

  // The split controls lie below the client area: the user never reaches them, and the
  // job's split settings pass through unchanged.
  chkUseSplitSize = MakeControl<TCheckBox>(this, this, "chkUseSplitSize", 8, 452, 160, 20);
  chkUseSplitSize->SetCaption("Split export file every");
  edtSplitSize = MakeSpin(this, this, "edtSplitSize", 170, 452, 50);
  labSplitSize = MakeRowLabel(this, this, "labSplitSize", 226, 452, "minutes");

  CreatePages();

  btnApplyAll = MakeButton(this, this, "btnApplyAll", 8, 344, 300,
                           "&Apply export settings to all checked items");
  btnOK = MakeButton(this, this, "btnOK", 400, 344, 75, "&OK");
  btnOK->SetDefault(true);
  btnCancel = MakeButton(this, this, "btnCancel", 482, 344, 75, "&Cancel");
  btnCancel->SetCancel(true);

  AudioFormatFrm = new TAudioFormatFrm(this);

  // The user's clicks.
  cbxExportType->OnChange = UserClick(&TSettingsFrm::cbxExportTypeClick);
  cbxExportColor->OnChange = UserClick(&TSettingsFrm::cbxExportColorClick);
  cbxExportAlpha->OnChange = UserClick(&TSettingsFrm::cbxExportAlphaClick);
  cbxImageFormat->OnChange = UserClick(&TSettingsFrm::cbxImageFormatClick);
  btnKeepSourceSize->OnClick = UserClick(&TSettingsFrm::btnKeepSourceSizeClick);
  btnKeepSourceFrames->OnClick = UserClick(&TSettingsFrm::btnKeepSourceFramesClick);
  btnKeepAVIFps->OnClick = UserClick(&TSettingsFrm::btnKeepAVIFpsClick);
  btnKeepGIFFps->OnClick = UserClick(&TSettingsFrm::btnKeepGIFFpsClick);
  chkExportCrop->OnClick = UserClick(&TSettingsFrm::chkExportCropClick);
  chkGIFBackground->OnClick = UserClick(&TSettingsFrm::chkGIFClick);
  chkGIFTransparent->OnClick = UserClick(&TSettingsFrm::chkGIFClick);
  chkGIFLooping->OnClick = UserClick(&TSettingsFrm::chkGIFClick);
  chkAudioSyncManually->OnClick = UserClick(&TSettingsFrm::chkAudioSyncManuallyClick);
  rdoAudioNone->OnClick = UserClick(&TSettingsFrm::rdoAudioClick);
  rdoAudioRec->OnClick = UserClick(&TSettingsFrm::rdoAudioClick);
  rdoAudioImport->OnClick = UserClick(&TSettingsFrm::rdoAudioClick);
  chkUseSplitSize->OnClick = UserClick(&TSettingsFrm::chkUseSplitSizeClick);
  cbxMPEGFormat->OnChange = UserClick(&TSettingsFrm::cbxMPEGFormatClick);
  cbeGIFBackgroundColor->OnButtonClick = UserClick(&TSettingsFrm::cbeGIFColorButtonClick);
  cbeGIFTransparentColor->OnButtonClick = UserClick(&TSettingsFrm::cbeGIFColorButtonClick);
  btnRename->OnClick = UserClick(&TSettingsFrm::btnRenameClick);
  btnVisualSelection->OnClick = UserClick(&TSettingsFrm::btnVisualSelectionClick);
  btnAVIFormatConfig->OnClick = UserClick(&TSettingsFrm::btnAVIFormatConfigClick);
  btnMPEGFormatConfig->OnClick = UserClick(&TSettingsFrm::btnMPEGFormatConfigClick);
  btnAudioImport->OnClick = UserClick(&TSettingsFrm::btnAudioImportClick);
  btnAudioRecConfig->OnClick = UserClick(&TSettingsFrm::btnAudioRecConfigClick);
  cbxAudioRecFormat->OnChange = UserClick(&TSettingsFrm::cbxAudioRecFormatClick);
  btnAudioRecDefault->OnClick = UserClick(&TSettingsFrm::btnAudioRecDefaultClick);
  btnAudioRecAdvanced->OnClick = UserClick(&TSettingsFrm::btnAudioRecAdvancedClick);
  btnOK->OnClick = UserClick(&TSettingsFrm::btnOKClick);
  btnCancel->OnClick = UserClick(&TSettingsFrm::btnCancelClick);
  btnApplyAll->OnClick = UserClick(&TSettingsFrm::btnApplyAllClick);
  OnShow = [this](TObject* s) {
    TSettingsUpdate guard(this);
    FormShow(s);
  };
}

void TSettingsFrm::CreatePages() {
  pgcExport = MakeControl<TPageControl>(this, this, "pgcExport", 8, 182, 549, 156);
  auto page = [this](const char* Name, const char* Caption) {
    auto* p = new TTabSheet(this);
    p->SetName(Name);
    p->SetPageControl(pgcExport);
    p->SetCaption(Caption);
    return p;
  };
  tabAVI = page("tabAVI", "AVI Video Settings");
  tabMPEG = page("tabMPEG", "MPEG Video Settings");
  tabGIF = page("tabGIF", "Animated GIF Settings");
  tabImage = page("tabImage", "Image Settings");
  tabAudio = page("tabAudio", "Audio Settings");

  // AVI.
  labAVIFormat = MakeRowLabel(this, tabAVI, "labAVIFormat", 8, 8, "AVI Format:");
  edtAVIFormat = MakeControl<TEdit>(this, tabAVI, "edtAVIFormat", 84, 8, 300, 22);
  edtAVIFormat->SetReadOnly(true);
  btnAVIFormatConfig =
      MakeButton(this, tabAVI, "btnAVIFormatConfig", 392, 7, 130, "&Select AVI Codec");
  labAVIFrameRate = MakeRowLabel(this, tabAVI, "labAVIFrameRate", 8, 38, "Frame Rate:");
  edtAVIFrameRate = MakeSpin(this, tabAVI, "edtAVIFrameRate", 84, 38, 60, 1, 255);
  labAVIFps = MakeRowLabel(this, tabAVI, "labAVIFps", 150, 38, "FPS");
  btnKeepAVIFps =
      MakeToggle(this, tabAVI, "btnKeepAVIFps", 184, 38, 110, "&Keep source fps", "", 3);
  labAVINote = MakeRowLabel(this, tabAVI, "labAVINote", 8, 70, "");
  labAVINote->SetAutoSize(false);
  labAVINote->SetWordWrap(true);
  labAVINote->SetBounds(8, 70, 520, 40);
  labAVINote->SetCaption(
      "The codec decides the file size and quality; \"Full frames, uncompressed\" keeps every "
      "pixel but makes large files.");

  // MPEG.
  labMPEGFormat = MakeRowLabel(this, tabMPEG, "labMPEGFormat", 8, 8, "MPEG Format:");
  cbxMPEGFormat = MakeList(
      this, tabMPEG, "cbxMPEGFormat", 92, 8, 160,
      {"VCD-NTSC", "VCD-PAL", "DVD-NTSC", "DVD-PAL", "SVCD-NTSC", "SVCD-PAL", "Customize MPEG"});
  btnMPEGFormatConfig =
      MakeButton(this, tabMPEG, "btnMPEGFormatConfig", 262, 7, 130, "&Select MPEG Codec");
  labMPEGFrameRate = MakeRowLabel(this, tabMPEG, "labMPEGFrameRate", 8, 38, "Frame Rate:");
  cbxMPEGFrameRate = MakeList(this, tabMPEG, "cbxMPEGFrameRate", 92, 38, 100, {});
  for (const char* s : kMpegFrameRateTexts) cbxMPEGFrameRate->Items()->Add(s);
  labMPEGFps = MakeRowLabel(this, tabMPEG, "labMPEGFps", 198, 38, "FPS");
  labMPEGAspectRatio = MakeRowLabel(this, tabMPEG, "labMPEGAspectRatio", 262, 38, "Aspect Ratio:");
  cbxMPEGAspectRatio = MakeList(this, tabMPEG, "cbxMPEGAspectRatio", 340, 38, 182, {});
  for (const char* s : kMpegAspectTexts) cbxMPEGAspectRatio->Items()->Add(s);
  labMPEGNote = MakeRowLabel(this, tabMPEG, "labMPEGNote", 8, 70, "");
  labMPEGNote->SetAutoSize(false);
  labMPEGNote->SetWordWrap(true);
  labMPEGNote->SetBounds(8, 70, 520, 40);
  labMPEGNote->SetCaption(
      "The VCD, SVCD and DVD formats fix the size and frame rate; choose \"Customize MPEG\" to "
      "set your own.");

  // GIF.
  chkGIFBackground = MakeControl<TCheckBox>(this, tabGIF, "chkGIFBackground", 8, 8, 130, 20);
  chkGIFBackground->SetCaption("Background Color");
  cbeGIFBackgroundColor = MakeColorEdit(this, tabGIF, "cbeGIFBackgroundColor", 140, 8);
  chkGIFTransparent = MakeControl<TCheckBox>(this, tabGIF, "chkGIFTransparent", 8, 36, 130, 20);
  chkGIFTransparent->SetCaption("Transparent Color");
  cbeGIFTransparentColor = MakeColorEdit(this, tabGIF, "cbeGIFTransparentColor", 140, 36);
  chkGIFLooping = MakeControl<TCheckBox>(this, tabGIF, "chkGIFLooping", 8, 64, 130, 20);
  chkGIFLooping->SetCaption("Looping");
  edtGIFRepeatCount = MakeSpin(this, tabGIF, "edtGIFRepeatCount", 140, 64, 60, 0, 65535);
  labGIFRepeatCount =
      MakeRowLabel(this, tabGIF, "labGIFRepeatCount", 206, 64, "times (0 means repeat forever)");
  labGIFFrameRate = MakeRowLabel(this, tabGIF, "labGIFFrameRate", 290, 8, "Frame Rate:");
  edtGIFFrameRate = MakeSpin(this, tabGIF, "edtGIFFrameRate", 362, 8, 52, 1, 255);
  labGIFFps = MakeRowLabel(this, tabGIF, "labGIFFps", 420, 8, "FPS");
  btnKeepGIFFps =
      MakeToggle(this, tabGIF, "btnKeepGIFFps", 412, 36, 110, "&Keep source fps", "", 4);
  chkGIFInterlaced = MakeControl<TCheckBox>(this, tabGIF, "chkGIFInterlaced", 290, 64, 160, 20);
  chkGIFInterlaced->SetCaption("Save frames interlaced");
  chkGIFInterlaced->SetVisible(false);

  // Images.
  labImageFormat = MakeRowLabel(this, tabImage, "labImageFormat", 8, 8, "Image Format:");
  cbxImageFormat =
      MakeList(this, tabImage, "cbxImageFormat", 92, 8, 300,
               {"PNG(Portable Network Graphics)", "TGA(Truevision Targa)",
                "GIF(Graphics Interchange Format)", "BMP(Windows Device Independent Bitmap)",
                "JPEG(Joint Photographic Expert Group)"});
  labImageQuality =
      MakeRowLabel(this, tabImage, "labImageQuality", 8, 44, "JPEG Compression Quality ");
  labImageLow = MakeRowLabel(this, tabImage, "labImageLow", 160, 44, "Low");
  trkImageQuality = MakeControl<TTrackBar>(this, tabImage, "trkImageQuality", 186, 40, 280, 30);
  trkImageQuality->SetMin(1);
  trkImageQuality->SetMax(100);
  trkImageQuality->SetFrequency(10);
  labImageHigh = MakeRowLabel(this, tabImage, "labImageHigh", 470, 44, "High");

  // Sound: the source and its recording settings on the left, synchronisation on the right,
  // the imported file along the bottom.
  rdoAudioNone = MakeControl<TRadioButton>(this, tabAudio, "rdoAudioNone", 8, 2, 200, 18);
  rdoAudioNone->SetCaption("No Audio Stream");
  rdoAudioRec = MakeControl<TRadioButton>(this, tabAudio, "rdoAudioRec", 8, 20, 240, 18);
  rdoAudioRec->SetCaption("Record from current SWF file");
  labAudioRecFormat = MakeRowLabel(this, tabAudio, "labAudioRecFormat", 26, 41, "Format:");
  cbxAudioRecFormat = MakeList(this, tabAudio, "cbxAudioRecFormat", 72, 41, 150,
                               {"Record to WAVE format", "Record to MP3 format"});
  btnAudioRecConfig = MakeButton(this, tabAudio, "btnAudioRecConfig", 226, 40, 60, "&Config");
  labAudioRecFormatTips = MakeRowLabel(this, tabAudio, "labAudioRecFormatTips", 72, 63, "");
  labAudioRecVolume = MakeRowLabel(this, tabAudio, "labAudioRecVolume", 26, 81, "Source:");
  btnAudioRecDefault = MakeButton(this, tabAudio, "btnAudioRecDefault", 72, 80, 70, "&Default");
  btnAudioRecAdvanced = MakeButton(this, tabAudio, "btnAudioRecAdvanced", 146, 80, 76, "&Advanced");

  chkAudioSyncAutomatically =
      MakeControl<TCheckBox>(this, tabAudio, "chkAudioSyncAutomatically", 296, 2, 240, 18);
  chkAudioSyncAutomatically->SetCaption("Automatically synchronize video and audio ");
  chkAudioSyncManually =
      MakeControl<TCheckBox>(this, tabAudio, "chkAudioSyncManually", 296, 20, 240, 18);
  chkAudioSyncManually->SetCaption("Manually synchronize video and audio ");
  cbxAudioSync = MakeList(this, tabAudio, "cbxAudioSync", 314, 41, 124,
                          {"Move audio forward", "Move audio backward"});
  edtAudioSync = MakeControl<controls::TPBNumEdit>(this, tabAudio, "edtAudioSync", 442, 41, 44, 22);
  labAudioSync = MakeRowLabel(this, tabAudio, "labAudioSync", 490, 41, "seconds");

  rdoAudioImport = MakeControl<TRadioButton>(this, tabAudio, "rdoAudioImport", 8, 104, 274, 20);
  rdoAudioImport->SetCaption("Import from an exsiting audio file (*.wav; *.mp3)");
  edtAudioImport = MakeControl<TEdit>(this, tabAudio, "edtAudioImport", 286, 103, 212, 22);
  btnAudioImport = MakeButton(this, tabAudio, "btnAudioImport", 502, 102, 30, "...");
  btnAudioImport->SetHint("Choose the sound file");
  btnAudioImport->SetShowHint(true);

  pgcExport->SetActivePage(tabAVI);
}

// ---- small helpers -----------------------------------------------------------------------------

long double TSettingsFrm::SyncOffset() const {
  try {
    return edtAudioSync->Value();
  } catch (const EConvertError&) {
    return 0;
  }
}

void TSettingsFrm::SetSyncOffset(long double Value) {
  try {
    edtAudioSync->SetValue(Value);
  } catch (const EConvertError&) {
    edtAudioSync->SetValue(0);
  }
}

void TSettingsFrm::SetGIFColor(controls::TComboEdit* Edit, TColor Color) {
  Edit->SetColor(Color);
  if (Edit == cbeGIFBackgroundColor) GIFBackgroundColor = Color;
  if (Edit == cbeGIFTransparentColor) GIFTransparentColor = Color;
}

void TSettingsFrm::CorrectedRange(int32_t& Start, int32_t& End) {
  Start = edtExportStart->Value();
  End = edtExportEnd->Value();
  if (Start <= 0) Start = 1;
  if (End < Start) End = Start;
}

// ---- showing -----------------------------------------------------------------------------------

void TSettingsFrm::FormShow(TObject*) {
  if (Opener != nullptr) CenterOn(Opener);
  JobWritten = false;
  if (Job == nullptr) return;
  TCovSettings& S = *Job;
  const int type = DestTypeOf(S);
  cbxExportType->SetItemIndex(type);
  CurrentType = type;
  edtSource->SetText(S.swfFilename);
  edtExport->SetText(type == dtImages ? S.destFilepath : S.destFilepath + S.destFilename);

  cbxExportSequence->SetItemIndex(DestSequenceModeOf(S));
  cbxExportAlpha->SetItemIndex(DestAlphaModeOf(S));
  edtExportStart->SetValue(S.destStartFrame);
  edtExportEnd->SetValue(S.destEndFrame);
  edtExportWidth->SetValue(S.destW);
  edtExportHeight->SetValue(S.destH);
  edtExportCropX->SetValue(S.destCropX);
  edtExportCropY->SetValue(S.destCropY);
  edtExportCropW->SetValue(S.destCropW);
  edtExportCropH->SetValue(S.destCropH);
  chkExportCrop->SetChecked(S.destIsCrop);
  chkExportKeepAspectRatio->SetChecked(S.destIsKeepAspectRatio);
  btnKeepSourceFrames->SetDown(S.destIsKeepSourceFrames);
  btnKeepSourceSize->SetDown(S.destIsKeepSourceSize);
  chkUseSplitSize->SetChecked(S.destIsSplit);
  edtSplitSize->SetValue(S.destSplitSize);
  SplitRule();

  AviCodec = AviCodecValuesOf(S);
  edtAVIFrameRate->SetValue(S.destAVIFrameRate);
  edtAVIFormat->SetText(AviCodec.Description);
  btnKeepAVIFps->SetDown(S.destAVIKeepSourceFps);
  cbxMPEGFormat->SetItemIndex(DestMpegCodecOf(S));
  MpegCodec = MpegCodecValuesOf(S);
  cbxMPEGFrameRate->SetItemIndex(DestMpegFrameRateOf(S));
  cbxMPEGAspectRatio->SetItemIndex(DestMpegAspectRatioOf(S) - 1);

  chkGIFInterlaced->SetChecked(S.destGIFIsInterlaced);
  chkGIFBackground->SetChecked(S.destGIFIsBackground);
  chkGIFTransparent->SetChecked(S.destGIFIsTransparent);
  SetGIFColor(cbeGIFBackgroundColor, S.destGIFBackgroundColor);
  SetGIFColor(cbeGIFTransparentColor, S.destGIFTransparentColor);
  chkGIFLooping->SetChecked(S.destGIFIsLooping);
  edtGIFRepeatCount->SetValue(S.destGIFRepeatCount);
  edtGIFFrameRate->SetValue(S.destGIFFrameRate);
  btnKeepGIFFps->SetDown(S.destGIFKeepSourceFps);
  cbxImageFormat->SetItemIndex(DestImageTypeOf(S));
  trkImageQuality->SetPosition(S.destImageJPEGQuality);

  switch (AdoSourceOf(S)) {
    case asNone: rdoAudioNone->SetChecked(true); break;
    case asImport: rdoAudioImport->SetChecked(true); break;
    default: rdoAudioRec->SetChecked(true); break;
  }
  cbxAudioRecFormat->SetItemIndex(AdoFileTypeOf(S));
  edtAudioImport->SetText(S.adoFilename);
  labAudioRecFormatTips->SetCaption(GetAudioFormatText(AdoFileTypeOf(S), S));
  chkAudioSyncAutomatically->SetChecked(S.adoIsSyncAutomatically);
  chkAudioSyncManually->SetChecked(S.adoIsSyncManually);
  cbxAudioSync->SetItemIndex(AdoSyncTypeOf(S));
  SetSyncOffset(S.adoSyncOffset);

  SoundSourceRule();
  SyncRule();
  SelectExportType(false);
  if (CurrentType == dtImages) ImageFormatRule();
}

// ---- the type rule -----------------------------------------------------------------------------

void TSettingsFrm::SelectExportType(bool FromUser) {
  CurrentType = IndexOrDefault(cbxExportType->ItemIndex(), kDestTypeCount, dtAVI);
  for (TTabSheet* p : {tabAVI, tabMPEG, tabGIF, tabImage}) p->SetTabVisible(false);
  const std::string stored = Job != nullptr ? Job->destFilepath + Job->destFilename : "";
  const char* const* colors = kColorTexts24;
  bool split = false;
  auto enableSizeControls = [this] {
    btnKeepSourceSize->SetEnabled(true);
    chkExportKeepAspectRatio->SetEnabled(true);
    chkExportCrop->SetEnabled(true);
  };
  switch (CurrentType) {
    case dtAVI:
      tabAVI->SetTabVisible(true);
      pgcExport->SetActivePage(tabAVI);
      tabAudio->SetTabVisible(true);
      edtExport->SetText(ChangeFileExt(stored, ".avi"));
      edtAVIFormat->SetText(AviCodec.Description);
      enableSizeControls();
      KeepSizeRule();
      KeepFramesRule();
      KeepAVIFpsRule();
      CropRule();
      split = true;
      break;
    case dtMPEG:
      tabMPEG->SetTabVisible(true);
      pgcExport->SetActivePage(tabMPEG);
      tabAudio->SetTabVisible(true);
      edtExport->SetText(ChangeFileExt(stored, ".mpg"));
      CropRule();
      KeepFramesRule();
      ApplyMPEGPreset();
      split = true;
      break;
    case dtGIF:
      tabGIF->SetTabVisible(true);
      pgcExport->SetActivePage(tabGIF);
      tabAudio->SetTabVisible(false);
      edtExport->SetText(ChangeFileExt(stored, ".gif"));
      enableSizeControls();
      KeepSizeRule();
      KeepFramesRule();
      KeepGIFFpsRule();
      CropRule();
      GIFCheckRules();
      colors = kColorTextsGIF;
      break;
    default:
      tabImage->SetTabVisible(true);
      pgcExport->SetActivePage(tabImage);
      tabAudio->SetTabVisible(false);
      edtExport->SetText(Job != nullptr ? Job->destFilepath : "");
      enableSizeControls();
      KeepSizeRule();
      KeepFramesRule();
      CropRule();
      ImageFormatRule();
      break;
  }
  for (TControl* c : std::initializer_list<TControl*>{chkUseSplitSize, edtSplitSize, labSplitSize})
    c->SetVisible(split);
  cbxExportColor->Items()->Clear();
  cbxExportColor->Items()->Add(colors[0]);
  cbxExportColor->Items()->Add(colors[1]);
  cbxExportColor->SetItemIndex(FromUser || Job == nullptr ? 0 : DestColorDepthOf(*Job));
  UpdateColorControls();
}

void TSettingsFrm::UpdateColorControls() {
  const int depth = cbxExportColor->ItemIndex();
  bool color_enabled = true;
  bool alpha = false;
  switch (CurrentType) {
    case dtGIF: break;
    case dtImages:
      if (cbxImageFormat->ItemIndex() > 1) {
        color_enabled = false;
        cbxExportColor->SetItemIndex(0);
        break;
      }
      alpha = depth == 1;
      break;
    default: alpha = depth == 1; break;
  }
  cbxExportColor->SetEnabled(color_enabled);
  labExportColor->SetEnabled(color_enabled);
  cbxExportAlpha->SetEnabled(alpha);
  labExportAlpha->SetEnabled(alpha);
  cbxExportAlpha->SetItemIndex(alpha ? 2 : 0);
}

void TSettingsFrm::ApplyMPEGPreset() {
  const int preset = cbxMPEGFormat->ItemIndex();
  const bool custom = preset == kCustomMpeg;
  if (preset >= 0 && preset < kCustomMpeg) {
    btnKeepSourceSize->SetDown(false);
    btnKeepSourceSize->SetEnabled(false);
    chkExportKeepAspectRatio->SetChecked(false);
    chkExportKeepAspectRatio->SetEnabled(false);
    for (TControl* c : std::initializer_list<TControl*>{
             btnMPEGFormatConfig, labMPEGFrameRate, cbxMPEGFrameRate, labMPEGFps, edtExportWidth,
             edtExportHeight, labExportSize, labExportX, labExportPixel})
      c->SetEnabled(false);
    chkExportCrop->SetChecked(false);
    chkExportCrop->SetEnabled(false);
    CropRule();
    const TMpegPreset& p = kMpegPresets[preset];
    cbxMPEGFrameRate->SetItemIndex(p.FrameRateIndex);
    edtExportWidth->SetValue(p.Width);
    edtExportHeight->SetValue(p.Height);
  } else if (custom) {
    for (TControl* c : std::initializer_list<TControl*>{btnMPEGFormatConfig, labMPEGFrameRate,
                                                        cbxMPEGFrameRate, labMPEGFps})
      c->SetEnabled(true);
    btnKeepSourceSize->SetEnabled(true);
    chkExportKeepAspectRatio->SetChecked(false);
    chkExportKeepAspectRatio->SetEnabled(false);
    KeepSizeRule();
    chkExportCrop->SetEnabled(true);
  }
}

// ---- the enabling rules ------------------------------------------------------------------------

void TSettingsFrm::KeepSizeRule() {
  const bool up = !btnKeepSourceSize->Down();
  for (TControl* c : std::initializer_list<TControl*>{edtExportWidth, edtExportHeight,
                                                      labExportSize, labExportX, labExportPixel})
    c->SetEnabled(up);
  if (!up && Job != nullptr) {
    edtExportWidth->SetValue(Job->swfW);
    edtExportHeight->SetValue(Job->swfH);
  }
}

void TSettingsFrm::KeepFramesRule() {
  const bool up = !btnKeepSourceFrames->Down();
  for (TControl* c : std::initializer_list<TControl*>{edtExportStart, edtExportEnd, labExportFrom,
                                                      labExportTo, labExportFrame})
    c->SetEnabled(up);
  if (!up && Job != nullptr) {
    edtExportStart->SetValue(1);
    edtExportEnd->SetValue(Job->swfTotalFrames);
  }
}

void TSettingsFrm::KeepAVIFpsRule() {
  const bool up = !btnKeepAVIFps->Down();
  for (TControl* c : std::initializer_list<TControl*>{edtAVIFrameRate, labAVIFrameRate, labAVIFps})
    c->SetEnabled(up);
  if (!up && Job != nullptr) edtAVIFrameRate->SetValue(Job->swfFrameRate);
}

void TSettingsFrm::KeepGIFFpsRule() {
  const bool up = !btnKeepGIFFps->Down();
  for (TControl* c : std::initializer_list<TControl*>{edtGIFFrameRate, labGIFFrameRate, labGIFFps})
    c->SetEnabled(up);
  if (!up && Job != nullptr) edtGIFFrameRate->SetValue(Job->swfFrameRate);
}

void TSettingsFrm::CropRule() {
  const bool on = chkExportCrop->Checked();
  for (TControl* c : std::initializer_list<TControl*>{labCropNote, labCropX, labCropY, labCropW,
                                                      labCropH, edtExportCropX, edtExportCropY,
                                                      edtExportCropW, edtExportCropH})
    c->SetEnabled(on);
}

void TSettingsFrm::GIFCheckRules() {
  cbeGIFBackgroundColor->SetEnabled(chkGIFBackground->Checked());
  cbeGIFTransparentColor->SetEnabled(chkGIFTransparent->Checked());
  edtGIFRepeatCount->SetEnabled(chkGIFLooping->Checked());
  labGIFRepeatCount->SetEnabled(chkGIFLooping->Checked());
}

void TSettingsFrm::ImageFormatRule() {
  const int format = cbxImageFormat->ItemIndex();
  const bool jpeg = format == 4;
  for (TControl* c : std::initializer_list<TControl*>{trkImageQuality, labImageQuality, labImageLow,
                                                      labImageHigh})
    c->SetEnabled(jpeg);
  if (format > 1) cbxExportColor->SetItemIndex(0);
  UpdateColorControls();
}

void TSettingsFrm::SyncRule() {
  const bool on = chkAudioSyncManually->Checked();
  cbxAudioSync->SetEnabled(on);
  edtAudioSync->SetEnabled(on);
  labAudioSync->SetEnabled(on);
}

void TSettingsFrm::SetRecordingControlsEnabled(bool Value) {
  for (TControl* c : std::initializer_list<TControl*>{
           labAudioRecFormat, cbxAudioRecFormat, btnAudioRecConfig, labAudioRecFormatTips,
           labAudioRecVolume, btnAudioRecDefault, btnAudioRecAdvanced})
    c->SetEnabled(Value);
}

void TSettingsFrm::SoundSourceRule() {
  const bool rec = rdoAudioRec->Checked();
  const bool import = rdoAudioImport->Checked();
  SetRecordingControlsEnabled(rec);
  edtAudioImport->SetEnabled(import);
  btnAudioImport->SetEnabled(import);
}

void TSettingsFrm::SplitRule() { edtSplitSize->SetEnabled(chkUseSplitSize->Checked()); }

// ---- the user's clicks -------------------------------------------------------------------------

void TSettingsFrm::cbxExportTypeClick(TObject*) { SelectExportType(true); }
void TSettingsFrm::cbxExportColorClick(TObject*) { UpdateColorControls(); }
void TSettingsFrm::cbxExportAlphaClick(TObject*) {
  if (cbxExportAlpha->ItemIndex() == 0) {
    cbxExportColor->SetItemIndex(0);
    UpdateColorControls();
  }
}
void TSettingsFrm::cbxImageFormatClick(TObject*) { ImageFormatRule(); }
void TSettingsFrm::btnKeepSourceSizeClick(TObject*) { KeepSizeRule(); }
void TSettingsFrm::btnKeepSourceFramesClick(TObject*) { KeepFramesRule(); }
void TSettingsFrm::btnKeepAVIFpsClick(TObject*) { KeepAVIFpsRule(); }
void TSettingsFrm::btnKeepGIFFpsClick(TObject*) { KeepGIFFpsRule(); }
void TSettingsFrm::chkExportCropClick(TObject*) { CropRule(); }
void TSettingsFrm::chkGIFClick(TObject*) { GIFCheckRules(); }
void TSettingsFrm::chkAudioSyncManuallyClick(TObject*) { SyncRule(); }
void TSettingsFrm::rdoAudioClick(TObject*) { SoundSourceRule(); }
void TSettingsFrm::chkUseSplitSizeClick(TObject*) { SplitRule(); }
void TSettingsFrm::cbxMPEGFormatClick(TObject*) { ApplyMPEGPreset(); }

void TSettingsFrm::cbeGIFColorButtonClick(TObject* Sender) {
  controls::TComboEdit* edit =
      Sender == cbeGIFTransparentColor ? cbeGIFTransparentColor : cbeGIFBackgroundColor;
  TColorDialog dialog(nullptr);
  dialog.Color = edit == cbeGIFTransparentColor ? GIFTransparentColor : GIFBackgroundColor;
  if (dialog.Execute()) SetGIFColor(edit, dialog.Color);
}

void TSettingsFrm::btnRenameClick(TObject*) {
  if (Job == nullptr) return;
  if (CurrentType == dtImages) {
    std::string folder = ExtractFilePath(edtSource->Text());
    if (!SelectDirectory(folder, sdAllowCreate | sdPerformCreate | sdPrompt)) return;
    if (HasLineBreak(folder)) {
      MessageDlg(kLineBreakNameText, mtError, mbOK);
      return;
    }
    folder = IncludeTrailingPathDelimiter(folder);
    edtExport->SetText(folder);
    Job->destFilepath = folder;
    JobWritten = true;
    return;
  }
  static const char* const kExt[3] = {"avi", "mpg", "gif"};
  static const char* const kFilter[3] = {"AVI File (*.avi)|*.avi",
                                         "VCD/DVD/SVCD/MPEG File (*.mpg)|*.mpg",
                                         "GIF Animation File (*.gif)|*.gif"};
  TSaveDialog dialog(nullptr);
  dialog.DefaultExt = kExt[CurrentType];
  dialog.Filter = kFilter[CurrentType];
  dialog.FileName = edtExport->Text();
  if (!dialog.Execute()) return;
  if (HasLineBreak(dialog.FileName)) {
    MessageDlg(kLineBreakNameText, mtError, mbOK);
    return;
  }
  edtExport->SetText(dialog.FileName);
  Job->destFilename = ExtractFileName(dialog.FileName);
  Job->destFilepath = ExtractFilePath(dialog.FileName);
  JobWritten = true;
}

void TSettingsFrm::btnAVIFormatConfigClick(TObject*) {
  if (ChooseAviCodec(AviCodec, edtExportWidth->Value(), edtExportHeight->Value()))
    edtAVIFormat->SetText(AviCodec.Description);
}

void TSettingsFrm::btnMPEGFormatConfigClick(TObject*) {
  int32_t aspect = cbxMPEGAspectRatio->ItemIndex();
  if (ChooseMpegCodec(MpegCodec, edtExportWidth->Value(), edtExportHeight->Value(), aspect))
    cbxMPEGAspectRatio->SetItemIndex(IndexOrDefault(aspect, 4, 1));
}

void TSettingsFrm::btnAudioImportClick(TObject*) {
  TOpenDialog dialog(nullptr);
  dialog.Filter = "Audio Files(*.wav;*.mp3)|*.wav;*.mp3|All Files(*.*)|*.*";
  dialog.Options |= ofFileMustExist;
  if (!dialog.Execute()) return;
  const std::string path = dialog.FileName;
  if (HasLineBreak(path)) {
    MessageDlg(kLineBreakNameText, mtError, mbOK);
    return;
  }
  Repaint();
  TAudioFileCheck check;
  {
    TCursorGuard hourglass(crHourGlass);
    check = CheckAudioFile(path);
  }
  switch (check) {
    case TAudioFileCheck::afNoAudio: ShowMessage(kNoAudioStreamText); break;
    case TAudioFileCheck::afUnsupported: ShowMessage(kUnsupportedAudioText); break;
    default: edtAudioImport->SetText(path); break;
  }
}

void TSettingsFrm::btnAudioRecConfigClick(TObject*) {
  if (Job == nullptr) return;
  AudioFormatFrm->Job = Job;
  AudioFormatFrm->Opener = this;
  if (AudioFormatFrm->ShowModal() != mrOk) return;
  JobWritten = true;
  labAudioRecFormatTips->SetCaption(GetAudioFormatText(cbxAudioRecFormat->ItemIndex(), *Job));
}

void TSettingsFrm::cbxAudioRecFormatClick(TObject*) {
  if (Job != nullptr)
    labAudioRecFormatTips->SetCaption(GetAudioFormatText(cbxAudioRecFormat->ItemIndex(), *Job));
}

void TSettingsFrm::btnAudioRecDefaultClick(TObject*) {
  bool selected = false;
  try {
    selected = SetRecordingSource && SetRecordingSource(0x1008, "Stereo Mix");
  } catch (...) {
    selected = false;
  }
  ShowMessage(selected ? "Successful!\rRecording source is set to \"Stereo Mix\".\rRecording "
                         "volume is set to 30%."
                       : "Failed!\rPlease click the 'Advanced' button to try again!");
}

void TSettingsFrm::btnAudioRecAdvancedClick(TObject*) { LaunchRecordingMixer(); }

// ---- storing -----------------------------------------------------------------------------------

void TSettingsFrm::WriteCommonSettings(TCovSettings& S) {
  S.destType = static_cast<uint8_t>(CurrentType);
  S.destSequenceMode =
      static_cast<uint8_t>(IndexOrDefault(cbxExportSequence->ItemIndex(), kSequenceModeCount, 0));
  S.destColorDepth =
      static_cast<uint8_t>(IndexOrDefault(cbxExportColor->ItemIndex(), kColorDepthCount, 0));
  S.destAlphaMode =
      static_cast<uint8_t>(IndexOrDefault(cbxExportAlpha->ItemIndex(), kAlphaModeCount, 0));
  S.destCropX = edtExportCropX->Value();
  S.destCropY = edtExportCropY->Value();
  S.destCropW = edtExportCropW->Value();
  S.destCropH = edtExportCropH->Value();
  S.destIsCrop = chkExportCrop->Checked();
  S.destIsKeepAspectRatio = chkExportKeepAspectRatio->Checked();
  S.destIsKeepSourceSize = btnKeepSourceSize->Down();
  S.destIsKeepSourceFrames = btnKeepSourceFrames->Down();
  S.destIsSplit = chkUseSplitSize->Checked();
  S.destSplitSize = edtSplitSize->Value();
}

void TSettingsFrm::WriteCodecSettings(TCovSettings& S) {
  StoreAviCodecValues(AviCodec, S);
  S.destAVIKeepSourceFps = btnKeepAVIFps->Down();
  S.destMPEGCodec =
      static_cast<uint8_t>(IndexOrDefault(cbxMPEGFormat->ItemIndex(), kMpegCodecCount, 0));
  StoreMpegCodecValues(MpegCodec, S);
  S.destMPEGFrameRate = IndexOrDefault(cbxMPEGFrameRate->ItemIndex(), 8, 3);
  S.destMPEGAspectRatio = IndexOrDefault(cbxMPEGAspectRatio->ItemIndex(), 4, 1) + 1;
  S.destGIFIsInterlaced = chkGIFInterlaced->Checked();
  S.destGIFBackgroundColor = GIFBackgroundColor;
  S.destGIFTransparentColor = GIFTransparentColor;
  S.destGIFIsBackground = chkGIFBackground->Checked();
  S.destGIFIsTransparent = chkGIFTransparent->Checked();
  S.destGIFIsLooping = chkGIFLooping->Checked();
  S.destGIFRepeatCount = edtGIFRepeatCount->Value();
  S.destGIFKeepSourceFps = btnKeepGIFFps->Down();
  S.destImageType =
      static_cast<uint8_t>(IndexOrDefault(cbxImageFormat->ItemIndex(), kImageTypeCount, 0));
  S.destImageJPEGQuality = trkImageQuality->Position();
}

void TSettingsFrm::WriteSoundSettings(TCovSettings& S) {
  S.adoSource = rdoAudioNone->Checked() ? asNone : rdoAudioImport->Checked() ? asImport : asRecord;
  S.adoFileType =
      static_cast<uint8_t>(IndexOrDefault(cbxAudioRecFormat->ItemIndex(), kAdoFileTypeCount, 1));
  S.adoFilename = edtAudioImport->Text();
  S.adoIsSyncAutomatically = chkAudioSyncAutomatically->Checked();
  S.adoIsSyncManually = chkAudioSyncManually->Checked();
  S.adoSyncType =
      static_cast<uint8_t>(IndexOrDefault(cbxAudioSync->ItemIndex(), kSyncTypeCount, 0));
  S.adoSyncOffset = SyncOffset();
}

void TSettingsFrm::UpdateItemTexts(TElTreeItem* AItem, const TCovSettings& S) {
  if (AItem == nullptr) return;
  AItem->SetText(JobItemText(S));
  TStrings* columns = AItem->ColumnText();
  while (columns->Count() < 2) columns->Add("");
  columns->SetStrings(0, JobSoundText(S));
  columns->SetStrings(1, JobOutputText(S));
}

void TSettingsFrm::btnOKClick(TObject*) {
  if (Job == nullptr) {
    SetModalResult(mrCancel);
    return;
  }
  TCovSettings& S = *Job;
  if (CurrentType == dtImages) {
    S.destFilepath = edtExport->Text();
  } else {
    S.destFilename = ExtractFileName(edtExport->Text());
    S.destFilepath = ExtractFilePath(edtExport->Text());
  }
  WriteCommonSettings(S);
  S.destW = edtExportWidth->Value();
  S.destH = edtExportHeight->Value();
  if (btnKeepSourceFrames->Down()) KeepFramesRule();
  // Start is corrected before end is compared with it, so the job never holds an end
  // below its start.
  int32_t start = 0, end = 0;
  CorrectedRange(start, end);
  edtExportStart->SetValue(start);
  edtExportEnd->SetValue(end);
  S.destStartFrame = start;
  S.destEndFrame = end;
  S.destAVIFrameRate = edtAVIFrameRate->Value();
  S.destGIFFrameRate = edtGIFFrameRate->Value();
  WriteCodecSettings(S);
  WriteSoundSettings(S);
  UpdateItemTexts(Item, S);
  SetModalResult(mrOk);
}

void TSettingsFrm::btnCancelClick(TObject*) { SetModalResult(mrCancel); }

void TSettingsFrm::btnApplyAllClick(TObject*) {
  if (MessageDlg("Are you sure you want to modify all checked items' settings?", mtConfirmation,
                 mbYes | mbNo) != mrYes)
    return;
  const std::string folder =
      CurrentType == dtImages ? edtExport->Text() : ExtractFilePath(edtExport->Text());
  const std::string ext = ExportExtension(CurrentType);
  int32_t start = 0, end = 0;
  CorrectedRange(start, end);
  if (JobList != nullptr) {
    TElTreeItems* items = JobList;
    for (int i = 0; i < items->Count(); ++i) {
      TElTreeItem* item = items->Item(i);
      if (item == nullptr || !item->Checked() || item->Data == nullptr) continue;
      TCovSettings& S = *static_cast<TCovSettings*>(item->Data);
      S.destFilepath = folder;
      // The output keeps its name and takes the type's extension.
      if (!ext.empty()) S.destFilename = ChangeFileExt(S.destFilename, ext);
      WriteCommonSettings(S);
      if (btnKeepSourceSize->Down()) {
        S.destW = S.swfW;
        S.destH = S.swfH;
      } else {
        S.destW = edtExportWidth->Value();
        S.destH = edtExportHeight->Value();
      }
      if (btnKeepSourceFrames->Down()) {
        S.destStartFrame = 1;
        S.destEndFrame = std::max<int32_t>(1, S.swfTotalFrames);
      } else {
        S.destStartFrame = start;
        S.destEndFrame = end;
      }
      WriteCodecSettings(S);
      S.destAVIFrameRate = btnKeepAVIFps->Down() ? S.swfFrameRate : edtAVIFrameRate->Value();
      S.destGIFFrameRate = btnKeepGIFFps->Down() ? S.swfFrameRate : edtGIFFrameRate->Value();
      WriteSoundSettings(S);
      UpdateItemTexts(item, S);
    }
  }
  SetModalResult(mrAll);
}

// ---- visual selection --------------------------------------------------------------------------

void TSettingsFrm::btnVisualSelectionClick(TObject*) {
  std::string path = edtSource->Text();
  if (!FileExists(path)) {
    ShowMessage("This file does not exist!");
    return;
  }
  TSwfFileKind kind = sfkUnknown;
  try {
    kind = GetSwfFileKind(path);
  } catch (const Exception&) {
    kind = sfkUnknown;
  }
  if (kind == sfkUnknown) {
    ShowMessage("This is not a flash file!");
    return;
  }
  if (kind == sfkProjectorSwf || kind == sfkProjectorCompressedSwf) {
    // The extracted movie is not recorded in the job: it stays in the temporary folder.
    std::string extracted;
    try {
      extracted = ExtractSwfFromProjector(path);
    } catch (const Exception&) {
      extracted.clear();
    }
    if (extracted.empty()) {
      ShowMessage("Failed to convert exe to swf!");
      return;
    }
    path = extracted;
  }
  ShowVisualSelection(path, edtExportStart->Value(), edtExportEnd->Value());
}

}  // namespace lumicast
