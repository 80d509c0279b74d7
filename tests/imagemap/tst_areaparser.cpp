#include "imagemap/areaparser.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

using Shape = MapArea::Shape;

Q_DECLARE_METATYPE(MapArea)
Q_DECLARE_METATYPE(MapArea::Shape)

namespace {

// \a written: the id as the text has it, when that differs from the value a browser reads.
MapArea area(Shape shape, QList<double> coords, const QString &id = {}, const QString &color = {},
    const QString &written = {})
{
    MapArea a;
    a.shape = shape;
    a.coords = std::move(coords);
    a.id = id;
    a.idAsWritten = written.isNull() ? id : written;
    a.color = color;
    return a;
}

QString describe(const QList<MapArea> &areas)
{
    QStringList parts;
    for (const MapArea &a : areas) {
        QStringList numbers;
        for (double v : a.coords)
            numbers.append(QString::number(v));
        parts.append(u"%1[%2] id=<%3> as written <%4> color=<%5>"_s.arg(int(a.shape))
                         .arg(numbers.join(u','), a.id, a.idAsWritten, a.color));
    }
    return parts.join(u" | ");
}

} // namespace

class tst_AreaParser : public QObject
{
    Q_OBJECT

private slots:
    void parseAreas_data();
    void parseAreas();
    void fastReaderHandsOver_data();
    void fastReaderHandsOver();
    void realMaps_data();
    void realMaps();
    void garbageNeverCrashes();
    void parseCoords_data();
    void parseCoords();
    void shapeKeywords_data();
    void shapeKeywords();
};

