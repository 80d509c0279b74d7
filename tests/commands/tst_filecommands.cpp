#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "editing/controlsync.h"
#include "hotspottableaccess.h"
#include "model/hotspottable.h"
#include "model/maptext.h"

#include "apperrortest.h"
#include "memorysettings.h"
#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <new>
#include <stdexcept>

using namespace Qt::StringLiterals;

using SaveOutcome = FileCommands::SaveOutcome;

struct FileFixture
{
    FileFixture() { showMapOnControl(document, control); }

    MapDocument document;
    const HotSpotTable &table = document.table();
    ScriptedPrompts prompts;
    MemorySettings settings;
    RecordingView view;
    RecordingControl control;
    FileCommands files { document, prompts, settings, view };
};

class tst_FileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void save_data();
    void save();
    void saveAsDialogStartsEmptyEveryTime();
    void saveAsksBeforeReplacingAnotherProgramsChanges();
    void loadTypeTest_data();
    void loadTypeTest();
    void loadCancelled();
    void loadRunsTheGuardFirst();
    void loadReaderFailureStillPushesMapText();
    void loadReportsErrorsWithItsOwnTag_data();
    void loadReportsErrorsWithItsOwnTag();

private:
    QString inDir(QString text) const { return text.replace(u"%d"_s, m_dir->path()); }
    QStringList inDir(QStringList texts) const
    {
        for (QString &text : texts)
            text = inDir(text);
        return texts;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FileFixture> m;
};

void tst_FileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m = std::make_unique<FileFixture>();
}

