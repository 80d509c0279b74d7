#include "trace/detectsites.h"
#include "trace/tracesite.h"

#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QPolygon polygon(std::initializer_list<QPoint> points)
{
    return QPolygon(QList<QPoint>(points));
}

QPolygon turned(const QPolygon &p, double degrees)
{
    QTransform t;
    const QPointF c = p.boundingRect().center();
    t.translate(c.x(), c.y()).rotate(degrees).translate(-c.x(), -c.y());
    return t.map(p);
}

// Lots drawn as a plan draws them: a light fill, dark lines along their outlines.
QImage plan(const QList<QPolygon> &lots, int lineWidth = 3, QSize size = { 400, 300 })
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xf4, 0xf1, 0xe6));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(
        QPen(QColor(0x3a, 0x32, 0x2b), lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(0xfb, 0xf8, 0xef));
    for (const QPolygon &lot : lots)
        p.drawPolygon(lot);
    return image;
}

const QPolygon lot = polygon({ { 100, 80 }, { 300, 80 }, { 300, 220 }, { 100, 220 } });

// Same corners, each within a pixel.
bool sameCorners(const QPolygon &traced, const QPolygon &drawn)
{
    if (traced.size() != drawn.size())
        return false;
    for (const QPoint &d : drawn)
        if (std::none_of(traced.begin(), traced.end(), [d](QPoint t) {
                return std::abs(t.x() - d.x()) <= 1 && std::abs(t.y() - d.y()) <= 1;
            }))
            return false;
    return true;
}

} // namespace

class TestTrace : public QObject
{
    Q_OBJECT

private slots:
    void traceSite_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QPoint>("seed");
        QTest::addColumn<QPolygon>("expected"); // empty: nothing traced

