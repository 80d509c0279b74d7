#include "app/editor.h"
#include "app/frmdesign.h"
#include "document/mapdocument.h"
#include "imagemap/imagemap.h"
#include "imagemap/zoomnavigator.h"

#include "memorysettings.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineF>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using Kind = ScriptedPrompts::Kind;

class tst_frmDesign : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void colours();
    void tabOrder();
    void menus_data();
    void menus();

    void scrollAndReset_data();
    void scrollAndReset();
    void placement();
    void resizeMovesNothing();

    void f1OpensHelp_data();
    void f1OpensHelp();
    void helpBlocksMainWindow();
    void ctrlSWithoutMapAsksForName();
    void ctrlOAsksToSaveFirst();
    void otherKeysDoNothing();

    void mouseMakesHotSpot();
    void rightClickDeletesHotSpot();
    void editMenuUndoesByKeys();
    void escapeAndBackspaceWhileOutlining();
    void moveCornersDragsAtAnyZoom_data();
    void moveCornersDragsAtAnyZoom();
    void everyHotSpotReachableAsWritten();

    void viewMenuKeysAndIndicator();
    void coordinatesAtEveryZoom_data();
    void coordinatesAtEveryZoom();

    void endingRunsTerminationOnce_data();
    void endingRunsTerminationOnce();

private:
    frmDesign &openWindow();
    void zoomByKeys(int steps);
    /// Closes the modal dialog (Help, About) that the next event loop runs, noting its class and
    /// title in m_dialogs; \a inside runs first, while it is open.
    void closeNextDialog(std::function<void()> inside = {});
    template <typename T> T *child(const QString &name)
    {
        auto *widget = m_window->findChild<T *>(name);
        if (!widget)
            qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return widget;
    }

    QTemporaryDir m_home;
    QString m_mapPath;
    QString m_picturePath;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<MemorySettings> m_settings;
    std::unique_ptr<frmDesign> m_window;
    QStringList m_dialogs;
};

void tst_frmDesign::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + u"/config"_s).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_home.path() + u"/data"_s).toLocal8Bit());
    m_mapPath = m_home.filePath(u"plan.map"_s);
    m_picturePath = m_home.filePath(u"plan.png"_s);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY(picture.save(m_picturePath));
}

void tst_frmDesign::init()
{
    writeBytes(m_mapPath,
        mapBytes({ u"<AREA SHAPE=POLY COORDS=\"300,300,400,300,400,400,300,400\" ID=\"Lot 1\" "
                   u"color=\"#00ff00\">"_s,
            u"<AREA SHAPE=POLY COORDS=\"500,300,600,300,600,400,500,400\" ID=\"Lot 2\" "
            u"color=\"#00ff00\">"_s }));
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_settings = std::make_unique<MemorySettings>();
    m_settings->values.insert(u"Settings/CoordFile"_s, m_mapPath);
    m_settings->values.insert(u"Settings/BGPicture"_s, m_picturePath);
    m_dialogs.clear();
}

void tst_frmDesign::cleanup()
{
    if (m_window) {
        // Nothing may ask anything once the test is over.
        m_window->editor().document().setIsSaved(true);
        m_window.reset();
    }
    // A window closed without the termination step keeps its recovery copy; the next test's
    // window would offer it.
    QDir(m_home.filePath(u"data"_s)).removeRecursively();
    QVERIFY2(
        m_prompts->unusedAnswers().isEmpty(), qPrintable(m_prompts->unusedAnswers().join(u'|')));
}

frmDesign &tst_frmDesign::openWindow()
{
    m_window = std::make_unique<frmDesign>(nullptr, nullptr, m_prompts.get(), m_settings.get());
    m_window->show();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the main window did not become active");
    return *m_window;
}

void tst_frmDesign::closeNextDialog(std::function<void()> inside)
{
    QTimer::singleShot(0, this, [this, inside] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        m_dialogs.append(
            QString::fromLatin1(dialog->metaObject()->className()) + u':' + dialog->windowTitle());
        if (inside)
            inside();
        dialog->close();
    });
}

void tst_frmDesign::window()
{
    frmDesign &w = openWindow();
    QCOMPARE(w.windowTitle(), u"QUORVEL V3.1"_s);
    QCOMPARE(w.centralWidget()->size(), QSize(1657, 927));
    const QList<QSize> iconSizes = w.windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));
    // Start-up restored the map, and a fresh run has nothing to save.
    QCOMPARE(w.editor().document().table().HotSpotCount(), 2);
    QCOMPARE(w.hotSpotFileText(), m_mapPath);
    QVERIFY(w.editor().document().IsSaved());
}

