#include "model/maptext.h"

#include "memorysettings.h"
#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString saveQuestion = u"Do you want to save your changes?"_s;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Shift+left clicks on every corner but the last, a plain left click on the last (pixels).
void outline(ProgramRun &run, const QList<QPoint> &corners)
{
    for (qsizetype k = 0; k < corners.size(); ++k) {
        const int shift = k + 1 < corners.size() ? 1 : 0;
        const float x = float(corners[k].x() * 15), y = float(corners[k].y() * 15);
        run.editing.ImageMap1_MouseDown(1, shift, x, y);
        run.editing.ImageMap1_MouseUp(1, shift, x, y);
    }
}

// Runs the unsaved-changes guard, answering Cancel if it asks; whether it asked.
bool guardAsks(ProgramRun &run)
{
    run.prompts = ScriptedPrompts();
    run.prompts.expectMessage(Prompts::Button::Cancel);
    run.shell.AskToSave();
    const bool asked = !run.prompts.shown.isEmpty();
    if (asked && run.prompts.shown.constFirst().text != saveQuestion)
        qWarning("the guard asked: %s", qPrintable(run.prompts.shown.constFirst().text));
    run.prompts = ScriptedPrompts();
    return asked;
}

} // namespace

class tst_UndoRedo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void eachStepUndoesToTheSavedBytes_data();
    void eachStepUndoesToTheSavedBytes();
    void cleanStateDrivesTheGuard();

private:
    /// Loads the sample map: Lot 7 and Shed with a deleted slot between them.
    void loadSample(ProgramRun &run);
    QByteArray save(ProgramRun &run);

    QTemporaryDir m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MemorySettings> m_settings;
    QString m_map;
};

void tst_UndoRedo::initTestCase()
{
    QVERIFY(m_env.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_env.filePath(u"config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_env.filePath(u"data"_s)));
}

void tst_UndoRedo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = std::make_unique<MemorySettings>();
    m_map = m_dir->filePath(u"site.map"_s);
    QFile file(m_map);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<map name=map>\r\n"
               "<AREA SHAPE=POLY COORDS=\"40,30,200,30,200,120,40,120\" ID=\"Lot 7\" "
               "color=\"#00ff00\">\r\n"
               "<AREA SHAPE=POLY COORDS=\"5,5,9,5,9,9\" ID=\"Gone\" color=\"#00ff00\">\r\n"
               "<AREA SHAPE=POLY COORDS=\"250,40,300,40,300,90\" ID=\"Shed\" color=\"#00ff00\">\r\n"
               "</map>\r\n");
}

void tst_UndoRedo::cleanup()
{
    m_dir.reset();
    m_settings.reset();
}

void tst_UndoRedo::loadSample(ProgramRun &run)
{
    run.script({ u"open:"_s + m_map, u"yes"_s });
    run.files.mnuLoad_Click();
    run.editing.ImageMap1_HotSpotMouseUp(u"Gone"_s, 2, 0, 0, 0);
    QCOMPARE(run.table.HotSpotCount(), 3);
    QVERIFY(run.document.undoStack().canUndo());
}

// Save, and the bytes it wrote with the slot count it stored.
QByteArray tst_UndoRedo::save(ProgramRun &run)
{
    if (run.files.mnuSave_Click() != FileCommands::SaveOutcome::Written)
        return "not written";
    return readAll(m_map)
        + "count=" + m_settings->values.value(u"Settings/numLinesInCoordFile"_s).toUtf8();
}

void tst_UndoRedo::eachStepUndoesToTheSavedBytes_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("undoText");

    QTest::newRow("create") << QStringList { u"input:A&B"_s } << u"Create A&B"_s;
    QTest::newRow("create after a refused name")
        << QStringList { u"input:Shed"_s, u"ok"_s, u"input:Lot 8"_s } << u"Create Lot 8"_s;
    QTest::newRow("rename") << QStringList { u"input:Lot 9"_s } << u"Rename Lot 7"_s;
    QTest::newRow("rename after a refused name")
        << QStringList { u"input:Shed"_s, u"ok"_s, u"input:Lot 9"_s } << u"Rename Lot 7"_s;
    QTest::newRow("change coordinates")
        << QStringList { u"input:1,1,9,1,9,9"_s } << u"Change Coordinates of Lot 7"_s;
    QTest::newRow("delete") << QStringList { u"yes"_s } << u"Delete Lot 7"_s;
}

