#include "app/appshell.h"
#include "commands/filecommands.h"
#include "editing/cornercapture.h"
#include "model/hotspottable.h"

#include "hotspottableaccess.h"
#include "model/maptext.h"
#include "platform/picturepreload.h"
#include "platform/settingsstore.h"

#include "memorysettings.h"
#include "programrun.h"
#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString saveQuestion = u"Do you want to save your changes?"_s;
const QString mapFilter = u"Map|*.map"_s;

using Run = ProgramRun;

} // namespace

class tst_AppShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startup_data();
    void startup();
    void startupTakesThePictureDecodedAhead_data() { startup_data(); }
    void startupTakesThePictureDecodedAhead();
    void startupIgnoresAPictureDecodedForAnotherPath_data() { startup_data(); }
    void startupIgnoresAPictureDecodedForAnotherPath();
    void guard_data();
    void guard();
    void terminationRunsOnce();
    void clearKeepsTheCount();
    void clearCompletesWhenBlankMapCannotBeWritten();
    void wholeRunAcrossTwoStarts();

private:
    QString inDir(QString text) const { return text.replace(u"%d"_s, m_dir->path()); }
    QStringList inDir(QStringList texts) const
    {
        for (QString &text : texts)
            text = inDir(text);
        return texts;
    }
    void makeMap(const QString &path, const QStringList &areaLines) const;
    void makePicture(const QString &path, QSize size = QSize(40, 30)) const;
    void checkPromptsUsed(Run &run);
    enum class Ahead { Nothing, SamePath, AnotherPicture };
    void checkStartup(Ahead ahead);

    QTemporaryDir m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MemorySettings> m_settings;
};

void tst_AppShell::initTestCase()
{
    QVERIFY(m_env.isValid());
    // Before the first QSettings: the real store must never see the developer's settings.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_env.filePath(u"config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_env.filePath(u"data"_s)));
}

void tst_AppShell::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The default paths live under the home folder.
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    m_settings = std::make_unique<MemorySettings>();
}

void tst_AppShell::cleanup()
{
    m_dir.reset();
    m_settings.reset();
}

void tst_AppShell::checkPromptsUsed(Run &run)
{
    const QStringList left = run.prompts.unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_AppShell::makeMap(const QString &path, const QStringList &areaLines) const
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    writeBytes(path, mapBytes(areaLines));
}

void tst_AppShell::makePicture(const QString &path, QSize size) const
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(path, "JPG"));
}

