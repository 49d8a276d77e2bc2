#include "app/ToolGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velvo::app {
namespace {

const QColor ink(40, 40, 60);

void drawPage(QPainter& p, QRectF r) {
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

// A head with a hairstyle: short or medium or long hair, light or dark, or a man's cut.
void drawHairstyle(QPainter& p, int category) {
    const bool dark = category % 2 == 1 && category < 6;
    const QColor hair = category == 6 ? QColor(70, 50, 30)
                        : dark        ? QColor(60, 35, 20)
                                      : QColor(225, 185, 90);
    const int length = category == 6 ? 0 : category / 2; // 0 short, 1 medium, 2 long
    p.setPen(Qt::NoPen);
    p.setBrush(hair);
    if (length > 0)
        p.drawRoundedRect(QRectF(4, 4, 14, 6 + 5 * length), 4, 4);
    p.drawEllipse(QRectF(4.5, 2.5, 13, 10));
    p.setBrush(QColor(245, 205, 170));
    p.drawEllipse(QRectF(7, 7, 8, 10));
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPoint(QPointF(9.5, 11));
    p.drawPoint(QPointF(12.5, 11));
    p.drawLine(QPointF(10, 14.5), QPointF(12, 14.5));
    if (category == 6) {
        p.setPen(QPen(QColor(40, 70, 150), 2));
        p.drawLine(QPointF(6, 21), QPointF(16, 21));
    }
}

void drawMagnifier(QPainter& p) {
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 14), QPointF(20, 20));
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(210, 230, 255));
    p.drawEllipse(QPointF(9, 9), 6.5, 6.5);
}

