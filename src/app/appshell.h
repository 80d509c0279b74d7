#pragma once

#include <QString>

struct AppError;
class CornerCapture;
class EditorView;
class FileCommands;
class ImageMapControl;
class MapDocument;
class PicturePreload;
class Prompts;
class Recovery;
class SettingsStore;

/// Start-up, the unsaved-changes guard, Clear and the termination step: the window-independent
/// part of the application shell.
class AppShell
{
public:
    /// Also hands AskToSave to \a files as the guard that Load runs first.
    AppShell(MapDocument &document, CornerCapture &capture, FileCommands &files, Prompts &prompts,
        SettingsStore &settings, EditorView &view, ImageMapControl &control);

    /// The recovery copy that the termination step removes.
    void setRecovery(Recovery *recovery) { m_recovery = recovery; }

    /// Start-up takes its picture from \a preload, which decoded it ahead when it was started
    /// with the same path.
    void setPicturePreload(PicturePreload *preload) { m_preload = preload; }

    void Form_Load();
    void Init_App();
    /// Offers to save unsaved changes; asks again after a save that failed to write, and then
    /// OK opens Save As. Never stops its caller.
    void AskToSave();
    void ClearMap();
    void mnuClear_Click() { ClearMap(); }
    /// Runs once per run, whether the program ends through Exit or the close box. Whatever the
    /// guard's answer, the recovery copy goes.
    void Form_Terminate();

    /// The defaults used when no setting is stored.
    static QString defaultMapPath();
    static QString defaultPicturePath();
    /// The picture that start-up restores: the stored one, else the default.
    static QString startupPicturePath(SettingsStore &settings);
    /// Where Clear writes the empty map.
    static QString blankMapPath();

private:
    /// Reports or absorbs an error of start-up stage 1 (map) or 2 (picture); returns whether
    /// start-up goes on with the next stage.
    bool handleStartupError(const AppError &e, int stage);

    MapDocument &m_document;
    CornerCapture &m_capture;
    FileCommands &m_files;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    EditorView &m_view;
    ImageMapControl &m_control;
    PicturePreload *m_preload = nullptr;
    Recovery *m_recovery = nullptr;
    bool m_terminated = false;
};
