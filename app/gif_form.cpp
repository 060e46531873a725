#include "app/gif_form.h"

#include "app/interact_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/stream.h"

namespace lumicast {

using namespace classlib;

TGIFFrm::TGIFFrm(TComponent* AOwner, TInteractFrm* Conversion)
    : TForm(AOwner), conversion_(Conversion) {
  CreateComponents();
}

TGIFFrm::~TGIFFrm() { BeforeDestruction(); }

void TGIFFrm::CreateComponents() {
  SetCaption("Please waiting...");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetColor(clWhite);
  SetClientSize(244, 70);
  SetKeyPreview(true);

  imgBusy = new TImage(this);
  imgBusy->SetParent(this);
  imgBusy->SetBounds(16, 19, 32, 32);
  imgBusy->SetTransparent(true);
  // The busy picture is a GIF the picture registry reads as the optimising class, animated
  // with the default draw options.
  TResourceData res;
  if (FindResource("GIFFRM_BUSY", res)) {
    auto busy = std::make_unique<TGIFImageEx>();
    TMemoryStream m;
    m.Write(res.Data, static_cast<int64_t>(res.Size));
    m.SetPosition(0);
    busy->LoadFromStream(&m);
    busy->DrawOptions = gifex::kGIFDefaultDrawOptions;
    imgBusy->Picture()->SetGraphic(busy.get());
  }

  labMsg = new TLabel(this);
  labMsg->SetParent(this);
  labMsg->SetBounds(64, 27, 170, 16);

  Timer = new TTimer(this);
  Timer->SetEnabled(false);
  Timer->SetInterval(500);
  Timer->SetOnTimer([this](TObject* s) { TimerTimer(s); });

  OnShow = [this](TObject* s) { FormShow(s); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

void TGIFFrm::FormShow(TObject*) {
  if (conversion_ != nullptr) {
    SetLeft(conversion_->Left() + (conversion_->Width() - Width()) / 2);
    SetTop(conversion_->Top() + (conversion_->Height() - Height()) / 2);
  }
  auto progress = [this](TObject* s, TProgressStage st, uint8_t p, bool, const TRect&,
                         const std::string& m) { PictureProgress(s, st, p, m); };
  if (GifImage != nullptr) GifImage->OnProgress = progress;
  if (Optimizer != nullptr) Optimizer->OnProgress = progress;
  labMsg->SetCaption("Encoding GIF frames...");
  working_ = true;
  Timer->SetEnabled(true);
}

void TGIFFrm::PictureProgress(TObject*, TProgressStage, uint8_t, const std::string&) {
  Application->ProcessMessages();
}

void TGIFFrm::FormCloseQuery(TObject*, bool& CanClose) {
  // The files are being written: closing now would leave the job without its result.
  if (working_) CanClose = false;
}

void TGIFFrm::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE && working_) Key = 0;
}

void TGIFFrm::TimerTimer(TObject*) {
  Timer->SetEnabled(false);
  TModalResult result = 1;
  try {
    if (GifImage == nullptr) throw EInvalidOperation("No GIF to write");
    GifImage->EncodePendingFrames();
    // Both saves write beside the file and rename it over the target once complete, so a
    // failure of the optimisation leaves the file as first saved.
    GifImage->SaveToFile(OutputPath);
    if (conversion_ != nullptr && conversion_->mniOptimizeGif->Checked() && Optimizer != nullptr) {
      // The optimiser works from the saved file: the frames written are not needed beside it.
      GifImage->Assign(nullptr);
      labMsg->SetCaption("Optimizing GIF frames...");
      Optimizer->LoadFromFile(OutputPath);
      Optimizer->Optimize(0x1F, 0, 0, 8);
      labMsg->SetCaption("Saving GIF frames...");
      Optimizer->SaveToFile(OutputPath);
    }
    labMsg->SetCaption("Finished!");
  } catch (...) {
    result = 2;
  }
  working_ = false;
  if (GifImage != nullptr) GifImage->OnProgress = nullptr;
  if (Optimizer != nullptr) {
    Optimizer->OnProgress = nullptr;
  }
  if (auto* busy = dynamic_cast<TGIFImageEx*>(imgBusy->Picture()->Graphic())) busy->StopDraw();
  SetModalResult(result);
}

}  // namespace lumicast
