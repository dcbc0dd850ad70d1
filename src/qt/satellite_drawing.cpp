#include "qt/satellite_drawing.hpp"

#include <QFont>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <numbers>

#include "qt/info_content.hpp"

namespace orvelt {

namespace {

// The body is drawn in oblique projection: the +X axis (flight vector, into the picture) runs
// up and to the right.
constexpr QPointF kDepth{20.0, -14.0};
constexpr QRectF kFront{128.0, 112.0, 56.0, 52.0};

const QColor kOutline{40, 40, 40};
const QColor kBodyFront{196, 196, 204};
const QColor kBodyTop{222, 222, 230};
const QColor kBodySide{166, 166, 178};
const QColor kCellColour{36, 60, 140};
const QColor kCellLine{120, 150, 220};
const QColor kAxisColour{190, 30, 30};

void Draw_Arrow(QPainter& painter, QPointF from, QPointF to) {
  painter.drawLine(from, to);
  const QLineF shaft(to, from);
  const double angle = std::atan2(-shaft.dy(), shaft.dx());
  constexpr double kHead = 8.0;
  constexpr double kSpread = std::numbers::pi / 7;
  const QPointF left =
      to + QPointF(std::cos(angle + kSpread) * kHead, -std::sin(angle + kSpread) * kHead);
  const QPointF right =
      to + QPointF(std::cos(angle - kSpread) * kHead, -std::sin(angle - kSpread) * kHead);
  painter.drawPolygon(QPolygonF({to, left, right}));
}

// One array, hinged at `hinge` on the body and swung out to `angle` degrees (0 points left),
// with its name near the free end.
void Draw_Array(QPainter& painter, QPointF hinge, double angle, const QString& name) {
  constexpr double kBoom = 10.0;
  constexpr double kLength = 70.0;
  constexpr double kWidth = 26.0;
  constexpr int kCells = 4;

  painter.save();
  painter.translate(hinge);
  painter.rotate(angle);
  painter.setPen(QPen(kOutline, 2.0));
  painter.drawLine(QPointF(0, 0), QPointF(-kBoom, 0));
  const QRectF panel(-kBoom - kLength, -kWidth / 2, kLength, kWidth);
  painter.setPen(QPen(kOutline, 1.0));
  painter.setBrush(kCellColour);
  painter.drawRect(panel);
  painter.setPen(QPen(kCellLine, 1.0));
  for (int i = 1; i < kCells; ++i) {
    const double x = panel.left() + panel.width() * i / kCells;
    painter.drawLine(QPointF(x, panel.top()), QPointF(x, panel.bottom()));
  }
  painter.drawLine(QPointF(panel.left(), 0), QPointF(panel.right(), 0));
  painter.restore();

  const double radians = angle * std::numbers::pi / 180.0;
  const double reach = kBoom + kLength + 14.0;
  const QPointF beyond = hinge + QPointF(-std::cos(radians) * reach, -std::sin(radians) * reach);
  painter.setPen(kOutline);
  painter.drawText(QRectF(beyond.x() - 16, beyond.y() - 7, 32, 14), Qt::AlignCenter, name);
}

void Draw_Body(QPainter& painter) {
  painter.setPen(QPen(kOutline, 1.5));
  painter.setBrush(kBodyTop);
  painter.drawPolygon(QPolygonF({kFront.topLeft(), kFront.topRight(), kFront.topRight() + kDepth,
                                 kFront.topLeft() + kDepth}));
  painter.setBrush(kBodySide);
  painter.drawPolygon(QPolygonF({kFront.topRight(), kFront.topRight() + kDepth,
                                 kFront.bottomRight() + kDepth, kFront.bottomRight()}));
  painter.setBrush(kBodyFront);
  painter.drawRect(kFront);
}

void Draw_Axes(QPainter& painter) {
  const QPointF centre = kFront.center();
  painter.setPen(QPen(kAxisColour, 1.5));
  painter.setBrush(kAxisColour);
  const QPointF up(centre.x(), 30);
  const QPointF down(centre.x(), 238);
  const QPointF right(288, centre.y());
  const QPointF ahead = centre + kDepth * 4.2;
  Draw_Arrow(painter, QPointF(centre.x(), kFront.top() + kDepth.y()), up);
  Draw_Arrow(painter, QPointF(centre.x(), kFront.bottom()), down);
  Draw_Arrow(painter, QPointF(kFront.right() + kDepth.x(), centre.y()), right);
  Draw_Arrow(painter, kFront.topRight() + kDepth, ahead);

  painter.setPen(kAxisColour);
  const auto label = [&](QRectF box, Qt::Alignment align, const QString& text) {
    painter.drawText(box, align, text);
  };
  label(QRectF(centre.x() - 70, 2, 140, 26), Qt::AlignHCenter | Qt::AlignTop,
        QStringLiteral(u"\u2212Z\ndeep space"));
  label(QRectF(centre.x() + 6, 236, 120, 26), Qt::AlignLeft | Qt::AlignBottom,
        QStringLiteral(u"+Z nadir"));
  label(QRectF(200, centre.y() + 4, 98, 28), Qt::AlignRight | Qt::AlignTop,
        QStringLiteral(u"+Y\norbit normal"));
  label(QRectF(ahead.x() - 40, ahead.y() - 30, 100, 28), Qt::AlignHCenter | Qt::AlignBottom,
        QStringLiteral(u"+X\nflight vector"));
}

}  // namespace

void Draw_Satellite(QPainter& painter) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font = painter.font();
  font.setPixelSize(11);
  painter.setFont(font);

  // The arrays fan out from the body's -Y side, away from the axes.
  const QPointF upper(kFront.left(), kFront.top() + 10);
  const QPointF middle(kFront.left(), kFront.center().y());
  const QPointF lower(kFront.left(), kFront.bottom() - 10);
  Draw_Array(painter, upper, 38.0, QStringLiteral("SA1"));
  Draw_Array(painter, middle, 0.0, QStringLiteral("SA2"));
  Draw_Array(painter, lower, -38.0, QStringLiteral("SA3"));
  Draw_Body(painter);
  Draw_Axes(painter);
  painter.restore();
}

QPixmap Satellite_Picture(QSize size) {
  QPixmap picture(size);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.scale(static_cast<double>(size.width()) / kInfoPictureWidth,
                static_cast<double>(size.height()) / kInfoPictureHeight);
  Draw_Satellite(painter);
  return picture;
}

}  // namespace orvelt
