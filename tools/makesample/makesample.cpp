// Draws the sample site plan shipped in examples/ and writes its map file, so that the picture
// and the hot spots always agree. Run by tools/make-sample.sh.

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QRandomGenerator>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct Lot
{
    QString name;
    QPolygon outline;
};

QPolygon poly(std::initializer_list<QPoint> points)
{
    return QPolygon(QList<QPoint>(points));
}

QList<Lot> lots()
{
    // Two rows of lots along Cedar Lane, a cul-de-sac group on Birch Court, and a common.
    QList<Lot> result;
    const int top = 120, depth = 230;
    const int widths[] = { 150, 140, 150, 160, 150 };
    int x = 90;
    for (int i = 0; i < 5; ++i) {
        result.append({ u"Lot %1"_s.arg(i + 1),
            poly({ { x, top }, { x + widths[i], top }, { x + widths[i], top + depth },
                { x, top + depth } }) });
        x += widths[i];
    }
    const int bottom = 470;
    x = 90;
    for (int i = 0; i < 4; ++i) {
        const int w = i == 3 ? 200 : 170;
        const int d = 250 - i * 12;
        result.append({ u"Lot %1"_s.arg(i + 6),
            poly({ { x, bottom }, { x + w, bottom }, { x + w, bottom + d },
                { x, bottom + d + (i == 0 ? 0 : 12) } }) });
        x += w;
    }
    // Irregular lots on the curve of Birch Court.
    result.append({ u"Lot 10"_s,
        poly({ { 990, 120 }, { 1180, 120 }, { 1150, 300 }, { 1040, 330 }, { 990, 330 } }) });
    result.append({ u"Lot 11"_s,
        poly({ { 1180, 120 }, { 1390, 120 }, { 1390, 330 }, { 1250, 360 }, { 1150, 300 } }) });
    result.append({ u"Lot 12"_s,
        poly({ { 1250, 560 }, { 1390, 540 }, { 1390, 760 }, { 1180, 760 }, { 1200, 610 } }) });
    result.append({ u"Common"_s,
        poly({ { 990, 520 }, { 1080, 560 }, { 1200, 610 }, { 1180, 760 }, { 990, 760 } }) });
    return result;
}

void drawPlan(QImage &image, const QList<Lot> &lots)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), QColor(0xf4, 0xf1, 0xe6));

    // Faint survey grid.
    p.setPen(QPen(QColor(0xe2, 0xdd, 0xcc), 1));
    for (int gx = 0; gx < image.width(); gx += 50)
        p.drawLine(gx, 0, gx, image.height());
    for (int gy = 0; gy < image.height(); gy += 50)
        p.drawLine(0, gy, image.width(), gy);

    // Roads.
    const QColor asphalt(0xb8, 0xb4, 0xaa);
    p.setPen(Qt::NoPen);
    p.setBrush(asphalt);
    p.drawRect(40, 370, 1400, 80); // Cedar Lane
    p.drawRect(900, 60, 70, 760); // Birch Court
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(40, 410, 900, 410);
    p.drawLine(970, 410, 1440, 410);
    p.drawLine(935, 60, 935, 370);
    p.drawLine(935, 450, 935, 820);

    // Lots.
    QFont numberFont(u"DejaVu Sans"_s, 15, QFont::Bold);
    for (const Lot &lot : lots) {
        const bool common = lot.name == u"Common"_s;
        p.setBrush(common ? QColor(0xcf, 0xe3, 0xc0) : QColor(0xfb, 0xf8, 0xef));
        p.setPen(QPen(QColor(0x4a, 0x3f, 0x35), 2));
        p.drawPolygon(lot.outline);
        p.setFont(numberFont);
        p.setPen(QColor(0x2d, 0x27, 0x22));
        const QString label = common ? u"COMMON\nAREA"_s : lot.name.mid(4);
        p.drawText(lot.outline.boundingRect(), Qt::AlignCenter, label);
    }

    // A few trees on the common and along the lane.
    QRandomGenerator trees(7);
    p.setPen(QPen(QColor(0x3f, 0x6b, 0x3a), 1));
    p.setBrush(QColor(0x7d, 0xa8, 0x6a));
    for (int i = 0; i < 14; ++i) {
        const int tx = 1005 + trees.bounded(70);
        const int ty = 690 + trees.bounded(55);
        p.drawEllipse(QPoint(tx, ty), 9, 9);
    }

    // Street names.
    p.setPen(QColor(0x3a, 0x36, 0x30));
    p.setFont(QFont(u"DejaVu Sans"_s, 13, QFont::DemiBold));
    p.drawText(QRect(60, 420, 400, 26), Qt::AlignLeft | Qt::AlignVCenter, u"CEDAR LANE"_s);
    p.save();
    p.translate(948, 260);
    p.rotate(-90);
    p.drawText(QRect(-80, -12, 160, 24), Qt::AlignCenter, u"BIRCH CT."_s);
    p.restore();

    // Title block.
    p.setFont(QFont(u"DejaVu Serif"_s, 20, QFont::Bold));
    p.drawText(QRect(90, 20, 900, 40), Qt::AlignLeft | Qt::AlignVCenter,
        u"CEDAR HOLLOW \u2014 PHASE 1 SITE PLAN"_s);
    p.setFont(QFont(u"DejaVu Sans"_s, 10));
    p.drawText(QRect(90, 62, 900, 24), Qt::AlignLeft | Qt::AlignVCenter,
        u"Lots as recorded in the site register. Dimensions approximate."_s);

    // Legend.
    const QRect legend(1460, 120, 180, 210);
    p.setPen(QPen(QColor(0x4a, 0x3f, 0x35), 1.5));
    p.setBrush(QColor(0xff, 0xfd, 0xf6));
    p.drawRect(legend);
    p.setFont(QFont(u"DejaVu Sans"_s, 11, QFont::Bold));
    p.drawText(legend.adjusted(10, 8, -10, 0), Qt::AlignTop | Qt::AlignLeft, u"LEGEND"_s);
    p.setFont(QFont(u"DejaVu Sans"_s, 9));
    const struct
    {
        QColor fill;
        QString text;
    } keys[] = {
        { QColor(0xfb, 0xf8, 0xef), u"Lot for sale"_s },
        { QColor(0xcf, 0xe3, 0xc0), u"Common area"_s },
        { asphalt, u"Road"_s },
    };
    int ky = legend.top() + 40;
    for (const auto &key : keys) {
        p.setBrush(key.fill);
        p.drawRect(legend.left() + 12, ky, 26, 18);
        p.drawText(QRect(legend.left() + 48, ky, 120, 18), Qt::AlignVCenter, key.text);
        ky += 30;
    }
    p.setBrush(QColor(0x7d, 0xa8, 0x6a));
    p.drawEllipse(QPoint(legend.left() + 25, ky + 9), 8, 8);
    p.drawText(QRect(legend.left() + 48, ky, 120, 18), Qt::AlignVCenter, u"Tree"_s);

    // North arrow and scale bar.
    p.setBrush(QColor(0x2d, 0x27, 0x22));
    p.drawPolygon(poly({ { 1550, 360 }, { 1568, 420 }, { 1550, 408 }, { 1532, 420 } }));
    p.setFont(QFont(u"DejaVu Sans"_s, 13, QFont::Bold));
    p.drawText(QRect(1530, 330, 40, 26), Qt::AlignCenter, u"N"_s);
    p.setPen(QPen(QColor(0x2d, 0x27, 0x22), 2));
    p.drawLine(1470, 500, 1630, 500);
    for (int i = 0; i <= 4; ++i)
        p.drawLine(1470 + i * 40, 494, 1470 + i * 40, 506);
    p.setFont(QFont(u"DejaVu Sans"_s, 9));
    p.drawText(QRect(1460, 510, 180, 20), Qt::AlignCenter, u"0    20    40    60    80 ft"_s);
}