void tst_UndoRedo::eachStepUndoesToTheSavedBytes()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, undoText);

    ProgramRun run(*m_settings);
    run.document.setCoordFilePath(m_map);
    loadSample(run);
    const QByteArray before = save(run);
    const QString textBefore = run.table.MapText();

    run.script(answers);
    const QString step = QString::fromLatin1(QTest::currentDataTag());
    if (step.startsWith(u"create"))
        outline(run, { { 10, 10 }, { 30, 10 }, { 30, 30 } });
    else if (step.startsWith(u"rename"))
        run.editing.ImageMap1_HotSpotMouseDown(u"Lot 7"_s, 1, 0, 0, 0);
    else if (step.startsWith(u"change"))
        run.editing.ImageMap1_HotSpotMouseDown(u"Lot 7"_s, 1, 2, 0, 0);
    else
        run.editing.ImageMap1_HotSpotMouseUp(u"Lot 7"_s, 2, 0, 0, 0);
    QVERIFY(!run.document.IsSaved());
    QCOMPARE(run.document.undoStack().count(), 2);
    QCOMPARE(run.document.undoStack().undoText(), undoText);
    QCOMPARE(MapDocument::menuCaption(u"Undo"_s, run.document.undoStack().undoText()),
        u"Undo "_s + QString(undoText).replace(u"&"_s, u"&&"_s));
    const QByteArray after = save(run);
    QVERIFY(after != before);

    // A polygon under construction and its read-outs stay through undo and redo.
    run.capture.CaptureCorner(1, 1, 15 * 77, 15 * 66);
    const QString coordsUnderConstruction = run.capture.NewCoords;

    for (int round = 0; round < 2; ++round) {
        run.document.undo();
        QVERIFY(!run.document.IsSaved());
        QCOMPARE(run.control.coordsString, run.table.MapText());
        QCOMPARE(run.table.MapText(), textBefore);
        QCOMPARE(save(run), before);
        run.document.redo();
        QVERIFY(!run.document.IsSaved());
        QCOMPARE(run.control.coordsString, run.table.MapText());
        QCOMPARE(save(run), after);
    }
    QCOMPARE(run.capture.NewCoords, coordsUnderConstruction);
    QCOMPARE(run.view.pos[0], u"X:77 Y:66"_s);
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

void tst_UndoRedo::cleanStateDrivesTheGuard()
{
    ProgramRun run(*m_settings);
    run.document.setCoordFilePath(m_map);
    loadSample(run);
    // Steps that change nothing are no steps: a refused rename round ended by a cancel, a
    // create whose name round was cancelled, a rename of a name the table does not hold.
    run.script({ u"input:Shed"_s, u"ok"_s, u"input:"_s, u"input:"_s, u"input:X"_s });
    run.editing.ImageMap1_HotSpotMouseDown(u"Lot 7"_s, 1, 0, 0, 0);
    outline(run, { { 10, 10 }, { 30, 10 } });
    run.editing.ImageMap1_HotSpotMouseDown(u"Nobody"_s, 1, 0, 0, 0);
    QCOMPARE(run.document.undoStack().count(), 1);

    // Two steps, saved after the second.
    run.script({ u"input:Lot 8"_s, u"yes"_s });
    outline(run, { { 10, 10 }, { 30, 10 }, { 30, 30 } });
    run.editing.ImageMap1_HotSpotMouseUp(u"Shed"_s, 2, 0, 0, 0);
    save(run);
    QVERIFY(run.document.IsSaved());
    QVERIFY(!guardAsks(run));

    run.document.undo();
    QVERIFY(guardAsks(run));
    run.document.undo();
    QVERIFY(guardAsks(run));
    run.document.redo();
    run.document.redo();
    QVERIFY(run.document.IsSaved());
    QVERIFY(!guardAsks(run));

    // A new step after an undo leaves the saved step behind for good.
    run.document.undo();
    run.script({ u"input:Lot 9"_s });
    run.editing.ImageMap1_HotSpotMouseDown(u"Lot 7"_s, 1, 0, 0, 0);
    run.document.undo();
    QVERIFY(guardAsks(run));
    QCOMPARE(run.document.undoStack().redoText(), u"Rename Lot 7"_s);

    // Save As marks its step as the saved one; a cancelled one does not.
    run.script({ u"save:"_s });
    run.files.mnuSaveAs_Click();
    run.document.redo();
    run.document.undo();
    QVERIFY(guardAsks(run));
    run.script({ u"save:"_s + m_map });
    run.files.mnuSaveAs_Click();
    run.document.redo();
    run.document.undo();
    QVERIFY(run.document.IsSaved());

    // Load and Clear empty the history.
    run.script({ u"open:"_s + m_map });
    run.files.mnuLoad_Click();
    QVERIFY(!run.document.undoStack().canUndo() && !run.document.undoStack().canRedo());
    run.script({ u"input:Lot 10"_s });
    outline(run, { { 10, 10 }, { 30, 10 }, { 30, 30 } });
    QVERIFY(run.document.undoStack().canUndo());
    run.script({ u"cancel"_s });
    run.shell.ClearMap();
    QVERIFY(!run.document.undoStack().canUndo() && !run.document.undoStack().canRedo());
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

QTEST_GUILESS_MAIN(tst_UndoRedo)
#include "tst_undoredo.moc"
