#include "app/appshell.h"

#include "app/recovery.h"

#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "editing/cornercapture.h"
#include "imagemap/imagemapcontrol.h"
#include "model/coordfile.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/apperror.h"
#include "platform/busycursor.h"
#include "platform/picture.h"
#include "platform/picturepreload.h"
#include "platform/prompts.h"
#include "platform/settingskeys.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

enum class Stage { Map = 1, Picture = 2 };

} // namespace

AppShell::AppShell(MapDocument &document, CornerCapture &capture, FileCommands &files,
    Prompts &prompts, SettingsStore &settings, EditorView &view, ImageMapControl &control)
    : m_document(document)
    , m_capture(capture)
    , m_files(files)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
    , m_control(control)
{
    m_files.setAskToSave([this] { AskToSave(); });
}

QString AppShell::defaultMapPath()
{
#ifdef Q_OS_WIN
    return u"c:\\koval11\\P1100.map"_s;
#else
    return QDir::homePath() + u"/koval11/P1100.map"_s;
#endif
}

QString AppShell::defaultPicturePath()
{
#ifdef Q_OS_WIN
    return u"c:\\koval11\\P1100.jpg"_s;
#else
    return QDir::homePath() + u"/koval11/P1100.jpg"_s;
#endif
}

QString AppShell::startupPicturePath(SettingsStore &settings)
{
    const QString value = settings.ReadSetting(SettingsKeys::Section, SettingsKeys::BGPicture);
    return value.isEmpty() ? defaultPicturePath() : value;
}

QString AppShell::blankMapPath()
{
#ifdef Q_OS_WIN
    return u"/blank.map"_s;
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/blank.map"_s;
#endif
}

void AppShell::Form_Load()
{
    m_capture.ReadoutIndex = 0;
    Init_App();
    m_control.setInitFlag(true);
    m_control.setInitValue(255);
    m_control.setTop(50);
    m_control.setLeft(16);
    m_document.setIsSaved(true);
}

void AppShell::Init_App()
{
    Stage stage = Stage::Map;
    // Runs one stage; returns whether start-up goes on to the next one.
    const auto run = [&](auto &&steps) {
        AppError error;
        try {
            steps();
            return true;
        } catch (...) {
            error = AppError::fromCurrentException();
        }
        return handleStartupError(error, static_cast<int>(stage));
    };

    const bool goOn = run([this] {
        m_capture.Drawing = false;
        m_document.resetCount();
        QString value = m_settings.ReadSetting(SettingsKeys::Section, SettingsKeys::CoordFile);
        if (value.isEmpty())
            value = defaultMapPath();
        m_document.setCoordFilePath(value);
        try {
            m_control.setCoordsFile(value);
        } catch (const AppError &e) {
            // A map the control cannot read (a folder, a file without read permission) is left
            // to the reader, whose message names the path; the picture is restored all the
            // same. Every other error keeps its start-up rules.
            if (e.number != ErrorNumber::PathFileAccess)
                throw;
        }
        m_view.setHotSpotFileText(value);
        m_document.replaceMap(
            [&](HotSpotTable &table) {
                ReadCoordFile(value, table, m_prompts, m_settings, m_view);
            },
            MapDocument::Replaced::FromFile);
        m_document.rememberDiskContents(value);
    });
    if (!goOn)
        return;

    stage = Stage::Picture;
    run([this] {
        const QString path = startupPicturePath(m_settings);
        m_document.setPicturePath(path);
        const BusyCursor busy;
        m_control.setLoadingPicture(
            m_preload ? m_preload->take(path) : LoadingPicture(loadPicture(path)));
        m_document.setShownPicturePath(path);
    });
}

bool AppShell::handleStartupError(const AppError &e, int stage)
{
    if (e.number == ErrorNumber::PathNotFound) {
        m_prompts.message(
            QString::number(e.number) + u" PICTURE not Found:"_s + m_document.PicturePath());
        return false;
    }
    if (e.number == ErrorNumber::FileNotFound) {
        // A missing file is forgotten silently, so the next start falls back to the default.
        const bool mapStage = stage == static_cast<int>(Stage::Map);
        m_settings.WriteSetting(SettingsKeys::Section,
            mapStage ? SettingsKeys::CoordFile : SettingsKeys::BGPicture, QString());
        return mapStage;
    }
    m_prompts.message(u"Init_App_ERR: "_s + QString::number(e.number) + u' ' + e.description);
    return false;
}

void AppShell::AskToSave()
{
    // Asked again after a save that failed to write, so only Cancel drops the edits. Writing to
    // the same place again would most likely fail again: from then on OK lets the user choose
    // another file.
    bool writeFailed = false;
    while (!m_document.IsSaved()) {
        const Prompts::Button answer = m_prompts.message(u"Do you want to save your changes?"_s,
            Prompts::Buttons::OkCancel, Prompts::Icon::None, u"Save?"_s);
        if (answer != Prompts::Button::Ok)
            return;
        const FileCommands::SaveOutcome outcome =
            writeFailed ? m_files.mnuSaveAs_Click() : m_files.mnuSave_Click();
        if (outcome != FileCommands::SaveOutcome::Failed)
            return;
        writeFailed = true;
    }
}

void AppShell::ClearMap()
{
    AskToSave();
    m_control.setPicture(QImage());
    m_settings.WriteSetting(SettingsKeys::Section, SettingsKeys::BGPicture, QString());
    m_document.setShownPicturePath(QString());
    m_view.setHotSpotFileText(QString());
    m_document.setCoordFilePath(QString());
    // The count stays: new hot spots go after the erased slots.
    m_document.replaceMap(
        [](HotSpotTable &table) { table.EraseHotSpots(); }, MapDocument::Replaced::FromFile);
    m_control.setCoordsFile(QString());
    m_control.setCoordsString(QString());
    m_view.repaintWindow();

    const QString blankMap = blankMapPath();
    QDir().mkpath(QFileInfo(blankMap).absolutePath());
    const bool written = WriteCoordFile(blankMap, m_document.table(), m_prompts, m_settings);
    try {
        m_control.setCoordsFile(blankMap);
    } catch (const AppError &) {
        // The writer has already reported why the file is not there; the clear completes.
        if (written)
            throw;
    }
    m_document.setIsSaved(true);
}

void AppShell::Form_Terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    AskToSave();
    m_settings.WriteSetting(
        SettingsKeys::Section, SettingsKeys::CoordFile, m_document.CoordFilePath());
    if (m_recovery)
        m_recovery->end();
}
