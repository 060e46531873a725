#include "app/audio_format_form.h"

#include <initializer_list>

#include "app/codec_settings.h"

namespace lumicast {

using namespace classlib;

namespace {

TComboBox* AddList(TWinControl* Parent, int Top, const char* Caption,
                   std::initializer_list<const char*> Items, const char* Name) {
  auto* label = new TLabel(Parent->Owner());
  label->SetParent(Parent);
  label->SetBounds(10, Top + 3, 70, 16);
  label->SetCaption(Caption);
  auto* list = new TComboBox(Parent->Owner());
  list->SetName(Name);
  list->SetParent(Parent);
  list->SetStyle(csDropDownList);
  list->SetBounds(86, Top, 100, 24);
  for (const char* item : Items) list->Items()->Add(item);
  return list;
}

}  // namespace

TAudioFormatFrm::TAudioFormatFrm(TComponent* AOwner) : TForm(AOwner) { CreateComponents(); }

TAudioFormatFrm::~TAudioFormatFrm() { BeforeDestruction(); }

void TAudioFormatFrm::CreateComponents() {
  SetName("AudioFormatFrm");
  SetCaption("Audio Format Settings");
  SetBorderStyle(bsDialog);
  SetClientSize(414, 168);

  grpWave = new TGroupBox(this);
  grpWave->SetParent(this);
  grpWave->SetBounds(8, 8, 196, 118);
  grpWave->SetCaption("Wave Format");
  cbxWavChannel = AddList(grpWave, 22, "Channel:", {"MONO", "STEREO"}, "cbxWavChannel");
  cbxWavBits = AddList(grpWave, 52, "Sample Bits:", {"8 bits", "16 bits"}, "cbxWavBits");
  cbxWavFreq = AddList(grpWave, 82, "Sample Rate:", {"44100", "22050", "11025"}, "cbxWavFreq");

  grpMP3 = new TGroupBox(this);
  grpMP3->SetParent(this);
  grpMP3->SetBounds(210, 8, 196, 118);
  grpMP3->SetCaption("MP3 Format");
  cbxMP3Channel = AddList(grpMP3, 22, "Channel:", {"MONO", "STEREO", "JSTEREO", "DUALCHANNEL"},
                          "cbxMP3Channel");
  cbxMP3BitRate = AddList(
      grpMP3, 52, "Bitrate:",
      {"96kb/s", "112kb/s", "128kb/s", "160kb/s", "192kb/s", "224kb/s", "256kb/s", "320kb/s"},
      "cbxMP3BitRate");

  btnOK = new TButton(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(this);
  btnOK->SetBounds(244, 134, 75, 25);
  btnOK->SetCaption("&OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this](TObject* s) { btnOKClick(s); };
  btnCancel = new TButton(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(this);
  btnCancel->SetBounds(331, 134, 75, 25);
  btnCancel->SetCaption("&Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this](TObject* s) { btnCancelClick(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
}

void TAudioFormatFrm::FormShow(TObject*) {
  if (Opener != nullptr) CenterOn(Opener);
  if (Job == nullptr) return;
  ResetAudioFormatIndices(*Job);
  cbxWavChannel->SetItemIndex(Job->adoWavChannel);
  cbxWavBits->SetItemIndex(Job->adoWavBits);
  cbxWavFreq->SetItemIndex(Job->adoWavFreq);
  cbxMP3Channel->SetItemIndex(Job->adoMp3Channel);
  cbxMP3BitRate->SetItemIndex(Job->adoMp3BitRate);
}

void TAudioFormatFrm::btnOKClick(TObject*) {
  if (Job != nullptr) {
    // A list left without a choice keeps the job's value.
    auto take = [](TComboBox* list, int32_t& field) {
      if (list->ItemIndex() >= 0) field = list->ItemIndex();
    };
    take(cbxWavChannel, Job->adoWavChannel);
    take(cbxWavBits, Job->adoWavBits);
    take(cbxWavFreq, Job->adoWavFreq);
    take(cbxMP3Channel, Job->adoMp3Channel);
    take(cbxMP3BitRate, Job->adoMp3BitRate);
  }
  SetModalResult(mrOk);
}

void TAudioFormatFrm::btnCancelClick(TObject*) { SetModalResult(mrCancel); }

}  // namespace lumicast
