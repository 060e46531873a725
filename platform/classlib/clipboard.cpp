#include "platform/classlib/clipboard.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <map>
#include <mutex>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/stream.h"

namespace classlib {

namespace {

struct FormatNames {
  std::mutex mutex;
  std::map<std::string, TClipboardFormat> byName;
  std::map<TClipboardFormat, std::string> byFormat;
};

FormatNames& Names() {
  static FormatNames n;
  return n;
}

const char* const kBmpMime = "image/bmp";

QString MimeOf(TClipboardFormat f) {
  std::string name = GetClipboardFormatName(f);
  if (name.empty()) return QString();
  return QStringLiteral("application/x-clipboard-format-") +
         QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(name.c_str())));
}

QClipboard* System() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                      : nullptr;
}

// Every format of the current clipboard content as bytes.
TClipboardData ReadAll() {
  TClipboardData data;
  QClipboard* cb = System();
  if (!cb) return data;
  const QMimeData* md = cb->mimeData();
  if (!md) return data;
  if (md->hasText()) {
    QByteArray t = md->text().toUtf8();
    data[CF_TEXT] = std::vector<uint8_t>(t.begin(), t.end());
    data[CF_UNICODETEXT] = data[CF_TEXT];
  }
  if (md->hasFormat(kBmpMime)) {
    QByteArray b = md->data(kBmpMime);
    data[CF_BITMAP] = std::vector<uint8_t>(b.begin(), b.end());
  } else if (md->hasImage()) {
    QImage img = qvariant_cast<QImage>(md->imageData());
    if (!img.isNull()) {
      TBitmap bmp;
      QImageToBitmap(img, bmp);
      TMemoryStream ms;
      bmp.SaveToStream(&ms);
      data[CF_BITMAP] = ms.Bytes();
    }
  }
  if (data.count(CF_BITMAP)) data[CF_DIB] = data[CF_BITMAP];
  std::lock_guard<std::mutex> lock(Names().mutex);
  for (const auto& [fmt, name] : Names().byFormat) {
    (void)name;
    QString mime = QStringLiteral("application/x-clipboard-format-") +
                   QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(name.c_str())));
    if (md->hasFormat(mime)) {
      QByteArray b = md->data(mime);
      data[fmt] = std::vector<uint8_t>(b.begin(), b.end());
    }
  }
  return data;
}

}  // namespace

TClipboardFormat RegisterClipboardFormat(const std::string& Name) {
  if (Name.empty()) return 0;
  FormatNames& n = Names();
  std::lock_guard<std::mutex> lock(n.mutex);
  auto it = n.byName.find(Name);
  if (it != n.byName.end()) return it->second;
  TClipboardFormat f = static_cast<TClipboardFormat>(0xC000 + n.byName.size());
  n.byName[Name] = f;
  n.byFormat[f] = Name;
  return f;
}

std::string GetClipboardFormatName(TClipboardFormat Format) {
  FormatNames& n = Names();
  std::lock_guard<std::mutex> lock(n.mutex);
  auto it = n.byFormat.find(Format);
  return it == n.byFormat.end() ? std::string() : it->second;
}

void TClipboard::Open() {
  if (open_count_++ == 0) {
    pending_.clear();
    dirty_ = false;
  }
}

void TClipboard::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0 && dirty_) Publish();
}

void TClipboard::Clear() {
  pending_.clear();
  dirty_ = true;
  if (open_count_ == 0) Publish();
}

void TClipboard::Publish() {
  dirty_ = false;
  QClipboard* cb = System();
  if (!cb) return;
  auto* md = new QMimeData();
  for (const auto& [fmt, bytes] : pending_) {
    QByteArray b(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    if (fmt == CF_TEXT || fmt == CF_UNICODETEXT) {
      md->setText(QString::fromUtf8(b));
    } else if (fmt == CF_BITMAP || fmt == CF_DIB) {
      md->setData(kBmpMime, b);
      TBitmap bmp;
      TMemoryStream ms;
      ms.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      ms.SetPosition(0);
      try {
        bmp.LoadFromStream(&ms);
        md->setImageData(BitmapToQImage(bmp));
      } catch (const Exception&) {
        // Other programs see no picture; the BMP bytes stay available.
      }
    } else {
      QString mime = MimeOf(fmt);
      if (!mime.isEmpty()) md->setData(mime, b);
    }
  }
  cb->setMimeData(md);
}

bool TClipboard::HasFormat(TClipboardFormat Format) {
  if (open_count_ > 0 && pending_.count(Format)) return true;
  return ReadAll().count(Format) != 0;
}

std::vector<TClipboardFormat> TClipboard::Formats() {
  std::vector<TClipboardFormat> out;
  for (const auto& kv : ReadAll()) out.push_back(kv.first);
  return out;
}

std::string TClipboard::AsText() {
  TClipboardData d = ReadAll();
  auto it = d.find(CF_TEXT);
  return it == d.end() ? std::string() : std::string(it->second.begin(), it->second.end());
}

void TClipboard::SetAsText(const std::string& Text) {
  SetData(CF_TEXT, std::vector<uint8_t>(Text.begin(), Text.end()));
}

std::vector<uint8_t> TClipboard::GetData(TClipboardFormat Format) {
  TClipboardData d = ReadAll();
  auto it = d.find(Format);
  return it == d.end() ? std::vector<uint8_t>() : it->second;
}

void TClipboard::SetData(TClipboardFormat Format, const std::vector<uint8_t>& Data) {
  Open();
  pending_[Format] = Data;
  dirty_ = true;
  Close();
}

void TClipboard::Assign(TPersistent* Source) {
  TGraphic* g = nullptr;
  if (auto* p = dynamic_cast<TPicture*>(Source))
    g = p->Graphic();
  else
    g = dynamic_cast<TGraphic*>(Source);
  if (!g && !dynamic_cast<TPicture*>(Source)) {
    TPersistent::Assign(Source);
    return;
  }
  Open();
  pending_.clear();
  dirty_ = true;
  try {
    if (g) {
      TClipboardData data;
      g->SaveToClipboardFormat(CF_BITMAP, data);
      for (auto& [fmt, bytes] : data) pending_[fmt] = std::move(bytes);
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void TClipboard::AssignTo(TPersistent* Dest) {
  TClipboardData data = ReadAll();
  // Registered formats first: they carry the richer picture.
  TClipboardFormat chosen = 0;
  for (const auto& kv : data)
    if (kv.first >= 0xC000 && TPicture::SupportsClipboardFormat(kv.first)) {
      chosen = kv.first;
      break;
    }
  if (!chosen && data.count(CF_BITMAP)) chosen = CF_BITMAP;
  if (auto* p = dynamic_cast<TPicture*>(Dest)) {
    if (!chosen) throw EInvalidGraphic("Unsupported clipboard format");
    p->LoadFromClipboardFormat(chosen, data);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Dest)) {
    if (dynamic_cast<TBitmap*>(g) && data.count(CF_BITMAP)) chosen = CF_BITMAP;
    if (!chosen) throw EInvalidGraphic("Unsupported clipboard format");
    g->LoadFromClipboardFormat(chosen, data);
    return;
  }
  TPersistent::AssignTo(Dest);
}

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}

}  // namespace classlib
