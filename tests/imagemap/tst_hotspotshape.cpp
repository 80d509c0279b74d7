#include "imagemap/hotspotshape.h"

#include <QLineF>
#include <QTest>

using namespace Qt::StringLiterals;

using Shape = MapArea::Shape;
using Points = QList<QPointF>;

Q_DECLARE_METATYPE(MapArea::Shape)

class tst_HotSpotShape : public QObject
{
    Q_OBJECT

private slots:
    void contains_data();
    void contains();
    void emptyShapes_data();
    void emptyShapes();
    void shapesWithoutArea_data();
    void shapesWithoutArea();
};

void tst_HotSpotShape::contains_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("coords");
    QTest::addColumn<Points>("inside");
    QTest::addColumn<Points>("outside");

    const Points rectIn { { 3, 3 }, { 9, 9 } };
    const Points rectOut { { 1, 3 }, { 3, 1 }, { 11, 9 }, { 9, 11 } };
    const Points all { { 3, 3 }, { 9, 9 }, { 1, 3 }, { 3, 1 }, { 11, 9 }, { 9, 11 } };
    QTest::newRow("rect") << Shape::Rect << u"2,2,10,10"_s << rectIn << rectOut;
    QTest::newRow("rect, semicolons") << Shape::Rect << u"2;2;10;10"_s << rectIn << rectOut;
    QTest::newRow("rect, garbage between numbers")
        << Shape::Rect << u"2a2b20c20,2,10,10"_s << rectIn << rectOut;
    QTest::newRow("rect, percent") << Shape::Rect << u"2%,2%,10%,10%"_s << rectIn << rectOut;
    QTest::newRow("rect, too few numbers") << Shape::Rect << u"2,2,10"_s << Points {} << all;
    QTest::newRow("rect, trailing comma") << Shape::Rect << u"2,2,10,"_s << Points {} << all;
    QTest::newRow("rect, consecutive commas") << Shape::Rect << u"2,,10,10"_s << Points {} << all;
    QTest::newRow("rect, line tabulation")
        << Shape::Rect << u"2\u000b2\u000b10\u000b10"_s << Points {} << all;
    QTest::newRow("rect, leading full stop")
        << Shape::Rect << u".4,.4,10,10"_s << Points { { 1, 1 } } << Points { { 0, 0 } };
    QTest::newRow("rect, corners swapped") << Shape::Rect << u"10,10,2,2"_s << rectIn << rectOut;
    QTest::newRow("rect, edges count")
        << Shape::Rect << u"2,2,10,10"_s << Points { { 2, 2 }, { 10, 10 }, { 2, 10 }, { 6, 2 } }
        << Points { { 1.9, 5 }, { 10.1, 5 } };
    QTest::newRow("rect, extra numbers ignored")
        << Shape::Rect << u"2,2,10,10,50,50"_s << rectIn << Points { { 40, 40 } };

    QTest::newRow("circle") << Shape::Circle << u"10,10,5"_s
                            << Points { { 10, 10 }, { 15, 10 }, { 10, 5 }, { 13, 13 } }
                            << Points { { 15.1, 10 }, { 14, 14 }, { 0, 0 } };

    QTest::newRow("triangle edges and corners")
        << Shape::Poly << u"0,0,10,0,0,10"_s
        << Points { { 0, 0 }, { 10, 0 }, { 0, 10 }, { 5, 5 }, { 2, 2 }, { 5, 0 } }
        << Points { { 6, 5 }, { 10, 10 }, { -0.1, 5 }, { 11, 0 } };
    QTest::newRow("odd number drops the last")
        << Shape::Poly << u"0,0,10,0,0,10,99"_s << Points { { 2, 2 } } << Points { { 50, 50 } };
    // Bow tie: two triangles meeting at (5,5).
    QTest::newRow("self-intersecting bow tie")
        << Shape::Poly << u"0,0,10,10,10,0,0,10"_s << Points { { 1, 5 }, { 9, 5 }, { 5, 5 } }
        << Points { { 5, 1 }, { 5, 9 } };
    // Pentagram drawn in one stroke: the centre pentagon is covered twice, so even-odd leaves
    // it out.
    QTest::newRow("pentagram centre is outside")
        << Shape::Poly << u"50,0,79,90,2,35,98,35,21,90"_s
        << Points { { 50, 10 }, { 10, 37 }, { 88, 37 } } << Points { { 50, 50 }, { 0, 0 } };
    QTest::newRow("concave U") << Shape::Poly << u"0,0,30,0,30,30,20,30,20,10,10,10,10,30,0,30"_s
                               << Points { { 5, 20 }, { 25, 20 }, { 15, 5 } }
                               << Points { { 15, 20 }, { 15, 29 } };
    QTest::newRow("horizontal edge through the point's row")
        << Shape::Poly << u"0,0,10,0,10,5,20,5,20,10,0,10"_s
        << Points { { 5, 5 }, { 15, 7 }, { 15, 5 } } << Points { { 15, 3 }, { 25, 5 } };
    QTest::newRow("default covers everything")
        << Shape::Default << QString() << Points { { 0, 0 }, { -5, 1e6 } } << Points {};
}

