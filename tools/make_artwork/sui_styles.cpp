// Bitmaps of the skinned controls' five UI styles: button faces, check boxes
// and radio buttons, progress fills, title bars and their buttons, tabs,
// track bars and scroll bars, each in its style's own colours (face, border,
// selection accent), plus the menu tick, the MacOS menu bands, form tiles and
// the side-channel, font-combo and ruler-slider pieces. States differ: the
// mouse over an element lightens it, a pressed one darkens, a disabled one is
// greyed. Fuchsia marks transparent pixels where each control looks for it.
#include <QPainter>

#include "controls/sui_themes.h"
#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

using controls::GetThemeColor;
using controls::GetThemeInt;
using controls::GetThemeResName;
using controls::TsuiUIStyle;

const QColor kKey(255, 0, 255);

QColor FromTheme(TsuiUIStyle style, int number) {
  const uint32_t c = static_cast<uint32_t>(GetThemeColor(style, number));
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

enum State { kNormal, kMouseOn, kMouseDown, kDisabled };

State StateOf(const std::string& name) {
  if (name.find("MOUSEON") != std::string::npos) return kMouseOn;
  if (name.find("MOUSEDOWN") != std::string::npos) return kMouseDown;
  if (name.find("DISABLE") != std::string::npos) return kDisabled;
  return kNormal;
}

QColor InState(const QColor& c, State s) {
  switch (s) {
    case kMouseOn: return c.lighter(118);
    case kMouseDown: return c.darker(125);
    case kDisabled: {
      const int g = qGray(c.rgb());
      return QColor((g + 192) / 2, (g + 192) / 2, (g + 192) / 2);
    }
    default: return c;
  }
}

// The inside of a check box or radio button: white, tinted by the accent
// under the mouse, darker when pressed, the greyed face when disabled.
QColor BoxInside(const QColor& face, const QColor& accent, State st) {
  switch (st) {
    case kMouseOn:
      return QColor((accent.red() + 6 * 255) / 7, (accent.green() + 6 * 255) / 7,
                    (accent.blue() + 6 * 255) / 7);
    case kMouseDown: return QColor(255, 255, 255).darker(125);
    case kDisabled: return InState(face, kDisabled);
    default: return QColor(255, 255, 255);
  }
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

void KeyCorners(QImage& img) {
  const int w = img.width() - 1, h = img.height() - 1;
  for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}}) img.setPixelColor(x, y, kKey);
}

void Frame(QImage& img, const QColor& c) {
  QPainter p(&img);
  p.setPen(c);
  p.drawRect(0, 0, img.width() - 1, img.height() - 1);
}

// A tick in a Size x Size square at (x, y).
void Tick(QImage& img, int x, int y, int size, const QColor& c) {
  QPainter p(&img);
  p.setPen(QPen(c, size > 10 ? 2 : 1.6));
  p.setRenderHint(QPainter::Antialiasing);
  p.drawLine(QPointF(x + size * 0.18, y + size * 0.52), QPointF(x + size * 0.42, y + size * 0.76));
  p.drawLine(QPointF(x + size * 0.42, y + size * 0.76), QPointF(x + size * 0.84, y + size * 0.22));
}

struct Style {
  TsuiUIStyle style;
  QColor face, border, accent, select, bar;
  int button_height, tab_height, title_height;
};

QImage ButtonFace(const Style& s, State st) {
  // Flat: one fill, so that stretching the face in nine parts shows no seams.
  QImage img = Filled(74, s.button_height, InState(s.face, st));
  Frame(img, st == kMouseOn || st == kMouseDown ? s.accent : s.border);
  KeyCorners(img);
  return img;
}

QImage CheckBox(const Style& s, State st, bool checked) {
  QImage img = Filled(13, 13, BoxInside(s.face, s.accent, st));
  Frame(img, st == kDisabled ? InState(s.border, kDisabled) : s.border);
  if (checked) Tick(img, 1, 1, 11, st == kDisabled ? QColor(128, 128, 128) : s.accent.darker(110));
  return img;
}

QImage RadioButton(const Style& s, State st, bool checked) {
  QImage img = Filled(13, 13, kKey);
  QPainter p(&img);
  const QColor inside = BoxInside(s.face, s.accent, st);
  p.setPen(st == kDisabled ? InState(s.border, kDisabled) : s.border);
  p.setBrush(inside);
  p.drawEllipse(0, 0, 12, 12);
  if (checked) {
    p.setPen(Qt::NoPen);
    p.setBrush(st == kDisabled ? QColor(128, 128, 128) : s.accent.darker(110));
    p.drawEllipse(3, 3, 6, 6);
  }
  return img;
}

