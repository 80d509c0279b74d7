#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "editing/controlsync.h"
#include "imagemap/areaparser.h"
#include "model/hotspottable.h"
#include "platform/settingsstore.h"
#include "sites/pageimport.h"

#include "circlecheck.h"
#include "memorysettings.h"
#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString mapsDir()
{
    return QStringLiteral(QUORVEL_TEST_MAPS);
}

PageMaps readPage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return AreaParser::parsePage(QString::fromUtf8(file.readAll()));
}

// The whole numbers of a coords attribute, read independently of the importer (the test pages
// write whole numbers).
QList<int> wholeNumbers(const QString &coords)
{
    QList<int> numbers;
    for (const QString &part : coords.split(QRegularExpression(u"[,\\s]+"_s), Qt::SkipEmptyParts))
        numbers.append(part.toInt());
    return numbers;
}

QList<QPoint> corners(const QString &coords)
{
    const QList<int> n = wholeNumbers(coords);
    QList<QPoint> points;
    for (qsizetype i = 0; i + 1 < n.size(); i += 2)
        points.append(QPoint(n[i], n[i + 1]));
    return points;
}

struct ImportFixture
{
    ImportFixture() { showMapOnControl(document, control); }

    MapDocument document;
    const HotSpotTable &table = document.table();
    ScriptedPrompts prompts;
    MemorySettings settings;
    RecordingView view;
    RecordingControl control;
    FileCommands files { document, prompts, settings, view };
    PageImport import { document, prompts, settings, view, control };
};

} // namespace

class tst_PageImport : public QObject
{
    Q_OBJECT

private slots:
    void realPages_data();
    void realPages();
    void circlesStayWithinHalfAPixel();
    void importCommand();
    void namesAndLimits();
};

void tst_PageImport::realPages_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rectangles");
    QTest::addColumn<int>("circles");
    QTest::addColumn<QStringList>("firstNames");

    const auto row = [](const char *file, int count, int rects, int circles, QStringList names) {
        QTest::newRow(file) << QString::fromLatin1(file) << count << rects << circles << names;
    };
    // No id, title or alt: numbered names.
    row("jamietre_ImageMapster__examples_shapes__map1.html", 3, 1, 1,
        { u"Area 1"_s, u"Area 2"_s, u"Area 3"_s });
    // The aliases "rectangle", "polygon" and "circ" read as a browser reads them.
    row("jamietre_ImageMapster__examples_shapes__map2.html", 3, 1, 1,
        { u"Area 1"_s, u"Area 2"_s, u"Area 3"_s });
    // A missing or empty shape is a rectangle; its alt names it.
    row("jamietre_ImageMapster__examples_shapes__map3.html", 3, 1, 1,
        { u"rectangle"_s, u"Area 2"_s, u"Area 3"_s });
    row("jamietre_ImageMapster__examples_shapes__map4.html", 3, 1, 1,
        { u"rectangle"_s, u"Area 2"_s, u"Area 3"_s });
    row("jamietre_ImageMapster__examples_skeleton.html", 71, 0, 0,
        { u"Left TMJ"_s, u"Right TMJ"_s, u"Left SI Joint"_s });
    row("jamietre_ImageMapster__examples_usa.html", 95, 10, 2,
        { u"Area 1"_s, u"Area 2"_s, u"Area 3"_s });
    row("kemayo_maphilight__docs_demo_features.html", 5, 1, 0,
        { u"arrow"_s, u"star"_s, u"square1"_s, u"square2"_s, u"shadowed"_s });
    // Titles before alts; a repeated title gets a number.
    row("kemayo_maphilight__docs_demo_simple.html", 4, 0, 1,
        { u"Default behavior"_s, u"Metadata'd up a bit"_s, u"squidhead"_s,
            u"Metadata'd up a bit (2)"_s });
    row("kemayo_maphilight__docs_demo_usa.html", 83, 0, 0,
        { u"SC"_s, u"HI"_s, u"HI (2)"_s, u"HI (3)"_s });
    row("kemayo_maphilight__docs_demo_world.html", 264, 0, 0,
        { u"Antarctica"_s, u"Antarctica (2)"_s });
    row("webplatform_docs__html_attributes_shape_index.html", 10, 1, 5,
        { u"Area 1"_s, u"Area 2"_s });
}