void tst_frmDesign::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    const QString central = u"centralwidget"_s;
    const QString frame = u"frmBackGround"_s;
    QTest::newRow("Btn_Reset") << u"Btn_Reset"_s << u"QPushButton"_s << central
                               << QRect(0, 0, 18, 16) << u"R"_s;
    QTest::newRow("HScroll1") << u"HScroll1"_s << u"QScrollBar"_s << central
                              << QRect(18, 0, 697, 18) << QString();
    QTest::newRow("VScroll1") << u"VScroll1"_s << u"QScrollBar"_s << central
                              << QRect(0, 16, 18, 525) << QString();
    QTest::newRow("frmBackGround below the client area")
        << frame << u"QGroupBox"_s << central << QRect(0, 2087, 4699, 353) << u"Setup"_s;
    const int lefts[] = { 2995, 3394, 3802, 4206 };
    const int tops[] = { 47, 137, 224 };
    for (int i = 0; i < 12; ++i) {
        const QString name = u"POS%1"_s.arg(i);
        QTest::newRow(qPrintable(name)) << name << u"QLineEdit"_s << frame
                                        << QRect(lefts[i % 4], tops[i / 4], 412, 90) << QString();
    }
    QTest::newRow("txtHotSpotfile")
        << u"txtHotSpotfile"_s << u"QLineEdit"_s << frame << QRect(699, 150, 1236, 92) << QString();
    QTest::newRow("Mouse_Pos") << u"Mouse_Pos"_s << u"QLineEdit"_s << frame
                               << QRect(1522, 57, 412, 90) << QString();
    QTest::newRow("Coord_F") << u"Coord_F"_s << u"QLineEdit"_s << frame << QRect(699, 237, 1236, 92)
                             << QString();
    QTest::newRow("Label2") << u"Label2"_s << u"QLabel"_s << frame << QRect(949, 77, 555, 82)
                            << u"Mouse Position:"_s;
    QTest::newRow("Label1") << u"Label1"_s << u"QLabel"_s << frame << QRect(50, 232, 605, 82)
                            << u"Current Coordinates:"_s;
    QTest::newRow("lblhotspotfile") << u"lblhotspotfile"_s << u"QLabel"_s << frame
                                    << QRect(50, 154, 399, 63) << u"Hot Spot File:"_s;
}

void tst_frmDesign::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    openWindow();
    auto *widget = child<QWidget>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *box = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(box->title(), caption);
}

void tst_frmDesign::colours()
{
    openWindow();
    const QColor grey(192, 192, 192);
    for (int i = 0; i < 12; ++i) {
        auto *pos = child<QLineEdit>(u"POS%1"_s.arg(i));
        QVERIFY(pos);
        QCOMPARE(pos->palette().color(QPalette::Base), grey);
        QCOMPARE(pos->palette().color(QPalette::Text), QColor(0, 0, 255));
    }
    for (const QString &name : { u"txtHotSpotfile"_s, u"Mouse_Pos"_s, u"Coord_F"_s }) {
        auto *box = child<QLineEdit>(name);
        QVERIFY(box);
        QCOMPARE(box->palette().color(QPalette::Base), grey);
        QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::black));
    }
    // The reset button's colour must actually be drawn, whatever the style.
    auto *reset = child<QPushButton>(u"Btn_Reset"_s);
    QVERIFY(reset);
    const QImage drawn = reset->grab().toImage();
    QCOMPARE(drawn.pixelColor(3, drawn.height() - 3), QColor(255, 255, 128));
}

void tst_frmDesign::tabOrder()
{
    const QStringList expected = {
        u"POS0"_s,
        u"POS1"_s,
        u"POS2"_s,
        u"POS3"_s,
        u"POS4"_s,
        u"POS8"_s,
        u"Coord_F"_s,
        u"Mouse_Pos"_s,
        u"txtHotSpotfile"_s,
        u"POS9"_s,
        u"POS11"_s,
        u"POS7"_s,
        u"POS6"_s,
        u"POS5"_s,
        u"POS10"_s,
        u"ImageMap1"_s,
        u"VScroll1"_s,
        u"HScroll1"_s,
        u"Btn_Reset"_s,
    };
    openWindow();
    QStringList order;
    QWidget *first = child<QWidget>(expected.first());
    QVERIFY(first);
    QWidget *widget = first;
    do {
        if (expected.contains(widget->objectName()))
            order.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != first && order.size() <= expected.size());
    QCOMPARE(order, expected);
}

void tst_frmDesign::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuTitle");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("File") << u"mnuFile"_s << u"&File"_s
                          << QStringList { u"mnuSetPic"_s, u"mnuLoad"_s, u"mnuSave"_s,
                                 u"mnuSaveAs"_s, u"mnuExit"_s }
                          << QStringList { u"Load Map JPG"_s, u"Load Map Hotspots"_s, u"&Save"_s,
                                 u"S&ave As"_s, u"E&xit"_s };
    QTest::newRow("Setup") << u"mnuSetup"_s << u"S&etup"_s << QStringList { u"mnuClear"_s }
                           << QStringList { u"C&lear"_s };
    QTest::newRow("Help") << u"mnuHelpTopic"_s << u"Help"_s
                          << QStringList { u"mnuHelp"_s, u"mnuAbout"_s }
                          << QStringList { u"Help     F1"_s, u"About"_s };
}