void tst_AppShell::startup_data()
{
    QTest::addColumn<QStringList>("seed"); // key=value
    QTest::addColumn<bool>("defaultsOnDisk");
    QTest::addColumn<int>("coordsFileError"); // what no file can provoke; 0 reads the file
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("coordFilePath");
    QTest::addColumn<QString>("hotSpotFileText");
    QTest::addColumn<int>("hotSpots");
    QTest::addColumn<bool>("pictureShown");
    QTest::addColumn<QString>("picturePath");

    const QStringList restore { u"CoordFile=%d/site.map"_s, u"BGPicture=%d/site.jpg"_s };
    const QString site = u"%d/site.map"_s;
    const QString picture = u"%d/site.jpg"_s;
    const QString defaultMap = u"%d/koval11/P1100.map"_s;
    const QString defaultPicture = u"%d/koval11/P1100.jpg"_s;
    const QString previous = u"previous"_s;

    QTest::newRow("both restored") << restore << false << 0 << QStringList() << QStringList()
                                   << site << site << 1 << true << picture;
    QTest::newRow("first run: both defaults")
        << QStringList() << true << 0 << QStringList() << QStringList() << defaultMap << defaultMap
        << 1 << true << defaultPicture;
    QTest::newRow("stored empty values read as absent")
        << QStringList { u"CoordFile="_s, u"BGPicture="_s } << true << 0 << QStringList()
        << QStringList() << defaultMap << defaultMap << 1 << true << defaultPicture;
    QTest::newRow("map file missing: key cleared silently, picture still restored")
        << QStringList { u"CoordFile=%d/gone.map"_s, u"BGPicture=%d/site.jpg"_s } << false << 0
        << QStringList() << QStringList { u"Settings/CoordFile="_s } << u"%d/gone.map"_s << previous
        << 0 << true << picture;
    QTest::newRow("76 in the map stage: picture message with no path, no picture")
        << QStringList { u"CoordFile=%d/nodir/x.map"_s, u"BGPicture=%d/site.jpg"_s } << false << 76
        << QStringList { u"76 PICTURE not Found:"_s } << QStringList() << u"%d/nodir/x.map"_s
        << previous << 0 << false << QString();
    QTest::newRow("any other error in the map stage: its tag, no picture")
        << restore << false << 57 << QStringList { u"Init_App_ERR: 57 Device I/O error"_s }
        << QStringList() << site << previous << 0 << false << QString();
    QTest::newRow("picture missing: key cleared silently")
        << QStringList { u"CoordFile=%d/site.map"_s, u"BGPicture=%d/gone.jpg"_s } << false << 0
        << QStringList() << QStringList { u"Settings/BGPicture="_s } << site << site << 1 << false
        << u"%d/gone.jpg"_s;
    QTest::newRow("picture folder missing")
        << QStringList { u"CoordFile=%d/site.map"_s, u"BGPicture=%d/nodir/p.jpg"_s } << false << 0
        << QStringList { u"76 PICTURE not Found:%d/nodir/p.jpg"_s } << QStringList() << site << site
        << 1 << false << u"%d/nodir/p.jpg"_s;
    QTest::newRow("not a picture")
        << QStringList { u"CoordFile=%d/site.map"_s, u"BGPicture=%d/notes.txt"_s } << false << 0
        << QStringList { u"Init_App_ERR: 481 Invalid picture"_s } << QStringList() << site << site
        << 1 << false << u"%d/notes.txt"_s;
    QTest::newRow("map and picture missing: both keys cleared, nothing shown")
        << QStringList { u"CoordFile=%d/gone.map"_s, u"BGPicture=%d/gone.jpg"_s } << false << 0
        << QStringList() << QStringList { u"Settings/CoordFile="_s, u"Settings/BGPicture="_s }
        << u"%d/gone.map"_s << previous << 0 << false << u"%d/gone.jpg"_s;
    QTest::newRow("map folder missing: as a missing map")
        << QStringList { u"CoordFile=%d/nodir/x.map"_s, u"BGPicture=%d/site.jpg"_s } << false << 0
        << QStringList() << QStringList { u"Settings/CoordFile="_s } << u"%d/nodir/x.map"_s
        << previous << 0 << true << picture;
    // The control cannot read these either; the reader names the path and the picture loads.
    QTest::newRow("map path is a folder")
        << QStringList { u"CoordFile=%d/folder.map"_s, u"BGPicture=%d/site.jpg"_s } << false << 0
        << QStringList { u"75 Path/File access error File:%d/folder.map"_s } << QStringList()
        << u"%d/folder.map"_s << QString() << 0 << true << picture;
    QTest::newRow("map path is a named pipe")
        << QStringList { u"CoordFile=%d/pipe.map"_s, u"BGPicture=%d/site.jpg"_s } << false << 0
        << QStringList { u"75 Path/File access error File:%d/pipe.map"_s } << QStringList()
        << u"%d/pipe.map"_s << QString() << 0 << true << picture;
    QTest::newRow("picture is a named pipe: refused at once")
        << QStringList { u"CoordFile=%d/site.map"_s, u"BGPicture=%d/pipe.jpg"_s } << false << 0
        << QStringList { u"Init_App_ERR: 75 Path/File access error"_s } << QStringList() << site
        << site << 1 << false << u"%d/pipe.jpg"_s;
    QTest::newRow("picture is a device: refused at once")
        << QStringList { u"CoordFile=%d/site.map"_s, u"BGPicture=/dev/zero"_s } << false << 0
        << QStringList { u"Init_App_ERR: 75 Path/File access error"_s } << QStringList() << site
        << site << 1 << false << u"/dev/zero"_s;
    QTest::newRow("first run with nothing at the defaults")
        << QStringList() << false << 0
        << QStringList { u"76 PICTURE not Found:%d/koval11/P1100.jpg"_s }
        << QStringList { u"Settings/CoordFile="_s } << defaultMap << previous << 0 << false
        << defaultPicture;
}