void tst_FileCommands::cleanup()
{
    const auto fixture = std::exchange(m, nullptr);
    m_dir.reset();
    const QStringList left = fixture->prompts.unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

// The map file the writer makes of the table.
static QByteArray tableBytes(const HotSpotTable &table)
{
    QStringList areaLines;
    for (int slot = 0; slot < table.usedSlots(); ++slot) {
        if (!table.HotSpotCoords(slot).isEmpty())
            areaLines.append(table.BuildAreaLine(slot));
    }
    return mapBytes(areaLines);
}

void tst_FileCommands::save_data()
{
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("dialogOpens");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<SaveOutcome>("outcome");
    QTest::addColumn<QString>("pathAfter");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<bool>("savedAfter");
    QTest::addColumn<QStringList>("messages");

    const QString cur = u"%d/cur.map"_s;
    const QString fresh = u"%d/new.map"_s;
    const QString before = u"before"_s;

    QTest::newRow("save, current file set")
        << false << cur << false << QString() << SaveOutcome::Written << cur << before << true
        << QStringList();
    QTest::newRow("save, no current file, runs save as")
        << false << QString() << true << fresh << SaveOutcome::Written << fresh << fresh << true
        << QStringList();
    QTest::newRow("save, no current file, save as cancelled")
        << false << QString() << true << QString() << SaveOutcome::Cancelled << QString() << before
        << false << QStringList();
    QTest::newRow("save as, file chosen") << true << cur << true << fresh << SaveOutcome::Written
                                          << fresh << fresh << true << QStringList();
    QTest::newRow("save as, cancelled")
        << true << cur << true << QString() << SaveOutcome::Cancelled << cur << before << false
        << QStringList();
    QTest::newRow("save as, other extension kept")
        << true << cur << true << u"%d/plan.txt"_s << SaveOutcome::Written << u"%d/plan.txt"_s
        << u"%d/plan.txt"_s << true << QStringList();
    QTest::newRow("save, folder gone: failure stays unsaved")
        << false << u"%d/gone/cur.map"_s << false << QString() << SaveOutcome::Failed
        << u"%d/gone/cur.map"_s << before << false
        << QStringList { u"76 No HOTSPOT File Setup yet:%d/gone/cur.map"_s };
    QTest::newRow("save as onto a folder: failure stays unsaved")
        << true << cur << true << u"%d/folder.map"_s << SaveOutcome::Failed << u"%d/folder.map"_s
        << u"%d/folder.map"_s << false
        << QStringList { u"75 Path/File access error FILE:%d/folder.map"_s };
}

void tst_FileCommands::save()
{
    QFETCH(bool, saveAs);
    QFETCH(QString, current);
    QFETCH(bool, dialogOpens);
    QFETCH(QString, chosen);
    QFETCH(SaveOutcome, outcome);
    QFETCH(QString, pathAfter);
    QFETCH(QString, textAfter);
    QFETCH(bool, savedAfter);
    QFETCH(QStringList, messages);

    QVERIFY(QDir(m_dir->path()).mkdir(u"folder.map"_s));
    QCOMPARE(HotSpotTableAccess::of(m->document).AddHotSpot(u"10,10,50,10,50,40"_s, u"12"_s),
        HotSpotTable::AddResult::Added);
    m->document.setCoordFilePath(inDir(current));
    m->view.hotSpotFile = u"before"_s;
    m->document.setIsSaved(false);
    if (dialogOpens)
        m->prompts.expectSaveFile(inDir(chosen));
    for (qsizetype i = 0; i < messages.size(); ++i)
        m->prompts.expectMessage(Prompts::Button::Ok);

    const SaveOutcome result = saveAs ? m->files.mnuSaveAs_Click() : m->files.mnuSave_Click();

    QCOMPARE(result, outcome);
    QCOMPARE(m->document.CoordFilePath(), inDir(pathAfter));
    QCOMPARE(m->view.hotSpotFile, inDir(textAfter));
    QCOMPARE(m->document.IsSaved(), savedAfter);
    QStringList shownMessages;
    for (const ScriptedPrompts::Record &record : m->prompts.shown) {
        if (record.kind == ScriptedPrompts::Kind::Message)
            shownMessages.append(record.text);
    }
    QCOMPARE(shownMessages, inDir(messages));

    // Saving changes no hot spot: the control is left as it is.
    QVERIFY(m->control.calls.isEmpty());
    if (outcome == SaveOutcome::Cancelled)
        QVERIFY(m->settings.writes.isEmpty());
    if (outcome == SaveOutcome::Written) {
        QCOMPARE(readBytes(m->document.CoordFilePath()), tableBytes(m->table));
        QCOMPARE(m->settings.values.value(u"Settings/numLinesInCoordFile"_s), u"1"_s);
    }
    // Nothing but the writer touches the settings; the current file is stored only at exit.
    QVERIFY(!m->settings.values.contains(u"Settings/CoordFile"_s));

    if (dialogOpens) {
        const ScriptedPrompts::Record &dialog = m->prompts.shown.first();
        QCOMPARE(dialog.kind, ScriptedPrompts::Kind::SaveFile);
        QCOMPARE(dialog.dialog.filter, u"Map|*.map"_s);
        QCOMPARE(dialog.dialog.defaultSuffix, u"map"_s);
        QVERIFY(dialog.dialog.confirmOverwrite);
        QVERIFY(!dialog.dialog.fileMustExist);
        QVERIFY(!dialog.dialog.hideReadOnly);
    }
}

void tst_FileCommands::saveAsDialogStartsEmptyEveryTime()
{
    // A cancelled Save As right after one that picked a file writes nothing anywhere.
    HotSpotTableAccess::of(m->document).AddHotSpot(u"1,1,9,1,9,9"_s, u"A"_s);
    m->prompts.expectSaveFile(m_dir->filePath(u"first.map"_s));
    m->prompts.expectSaveFile(QString());
    QCOMPARE(m->files.mnuSaveAs_Click(), SaveOutcome::Written);
    HotSpotTableAccess::of(m->document).AddHotSpot(u"2,2,8,2,8,8"_s, u"B"_s);
    m->document.setIsSaved(false);

    QCOMPARE(m->files.mnuSaveAs_Click(), SaveOutcome::Cancelled);

    QVERIFY(!m->document.IsSaved());
    QVERIFY(!readBytes(m_dir->filePath(u"first.map"_s)).contains("B"));
}

void tst_FileCommands::saveAsksBeforeReplacingAnotherProgramsChanges()
{
    const QString shared = m_dir->filePath(u"shared.map"_s);
    const QString mine = m_dir->filePath(u"mine.map"_s);
    const QString question = u" was changed by another program since it was opened. Replace it?"_s;
    writeBytes(shared,
        mapBytes({ u"<AREA SHAPE=POLY COORDS=\"1,1,9,1,9,9\" ID=\"A\" color=\"#00ff00\">"_s }));
    m->prompts.expectOpenFile(shared);
    m->files.mnuLoad_Click();
    HotSpotTableAccess::of(m->document).AddHotSpot(u"2,2,8,2,8,8"_s, u"mine"_s);
    m->document.setIsSaved(false);

    // Someone else saves the same map; declining keeps their file and saves ours elsewhere.
    const QByteArray theirs = readBytes(shared).replace("ID=\"A\"", "ID=\"theirs\"");
    writeBytes(shared, theirs);
    m->prompts.expectMessage(Prompts::Button::No);
    m->prompts.expectSaveFile(mine);
    QCOMPARE(m->files.mnuSave_Click(), SaveOutcome::Written);
    const ScriptedPrompts::Record &asked = m->prompts.shown.at(1);
    QCOMPARE(asked.text, shared + question);
    QCOMPARE(asked.caption, u"Replace?"_s);
    QCOMPARE(asked.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(asked.icon, Prompts::Icon::None);
    QCOMPARE(asked.defaultButton, Prompts::Button::No);
    QCOMPARE(m->prompts.shown.at(2).kind, ScriptedPrompts::Kind::SaveFile);
    QCOMPARE(readBytes(shared), theirs);
    QCOMPARE(readBytes(mine), tableBytes(m->table));
    QCOMPARE(m->document.CoordFilePath(), mine);
    QVERIFY(m->document.IsSaved());

    // What we wrote ourselves, or the same bytes written again, does not ask.
    writeBytes(mine, readBytes(mine));
    QCOMPARE(m->files.mnuSave_Click(), SaveOutcome::Written);
    QCOMPARE(m->prompts.shown.size(), 3);

    // Yes replaces the other program's version.
    writeBytes(mine, "changed elsewhere\r\n");
    m->prompts.expectMessage(Prompts::Button::Yes);
    QCOMPARE(m->files.mnuSave_Click(), SaveOutcome::Written);
    QCOMPARE(m->prompts.shown.size(), 4);
    QCOMPARE(m->prompts.shown.last().text, mine + question);
    QCOMPARE(readBytes(mine), tableBytes(m->table));

    // A map deleted meanwhile is simply written; so is a new name chosen with Save As.
    QVERIFY(QFile::remove(mine));
    QCOMPARE(m->files.mnuSave_Click(), SaveOutcome::Written);
    QCOMPARE(readBytes(mine), tableBytes(m->table));
    writeBytes(mine, "changed again\r\n");
    m->prompts.expectSaveFile(m_dir->filePath(u"new.map"_s));
    QCOMPARE(m->files.mnuSaveAs_Click(), SaveOutcome::Written);
    QCOMPARE(m->prompts.shown.size(), 5);
}

void tst_FileCommands::loadTypeTest_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow(".map") << u"site.map"_s << true;
    QTest::newRow(".MAP") << u"SITE.MAP"_s << true;
    QTest::newRow(".Map") << u"Site.Map"_s << true;
    QTest::newRow("xmap without a dot") << u"sitexmap"_s << true;
    QTest::newRow("plan.txt") << u"plan.txt"_s << false;
    QTest::newRow("map only in the folder name") << u"site.map/plan.mapx"_s << false;
}

void tst_FileCommands::loadTypeTest()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);

    const QString path = m_dir->filePath(name);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    writeBytes(path, mapBytes({ MapFormat::areaLine(u"1,2,3,4,5,6"_s, u"7"_s) }));
    HotSpotTableAccess::of(m->document).AddHotSpot(u"9,9,19,9,19,19"_s, u"old"_s);
    HotSpotTableAccess::of(m->document).AddHotSpot(u"20,20,30,20,30,30"_s, u"older"_s);
    const QString oldMapText = m->table.MapText();
    m->document.setCoordFilePath(u"old.map"_s);
    m->view.hotSpotFile = u"old.map"_s;
    m->document.setIsSaved(false);
    m->prompts.expectOpenFile(path);
    if (!accepted)
        m->prompts.expectMessage(Prompts::Button::Ok);

    m->files.mnuLoad_Click();

    QCOMPARE(m->document.IsSaved(), false); // Load never changes the flag
    if (accepted) {
        QCOMPARE(m->prompts.shown.size(), 1);
        QCOMPARE(m->view.hotSpotFile, path);
        QCOMPARE(m->document.CoordFilePath(), path);
        QCOMPARE(m->table.HotSpotCount(), 1);
        QCOMPARE(m->table.HotSpotNames(0), u"7"_s);
        QVERIFY(m->table.HotSpotNames(1).isEmpty());
        QCOMPARE(m->control.calls, QStringList { u"coordsstring="_s + m->table.MapText() });
    } else {
        const ScriptedPrompts::Record &box = m->prompts.shown.last();
        QCOMPARE(box.text, u"Not a .MAP file type!"_s);
        QCOMPARE(box.caption, u"QuorvelImap"_s);
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QVERIFY(m->view.hotSpotFile.isEmpty());
        QCOMPARE(m->document.CoordFilePath(), u"old.map"_s);
        QCOMPARE(m->table.HotSpotCount(), 2);
        QCOMPARE(m->table.MapText(), oldMapText);
        QVERIFY(m->control.calls.isEmpty());
    }
    QVERIFY(m->settings.writes.isEmpty());
}

