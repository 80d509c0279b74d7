#include "app/recovery.h"
#include "model/recoverycopy.h"

#include "memorysettings.h"
#include "programrun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using namespace std::chrono_literals;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A plain click on a hot spot renames it.
void rename(ProgramRun &run, const QString &from, const QString &to)
{
    run.prompts.expectInput(to);
    run.editing.ImageMap1_HotSpotMouseDown(from, 1, 0, 0, 0);
}

} // namespace

class tst_Recovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void copyFollowsTheUnsavedChanges();
    void damagedCopiesAreRefused_data();
    void damagedCopiesAreRefused();
    void nextStartOffersLeftCopies();
    void recoveredMapMeetsLaterChanges();

private:
    /// A run with Lot 7 and Shed loaded from m_map, and its recovery in m_folder.
    void start(ProgramRun &run);

    QTemporaryDir m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MemorySettings> m_settings;
    QString m_map;
    QString m_folder;
};

void tst_Recovery::initTestCase()
{
    QVERIFY(m_env.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_env.filePath(u"config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_env.filePath(u"data"_s)));
}

void tst_Recovery::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = std::make_unique<MemorySettings>();
    m_map = m_dir->filePath(u"site 1%.map"_s);
    m_folder = m_dir->filePath(u"recovery"_s);
    writeFile(m_map,
        "<map name=map>\r\n"
        "<AREA SHAPE=POLY COORDS=\"40,30,200,30,200,120\" ID=\"Lot 7\" color=\"#00ff00\">\r\n"
        "<AREA SHAPE=POLY COORDS=\"250,40,300,40,300,90\" ID=\"Sh\xc3\xa9\x64\" "
        "color=\"#00ff00\">\r\n"
        "</map>\r\n");
}

void tst_Recovery::cleanup()
{
    m_dir.reset();
    m_settings.reset();
}

void tst_Recovery::start(ProgramRun &run)
{
    run.prompts.expectOpenFile(m_map);
    run.files.mnuLoad_Click();
    QCOMPARE(run.table.HotSpotCount(), 2);
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
    run.prompts = ScriptedPrompts();
}

void tst_Recovery::copyFollowsTheUnsavedChanges()
{
    ProgramRun run(*m_settings);
    start(run);
    Recovery recovery(run.document, run.prompts, run.view, m_folder, 100ms);
    const QString copy = recovery.copyPath();
    QVERIFY(copy.startsWith(m_folder + u'/'));

    // Written after the delay, never at once: a burst of edits is written once.
    rename(run, u"Lot 7"_s, u"Lot 8"_s);
    rename(run, u"Lot 8"_s, u"Lot 9"_s);
    QVERIFY(!QFile::exists(copy));
    QTRY_VERIFY(QFile::exists(copy));
    QCOMPARE(readAll(copy), RecoveryCopy::format(m_map, run.table));
    const std::optional<RecoveryCopy::Contents> contents = RecoveryCopy::parse(readAll(copy));
    QVERIFY(contents);
    QCOMPARE(contents->mapPath, m_map);
    QCOMPARE(contents->hotSpots.size(), 2);
    QCOMPARE(contents->hotSpots[0].name, u"Lot 9"_s);
    QCOMPARE(contents->hotSpots[1].name, u"Shéd"_s);
    QVERIFY(!QFile::exists(m_map + u".lock"_s));

    rename(run, u"Lot 9"_s, u"Lot 10"_s);
    QVERIFY(readAll(copy).contains("Lot 9"));
    QTRY_VERIFY(readAll(copy).contains("Lot 10"));

    // A save takes it away at once; stepping away from the saved step brings it back.
    QVERIFY(run.files.mnuSave_Click() == FileCommands::SaveOutcome::Written);
    QVERIFY(!QFile::exists(copy));
    run.document.undo();
    QTRY_VERIFY(readAll(copy).contains("Lot 9"));
    run.document.redo();
    QVERIFY(!QFile::exists(copy));

    // Load and Clear take it away.
    rename(run, u"Lot 10"_s, u"Lot 11"_s);
    QTRY_VERIFY(QFile::exists(copy));
    run.prompts.expectMessage(Prompts::Button::Cancel);
    run.prompts.expectOpenFile(m_map);
    run.files.mnuLoad_Click();
    QVERIFY(!QFile::exists(copy));
    rename(run, u"Lot 10"_s, u"Lot 12"_s);
    QTRY_VERIFY(QFile::exists(copy));
    run.prompts.expectMessage(Prompts::Button::Cancel);
    run.shell.ClearMap();
    QVERIFY(!QFile::exists(copy));

    // The termination step takes it away whatever the guard's answer, and none comes back.
    run.shell.setRecovery(&recovery);
    run.script({ u"input:Lot 1"_s });
    run.editing.ImageMap1_MouseDown(1, 1, 150, 150);
    run.editing.ImageMap1_MouseDown(1, 0, 300, 300);
    run.editing.ImageMap1_MouseUp(1, 0, 300, 300);
    QTRY_VERIFY(QFile::exists(copy));
    run.prompts.expectMessage(Prompts::Button::Cancel);
    run.shell.Form_Terminate();
    QVERIFY(!QFile::exists(copy));
    run.document.undo();
    QTest::qWait(300);
    QVERIFY(QDir(m_folder).isEmpty());
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

void tst_Recovery::damagedCopiesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");

    HotSpotTable table;
    table.AddHotSpot(u"1,2,3,4,5,6"_s, u"A\"B"_s);
    table.AddHotSpot(u"7,8,9,10"_s, u"Lot 2"_s);
    table.ClearHotSpot(0);
    table.AddHotSpot(u"11,12,13,14"_s, u"Shéd"_s);
    const QByteArray good = RecoveryCopy::format(u"/maps/a\r\nb%.map"_s, table);
    const std::optional<RecoveryCopy::Contents> parsed = RecoveryCopy::parse(good);
    QVERIFY(parsed);
    QCOMPARE(parsed->mapPath, u"/maps/a\r\nb%.map"_s);
    QCOMPARE(parsed->hotSpots.size(), 2);
    QCOMPARE(parsed->hotSpots[1].coords, u"11,12,13,14"_s);
    QCOMPARE(parsed->hotSpots[1].name, u"Shéd"_s);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << good.left(good.size() - 9);
    QTest::newRow("without its checksum") << good.left(good.indexOf("<!-- sha256"));
    QByteArray flipped = good;
    flipped[good.indexOf("Lot 2")] = 'l';
    QTest::newRow("one byte changed") << flipped;
    // Sealed with a checksum that fits, but not what the writer writes.
    const QByteArray body = good.left(good.indexOf("<!-- sha256"));
    const auto sealed = [](const QByteArray &changed) {
        return changed + "<!-- sha256 "
            + QCryptographicHash::hash(changed, QCryptographicHash::Sha256).toHex() + " -->\r\n";
    };
    QCOMPARE(sealed(body), good);
    QTest::newRow("not UTF-8") << sealed(QByteArray(body).replace("Lot 2", "Lot \xff"));
    QTest::newRow("a line that is not an AREA line")
        << sealed(QByteArray(body).replace("<AREA SHAPE=POLY", "<AREA SHAPE=RECT"));
    QTest::newRow("an area without coordinates")
        << sealed(QByteArray(body).replace("\"7,8,9,10\"", "\"\""));
    QTest::newRow("no footer") << sealed(QByteArray(body).replace("</map>\r\n", ""));
    QTest::newRow("no path line") << sealed(body.mid(body.indexOf("<map")));
}

void tst_Recovery::damagedCopiesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!RecoveryCopy::parse(bytes));
}