void tst_AreaParser::parseAreas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<MapArea>>("expected");

    const QList<double> tri { 1, 1, 9, 1, 9, 9 };
    QTest::newRow("the editor's own map text")
        << u"<map name=map><AREA SHAPE=POLY COORDS=\"40,30,200,30,200,120\" ID=\"Lot 7\" "
           "color=\"#00ff00\"><AREA SHAPE=POLY COORDS=\"250,40,300,40,300,90\" ID=\"Shed\" "
           "color=\"#00ff00\"></map>"_s
        << QList<MapArea> { area(Shape::Poly, { 40, 30, 200, 30, 200, 120 }, u"Lot 7"_s,
                                u"#00ff00"_s),
               area(Shape::Poly, { 250, 40, 300, 40, 300, 90 }, u"Shed"_s, u"#00ff00"_s) };
    QTest::newRow("no </map> after a load")
        << u"<map name=map>\n<AREA SHAPE=POLY COORDS=\"1,1,9,1,9,9\" ID=\"A\" color=\"#00ff00\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"A"_s, u"#00ff00"_s) };
    QTest::newRow("mixed case, single quotes, unquoted values")
        << u"<Map><aReA Shape=Rect cOoRdS=1,2,3,4 Id='x y' COLOR=red></MAP>"_s
        << QList<MapArea> { area(Shape::Rect, { 1, 2, 3, 4 }, u"x y"_s, u"red"_s) };
    QTest::newRow("character references in an id")
        << u"<area coords=\"1,1,9,1,9,9\" id=\"say &quot;hi&quot; &amp; &#34;bye&#x22; &lt;&gt;&apos;\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"say \"hi\" & \"bye\" <>'"_s, {},
               u"say &quot;hi&quot; &amp; &#34;bye&#x22; &lt;&gt;&apos;"_s) };
    QTest::newRow("unquoted id that starts with a reference")
        << u"<area coords=1,1,9,1,9,9 id=&quot;x&amp;y&#34; color=red>"_s
        << QList<MapArea> { area(
               Shape::Poly, tri, u"\"x&y\""_s, u"red"_s, u"&quot;x&amp;y&#34;"_s) };
    QTest::newRow("legacy reference without semicolon")
        << u"<area coords=1,1,9,1,9,9 id=\"a&copy b\"><area coords=1,1,9,1,9,9 id=\"a&copyb\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a\u00a9 b"_s, {}, u"a&copy b"_s),
               area(Shape::Poly, tri, u"a&copyb"_s) };
    QTest::newRow("bare ampersands stay")
        << u"<area coords=1,1,9,1,9,9 id=\"Tom & Jerry\"><area coords=1,1,9,1,9,9 id=R&D>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"Tom & Jerry"_s),
               area(Shape::Poly, tri, u"R&D"_s) };
    QTest::newRow("a raw quote in an ID ends the value")
        << u"<AREA SHAPE=POLY COORDS=\"1,1,9,1,9,9\" ID=\"say \"hi\" color=\"#ff0000\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"say "_s, u"#ff0000"_s) };
    QTest::newRow("angle brackets inside quoted values")
        << u"<area coords=\"1,1,9,1,9,9\" id=\"a>b<c\"><area coords=\"1,1,9,1,9,9\" id=\"<area>\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a>b<c"_s),
               area(Shape::Poly, tri, u"<area>"_s) };
    QTest::newRow("rect, circle and shape aliases")
        << u"<area shape=rectangle coords=0,0,5,5><area shape=CIRC coords=5,5,2>"
           "<area shape=circle coords=1,2,3><area shape=polygon coords=1,1,9,1,9,9>"_s
        << QList<MapArea> { area(Shape::Rect, { 0, 0, 5, 5 }), area(Shape::Circle, { 5, 5, 2 }),
               area(Shape::Circle, { 1, 2, 3 }), area(Shape::Poly, tri) };
    QTest::newRow("missing, empty or unknown shape is a polygon")
        << u"<area coords=1,1,9,1,9,9><area shape=\"\" coords=1,1,9,1,9,9><area shape=star coords=1,1,9,1,9,9>"_s
        << QList<MapArea> { area(Shape::Poly, tri), area(Shape::Poly, tri),
               area(Shape::Poly, tri) };
    QTest::newRow("first of duplicate attributes wins")
        << u"<area id=first coords=1,1,9,1,9,9 ID=second coords=5,5,6,6,7,7>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"first"_s) };
    QTest::newRow("spaces around =, attributes without spaces between")
        << u"<area coords = \"1,1,9,1,9,9\"id = 'z'color=\"blue\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"z"_s, u"blue"_s) };
    QTest::newRow("self-closing and a slash in an unquoted value")
        << u"<area coords=\"1,1,9,1,9,9\" id=a /><area coords=\"1,1,9,1,9,9\" id=b/>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a"_s), area(Shape::Poly, tri, u"b/"_s) };
    QTest::newRow("line breaks inside a value become LF")
        << u"<AREA\r\nCOORDS=\"1,1,\r\n9,1,9,9\"\r\nID=\"a\r\nb\rc\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a\nb\nc"_s, {}, u"a\r\nb\rc"_s) };
    QTest::newRow("missing attribute value")
        << u"<area coords=1,1,9,1,9,9 id=>"_s << QList<MapArea> { area(Shape::Poly, tri) };
    QTest::newRow("end tags and stray brackets")
        << u"a < b </> </area id=x> <3 <area coords=1,1,9,1,9,9 id=k></area>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"k"_s) };
    QTest::newRow("unfinished tag at the end is dropped")
        << u"<area coords=1,1,9,1,9,9 id=a><area coords=1,1,9,1,9,9 id=b"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a"_s) };
    QTest::newRow("unclosed quote at the end is dropped")
        << u"<area coords=\"1,1,9,1,9,9 id=a>"_s << QList<MapArea> {};
    QTest::newRow("commented out")
        << u"<!-- <area coords=1,1,9,1,9,9 id=a> --><area coords=1,1,9,1,9,9 id=b>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"b"_s) };
    QTest::newRow("comment edge forms")
        << u"<!--><area coords=1,1,9,1,9,9 id=a><!---><area coords=1,1,9,1,9,9 id=b>"
           "<!-- -- --!><area coords=1,1,9,1,9,9 id=c><!DOCTYPE x \"a>\"><area coords=1,1,9,1,9,9 "
           "id=d>"
           "<?php <area id=e> ?><area coords=1,1,9,1,9,9 id=f></ x <area id=g>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a"_s), area(Shape::Poly, tri, u"b"_s),
               area(Shape::Poly, tri, u"c"_s), area(Shape::Poly, tri, u"d"_s),
               area(Shape::Poly, tri, u"f"_s) };
    QTest::newRow("unclosed comment")
        << u"<!-- <area coords=1,1,9,1,9,9 id=a>"_s << QList<MapArea> {};
    QTest::newRow("inside raw text elements")
        << u"<textarea><area coords=1,1,9,1,9,9 id=a></textarea><script><area id=b></script>"
           "<title><area id=c></title><area coords=1,1,9,1,9,9 id=d>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"d"_s) };
    QTest::newRow("inside svg it is no HTML area")
        << u"<svg><area coords=1,1,9,1,9,9 id=a></svg><area coords=1,1,9,1,9,9 id=b>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"b"_s) };
    QTest::newRow("table content is reordered by the tree builder")
        << u"<table><tr><td><area coords=1,1,9,1,9,9 id=a></td></tr><area coords=1,1,9,1,9,9 id=b></table>"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"b"_s), area(Shape::Poly, tri, u"a"_s) };
    QTest::newRow("NUL in a value")
        << u"<area coords=1,1,9,1,9,9 id=\"a\u0000b\">"_s
        << QList<MapArea> { area(Shape::Poly, tri, u"a\ufffdb"_s, {}, u"a\u0000b"_s) };
    QTest::newRow("controls in a value become U+FFFD")
        << u"<area coords=1,1,9,1,9,9 id=\"a\u0001b\u009dc\" color=\"#00ff\u009d00\">"_s
        << QList<MapArea> { area(
               Shape::Poly, tri, u"a\ufffdb\ufffdc"_s, u"#00ff\ufffd00"_s, u"a\u0001b\u009dc"_s) };
    QTest::newRow("empty") << QString() << QList<MapArea> {};
    QTest::newRow("empty map") << u"<map name=map></map>"_s << QList<MapArea> {};
}

