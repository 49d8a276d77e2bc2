#include "platform/Cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velvo::platform {
namespace {

// Black strokes on a white halo, so every picture shows on light and dark photos alike.
void haloStroke(QPainter& p, const QPainterPath& path, qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPixmap blank() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QCursor magnifier(bool plus) {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath handle;
    handle.moveTo(17, 17);
    handle.lineTo(28, 28);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(handle);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(handle);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(230, 240, 255));
    p.drawEllipse(QPointF(11, 11), 8, 8);
    QPainterPath sign;
    sign.moveTo(7, 11);
    sign.lineTo(15, 11);
    if (plus) {
        sign.moveTo(11, 7);
        sign.lineTo(11, 15);
    }
    p.setPen(QPen(Qt::black, 2));
    p.drawPath(sign);
    return QCursor(pixmap, 11, 11);
}

QCursor cross(bool circle, bool gap) {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    QPainterPath path;
    const int g = gap ? 3 : 0;
    path.moveTo(1, 15.5);
    path.lineTo(15.5 - g, 15.5);
    path.moveTo(15.5 + g, 15.5);
    path.lineTo(30, 15.5);
    path.moveTo(15.5, 1);
    path.lineTo(15.5, 15.5 - g);
    path.moveTo(15.5, 15.5 + g);
    path.lineTo(15.5, 30);
    if (circle)
        path.addEllipse(QPointF(15.5, 15.5), 7, 7);
    haloStroke(p, path, 1);
    return QCursor(pixmap, 15, 15);
}

QCursor eraser() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(12, 20);
    p.rotate(-45);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(-2, -6, 8, 12));
    p.setBrush(QColor(220, 60, 80));
    p.drawRect(QRectF(6, -6, 14, 12));
    return QCursor(pixmap, 3, 28);
}

QCursor hand() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath palm;
    palm.addRoundedRect(QRectF(8, 14, 16, 14), 5, 5);
    for (int i = 0; i < 4; ++i)
        palm.addRoundedRect(QRectF(8 + i * 4, 4 + (i == 0 || i == 3 ? 3 : 0), 4, 14), 2, 2);
    palm.addRoundedRect(QRectF(2, 15, 10, 4), 2, 2);
    palm.setFillRule(Qt::WindingFill);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(palm.simplified());
    return QCursor(pixmap, 16, 16);
}

QCursor pen() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(2, 30);
    body.lineTo(5, 22);
    body.lineTo(24, 3);
    body.lineTo(29, 8);
    body.lineTo(10, 27);
    body.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(60, 90, 200));
    p.drawPath(body);
    p.setBrush(Qt::black);
    QPainterPath tip;
    tip.moveTo(2, 30);
    tip.lineTo(4, 25);
    tip.lineTo(7, 28);
    tip.closeSubpath();
    p.drawPath(tip);
    return QCursor(pixmap, 2, 30);
}

} // namespace

Cursors& Cursors::instance() {
    static Cursors registry;
    return registry;
}

void registerEngineCursors() {
    Cursors& c = Cursors::instance();
    c.registerCursor(crZoomOut, magnifier(false));
    c.registerCursor(crZoomIn, magnifier(true));
    c.registerCursor(crCross, cross(false, false));
    c.registerCursor(crEraser, eraser());
    c.registerCursor(crHand, hand());
    c.registerCursor(crPen, pen());
    c.registerCursor(crCross1, cross(true, false));
    c.registerCursor(crCross2, cross(false, true));
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}
BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace velvo::platform
