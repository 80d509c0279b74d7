#include "document/mapdocument.h"
#include "editing/controlsync.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "model/hotspottable.h"

#include "hotspottableaccess.h"

#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr double Twips = 15;
const QString AppTitle = u"QuorvelImap"_s;
const QString ExeTitle = u"tst_hotspotediting"_s;
const QString Lot7Coords = u"1,1,50,1,50,50"_s;
const QString ShedCoords = u"60,60,90,60,90,90"_s;

QString describe(const ScriptedPrompts::Record &record)
{
    if (record.kind == ScriptedPrompts::Kind::Input)
        return u"input: %1 | %2 | %3"_s.arg(record.text, record.caption, record.defaultText);
    const QString buttons = record.buttons == Prompts::Buttons::Ok
        ? u"OK"_s
        : (record.buttons == Prompts::Buttons::YesNo ? u"YesNo"_s : u"OKCancel"_s);
    const QString icon = record.icon == Prompts::Icon::None ? u"none"_s : u"information"_s;
    return u"message: %1 | %2 | %3 | %4"_s.arg(record.text, record.caption, buttons, icon);
}

QString nameInput()
{
    return u"input: Enter Name of Hot Spot | Make Hot Spot | "_s;
}
QString renameInput(const QString &name)
{
    return u"input: Change %1's to:  | Modify Hot Spot's Name | "_s.arg(name);
}
QString coordsInput(const QString &name, const QString &coords)
{
    return u"input: Change %1's to:  | Modify Coordinates | %2"_s.arg(name, coords);
}
QString okMessage(const QString &text)
{
    return u"message: %1 | %2 | OK | none"_s.arg(text, AppTitle);
}
QString nameExists()
{
    return okMessage(u"A Hot Spot with this name already exists"_s);
}
QString nameQuote()
{
    return okMessage(u"A Hot Spot name cannot contain a double quote"_s);
}
QString deleteQuestion(const QString &name)
{
    return u"message: Do You Really want to delete %1's  Hot Spot | %2 | YesNo | information"_s.arg(
        name, ExeTitle);
}
} // namespace

class tst_HotSpotEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void makeHotSpot_data();
    void makeHotSpot();
    void mouseUpClosingNothingAsksNothing_data();
    void mouseUpClosingNothingAsksNothing();
    void fullTableRefusesBeforeAsking();
    void mouseMoveShowsPosition();

    void hotSpotClick_data();
    void hotSpotClick();

    void modifyStoresAnyText();
    void deleteWithAnyKey_data();
    void deleteWithAnyKey();
    void unnamedHotSpotBesideDeletedSlot();
    void refreshImageMapRebuildsStaleText();

private:
    void shiftClick(double px, double py);
    void plainClick(double px, double py);
    void clickHotSpot(const QString &name, int button, int shift);
    void script(const QStringList &prompts, const QStringList &answers);
    QStringList shownPrompts() const;
    int pushes() const;
    void verifyIdle();

    std::unique_ptr<MapDocument> m_document;
    RecordingView m_view;
    RecordingControl m_control;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CornerCapture> m_capture;
    std::unique_ptr<HotSpotEditing> m_editing;
};

void tst_HotSpotEditing::init()
{
    m_view = RecordingView();
    m_control = RecordingControl();
    m_prompts = ScriptedPrompts();
    m_document = std::make_unique<MapDocument>();
    showMapOnControl(*m_document, m_control);
    m_capture = std::make_unique<CornerCapture>(m_view, m_control, Twips, Twips);
    m_editing = std::make_unique<HotSpotEditing>(*m_document, *m_capture, m_prompts, m_view);
    m_document->replaceMap(
        [](HotSpotTable &table) {
            table.AddHotSpot(Lot7Coords, u"Lot 7"_s);
            table.AddHotSpot(ShedCoords, u"Shed"_s);
        },
        MapDocument::Replaced::FromFile);
    m_control.calls.clear();
}

