// The codec dialog: the user picks the video codec of the job's file format
// and its quality, key-frame rate and bit rates (and, for MPEG, the aspect
// ratio). A window of our own through the class library; the form is owned
// by the application object and named "CodecDlg" while it is shown.
#include <string>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/string_list.h"
#include "platform/encoder/codec_table.h"
#include "platform/encoder/job.h"
#include "platform/encoder/mcl.h"

using namespace classlib;

namespace mcl {
namespace {

class TCodecDlg : public TForm {
 public:
  TCodecDlg(TComponent* AOwner, const Job& job) : TForm(AOwner), work_(job) {
    SetName("CodecDlg");
    SetCaption(job.fileFormat == kMclFormatMpeg ? "MPEG Compression" : "Video Compression");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 380, job.fileFormat == kMclFormatMpeg ? 290 : 260);
    codecs_ = AvailableCodecs(job.fileFormat);

    int y = 12;
    AddLabel("&Compressor:", y);
    cbxCodec = new TComboBox(this);
    cbxCodec->SetName("cbxCodec");
    cbxCodec->SetParent(this);
    cbxCodec->SetStyle(csDropDownList);
    cbxCodec->SetBounds(130, y, 230, 24);
    for (const CodecEntry& e : codecs_) cbxCodec->Items()->Add(e.description);
    cbxCodec->OnChange = [this](TObject*) { CodecChanged(); };

    y += 36;
    AddLabel("&Quality:", y);
    trbQuality = new TTrackBar(this);
    trbQuality->SetName("trbQuality");
    trbQuality->SetParent(this);
    trbQuality->SetMin(0);
    trbQuality->SetMax(100);
    trbQuality->SetFrequency(10);
    trbQuality->SetBounds(130, y, 190, 28);
    trbQuality->OnChange = [this](TObject*) { QualityChanged(); };
    labQuality = new TLabel(this);
    labQuality->SetName("labQuality");
    labQuality->SetParent(this);
    labQuality->SetBounds(328, y + 4, 36, 16);

    y += 36;
    AddLabel("&Key frame every:", y);
    speKeyFrame = AddSpin("speKeyFrame", y, 0, 9999);
    AddLabel("frames", y, 240);

    y += 32;
    AddLabel("&Data rate (kbit/s):", y);
    speBitRate = AddSpin("speBitRate", y, 0, 100000000);
    y += 32;
    AddLabel("Mi&nimum:", y);
    speMinBitRate = AddSpin("speMinBitRate", y, 0, 100000000);
    y += 32;
    AddLabel("Ma&ximum:", y);
    speMaxBitRate = AddSpin("speMaxBitRate", y, 0, 100000000);

    if (job.fileFormat == kMclFormatMpeg) {
      y += 32;
      AddLabel("&Aspect ratio:", y);
      cbxAspect = new TComboBox(this);
      cbxAspect->SetName("cbxAspect");
      cbxAspect->SetParent(this);
      cbxAspect->SetStyle(csDropDownList);
      cbxAspect->SetBounds(130, y, 150, 24);
      for (const char* a : {"1:1", "4:3", "16:9", "2.21:1"}) cbxAspect->Items()->Add(a);
    }

    y += 40;
    btnOK = new TButton(this);
    btnOK->SetName("btnOK");
    btnOK->SetParent(this);
    btnOK->SetCaption("OK");
    btnOK->SetBounds(190, y, 80, 26);
    btnOK->SetDefault(true);
    btnOK->SetModalResult(mrOk);
    btnCancel = new TButton(this);
    btnCancel->SetName("btnCancel");
    btnCancel->SetParent(this);
    btnCancel->SetCaption("Cancel");
    btnCancel->SetBounds(280, y, 80, 26);
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);

    // The job's current choice; an unknown codec shows the first one.
    int index = 0;
    for (size_t i = 0; i < codecs_.size(); ++i)
      if (codecs_[i].fourCC == job.codec) index = int(i);
    if (!codecs_.empty()) cbxCodec->SetItemIndex(index);
    ShowValues();
  }