void tst_frmDesign::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, menuTitle);
    QFETCH(QStringList, items);
    QFETCH(QStringList, captions);

    frmDesign &w = openWindow();
    auto *list = child<QMenu>(menu);
    QVERIFY(list);
    QCOMPARE(list->title(), menuTitle);
    QVERIFY(w.menuBar()->actions().contains(list->menuAction()));
    const QList<QAction *> actions = list->actions();
    QCOMPARE(actions.size(), items.size());
    for (qsizetype i = 0; i < actions.size(); ++i) {
        QCOMPARE(actions[i]->objectName(), items[i]);
        QCOMPARE(actions[i]->text(), captions[i]);
        QVERIFY2(actions[i]->shortcut().isEmpty(), qPrintable(items[i]));
    }
}

void tst_frmDesign::scrollAndReset_data()
{
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<QPoint>("scrolled");

    QTest::newRow("both bars") << 40 << 30 << QPoint(16 - 40, 49 - 30);
    QTest::newRow("vertical away and back to 0 is one above the start") << 0 << 0 << QPoint(16, 49);
    QTest::newRow("far") << 1000 << 700 << QPoint(16 - 1000, 49 - 700);
}

void tst_frmDesign::scrollAndReset()
{
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    QFETCH(QPoint, scrolled);

    openWindow();
    auto *map = child<QWidget>(u"ImageMap1"_s);
    auto *hbar = child<QScrollBar>(u"HScroll1"_s);
    auto *vbar = child<QScrollBar>(u"VScroll1"_s);
    QVERIFY(map && hbar && vbar);
    QCOMPARE(map->pos(), QPoint(16, 50));

    // Move away first, so that every row changes both bars' values.
    hbar->setValue(horizontal + 7);
    vbar->setValue(vertical + 7);
    hbar->setValue(horizontal);
    vbar->setValue(vertical);
    QCOMPARE(map->pos(), scrolled);

    QTest::mouseClick(child<QPushButton>(u"Btn_Reset"_s), Qt::LeftButton);
    QCOMPARE(map->pos(), QPoint(16, 50));
    QCOMPARE(hbar->value(), horizontal);
    QCOMPARE(vbar->value(), vertical);

    // After a reset the next change moves by the bar's whole value, not by the step alone.
    hbar->setValue(horizontal + 3);
    QCOMPARE(map->pos(), QPoint(16 - horizontal - 3, 50));
}

void tst_frmDesign::placement()
{
    frmDesign &w = openWindow();
    const QRect available = w.screen()->availableGeometry();
    const QSize designed(1657, 927 + w.menuBar()->height());
    if (available.width() >= designed.width() && available.height() >= designed.height()) {
        QCOMPARE(w.size(), designed);
        const QPoint offCentre = w.geometry().center() - available.center();
        QVERIFY2(offCentre.manhattanLength() <= 1,
            qPrintable(u"%1,%2"_s.arg(offCentre.x()).arg(offCentre.y())));
    } else {
        // Menus, bars and the reset button all on the screen, and the map where it belongs.
        QCOMPARE(w.frameGeometry().topLeft(), available.topLeft());
        QVERIFY(w.width() <= available.width() && w.height() <= available.height());
        const QRect shown = QRect(w.mapToGlobal(QPoint()), w.size()) & available;
        for (const char *name : { "HScroll1", "VScroll1", "Btn_Reset" }) {
            auto *widget = child<QWidget>(QLatin1StringView(name));
            QVERIFY(widget);
            QVERIFY2(shown.contains(QRect(widget->mapToGlobal(QPoint()), widget->size())), name);
        }
        QCOMPARE(child<QWidget>(u"ImageMap1"_s)->pos(), QPoint(16, 50));
    }
}

void tst_frmDesign::resizeMovesNothing()
{
    frmDesign &w = openWindow();
    auto *map = child<QWidget>(u"ImageMap1"_s);
    auto *hbar = child<QScrollBar>(u"HScroll1"_s);
    auto *vbar = child<QScrollBar>(u"VScroll1"_s);
    QVERIFY(map && hbar && vbar);
    hbar->setValue(hbar->maximum());
    vbar->setValue(vbar->maximum());
    const QPoint scrolled = map->pos();
    QCOMPARE(scrolled, QPoint(16 - hbar->maximum(), 49 - vbar->maximum()));

    // Larger first, where the bars' ranges would shrink below their values, then smaller.
    for (const QSize &size : { w.size() + QSize(200, 120), w.size() - QSize(300, 200) }) {
        w.resize(size);
        QTRY_COMPARE(w.size(), size);
        QCOMPARE(map->pos(), scrolled);
        QCOMPARE(QPoint(hbar->value(), vbar->value()), QPoint(16, 49) - scrolled);
    }
}

