#include "app/select_form.h"

#include <algorithm>

#include "app/form_controls.h"
#include "app/rgn_select.h"
#include "app/settings_form.h"
#include "app/shockwave_flash_ex.h"
#include "controls/rx_slider.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/picture.h"

namespace lumicast {

using namespace classlib;
using controls::TRxSlider;

namespace {

class TUpdating {
 public:
  explicit TUpdating(int& Counter) : counter_(Counter) { ++counter_; }
  ~TUpdating() { --counter_; }
  TUpdating(const TUpdating&) = delete;
  TUpdating& operator=(const TUpdating&) = delete;

 private:
  int& counter_;
};

int32_t ClampSize(int32_t Value) { return std::clamp<int32_t>(Value, 1, kMaxSelectSize); }

}  // namespace

TSelectFrm::TSelectFrm(TComponent* AOwner, TSettingsFrm* Settings)
    : TForm(AOwner), settings_(Settings) {
  CreateComponents();
}

TSelectFrm::~TSelectFrm() {
  BeforeDestruction();
  // The player goes before the bitmap; failures on the way out are of no
  // interest.
  try {
    delete Flash;
  } catch (...) {
  }
  Flash = nullptr;
  RenderBitmap.reset();
}

void TSelectFrm::CreateComponents() {
  SetName("SelectFrm");
  SetCaption("Visual Selection");
  SetBorderIcons(biSystemMenu | biMaximize);
  SetBounds(0, 0, 666, 445);
  SetWindowState(wsMaximized);

  mnuMain = new TMainMenu(this);
  mniApply = new TMenuItem(this);
  mniApply->SetCaption("&Apply");
  mniApply->OnClick = [this](TObject* s) { mniApplyClick(s); };
  mnuMain->Items()->Add(mniApply);
  mniCancel = new TMenuItem(this);
  mniCancel->SetCaption("&Cancel");
  mniCancel->OnClick = [this](TObject* s) { mniCancelClick(s); };
  mnuMain->Items()->Add(mniCancel);
  SetMenu(mnuMain);

  stbSelect = new TStatusBar(this);
  stbSelect->SetName("stbSelect");
  stbSelect->SetParent(this);
  TStatusPanel* tips = stbSelect->Panels()->Add();
  tips->SetText("Tips");
  tips->SetWidth(40);
  stbSelect->Panels()->Add()->SetText(
      "Resize and move the dashed rectangle to select the converted area.");

  panControls = new TPanel(this);
  panControls->SetName("panControls");
  panControls->SetParent(this);
  panControls->SetBevelOuter(bvNone);
  panControls->SetHeight(96);
  panControls->SetAlign(alBottom);

  constexpr TAnchors kStretch = akLeft | akTop | akRight;
  labCurrentFrame =
      MakeRowLabel(this, panControls, "labCurrentFrame", 8, 8, "Seek a frame for preview:");
  edtCurrentFrame = MakeControl<TSpinEdit>(this, panControls, "edtCurrentFrame", 150, 8, 64, 22);
  labTotalFrame = MakeRowLabel(this, panControls, "labTotalFrame", 220, 8, "0");
  trkCurrentFrame = MakeControl<TRxSlider>(this, panControls, "trkCurrentFrame", 270, 4, 380, 30);
  trkCurrentFrame->SetAnchors(kStretch);

  labStartFrame = MakeRowLabel(this, panControls, "labStartFrame", 8, 38, "Export start at:");
  edtStartFrame = MakeControl<TSpinEdit>(this, panControls, "edtStartFrame", 96, 38, 64, 22);
  trkStartFrame = MakeControl<TRxSlider>(this, panControls, "trkStartFrame", 164, 34, 150, 30);
  labEndFrame = MakeRowLabel(this, panControls, "labEndFrame", 324, 38, "Export end at:");
  edtEndFrame = MakeControl<TSpinEdit>(this, panControls, "edtEndFrame", 406, 38, 64, 22);
  labEndFrameUnit = MakeRowLabel(this, panControls, "labEndFrameUnit", 474, 38, "frame");
  trkEndFrame = MakeControl<TRxSlider>(this, panControls, "trkEndFrame", 506, 34, 144, 30);
  trkEndFrame->SetAnchors(kStretch);

  labCropX = MakeRowLabel(this, panControls, "labCropX", 8, 68, "X:");
  edtExportCropX = MakeControl<TSpinEdit>(this, panControls, "edtExportCropX", 26, 68, 60, 22);
  labCropY = MakeRowLabel(this, panControls, "labCropY", 94, 68, "Y:");
  edtExportCropY = MakeControl<TSpinEdit>(this, panControls, "edtExportCropY", 112, 68, 60, 22);
  labCropW = MakeRowLabel(this, panControls, "labCropW", 180, 68, "W:");
  edtExportCropW = MakeControl<TSpinEdit>(this, panControls, "edtExportCropW", 200, 68, 60, 22);
  labCropH = MakeRowLabel(this, panControls, "labCropH", 268, 68, "H:");
  edtExportCropH = MakeControl<TSpinEdit>(this, panControls, "edtExportCropH", 286, 68, 60, 22);
  btnSelectAll = MakeControl<TButton>(this, panControls, "btnSelectAll", 356, 67, 90, 24);
  btnSelectAll->SetCaption("&Select All");
  btnSelectAll->OnClick = [this](TObject* s) { btnSelectAllClick(s); };

  for (TRxSlider* s : {trkCurrentFrame, trkStartFrame, trkEndFrame}) {
    s->SetMinValue(1);
    s->OnMouseUp = [this](TObject* sender, TMouseButton, TShiftState, int, int) {
      trkFrameMouseUp(sender);
    };
  }
  for (TSpinEdit* e : {edtCurrentFrame, edtStartFrame, edtEndFrame})
    e->OnChange = [this](TObject* s) { edtFrameChange(s); };
  for (TSpinEdit* e : {edtExportCropX, edtExportCropY, edtExportCropW, edtExportCropH}) {
    e->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { edtCropKeyDown(s, k, sh); };
    e->OnExit = [this](TObject* s) { edtCropExit(s); };
  }

  scbSelect = new TScrollBox(this);
  scbSelect->SetName("scbSelect");
  scbSelect->SetParent(this);
  scbSelect->SetColor(clWhite);
  scbSelect->SetAlign(alClient);

  mnuSelect = new TPopupMenu(this);
  mniSelectAll = new TMenuItem(this);
  mniSelectAll->SetCaption("Select &All");
  mniSelectAll->OnClick = [this](TObject* s) { btnSelectAllClick(s); };
  mnuSelect->Items()->Add(mniSelectAll);

  RgnSelect = new TRgnSelect(this);
  RgnSelect->SetName("RgnSelect");
  RgnSelect->SetParent(scbSelect);
  RgnSelect->SetColor(clBlack);
  RgnSelect->SetEditMode(true);
  RgnSelect->SetHint("Right click to show pop-up menu.");
  RgnSelect->SetShowHint(true);
  RgnSelect->SetPopupMenu(mnuSelect);
  RgnSelect->OnEdited = [this](TObject* s, int l, int t, int w, int h) {
    RgnSelectEdited(s, l, t, w, h);
  };

  panSelect = new TPanel(this);
  panSelect->SetName("panSelect");
  panSelect->SetParent(scbSelect);
  panSelect->SetBevelOuter(bvNone);
  panSelect->OnResize = [this](TObject*) {
    // The player takes the focus back after its panel changed size.
    if (!Showing()) return;
    if (scbSelect->CanFocus()) scbSelect->SetFocus();
    if (Flash != nullptr && Flash->CanFocus()) Flash->SetFocus();
  };

  RenderBitmap = std::make_unique<TBitmap>();
  RenderBitmap->SetPixelFormat(pf24bit);
  Flash = new TShockwaveFlashEx(nullptr);
  Flash->SetParent(panSelect);
  Flash->SetAlign(alClient);
  Flash->SetVisible(true);
  Flash->SetMovie(" ");

  OnShow = [this](TObject* s) { FormShow(s); };
}

TSpinEdit* TSelectFrm::EditOf(TRxSlider* Slider) const {
  if (Slider == trkStartFrame) return edtStartFrame;
  if (Slider == trkEndFrame) return edtEndFrame;
  return edtCurrentFrame;
}

TRxSlider* TSelectFrm::SliderOf(TSpinEdit* Edit) const {
  if (Edit == edtStartFrame) return trkStartFrame;
  if (Edit == edtEndFrame) return trkEndFrame;
  return trkCurrentFrame;
}

void TSelectFrm::SetFrameControls(TSpinEdit* Edit, TRxSlider* Slider, int32_t Value) {
  TUpdating guard(updating_);
  Edit->SetValue(Value);
  Slider->SetValue(Value);
}

void TSelectFrm::FormShow(TObject*) {
  if (settings_ != nullptr) CenterOn(settings_);
  Flash->SetMovie(" ");
  Flash->SetMovie(MoviePath);
  FrameCount = std::max<int32_t>(0, Flash->TotalFrames());
  labTotalFrame->SetCaption(std::to_string(FrameCount));
  for (TRxSlider* s : {trkCurrentFrame, trkStartFrame, trkEndFrame}) {
    // A slider cannot have its maximum at its minimum: a one-frame movie keeps
    // two steps, and the frame shown is limited by the movie's frame count
    // instead.
    try {
      s->SetMaxValue(std::max<int32_t>(FrameCount, 2));
    } catch (const Exception&) {
    }
  }
  SetFrameControls(edtCurrentFrame, trkCurrentFrame, 1);
  SetFrameControls(edtStartFrame, trkStartFrame, 1);
  edtStartFrame->SetValue(StartFrame);  // each change shows its frame
  SetFrameControls(edtEndFrame, trkEndFrame, 1);
  edtEndFrame->SetValue(EndFrame);

  int32_t w = 320, h = 240;
  if (settings_ != nullptr) {
    edtExportCropX->SetValue(settings_->edtExportCropX->Value());
    edtExportCropY->SetValue(settings_->edtExportCropY->Value());
    edtExportCropW->SetValue(settings_->edtExportCropW->Value());
    edtExportCropH->SetValue(settings_->edtExportCropH->Value());
    w = ClampSize(settings_->edtExportWidth->Value());
    h = ClampSize(settings_->edtExportHeight->Value());
  }
  RgnSelect->SetBounds(0, 0, w, h);
  RgnSelect->SetSelectionX(edtExportCropX->Value());
  RgnSelect->SetSelectionY(edtExportCropY->Value());
  RgnSelect->SetSelectionW(edtExportCropW->Value());
  RgnSelect->SetSelectionH(edtExportCropH->Value());

  panSelect->SetBounds(-(w + 1), -(h + 1), w, h);
  Flash->SetBounds(0, 0, w, h);

  RgnSelect->SetBgPicture(nullptr);
  RgnSelect->Repaint();
  ShowFrame(trkCurrentFrame->Value());
}

bool TSelectFrm::RenderFrame(int32_t N) {
  if (N < 0) return false;
  try {
    RenderBitmap->SetSize(Flash->Width(), Flash->Height());
    Flash->GotoFrame(N);
    Flash->StopPlay();
    panSelect->PaintTo(RenderBitmap->Canvas(), 0, 0);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

int32_t TSelectFrm::ShowFrame(int32_t N) {
  const int32_t limited = std::clamp<int32_t>(N, 1, std::max<int32_t>(FrameCount, 1));
  // A movie the player cannot show has nothing to put behind the selection.
  if (FrameCount <= 0) return limited;
  try {
    if (RenderFrame(limited)) {
      TPicture picture;
      picture.SetBitmap(RenderBitmap.get());
      RgnSelect->SetBgPicture(&picture);
      RgnSelect->Repaint();
    }
  } catch (const Exception&) {
  }
  return limited;
}

void TSelectFrm::edtFrameChange(TObject* Sender) {
  if (updating_ > 0) return;
  auto* edit = dynamic_cast<TSpinEdit*>(Sender);
  if (edit == nullptr) return;
  const int32_t shown = ShowFrame(edit->Value());
  TUpdating guard(updating_);
  SliderOf(edit)->SetValue(shown);
}

void TSelectFrm::trkFrameMouseUp(TObject* Sender) {
  auto* slider = dynamic_cast<TRxSlider*>(Sender);
  if (slider == nullptr) return;
  const int32_t shown = ShowFrame(slider->Value());
  TUpdating guard(updating_);
  EditOf(slider)->SetValue(shown);
}

void TSelectFrm::SetSelectionFromEdit(TObject* Edit) {
  try {
    if (Edit == edtExportCropX) RgnSelect->SetSelectionX(edtExportCropX->Value());
    if (Edit == edtExportCropY) RgnSelect->SetSelectionY(edtExportCropY->Value());
    if (Edit == edtExportCropW) RgnSelect->SetSelectionW(edtExportCropW->Value());
    if (Edit == edtExportCropH) RgnSelect->SetSelectionH(edtExportCropH->Value());
  } catch (const Exception&) {
  }
}

void TSelectFrm::edtCropKeyDown(TObject* Sender, uint16_t& Key, TShiftState) {
  if (Key == VK_RETURN) SetSelectionFromEdit(Sender);
}

void TSelectFrm::edtCropExit(TObject* Sender) { SetSelectionFromEdit(Sender); }

void TSelectFrm::RgnSelectEdited(TObject*, int L, int T, int W, int H) {
  edtExportCropX->SetValue(L);
  edtExportCropY->SetValue(T);
  edtExportCropW->SetValue(W);
  edtExportCropH->SetValue(H);
}

void TSelectFrm::btnSelectAllClick(TObject*) {
  const int w = RgnSelect->Width(), h = RgnSelect->Height();
  RgnSelect->SetSelectionX(0);
  RgnSelect->SetSelectionY(0);
  RgnSelect->SetSelectionW(w);
  RgnSelect->SetSelectionH(h);
  RgnSelectEdited(RgnSelect, 0, 0, w, h);
}

void TSelectFrm::mniApplyClick(TObject*) {
  if (settings_ != nullptr) {
    settings_->edtExportCropX->SetValue(edtExportCropX->Value());
    settings_->edtExportCropY->SetValue(edtExportCropY->Value());
    settings_->edtExportCropW->SetValue(edtExportCropW->Value());
    settings_->edtExportCropH->SetValue(edtExportCropH->Value());
    if (edtEndFrame->Value() < edtStartFrame->Value()) {
      TUpdating guard(updating_);
      edtEndFrame->SetValue(edtStartFrame->Value());
    }
    settings_->edtExportStart->SetValue(edtStartFrame->Value());
    settings_->edtExportEnd->SetValue(edtEndFrame->Value());
  }
  SetModalResult(mrOk);
}

void TSelectFrm::mniCancelClick(TObject*) { SetModalResult(mrCancel); }

// ---- the settings dialog's side
// ----------------------------------------------------------------

TSelectFrm* TSettingsFrm::SelectForm() {
  if (select_form_ == nullptr) select_form_ = new TSelectFrm(this, this);
  return select_form_;
}

void TSettingsFrm::ShowVisualSelection(const std::string& Path, int32_t StartFrame,
                                       int32_t EndFrame) {
  TSelectFrm* form = SelectForm();
  form->MoviePath = Path;
  form->StartFrame = StartFrame;
  form->EndFrame = EndFrame;
  form->ShowModal();
}

}  // namespace lumicast