void tst_Recovery::nextStartOffersLeftCopies()
{
    QVERIFY(QDir().mkpath(m_folder));
    HotSpotTable left;
    left.AddHotSpot(u"10,10,90,10,90,90"_s, u"Lot 1"_s);
    left.AddHotSpot(u"5,5,9,5,9,9"_s, u"Gone"_s);
    left.ClearHotSpot(1);
    left.AddHotSpot(u"1,1,5,1,5,5"_s, u"Lot 3"_s);
    const QString leftPath = m_dir->filePath(u"left.map"_s);
    const QByteArray copy = RecoveryCopy::format(leftPath, left);
    const QString takenCopy = m_folder + u"/100-1.map"_s;
    const QString damagedCopy = m_folder + u"/101-1.map"_s;
    const QString runningCopy = m_folder + u"/102-1.map"_s;
    writeFile(takenCopy, copy);
    writeFile(damagedCopy, copy.left(copy.size() - 3));
    writeFile(runningCopy, copy);
    // A program still running holds its copy's lock.
    QLockFile running(m_folder + u"/102-1.lock"_s);
    running.setStaleLockTime(0);
    QVERIFY(running.tryLock(0));
    // Newest first: the damaged copy is met before the one that is taken.
    QFile older(takenCopy);
    QVERIFY(older.open(QIODevice::ReadWrite));
    QVERIFY(older.setFileTime(
        QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    older.close();

    ProgramRun run(*m_settings);
    start(run);
    Recovery recovery(run.document, run.prompts, run.view, m_folder, 100ms);
    run.script({ u"ok"_s, u"no"_s });
    recovery.offerRecovery();
    const QString question =
        u"Quorvel closed without saving changes to "_s + leftPath + u". Restore them?"_s;
    QCOMPARE(run.prompts.texts(),
        (QStringList {
            u"The recovery copy "_s + damagedCopy + u" is damaged and has been removed."_s,
            question }));
    for (const ScriptedPrompts::Record &box : std::as_const(run.prompts.shown))
        QCOMPARE(box.caption, u"Recover?"_s);
    const ScriptedPrompts::Record &asked = run.prompts.shown.last();
    QCOMPARE(asked.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(asked.defaultButton, std::optional(Prompts::Button::Yes));
    // No: the copy goes and the table stays.
    QVERIFY(!QFile::exists(damagedCopy));
    QVERIFY(!QFile::exists(takenCopy));
    QVERIFY(QFile::exists(runningCopy));
    QCOMPARE(run.table.HotSpotNames(0), u"Lot 7"_s);
    QVERIFY(run.document.IsSaved());

    // Yes: the recovered hot spots replace the table, unsaved, until saved to their map.
    writeFile(takenCopy, copy);
    run.prompts = ScriptedPrompts();
    run.script({ u"yes"_s });
    recovery.offerRecovery();
    QCOMPARE(run.prompts.texts(), QStringList { question });
    QVERIFY(!QFile::exists(takenCopy));
    QCOMPARE(run.table.HotSpotCount(), 2);
    QCOMPARE(run.table.HotSpotNames(1), u"Lot 3"_s);
    QCOMPARE(run.control.coordsString, run.table.MapText());
    QCOMPARE(run.document.CoordFilePath(), leftPath);
    QCOMPARE(run.view.hotSpotFile, leftPath);
    QVERIFY(!run.document.IsSaved());
    // The changes are in this run's copy from the start, and undo cannot take them back.
    QCOMPARE(readAll(recovery.copyPath()), RecoveryCopy::format(leftPath, run.table));
    QVERIFY(!run.document.undoStack().canUndo());
    run.prompts.expectMessage(Prompts::Button::Ok);
    run.shell.AskToSave();
    QCOMPARE(readAll(leftPath),
        "<map name=map>\r\n"
        "<AREA SHAPE=POLY COORDS=\"10,10,90,10,90,90\" ID=\"Lot 1\" color=\"#00ff00\">\r\n"
        "<AREA SHAPE=POLY COORDS=\"1,1,5,1,5,5\" ID=\"Lot 3\" color=\"#00ff00\">\r\n"
        "</map>\r\n");
    QVERIFY(!QFile::exists(recovery.copyPath()));
    QVERIFY(QFile::exists(runningCopy));
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

// A recovered map's file is watched like a loaded one, and a map loaded over it leaves nothing
// unsaved behind: no copy, and undo back to the loaded map is its saved state.
void tst_Recovery::recoveredMapMeetsLaterChanges()
{
    QVERIFY(QDir().mkpath(m_folder));
    const QString mapPath = m_dir->filePath(u"theirs.map"_s);
    writeFile(mapPath, "<map name=map>\r\n</map>\r\n");
    HotSpotTable left;
    left.AddHotSpot(u"10,10,90,10,90,90"_s, u"Lot 1"_s);
    writeFile(m_folder + u"/100-1.map"_s, RecoveryCopy::format(mapPath, left));

    ProgramRun run(*m_settings);
    start(run);
    Recovery recovery(run.document, run.prompts, run.view, m_folder, 100ms);
    run.script({ u"yes"_s });
    recovery.offerRecovery();
    QVERIFY(run.document.isModified());

    // Somebody else saves the file: Save asks first; No goes to Save As, cancelled here.
    writeFile(mapPath, "<map name=map>\r\n<AREA COORDS=\"1,1,2,2,3,1\" ID=\"B\">\r\n</map>\r\n");
    run.script({ u"no"_s, u"save:"_s });
    run.files.mnuSave_Click();
    QVERIFY(run.prompts.texts().contains(
        mapPath + u" was changed by another program since it was opened. Replace it?"_s));

    // Load with no step between: the guard asks, then the loaded map is the saved state.
    QTRY_VERIFY(QFile::exists(recovery.copyPath()));
    run.script({ u"cancel"_s, u"open:"_s + mapPath });
    run.files.mnuLoad_Click();
    QVERIFY(!run.document.isModified());
    QTRY_VERIFY(!QFile::exists(recovery.copyPath()));
    run.document.clearHotSpot(0);
    run.document.undo();
    QVERIFY(run.document.IsSaved());
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Recovery)
#include "tst_recovery.moc"