void tst_FileCommands::loadCancelled()
{
    HotSpotTableAccess::of(m->document).AddHotSpot(u"9,9,19,9,19,19"_s, u"old"_s);
    m->document.setCoordFilePath(m_dir->filePath(u"old.map"_s));
    m->view.hotSpotFile = m->document.CoordFilePath();
    m->prompts.expectOpenFile(QString());
    m->prompts.expectOpenFile(QString());

    m->files.mnuLoad_Click();

    QVERIFY(m->view.hotSpotFile.isEmpty());
    QCOMPARE(m->document.CoordFilePath(), m_dir->filePath(u"old.map"_s));
    QCOMPARE(m->table.HotSpotNames(0), u"old"_s);
    QVERIFY(m->control.calls.isEmpty());
    const Prompts::FileDialog dialog = m->prompts.shown.first().dialog;
    QCOMPARE(dialog.filter, u"Map|*.map"_s);
    QCOMPARE(dialog.defaultSuffix, u"map"_s);
    QVERIFY(dialog.fileMustExist);
    QVERIFY(!dialog.confirmOverwrite);
    QVERIFY(!dialog.hideReadOnly);

    // The hidden current file is still the one a following Save writes.
    m->files.mnuLoad_Click();
    QCOMPARE(m->files.mnuSave_Click(), SaveOutcome::Written);
    QCOMPARE(readBytes(m_dir->filePath(u"old.map"_s)), tableBytes(m->table));
    QVERIFY(m->view.hotSpotFile.isEmpty());
}

