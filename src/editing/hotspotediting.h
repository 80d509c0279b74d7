#pragma once

#include <QString>

class CornerCapture;
class EditHistory;
class EditorView;
class HotSpotTable;
class ImageMapControl;
class Prompts;

/// The handlers of the display control's mouse events: corner capture, naming a closed polygon,
/// and renaming, re-coordinating and deleting existing hot spots.
class HotSpotEditing
{
public:
    /// Every change to the table goes through \a history, so that it can be undone.
    HotSpotEditing(HotSpotTable &table, EditHistory &history, CornerCapture &capture,
        Prompts &prompts, EditorView &view, ImageMapControl &control);

    void ImageMap1_MouseDown(int button, int shift, float x, float y);
    /// CaptureLastCorner, then MakeHotSpot.
    void ImageMap1_MouseUp(int button, int shift, float x, float y);
    void ImageMap1_MouseMove(int button, int shift, float x, float y);
    /// Left click renames, Ctrl+left click edits the coordinates.
    void ImageMap1_HotSpotMouseDown(const QString &name, int button, int shift, float x, float y);
    /// Right click deletes, after a confirmation.
    void ImageMap1_HotSpotMouseUp(const QString &name, int button, int shift, float x, float y);

    /// Asks for the name of a closed polygon and adds it to the table.
    void MakeHotSpot(int button, int shift, float x, float y);
    /// Rebuilds the map text and hands it to the control.
    void RefreshImageMap();

private:
    int findShownHotSpot(const QString &name) const;
    QString askName(const QString &prompt, const QString &title);
    void finishHotSpot();
    void renameHotSpot(const QString &name);
    void modifyCoordinates(const QString &name);

    HotSpotTable &m_table;
    EditHistory &m_history;
    CornerCapture &m_capture;
    Prompts &m_prompts;
    EditorView &m_view;
    ImageMapControl &m_control;
};