void tst_frmDesign::f1OpensHelp_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("F1") << Qt::KeyboardModifiers();
    QTest::newRow("Shift+F1") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+F1") << Qt::KeyboardModifiers(Qt::ControlModifier);
}

void tst_frmDesign::f1OpensHelp()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);

    frmDesign &w = openWindow();
    QWidget *fromKey = nullptr;
    QWidget *fromMenu = nullptr;
    // The press alone must not open it: Help comes on the release.
    closeNextDialog();
    QTest::keyPress(w.windowHandle(), Qt::Key_F1, modifiers);
    QCoreApplication::processEvents();
    QVERIFY(m_dialogs.isEmpty());
    closeNextDialog([&] { fromKey = QApplication::activeModalWidget(); });
    QTest::keyRelease(w.windowHandle(), Qt::Key_F1, modifiers);
    QCOMPARE(m_dialogs, QStringList { u"Help:Form1"_s });

    closeNextDialog([&] { fromMenu = QApplication::activeModalWidget(); });
    child<QAction>(u"mnuHelp"_s)->trigger();
    QVERIFY(fromKey);
    QCOMPARE(fromMenu, fromKey);
    QVERIFY(m_prompts->shown.isEmpty());
}

void tst_frmDesign::helpBlocksMainWindow()
{
    frmDesign &w = openWindow();
    // Neither an open dialog (asked of the prompts) nor Help again (QDialog::exec warns of a
    // recursive call).
    QTest::failOnWarning(QRegularExpression(u"Recursive"_s));
    closeNextDialog([&] {
        QTest::keyClick(w.windowHandle(), Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(w.windowHandle(), Qt::Key_F1);
    });
    child<QAction>(u"mnuHelp"_s)->trigger();
    QCOMPARE(m_dialogs, QStringList { u"Help:Form1"_s });
    QVERIFY(m_prompts->shown.isEmpty());
}

void tst_frmDesign::ctrlSWithoutMapAsksForName()
{
    frmDesign &w = openWindow();
    child<QAction>(u"mnuClear"_s)->trigger();
    QVERIFY(w.editor().document().CoordFilePath().isEmpty());

    m_prompts->expectSaveFile(QString());
    QTest::keyClick(w.windowHandle(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Kind::SaveFile);
}

void tst_frmDesign::ctrlOAsksToSaveFirst()
{
    frmDesign &w = openWindow();
    w.editor().document().setIsSaved(false);

    m_prompts->expectMessage(Prompts::Button::Cancel);
    m_prompts->expectOpenFile(QString());
    // With the focus in a text box the key still reaches the window first.
    child<QLineEdit>(u"txtHotSpotfile"_s)->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_O, Qt::ControlModifier);
    const QList<ScriptedPrompts::Record> &shown = m_prompts->shown;
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, u"Do you want to save your changes?"_s);
    QCOMPARE(shown[0].caption, u"Save?"_s);
    QCOMPARE(shown[0].buttons, Prompts::Buttons::OkCancel);
    QCOMPARE(shown[1].kind, Kind::OpenFile);
}

void tst_frmDesign::otherKeysDoNothing()
{
    frmDesign &w = openWindow();
    auto *box = child<QLineEdit>(u"Coord_F"_s);
    box->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_S);
    QTest::keyClick(w.windowHandle(), Qt::Key_F2);
    QTest::keyClick(w.windowHandle(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY2(m_prompts->shown.isEmpty(), qPrintable(m_prompts->texts().join(u'|')));
    // Keys are passed on unchanged to the focused control.
    QCOMPARE(box->text(), u"s"_s);
}

void tst_frmDesign::mouseMakesHotSpot()
{
    frmDesign &w = openWindow();
    auto *map = child<QWidget>(u"ImageMap1"_s);
    QVERIFY(map);

    const QPoint corners[] = { { 100, 100 }, { 200, 100 }, { 200, 200 } };
    for (const QPoint &corner : corners)
        QTest::mouseClick(map, Qt::LeftButton, Qt::ShiftModifier, corner);
    QCOMPARE(w.posText(0), u"X:100 Y:100"_s);
    QCOMPARE(w.posText(2), u"X:200 Y:200"_s);

    m_prompts->expectInput(u"Lot 9"_s);
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, QPoint(100, 200));

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Kind::Input);
    QCOMPARE(m_prompts->shown[0].text, u"Enter Name of Hot Spot"_s);
    QCOMPARE(m_prompts->shown[0].caption, u"Make Hot Spot"_s);
    const HotSpotTable &table = w.editor().document().table();
    QCOMPARE(table.HotSpotCount(), 3);
    QCOMPARE(table.HotSpotNames(2), u"Lot 9"_s);
    QCOMPARE(table.HotSpotCoords(2), u"100,100,200,100,200,200,100,200"_s);
    QVERIFY(w.posText(0).isEmpty());
    QVERIFY(!w.editor().document().IsSaved());
}