void tst_AppShell::startup()
{
    checkStartup(Ahead::Nothing);
}

void tst_AppShell::startupTakesThePictureDecodedAhead()
{
    checkStartup(Ahead::SamePath);
}

void tst_AppShell::startupIgnoresAPictureDecodedForAnotherPath()
{
    checkStartup(Ahead::AnotherPicture);
}

// Whether the picture was decoded ahead or not, start-up shows, asks and stores the same.
void tst_AppShell::checkStartup(Ahead ahead)
{
    QFETCH(QStringList, seed);
    QFETCH(bool, defaultsOnDisk);
    QFETCH(int, coordsFileError);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, writes);
    QFETCH(QString, coordFilePath);
    QFETCH(QString, hotSpotFileText);
    QFETCH(int, hotSpots);
    QFETCH(bool, pictureShown);
    QFETCH(QString, picturePath);

    const QString area = MapFormat::areaLine(u"1,1,30,1,30,20"_s, u"A"_s);
    makeMap(m_dir->filePath(u"site.map"_s), { area });
    makePicture(m_dir->filePath(u"site.jpg"_s));
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder.map"_s));
    for (const QString &pipe : { u"pipe.map"_s, u"pipe.jpg"_s })
        QCOMPARE(mkfifo(QFile::encodeName(m_dir->filePath(pipe)).constData(), 0600), 0);
    QFile notes(m_dir->filePath(u"notes.txt"_s));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture\r\n");
    notes.close();
    if (defaultsOnDisk) {
        makeMap(m_dir->filePath(u"koval11/P1100.map"_s), { area });
        makePicture(m_dir->filePath(u"koval11/P1100.jpg"_s));
    }
    for (const QString &entry : inDir(seed))
        m_settings->values.insert(
            u"Settings/"_s + entry.section(u'=', 0, 0), entry.section(u'=', 1));

    std::optional<PicturePreload> preload;
    if (ahead == Ahead::SamePath) {
        const QString path = AppShell::startupPicturePath(*m_settings);
        preload.emplace(path);
        // Only a picture handed over can still be shown once its file is gone.
        if (path.endsWith(u".jpg"_s) && QFileInfo(path).isFile())
            QVERIFY(QFile::remove(path));
    } else if (ahead == Ahead::AnotherPicture) {
        const QString decoy = m_dir->filePath(u"decoy.jpg"_s);
        makePicture(decoy, QSize(7, 5));
        preload.emplace(decoy);
    }

    Run run(*m_settings);
    if (preload)
        run.shell.setPicturePreload(&*preload);
    run.control.coordsFileError = coordsFileError;
    run.view.hotSpotFile = u"previous"_s;
    run.document.setIsSaved(false);
    run.capture.ReadoutIndex = 3;
    run.capture.Drawing = true;
    HotSpotTableAccess::count(HotSpotTableAccess::of(run.document)) = 7;
    for (int i = 0; i < messages.size(); ++i)
        run.prompts.expectMessage(Prompts::Button::Ok);

    run.shell.Form_Load();

    QCOMPARE(run.prompts.texts(), inDir(messages));
    for (const ScriptedPrompts::Record &box : std::as_const(run.prompts.shown)) {
        QCOMPARE(box.caption, u"QuorvelImap"_s);
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
    }
    QCOMPARE(m_settings->writes, inDir(writes));
    QCOMPARE(run.document.CoordFilePath(), inDir(coordFilePath));
    QCOMPARE(run.view.hotSpotFile, inDir(hotSpotFileText));
    QCOMPARE(run.table.HotSpotCount(), hotSpots);
    QCOMPARE(!run.control.picture.isNull(), pictureShown);
    if (pictureShown)
        QCOMPARE(run.control.picture.size(), QSize(40, 30));
    QCOMPARE(run.document.PicturePath(), inDir(picturePath));
    if (hotSpots > 0)
        QCOMPARE(run.table.HotSpotNames(0), u"A"_s);

    // Whatever start-up met, the window opens placed, with nothing unsaved.
    QVERIFY(run.document.IsSaved());
    QCOMPARE(run.capture.ReadoutIndex, 0);
    QVERIFY(!run.capture.Drawing);
    const QStringList tail { u"InitFlag=1"_s, u"InitValue=255"_s, u"Top=50"_s, u"Left=16"_s };
    QCOMPARE(run.control.calls.mid(run.control.calls.size() - tail.size()), tail);
    QCOMPARE(run.control.calls.first(), u"coordsfile="_s + inDir(coordFilePath));
    checkPromptsUsed(run);
}

