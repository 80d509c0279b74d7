#include "model/hotspottable.h"

#include "model/cornerlist.h"

#include "hotspottableaccess.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString header = u"<map name=map>"_s;
const QString footer = u"</map>"_s;

QString area(const QString &coords, const QString &name)
{
    return u"<AREA SHAPE=POLY COORDS=\""_s + coords + u"\" ID=\""_s + name
        + u"\" color=\"#00ff00\">"_s;
}

// The table is about 50 kB of QString slots: keep it off the stack.
std::unique_ptr<HotSpotTable> tableWith(const QStringList &names)
{
    auto table = std::make_unique<HotSpotTable>();
    for (const QString &name : names)
        table->AddHotSpot(u"1,2,3,4,5,6"_s, name);
    return table;
}

} // namespace

class tst_HotSpotTable : public QObject
{
    Q_OBJECT

private slots:
    void findHotSpot_data();
    void findHotSpot();
    void addHotSpot();
    void deletedSlotsStayBelowTheCount();
    void renameHotSpot();
    void eraseKeepsCountAndMapText();
    void fullTableRefusesWithoutTouchingSlots();
    void mapText_data();
    void mapText();
    void cornerLists_data();
    void cornerLists();
};

void tst_HotSpotTable::findHotSpot_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("cleared");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("slot");

    QTest::newRow("empty table") << QStringList {} << QList<int> {} << QString() << -1;
    QTest::newRow("empty table, a name") << QStringList {} << QList<int> {} << u"A"_s << -1;
    QTest::newRow("exact name") << QStringList { u"A"_s, u"B"_s } << QList<int> {} << u"B"_s << 1;
    QTest::newRow("case differs") << QStringList { u"Lot"_s } << QList<int> {} << u"lot"_s << -1;
    QTest::newRow("no trimming") << QStringList { u"Lot"_s } << QList<int> {} << u"Lot "_s << -1;
    QTest::newRow("deleted name is gone")
        << QStringList { u"A"_s, u"B"_s } << QList<int> { 0 } << u"A"_s << -1;
    QTest::newRow("empty name finds the lowest deleted slot")
        << QStringList { u"A"_s, u"B"_s, u"C"_s } << QList<int> { 1, 2 } << QString() << 1;
}

void tst_HotSpotTable::findHotSpot()
{
    QFETCH(QStringList, names);
    QFETCH(QList<int>, cleared);
    QFETCH(QString, name);
    QFETCH(int, slot);

    auto table = tableWith(names);
    for (int s : cleared)
        table->ClearHotSpot(s);
    QCOMPARE(table->FindHotSpot(name), slot);
    QCOMPARE(table->HotSpotNameExists(name), slot >= 0);
}

void tst_HotSpotTable::addHotSpot()
{
    auto table = tableWith({ u"Lot"_s });
    const QString before = table->MapText();

    QCOMPARE(table->AddHotSpot(u"9,9,9,9,9,9"_s, u"Lot"_s), HotSpotTable::AddResult::NameExists);
    QCOMPARE(table->HotSpotCount(), 1);
    QCOMPARE(table->HotSpotCoords(1), QString());
    QCOMPARE(table->MapText(), before);

    QCOMPARE(table->AddHotSpot(u"7,7,7,7,7,7"_s, u"LOT"_s), HotSpotTable::AddResult::Added);
    QCOMPARE(table->HotSpotCount(), 2);
    QCOMPARE(table->HotSpotNames(1), u"LOT"_s);

    // Two slots of one name (as a loaded file can bring): the lower one is found, and the name
    // stays refused.
    HotSpotTableAccess::coords(*table, 2) = u"1,1,2,2,3,3"_s;
    HotSpotTableAccess::name(*table, 2) = u"LOT"_s;
    HotSpotTableAccess::count(*table) = 3;
    QCOMPARE(table->FindHotSpot(u"LOT"_s), 1);
    QCOMPARE(table->AddHotSpot(u"1,1"_s, u"LOT"_s), HotSpotTable::AddResult::NameExists);
}

void tst_HotSpotTable::deletedSlotsStayBelowTheCount()
{
    auto table = std::make_unique<HotSpotTable>();
    table->AddHotSpot(u"1,1,1,1,1,1"_s, u"A"_s);
    table->AddHotSpot(u"2,2,2,2,2,2"_s, u"B"_s);
    table->AddHotSpot(u"3,3,3,3,3,3"_s, u"C"_s);
    table->ClearHotSpot(0);
    QCOMPARE(table->HotSpotCount(), 3);

    // The deleted slot is not reused; its empty name still blocks an empty name.
    QCOMPARE(table->AddHotSpot(u"4,4,4,4,4,4"_s, u"D"_s), HotSpotTable::AddResult::Added);
    QCOMPARE(table->HotSpotNames(3), u"D"_s);
    QCOMPARE(table->AddHotSpot(u"5,5"_s, QString()), HotSpotTable::AddResult::NameExists);
    QCOMPARE(table->MapText(),
        header + area(u"2,2,2,2,2,2"_s, u"B"_s) + area(u"3,3,3,3,3,3"_s, u"C"_s)
            + area(u"4,4,4,4,4,4"_s, u"D"_s) + footer);
}

