#include "core/window/tool_icon.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace core {

// Two plugs facing each other on a blue tile, with a spark between them: a line under test. An
// image rather than a pixmap, so that it can be drawn without a window system.
QImage ToolIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal unit = size / 32.0;
  painter.scale(unit, unit);
  painter.setPen(QPen(QColor(20, 40, 110), 1.5));
  painter.setBrush(QColor(40, 90, 200));
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(235, 235, 235));
  painter.drawRect(QRectF(4, 12, 9, 8));
  painter.drawRect(QRectF(19, 12, 9, 8));
  painter.setBrush(QColor(255, 210, 40));
  QPainterPath spark;
  spark.moveTo(17, 8);
  spark.lineTo(13.5, 16.5);
  spark.lineTo(16.5, 16.5);
  spark.lineTo(15, 24);
  spark.lineTo(18.5, 15);
  spark.lineTo(15.5, 15);
  spark.closeSubpath();
  painter.drawPath(spark);
  painter.setBrush(QColor(235, 235, 235));
  painter.drawRect(QRectF(1.5, 14, 2.5, 1.5));
  painter.drawRect(QRectF(1.5, 16.5, 2.5, 1.5));
  painter.drawRect(QRectF(28, 14, 2.5, 1.5));
  painter.drawRect(QRectF(28, 16.5, 2.5, 1.5));
  painter.end();
  return image;
}

QIcon ToolIcon() {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(ToolIconImage(16)));
  icon.addPixmap(QPixmap::fromImage(ToolIconImage(32)));
  return icon;
}

}  // namespace core