void tst_AreaParser::parseAreas()
{
    QFETCH(QString, text);
    QFETCH(QList<MapArea>, expected);

    const QList<MapArea> full = AreaParser::parseAreasFull(text);
    QCOMPARE(describe(full), describe(expected));
    QCOMPARE(describe(AreaParser::parseAreas(text)), describe(expected));
    if (const auto fast = AreaParser::parseAreasFast(text))
        QCOMPARE(describe(*fast), describe(expected));
}

void tst_AreaParser::fastReaderHandsOver_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fast");

    QTest::newRow("editor format")
        << u"<map name=map><AREA SHAPE=POLY COORDS=\"1,2\" ID=\"a\" color=\"#00ff00\">"_s << true;
    QTest::newRow("common references") << u"<area id=\"&quot;&amp;&#34;&#x22;\">"_s << true;
    QTest::newRow("comment") << u"<!-- x --><area>"_s << true;
    QTest::newRow("doctype") << u"<!DOCTYPE html><area>"_s << true;
    QTest::newRow("select") << u"<select><area>"_s << false;
    QTest::newRow("table") << u"<TABLE><area>"_s << false;
    QTest::newRow("rare reference") << u"<area id=\"&eacute;\">"_s << false;
    QTest::newRow("C1 numeric reference") << u"<area id=\"&#150;\">"_s << false;
    QTest::newRow("NUL") << u"<area id=\"\u0000\">"_s << false;
    QTest::newRow("reference outside an area") << u"<p title=\"&eacute;\"><area>"_s << true;
}