void tst_PageImport::realPages()
{
    QFETCH(QString, file);
    QFETCH(int, count);
    QFETCH(int, rectangles);
    QFETCH(int, circles);
    QFETCH(QStringList, firstNames);

    const PageMaps page = readPage(mapsDir() + u'/' + file);
    QCOMPARE(page.maps.size(), 1);
    const PageMap &map = page.maps.first();
    const PageImport::Conversion result = PageImport::convert(map);

    QCOMPARE(result.hotSpots.size(), count);
    QCOMPARE(result.rectangles, rectangles);
    QCOMPARE(result.circles, circles);
    QCOMPARE(result.skipped(), 0);
    QStringList names;
    for (const PageImport::HotSpot &spot : result.hotSpots)
        names.append(spot.name);
    QCOMPARE(names.mid(0, firstNames.size()), firstNames);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());

    // Every conversion, checked against the area it came from.
    for (const PageImport::HotSpot &spot : result.hotSpots) {
        const PageArea &area = map.areas.at(spot.areaIndex);
        const QList<int> source = wholeNumbers(area.coords);
        const QString shape = area.shape.value_or(QString()).toLower();
        const QList<QPoint> got = corners(spot.coords);
        if (shape.startsWith(u"circ"_s)) {
            QVERIFY2(maxCircleDeviation(got, source[0], source[1], source[2]) <= halfPixel,
                qPrintable(spot.coords));
        } else if (shape.startsWith(u"poly"_s)) {
            QCOMPARE(wholeNumbers(spot.coords), source.mid(0, source.size() & ~1));
        } else {
            const QList<QPoint> expected { { source[0], source[1] }, { source[2], source[1] },
                { source[2], source[3] }, { source[0], source[3] } };
            QCOMPARE(got, expected);
        }
    }
}

void tst_PageImport::circlesStayWithinHalfAPixel()
{
    // Whole and half-pixel centres, small and large radii: the rounding of corners to whole
    // pixels is where a naive polygon strays.
    int worstCorners = 0;
    for (double centre : { 0.0, 0.5, 0.25 }) {
        for (double r = 1; r <= 400; r += (r < 40 ? 0.5 : 7.3)) {
            const QList<QPoint> polygon = PageImport::circleCorners(100 + centre, 80, r);
            QVERIFY2(maxCircleDeviation(polygon, 100 + centre, 80, r) <= halfPixel,
                qPrintable(u"radius %1, centre offset %2"_s.arg(r).arg(centre)));
            QVERIFY(windsOnce(polygon, 100 + centre, 80));
            // Not many more corners than an unrounded polygon would need.
            const int ideal =
                int(std::ceil(std::numbers::pi / std::acos(std::max(-1.0, 1 - 0.5 / r))));
            QVERIFY2(polygon.size() <= 2 * ideal + 8,
                qPrintable(u"radius %1: %2 corners"_s.arg(r).arg(polygon.size())));
            worstCorners = std::max(worstCorners, int(polygon.size()));
        }
    }
    QVERIFY(worstCorners > 0);
}

void tst_PageImport::importCommand()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY(picture.save(dir.filePath(u"plan a.png"_s)));
    const QString page = dir.filePath(u"page.htm"_s);
    {
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(R"(<!DOCTYPE html><html><body>
<p>A page that has two maps.</p>
<img src="plan%20a.png" usemap="#second" alt="plan">
<MAP name="first"><area shape=rect coords="1,1,5,5" id=a></MAP>
<map name="second">
  <area shape="default" href="#">
  <area shape="rect" coords="10%,10%,50%,50%" title="in percent">
  <area shape="rect"
        coords="30,40,10,20" title=" Lot&nbsp;7 &amp;
        &quot;B&quot; ">
  <AREA SHAPE=circle COORDS="50,50,10" ALT="Dup">
  <area coords="0,0,9,0,9,9,4" shape=poly alt='Dup'>
  <area shape=poly coords="1,2,3,4">
  <area shape=poly coords="1.4,2.6,10,0,5,5" alt="Caf\xe9 &eacute;t&eacute;">
</map></body></html>)")
                       .replace("\\xe9", "\xe9"));
    }

    ImportFixture m;
    m.document.setCoordFilePath(u"/maps/previous.map"_s);
    m.view.hotSpotFile = m.document.CoordFilePath();
    m.document.setIsSaved(true);
    m.document.addHotSpot(u"1,1,2,2,3,1"_s, u"old"_s);
    QList<qsizetype> guardRuns; // what had been shown when the guard ran
    m.import.setAskToSave([&] { guardRuns.append(m.prompts.shown.size()); });
    m.prompts.expectOpenFile(page);
    m.prompts.expectChoice(1);
    m.prompts.expectMessage(Prompts::Button::Ok);
    m.prompts.expectMessage(Prompts::Button::Yes);

    m.import.importWebPageMap();

    QCOMPARE(guardRuns, QList<qsizetype> { 0 });
    const QList<ScriptedPrompts::Record> &shown = m.prompts.shown;
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown[0].dialog.filter, u"Web Pages|*.html;*.htm|All Files|*"_s);
    QCOMPARE(shown[1].kind, ScriptedPrompts::Kind::Choice);
    QCOMPARE(shown[1].items, QStringList({ u"first (1 area)"_s, u"second (7 areas)"_s }));
    QCOMPARE(shown[1].current, 1);

    QCOMPARE(m.table.HotSpotCount(), 4);
    const QStringList expected[] = {
        { u"10,20,30,20,30,40,10,40"_s, u"Lot 7 & 'B'"_s },
        { QString(), u"Dup"_s },
        { u"0,0,9,0,9,9"_s, u"Dup (2)"_s },
        // A stray Windows-1252 byte reads as that character; references are resolved.
        { u"1,3,10,0,5,5"_s, u"Café été"_s },
    };
    for (int slot = 0; slot < 4; ++slot) {
        QCOMPARE(m.table.HotSpotNames(slot), expected[slot][1]);
        if (!expected[slot][0].isEmpty())
            QCOMPARE(m.table.HotSpotCoords(slot), expected[slot][0]);
    }
    QVERIFY(maxCircleDeviation(corners(m.table.HotSpotCoords(1)), 50, 50, 10) <= halfPixel);
    QCOMPARE(m.control.coordsString, m.table.MapText());
    QVERIFY(m.table.MapText().contains(u"ID=\"Lot 7 & 'B'\""_s));
    QVERIFY(m.document.CoordFilePath().isEmpty());
    QVERIFY(m.view.hotSpotFile.isEmpty());
    QVERIFY(!m.document.IsSaved());
    // An imported map is in no file: nothing to undo, and not the saved state.
    QVERIFY(!m.document.undoStack().canUndo());
    QVERIFY(m.document.isModified());

    QCOMPARE(shown[2].text,
        u"Imported 4 hot spots from "_s + page
            + u".\n1 rectangle and 1 circle became polygons.\n"
              "Skipped 3 areas: 1 default area (the whole picture); 1 area with coordinates in "
              "percent; 1 area with too few coordinates."_s);
    QCOMPARE(shown[2].icon, Prompts::Icon::Information);
    const QString pictureFile = dir.filePath(u"plan a.png"_s);
    QCOMPARE(shown[3].text, u"Use "_s + pictureFile + u" as the background picture?"_s);
    QCOMPARE(shown[3].buttons, Prompts::Buttons::YesNo);
    QCOMPARE(m.control.picture.size(), QSize(40, 30));
    QCOMPARE(m.settings.values.value(u"Settings/BGPicture"_s), pictureFile);

    // Save asks for a new map file rather than writing into the page.
    m.prompts.expectSaveFile(QString());
    QCOMPARE(m.files.mnuSave_Click(), FileCommands::SaveOutcome::Cancelled);
    QCOMPARE(m.prompts.shown.last().kind, ScriptedPrompts::Kind::SaveFile);

    // Cancelling the list changes nothing.
    m.prompts.expectOpenFile(page);
    m.prompts.expectChoice(-1);
    const QString mapText = m.table.MapText();
    m.import.importWebPageMap();
    QCOMPARE(m.table.MapText(), mapText);
    QCOMPARE(guardRuns.size(), 2);
    QVERIFY(m.prompts.unusedAnswers().isEmpty());
}