void draw(QPainter& p, ToolGlyph glyph) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case gOpen: {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(230, 190, 80));
        p.drawRect(QRectF(2, 6, 16, 12));
        QPainterPath lid;
        lid.moveTo(5, 9);
        lid.lineTo(21, 9);
        lid.lineTo(18, 18);
        lid.lineTo(2, 18);
        lid.closeSubpath();
        p.setBrush(QColor(250, 215, 110));
        p.drawPath(lid);
        break;
    }
    case gSave:
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(3, 3, 16, 16));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 10, 6));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(6, 12, 10, 7));
        break;
    case gPrint:
        drawPage(p, QRectF(6, 2, 10, 8));
        p.setBrush(QColor(170, 170, 180));
        p.drawRoundedRect(QRectF(2, 9, 18, 8), 2, 2);
        drawPage(p, QRectF(6, 14, 10, 6));
        break;
    case gPreview:
        drawPage(p, QRectF(3, 2, 12, 16));
        p.translate(5, 5);
        p.scale(0.7, 0.7);
        drawMagnifier(p);
        break;
    case gOriginal:
        drawPage(p, QRectF(3, 3, 16, 16));
        p.setPen(QPen(ink, 1.5));
        p.drawText(QRectF(3, 3, 16, 16), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    case gReplay: {
        p.setPen(QPen(QColor(30, 120, 40), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 14, 14), 90 * 16, 270 * 16);
        QPainterPath head;
        head.moveTo(11, 0.5);
        head.lineTo(16, 4);
        head.lineTo(11, 7.5);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 120, 40));
        p.drawPath(head);
        break;
    }
    case gCapture:
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(90, 90, 100));
        p.drawRoundedRect(QRectF(2, 7, 18, 12), 2, 2);
        p.drawRect(QRectF(7, 4, 8, 4));
        p.setBrush(QColor(160, 200, 240));
        p.drawEllipse(QPointF(11, 13), 4, 4);
        break;
    case gScroll: {
        QPainterPath arrows;
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(11, 11);
            p.rotate(90 * i);
            QPainterPath a;
            a.moveTo(0, -10);
            a.lineTo(4, -6);
            a.lineTo(-4, -6);
            a.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawPath(a);
            p.setPen(QPen(ink, 2));
            p.drawLine(QPointF(0, -6), QPointF(0, 0));
            p.restore();
        }
        break;
    }
    case gResize:
        p.setPen(QPen(QColor(200, 30, 30), 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3, 3, 16, 16));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        for (QPointF c : {QPointF(3, 3), QPointF(19, 3), QPointF(3, 19), QPointF(19, 19)})
            p.drawRect(QRectF(c.x() - 2, c.y() - 2, 4, 4));
        break;
    case gZoom:
        drawMagnifier(p);
        p.setPen(QPen(ink, 1.5));
        p.drawLine(QPointF(6, 9), QPointF(12, 9));
        p.drawLine(QPointF(9, 6), QPointF(9, 12));
        break;
    case gLasso: {
        p.setPen(QPen(ink, 1.2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        QPolygonF poly(
            {QPointF(3, 8), QPointF(10, 2), QPointF(19, 6), QPointF(17, 17), QPointF(7, 19)});
        p.drawPolygon(poly);
        break;
    }
    case gSliders:
        for (int i = 0; i < 3; ++i) {
            const QColor c[] = {QColor(220, 40, 40), QColor(40, 170, 40), QColor(40, 80, 220)};
            p.setPen(QPen(ink, 1));
            p.drawLine(QPointF(4 + 7 * i, 2), QPointF(4 + 7 * i, 20));
            p.setBrush(c[i]);
            p.drawRect(QRectF(1.5 + 7 * i, 4 + 5 * i, 5, 4));
        }
        break;
    case gThumbs:
        for (int i = 0; i < 4; ++i) {
            p.setPen(QPen(ink, 1));
            p.setBrush(i % 3 ? QColor(150, 190, 230) : QColor(240, 200, 140));
            p.drawRect(QRectF(2 + (i % 2) * 10, 2 + (i / 2) * 10, 8, 8));
        }
        break;
    case gExit: {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(150, 100, 60));
        p.drawRect(QRectF(4, 2, 11, 18));
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 11), QPointF(20, 11));
        p.drawLine(QPointF(17, 8), QPointF(20, 11));
        p.drawLine(QPointF(17, 14), QPointF(20, 11));
        break;
    }
    case gFace: {
        // A face inside the corner marks of a viewfinder.
        p.setPen(QPen(QColor(200, 30, 30), 1.5));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(11, 11);
            p.rotate(90 * i);
            p.drawLine(QPointF(-9.5, -9.5), QPointF(-5, -9.5));
            p.drawLine(QPointF(-9.5, -9.5), QPointF(-9.5, -5));
            p.restore();
        }
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(245, 205, 170));
        p.drawEllipse(QRectF(6, 4.5, 10, 13));
        p.drawPoint(QPointF(9.5, 10));
        p.drawPoint(QPointF(12.5, 10));
        p.drawLine(QPointF(10, 14), QPointF(12, 14));
        break;
    }
    case gPresent: {
        // A screen on its stand showing a head with its hair.
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(30, 40, 70));
        p.drawRoundedRect(QRectF(1.5, 2.5, 19, 14), 1.5, 1.5);
        p.drawLine(QPointF(11, 16.5), QPointF(11, 19.5));
        p.drawLine(QPointF(6, 20), QPointF(16, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(225, 185, 90));
        p.drawEllipse(QRectF(6.5, 4, 9, 8));
        p.drawRect(QRectF(6.5, 8, 9, 6.5));
        p.setBrush(QColor(245, 205, 170));
        p.drawEllipse(QRectF(8.5, 7, 5, 7));
        break;
    }
    default:
        if (glyph >= gCategory0 && glyph <= gCategory6)
            drawHairstyle(p, glyph - gCategory0);
        break;
    }
}

} // namespace

QIcon toolGlyph(ToolGlyph glyph) {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        draw(p, glyph);
    }
    return QIcon(pixmap);
}

} // namespace velvo::app