void tst_HotSpotShape::contains()
{
    QFETCH(Shape, shape);
    QFETCH(QString, coords);
    QFETCH(Points, inside);
    QFETCH(Points, outside);

    MapArea area;
    area.shape = shape;
    area.coords = AreaParser::parseCoords(coords);
    const std::optional<HotSpotShape> region = HotSpotShape::fromArea(area);
    QCOMPARE(region.has_value(), !inside.isEmpty());
    if (!region)
        return;
    // Areas with a region keep the browser's rule exactly, whatever slack clicks are given.
    QVERIFY(!region->isDegenerate());
    for (const QPointF &p : inside) {
        QVERIFY2(region->contains(p), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
        QVERIFY(region->hits(p, 3));
    }
    for (const QPointF &p : outside) {
        QVERIFY2(!region->contains(p), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
        QVERIFY(!region->hits(p, 3));
    }
}

void tst_HotSpotShape::emptyShapes_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("coords");

    QTest::newRow("polygon without a corner") << Shape::Poly << u"7"_s;
    QTest::newRow("circle without radius") << Shape::Circle << u"1,1"_s;
    QTest::newRow("circle of radius 0") << Shape::Circle << u"1,1,0"_s;
    QTest::newRow("circle of negative radius") << Shape::Circle << u"1,1,-4"_s;
    QTest::newRow("no coords") << Shape::Rect << QString();
}

void tst_HotSpotShape::emptyShapes()
{
    QFETCH(Shape, shape);
    QFETCH(QString, coords);
    MapArea area;
    area.shape = shape;
    area.coords = AreaParser::parseCoords(coords);
    QVERIFY(!HotSpotShape::fromArea(area));
}

void tst_HotSpotShape::shapesWithoutArea_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("coords");
    QTest::addColumn<QLineF>("drawn"); // the segment shown, in whole pixels
    QTest::addColumn<Points>("reached"); // within 3 pixels
    QTest::addColumn<Points>("missed");

    QTest::newRow("two corners, as one Shift click and the closing click leave them")
        << Shape::Poly << u"10,10,40,10"_s << QLineF(10, 10, 40, 10)
        << Points { { 25, 10 }, { 25, 13 }, { 7, 10 }, { 42, 12 } }
        << Points { { 25, 13.5 }, { 6.9, 10 }, { 43, 13 } };
    QTest::newRow("five numbers are two corners")
        << Shape::Poly << u"1,1,5,5,9"_s << QLineF(1, 1, 5, 5) << Points { { 3, 3 }, { 5, 7 } }
        << Points { { 8, 8 } };
    QTest::newRow("corners on one slanted line, out of order")
        << Shape::Poly << u"20,20,0,0,10,10,30,30"_s << QLineF(0, 0, 30, 30)
        << Points { { 15, 15 }, { 31, 29 }, { -2, -2 } } << Points { { 15, 20 }, { 34, 34 } };
    QTest::newRow("corners on a vertical line")
        << Shape::Poly << u"5,0,5,50,5,20"_s << QLineF(5, 0, 5, 50) << Points { { 8, 25 } }
        << Points { { 8.5, 25 }, { 5, 54 } };
    QTest::newRow("every corner the same: a dot")
        << Shape::Poly << u"9,9,9,9,9,9"_s << QLineF(9, 9, 9, 9) << Points { { 11, 11 } }
        << Points { { 12, 12 } };
    QTest::newRow("a single corner: a dot") << Shape::Poly << u"9,9"_s << QLineF(9, 9, 9, 9)
                                            << Points { { 9, 12 } } << Points { { 9, 12.5 } };
    QTest::newRow("rectangle without height") << Shape::Rect << u"0,4,20,4"_s << QLineF(0, 4, 20, 4)
                                              << Points { { 10, 1 } } << Points { { 10, 0 } };
}

void tst_HotSpotShape::shapesWithoutArea()
{
    QFETCH(Shape, shape);
    QFETCH(QString, coords);
    QFETCH(QLineF, drawn);
    QFETCH(Points, reached);
    QFETCH(Points, missed);

    MapArea area;
    area.shape = shape;
    area.coords = AreaParser::parseCoords(coords);
    const std::optional<HotSpotShape> spot = HotSpotShape::fromArea(area);
    QVERIFY(spot);
    QVERIFY(spot->isDegenerate());
    QCOMPARE(spot->isDot(), drawn.length() == 0);
    QCOMPARE(spot->outline(), QPolygon({ drawn.p1().toPoint(), drawn.p2().toPoint() }));
    for (const QPointF &p : reached)
        QVERIFY2(spot->hits(p, 3), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
    for (const QPointF &p : missed)
        QVERIFY2(!spot->hits(p, 3), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
    // The slack is the caller's: at a larger zoom it is fewer picture pixels.
    QVERIFY(!spot->hits(reached.constLast(), 0.5));
}

QTEST_APPLESS_MAIN(tst_HotSpotShape)
#include "tst_hotspotshape.moc"
