#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>

class EditorView;
class HotSpotTable;
class ImageMapControl;
class Prompts;
class SettingsStore;

/// Load, Save and Save As of map files. Holds the current map file path.
class FileCommands
{
public:
    enum class SaveOutcome {
        Written, ///< the map file was written
        Failed, ///< the writer could not write it (and said so)
        Cancelled ///< Save As was cancelled: nothing was tried
    };

    FileCommands(HotSpotTable &table, Prompts &prompts, SettingsStore &settings, EditorView &view,
        ImageMapControl &control);

    /// The unsaved-changes guard that Load runs first; set by the application shell.
    void setAskToSave(std::function<void()> askToSave) { m_askToSave = std::move(askToSave); }
    /// Told after a save wrote the map file from the table.
    void setMapSaved(std::function<void()> mapSaved) { m_mapSaved = std::move(mapSaved); }
    /// Told when Load empties the table to read another map into it.
    void setMapReplaced(std::function<void()> mapReplaced)
    {
        m_mapReplaced = std::move(mapReplaced);
    }

    /// The current map file; empty when there is none.
    QString CoordFilePath;

    /// Notes what \a path holds now as the contents this program last read or wrote there, so
    /// that Save can tell when another program has changed the file since.
    void rememberDiskContents(const QString &path);

    void mnuLoad_Click();
    SaveOutcome mnuSave_Click();
    SaveOutcome mnuSaveAs_Click();

private:
    /// Whether \a path holds something other than what this program last read or wrote there.
    /// A file never read, or gone, has nothing to lose.
    bool changedOnDisk(const QString &path) const;
    /// Asks before Save writes over another program's changes; false sends Save to Save As.
    bool mayReplace(const QString &path);
    SaveOutcome saved(bool written);

    HotSpotTable &m_table;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    EditorView &m_view;
    ImageMapControl &m_control;
    std::function<void()> m_askToSave;
    QHash<QString, QByteArray> m_diskDigests; // by absolute path
    std::function<void()> m_mapSaved;
    std::function<void()> m_mapReplaced;
};
