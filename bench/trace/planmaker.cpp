#include "planmaker.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <QRandomGenerator>
#include <QTransform>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct Block
{
    QList<QPolygon> lots;
    QList<bool> straight;
    int lineWidth = 2;
    double angle = 0;
};

// The block's grid of corners: two rows of lots, dividers slanted at random, the middle line
// bent at each divider; a curved block has a bulging top side.
Block makeBlock(
    QRectF area, int columns, bool curved, double angle, int lineWidth, QRandomGenerator &random)
{
    Block block;
    block.lineWidth = lineWidth;
    block.angle = angle;
    const double w = area.width() / columns, d = area.height() / 2;
    QList<QList<QPointF>> grid(3);
    for (int j = 0; j <= 2; ++j)
        for (int i = 0; i <= columns; ++i) {
            double x = area.left() + i * w, y = area.top() + j * d;
            if (i > 0 && i < columns)
                x += (random.generateDouble() - 0.5) * 0.3 * w;
            if (j == 1)
                y += (random.generateDouble() - 0.5) * 0.2 * d;
            grid[j].append({ x, y });
        }
    const QPointF middle = area.center();
    QTransform turn;
    turn.translate(middle.x(), middle.y()).rotate(angle).translate(-middle.x(), -middle.y());
    const double sag = 0.35 * d;
    auto arcY = [&](double x) {
        const double u = (x - middle.x()) / (area.width() / 2);
        return area.top() - sag * (1 - u * u);
    };
    if (curved)
        for (QPointF &p : grid[0])
            p.setY(arcY(p.x()));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < columns; ++i) {
            QPolygonF lot;
            lot << grid[j][i];
            if (curved && j == 0) {
                // The arc, a corner every few pixels.
                const double from = grid[0][i].x(), to = grid[0][i + 1].x();
                const int steps = std::max(2, int((to - from) / 6));
                for (int s = 1; s < steps; ++s) {
                    const double x = from + (to - from) * s / steps;
                    lot << QPointF(x, arcY(x));
                }
            }
            lot << grid[j][i + 1] << grid[j + 1][i + 1] << grid[j + 1][i];
            block.lots.append(turn.map(lot).toPolygon());
            block.straight.append(!(curved && j == 0));
        }
    return block;
}

// The centre of the lot's area, where its number is printed. (The mean of the corners would sit
// near a curved side, whose many corners pull it there, and put the number across the line.)
QPointF centroid(const QPolygon &polygon)
{
    double area = 0;
    QPointF sum;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        const double cross = a.x() * b.y() - b.x() * a.y();
        area += cross;
        sum += (a + b) * cross;
    }
    return sum / (3 * area);
}

} // namespace

Plan makePlan(QSize size, int lotCount, quint32 seed, int jpegQuality)
{
    QRandomGenerator random(seed);
    constexpr int columns = 6;
    // Lot width from the area they share with roads and margins.
    const double margin = 0.03 * std::min(size.width(), size.height());
    double w = std::sqrt(0.85 * size.width() * size.height() / (2.2 * lotCount));
    int across = 0, down = 0;
    double road = 0;
    for (;; w *= 0.97) {
        road = 0.9 * w;
        across = int((size.width() - 2 * margin + road) / (columns * w + road));
        down = int((size.height() - 2 * margin + road) / (2 * 1.3 * w + road));
        if (across * down * 2 * columns >= lotCount)
            break;
    }
    QList<Block> blocks;
    int placed = 0;
    for (int by = 0; by < down && placed < lotCount; ++by)
        for (int bx = 0; bx < across && placed < lotCount; ++bx) {
            const QRectF area(margin + bx * (columns * w + road) + road / 2,
                margin + by * (2 * 1.3 * w + road) + road / 2, columns * w, 2 * 1.3 * w);
            const bool curved = random.bounded(100) < 15;
            const double angle =
                random.bounded(100) < 30 ? (random.generateDouble() * 2 - 1) * 15 : 0;
            Block block = makeBlock(area, columns, curved, angle, 2 + random.bounded(3), random);
            while (placed + block.lots.size() > lotCount) {
                block.lots.removeLast();
                block.straight.removeLast();
            }
            placed += int(block.lots.size());
            blocks.append(block);
        }

    Plan plan;
    QImage image(size, QImage::Format_RGB32);
    const QColor paper(0xf4, 0xf1, 0xe6), fill(0xfb, 0xf8, 0xef), ink(0x3a, 0x32, 0x2b);
    image.fill(paper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    for (const Block &block : blocks)
        for (const QPolygon &lot : block.lots)
            p.drawPolygon(lot);
    p.setBrush(Qt::NoBrush);
    for (const Block &block : blocks) {
        p.setPen(QPen(ink, block.lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        for (const QPolygon &lot : block.lots)
            p.drawPolygon(lot);
    }
    // Breaks in a tenth of the lots' lines, 4 to 10 px long, on a straight edge.
    for (const Block &block : blocks)
        for (int l = 0; l < block.lots.size(); ++l) {
            if (random.bounded(10) != 0 || !block.straight[l])
                continue;
            const QPolygon &lot = block.lots[l];
            const int e = random.bounded(int(lot.size()));
            const QPointF a = lot[e], b = lot[(e + 1) % lot.size()];
            const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
            const double gap = 4 + random.bounded(7);
            const double at = 0.3 + 0.4 * random.generateDouble();
            const QPointF direction = (b - a) / length;
            const QPointF from = a + (b - a) * at;
            p.setPen(QPen(fill, block.lineWidth + 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(from, from + direction * gap);
        }
    // Numbers, in the lot's turn.
    const QStringList families { u"DejaVu Sans"_s, u"DejaVu Serif"_s, u"DejaVu Sans Mono"_s };
    int number = 0;
    for (const Block &block : blocks)
        for (int l = 0; l < block.lots.size(); ++l) {
            const QPolygon &lot = block.lots[l];
            PlanLot truth;
            truth.name = QString::number(++number);
            truth.outline = lot;
            truth.straight = block.straight[l];
            const QPointF c = centroid(lot);
            const QPointF corner = lot[lot.size() - 1];
            truth.click = (c + 0.4 * (corner - c)).toPoint();
            plan.lots.append(truth);
            QFont font(families[random.bounded(int(families.size()))]);
            font.setPixelSize(int(w * (0.12 + 0.08 * random.generateDouble())));
            font.setBold(random.bounded(2));
            p.save();
            p.translate(c);
            p.rotate(block.angle);
            p.setFont(font);
            p.setPen(QColor(0x2d, 0x27, 0x22));
            p.drawText(QRectF(-w / 2, -w / 4, w, w / 2), Qt::AlignCenter, truth.name);
            p.restore();
        }
    // Trees over a few boundaries.
    p.setPen(QPen(QColor(0x3f, 0x6b, 0x3a), 1));
    p.setBrush(QColor(0x7d, 0xa8, 0x6a));
    for (const PlanLot &lot : std::as_const(plan.lots)) {
        if (random.bounded(100) >= 8)
            continue;
        const int e = random.bounded(int(lot.outline.size()));
        const QPointF a = lot.outline[e], b = lot.outline[(e + 1) % lot.outline.size()];
        const QPointF at = a + (b - a) * (0.2 + 0.6 * random.generateDouble());
        const double radius = 5 + random.bounded(5);
        p.drawEllipse(at, radius, radius);
    }
    p.end();
    if (jpegQuality > 0) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", jpegQuality);
        image = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB32);
    }
    plan.picture = image;
    return plan;
}
