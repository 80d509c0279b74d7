#include "app/editor.h"
#include "app/frmdesign.h"
#include "document/mapdocument.h"
#include "memorysettings.h"
#include "scriptedprompts.h"
#include "sites/detectrules.h"
#include "sites/detectsiteswindow.h"

#include <QAction>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using Rules = QList<DetectRules::Proposal>;

Q_DECLARE_METATYPE(DetectRules::Proposal)

namespace {

// Six lots of 200 x 150 in one block, numbered 1 to 6, inside a white margin.
QImage smallPlan()
{
    QImage picture(800, 500, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 3));
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(40);
    p.setFont(font);
    for (int i = 0; i < 6; ++i) {
        const QRect lot(100 + (i % 3) * 200, 100 + (i / 3) * 150, 200, 150);
        p.drawRect(lot);
        p.drawText(lot, Qt::AlignCenter, QString::number(i + 1));
    }
    return picture;
}

QStringList rows(const QTreeWidget &list)
{
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list.topLevelItem(i);
        texts << (item->checkState(0) == Qt::Checked ? u"[x] "_s : u"[ ] "_s) + item->text(0)
                + u" | "_s + item->text(3);
    }
    return texts;
}

} // namespace

class tst_DetectSites : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void window();
    void inTheMainWindow();
};

void tst_DetectSites::rules_data()
{
    QTest::addColumn<Rules>("proposals");
    QTest::addColumn<QStringList>("registerNames");
    QTest::addColumn<QStringList>("expected");
    const Rules plan { { u"Lot 1"_s, false, 1 }, { u"Lot 2"_s, false, 1.2 },
        { u"Lot 2"_s, false, 0.9 }, { u"Lot 9"_s, false, 1 }, { u"Lot 4"_s, false, 1 },
        { {}, false, 1 }, { u"Road"_s, false, 7 }, { u"Margin"_s, true, 1 } };
    QTest::newRow("no register") << plan << QStringList()
                                 << QStringList { u"[x] "_s, u"[ ] read twice"_s,
                                        u"[ ] read twice"_s, u"[x] "_s, u"[ ] already on the map"_s,
                                        u"[ ] no name read"_s, u"[ ] not a site"_s,
                                        u"[ ] not a site"_s };
    QTest::newRow("register") << plan << QStringList { u"Lot 1"_s, u"Lot 2"_s, u"Lot 4"_s }
                              << QStringList { u"[x] in the register"_s, u"[ ] read twice"_s,
                                     u"[ ] read twice"_s, u"[ ] not in it"_s,
                                     u"[ ] already on the map"_s, u"[ ] no name read"_s,
                                     u"[ ] not a site"_s, u"[ ] not a site"_s };
    // Few names on the plan (a coloured map): the unnamed regions still need one, and say so.
    QTest::newRow("mostly unnamed")
        << Rules { { u"A"_s, false, 1 }, { {}, false, 1 }, { {}, false, 1 } } << QStringList()
        << QStringList { u"[x] "_s, u"[ ] no name read"_s, u"[ ] no name read"_s };
    // One name read for two: the one whose readings agree on it more takes it.
    QTest::newRow("read twice, one surer")
        << Rules { { u"7"_s, false, 1, 3 }, { u"7"_s, false, 1, 2 }, { u"8"_s, false, 1, 2 },
               { u"8"_s, false, 1, 2 } }
        << QStringList()
        << QStringList { u"[x] "_s, u"[ ] read twice"_s, u"[ ] read twice"_s, u"[ ] read twice"_s };
}

void tst_DetectSites::rules()
{
    QFETCH(Rules, proposals);
    QFETCH(QStringList, registerNames);
    QFETCH(QStringList, expected);
    QStringList got;
    for (const DetectRules::Verdict &v :
        DetectRules::judge(proposals, { u"Lot 4"_s }, registerNames))
        got << (v.checked ? u"[x] "_s : u"[ ] "_s) + DetectRules::statusText(v.status);
    QCOMPARE(got, expected);
}