void tst_frmDesign::rightClickDeletesHotSpot()
{
    frmDesign &w = openWindow();
    auto *map = child<QWidget>(u"ImageMap1"_s);
    QVERIFY(map);

    m_prompts->expectMessage(Prompts::Button::Yes);
    QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(350, 350));

    QCOMPARE(
        m_prompts->texts(), QStringList { u"Do You Really want to delete Lot 1's  Hot Spot"_s });
    QCOMPARE(m_prompts->shown[0].buttons, Prompts::Buttons::YesNo);
    QCOMPARE(m_prompts->shown[0].icon, Prompts::Icon::Information);
    const HotSpotTable &table = w.editor().document().table();
    QCOMPARE(table.HotSpotCount(), 2);
    QVERIFY(table.HotSpotNames(0).isEmpty());
    QCOMPARE(table.HotSpotNames(1), u"Lot 2"_s);
    QVERIFY(!w.editor().document().IsSaved());
}

void tst_frmDesign::editMenuUndoesByKeys()
{
    frmDesign &w = openWindow();
    auto *map = child<ImageMap>(u"ImageMap1"_s);
    auto *edit = child<QMenu>(u"mnuEdit"_s);
    auto *undo = child<QAction>(u"mnuUndo"_s);
    auto *redo = child<QAction>(u"mnuRedo"_s);
    QVERIFY(map && edit && undo && redo);
    QCOMPARE(edit->title(), u"E&dit"_s);
    QCOMPARE(edit->actions().mid(0, 2), (QList<QAction *> { undo, redo }));
    QCOMPARE(undo->shortcuts(), QList<QKeySequence> { QKeySequence(u"Ctrl+Z"_s) });
    QCOMPARE(redo->shortcuts(),
        (QList<QKeySequence> { QKeySequence(u"Ctrl+Y"_s), QKeySequence(u"Ctrl+Shift+Z"_s) }));
    QCOMPARE(undo->text(), u"Undo"_s);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());

    m_prompts->expectMessage(Prompts::Button::Yes);
    QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(350, 350));
    QCOMPARE(undo->text(), u"Undo Delete Lot 1"_s);
    QVERIFY(undo->isEnabled());
    QCOMPARE(map->hotSpotCount(), 1);

    // A text box with the focus keeps its typing and its own undo; over the picture the keys
    // undo hot-spot edits.
    auto *box = child<QLineEdit>(u"Coord_F"_s);
    box->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_X);
    QTest::keyClick(w.windowHandle(), Qt::Key_Y);
    QCOMPARE(box->text(), u"xy"_s);
    const HotSpotTable &table = w.editor().document().table();
    QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(box->text().isEmpty());
    QVERIFY(table.HotSpotNames(0).isEmpty());
    map->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(table.HotSpotNames(0), u"Lot 1"_s);
    QCOMPARE(map->hotSpotCount(), 2);
    QVERIFY(w.editor().document().IsSaved());
    QCOMPARE(redo->text(), u"Redo Delete Lot 1"_s);
    QVERIFY(box->text().isEmpty());

    QTest::keyClick(w.windowHandle(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(table.HotSpotNames(0).isEmpty());
    QVERIFY(!w.editor().document().IsSaved());
    QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(w.editor().document().IsSaved());
    QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(table.HotSpotNames(0).isEmpty());
    QCOMPARE(map->hotSpotCount(), 1);
    QVERIFY(!w.editor().document().IsSaved());
    QCOMPARE(redo->text(), u"Redo"_s);
    QVERIFY(!redo->isEnabled());
    QVERIFY(box->text().isEmpty());
}

void tst_frmDesign::escapeAndBackspaceWhileOutlining()
{
    frmDesign &w = openWindow();
    auto *map = child<ImageMap>(u"ImageMap1"_s);
    auto *box = child<QLineEdit>(u"Coord_F"_s);
    QVERIFY(map && box);
    box->setText(u"abc"_s);
    w.editor().document().setIsSaved(false);

    for (const QPoint corner : { QPoint(100, 100), QPoint(200, 100), QPoint(200, 200) })
        QTest::mouseClick(map, Qt::LeftButton, Qt::ShiftModifier, corner);
    // Typed into a text box, Backspace is the box's; over the picture it takes back a corner.
    box->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_Backspace);
    QCOMPARE(box->text(), u"ab"_s);
    QCOMPARE(w.posText(2), u"X:200 Y:200"_s);
    QTest::mouseClick(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 300));
    QCOMPARE(QApplication::focusWidget(), map);
    QTest::keyClick(w.windowHandle(), Qt::Key_Backspace);
    QCOMPARE(w.posText(2), u"X:200 Y:200"_s);
    QVERIFY(w.posText(3).isEmpty());
    QCOMPARE(box->text(), u"ab"_s);

    QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
    for (int i = 0; i < 12; ++i)
        QVERIFY(w.posText(i).isEmpty());
    QVERIFY(!w.editor().document().IsSaved());
    // A click that would have closed the polygon closes nothing now.
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, QPoint(100, 200));
    QVERIFY(m_prompts->shown.isEmpty());
    box->setFocus();

    // With no polygon the keys reach the box as before.
    QTest::keyClick(w.windowHandle(), Qt::Key_Backspace);
    QCOMPARE(box->text(), u"a"_s);
    QCOMPARE(w.editor().document().table().HotSpotCount(), 2);
}

