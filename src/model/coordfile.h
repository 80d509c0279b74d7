#pragma once

#include <QString>

class EditorView;
class HotSpotTable;
class Prompts;
class SettingsStore;

/// Reads a map file into the table and MapText, reporting every failure itself. A missing file
/// in an existing folder is created empty and read; an error while creating it is thrown.
void ReadCoordFile(const QString &path, HotSpotTable &table, Prompts &prompts,
    SettingsStore &settings, EditorView &view);

/// Takes the next slot for one map line and fills it from the line's first two quoted values.
void ParseCoordFileLine(const QString &line, HotSpotTable &table, Prompts &prompts);

/// Shows the first few unreadable lines of one read, one box each, and counts the rest, so a
/// file that is not a map cannot bury the user in boxes.
class UnreadableLines
{
public:
    static constexpr int Shown = 5;

    explicit UnreadableLines(Prompts &prompts)
        : m_prompts(prompts)
    {
    }

    void report(const QString &message);
    /// One box for the lines counted but not shown, if any.
    void finish(const QString &path);

private:
    Prompts &m_prompts;
    int m_seen = 0;
};

/// As above, reporting through \a unreadable.
void ParseCoordFileLine(const QString &line, HotSpotTable &table, UnreadableLines &unreadable);

/// Writes the table as a map file, replacing the file only when all of it is written, and
/// stores the slot count. Reports failures itself; returns whether the file was written.
bool WriteCoordFile(
    const QString &path, const HotSpotTable &table, Prompts &prompts, SettingsStore &settings);