void tst_DetectSites::window()
{
    const QImage picture = smallPlan();
    ScriptedPrompts prompts;
    MapDocument document;
    // A hot spot over the margin: the margin is covered, and "Lot 3" is taken.
    QVERIFY(document.addHotSpot(u"0,0,5,0,5,5"_s, u"Lot 3"_s) == MapDocument::AddResult::Added);
    DetectSitesWindow window(document, prompts,
        { [&] { return picture; },
            [] {
                return QStringList { u"Lot 1"_s, u"Lot 2"_s, u"Lot 3"_s, u"Lot 5"_s, u"Lot 6"_s };
            } });
    QSignalSpy drawn(&window, &DetectSitesWindow::proposalsChanged);
    window.show();
    window.start();
    QVERIFY(!window.addButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(window.isDone(), 30000);
    QVERIFY(window.addButton()->isEnabled() && window.addButton()->isDefault());
    QCOMPARE(window.windowTitle(), u"Detect Sites"_s);
    // "4" is not in the register, "3" is on the map already.
    QCOMPARE(rows(*window.list()),
        (QStringList { u"[ ] 4 | not in it"_s, u"[x] Lot 1 | in the register"_s,
            u"[x] Lot 2 | in the register"_s, u"[ ] Lot 3 | already on the map"_s,
            u"[x] Lot 5 | in the register"_s, u"[x] Lot 6 | in the register"_s }));
    QCOMPARE(drawn.last()[0].value<QList<QPolygon>>().size(), 6);

    // "4" renamed in place and checked; unchecking "Lot 6" leaves four.
    QTreeWidget &list = *window.list();
    list.topLevelItem(0)->setText(0, u"Lot 4"_s);
    QCOMPARE(list.topLevelItem(0)->text(3), u"not in it"_s);
    list.topLevelItem(0)->setCheckState(0, Qt::Checked);
    list.topLevelItem(5)->setCheckState(0, Qt::Unchecked);

    // Too many for the free slots: a box, and nothing added.
    QList<std::pair<QString, QString>> filler;
    for (int i = 0; i < HotSpotTable::Capacity - 4; ++i)
        filler.append({ u"1,1,2,1,2,2"_s, u"F%1"_s.arg(i) });
    QVERIFY(document.addHotSpots(filler) == MapDocument::AddResult::Added);
    prompts.expectMessage(Prompts::Button::Ok);
    QTest::keyClick(&list, Qt::Key_Return);
    QVERIFY(prompts.unusedAnswers().isEmpty());
    QCOMPARE(document.table().HotSpotCount(), HotSpotTable::Capacity - 3);
    QVERIFY(window.isVisible());

    // Room again: the four checked become hot spots in natural order, in one step.
    document.undo();
    QCOMPARE(document.undoStack().text(document.undoStack().index()), u"Add 997 Sites"_s);
    window.addChecked();
    QVERIFY(!window.isVisible());
    QCOMPARE(drawn.last()[0].value<QList<QPolygon>>().size(), 0);
    QVERIFY(!document.IsSaved());
    QStringList names;
    document.table().forEachHotSpot(
        [&](int, const QString &, const QString &name) { names << name; });
    QCOMPARE(names, (QStringList { u"Lot 3"_s, u"Lot 1"_s, u"Lot 2"_s, u"Lot 4"_s, u"Lot 5"_s }));
    QCOMPARE(document.table().HotSpotCoords(1).split(u',').size(), 8);
    QCOMPARE(document.undoStack().text(document.undoStack().index() - 1), u"Add 4 Sites"_s);
    document.undo();
    QCOMPARE(document.table().HotSpotCount(), 1);
}

void tst_DetectSites::inTheMainWindow()
{
    QTemporaryDir home;
    const QString mapPath = home.filePath(u"plan.map"_s),
                  picturePath = home.filePath(u"plan.png"_s);
    QVERIFY(smallPlan().save(picturePath));
    QFile map(mapPath);
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("<map name=map>\r\n</map>\r\n");
    map.close();
    MemorySettings settings;
    settings.WriteSetting(u"Settings"_s, u"CoordFile"_s, mapPath);
    settings.WriteSetting(u"Settings"_s, u"BGPicture"_s, picturePath);
    ScriptedPrompts prompts;
    frmDesign window(nullptr, nullptr, &prompts, &settings);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Ctrl+Shift+D opens the window beside the editor, which stays usable; Return adds.
    QTest::keySequence(&window, QKeySequence(u"Ctrl+Shift+D"_s));
    auto *detect = window.findChild<DetectSitesWindow *>();
    QVERIFY(detect && detect->isVisible() && !detect->isModal());
    QTRY_VERIFY_WITH_TIMEOUT(detect->isDone(), 30000);
    QVERIFY(window.isEnabled());
    QTest::keyClick(detect->list(), Qt::Key_Return);
    QTRY_VERIFY(!detect->isVisible());
    QCOMPARE(window.findChild<QAction *>(u"mnuSave"_s)->isEnabled(), true);
    window.findChild<QAction *>(u"mnuSave"_s)->trigger();
    QVERIFY(map.open(QIODevice::ReadOnly));
    const QByteArray saved = map.readAll();
    QCOMPARE(saved.count("<AREA"), 6);
    QVERIFY(saved.indexOf("ID=\"1\"") < saved.indexOf("ID=\"6\""));
    QVERIFY(prompts.unusedAnswers().isEmpty());
}

QTEST_MAIN(tst_DetectSites)
#include "tst_detectsites.moc"