  // Copies the dialog's values into the job.
  void Store(Job& job) const {
    const int i = cbxCodec->ItemIndex();
    if (i >= 0 && size_t(i) < codecs_.size()) job.codec = codecs_[size_t(i)].fourCC;
    job.quality = trbQuality->Position();
    job.keyFrameRate = speKeyFrame->Value();
    job.bitRate = speBitRate->Value();
    job.minBitRate = speMinBitRate->Value();
    job.maxBitRate = speMaxBitRate->Value();
    if (cbxAspect && cbxAspect->ItemIndex() >= 0) job.aspect = cbxAspect->ItemIndex() + 1;
    job.preset = nullptr;
  }

  TComboBox* cbxCodec = nullptr;
  TTrackBar* trbQuality = nullptr;
  TLabel* labQuality = nullptr;
  TSpinEdit* speKeyFrame = nullptr;
  TSpinEdit* speBitRate = nullptr;
  TSpinEdit* speMinBitRate = nullptr;
  TSpinEdit* speMaxBitRate = nullptr;
  TComboBox* cbxAspect = nullptr;
  TButton* btnOK = nullptr;
  TButton* btnCancel = nullptr;

 private:
  void AddLabel(const std::string& text, int y, int x = 12) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(x, y + 4, 116, 16);
  }

  TSpinEdit* AddSpin(const std::string& name, int y, int lo, int hi) {
    auto* s = new TSpinEdit(this);
    s->SetName(name);
    s->SetParent(this);
    s->SetMinValue(lo);
    s->SetMaxValue(hi);
    s->SetBounds(130, y, 100, 24);
    return s;
  }

  // A newly picked codec brings its own defaults.
  void CodecChanged() {
    const int i = cbxCodec->ItemIndex();
    if (i < 0 || size_t(i) >= codecs_.size()) return;
    work_.codec = codecs_[size_t(i)].fourCC;
    const int32_t aspect = work_.aspect;
    work_.ApplyCodecDefaults();
    work_.aspect = aspect;
    ShowValues();
  }

  void ShowValues() {
    trbQuality->SetPosition(int(work_.quality + 0.5));
    speKeyFrame->SetValue(work_.keyFrameRate);
    speBitRate->SetValue(work_.bitRate);
    speMinBitRate->SetValue(work_.minBitRate);
    speMaxBitRate->SetValue(work_.maxBitRate);
    if (cbxAspect) cbxAspect->SetItemIndex(work_.aspect - 1);
    QualityChanged();
    // Only the settings the codec uses can be changed.
    const int i = cbxCodec->ItemIndex();
    const CodecEntry* e = (i >= 0 && size_t(i) < codecs_.size()) ? &codecs_[size_t(i)] : nullptr;
    const bool lossy = e && !e->lossless;
    trbQuality->SetEnabled(lossy && !e->usesBitRate);
    speKeyFrame->SetEnabled(lossy && !e->intraOnly);
    speBitRate->SetEnabled(lossy && e->usesBitRate);
    speMinBitRate->SetEnabled(lossy && e->usesBitRate);
    speMaxBitRate->SetEnabled(lossy && e->usesBitRate);
  }

  void QualityChanged() { labQuality->SetCaption(std::to_string(trbQuality->Position())); }

  Job work_;
  std::vector<CodecEntry> codecs_;
};

}  // namespace
}  // namespace mcl

int32_t MclVideoHasCodecDlg(MclHandle handle) {
  const mcl::Job* job = mcl::FindAs<mcl::Job>(handle);
  if (!job) return 0;
  return mcl::AvailableCodecs(job->fileFormat).empty() ? 0 : -1;
}

int32_t MclVideoShowCodecDlg(MclHandle handle) {
  mcl::Job* job = mcl::FindAs<mcl::Job>(handle);
  if (!job || mcl::AvailableCodecs(job->fileFormat).empty()) return 0;
  auto* dlg = new mcl::TCodecDlg(Application, *job);
  TModalResult result = mrCancel;
  try {
    result = dlg->ShowModal();
  } catch (...) {
    delete dlg;
    throw;
  }
  // The job may have been freed while the dialog's messages ran.
  job = mcl::FindAs<mcl::Job>(handle);
  if (result == mrOk && job) dlg->Store(*job);
  delete dlg;
  return result == mrOk && job ? -1 : 0;
}