void tst_PageImport::namesAndLimits()
{
    PageMap map;
    for (int i = 0; i < 1005; ++i) {
        PageArea area;
        area.shape = u"RECT"_s;
        area.coords = u"%1,0,%2,5"_s.arg(i).arg(i + 1);
        area.title = i % 2 ? u"odd"_s : QString();
        area.id = i == 0 ? u"odd (2)"_s : QString();
        map.areas.append(area);
    }
    const PageImport::Conversion result = PageImport::convert(map);
    QCOMPARE(result.hotSpots.size(), HotSpotTable::Capacity);
    QCOMPARE(result.overLimit, 4);
    QCOMPARE(result.rectangles, HotSpotTable::Capacity);
    // A numbered repeat never takes a name that the page itself gives.
    QCOMPARE(result.hotSpots[0].name, u"odd (2)"_s);
    QCOMPARE(result.hotSpots[1].name, u"odd"_s);
    QCOMPARE(result.hotSpots[2].name, u"Area 3"_s);
    QCOMPARE(result.hotSpots[3].name, u"odd (3)"_s);
    QCOMPARE(result.hotSpots.last().areaIndex, 1000);
    QVERIFY(PageImport::summary(result, u"p.html"_s)
                .endsWith(u"Skipped 4 areas: 4 areas past the limit of 1001 hot spots."_s));

    // Coordinates past any picture are skipped before a circle's corners are worked out.
    PageMap huge;
    huge.areas = { PageArea { u"circle"_s, u"0,0,1e12"_s, {}, {}, {} },
        PageArea { u"poly"_s, u"0,0,-200000,0,5,5"_s, {}, {}, {} },
        PageArea { u"circle"_s, u"5,5,100000"_s, {}, {}, {} } };
    const PageImport::Conversion big = PageImport::convert(huge);
    QCOMPARE(big.tooLarge, 2);
    QCOMPARE(big.hotSpots.size(), 1);
    QVERIFY(maxCircleDeviation(corners(big.hotSpots[0].coords), 5, 5, 100000) <= halfPixel);

    // The table takes all of them.
    HotSpotTable table;
    for (const PageImport::HotSpot &spot : result.hotSpots)
        QCOMPARE(table.AddHotSpot(spot.coords, spot.name), HotSpotTable::AddResult::Added);
}

QTEST_GUILESS_MAIN(tst_PageImport)
#include "tst_pageimport.moc"