// Ctrl+1, then Ctrl++ (or Ctrl+- for negative steps) as often as asked, as real key events.
void tst_frmDesign::zoomByKeys(int steps)
{
    QWindow *window = m_window->windowHandle();
    QTest::keyClick(window, Qt::Key_1, Qt::ControlModifier);
    for (int k = 0; k < std::abs(steps); ++k)
        QTest::keyClick(window, steps > 0 ? Qt::Key_Plus : Qt::Key_Minus, Qt::ControlModifier);
}

// The zoom's own steps are the navigator's (tst_zoomnavigator); here the menu, its keys
// through the window's key routing, the indicator, and what R and Clear leave of the zoom.
void tst_frmDesign::viewMenuKeysAndIndicator()
{
    frmDesign &w = openWindow();
    auto *view = child<QMenu>(u"mnuView"_s);
    auto *indicator = child<QLabel>(u"lblZoom"_s);
    auto *map = child<ImageMap>(u"ImageMap1"_s);
    QVERIFY(view && indicator && map);
    QStringList items;
    for (const QAction *action : view->actions())
        items.append(action->text() + u' ' + action->shortcut().toString());
    QCOMPARE(items,
        QStringList({ u"Zoom In Ctrl++"_s, u"Zoom Out Ctrl+-"_s, u"Fit Picture Ctrl+0"_s,
            u"Actual Size Ctrl+1"_s }));
    QCOMPARE(map->zoom(), 1.0);
    QCOMPARE(indicator->text(), u"100 %"_s);
    // The indicator sits in the menu bar, clear of the client area.
    QVERIFY(w.menuBar()->isAncestorOf(indicator));

    QWindow *window = w.windowHandle();
    struct Step
    {
        Qt::Key key;
        double zoom;
        QString shown;
    };
    const Step steps[] = {
        { Qt::Key_Plus, 1.5, u"150 %"_s },
        { Qt::Key_Equal, 2, u"200 %"_s },
        { Qt::Key_Minus, 1.5, u"150 %"_s },
        { Qt::Key_1, 1, u"100 %"_s },
        { Qt::Key_0, std::min((1657.0 - 16) / 400, (927.0 - 49) / 300), u"293 %"_s },
    };
    for (const Step &step : steps) {
        QTest::keyClick(window, step.key, Qt::ControlModifier);
        QCOMPARE(map->zoom(), step.zoom);
        QCOMPARE(indicator->text(), step.shown);
    }
    QCOMPARE(map->pos(), QPoint(16, 49));

    // R keeps the zoom, and so do Clear and a new picture.
    zoomByKeys(6); // 800 %
    QTest::mouseClick(child<QPushButton>(u"Btn_Reset"_s), Qt::LeftButton);
    QCOMPARE(map->pos(), QPoint(16, 50));
    QCOMPARE(map->zoom(), 8.0);
    zoomByKeys(-1);
    w.findChild<QAction *>(u"mnuClear"_s)->trigger();
    QCOMPARE(map->zoom(), 2.0 / 3);
    QCOMPARE(indicator->text(), u"66.7 %"_s);
    QVERIFY(m_prompts->shown.isEmpty());
}

void tst_frmDesign::coordinatesAtEveryZoom_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QPoint>("lot2");

    // At 25 % each screen pixel shows four picture pixels: the one reported is the first.
    QTest::newRow("25 %") << -4 << QPoint(124, 76) << QPoint(552, 352);
    QTest::newRow("100 %") << 0 << QPoint(123, 77) << QPoint(550, 350);
    QTest::newRow("300 %") << 3 << QPoint(123, 77) << QPoint(550, 350);
}

