#include "app/editor.h"
#include "app/frmdesign.h"
#include "document/mapdocument.h"
#include "imagemap/imagemap.h"
#include "imagemap/zoomnavigator.h"
#include "memorysettings.h"
#include "model/hotspottable.h"
#include "platform/settingsstore.h"
#include "scriptedprompts.h"
#include "sites/findhotspotbox.h"
#include "sites/siteswindow.h"
#include "testfiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The list as text: one line per row, children indented, hidden rows left out.
QStringList rows(const QTreeWidget &list)
{
    QStringList lines;
    const auto line = [](const QTreeWidgetItem *item) {
        QStringList cells;
        for (int c = 0; c < item->columnCount(); ++c)
            cells.append(item->text(c));
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        return cells.join(u" | "_s);
    };
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *top = list.topLevelItem(i);
        if (top->isHidden())
            continue;
        lines.append(line(top));
        for (int k = 0; k < top->childCount(); ++k) {
            if (!top->child(k)->isHidden())
                lines.append(u"  "_s + line(top->child(k)));
        }
    }
    return lines;
}

void addSquare(HotSpotTable &table, const QString &name, int x, int y)
{
    table.AddHotSpot(u"%1,%2,%3,%2,%3,%4,%1,%4"_s.arg(x).arg(y).arg(x + 10).arg(y + 20), name);
}

} // namespace

class tst_SitesWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void findBox();
    void registerComparison();
    void inTheMainWindow();

private:
    QTemporaryDir m_home;
    ScriptedPrompts m_prompts;
};

void tst_SitesWindow::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + u"/config"_s).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_home.path() + u"/data"_s).toLocal8Bit());
}

void tst_SitesWindow::cleanup()
{
    const QStringList left = std::exchange(m_prompts, {}).unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_SitesWindow::findBox()
{
    HotSpotTable table;
    for (const QString &name : { u"Lot 10"_s, u"Lot 1"_s, u"Lot 11"_s, u"Lot 2"_s })
        addSquare(table, name, 100 * name.mid(4).toInt(), 50);
    FindHotSpotBox box(table, m_prompts);
    QSignalSpy found(&box, &FindHotSpotBox::found);
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));

    // A whole name typed while the completion list is open, then Return.
    QTest::keyClicks(box.nameField(), u"Lot 1"_s);
    QAbstractItemView *popup = box.completer()->popup();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->model()->rowCount(), 3); // Lot 1, Lot 10, Lot 11
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0][0].toString(), u"Lot 1"_s);
    QCOMPARE(found[0][1].toRectF(), QRectF(100, 50, 10, 20));
    QVERIFY(!popup->isVisible());

    // An entry picked from the list with the arrow keys is found once.
    box.nameField()->clear();
    QTest::keyClicks(box.nameField(), u"Lot 1"_s);
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(box.nameField()->text(), u"Lot 10"_s);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[1][0].toString(), u"Lot 10"_s);

    // Return in the field itself, the list closed.
    box.nameField()->setText(u"Lot 11"_s);
    QTest::keyClick(box.nameField(), Qt::Key_Return);
    QCOMPARE(found.size(), 3);
    QCOMPARE(found[2][0].toString(), u"Lot 11"_s);

    // Unknown: said so, and the box stays open for another try.
    m_prompts.expectMessage(Prompts::Button::Ok);
    box.nameField()->setText(u"Lot 7"_s);
    QTest::keyClick(box.nameField(), Qt::Key_Return);
    QCOMPARE(found.size(), 3);
    QCOMPARE(m_prompts.shown.size(), 1);
    QCOMPARE(m_prompts.shown[0].text, u"Hot Spot Lot 7 not found"_s);
    QCOMPARE(m_prompts.shown[0].buttons, Prompts::Buttons::Ok);
    QCOMPARE(m_prompts.shown[0].icon, Prompts::Icon::None);
    QCOMPARE(m_prompts.shown[0].caption, Prompts::productName());
    QVERIFY(box.isVisible());

    // A deleted hot spot is no longer found, and completion forgets it.
    table.ClearHotSpot(1);
    box.updateNames();
    m_prompts.expectMessage(Prompts::Button::Ok);
    QVERIFY(!box.find(u"Lot 1"_s));
    QTest::keyClicks(box.nameField(), u"x"_s);
    box.nameField()->clear();
    QTest::keyClicks(box.nameField(), u"Lot 1"_s);
    QTRY_COMPARE(popup->model()->rowCount(), 2);
}