void tst_HotSpotEditing::cleanup()
{
    const QStringList left = std::exchange(m_prompts, {}).unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_HotSpotEditing::shiftClick(double px, double py)
{
    m_editing->ImageMap1_MouseDown(1, 1, px * Twips, py * Twips);
    m_editing->ImageMap1_MouseUp(1, 1, px * Twips, py * Twips);
}

void tst_HotSpotEditing::plainClick(double px, double py)
{
    m_editing->ImageMap1_MouseDown(1, 0, px * Twips, py * Twips);
    m_editing->ImageMap1_MouseUp(1, 0, px * Twips, py * Twips);
}

// The order in which the control reports a click on a hot spot.
void tst_HotSpotEditing::clickHotSpot(const QString &name, int button, int shift)
{
    m_editing->ImageMap1_MouseDown(button, shift, 300, 300);
    m_editing->ImageMap1_HotSpotMouseDown(name, button, shift, 300, 300);
    m_editing->ImageMap1_MouseUp(button, shift, 300, 300);
    m_editing->ImageMap1_HotSpotMouseUp(name, button, shift, 300, 300);
}

// Queues an OK for every expected message and the answers, in order, for the input boxes.
void tst_HotSpotEditing::script(const QStringList &prompts, const QStringList &answers)
{
    qsizetype next = 0;
    for (const QString &prompt : prompts) {
        if (prompt.startsWith(u"message:"_s))
            m_prompts.expectMessage(Prompts::Button::Ok);
        else
            m_prompts.expectInput(answers.value(next++));
    }
}

QStringList tst_HotSpotEditing::shownPrompts() const
{
    QStringList result;
    for (const ScriptedPrompts::Record &record : m_prompts.shown)
        result.append(describe(record));
    return result;
}

int tst_HotSpotEditing::pushes() const
{
    int count = 0;
    for (const QString &call : m_control.calls)
        count += call.startsWith(u"coordsstring="_s) ? 1 : 0;
    return count;
}

void tst_HotSpotEditing::verifyIdle()
{
    QCOMPARE(m_capture->NewCoords, QString());
    QCOMPARE(m_capture->CornerCount, 0);
    QCOMPARE(m_capture->Drawing, false);
    QCOMPARE(m_capture->ReadoutIndex, 0);
    for (const QString &pos : m_view.pos)
        QCOMPARE(pos, QString());
    QVERIFY(m_control.corners.isEmpty());
}

void tst_HotSpotEditing::makeHotSpot_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("added"); // name of the new hot spot, or empty when none
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("pushes");

    QTest::newRow("new name") << QStringList { u"Lot 8"_s } << QStringList { nameInput() }
                              << u"Lot 8"_s << false << 1;
    QTest::newRow("cancel") << QStringList { QString() } << QStringList { nameInput() } << QString()
                            << true << 0;
    QTest::newRow("name kept as typed")
        << QStringList { u"  lot 7 "_s } << QStringList { nameInput() } << u"  lot 7 "_s << false
        << 1;
    QTest::newRow("letter case makes a new name")
        << QStringList { u"LOT 7"_s } << QStringList { nameInput() } << u"LOT 7"_s << false << 1;
    QTest::newRow("name in use, then a new one")
        << QStringList { u"Lot 7"_s, u"Lot 8"_s }
        << QStringList { nameInput(), nameExists(), nameInput() } << u"Lot 8"_s << false << 1;
    QTest::newRow("name in use twice, then a new one")
        << QStringList { u"Shed"_s, u"Lot 7"_s, u"Lot 8"_s }
        << QStringList { nameInput(), nameExists(), nameInput(), nameExists(), nameInput() }
        << u"Lot 8"_s << false << 1;
    // The refused round still ends by marking the map changed; the control shows no change.
    QTest::newRow("name in use, then cancel")
        << QStringList { u"Lot 7"_s, QString() }
        << QStringList { nameInput(), nameExists(), nameInput() } << QString() << false << 0;
    QTest::newRow("double quote, then a new name")
        << QStringList { u"Lot \"8\""_s, u"Lot 8"_s }
        << QStringList { nameInput(), nameQuote(), nameInput() } << u"Lot 8"_s << false << 1;
    QTest::newRow("double quote, then cancel")
        << QStringList { u"\""_s, QString() }
        << QStringList { nameInput(), nameQuote(), nameInput() } << QString() << true << 0;
}

void tst_HotSpotEditing::makeHotSpot()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, prompts);
    QFETCH(QString, added);
    QFETCH(bool, saved);
    QFETCH(int, pushes);

    script(prompts, answers);
    shiftClick(10, 20);
    plainClick(30, 40);

    QCOMPARE(shownPrompts(), prompts);
    QCOMPARE(m_document->table().HotSpotCount(), added.isEmpty() ? 2 : 3);
    if (!added.isEmpty()) {
        QCOMPARE(m_document->table().HotSpotNames(2), added);
        QCOMPARE(m_document->table().HotSpotCoords(2), u"10,20,30,40"_s);
    }
    QCOMPARE(m_document->IsSaved(), saved);
    QCOMPARE(this->pushes(), pushes);
    if (pushes > 0)
        QCOMPARE(m_control.coordsString, m_document->table().MapText());
    verifyIdle();
}

