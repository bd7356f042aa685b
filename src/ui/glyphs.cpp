#include "ui/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace tarnbeck {
namespace {

void drawExit(QPainter &p) {
    // An open door with an arrow leaving it.
    p.setPen(QPen(QColor(90, 60, 30), 1));
    p.setBrush(QColor(200, 150, 90));
    p.drawRect(2, 1, 8, 14);
    p.setBrush(QColor(120, 80, 40));
    p.drawPolygon(QPolygon({QPoint(2, 1), QPoint(7, 3), QPoint(7, 15), QPoint(2, 15)}));
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(9, 8, 15, 8);
    p.drawLine(12, 5, 15, 8);
    p.drawLine(12, 11, 15, 8);
}

void drawTree(QPainter &p) {
    // Three boxes joined like a directory tree.
    p.setPen(QColor(40, 40, 40));
    p.drawLine(4, 5, 4, 12);
    p.drawLine(4, 8, 9, 8);
    p.drawLine(4, 12, 9, 12);
    p.setBrush(QColor(0, 120, 60));
    p.drawRect(1, 1, 6, 4);
    p.setBrush(QColor(230, 190, 60));
    p.drawRect(9, 6, 6, 4);
    p.drawRect(9, 10, 6, 4);
}

void drawSettings(QPainter &p) {
    // A cog wheel.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 110));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(i * 45.0);
        p.drawRect(-1, -8, 3, 4);
        p.restore();
    }
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void drawAbout(QPainter &p) {
    p.setPen(QColor(0, 60, 160));
    p.setBrush(QColor(40, 110, 220));
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(7, 7, 2, 6);
    p.drawRect(7, 4, 2, 2);
}

void drawHelp(QPainter &p) {
    // An arrow with a question mark.
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(1, 1), QPoint(1, 12), QPoint(4, 9), QPoint(6, 14),
                            QPoint(8, 13), QPoint(6, 8), QPoint(10, 8)}));
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 200));
    p.drawText(QRect(9, 0, 7, 11), Qt::AlignCenter, QStringLiteral("?"));
}

void drawAdd(QPainter &p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 150, 0));
    p.drawRect(6, 2, 4, 12);
    p.drawRect(2, 6, 12, 4);
}

void drawDelete(QPainter &p) {
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawLine(3, 3, 13, 13);
    p.drawLine(13, 3, 3, 13);
}

void drawFind(QPainter &p) {
    // Binoculars.
    p.setPen(QColor(20, 20, 20));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(2, 4, 5, 8);
    p.drawRect(9, 4, 5, 8);
    p.drawRect(6, 6, 4, 3);
    p.setBrush(QColor(120, 180, 255));
    p.drawEllipse(2, 10, 5, 5);
    p.drawEllipse(9, 10, 5, 5);
}

} // namespace

QIcon GlyphIcon(Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    switch (glyph) {
    case Glyph::Exit: drawExit(painter); break;
    case Glyph::Tree: drawTree(painter); break;
    case Glyph::Settings: drawSettings(painter); break;
    case Glyph::About: drawAbout(painter); break;
    case Glyph::Help: drawHelp(painter); break;
    case Glyph::Add: drawAdd(painter); break;
    case Glyph::Delete: drawDelete(painter); break;
    case Glyph::Find: drawFind(painter); break;
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace tarnbeck