QImage TitleButton(const Style& s, const std::string& name, State st) {
  QImage img = Filled(19, 19, InState(s.accent, st));
  Frame(img, InState(s.accent.darker(140), st));
  QPainter p(&img);
  p.setPen(QPen(QColor(255, 255, 255), 2));
  if (Has(name, "_CLOSE_")) {
    p.drawLine(5, 5, 13, 13);
    p.drawLine(13, 5, 5, 13);
  } else if (Has(name, "_MAX_")) {
    p.drawRect(5, 5, 8, 8);
  } else if (Has(name, "_RST_")) {
    p.drawRect(4, 7, 7, 7);
    p.drawLine(8, 4, 14, 4);
    p.drawLine(14, 4, 14, 10);
  } else if (Has(name, "_MIN_")) {
    p.drawLine(5, 13, 13, 13);
  } else if (Has(name, "_HELP_")) {
    p.drawArc(6, 4, 6, 6, 0, 180 * 16);
    p.drawLine(12, 7, 9, 11);
    p.drawPoint(9, 14);
  } else {
    p.fillRect(6, 6, 7, 7, QColor(255, 255, 255));
  }
  p.end();
  KeyCorners(img);
  return img;
}

QImage ScrollButton(const Style& s, bool top, State st) {
  QImage img = Filled(16, 16, InState(s.face, st));
  Frame(img, s.border);
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  p.setBrush(st == kMouseDown ? QColor(255, 255, 255) : s.border);
  QPolygon arrow;
  if (top)
    arrow << QPoint(4, 10) << QPoint(12, 10) << QPoint(8, 5);
  else
    arrow << QPoint(4, 6) << QPoint(12, 6) << QPoint(8, 11);
  p.drawPolygon(arrow);
  p.end();
  img.setPixelColor(0, 0, kKey);
  img.setPixelColor(15, 0, kKey);
  return img;
}

// The image for one table name of one style.
QImage StyleImage(const Style& s, const std::string& name) {
  const State st = StateOf(name);
  if (Has(name, "_BUTTON_") && !Has(name, "SCROLLBAR") && !Has(name, "RADIO"))
    return ButtonFace(s, st);
  if (Has(name, "_CHECKBOX_")) return CheckBox(s, st, EndsWith(name, "_CHECK"));
  if (Has(name, "_RADIOBUTTON_")) return RadioButton(s, st, EndsWith(name, "_CHECK"));
  if (EndsWith(name, "_PROGRESSBAR") || EndsWith(name, "_PROGRESSBAR_V")) {
    const bool vertical = EndsWith(name, "_V");
    QImage img = Filled(vertical ? 10 : 1, vertical ? 1 : 10, s.accent);
    for (int i = 0; i < 10; ++i) {
      const QColor c = s.accent.lighter(150 - i * 6);
      if (vertical)
        img.setPixelColor(i, 0, c);
      else
        img.setPixelColor(0, i, c);
    }
    return img;
  }
  if (Has(name, "_TITLE_")) {
    const int w = EndsWith(name, "_CLIENT") ? 98 : 97;
    QImage img = Filled(w, s.title_height, s.accent);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, s.title_height);
    g.setColorAt(0, s.accent.lighter(140));
    g.setColorAt(1, s.accent);
    p.fillRect(0, 0, w, s.title_height, g);
    p.setPen(s.accent.darker(150));
    p.drawLine(0, s.title_height - 1, w - 1, s.title_height - 1);
    if (EndsWith(name, "_LEFT")) p.drawLine(0, 0, 0, s.title_height - 1);
    if (EndsWith(name, "_RIGHT")) p.drawLine(w - 1, 0, w - 1, s.title_height - 1);
    return img;
  }
  if (Has(name, "_TITLEBTN_")) return TitleButton(s, name, st);
  if (EndsWith(name, "_TAB_LINE")) {
    QImage img = Filled(5, 5, s.face);
    QPainter p(&img);
    p.setPen(s.border);
    p.drawLine(0, 0, 4, 0);
    return img;
  }
  if (Has(name, "_TAB_")) {
    const bool active = EndsWith(name, "_ACTIVE");
    QImage img = Filled(6, s.tab_height, active ? s.face.lighter(108) : s.face.darker(108));
    QPainter p(&img);
    p.setPen(s.border);
    p.drawLine(0, 1, 0, s.tab_height - 1);
    p.drawLine(1, 0, 4, 0);
    p.drawLine(5, 1, 5, s.tab_height - 1);
    if (active) p.fillRect(1, 1, 4, 2, s.accent);
    p.end();
    img.setPixelColor(0, 0, kKey);
    img.setPixelColor(5, 0, kKey);
    return img;
  }
  if (EndsWith(name, "_TRACKBAR_BAR")) {
    QImage img = Filled(45, 4, s.face.darker(130));
    QPainter p(&img);
    p.setPen(s.border);
    p.drawLine(0, 0, 44, 0);
    p.end();
    img.setPixelColor(0, 3, kKey);
    return img;
  }
  if (Has(name, "_TRACKBAR_SLIDER")) {
    const bool vertical = EndsWith(name, "_V");
    QImage img = Filled(vertical ? 18 : 11, vertical ? 11 : 20, s.accent);
    Frame(img, s.accent.darker(150));
    {
      QPainter p(&img);
      p.fillRect(2, 2, img.width() - 4, img.height() / 2 - 1, s.accent.lighter(130));
    }
    img.setPixelColor(0, img.height() - 1, kKey);
    return img;
  }
  if (Has(name, "_SCROLLBAR_TOPBUTTON")) return ScrollButton(s, true, st);
  if (Has(name, "_SCROLLBAR_BTMBUTTON")) return ScrollButton(s, false, st);
  if (EndsWith(name, "_SCROLLBAR_TRACK")) {
    QImage img = Filled(16, 21, s.bar);
    QPainter p(&img);
    p.setPen(s.bar.darker(115));
    p.drawLine(0, 0, 0, 20);
    p.drawLine(15, 0, 15, 20);
    return img;
  }
  return Filled(1, 1, s.face);  // every table name is covered above
}

