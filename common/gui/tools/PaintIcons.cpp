// Paints the program icons of update and compare at the sizes a desktop
// asks for, as PNG files: paint_icons <output folder>. The windows carry
// them as resources and the install puts them in the icon theme.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <numbers>
#include <cstdio>

namespace {

// All drawing is on a 32-unit canvas, scaled to the size wanted.
constexpr double kCanvas = 32.0;

void PaintFolder(QPainter& p, const QRectF& r, QColor light, QColor dark) {
  const double radius = r.width() * 0.08;
  QPainterPath tab;
  tab.addRoundedRect(QRectF(r.x(), r.y(), r.width() * 0.45, r.height() * 0.3), radius, radius);
  QPainterPath body;
  body.addRoundedRect(QRectF(r.x(), r.y() + r.height() * 0.16, r.width(), r.height() * 0.84),
                      radius, radius);
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, light.lighter(115));
  fill.setColorAt(1, light.darker(115));
  p.setPen(QPen(dark, 1.0));
  p.setBrush(dark.lighter(140));
  p.drawPath(tab);
  p.setBrush(fill);
  p.drawPath(body);
  // The fold between back and front of the folder.
  p.setPen(QPen(light.lighter(130), 1.0));
  p.drawLine(QPointF(r.x() + 1.5, r.y() + r.height() * 0.3),
             QPointF(r.right() - 1.5, r.y() + r.height() * 0.3));
}

void PaintArrowArc(QPainter& p, QPointF centre, double radius, double fromDeg, double spanDeg,
                   QColor colour) {
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colour, 2.6, Qt::SolidLine, Qt::FlatCap));
  p.drawArc(box, static_cast<int>(fromDeg * 16), static_cast<int>(spanDeg * 16));
  // Arrowhead at the end of the arc, pointing along it.
  const double end = (fromDeg + spanDeg) * std::numbers::pi / 180.0;
  const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const QPointF along(-std::sin(end), -std::cos(end));  // direction of travel (counter-clockwise)
  const QPointF across(std::cos(end), -std::sin(end));
  const double size = 3.2;
  QPolygonF head;
  head << tip + along * size << tip + across * size * 0.9 << tip - across * size * 0.9;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(head);
}

void PaintUpdate(QPainter& p) {
  PaintFolder(p, QRectF(1.5, 4.5, 24, 19), QColor(250, 200, 60), QColor(150, 100, 10));
  // Two arrows chasing each other: the copy follows its source.
  const QPointF centre(22, 22);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 230));
  p.drawEllipse(centre, 9.2, 9.2);
  const QColor green(30, 140, 50);
  PaintArrowArc(p, centre, 6.0, 20, 140, green);
  PaintArrowArc(p, centre, 6.0, 200, 140, green);
}

void PaintCompare(QPainter& p) {
  PaintFolder(p, QRectF(1.5, 2.5, 19, 15), QColor(150, 190, 240), QColor(40, 80, 150));
  PaintFolder(p, QRectF(8.5, 11.5, 19, 15), QColor(250, 200, 60), QColor(150, 100, 10));
  // A badge with an equals sign: the two are checked against each other.
  const QPointF centre(24.5, 24.5);
  p.setPen(QPen(QColor(20, 60, 130), 1.0));
  p.setBrush(QColor(50, 110, 200));
  p.drawEllipse(centre, 6.8, 6.8);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(centre.x() - 3.6, centre.y() - 2.6, 7.2, 1.8));
  p.drawRect(QRectF(centre.x() - 3.6, centre.y() + 0.8, 7.2, 1.8));
}

bool Save(const QString& folder, const QString& name, int size, void (*paint)(QPainter&)) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kCanvas, size / kCanvas);
    paint(p);
  }
  const QString file = QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(name).arg(size));
  if (image.save(file, "PNG")) return true;
  std::fprintf(stderr, "paint_icons: no se pudo escribir %s\n", qPrintable(file));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: paint_icons <carpeta>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  bool ok = true;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    ok = Save(folder, QStringLiteral("update"), size, PaintUpdate) && ok;
    ok = Save(folder, QStringLiteral("compare"), size, PaintCompare) && ok;
  }
  return ok ? 0 : 1;
}
