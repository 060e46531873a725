#include "platform/classlib/font_families.h"

#include <QFontDatabase>
#include <QList>
#include <QStringList>

namespace classlib {

std::vector<TFontFamily> ScreenFontFamilies() {
  std::vector<TFontFamily> out;
  for (const QString& f : QFontDatabase::families()) {
    TFontFamily family;
    family.Name = f.toStdString();
    family.FontType = QFontDatabase::isSmoothlyScalable(f) || QFontDatabase::isScalable(f)
                          ? TRUETYPE_FONTTYPE
                          : RASTER_FONTTYPE;
    family.FixedPitch = QFontDatabase::isFixedPitch(f);
    const auto systems = QFontDatabase::writingSystems(f);
    if (systems.contains(QFontDatabase::Symbol) && !systems.contains(QFontDatabase::Latin))
      family.CharSet = SYMBOL_CHARSET;
    out.push_back(std::move(family));
  }
  return out;
}

std::vector<int> BitmapFontSizes(const std::string& Family) {
  const QString f = QString::fromStdString(Family);
  if (QFontDatabase::isScalable(f)) return {};
  std::vector<int> out;
  for (int s : QFontDatabase::pointSizes(f)) out.push_back(s);
  return out;
}

}  // namespace classlib