void tst_SitesWindow::registerComparison()
{
    HotSpotTable table;
    addSquare(table, u"Lot 10"_s, 10, 10);
    addSquare(table, u"Lot 2"_s, 30, 10);
    addSquare(table, u"Common"_s, 50, 10);
    addSquare(table, u"Lot 1"_s, 70, 10);
    // A second "Lot 2", as a hand-edited map file can hold.
    table.restoreSlot(4, u"90,10,100,10,100,40"_s, u"Lot 2"_s);
    MemorySettings settings;
    SitesWindow window(table, m_prompts, settings);
    QTreeWidget &list = *window.list();

    QCOMPARE(rows(list),
        (QStringList { u"Common | 4 | 50, 10 \u2013 60, 30"_s,
            u"Lot 1 | 4 | 70, 10 \u2013 80, 30"_s, u"Lot 2 | 4 | 30, 10 \u2013 40, 30"_s,
            u"Lot 2 | 3 | 90, 10 \u2013 100, 40"_s, u"Lot 10 | 4 | 10, 10 \u2013 20, 30"_s }));

    const QString registerPath = m_home.filePath(u"register.csv"_s);
    writeBytes(
        registerPath, "Lot,Owner\r\nLot 1,A\r\nLot 2,B\r\nLot 3,C\r\nLot 3,D\r\nLot 10,E\r\n");
    m_prompts.expectOpenFile(registerPath);
    window.compareWithRegister();
    const QStringList compared {
        u"In the register and on the map (3)"_s,
        u"  Lot 1 | 4 | 70, 10 \u2013 80, 30"_s,
        u"  Lot 2 | 4 | 30, 10 \u2013 40, 30 | 2 hot spots with this name"_s,
        u"  Lot 2 | 3 | 90, 10 \u2013 100, 40 | 2 hot spots with this name"_s,
        u"  Lot 10 | 4 | 10, 10 \u2013 20, 30"_s,
        u"In the register, not on the map (1)"_s,
        u"  Lot 3 |  |  | listed 2 times in the register"_s,
        u"On the map, not in the register (1)"_s,
        u"  Common | 4 | 50, 10 \u2013 60, 30"_s,
    };
    QCOMPARE(rows(list), compared);
    QCOMPARE(settings.values.value(u"Settings/SiteRegister"_s), registerPath);

    // Selecting a hot spot asks for it to be found; a site only in the register cannot be.
    QSignalSpy selected(&window, &SitesWindow::hotSpotSelected);
    list.setCurrentItem(list.topLevelItem(1)->child(0));
    list.setCurrentItem(list.topLevelItem(0)->child(3));
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0][0].toString(), u"Lot 10"_s);

    // The filter hides rows, not groups.
    window.filterField()->setText(u"lot 1"_s);
    QCOMPARE(rows(list),
        (QStringList { u"In the register and on the map (3)"_s,
            u"  Lot 1 | 4 | 70, 10 \u2013 80, 30"_s, u"  Lot 10 | 4 | 10, 10 \u2013 20, 30"_s,
            u"In the register, not on the map (1)"_s, u"On the map, not in the register (1)"_s }));
    window.filterField()->clear();

    // The table changes: the list follows once the event loop runs, the selection kept and no
    // new find asked for.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    table.ClearHotSpot(2);
    window.tableChanged();
    QTRY_VERIFY(!rows(list).contains(u"  Common | 4 | 50, 10 \u2013 60, 30"_s));
    QCOMPARE(rows(list).last(), u"On the map, not in the register (0)"_s);
    QCOMPARE(list.selectedItems().value(0)->text(0), u"Lot 10"_s);
    QCOMPARE(selected.size(), 1);
    table.restoreSlot(2, u"50,10,60,10,60,30,50,30"_s, u"Common"_s);
    window.tableChanged();
    QTRY_COMPARE(rows(list), compared);

    // Registers that cannot be used are explained, and the list and setting stay as they were.
    const QString binary = m_home.filePath(u"plan.png"_s);
    writeBytes(binary, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    const QString empty = m_home.filePath(u"empty.txt"_s);
    writeBytes(empty, "\r\n");
    for (const QString &path : { binary, empty, m_home.filePath(u"gone.csv"_s) }) {
        m_prompts.expectOpenFile(path);
        m_prompts.expectMessage(Prompts::Button::Ok);
        window.compareWithRegister();
    }
    QStringList messages;
    for (const ScriptedPrompts::Record &record : std::as_const(m_prompts.shown)) {
        if (record.kind == ScriptedPrompts::Kind::Message)
            messages.append(record.text);
    }
    QCOMPARE(messages,
        (QStringList { u"plan.png is not a text or CSV file, so it cannot be a site register."_s,
            u"The site register empty.txt lists no sites."_s,
            u"The site register %1 was not found."_s.arg(m_home.filePath(u"gone.csv"_s)) }));
    QCOMPARE(rows(list), compared);
    QCOMPARE(settings.values.value(u"Settings/SiteRegister"_s), registerPath);

    // The next start compares with the remembered register again, and the names are
    // readable when the window first shows.
    SitesWindow next(table, m_prompts, settings);
    next.restoreRegister();
    QCOMPARE(rows(*next.list()), compared);

    // A register that has gone is told of at the next start, then forgotten.
    QVERIFY(QFile::remove(registerPath));
    m_prompts.expectMessage(Prompts::Button::Ok);
    SitesWindow third(table, m_prompts, settings);
    third.restoreRegister();
    QCOMPARE(m_prompts.texts().last(), u"The site register %1 was not found."_s.arg(registerPath));
    QVERIFY(settings.values.value(u"Settings/SiteRegister"_s).isEmpty());
    SitesWindow fourth(table, m_prompts, settings);
    fourth.restoreRegister();
    QVERIFY(m_prompts.unusedAnswers().isEmpty());
}

