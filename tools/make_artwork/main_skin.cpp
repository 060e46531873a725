// The main window's skin: the background bitmap with its rounded outline,
// title band, button rows, well, summary column and seek band, and the
// three-state glyphs of the window buttons and the Convert button. Each glyph
// is opaque: outside its button's shape it repeats the background under it.
#include <QFont>
#include <QPainter>

#include "resources/main_skin_layout.h"
#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

const QColor kKey(255, 255, 0);      // the window's key colour (clYellow)
const QColor kOutline(58, 70, 84);   // one-pixel window border
const QColor kTitleTop(40, 52, 66);  // title band
const QColor kTitleBottom(30, 40, 52);
const QColor kTitleText(236, 241, 246);
const QColor kBodyTop(240, 243, 246);  // light body
const QColor kBodyBottom(226, 231, 236);
const QColor kRowBorder(70, 86, 102);  // button rows: a mid steel tone that both
const QColor kRowTop(98, 118, 138);    // black and yellow captions read on
const QColor kRowBottom(92, 112, 132);
const QColor kWellBorder(138, 152, 168);
const QColor kWellFill(252, 253, 254);
const QColor kPanelTop(248, 250, 252);
const QColor kPanelBottom(236, 240, 244);
const QColor kAccent(47, 111, 208);  // Convert button

QRectF Rect(const skin::Box& b) { return QRectF(b.Left, b.Top, b.Width, b.Height); }

QImage DrawBackground() {
  using namespace skin;
  const QRectF whole(0, 0, kClientWidth, kClientHeight);
  const QPainterPath inner = RoundedPath(whole.adjusted(1, 1, -1, -1), kCornerRadius - 1);

  // The border colour everywhere first: whatever the anti-aliased edges of the
  // inner shapes mix with is the border, never the key.
  QImage image = Filled(kClientWidth, kClientHeight, kOutline);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setClipPath(inner);
    QLinearGradient body(0, kTitleBand.Bottom(), 0, kClientHeight);
    body.setColorAt(0, kBodyTop);
    body.setColorAt(1, kBodyBottom);
    p.fillRect(whole, body);
    QLinearGradient title(0, 0, 0, kTitleBand.Height);
    title.setColorAt(0, kTitleTop);
    title.setColorAt(1, kTitleBottom);
    p.fillRect(Rect(kTitleBand), title);
    // A hairline under the title band.
    p.fillRect(QRectF(0, kTitleBand.Bottom(), kClientWidth, 1), kOutline);

    QFont font("Liberation Sans");
    font.setPixelSize(15);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(kTitleText);
    p.drawText(QRectF(16, 0, 400, kTitleBand.Height), Qt::AlignLeft | Qt::AlignVCenter,
               "Velmora Lumicast Pro");
  }
  Panel(image, Rect(kCommandRow), 4, kRowBorder, kRowTop, kRowBottom);
  Panel(image, Rect(kPreviewRow), 4, kRowBorder, kRowTop, kRowBottom);
  Panel(image, Rect(kWell), 3, kWellBorder, kWellFill, kWellFill);
  Panel(image, Rect(kSummaryColumn), 4, kWellBorder, kPanelTop, kPanelBottom);
  Panel(image, Rect(kSeekBand), 4, kWellBorder, kPanelTop, kPanelBottom);
  KeyOutsideRounded(image, whole, kCornerRadius, kKey);
  return image;
}

enum State { Up, Active, Down };
const char* const kStateSuffix[] = {"_UP", "_ACTIVE", "_DOWN"};

// A window button in the title band: a round face whose tone follows the state
// (a faint ring at rest), with a minimise bar or a close cross.
QImage WindowButton(const QImage& background, const skin::Box& box, bool close, State state) {
  QImage image = background.copy(box.Left, box.Top, box.Width, box.Height);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF face(1.5, 1.5, box.Width - 3, box.Height - 3);
  QColor fill = state == Up ? QColor(0, 0, 0, 0)
                : close     ? (state == Active ? QColor(214, 72, 72) : QColor(168, 44, 44))
                            : (state == Active ? QColor(84, 104, 126) : QColor(58, 74, 92));
  p.setPen(QPen(state == Up ? QColor(110, 126, 144) : fill.lighter(115), 1));
  p.setBrush(fill);
  p.drawEllipse(face);
  QPen mark(kTitleText, 2, Qt::SolidLine, Qt::RoundCap);
  p.setPen(mark);
  const double c = box.Width / 2.0;
  const double o = state == Down ? 0.5 : 0.0;  // pressed glyphs sit half a pixel lower
  if (close) {
    p.drawLine(QPointF(c - 4 + o, c - 4 + o), QPointF(c + 4 + o, c + 4 + o));
    p.drawLine(QPointF(c + 4 + o, c - 4 + o), QPointF(c - 4 + o, c + 4 + o));
  } else {
    p.drawLine(QPointF(c - 5 + o, c + 3 + o), QPointF(c + 5 + o, c + 3 + o));
  }
  return image;
}

QImage ConvertButton(const QImage& background, State state) {
  const skin::Box& box = skin::kConvertButton;
  QImage image = background.copy(box.Left, box.Top, box.Width, box.Height);
  QColor face = state == Up       ? kAccent
                : state == Active ? kAccent.lighter(118)
                                  : kAccent.darker(125);
  Panel(image, QRectF(0, 0, box.Width, box.Height), 6, face.darker(140), face.lighter(108), face);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  QFont font("Liberation Sans");
  font.setPixelSize(15);
  font.setBold(true);
  font.setHintingPreference(QFont::PreferFullHinting);
  p.setFont(font);
  p.setPen(Qt::white);
  const int o = state == Down ? 1 : 0;
  p.drawText(QRectF(o, o, box.Width, box.Height), Qt::AlignCenter, "Convert");
  return image;
}

}  // namespace

void DrawMainSkin(Sink& sink) {
  const QImage background = DrawBackground();
  sink.Bitmap("MAIN_BACKGROUND", background);
  for (State s : {Up, Active, Down}) {
    sink.Bitmap(std::string("MAIN_MINIMIZE") + kStateSuffix[s],
                WindowButton(background, skin::kMinimizeButton, false, s));
    sink.Bitmap(std::string("MAIN_CLOSE") + kStateSuffix[s],
                WindowButton(background, skin::kCloseButton, true, s));
    sink.Bitmap(std::string("MAIN_CONVERT") + kStateSuffix[s], ConvertButton(background, s));
  }
}

}  // namespace artwork
