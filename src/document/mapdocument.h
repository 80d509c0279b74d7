#pragma once

#include "model/hotspottable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <utility>

/// The map being edited, and the one place it changes: the hot-spot table, its undo history,
/// the map file and picture paths, the unsaved-changes flag and what the map file held when it
/// was last read or written. Views follow its signals; no command refreshes one by hand.
class MapDocument : public QObject
{
    Q_OBJECT

public:
    using AddResult = HotSpotTable::AddResult;

    /// How a replaced map stands against its file.
    enum class Replaced {
        FromFile, ///< read from its file (Load, start-up) or empty (Clear): nothing to save
        Unsaved ///< no file holds it (recovered changes, an imported page)
    };

    explicit MapDocument(QObject *parent = nullptr);
    ~MapDocument() override;

    const HotSpotTable &table() const { return m_table; }
    QUndoStack &undoStack() { return m_stack; }
    const QUndoStack &undoStack() const { return m_stack; }

    const QString &CoordFilePath() const { return m_coordFilePath; }
    void setCoordFilePath(const QString &path);
    const QString &PicturePath() const { return m_picturePath; }
    void setPicturePath(const QString &path);
    /// The file the picture on screen came from (start-up, the picture command, an import);
    /// empty when none shows.
    const QString &shownPicturePath() const { return m_shownPicturePath; }
    void setShownPicturePath(const QString &path) { m_shownPicturePath = path; }

    /// The main window's flag of unsaved changes, as the guard asks it.
    bool IsSaved() const { return m_isSaved; }
    void setIsSaved(bool saved);
    /// Whether the hot spots differ from the step last saved (or from the map as read).
    bool isModified() const { return !m_stack.isClean(); }

    /// Each change below that alters the table is one undo step whose redo() makes it.
    AddResult addHotSpot(const QString &coords, const QString &name);
    /// Appends every (coords, name) pair as one undo step "Add N Sites". Refused as a whole when
    /// the table's free slots are fewer, or a name is empty, in use or given twice.
    AddResult addHotSpots(const QList<std::pair<QString, QString>> &coordsAndNames);
    /// Slots still free for appended hot spots.
    int freeSlots() const { return HotSpotTable::Capacity - m_table.usedSlots(); }
    /// Refused when the name is in use; the map text is rebuilt either way.
    bool renameHotSpot(int slot, const QString &newName);
    /// \a what names the step ("Change Coordinates of", ...); the hot spot's name follows it.
    void setCoords(int slot, const QString &coords, const QString &what);
    void clearHotSpot(int slot);
    /// Rebuilds the map text from the slots; the views follow it.
    void RefreshImageMap();
    /// Undo and redo set IsSaved to whether the map is back at its saved step.
    void undo();
    void redo();

    /// Replaces the whole map in one go: \a fill gets the table (the reader, the recovery copy
    /// and the import fill it their own way). The history goes, also when \a fill throws.
    void replaceMap(const std::function<void(HotSpotTable &)> &fill, Replaced how);
    /// Start-up: no slots in use; the slots' contents stay.
    void resetCount();

    /// The map file now holds the hot spots: IsSaved, and this step is the saved one.
    void markSaved();

    /// Notes what \a path holds now, so that a later save can tell another program's changes.
    void rememberDiskContents(const QString &path);
    /// Whether \a path holds something other than what this program last read or wrote there.
    /// A file never read, or gone, has nothing to lose.
    bool changedOnDisk(const QString &path) const;

    /// "Undo Delete Lot 7" for \a verb "Undo" and a step's text, shown literally in a menu.
    static QString menuCaption(const QString &verb, const QString &stepText);

signals:
    /// The hot spots changed: an edit, an undo or redo, or a whole new map.
    void hotSpotsChanged();
    /// A different map replaced the one before (after hotSpotsChanged).
    void mapReplaced();
    void isSavedChanged(bool saved);
    /// Whether the hot spots differ from their saved step.
    void modifiedChanged(bool modified);
    void coordFilePathChanged(const QString &path);

private:
    friend class HotSpotCommand;
    friend class AddHotSpotsCommand;
    HotSpotTable &tableForCommands() { return m_table; }
    void emitChanged() { emit hotSpotsChanged(); }

    HotSpotTable m_table;
    QUndoStack m_stack;
    QString m_coordFilePath;
    QString m_picturePath;
    QString m_shownPicturePath;
    bool m_isSaved = true;
    QHash<QString, QByteArray> m_diskDigests; // by absolute path
};
