#pragma once

#include <memory>

class AppShell;
class CornerCapture;
class DetectSitesWindow;
class EditorView;
class FileCommands;
class FindHotSpotBox;
class HotSpotEditing;
class ImageMap;
class MapDocument;
class MoveCorners;
class PageImport;
class Prompts;
class Recovery;
class SettingsStore;
class SiteOutliner;
class SitesWindow;
class WebPageCommands;
class QWidget;

/// The editor's object graph, built in one place for the program and the tests alike: the
/// document, and everything that edits it or follows it, around one display control.
class Editor
{
public:
    /// \a window parents the tool windows (Sites, Find).
    Editor(Prompts &prompts, SettingsStore &settings, EditorView &view, ImageMap &control,
        QWidget *window);
    ~Editor();

    Prompts &prompts() { return m_prompts; }
    SettingsStore &settings() { return m_settings; }
    ImageMap &control() { return m_control; }
    MapDocument &document() { return *m_document; }
    CornerCapture &capture() { return *m_capture; }
    HotSpotEditing &editing() { return *m_editing; }
    MoveCorners &moveCorners() { return *m_moveCorners; }
    FileCommands &files() { return *m_files; }
    Recovery &recovery() { return *m_recovery; }
    AppShell &shell() { return *m_shell; }
    WebPageCommands &web() { return *m_web; }
    PageImport &pageImport() { return *m_import; }
    SitesWindow &sites() { return *m_sites; }
    FindHotSpotBox &find() { return *m_find; }
    SiteOutliner &outliner() { return *m_outliner; }
    DetectSitesWindow &detect() { return *m_detect; }

private:
    Prompts &m_prompts;
    SettingsStore &m_settings;
    ImageMap &m_control;
    std::unique_ptr<MapDocument> m_document;
    std::unique_ptr<CornerCapture> m_capture;
    std::unique_ptr<HotSpotEditing> m_editing;
    std::unique_ptr<MoveCorners> m_moveCorners;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<Recovery> m_recovery;
    std::unique_ptr<AppShell> m_shell;
    std::unique_ptr<WebPageCommands> m_web;
    std::unique_ptr<PageImport> m_import;
    std::unique_ptr<SitesWindow> m_sites;
    std::unique_ptr<FindHotSpotBox> m_find;
    std::unique_ptr<SiteOutliner> m_outliner;
    std::unique_ptr<DetectSitesWindow> m_detect;
};