void tst_HotSpotEditing::mouseUpClosingNothingAsksNothing_data()
{
    QTest::addColumn<int>("shiftCorners");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("shift");

    QTest::addColumn<int>("corners");

    QTest::newRow("plain click, no corners") << 0 << 1 << 0 << 0;
    QTest::newRow("release of a Shift corner") << 1 << 1 << 1 << 2;
    QTest::newRow("right click after a corner") << 1 << 2 << 0 << 1;
}

void tst_HotSpotEditing::mouseUpClosingNothingAsksNothing()
{
    QFETCH(int, shiftCorners);
    QFETCH(int, button);
    QFETCH(int, shift);
    QFETCH(int, corners);

    for (int corner = 0; corner < shiftCorners; ++corner)
        shiftClick(10, 20);
    m_editing->ImageMap1_MouseDown(button, shift, 450, 600);
    m_editing->ImageMap1_MouseUp(button, shift, 450, 600);

    QVERIFY(m_prompts.shown.isEmpty());
    QCOMPARE(m_capture->CornerCount, corners);
    QCOMPARE(m_capture->Drawing, false);
    QCOMPARE(m_document->table().HotSpotCount(), 2);
    QCOMPARE(m_document->IsSaved(), true);
    QCOMPARE(pushes(), 0);
}

void tst_HotSpotEditing::fullTableRefusesBeforeAsking()
{
    for (int slot = m_document->table().HotSpotCount(); slot < HotSpotTable::Capacity; ++slot)
        QCOMPARE(
            HotSpotTableAccess::of(*m_document).AddHotSpot(u"1,1,2,2"_s, QString::number(slot)),
            HotSpotTable::AddResult::Added);
    const QString mapText = m_document->table().MapText();
    m_prompts.expectMessage(Prompts::Button::Ok);
    shiftClick(10, 20);
    plainClick(30, 40);

    QCOMPARE(shownPrompts(),
        QStringList { okMessage(u"The map is full: it cannot hold more than 1001 Hot Spots"_s) });
    QCOMPARE(m_document->table().HotSpotCount(), HotSpotTable::Capacity);
    QCOMPARE(m_document->table().MapText(), mapText);
    QCOMPARE(m_document->IsSaved(), true);
    QCOMPARE(pushes(), 0);
    verifyIdle();
}

void tst_HotSpotEditing::mouseMoveShowsPosition()
{
    m_editing->ImageMap1_MouseMove(0, 0, 1800, 675);
    QCOMPARE(m_view.mousePos, u"X:120 Y:45"_s);
    m_editing->ImageMap1_MouseMove(2, 3, 10, 0);
    QCOMPARE(m_view.mousePos, u"X:0.6666667 Y:0"_s);
}

