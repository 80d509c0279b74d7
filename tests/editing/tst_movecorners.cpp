#include "document/mapdocument.h"
#include "editing/movecorners.h"
#include "sites/pageimport.h"

#include "memorysettings.h"
#include "programrun.h"
#include "recordingcontrol.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every hot spot in use as "name=coords", in slot order.
QStringList hotSpots(const MapDocument &document)
{
    QStringList spots;
    document.table().forEachHotSpot([&](int, const QString &coords, const QString &name) {
        spots.append(name + u'=' + coords);
    });
    return spots;
}

QPolygonF cornersOf(const QString &coords)
{
    const QStringList numbers = coords.split(u',');
    QPolygonF corners;
    for (qsizetype k = 0; k + 1 < numbers.size(); k += 2)
        corners.append(QPointF(numbers[k].toDouble(), numbers[k + 1].toDouble()));
    return corners;
}

// Lot 7, a deleted slot, a list that is no corners, and Shed: handles for Lot 7 and Shed.
const QString lot7 = u"40,30.0,200,30,200,120,40,120"_s;
const QString shed = u"250,40,300,40,300,90"_s;

} // namespace

class tst_MoveCorners : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void eachEditIsOneStep_data();
    void eachEditIsOneStep();
    void handlesShowTheNewMap_data();
    void handlesShowTheNewMap();
    void clicksRestWhileOn_data();
    void clicksRestWhileOn();

private:
    QTemporaryDir m_dir;
};

void tst_MoveCorners::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Clear writes its blank map below the data folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(u"data"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    writeBytes(m_dir.filePath(u"a.map"_s),
        mapBytes(
            { u"<AREA SHAPE=POLY COORDS=\"10,10,90,10,50,80\" ID=\"A\" color=\"#00ff00\">"_s }));
    writeBytes(m_dir.filePath(u"b.map"_s),
        mapBytes({ u"<AREA SHAPE=POLY COORDS=\"200,200,300,200,300,300,200,300\" ID=\"B\" "
                   u"color=\"#00ff00\">"_s }));
    writeBytes(m_dir.filePath(u"odd.map"_s),
        mapBytes(
            { u"<AREA SHAPE=POLY COORDS=\"10,10,90,10,50\" ID=\"Odd\" color=\"#00ff00\">"_s }));
    writeBytes(m_dir.filePath(u"page.html"_s),
        "<html><body><img src=none.png usemap=#m><map name=m>"
        "<area shape=poly coords=\"20,20,60,20,40,50\" title=\"P\"></map></body></html>");
}

void tst_MoveCorners::eachEditIsOneStep_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("polygon");
    QTest::addColumn<int>("corner");
    QTest::addColumn<QString>("lot7After");
    QTest::addColumn<QString>("shedAfter");
    QTest::addColumn<QString>("undoText"); // empty: no step

    // Corners the edit does not touch keep their text ("30.0").
    QTest::newRow("move") << u"move"_s << 0 << 1 << u"40,30.0,210,35,200,120,40,120"_s << shed
                          << u"Move Corner of Lot 7"_s;
    QTest::newRow("add after the last")
        << u"add"_s << 0 << 3 << u"40,30.0,200,30,200,120,40,120,210,35"_s << shed
        << u"Add Corner to Lot 7"_s;
    QTest::newRow("remove") << u"remove"_s << 0 << 2 << u"40,30.0,200,30,40,120"_s << shed
                            << u"Remove Corner of Lot 7"_s;
    QTest::newRow("the second polygon is the slot after the gaps")
        << u"move"_s << 1 << 0 << lot7 << u"210,35,300,40,300,90"_s << u"Move Corner of Shed"_s;
    QTest::newRow("not from a triangle") << u"remove"_s << 1 << 0 << lot7 << shed << QString();
    QTest::newRow("past the last corner") << u"move"_s << 0 << 4 << lot7 << shed << QString();
    QTest::newRow("past the last polygon") << u"add"_s << 2 << 0 << lot7 << shed << QString();
}