bool writeMap(const QString &path, const QList<Lot> &lots)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "<map name=map>\r\n";
    for (const Lot &lot : lots) {
        QStringList coords;
        for (const QPoint &pt : lot.outline)
            coords << QString::number(pt.x()) << QString::number(pt.y());
        text += "<AREA SHAPE=POLY COORDS=\"" + coords.join(u',').toUtf8() + "\" ID=\""
            + lot.name.toUtf8() + "\" color=\"#00ff00\">\r\n";
    }
    text += "</map>\r\n";
    return file.write(text) == text.size();
}

// A large plan for measurements: 6000 by 4000 pixels with 1001 lots of 6 to 10 corners.
QList<Lot> largeLots()
{
    QList<Lot> result;
    QRandomGenerator rng(1001);
    const int columns = 33, cellW = 176, cellH = 125, left = 96, top = 80;
    for (int n = 0; n < 1001; ++n) {
        const int col = n % columns, row = n / columns;
        const QPoint centre(left + col * cellW + cellW / 2, top + row * cellH + cellH / 2);
        const int corners = 6 + n % 5;
        QPolygon outline;
        for (int k = 0; k < corners; ++k) {
            const double angle = 2 * M_PI * k / corners;
            const double rx = cellW * (0.36 + 0.08 * rng.generateDouble());
            const double ry = cellH * (0.36 + 0.08 * rng.generateDouble());
            outline << QPoint(centre.x() + qRound(rx * std::cos(angle)),
                centre.y() + qRound(ry * std::sin(angle)));
        }
        result.append({ QString::number(n + 1), outline });
    }
    return result;
}

void drawLargePlan(QImage &image, const QList<Lot> &lots)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), QColor(0xf4, 0xf1, 0xe6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb8, 0xb4, 0xaa));
    for (int y = 80; y < image.height(); y += 125 * 4)
        p.drawRect(0, y - 6, image.width(), 12);
    p.setFont(QFont(u"DejaVu Sans"_s, 11, QFont::Bold));
    for (const Lot &lot : lots) {
        p.setBrush(QColor(0xfb, 0xf8, 0xef));
        p.setPen(QPen(QColor(0x4a, 0x3f, 0x35), 2));
        p.drawPolygon(lot.outline);
        p.setPen(QColor(0x2d, 0x27, 0x22));
        p.drawText(lot.outline.boundingRect(), Qt::AlignCenter, lot.name);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const bool large = argc == 4 && qstrcmp(argv[1], "--large") == 0;
    if (argc != 3 && !large) {
        qWarning("usage: makesample [--large] PICTURE.jpg MAP.map");
        return 2;
    }
    if (large)
        ++argv;
    const QList<Lot> plan = large ? largeLots() : lots();
    QImage image(large ? QSize(6000, 4000) : QSize(1650, 860), QImage::Format_RGB32);
    if (large)
        drawLargePlan(image, plan);
    else
        drawPlan(image, plan);
    if (!image.save(QString::fromLocal8Bit(argv[1]), nullptr, 90)) {
        qWarning("cannot write the picture");
        return 1;
    }
    if (!writeMap(QString::fromLocal8Bit(argv[2]), plan)) {
        qWarning("cannot write the map");
        return 1;
    }
    return 0;
}