Style StyleOf(TsuiUIStyle style) {
  Style s;
  s.style = style;
  s.face = FromTheme(style, 9);
  s.border = FromTheme(style, 8);
  s.accent = FromTheme(style, 11);
  s.select = FromTheme(style, 12);
  s.bar = FromTheme(style, 17);
  if (s.bar == QColor(0, 0, 0)) s.bar = s.face.darker(110);  // MacOS keeps no bar colour
  s.button_height = style == TsuiUIStyle::MacOS ? 23 : 21;
  s.tab_height = GetThemeInt(style, 73) - 5;
  switch (style) {
    case TsuiUIStyle::MacOS: s.title_height = 24; break;
    case TsuiUIStyle::WinXP: s.title_height = 30; break;
    case TsuiUIStyle::Protein: s.title_height = 24; break;
    case TsuiUIStyle::BlueGlass: s.title_height = 31; break;
    default: s.title_height = 32; break;
  }
  return s;
}

// A ruler-slider thumb of two states side by side, bottom-left keyed.
QImage SliderThumb(int w, int h, bool vertical) {
  QImage img = Filled(w, h, kKey);
  const int cw = vertical ? w / 2 : w / 2;
  for (int state = 0; state < 2; ++state) {
    QImage cell = Filled(cw, h, state == 0 ? QColor(192, 192, 192) : QColor(160, 160, 160));
    QPainter p(&cell);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(0, 0, cw - 2, 0);
    p.drawLine(0, 0, 0, h - 2);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(cw - 1, 0, cw - 1, h - 1);
    p.drawLine(0, h - 1, cw - 1, h - 1);
    p.end();
    QPainter q(&img);
    q.drawImage(state * cw, 0, cell);
  }
  img.setPixelColor(0, h - 1, kKey);
  return img;
}

QImage Ruler(int w, int h) {
  QImage img = Filled(w, h, QColor(255, 255, 255));
  QPainter p(&img);
  p.setPen(QColor(128, 128, 128));
  p.drawLine(0, 0, w - 1, 0);
  p.drawLine(0, 0, 0, h - 1);
  p.setPen(QColor(64, 64, 64));
  p.drawLine(1, 1, w - 2, 1);
  p.drawLine(1, 1, 1, h - 2);
  p.end();
  img.setPixelColor(0, h - 1, kKey);
  return img;
}

}  // namespace