void tst_HotSpotEditing::hotSpotClick_data()
{
    QTest::addColumn<int>("shiftCorners");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("lot7Name");
    QTest::addColumn<QString>("lot7Coords");
    QTest::addColumn<QString>("coordF");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("pushes");

    const QString lot7 = u"Lot 7"_s;
    const QString newCoords = u"5,5,9,5,9,9"_s;

    QTest::newRow("rename") << 0 << lot7 << 0 << QStringList { u"Lot 9"_s }
                            << QStringList { renameInput(lot7) } << u"Lot 9"_s << Lot7Coords
                            << QString() << false << 1;
    QTest::newRow("rename cancelled")
        << 0 << lot7 << 0 << QStringList { QString() } << QStringList { renameInput(lot7) } << lot7
        << Lot7Coords << QString() << true << 0;
    QTest::newRow("rename to own name, then a new one")
        << 0 << lot7 << 0 << QStringList { lot7, u"Lot 9"_s }
        << QStringList { renameInput(lot7), nameExists(), renameInput(lot7) } << u"Lot 9"_s
        << Lot7Coords << QString() << false << 1;
    QTest::newRow("rename to a name in use, then cancel")
        << 0 << lot7 << 0 << QStringList { u"Shed"_s, QString() }
        << QStringList { renameInput(lot7), nameExists(), renameInput(lot7) } << lot7 << Lot7Coords
        << QString() << false << 0;
    QTest::newRow("rename of a name not in the table")
        << 0 << u"Ghost"_s << 0 << QStringList { u"Lot 9"_s }
        << QStringList { renameInput(u"Ghost"_s) } << lot7 << Lot7Coords << QString() << false << 0;
    QTest::newRow("rename with a double quote, then a new name")
        << 0 << lot7 << 0 << QStringList { u"Lot \"9"_s, u"Lot 9"_s }
        << QStringList { renameInput(lot7), nameQuote(), renameInput(lot7) } << u"Lot 9"_s
        << Lot7Coords << QString() << false << 1;
    // The hot-spot press comes before the release that closes the polygon.
    QTest::newRow("one corner captured: rename, then name the polygon")
        << 1 << lot7 << 0 << QStringList { QString(), QString() }
        << QStringList { renameInput(lot7), nameInput() } << lot7 << Lot7Coords << QString() << true
        << 0;
    QTest::newRow("two corners captured: closes the polygon only")
        << 2 << lot7 << 0 << QStringList { QString() } << QStringList { nameInput() } << lot7
        << Lot7Coords << QString() << true << 0;
    QTest::newRow("Shift click neither renames nor modifies")
        << 0 << lot7 << 1 << QStringList() << QStringList() << lot7 << Lot7Coords << QString()
        << true << 0;

    QTest::newRow("modify") << 0 << lot7 << 2 << QStringList { newCoords }
                            << QStringList { coordsInput(lot7, Lot7Coords) } << lot7 << newCoords
                            << Lot7Coords << false << 1;
    QTest::newRow("modify cancelled") << 0 << lot7 << 2 << QStringList { QString() }
                                      << QStringList { coordsInput(lot7, Lot7Coords) } << lot7
                                      << Lot7Coords << Lot7Coords << true << 0;
    QTest::newRow("modify a name not in the table")
        << 0 << u"Ghost"_s << 2 << QStringList() << QStringList { okMessage(u"Ghost not found"_s) }
        << lot7 << Lot7Coords << QString() << true << 0;
    QTest::newRow("modify with a double quote asks again with the old list")
        << 0 << lot7 << 2 << QStringList { u"1,1\",2"_s, newCoords }
        << QStringList { coordsInput(lot7, Lot7Coords),
               okMessage(u"Hot Spot coordinates cannot contain a double quote"_s),
               coordsInput(lot7, Lot7Coords) }
        << lot7 << newCoords << Lot7Coords << false << 1;
    QTest::newRow("two corners captured: modify, then name the polygon")
        << 2 << lot7 << 2 << QStringList { newCoords, QString() }
        << QStringList { coordsInput(lot7, Lot7Coords), nameInput() } << lot7 << newCoords
        << Lot7Coords << false << 1;
}

void tst_HotSpotEditing::hotSpotClick()
{
    QFETCH(int, shiftCorners);
    QFETCH(QString, clicked);
    QFETCH(int, shift);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, prompts);
    QFETCH(QString, lot7Name);
    QFETCH(QString, lot7Coords);
    QFETCH(QString, coordF);
    QFETCH(bool, saved);
    QFETCH(int, pushes);

    script(prompts, answers);
    for (int corner = 0; corner < shiftCorners; ++corner)
        shiftClick(10 + corner, 20);
    clickHotSpot(clicked, 1, shift);

    QCOMPARE(shownPrompts(), prompts);
    QCOMPARE(m_document->table().HotSpotNames(0), lot7Name);
    QCOMPARE(m_document->table().HotSpotCoords(0), lot7Coords);
    QCOMPARE(m_document->table().HotSpotNames(1), u"Shed"_s);
    QCOMPARE(m_document->table().HotSpotCount(), 2);
    QCOMPARE(m_view.coordF, coordF);
    QCOMPARE(m_document->IsSaved(), saved);
    QCOMPARE(this->pushes(), pushes);
    if (pushes > 0)
        QCOMPARE(m_control.coordsString, m_document->table().MapText());
}

void tst_HotSpotEditing::modifyStoresAnyText()
{
    const QString text = u"not a list <&> of numbers"_s;
    m_prompts.expectInput(text);
    clickHotSpot(u"Shed"_s, 1, 2);

    QCOMPARE(m_document->table().HotSpotCoords(1), text);
    QVERIFY(m_document->table().MapText().contains(
        u"COORDS=\"not a list <&> of numbers\" ID=\"Shed\""_s));
    QCOMPARE(m_control.coordsString, m_document->table().MapText());
    QCOMPARE(m_view.coordF, ShedCoords);
    QCOMPARE(m_document->IsSaved(), false);
}