void tst_AreaParser::fastReaderHandsOver()
{
    QFETCH(QString, text);
    QFETCH(bool, fast);
    QCOMPARE(AreaParser::parseAreasFast(text).has_value(), fast);
}

void tst_AreaParser::realMaps_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("count");

    const QString dir = QFINDTESTDATA("data/maps");
    QVERIFY(!dir.isEmpty());
    const QList<std::pair<const char *, int>> maps {
        { "kemayo_maphilight__docs_demo_world.html", 264 },
        { "kemayo_maphilight__docs_demo_usa.html", 83 },
        { "kemayo_maphilight__docs_demo_features.html", 5 },
        { "kemayo_maphilight__docs_demo_simple.html", 4 },
        { "jamietre_ImageMapster__examples_usa.html", 95 },
        { "jamietre_ImageMapster__examples_skeleton.html", 71 },
        { "jamietre_ImageMapster__examples_shapes__map1.html", 3 },
        { "jamietre_ImageMapster__examples_shapes__map2.html", 3 },
        { "jamietre_ImageMapster__examples_shapes__map3.html", 3 },
        { "jamietre_ImageMapster__examples_shapes__map4.html", 3 },
        { "webplatform_docs__html_attributes_shape_index.html", 10 },
    };
    for (const auto &[name, count] : maps)
        QTest::newRow(name) << dir + u'/' + QLatin1StringView(name) << count;
}

void tst_AreaParser::realMaps()
{
    QFETCH(QString, path);
    QFETCH(int, count);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QList<MapArea> full = AreaParser::parseAreasFull(text);
    QCOMPARE(full.size(), count);
    const auto fast = AreaParser::parseAreasFast(text);
    QVERIFY(fast.has_value());
    QCOMPARE(describe(*fast), describe(full));
}

void tst_AreaParser::garbageNeverCrashes()
{
    const QStringList pieces { u"<"_s, u">"_s, u"area"_s, u"AREA"_s, u" "_s, u"="_s, u"\""_s,
        u"'"_s, u"&"_s, u"#"_s, u"x"_s, u"1"_s, u";"_s, u"/"_s, u"!"_s, u"-"_s, u"coords"_s,
        u"id"_s, u"shape"_s, u"\r"_s, u"\u0000"_s, u"table"_s, u"amp"_s, u"\u00e9"_s };
    quint32 seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = 1 + int(seed % 40);
        for (int k = 0; k < length; ++k) {
            seed = seed * 1664525u + 1013904223u;
            text += pieces[int((seed >> 16) % pieces.size())];
        }
        const QList<MapArea> full = AreaParser::parseAreasFull(text);
        if (const auto fast = AreaParser::parseAreasFast(text))
            QVERIFY2(describe(*fast) == describe(full), qPrintable(text));
    }
}

