#pragma once

#include <QString>

#include <functional>

class EditorView;
class MapDocument;
class Prompts;
class SettingsStore;

/// Load, Save and Save As of the document's map file.
class FileCommands
{
public:
    enum class SaveOutcome {
        Written, ///< the map file was written
        Failed, ///< the writer could not write it (and said so)
        Cancelled ///< Save As was cancelled: nothing was tried
    };

    FileCommands(
        MapDocument &document, Prompts &prompts, SettingsStore &settings, EditorView &view);

    /// The unsaved-changes guard that Load runs first; set by the application shell.
    void setAskToSave(std::function<void()> askToSave) { m_askToSave = std::move(askToSave); }

    void mnuLoad_Click();
    SaveOutcome mnuSave_Click();
    SaveOutcome mnuSaveAs_Click();

private:
    /// Asks before Save writes over another program's changes; false sends Save to Save As.
    bool mayReplace(const QString &path);
    SaveOutcome saved(bool written);

    MapDocument &m_document;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    EditorView &m_view;
    std::function<void()> m_askToSave;
};
