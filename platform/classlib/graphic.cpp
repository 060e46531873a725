#include "platform/classlib/graphic.h"

#include "platform/classlib/atomic_file.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

namespace classlib {

void TGraphic::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  Changed(this);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&fs);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TAtomicFileStream fs(FileName);
  SaveToStream(&fs);
  fs.Commit();
}

void TGraphic::SaveToClipboardFormat(TClipboardFormat, TClipboardData&) {
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::LoadFromClipboardFormat(TClipboardFormat, const TClipboardData&) {
  throw EInvalidGraphic("Unsupported clipboard format");
}

bool TGraphic::Equals(TGraphic* Graphic) {
  if (!Graphic) return false;
  if (Graphic == this) return true;
  if (ClassName() != Graphic->ClassName()) return false;
  if (Empty() || Graphic->Empty()) return Empty() && Graphic->Empty();
  TMemoryStream a, b;
  SaveToStream(&a);
  Graphic->SaveToStream(&b);
  return a.Bytes() == b.Bytes();
}

void TGraphic::Changed(TObject* Sender) {
  modified_ = true;
  if (OnChange) OnChange(Sender ? Sender : this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                        const TRect& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

}  // namespace classlib