void tst_HotSpotTable::renameHotSpot()
{
    auto table = tableWith({ u"A"_s, u"B"_s });
    HotSpotTableAccess::mapText(*table) = u"stale"_s;

    QVERIFY(!table->RenameHotSpot(0, u"A"_s));
    QVERIFY(!table->RenameHotSpot(0, u"B"_s));
    QCOMPARE(table->HotSpotNames(0), u"A"_s);
    // A refused rename still rebuilds the map text.
    QVERIFY(table->MapText().startsWith(header));

    QVERIFY(table->RenameHotSpot(0, u"a"_s));
    QCOMPARE(table->HotSpotNames(0), u"a"_s);
    QCOMPARE(table->HotSpotCoords(0), u"1,2,3,4,5,6"_s);
    QCOMPARE(table->MapText(),
        header + area(u"1,2,3,4,5,6"_s, u"a"_s) + area(u"1,2,3,4,5,6"_s, u"B"_s) + footer);
}

void tst_HotSpotTable::eraseKeepsCountAndMapText()
{
    auto table = tableWith({ u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s });
    const QString before = table->MapText();
    table->EraseHotSpots();
    QCOMPARE(table->HotSpotCount(), 5);
    QCOMPARE(table->MapText(), before);
    QCOMPARE(table->FindHotSpot(u"A"_s), -1);
    QCOMPARE(table->FindHotSpot(QString()), 0);

    QCOMPARE(table->AddHotSpot(u"8,8,9,9,8,9"_s, u"A"_s), HotSpotTable::AddResult::Added);
    QCOMPARE(table->HotSpotCount(), 6);
    QCOMPARE(table->HotSpotNames(5), u"A"_s);
    QCOMPARE(table->MapText(), header + area(u"8,8,9,9,8,9"_s, u"A"_s) + footer);
}

void tst_HotSpotTable::fullTableRefusesWithoutTouchingSlots()
{
    auto table = std::make_unique<HotSpotTable>();
    for (int i = 0; i < HotSpotTable::Capacity; ++i)
        QCOMPARE(table->AddHotSpot(u"1,1,2,2,3,3"_s, QString::number(i)),
            HotSpotTable::AddResult::Added);
    QCOMPARE(table->HotSpotCount(), 1001);
    QCOMPARE(table->HotSpotNames(1000), u"1000"_s);
    const QString before = table->MapText();

    // The name check comes first.
    QCOMPARE(table->AddHotSpot(u"4,4"_s, u"7"_s), HotSpotTable::AddResult::NameExists);
    QCOMPARE(table->AddHotSpot(u"4,4"_s, u"new"_s), HotSpotTable::AddResult::TableFull);
    QCOMPARE(table->HotSpotCount(), 1001);
    QCOMPARE(table->HotSpotNames(1000), u"1000"_s);
    QCOMPARE(table->MapText(), before);

    // A count past the last slot (as only a corrupt state could give) is never walked beyond it.
    HotSpotTableAccess::count(*table) = 2000;
    QCOMPARE(table->FindHotSpot(u"new"_s), -1);
    table->BuildMapText();
    QCOMPARE(table->MapText(), before);
}

void tst_HotSpotTable::mapText_data()
{
    QTest::addColumn<QString>("coords");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("values go in unchanged") << u"1, 2,3"_s << u"A \"B\" <C> & D"_s
                                            << header
            + u"<AREA SHAPE=POLY COORDS=\"1, 2,3\" ID=\"A \"B\" <C> & D\" color=\"#00ff00\">"_s
            + footer;
    QTest::newRow("empty name is written")
        << u"1,2"_s << QString()
        << header + u"<AREA SHAPE=POLY COORDS=\"1,2\" ID=\"\" color=\"#00ff00\">"_s + footer;
    QTest::newRow("empty coordinates leave the slot out") << QString() << u"X"_s << header + footer;
}

void tst_HotSpotTable::mapText()
{
    QFETCH(QString, coords);
    QFETCH(QString, name);
    QFETCH(QString, expected);

    auto table = tableWith({});
    QCOMPARE(table->AddHotSpot(coords, name), HotSpotTable::AddResult::Added);
    QCOMPARE(table->MapText(), expected);
    QCOMPARE(table->BuildAreaLine(0), area(coords, name));
}

QTEST_APPLESS_MAIN(tst_HotSpotTable)
// Hot spots typed by hand may hold anything: only whole lists of numbered pairs are corners, and
// whole-pixel corners write back as the same text.
void tst_HotSpotTable::cornerLists_data()
{
    QTest::addColumn<QString>("coords");
    QTest::addColumn<int>("corners"); // -1: not a list of corners
    QTest::addColumn<QString>("whole");
    QTest::newRow("polygon") << "10,20,30,40,5,60" << 3 << "10,20,30,40,5,60";
    QTest::newRow("fractions round") << "1.4,2.6, 3 ,4" << 2 << "1,3,3,4";
    QTest::newRow("number left over") << "10,20,30" << -1 << "";
    QTest::newRow("not a number") << "10,x,30,40" << -1 << "";
    QTest::newRow("empty entry") << "10,20,,40" << -1 << "";
    QTest::newRow("empty text") << "" << -1 << "";
}

void tst_HotSpotTable::cornerLists()
{
    QFETCH(QString, coords);
    QFETCH(int, corners);
    QFETCH(QString, whole);
    const auto parsed = CornerList::parseWhole(coords);
    QCOMPARE(parsed ? int(parsed->size()) : -1, corners);
    if (parsed)
        QCOMPARE(CornerList::text(*parsed), whole);
}

#include "tst_hotspottable.moc"
