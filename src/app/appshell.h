#pragma once

#include <QString>

class CornerCapture;
class EditorView;
class FileCommands;
class HotSpotTable;
class ImageMapControl;
class Prompts;
class SettingsStore;

/// Start-up, the unsaved-changes guard, Clear and the termination step: the window-independent
/// part of the application shell.
class AppShell
{
public:
    AppShell(HotSpotTable &table, CornerCapture &capture, FileCommands &files, Prompts &prompts,
             SettingsStore &settings, EditorView &view, ImageMapControl &control);

    /// Path of the background picture restored at start-up.
    QString PicturePath;

    void Form_Load();
    void Init_App();
    void AskToSave();
    void ClearMap();
    void mnuClear_Click() { ClearMap(); }
    /// Runs once per run, whether the program ends through Exit or the close box.
    void Form_Terminate();

    /// The defaults used when no setting is stored.
    static QString defaultMapPath();
    static QString defaultPicturePath();
    /// Where Clear writes the empty map.
    static QString blankMapPath();

private:
    HotSpotTable &m_table;
    CornerCapture &m_capture;
    FileCommands &m_files;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    EditorView &m_view;
    ImageMapControl &m_control;
    bool m_terminated = false;
};
