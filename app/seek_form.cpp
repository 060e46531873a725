#include "app/seek_form.h"

#include <cstdint>
#include <limits>

#include "platform/classlib/messages.h"

namespace lumicast {

using namespace classlib;

TSeekFrm::TSeekFrm(TComponent* AOwner, TForm* MainForm, TShockwaveFlash* Player)
    : TForm(AOwner), PreviewPlayer(Player), main_form_(MainForm) {
  CreateComponents();
}

TSeekFrm::~TSeekFrm() { BeforeDestruction(); }

void TSeekFrm::CreateComponents() {
  SetCaption(" Seek");
  SetBorderStyle(bsDialog);
  Font()->SetName("Arial");
  SetClientSize(236, 44);

  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetBounds(8, 14, 72, 16);
  Label1->SetCaption("Go to frame:");

  edtFrameNumber = new TSpinEdit(this);
  edtFrameNumber->SetName("edtFrameNumber");
  edtFrameNumber->SetParent(this);
  edtFrameNumber->SetBounds(84, 11, 88, 22);
  // A spin edit clamps to its maximum whenever the two limits differ, so the maximum is set as
  // high as a frame number goes; left at 0 it would turn every entry into 0.
  edtFrameNumber->SetMaxValue(std::numeric_limits<int32_t>::max());
  edtFrameNumber->SetMinValue(1);
  edtFrameNumber->SetValue(1);
  edtFrameNumber->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) {
    edtFrameNumberKeyDown(s, k, sh);
  };

  btnAudioImport = new TSpeedButton(this);
  btnAudioImport->SetName("btnAudioImport");
  btnAudioImport->SetParent(this);
  btnAudioImport->SetBounds(180, 10, 48, 24);
  btnAudioImport->SetCaption("&Go!");
  btnAudioImport->OnClick = [this](TObject* s) { btnAudioImportClick(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
}

void TSeekFrm::FormShow(TObject*) {
  if (main_form_ == nullptr) return;
  SetLeft(main_form_->Left() + (main_form_->Width() - Width()) / 2);
  SetTop(main_form_->Top() + (main_form_->Height() - Height()) / 2);
}

void TSeekFrm::btnAudioImportClick(TObject*) {
  if (PreviewPlayer != nullptr) PreviewPlayer->GotoFrame(edtFrameNumber->Value());
  edtFrameNumber->SelectAll();
}

void TSeekFrm::edtFrameNumberKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE) {
    Key = 0;
    Close();
  } else if (Key == VK_RETURN) {
    Key = 0;
    btnAudioImportClick(btnAudioImport);
  }
}

}  // namespace lumicast