// Real mouse events on the window: a corner, the read-out and a hot spot's menu all get the
// picture pixel under the mouse.
void tst_frmDesign::coordinatesAtEveryZoom()
{
    QFETCH(int, steps);
    QFETCH(QPoint, pixel);
    QFETCH(QPoint, lot2);

    frmDesign &w = openWindow();
    auto *map = child<ImageMap>(u"ImageMap1"_s);
    QVERIFY(map);
    zoomByKeys(steps);
    QTest::mouseClick(child<QPushButton>(u"Btn_Reset"_s), Qt::LeftButton);
    const double zoom = map->zoom();
    QCOMPARE(zoom, steps < 0 ? 0.25 : steps > 0 ? 3.0 : 1.0);

    // Anywhere inside the picture pixel's square on the screen.
    const auto onScreen = [&](QPoint p, QPointF within) {
        const QPointF at = (QPointF(p) + within) * zoom;
        return map->mapTo(&w, QPoint(int(std::floor(at.x())), int(std::floor(at.y()))));
    };
    QWindow *window = w.windowHandle();
    QTest::mouseMove(window, onScreen(pixel, { 0.9, 0.9 }));
    QCOMPARE(
        child<QLineEdit>(u"Mouse_Pos"_s)->text(), u"X:%1 Y:%2"_s.arg(pixel.x()).arg(pixel.y()));
    QTest::mouseClick(window, Qt::LeftButton, Qt::ShiftModifier, onScreen(pixel, { 0.1, 0.1 }));
    QCOMPARE(w.posText(0), u"X:%1 Y:%2"_s.arg(pixel.x()).arg(pixel.y()));
    QTest::mouseClick(window, Qt::LeftButton, Qt::ShiftModifier, onScreen(pixel, { 0.9, 0.1 }));
    QCOMPARE(w.posText(1), w.posText(0));

    // Hot spots are where they are drawn.
    w.zoom().showPictureRect(QRectF(500, 300, 100, 100));
    QCOMPARE(map->zoom(), zoom);
    m_prompts->expectMessage(Prompts::Button::No);
    QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, onScreen(lot2, { 0.5, 0.5 }));
    QCOMPARE(
        m_prompts->texts(), QStringList { u"Do You Really want to delete Lot 2's  Hot Spot"_s });
    QCOMPARE(w.editor().document().table().HotSpotCount(), 2);
}

void tst_frmDesign::moveCornersDragsAtAnyZoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("200 %") << 2.0;
    QTest::newRow("50 %") << 0.5;
}

// The mode's edits and the handles following the document are MoveCorners's own
// (tst_movecorners); here the menu, the keys and real drags on the control.
void tst_frmDesign::moveCornersDragsAtAnyZoom()
{
    QFETCH(double, zoom);

    frmDesign &w = openWindow();
    auto *map = child<ImageMap>(u"ImageMap1"_s);
    auto *mode = child<QAction>(u"mnuMoveCorners"_s);
    QVERIFY(map && mode);
    QCOMPARE(child<QMenu>(u"mnuEdit"_s)->actions().mid(2, 2).constLast(), mode);
    QVERIFY(mode->isCheckable());
    map->setZoom(zoom);
    const auto at = [zoom](double x, double y) { return QPointF(x * zoom, y * zoom).toPoint(); };

    QTest::keyClick(w.windowHandle(), Qt::Key_M, Qt::ControlModifier);
    QVERIFY(mode->isChecked());
    QCOMPARE(map->cornerHandles().polygons().size(), 2);

    // The cursor changes within reach of a handle; a drag moves the corner, outline and all.
    QTest::mouseMove(map, at(200, 200));
    QCOMPARE(map->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(map, at(300, 300) + QPoint(3, 0));
    QCOMPARE(map->cursor().shape(), Qt::SizeAllCursor);
    QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, at(300, 300) + QPoint(3, 0));
    QTest::mouseMove(map, at(305, 310));
    // Whole picture pixels: the one under the mouse.
    QCOMPARE(map->cornerHandles().dragPosition(), QPointF(map->picturePixelAt(at(305, 310))));
    QVERIFY(QLineF(map->cornerHandles().dragPosition(), QPointF(305, 310)).length() <= 1 / zoom);
    QTest::mouseMove(map, at(310, 320));
    QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, at(310, 320));
    const HotSpotTable &table = w.editor().document().table();
    QCOMPARE(table.HotSpotCoords(0), u"310,320,400,300,400,400,300,400"_s);
    QCOMPARE(map->cornerHandles().polygons()[0][0], QPointF(310, 320));
    QVERIFY(!w.editor().document().IsSaved());
    QCOMPARE(child<QAction>(u"mnuUndo"_s)->text(), u"Undo Move Corner of Lot 1"_s);

    // Escape during a drag puts the corner back, and nothing is stored.
    QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, at(400, 400));
    QTest::mouseMove(map, at(450, 450));
    QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
    QCOMPARE(map->cornerHandles().polygons()[0][2], QPointF(400, 400));
    QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, at(450, 450));
    QCOMPARE(table.HotSpotCoords(0), u"310,320,400,300,400,400,300,400"_s);

    // The other gestures rest: a right click on a hot spot asks nothing.
    QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, at(550, 350));
    QVERIFY(m_prompts->shown.isEmpty());

    QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(table.HotSpotCoords(0), u"300,300,400,300,400,400,300,400"_s);
    QCOMPARE(map->cornerHandles().polygons()[0][0], QPointF(300, 300));
    QVERIFY(w.editor().document().IsSaved());

    mode->trigger();
    QVERIFY(map->cornerHandles().isEmpty());
}