void tst_MoveCorners::eachEditIsOneStep()
{
    QFETCH(QString, edit);
    QFETCH(int, polygon);
    QFETCH(int, corner);
    QFETCH(QString, lot7After);
    QFETCH(QString, shedAfter);
    QFETCH(QString, undoText);

    MapDocument document;
    document.replaceMap(
        [](HotSpotTable &table) {
            table.AddHotSpot(lot7, u"Lot 7"_s);
            table.AddHotSpot(u"5,5,9,5,9,9"_s, u"Gone"_s);
            table.ClearHotSpot(1);
            table.AddHotSpot(u"1,2,x,4"_s, u"Notes"_s);
            table.AddHotSpot(shed, u"Shed"_s);
            table.BuildMapText();
        },
        MapDocument::Replaced::FromFile);
    RecordingControl control;
    MoveCorners corners(document, control);
    corners.moveCorner(0, 0, QPoint(1, 1)); // off: nothing
    QVERIFY(control.handles.isEmpty());
    corners.setOn(true);
    const QList<QPolygonF> before { cornersOf(lot7), cornersOf(shed) };
    QCOMPARE(control.handles, before);

    const QPoint pixel(210, 35);
    if (edit == u"move")
        corners.moveCorner(polygon, corner, pixel);
    else if (edit == u"add")
        corners.insertCorner(polygon, corner, pixel);
    else
        corners.removeCorner(polygon, corner);
    const QStringList after { u"Lot 7="_s + lot7After, u"Notes=1,2,x,4"_s, u"Shed="_s + shedAfter };
    QCOMPARE(hotSpots(document), after);
    QCOMPARE(document.undoStack().count(), undoText.isEmpty() ? 0 : 1);
    QCOMPARE(document.undoStack().undoText(), undoText);
    QCOMPARE(document.IsSaved(), undoText.isEmpty());
    const QList<QPolygonF> handlesAfter { cornersOf(lot7After), cornersOf(shedAfter) };
    QCOMPARE(control.handles, handlesAfter);

    // The handles follow undo and redo; off, they go and the gestures do nothing.
    document.undo();
    QCOMPARE(control.handles, before);
    QVERIFY(document.IsSaved());
    document.redo();
    QCOMPARE(control.handles, handlesAfter);
    corners.setOn(false);
    QVERIFY(control.handles.isEmpty());
    corners.removeCorner(0, 0);
    QCOMPARE(hotSpots(document), after);
}

// Faults of handles that outlived their map: after Load, Clear or an import the handles are
// the new map's, and a drag changes the new map only.
void tst_MoveCorners::handlesShowTheNewMap_data()
{
    QTest::addColumn<QString>("replace");
    QTest::addColumn<bool>("editFirst");
    QTest::addColumn<QStringList>("handles"); // corner lists
    QTest::addColumn<QStringList>("dragged"); // the map after corner 0 of polygon 0 went to 1,1

    const QStringList b { u"200,200,300,200,300,300,200,300"_s };
    const QStringList bDragged { u"B=1,1,300,200,300,300,200,300"_s };
    QTest::newRow("load, no edit since the last load") << u"load"_s << false << b << bDragged;
    QTest::newRow("load after an edit") << u"load"_s << true << b << bDragged;
    QTest::newRow("clear, no edit since the last load")
        << u"clear"_s << false << QStringList() << QStringList();
    QTest::newRow("import, no edit since the last load")
        << u"import"_s << false << QStringList { u"20,20,60,20,40,50"_s }
        << QStringList { u"P=1,1,60,20,40,50"_s };
}