void tst_SitesWindow::inTheMainWindow()
{
    const QString mapPath = m_home.filePath(u"plan.map"_s);
    writeBytes(mapPath,
        "<map name=map>\r\n"
        "<AREA SHAPE=POLY COORDS=\"300,300,400,300,400,400,300,400\" ID=\"Lot 1\" "
        "color=\"#00ff00\">\r\n"
        "<AREA SHAPE=POLY COORDS=\"2000,1000,2100,1000,2100,1100,2000,1100\" ID=\"Lot 2\" "
        "color=\"#00ff00\">\r\n"
        "</map>\r\n");
    const QString picturePath = m_home.filePath(u"plan.png"_s);
    QImage picture(3500, 1800, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY(picture.save(picturePath));
    const QString registerPath = m_home.filePath(u"register.txt"_s);
    writeBytes(registerPath, "Lot 1\nLot 2\nLot 3\n");
    QtSettingsStore settings;
    settings.WriteSetting(u"Settings"_s, u"CoordFile"_s, mapPath);
    settings.WriteSetting(u"Settings"_s, u"BGPicture"_s, picturePath);
    settings.WriteSetting(u"Settings"_s, u"SiteRegister"_s, registerPath);

    frmDesign window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const auto action = [&](const QString &name) { return window.findChild<QAction *>(name); };
    const QList<QAction *> edit = window.findChild<QMenu *>(u"mnuEdit"_s)->actions();
    QVERIFY(edit.size() >= 2);
    QVERIFY(edit[edit.size() - 2]->isSeparator());
    QCOMPARE(edit.last(), action(u"mnuFindHotSpot"_s));
    QCOMPARE(edit.last()->text(), u"Find Hot Spot\u2026"_s);
    QCOMPARE(edit.last()->shortcut(), QKeySequence(u"Ctrl+F"_s));
    const QList<QAction *> tools = window.findChild<QMenu *>(u"mnuTools"_s)->actions();
    QCOMPARE(tools,
        (QList<QAction *> { action(u"mnuSites"_s), action(u"mnuPreview"_s),
            action(u"mnuExportPage"_s), action(u"mnuDetectSites"_s), tools[4],
            action(u"mnuImportWebPageMap"_s) }));
    QVERIFY(tools[4]->isSeparator());
    QCOMPARE(tools[3]->text(), u"&Detect Sites\u2026"_s);
    QCOMPARE(tools[3]->shortcut(), QKeySequence(u"Ctrl+Shift+D"_s));
    QCOMPARE(tools[5]->text(), u"&Import Web Page Map\u2026"_s);
    QCOMPARE(tools[0]->text(), u"&Sites\u2026"_s);
    QCOMPARE(tools[0]->shortcut(), QKeySequence(u"Ctrl+L"_s));
    QCOMPARE(tools[1]->text(), u"&Preview in Browser"_s);
    QCOMPARE(tools[1]->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(tools[2]->text(), u"&Export Web Page\u2026"_s);

    // Ctrl+L opens the list beside the main window, which stays usable; the register of the
    // last run is compared again.
    QTest::keySequence(&window, QKeySequence(u"Ctrl+L"_s));
    auto *sites = window.findChild<SitesWindow *>();
    QVERIFY(sites);
    QTRY_VERIFY(sites->isVisible());
    QVERIFY(!sites->isModal());
    QVERIFY(window.isEnabled());
    QCOMPARE(rows(*sites->list()),
        (QStringList { u"In the register and on the map (2)"_s,
            u"  Lot 1 | 4 | 300, 300 \u2013 400, 400"_s,
            u"  Lot 2 | 4 | 2000, 1000 \u2013 2100, 1100"_s,
            u"In the register, not on the map (1)"_s, u"  Lot 3"_s,
            u"On the map, not in the register (0)"_s }));
    // The names are measured once the list shows, not while it waited hidden.
    const QTreeWidget &list = *sites->list();
    const QTreeWidgetItem *lot2 = list.topLevelItem(0)->child(1);
    QVERIFY(list.columnWidth(0)
        >= list.indentation() + list.fontMetrics().horizontalAdvance(lot2->text(0)));

    // Selecting a row brings its hot spot to the middle of the window and highlights it.
    auto *control = window.findChild<ImageMap *>(u"ImageMap1"_s);
    sites->list()->setCurrentItem(sites->list()->topLevelItem(0)->child(1));
    const QPoint centre = control->mapTo(window.centralWidget(), QPoint(2050, 1050));
    // The visible part of the client area lies right of the left bar and below the top bar.
    const QPoint mid =
        QRect(QPoint(16, 50), window.centralWidget()->size() - QSize(16, 50)).center();
    QVERIFY2(qAbs(centre.x() - mid.x()) <= 1 && qAbs(centre.y() - mid.y()) <= 1,
        qPrintable(u"%1,%2"_s.arg(centre.x()).arg(centre.y())));
    const auto highlighted = [control] {
        const QColor c = control->grab(QRect(2050, 1050, 1, 1)).toImage().pixelColor(0, 0);
        return c.green() < 220 && c.red() > 230 && c.blue() > 230;
    };
    QTRY_VERIFY(highlighted());
    QTRY_VERIFY_WITH_TIMEOUT(!highlighted(), 4000);

    // Clear empties the table: the list follows.
    window.findChild<QAction *>(u"mnuClear"_s)->trigger();
    QTRY_COMPARE(rows(*sites->list()),
        (QStringList { u"In the register and on the map (0)"_s,
            u"In the register, not on the map (3)"_s, u"  Lot 1"_s, u"  Lot 2"_s, u"  Lot 3"_s,
            u"On the map, not in the register (0)"_s }));
    window.editor().document().setIsSaved(true);
}

QTEST_MAIN(tst_SitesWindow)
#include "tst_siteswindow.moc"