void tst_AppShell::guard_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("writtenTo");
    QTest::addColumn<QString>("pathAfterGuard");
    QTest::addColumn<bool>("savedAfterGuard");

    struct Case
    {
        const char *name;
        QString current;
        bool saved;
        QStringList script;
        QStringList texts;
        QString writtenTo;
        QString pathAfterGuard;
        bool savedAfterGuard;
    };
    const QString cur = u"%d/cur.map"_s;
    const QString gone = u"%d/gone/cur.map"_s;
    const QString fresh = u"%d/new.map"_s;
    const Case cases[] = {
        { "nothing unsaved: no question", cur, true, {}, {}, {}, cur, true },
        { "OK saves the current file", cur, false, { u"ok"_s }, { saveQuestion }, cur, cur, true },
        { "Cancel saves nothing", cur, false, { u"cancel"_s }, { saveQuestion }, {}, cur, false },
        { "OK into a cancelled Save As", {}, false, { u"ok"_s, u"save:"_s },
            { saveQuestion, mapFilter }, {}, {}, false },
        { "OK into a Save As to a new file", {}, false, { u"ok"_s, u"save:%d/new.map"_s },
            { saveQuestion, mapFilter }, fresh, fresh, true },
        { "OK into a failed write asks again, then Cancel", gone, false,
            { u"ok"_s, u"ok"_s, u"cancel"_s },
            { saveQuestion, u"76 No HOTSPOT File Setup yet:%d/gone/cur.map"_s, saveQuestion }, {},
            gone, false },
        // After a failed write, OK lets the user choose a folder that works.
        { "a failed write, then OK into Save As to a new file", gone, false,
            { u"ok"_s, u"ok"_s, u"ok"_s, u"save:%d/new.map"_s },
            { saveQuestion, u"76 No HOTSPOT File Setup yet:%d/gone/cur.map"_s, saveQuestion,
                mapFilter },
            fresh, fresh, true },
        { "a failed write, then OK into a cancelled Save As", gone, false,
            { u"ok"_s, u"ok"_s, u"ok"_s, u"save:"_s },
            { saveQuestion, u"76 No HOTSPOT File Setup yet:%d/gone/cur.map"_s, saveQuestion,
                mapFilter },
            {}, gone, false },
        { "two failed writes, then Cancel", gone, false,
            { u"ok"_s, u"ok"_s, u"ok"_s, u"save:%d/gone/new.map"_s, u"ok"_s, u"cancel"_s },
            { saveQuestion, u"76 No HOTSPOT File Setup yet:%d/gone/cur.map"_s, saveQuestion,
                mapFilter, u"76 No HOTSPOT File Setup yet:%d/gone/new.map"_s, saveQuestion },
            {}, u"%d/gone/new.map"_s, false },
    };
    for (const char *command : { "load", "clear", "exit" }) {
        for (const Case &c : cases) {
            QTest::addRow("%s: %s", command, c.name)
                << QString::fromLatin1(command) << c.current << c.saved << c.script << c.texts
                << c.writtenTo << c.pathAfterGuard << c.savedAfterGuard;
        }
    }
}