void tst_frmDesign::everyHotSpotReachableAsWritten()
{
    // Names that look like markup, a hot spot of two corners, and a polygon whose list is
    // longer than a line edit holds by default.
    QString big;
    while (big.size() < 100000)
        big += u"300,100,"_s;
    big += u"400,100,400,200,300,200"_s;
    const auto area = [](const QString &coords, const QString &id) {
        return u"<AREA SHAPE=POLY COORDS=\"%1\" ID=\"%2\" color=\"#00ff00\">"_s.arg(coords, id);
    };
    writeBytes(m_mapPath,
        mapBytes({ area(u"10,10,60,10,60,60,10,60"_s, u"A&amp;B"_s),
            area(u"100,10,150,10,150,60,100,60"_s, u"Lot &#55;"_s),
            area(u"200,10,250,10,250,60,200,60"_s, u"Lot 7"_s),
            area(u"10,100,110,100"_s, u"Pair"_s), area(big, u"Big"_s) }));
    frmDesign &w = openWindow();
    const HotSpotTable &table = w.editor().document().table();
    QCOMPARE(table.HotSpotCount(), 5);
    auto *map = child<QWidget>(u"ImageMap1"_s);
    QVERIFY(map);

    m_prompts->expectInput(u"AB"_s);
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    m_prompts->expectMessage(Prompts::Button::Yes);
    QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(120, 30));
    m_prompts->expectInput(u"10,100,110,100,60,150"_s);
    QTest::mouseClick(map, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 102));
    m_prompts->expectInput(big);
    QTest::mouseClick(map, Qt::LeftButton, Qt::ControlModifier, QPoint(350, 150));

    QCOMPARE(m_prompts->texts(),
        (QStringList { u"Change A&amp;B's to: "_s,
            u"Do You Really want to delete Lot &#55;'s  Hot Spot"_s, u"Change Pair's to: "_s,
            u"Change Big's to: "_s }));
    QCOMPARE(table.HotSpotNames(0), u"AB"_s);
    QVERIFY(table.HotSpotNames(1).isEmpty());
    QCOMPARE(table.HotSpotNames(2), u"Lot 7"_s);
    QCOMPARE(table.HotSpotCoords(2), u"200,10,250,10,250,60,200,60"_s);
    QCOMPARE(table.HotSpotCoords(3), u"10,100,110,100,60,150"_s);
    // The prompt is offered the long list whole (the real box shows it all: tst_qtprompts),
    // and so is the read-out.
    QCOMPARE(m_prompts->shown[3].defaultText, big);
    QCOMPARE(table.HotSpotCoords(4), big);
    QCOMPARE(child<QLineEdit>(u"Coord_F"_s)->text(), big);
}

void tst_frmDesign::endingRunsTerminationOnce_data()
{
    QTest::addColumn<bool>("throughExit");
    QTest::newRow("close box") << false;
    QTest::newRow("Exit") << true;
}

void tst_frmDesign::endingRunsTerminationOnce()
{
    QFETCH(bool, throughExit);

    frmDesign &w = openWindow();
    const QString otherMap = m_home.filePath(u"other.map"_s);
    const QString coordFile = u"Settings/CoordFile"_s;
    m_settings->values.insert(coordFile, otherMap);
    w.editor().document().setIsSaved(false);

    m_prompts->expectMessage(Prompts::Button::Cancel);
    if (throughExit)
        child<QAction>(u"mnuExit"_s)->trigger();
    else
        w.close();
    QVERIFY(!w.isVisible());
    QCOMPARE(m_prompts->texts(), QStringList { u"Do you want to save your changes?"_s });
    QCOMPARE(m_prompts->shown[0].caption, u"Save?"_s);
    QCOMPARE(m_settings->values.value(coordFile), m_mapPath);

    // A second ending asks nothing and stores nothing.
    m_settings->values.insert(coordFile, otherMap);
    w.show();
    w.close();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_settings->values.value(coordFile), otherMap);
}

QTEST_MAIN(tst_frmDesign)
#include "tst_frmdesign.moc"
