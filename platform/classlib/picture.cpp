#include "platform/classlib/picture.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/icon.h"

namespace classlib {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string NormalExt(const std::string& e) {
  std::string s = e;
  if (!s.empty() && s[0] == '.') s.erase(0, 1);
  return Lower(s);
}

struct Registry {
  std::mutex mutex;
  std::vector<TPicture::TFileFormat> files;  // in registration order
  std::map<TClipboardFormat, TGraphicClass> clipboard;

  Registry() {
    files.push_back({"bmp", "Bitmaps", GraphicClassOf<TBitmap>()});
    files.push_back({"ico", "Icons", GraphicClassOf<TIcon>()});
    clipboard[CF_BITMAP] = GraphicClassOf<TBitmap>();
  }
};

Registry& Reg() {
  static Registry r;
  return r;
}

// The file name's extension without the dot ("" when none).
std::string ExtOf(const std::string& FileName) {
  size_t slash = FileName.find_last_of('/');
  size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(FileName.substr(dot + 1));
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                  TGraphicClass GraphicClass) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string ext = NormalExt(Extension);
  r.files.erase(std::remove_if(r.files.begin(), r.files.end(),
                               [&](const TFileFormat& f) { return f.Extension == ext; }),
                r.files.end());
  r.files.push_back({ext, Description, GraphicClass});
}

void TPicture::RegisterClipboardFormat(TClipboardFormat Format, TGraphicClass GraphicClass) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.clipboard[Format] = GraphicClass;
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.files.erase(
      std::remove_if(r.files.begin(), r.files.end(),
                     [&](const TFileFormat& f) { return f.GraphicClass == GraphicClass; }),
      r.files.end());
  for (auto it = r.clipboard.begin(); it != r.clipboard.end();)
    it = it->second == GraphicClass ? r.clipboard.erase(it) : std::next(it);
}

TGraphicClass TPicture::FileFormatClass(const std::string& Extension) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::string ext = NormalExt(Extension);
  for (const auto& f : r.files)
    if (f.Extension == ext) return f.GraphicClass;
  return nullptr;
}

TGraphicClass TPicture::ClipboardFormatClass(TClipboardFormat Format) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.clipboard.find(Format);
  return it == r.clipboard.end() ? nullptr : it->second;
}

std::vector<TPicture::TFileFormat> TPicture::FileFormats() {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.files;
}

bool TPicture::SupportsClipboardFormat(TClipboardFormat Format) {
  return ClipboardFormatClass(Format) != nullptr;
}

void TPicture::Changed(TObject* Sender) {
  if (OnChange) OnChange(Sender ? Sender : this);
}

void TPicture::Adopt(TGraphic* NewGraphic) {
  graphic_.reset(NewGraphic);
  if (graphic_) {
    graphic_->OnChange = [this](TObject* s) { Changed(s); };
    graphic_->OnProgress = [this](TObject* s, TProgressStage st, uint8_t pct, bool redraw,
                                  const TRect& r, const std::string& msg) {
      if (OnProgress) OnProgress(s, st, pct, redraw, r, msg);
    };
  }
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    Adopt(nullptr);
    Changed(this);
    return;
  }
  if (Value == graphic_.get()) return;
  // A new graphic of the same class, then a copy of the value.
  TGraphic* copy = nullptr;
  if (dynamic_cast<TBitmap*>(Value))
    copy = new TBitmap();
  else if (dynamic_cast<TIcon*>(Value))
    copy = new TIcon();
  else {
    for (const auto& f : FileFormats()) {
      std::unique_ptr<TGraphic> probe(f.GraphicClass());
      if (probe->ClassName() == Value->ClassName()) {
        copy = probe.release();
        break;
      }
    }
  }
  if (!copy) throw EInvalidGraphic("Cannot assign a " + Value->ClassName() + " to a TPicture");
  std::unique_ptr<TGraphic> holder(copy);
  holder->Assign(Value);
  Adopt(holder.release());
  Changed(this);
}

void TPicture::SetBitmap(TBitmap* Value) { SetGraphic(Value); }

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
  Adopt(new TBitmap());
  Changed(this);
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (auto* i = dynamic_cast<TIcon*>(graphic_.get())) return i;
  Adopt(new TIcon());
  Changed(this);
  return static_cast<TIcon*>(graphic_.get());
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& FileName) {
  std::string ext = ExtOf(FileName);
  TGraphicClass cls = FileFormatClass(ext);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g(cls());
  g->OnProgress = OnProgress;
  g->LoadFromFile(FileName);
  Adopt(g.release());
  Changed(this);
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (graphic_) graphic_->SaveToFile(FileName);
}

void TPicture::LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) {
  TGraphicClass cls = ClipboardFormatClass(Format);
  if (!cls) throw EInvalidGraphic("Unsupported clipboard format");
  std::unique_ptr<TGraphic> g(cls());
  g->LoadFromClipboardFormat(Format, Data);
  Adopt(g.release());
  Changed(this);
}

void TPicture::SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data) {
  if (graphic_) graphic_->SaveToClipboardFormat(Format, Data);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(Source);
}

std::string GraphicFilter(TGraphicClass GraphicClass) {
  std::string masks, parts;
  int n = 0;
  for (const auto& f : TPicture::FileFormats()) {
    if (GraphicClass && f.GraphicClass != GraphicClass) continue;
    std::string m = "*." + f.Extension;
    masks += (n ? ";" : "") + m;
    parts += "|" + f.Description + " (" + m + ")|" + m;
    ++n;
  }
  if (n == 0) return "";
  if (n == 1) return parts.substr(1);
  return "All (" + masks + ")|" + masks + parts;
}

std::string GraphicExtension(TGraphicClass GraphicClass) {
  for (const auto& f : TPicture::FileFormats())
    if (f.GraphicClass == GraphicClass) return f.Extension;
  return "";
}

std::string GraphicFileMask(TGraphicClass GraphicClass) {
  std::string out;
  for (const auto& f : TPicture::FileFormats())
    if (f.GraphicClass == GraphicClass) out += (out.empty() ? "*." : ";*.") + f.Extension;
  return out;
}

}  // namespace classlib