void tst_AppShell::guard()
{
    QFETCH(QString, command);
    QFETCH(QString, current);
    QFETCH(bool, saved);
    QFETCH(QStringList, script);
    QFETCH(QStringList, texts);
    QFETCH(QString, writtenTo);
    QFETCH(QString, pathAfterGuard);
    QFETCH(bool, savedAfterGuard);

    const QString other = m_dir->filePath(u"other.map"_s);
    makeMap(other, { MapFormat::areaLine(u"5,5,9,5,9,9"_s, u"O"_s) });
    Run run(*m_settings);
    QCOMPARE(
        run.document.addHotSpot(u"10,10,50,10,50,40"_s, u"12"_s), HotSpotTable::AddResult::Added);
    run.document.setCoordFilePath(inDir(current));
    run.document.setIsSaved(saved);
    run.script(inDir(script));
    // The guard never stops its caller: each command goes on to its own work.
    if (command == u"load") {
        run.script({ u"open:"_s + other });
        texts.append(mapFilter);
    }

    if (command == u"load")
        run.files.mnuLoad_Click();
    else if (command == u"clear")
        run.shell.mnuClear_Click();
    else
        run.shell.Form_Terminate();

    QCOMPARE(run.prompts.texts(), inDir(texts));
    for (const ScriptedPrompts::Record &box : std::as_const(run.prompts.shown)) {
        if (box.text == saveQuestion) {
            QCOMPARE(box.caption, u"Save?"_s);
            QCOMPARE(box.buttons, Prompts::Buttons::OkCancel);
            QCOMPARE(box.icon, Prompts::Icon::None);
        }
    }
    for (const QString &candidate : { u"%d/cur.map"_s, u"%d/new.map"_s }) {
        const bool written = QFileInfo::exists(inDir(candidate));
        QCOMPARE(written, candidate == writtenTo);
        if (written)
            QVERIFY(readBytes(inDir(candidate)).contains("\"12\""));
    }

    if (command == u"load") {
        QCOMPARE(run.document.CoordFilePath(), other);
        QCOMPARE(run.table.HotSpotNames(0), u"O"_s);
        QCOMPARE(run.document.IsSaved(), savedAfterGuard);
    } else if (command == u"clear") {
        QVERIFY(run.document.CoordFilePath().isEmpty());
        QVERIFY(run.table.HotSpotCoords(0).isEmpty());
        QVERIFY(run.document.IsSaved());
    } else {
        QCOMPARE(m_settings->values.value(u"Settings/CoordFile"_s), inDir(pathAfterGuard));
        QCOMPARE(run.document.IsSaved(), savedAfterGuard);
    }
    checkPromptsUsed(run);
}

void tst_AppShell::terminationRunsOnce()
{
    Run run(*m_settings);
    run.document.setCoordFilePath(m_dir->filePath(u"cur.map"_s));
    run.document.setIsSaved(false);
    run.script({ u"cancel"_s });

    run.shell.Form_Terminate();
    run.shell.Form_Terminate();

    // Cancel loses the edits but the current file is still remembered.
    QCOMPARE(run.prompts.texts(), QStringList { saveQuestion });
    QCOMPARE(m_settings->writes,
        QStringList { u"Settings/CoordFile="_s + m_dir->filePath(u"cur.map"_s) });
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"cur.map"_s)));
    checkPromptsUsed(run);
}