void tst_FileCommands::loadRunsTheGuardFirst()
{
    qsizetype promptsBeforeGuard = -1;
    m->files.setAskToSave([&] { promptsBeforeGuard = m->prompts.shown.size(); });
    m->prompts.expectOpenFile(QString());

    m->files.mnuLoad_Click();

    QCOMPARE(promptsBeforeGuard, 0);
}

void tst_FileCommands::loadReaderFailureStillPushesMapText()
{
    const QString path = m_dir->filePath(u"x.map"_s);
    QVERIFY(QDir().mkdir(path));
    HotSpotTableAccess::of(m->document).AddHotSpot(u"9,9,19,9,19,19"_s, u"old"_s);
    const QString oldMapText = m->table.MapText();
    m->prompts.expectOpenFile(path);
    m->prompts.expectMessage(Prompts::Button::Ok);

    m->files.mnuLoad_Click();

    QCOMPARE(m->prompts.texts().last(), u"75 Path/File access error File:"_s + path);
    QCOMPARE(m->document.CoordFilePath(), path);
    QVERIFY(m->view.hotSpotFile.isEmpty());
    QVERIFY(m->table.HotSpotNames(0).isEmpty());
    QCOMPARE(m->control.calls, QStringList { u"coordsstring="_s + oldMapText });
}

void tst_FileCommands::loadReportsErrorsWithItsOwnTag_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");

    QTest::newRow("the program's own error") << u"disk full"_s << u"61 61"_s;
    QTest::newRow("out of memory") << u"bad_alloc"_s << u"7 7"_s;
    QTest::newRow("container grown too long") << u"length_error"_s << u"7 7"_s;
    QTest::newRow("index out of range") << u"out_of_range"_s << u"9 9"_s;
    QTest::newRow("arithmetic overflow") << u"overflow_error"_s << u"6 6"_s;
    QTest::newRow("any other exception") << u"runtime_error"_s << u"51 51"_s;
    QTest::newRow("not even an exception") << u"int"_s << u"51 51"_s;
}

void tst_FileCommands::loadReportsErrorsWithItsOwnTag()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);

    m->files.setAskToSave([failure] {
        if (failure == u"disk full")
            throw AppError::fromNumber(ErrorNumber::DiskFull);
        if (failure == u"bad_alloc")
            throw std::bad_alloc();
        if (failure == u"length_error")
            throw std::length_error("too long");
        if (failure == u"out_of_range")
            throw std::out_of_range("no such slot");
        if (failure == u"overflow_error")
            throw std::overflow_error("too big");
        if (failure == u"runtime_error")
            throw std::runtime_error("broken");
        throw 42;
    });
    m->view.hotSpotFile = u"kept"_s;
    m->prompts.expectMessage(Prompts::Button::Ok);

    m->files.mnuLoad_Click();

    QCOMPARE(m->prompts.texts(), QStringList { u"cmdcoordfile_Click_ERR: "_s + message });
    QCOMPARE(m->prompts.shown.first().caption, u"QuorvelImap"_s);
    QCOMPARE(m->view.hotSpotFile, u"kept"_s);
}

QTEST_GUILESS_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
