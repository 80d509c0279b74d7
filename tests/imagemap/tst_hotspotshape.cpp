#include "imagemap/hotspotshape.h"

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
    for (const QPointF &p : inside)
        QVERIFY2(region->contains(p), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
    for (const QPointF &p : outside)
        QVERIFY2(!region->contains(p), qPrintable(u"(%1,%2)"_s.arg(p.x()).arg(p.y())));
}

void tst_HotSpotShape::emptyShapes_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("coords");

    QTest::newRow("polygon with two corners") << Shape::Poly << u"1,1,5,5"_s;
    QTest::newRow("polygon with five numbers") << Shape::Poly << u"1,1,5,5,9"_s;
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

QTEST_APPLESS_MAIN(tst_HotSpotShape)
#include "tst_hotspotshape.moc"
