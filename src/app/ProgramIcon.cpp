#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velvo::app {

namespace {

// A face with hair, drawn in a 100 x 100 box.
void drawHead(QPainter& p, const QColor& hair, const QColor& hairLight) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 196, 160));
    p.drawEllipse(QRectF(30, 28, 40, 50));
    p.drawRect(QRectF(42, 70, 16, 16));
    p.setBrush(QColor(60, 90, 160));
    p.drawRoundedRect(QRectF(20, 82, 60, 24), 10, 10);

    QPainterPath hairPath;
    hairPath.moveTo(22, 72);
    hairPath.cubicTo(12, 30, 32, 6, 54, 8);
    hairPath.cubicTo(80, 10, 92, 34, 80, 78);
    hairPath.cubicTo(76, 60, 72, 44, 66, 36);
    hairPath.cubicTo(56, 44, 42, 44, 34, 38);
    hairPath.cubicTo(30, 48, 28, 60, 22, 72);
    QLinearGradient shade(20, 8, 80, 70);
    shade.setColorAt(0, hairLight);
    shade.setColorAt(1, hair);
    p.setBrush(shade);
    p.drawPath(hairPath);
    p.setPen(QPen(hairLight.lighter(130), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(30, 14, 40, 30), 30 * 16, 120 * 16);
}

} // namespace

QImage programIcon(int size, const QColor& ground) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(ground);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);
    drawHead(p, QColor(120, 60, 20), QColor(230, 170, 80));
    return icon;
}

QIcon programWindowIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(programIcon(size)));
    return icon;
}

QImage aboutPicture() {
    QImage picture(103, 69, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const struct {
        QColor hair, light;
    } tries[] = {{QColor(40, 25, 15), QColor(120, 80, 50)},
                 {QColor(150, 90, 20), QColor(240, 200, 110)},
                 {QColor(140, 20, 30), QColor(220, 90, 80)}};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(2 + i * 33, 2);
        p.scale(0.33, 0.65);
        drawHead(p, tries[i].hair, tries[i].light);
        p.restore();
    }
    return picture;
}

} // namespace velvo::app