void tst_MoveCorners::handlesShowTheNewMap()
{
    QFETCH(QString, replace);
    QFETCH(bool, editFirst);
    QFETCH(QStringList, handles);
    QFETCH(QStringList, dragged);

    MemorySettings settings;
    ProgramRun run(settings);
    PageImport import(run.document, run.prompts, settings, run.view, run.control);
    run.script({ u"open:"_s + m_dir.filePath(u"a.map"_s) });
    run.files.mnuLoad_Click();
    run.moveCorners.setOn(true);
    QCOMPARE(run.control.handles, QList<QPolygonF> { cornersOf(u"10,10,90,10,50,80"_s) });
    if (editFirst) {
        run.moveCorners.moveCorner(0, 2, QPoint(50, 90));
        run.script({ u"cancel"_s }); // the guard: drop the edit
    }

    if (replace == u"load") {
        run.script({ u"open:"_s + m_dir.filePath(u"b.map"_s) });
        run.files.mnuLoad_Click();
    } else if (replace == u"clear") {
        run.shell.ClearMap();
    } else {
        run.script({ u"ok"_s }); // the summary
        import.importPage(m_dir.filePath(u"page.html"_s));
    }
    QList<QPolygonF> expected;
    for (const QString &coords : std::as_const(handles))
        expected.append(cornersOf(coords));
    QCOMPARE(run.control.handles, expected);

    run.moveCorners.moveCorner(0, 0, QPoint(1, 1));
    QCOMPARE(hotSpots(run.document), dragged);
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

// While Move Corners is on the clicks that capture, rename and delete rest, whether or not any
// hot spot has handles, and so does a click that was held down when the mode changed.
void tst_MoveCorners::clicksRestWhileOn_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("gesture");

    QTest::newRow("capture, with handles") << u"a.map"_s << u"capture"_s;
    QTest::newRow("rename, with handles") << u"a.map"_s << u"rename"_s;
    QTest::newRow("capture, no handles") << u"odd.map"_s << u"capture"_s;
    QTest::newRow("rename, no handles") << u"odd.map"_s << u"rename"_s;
    QTest::newRow("change coordinates, no handles") << u"odd.map"_s << u"coordinates"_s;
    QTest::newRow("delete, no handles") << u"odd.map"_s << u"delete"_s;
    QTest::newRow("switched on while the button is held") << u"a.map"_s << u"held on"_s;
    QTest::newRow("switched off while the button is held") << u"a.map"_s << u"held off"_s;
}

void tst_MoveCorners::clicksRestWhileOn()
{
    QFETCH(QString, map);
    QFETCH(QString, gesture);

    MemorySettings settings;
    ProgramRun run(settings);
    run.script({ u"open:"_s + m_dir.filePath(map) });
    run.files.mnuLoad_Click();
    run.prompts.shown.clear();
    const QString name = run.table.HotSpotNames(0);
    const QString before = run.table.MapText();
    const bool held = gesture.startsWith(u"held");
    run.moveCorners.setOn(!held || gesture == u"held off");
    QCOMPARE(run.control.handles.isEmpty(), map == u"odd.map" || gesture == u"held on");

    // Mouse events as the control raises them, in twips (15 a pixel).
    const auto click = [&](int button, int shift, bool onHotSpot, QPoint pixel) {
        const float x = float(pixel.x() * 15), y = float(pixel.y() * 15);
        run.editing.ImageMap1_MouseDown(button, shift, x, y);
        if (onHotSpot)
            run.editing.ImageMap1_HotSpotMouseDown(name, button, shift, x, y);
        if (held)
            run.moveCorners.setOn(gesture == u"held on");
        run.editing.ImageMap1_MouseUp(button, shift, x, y);
        if (onHotSpot)
            run.editing.ImageMap1_HotSpotMouseUp(name, button, shift, x, y);
    };
    if (gesture == u"capture") {
        click(1, 1, false, { 100, 100 });
        click(1, 1, false, { 200, 100 });
        click(1, 0, false, { 200, 200 });
    } else if (gesture == u"rename") {
        click(1, 0, true, { 50, 20 });
    } else if (gesture == u"coordinates") {
        click(1, 2, true, { 50, 20 });
    } else {
        click(2, 0, true, { 50, 20 });
    }
    QVERIFY2(run.prompts.shown.isEmpty(), qPrintable(run.prompts.texts().join(u'|')));
    QVERIFY(run.view.pos[0].isEmpty());
    QCOMPARE(run.table.MapText(), before);
    QVERIFY(run.document.IsSaved());
}

QTEST_GUILESS_MAIN(tst_MoveCorners)
#include "tst_movecorners.moc"