void DrawSuiStyles(Sink& sink) {
  for (TsuiUIStyle style : {TsuiUIStyle::MacOS, TsuiUIStyle::WinXP, TsuiUIStyle::DeepBlue,
                            TsuiUIStyle::Protein, TsuiUIStyle::BlueGlass}) {
    const Style s = StyleOf(style);
    std::vector<std::string> done;
    for (int n = 24; n <= controls::kThemeEntryCount; ++n) {
      const std::string name = GetThemeResName(style, n);
      if (name.empty() || std::find(done.begin(), done.end(), name) != done.end()) continue;
      done.push_back(name);
      sink.Bitmap(name, StyleImage(s, name));
    }
  }

  QImage tick = Filled(16, 16, QColor(255, 255, 255));
  Tick(tick, 2, 2, 12, QColor(0, 0, 0));
  sink.Bitmap("MENU_CHECKED", tick);

  const Style mac = StyleOf(TsuiUIStyle::MacOS);
  QImage band = Filled(100, 20, QColor(244, 244, 244));
  for (int y = 0; y < 20; y += 2) {
    QPainter p(&band);
    p.setPen(QColor(236, 236, 236));
    p.drawLine(0, y, 99, y);
  }
  sink.Bitmap("MACOS_MENU_BAR", band);
  QImage select = Filled(100, 20, mac.accent);
  {
    QPainter p(&select);
    QLinearGradient g(0, 0, 0, 20);
    g.setColorAt(0, mac.accent.lighter(130));
    g.setColorAt(1, mac.accent.darker(110));
    p.fillRect(0, 0, 100, 20, g);
  }
  sink.Bitmap("MACOS_MENU_SELECT", select);

  QImage stripes = Filled(8, 8, mac.face);
  for (int y = 0; y < 8; y += 2)
    for (int x = 0; x < 8; ++x) stripes.setPixelColor(x, y, mac.face.lighter(104));
  sink.Bitmap("MACOS_FORM_BACKGROUND", stripes);
  const Style protein = StyleOf(TsuiUIStyle::Protein);
  QImage dots = Filled(8, 8, protein.face);
  for (int y = 0; y < 8; y += 4)
    for (int x = (y / 4) * 2; x < 8; x += 4) dots.setPixelColor(x, y, protein.face.darker(106));
  sink.Bitmap("PROTEIN_FORM_BACKGROUND", dots);

  QImage combo = Filled(17, 17, mac.face);
  {
    Frame(combo, mac.border);
    QPainter p(&combo);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawPolygon(QPolygon({QPoint(5, 7), QPoint(12, 7), QPoint(8, 11)}));
  }
  sink.Bitmap("MACOS_COMBOBOX_BUTTON", combo);

  const Style blue = StyleOf(TsuiUIStyle::DeepBlue);
  for (State st : {kNormal, kMouseOn}) {
    QImage bar = Filled(10, 80, InState(blue.face, st));
    Frame(bar, blue.border);
    {
      QPainter p(&bar);
      p.setPen(blue.border);
      for (int y = 36; y <= 44; y += 4) p.drawLine(3, y, 6, y);
    }
    bar.setPixelColor(0, 79, kKey);
    sink.Bitmap(st == kNormal ? "SIDECHANNEL_BAR_NORMAL" : "SIDECHANNEL_BAR_MOUSEON", bar);
  }
  for (bool on_top : {true, false}) {
    QImage pin = Filled(12, 12, kKey);
    {
      QPainter p(&pin);
      p.setPen(QColor(0, 0, 0));
      p.setBrush(on_top ? blue.accent : QColor(255, 255, 255));
      if (on_top)
        p.drawRect(3, 1, 5, 6);
      else
        p.drawRect(1, 3, 6, 5);
      p.drawLine(on_top ? 5 : 7, on_top ? 7 : 5, on_top ? 5 : 10, on_top ? 10 : 5);
    }
    sink.Bitmap(on_top ? "SIDECHANNEL_BTN_ONTOP" : "SIDECHANNEL_BTN_NOONTOP", pin);
  }
  for (bool truetype : {true, false}) {
    QImage glyph = Filled(12, 12, kKey);
    {
      QPainter p(&glyph);
      QFont f("Liberation Serif");
      f.setPixelSize(10);
      f.setBold(true);
      p.setFont(f);
      p.setPen(truetype ? QColor(0, 0, 128) : QColor(0, 128, 0));
      p.drawText(QRect(0, 0, 12, 11), Qt::AlignCenter, truetype ? "T" : "D");
    }
    glyph.setPixelColor(0, 11, kKey);
    sink.Bitmap(truetype ? "FONTCOMBO_TRUETYPE_FNT" : "FONTCOMBO_DEVICE_FNT", glyph);
  }

  sink.Bitmap("W95_HTB", SliderThumb(22, 21, false));
  sink.Bitmap("W95_HRL", Ruler(40, 6));
  sink.Bitmap("W95_VTB", SliderThumb(42, 11, true));
  sink.Bitmap("W95_VRL", Ruler(6, 40));
}

}  // namespace artwork
