#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QStringList>

/// A drawn site plan of 6000 x 4000 pixels with 50 lots in five blocks: rectangles, interlocking
/// L-shaped pairs, slanted neighbours, U-shaped lots around open yards, and zigzag boundaries.
/// Each lot comes with a point well inside it; the streets and yards belong to no lot.
struct DrawnPlan
{
    struct Lot
    {
        QString name, coords;
        QPolygonF outline;
        QPointF inside;
    };

    QImage picture;
    QList<Lot> lots;
    QList<QPointF> outside;

    static DrawnPlan make(bool antialiased = true)
    {
        DrawnPlan plan;
        constexpr double w = 570, h = 640, left = 150;
        auto add = [&](QPolygonF outline, QPointF inside) {
            QStringList numbers;
            for (const QPointF &p : outline)
                numbers << QString::number(p.x()) << QString::number(p.y());
            plan.lots.append({ QString::fromUtf16(u"Lot %1").arg(plan.lots.size() + 1),
                numbers.join(u','), outline, inside });
        };
        plan.outside.append({ 75, 2000 }); // the margin
        for (int row = 0; row < 5; ++row) {
            const double y = 100 + row * 790;
            plan.outside.append({ 3000, y + h + 75 }); // the street below the block
            for (int col = 0; col < 10; ++col) {
                const double x = left + col * w, r = x + w, b = y + h;
                if (row == 0) {
                    add(QRectF(x, y, w, h), { x + w / 2, y + h / 2 });
                } else if (row == 1 && col % 2) {
                    // The right one of a pair: its point lies in the left one's bounding box.
                    add({ { x + w / 2, y }, { r, y }, { r, b }, { x, b }, { x, y + h / 2 },
                            { x + w / 2, y + h / 2 } },
                        { x + w / 4, y + 3 * h / 4 });
                } else if (row == 1) {
                    add({ { x, y }, { r + w / 2, y }, { r + w / 2, y + h / 2 }, { r, y + h / 2 },
                            { r, b }, { x, b } },
                        { r + w / 4, y + h / 4 });
                } else if (row == 2) {
                    const double s = col % 2 ? -100 : 100, t = col == 9 ? 0 : s;
                    const double u = col == 0 ? 0 : -s;
                    add({ { x - u, y }, { r - t, y }, { r + t, b }, { x + u, b } },
                        { x + w / 2, y + h / 2 });
                } else if (row == 3) {
                    add({ { x, y }, { x + 170, y }, { x + 170, y + 400 }, { r - 170, y + 400 },
                            { r - 170, y }, { r, y }, { r, b }, { x, b } },
                        { x + 85, y + 200 });
                    plan.outside.append({ x + w / 2, y + 150 });
                } else {
                    QPolygonF outline;
                    for (int k = 0; k <= 4; ++k)
                        outline << QPointF(col ? x + (k % 2 ? 160 : 0) : x, y + k * h / 4);
                    for (int k = 4; k >= 0; --k)
                        outline << QPointF(col < 9 ? r + (k % 2 ? 160 : 0) : r, y + k * h / 4);
                    add(outline, { x + w / 2 + 40, y + h / 2 });
                }
            }
        }

        plan.picture = QImage(6000, 4000, QImage::Format_RGB32);
        plan.picture.fill(QColor(250, 248, 240));
        QPainter painter(&plan.picture);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        painter.setRenderHint(QPainter::TextAntialiasing, antialiased);
        const QColor fills[] = { { 214, 232, 200 }, { 240, 220, 190 }, { 205, 220, 240 },
            { 235, 205, 215 }, { 225, 225, 200 } };
        QFont font = painter.font();
        font.setPixelSize(90);
        font.setStyleStrategy(antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(QPen(QColor(60, 60, 60), 6));
        for (qsizetype k = 0; k < plan.lots.size(); ++k) {
            const Lot &lot = plan.lots[k];
            painter.setBrush(fills[k % 5]);
            painter.drawPolygon(lot.outline);
            painter.drawText(QRectF(lot.inside - QPointF(150, 60), QSizeF(300, 120)),
                Qt::AlignCenter, QString::number(k + 1));
        }
        return plan;
    }
};