void tst_AreaParser::parseCoords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("numbers");

    const QList<double> rect { 2, 2, 10, 10 };
    QTest::newRow("commas") << u"2,2,10,10"_s << rect;
    QTest::newRow("semicolons") << u"2;2;10;10"_s << rect;
    QTest::newRow("spaces") << u"2 2 10 10"_s << rect;
    QTest::newRow("tabs") << u"2\t2\t10\t10"_s << rect;
    QTest::newRow("form feeds") << u"2\f2\f10\f10"_s << rect;
    QTest::newRow("line feeds") << u"2\n2\n10\n10"_s << rect;
    QTest::newRow("carriage returns") << u"2\r2\r10\r10"_s << rect;
    QTest::newRow("pairs with spaces") << u"2,2, 10,10"_s << rect;
    QTest::newRow("line tabulation is no separator")
        << u"2\u000b2\u000b10\u000b10"_s << QList<double> { 2 };
    QTest::newRow("next line is no separator")
        << u"2\u00852\u008510\u008510"_s << QList<double> { 2 };
    QTest::newRow("en quad is no separator")
        << u"2\u20002\u200010\u200010"_s << QList<double> { 2 };
    QTest::newRow("letters between numbers") << u"2a2b20c20,2,10,10"_s << rect;
    QTest::newRow("colons between numbers") << u"2:2:20:20,2,10,10"_s << rect;
    QTest::newRow("leading comma") << u",2,2,10,10"_s << rect;
    QTest::newRow("leading space") << u" 2,2,10,10"_s << rect;
    QTest::newRow("leading semicolon") << u";2,2,10,10"_s << rect;
    QTest::newRow("too few") << u"2,2,10"_s << QList<double> { 2, 2, 10 };
    QTest::newRow("trailing comma") << u"2,2,10,"_s << QList<double> { 2, 2, 10 };
    QTest::newRow("trailing space") << u"2,2,10 "_s << QList<double> { 2, 2, 10 };
    QTest::newRow("percent") << u"2%,2%,10%,10%"_s << rect;
    QTest::newRow("fractions") << u"1.4,1.4,10,10"_s << QList<double> { 1.4, 1.4, 10, 10 };
    QTest::newRow("leading full stop") << u".4,.4,10,10"_s << QList<double> { 0.4, 0.4, 10, 10 };
    QTest::newRow("exponent") << u"2,2,1e1,1E+1"_s << rect;
    QTest::newRow("exponent after a full stop") << u"2.e1"_s << QList<double> { 20 };
    QTest::newRow("quotes around") << u"='2,2,10,10' "_s << rect;
    QTest::newRow("non-ascii around") << u"\u201c2,2,10,10\""_s << rect;
    QTest::newRow("URL after a number")
        << u"2,2,10ls/spain/holidays/regions/10/Canary+Islands.html"_s
        << QList<double> { 2, 2, 10 };
    QTest::newRow("consecutive commas") << u"2,,10,10"_s << QList<double> { 2, 10, 10 };
    QTest::newRow("empty") << QString() << QList<double> {};
    QTest::newRow("negative") << u"-5,-.5,-2.25"_s << QList<double> { -5, -0.5, -2.25 };
    QTest::newRow("no number reads 0") << u"abc,-,1-"_s << QList<double> { 0, 0, 1 };
    QTest::newRow("garbage before a number is skipped") << u"x5,+6"_s << QList<double> { 5, 6 };
    QTest::newRow("overflow reads 0")
        << u"1e999,-1e999,1e-999,0e999"_s << QList<double> { 0, 0, 0, 0 };
    QTest::newRow("huge integer reads 0") << QString(400, u'9') << QList<double> { 0 };
}

void tst_AreaParser::parseCoords()
{
    QFETCH(QString, text);
    QFETCH(QList<double>, numbers);
    QCOMPARE(AreaParser::parseCoords(text), numbers);
}

void tst_AreaParser::shapeKeywords_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<Shape>("shape");

    QTest::newRow("poly") << u"poly"_s << Shape::Poly;
    QTest::newRow("POLYGON") << u"POLYGON"_s << Shape::Poly;
    QTest::newRow("Rect") << u"Rect"_s << Shape::Rect;
    QTest::newRow("rectangle") << u"rectangle"_s << Shape::Rect;
    QTest::newRow("circle") << u"circle"_s << Shape::Circle;
    QTest::newRow("circ") << u"circ"_s << Shape::Circle;
    QTest::newRow("default") << u"default"_s << Shape::Default;
    QTest::newRow("padded is unknown") << u" rect"_s << Shape::Poly;
    QTest::newRow("empty") << QString() << Shape::Poly;
}

void tst_AreaParser::shapeKeywords()
{
    QFETCH(QString, keyword);
    QFETCH(Shape, shape);
    QCOMPARE(AreaParser::shapeFromKeyword(keyword), shape);
}

QTEST_APPLESS_MAIN(tst_AreaParser)
#include "tst_areaparser.moc"