        QTest::newRow("square lot") << plan({ lot }) << QPoint(150, 120) << lot;
        QImage broken = plan({ lot }, 2);
        {
            QPainter p(&broken);
            p.fillRect(QRect(180, 77, 6, 6), QColor(0xfb, 0xf8, 0xef));
        }
        QTest::newRow("6-px break") << broken << QPoint(150, 120) << lot;
        QTest::newRow("turned 12 degrees")
            << plan({ turned(lot, 12) }, 4) << QPoint(200, 150) << turned(lot, 12);
        QImage labelled = plan({ lot });
        {
            QPainter p(&labelled);
            p.setFont(QFont(u"DejaVu Sans"_s, 20, QFont::Bold));
            p.setPen(Qt::black);
            p.drawText(lot.boundingRect(), Qt::AlignCenter, u"Lot 17"_s);
            p.setBrush(QColor(0x7d, 0xa8, 0x6a));
            p.drawEllipse(QPoint(250, 220), 8, 8); // a tree over the boundary
        }
        QTest::newRow("label and tree") << labelled << QPoint(120, 100) << lot;
        QTest::newRow("outside every lot") << plan({ lot }) << QPoint(20, 20) << QPolygon();
        QTest::newRow("on the line") << plan({ lot }) << QPoint(100, 150) << QPolygon();
        QImage coloured(400, 300, QImage::Format_RGB32);
        coloured.fill(Qt::white);
        {
            QPainter p(&coloured);
            p.fillRect(QRect(100, 80, 200, 140), QColor(0x9c, 0xc4, 0x7a));
            p.fillRect(QRect(300, 80, 60, 140), QColor(0xe8, 0xa0, 0x60));
        }
        QTest::newRow("coloured regions") << coloured << QPoint(200, 150) << lot;
        // A grey map: countries parted by a faint line, a coast that fades into the sea.
        QImage map(400, 300, QImage::Format_RGB32);
        map.fill(QColor(253, 253, 253));
        {
            QPainter p(&map);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(187, 187, 187));
            p.drawRect(QRect(100, 80, 260, 140));
            p.setPen(QPen(QColor(253, 253, 253), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(100, 80, 260, 140));
            p.setPen(QPen(QColor(197, 197, 197), 1));
            p.drawLine(QPointF(300.5, 80), QPointF(300.5, 220));
        }
        QTest::newRow("grey map") << map << QPoint(200, 150) << lot;
        // An island too narrow for the room a click on a plan needs.
        QImage island = map;
        QPainter(&island).fillRect(QRect(40, 100, 2, 12), QColor(187, 187, 187));
        QTest::newRow("island two pixels wide")
            << island << QPoint(40, 105)
            << polygon({ { 40, 100 }, { 42, 100 }, { 42, 112 }, { 40, 112 } });
    }

    void traceSite()
    {
        QFETCH(QImage, picture);
        QFETCH(QPoint, seed);
        QFETCH(QPolygon, expected);
        const auto site = ::traceSite(picture, seed);
        QCOMPARE(site.has_value(), !expected.isEmpty());
        if (!site)
            return;
        QVERIFY2(sameCorners(site->outline, expected),
            qPrintable(u"%1 corners, first %2,%3"_s.arg(site->outline.size())
                           .arg(site->outline.value(0).x())
                           .arg(site->outline.value(0).y())));
        // The crop for reading holds the interior only: its paper's tone around, no line.
        const QImage crop = interiorCrop(picture, *site);
        QVERIFY(!crop.isNull());
        const int paper = qGray(crop.pixel(seed - site->bounds.topLeft()));
        QVERIFY(std::abs(qGray(crop.pixel(0, 0)) - paper) <= 2);
        QVERIFY(std::abs(qGray(crop.pixel(crop.width() - 1, crop.height() / 2)) - paper) <= 2);
    }

    void snapToCorners_data()
    {
        QTest::addColumn<QPolygon>("traced");
        QTest::addColumn<QPolygon>("snapped");
        const QList<QPolygon> existing { polygon({ { 0, 0 }, { 100, 0 }, { 100, 50 } }) };
        QTest::newRow("near corners taken")
            << polygon({ { 103, 2 }, { 200, 0 }, { 197, 51 }, { 98, 49 } })
            << polygon({ { 100, 0 }, { 200, 0 }, { 197, 51 }, { 100, 50 } });
        QTest::newRow("two onto one")
            << polygon({ { 99, 1 }, { 101, -1 }, { 150, 60 }, { 90, 70 } })
            << polygon({ { 100, 0 }, { 150, 60 }, { 90, 70 } });
        QTest::newRow("far corners stay") << polygon({ { 110, 0 }, { 200, 0 }, { 150, 60 } })
                                          << polygon({ { 110, 0 }, { 200, 0 }, { 150, 60 } });
        QTest::addRow("existing") << existing[0] << existing[0];
    }

    void snapToCorners()
    {
        QFETCH(QPolygon, traced);
        QFETCH(QPolygon, snapped);
        ::snapToCorners(traced, { polygon({ { 0, 0 }, { 100, 0 }, { 100, 50 } }) }, 6);
        QCOMPARE(traced, snapped);
    }

    void detectSites_data()
    {
        QTest::addColumn<QList<QPolygon>>("covered");
        QTest::addColumn<int>("found");
        const QPolygon first = polygon({ { 40, 40 }, { 140, 40 }, { 140, 140 }, { 40, 140 } });
        QTest::newRow("nothing covered") << QList<QPolygon>() << 6;
        QTest::newRow("one hot spot on a lot") << QList<QPolygon> { first } << 5;
        QTest::newRow("a small hot spot inside a lot")
            << QList<QPolygon> { polygon({ { 160, 60 }, { 180, 60 }, { 170, 80 } }) } << 5;
        QTest::newRow("a hot spot over two lots")
            << QList<QPolygon> { polygon({ { 40, 160 }, { 240, 160 }, { 240, 260 }, { 40, 260 } }) }
            << 4;
    }

    void detectSites()
    {
        QFETCH(QList<QPolygon>, covered);
        QFETCH(int, found);
        // Three lots by two inside a frame that reaches the picture's edge.
        QList<QPolygon> lots;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column)
                lots.append(QRect(40 + 100 * column, 40 + 120 * row, 100, 100 + 20 * row)
                                .adjusted(0, 0, -1, -1));
        QList<QPolygon> corners;
        for (const QPolygon &l : lots)
            corners.append(
                polygon({ l[0], l[1] + QPoint(1, 0), l[2] + QPoint(1, 1), l[3] + QPoint(0, 1) }));
        const QImage picture = plan(corners, 3, { 420, 320 });
        int done = 0;
        const QList<SiteProposal> proposals =
            ::detectSites(picture, covered, {}, [&](int d, int) { done = d; });
        int lotsFound = 0, margins = 0;
        for (const SiteProposal &p : proposals) {
            if (p.touchesEdge()) {
                // The frame's outside: proposed, flagged, and far larger than a lot.
                ++margins;
                QVERIFY(p.sizeToMedian > 4);
                continue;
            }
            lotsFound += std::any_of(corners.begin(), corners.end(),
                [&](const QPolygon &c) { return sameCorners(p.site.outline, c); });
        }
        QCOMPARE(margins, 1);
        QCOMPARE(proposals.size(), found + 1);
        QCOMPARE(lotsFound, found);
        QCOMPARE(done, found);
    }
};

QTEST_MAIN(TestTrace)
#include "tst_trace.moc"