void tst_HotSpotEditing::deleteWithAnyKey_data()
{
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<Prompts::Button>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<bool>("saved");

    QTest::newRow("no key, Yes") << 0 << u"Lot 7"_s << Prompts::Button::Yes << true << false;
    QTest::newRow("Shift, Yes") << 1 << u"Lot 7"_s << Prompts::Button::Yes << true << false;
    QTest::newRow("Ctrl, Yes") << 2 << u"Lot 7"_s << Prompts::Button::Yes << true << false;
    QTest::newRow("Alt, Yes") << 4 << u"Lot 7"_s << Prompts::Button::Yes << true << false;
    QTest::newRow("Shift+Ctrl+Alt, Yes")
        << 7 << u"Lot 7"_s << Prompts::Button::Yes << true << false;
    QTest::newRow("No") << 0 << u"Lot 7"_s << Prompts::Button::No << false << true;
    QTest::newRow("Yes for a name not in the table")
        << 0 << u"Ghost"_s << Prompts::Button::Yes << false << false;
}

void tst_HotSpotEditing::deleteWithAnyKey()
{
    QFETCH(int, shift);
    QFETCH(QString, clicked);
    QFETCH(Prompts::Button, answer);
    QFETCH(bool, deleted);
    QFETCH(bool, saved);

    m_prompts.expectMessage(answer);
    m_editing->ImageMap1_MouseDown(2, shift, 300, 300);
    m_editing->ImageMap1_HotSpotMouseDown(clicked, 2, shift, 300, 300);
    m_editing->ImageMap1_MouseUp(2, shift, 300, 300);
    m_editing->ImageMap1_HotSpotMouseUp(clicked, 2, shift, 300, 300);

    QCOMPARE(shownPrompts(), QStringList { deleteQuestion(clicked) });
    QCOMPARE(m_document->table().HotSpotCount(), 2);
    QCOMPARE(m_document->table().HotSpotCoords(0).isEmpty(), deleted);
    QCOMPARE(m_document->table().HotSpotNames(0).isEmpty(), deleted);
    QCOMPARE(m_document->table().HotSpotNames(1), u"Shed"_s);
    QCOMPARE(m_document->IsSaved(), saved);
    QCOMPARE(pushes(), deleted ? 1 : 0);
    if (deleted) {
        QCOMPARE(m_control.coordsString, m_document->table().MapText());
        QVERIFY(!m_document->table().MapText().contains(u"Lot 7"_s));
        QVERIFY(m_document->table().MapText().contains(u"Shed"_s));
    }
}

// A loaded file may hold a hot spot with no name; a deleted slot before it has no name either.
void tst_HotSpotEditing::unnamedHotSpotBesideDeletedSlot()
{
    m_document->clearHotSpot(0);
    QCOMPARE(m_document->addHotSpot(u"7,7,8,8"_s, u"x"_s), HotSpotTable::AddResult::Added);
    HotSpotTableAccess::name(HotSpotTableAccess::of(*m_document), 2).clear();

    m_prompts.expectInput(u"3,3,4,4"_s);
    clickHotSpot(QString(), 1, 2);
    QCOMPARE(m_view.coordF, u"7,7,8,8"_s);
    QCOMPARE(m_document->table().HotSpotCoords(0), QString());
    QCOMPARE(m_document->table().HotSpotCoords(2), u"3,3,4,4"_s);

    m_prompts.expectMessage(Prompts::Button::Yes);
    clickHotSpot(QString(), 2, 0);
    QCOMPARE(m_document->table().HotSpotCoords(2), QString());
    QVERIFY(!m_document->table().MapText().contains(u"3,3,4,4"_s));
    QCOMPARE(m_document->table().HotSpotCount(), 3);
}

void tst_HotSpotEditing::refreshImageMapRebuildsStaleText()
{
    HotSpotTableAccess::mapText(HotSpotTableAccess::of(*m_document)) = u"<map name=map>"_s;
    HotSpotTableAccess::coords(HotSpotTableAccess::of(*m_document), 1) = u"2,2,3,3"_s;
    m_editing->RefreshImageMap();
    QCOMPARE(m_document->table().MapText(),
        u"<map name=map><AREA SHAPE=POLY COORDS=\"1,1,50,1,50,50\" ID=\"Lot 7\" color=\"#00ff00\">"
        "<AREA SHAPE=POLY COORDS=\"2,2,3,3\" ID=\"Shed\" color=\"#00ff00\"></map>"_s);
    QCOMPARE(m_control.calls, QStringList { u"coordsstring="_s + m_document->table().MapText() });
}

QTEST_GUILESS_MAIN(tst_HotSpotEditing)

#include "tst_hotspotediting.moc"
