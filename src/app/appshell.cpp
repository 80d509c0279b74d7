#include "app/appshell.h"

#include "app/recovery.h"

#include "commands/filecommands.h"
#include "editing/cornercapture.h"
#include "editing/edithistory.h"
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

AppShell::AppShell(HotSpotTable &table, EditHistory &history, CornerCapture &capture,
    FileCommands &files, Prompts &prompts, SettingsStore &settings, EditorView &view,
    ImageMapControl &control)
    : m_table(table)
    , m_history(history)
    , m_capture(capture)
    , m_files(files)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
    , m_control(control)
{
    m_files.setAskToSave([this] { AskToSave(); });
    m_files.setMapSaved([this] { m_history.markSaved(); });
    m_files.setMapReplaced([this] { m_history.forget(); });
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
    m_view.setIsSaved(true);
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
        m_table.ResetCount();
        QString value = m_settings.ReadSetting(SettingsKeys::Section, SettingsKeys::CoordFile);
        if (value.isEmpty())
            value = defaultMapPath();
        m_files.CoordFilePath = value;
        try {
            m_control.setCoordsFile(value);
        } catch (const AppError &e) {
            // A missing map keeps its start-up rules. A map the control cannot read (a folder,
            // a file without read permission) is left to the reader, whose message names the
            // path; the picture is restored all the same.
            if (e.number == ErrorNumber::FileNotFound || e.number == ErrorNumber::PathNotFound)
                throw;
        }
        m_view.setHotSpotFileText(value);
        ReadCoordFile(m_files.CoordFilePath, m_table, m_prompts, m_settings, m_view);
        m_files.rememberDiskContents(m_files.CoordFilePath);
    });
    if (!goOn)
        return;

    stage = Stage::Picture;
    run([this] {
        PicturePath = startupPicturePath(m_settings);
        const BusyCursor busy;
        m_control.setLoadingPicture(
            m_preload ? m_preload->take(PicturePath) : LoadingPicture(LoadPicture(PicturePath)));
    });
}

bool AppShell::handleStartupError(const AppError &e, int stage)
{
    if (e.number == ErrorNumber::PathNotFound) {
        m_prompts.message(QString::number(e.number) + u" PICTURE not Found:"_s + PicturePath);
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
    while (!m_view.isSaved()) {
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
    m_view.setHotSpotFileText(QString());
    m_files.CoordFilePath.clear();
    // The count stays: new hot spots go after the erased slots.
    m_table.EraseHotSpots();
    m_history.forget();
    m_control.setCoordsFile(QString());
    m_control.setCoordsString(QString());
    m_view.repaintWindow();

    const QString blankMap = blankMapPath();
    QDir().mkpath(QFileInfo(blankMap).absolutePath());
    // The control raises 53 for a missing file; the writer has already reported the failure.
    if (WriteCoordFile(blankMap, m_table, m_prompts, m_settings))
        m_control.setCoordsFile(blankMap);
    m_view.setIsSaved(true);
}

void AppShell::Form_Terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    AskToSave();
    m_settings.WriteSetting(SettingsKeys::Section, SettingsKeys::CoordFile, m_files.CoordFilePath);
    if (m_recovery)
        m_recovery->end();
}