void tst_AppShell::clearKeepsTheCount()
{
    Run run(*m_settings);
    m_settings->values.insert(u"Settings/BGPicture"_s, u"/pictures/site.jpg"_s);
    m_settings->values.insert(u"Settings/CoordFile"_s, u"/maps/site.map"_s);
    for (int i = 0; i < 5; ++i)
        HotSpotTableAccess::of(run.document)
            .AddHotSpot(u"%1,0,%1,9,9,9"_s.arg(i), QString::number(i));
    const QString mapTextBefore = run.table.MapText();
    run.document.setCoordFilePath(m_dir->filePath(u"site.map"_s));
    run.view.hotSpotFile = run.document.CoordFilePath();
    run.control.picture = QImage(4, 4, QImage::Format_RGB32);

    run.shell.ClearMap();

    const QString blankMap = AppShell::blankMapPath();
    QVERIFY2(blankMap.startsWith(m_env.filePath(u"data/"_s)), qPrintable(blankMap));
    QCOMPARE(readBytes(blankMap), mapBytes({}));
    // The control follows the erased table, then Clear empties it as it always has.
    QCOMPARE(run.control.calls,
        QStringList({ u"Picture=none"_s, u"coordsstring="_s + mapTextBefore, u"coordsfile="_s,
            u"coordsstring="_s, u"coordsfile="_s + blankMap }));
    QCOMPARE(run.view.repaints, 1);
    QCOMPARE(m_settings->writes,
        QStringList({ u"Settings/BGPicture="_s, u"Settings/numLinesInCoordFile=5"_s }));
    QCOMPARE(m_settings->values.value(u"Settings/CoordFile"_s), u"/maps/site.map"_s);
    QVERIFY(run.view.hotSpotFile.isEmpty());
    QVERIFY(run.document.CoordFilePath().isEmpty());
    QCOMPARE(run.table.HotSpotCount(), 5);
    QCOMPARE(run.table.MapText(), mapTextBefore);
    QVERIFY(run.document.IsSaved());

    // The next hot spot goes after the erased ones, and Save lists only the new ones.
    QCOMPARE(run.document.addHotSpot(u"1,1,5,1,5,5"_s, u"new"_s), HotSpotTable::AddResult::Added);
    QCOMPARE(run.table.HotSpotNames(5), u"new"_s);
    run.document.setIsSaved(false);
    const QString after = m_dir->filePath(u"after.map"_s);
    run.script({ u"save:"_s + after });
    QCOMPARE(run.files.mnuSave_Click(), FileCommands::SaveOutcome::Written);
    QCOMPARE(readBytes(after), mapBytes({ MapFormat::areaLine(u"1,1,5,1,5,5"_s, u"new"_s) }));
    checkPromptsUsed(run);
}

void tst_AppShell::clearCompletesWhenBlankMapCannotBeWritten()
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    QFile blocker(m_dir->filePath(u"file"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(u"file/data"_s)));

    Run run(*m_settings);
    HotSpotTableAccess::of(run.document).AddHotSpot(u"1,1,5,1,5,5"_s, u"A"_s);
    run.document.setIsSaved(false);
    run.script({ u"cancel"_s, u"ok"_s });

    run.shell.ClearMap();

    QCOMPARE(
        run.prompts.texts().last(), u"76 No HOTSPOT File Setup yet:"_s + AppShell::blankMapPath());
    // The control is still pointed at the blank map, whose absence it takes in silence.
    QCOMPARE(run.control.calls,
        QStringList({ u"Picture=none"_s, u"coordsstring="_s + run.table.MapText(), u"coordsfile="_s,
            u"coordsstring="_s, u"coordsfile="_s + AppShell::blankMapPath() }));
    QVERIFY(run.document.IsSaved());
    checkPromptsUsed(run);
}

void tst_AppShell::wholeRunAcrossTwoStarts()
{
    const QString first = m_dir->filePath(u"first.map"_s);
    const QString second = m_dir->filePath(u"second.map"_s);
    const QString picture = m_dir->filePath(u"site.jpg"_s);
    makeMap(first, { MapFormat::areaLine(u"1,1,30,1,30,20"_s, u"A"_s) });
    makePicture(picture);
    QtSettingsStore seed;
    seed.WriteSetting(u"Settings"_s, u"CoordFile"_s, first);
    seed.WriteSetting(u"Settings"_s, u"BGPicture"_s, picture);

    {
        QtSettingsStore store;
        Run run(store);
        run.shell.Form_Load();
        QCOMPARE(run.table.HotSpotNames(0), u"A"_s);
        QCOMPARE(run.control.coordsFile, first);

        QCOMPARE(run.document.addHotSpot(u"40,40,60,40,60,60"_s, u"B"_s),
            HotSpotTable::AddResult::Added);
        run.document.setIsSaved(false);
        run.script({ u"save:"_s + second });
        QCOMPARE(run.files.mnuSaveAs_Click(), FileCommands::SaveOutcome::Written);
        run.shell.Form_Terminate();
        QCOMPARE(run.prompts.shown.size(), 1);
        checkPromptsUsed(run);
    }

    QtSettingsStore store;
    QCOMPARE(store.ReadSetting(u"Settings"_s, u"CoordFile"_s), second);
    Run run(store);
    run.shell.Form_Load();

    QVERIFY(run.prompts.shown.isEmpty());
    QCOMPARE(run.table.HotSpotCount(), 2);
    QCOMPARE(run.table.HotSpotNames(0), u"A"_s);
    QCOMPARE(run.table.HotSpotNames(1), u"B"_s);
    QCOMPARE(run.control.coordsFile, second);
    QCOMPARE(run.view.hotSpotFile, second);
    QCOMPARE(run.control.picture.size(), QSize(40, 30));
    QCOMPARE(run.document.PicturePath(), picture);
    QVERIFY(run.document.IsSaved());

    // What start-up read counts as read: the guard's save asks before replacing the version
    // that another program saved since.
    run.document.addHotSpot(u"70,70,90,70,90,90"_s, u"C"_s);
    run.document.setIsSaved(false);
    makeMap(second, { MapFormat::areaLine(u"1,1,5,1,5,5"_s, u"theirs"_s) });
    run.script({ u"ok"_s });
    run.prompts.expectMessage(Prompts::Button::Yes);
    run.shell.AskToSave();
    QCOMPARE(run.prompts.texts(),
        QStringList({ saveQuestion,
            second + u" was changed by another program since it was opened. Replace it?"_s }));
    QVERIFY(readBytes(second).contains("ID=\"C\""));
    checkPromptsUsed(run);
    run.prompts.shown.clear();

    // Clear then Exit: the next start falls back to both defaults.
    run.shell.mnuClear_Click();
    run.shell.Form_Terminate();
    QVERIFY(run.prompts.shown.isEmpty());
    QVERIFY(store.ReadSetting(u"Settings"_s, u"CoordFile"_s).isEmpty());
    QVERIFY(store.ReadSetting(u"Settings"_s, u"BGPicture"_s).isEmpty());
    makeMap(AppShell::defaultMapPath(), {});
    makePicture(AppShell::defaultPicturePath());
    Run third(store);
    third.shell.Form_Load();
    QVERIFY(third.prompts.shown.isEmpty());
    QCOMPARE(third.control.coordsFile, m_dir->filePath(u"koval11/P1100.map"_s));
    QCOMPARE(third.document.PicturePath(), m_dir->filePath(u"koval11/P1100.jpg"_s));
    QVERIFY(!third.control.picture.isNull());
}

QTEST_MAIN(tst_AppShell)
#include "tst_appshell.moc"
