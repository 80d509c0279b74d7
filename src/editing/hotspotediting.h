#pragma once

#include <QString>

#include <functional>

class CornerCapture;
class EditorView;
class MapDocument;
class Prompts;

/// The handlers of the display control's mouse events: corner capture, naming a closed polygon,
/// and renaming, re-coordinating and deleting existing hot spots.
class HotSpotEditing
{
public:
    /// Every change to the map goes through \a document, so that it can be undone.
    HotSpotEditing(
        MapDocument &document, CornerCapture &capture, Prompts &prompts, EditorView &view);

    /// While \a resting answers true (another mode owns the mouse) clicks do nothing; a press
    /// made while resting, or one during which resting changed, ends without effect.
    void setResting(std::function<bool()> resting) { m_resting = std::move(resting); }

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
    /// MakeHotSpot with \a defaultName offered (selected) in the name box.
    void makeHotSpotNamed(const QString &defaultName);
    /// Rebuilds the map text; the views follow it.
    void RefreshImageMap();

private:
    bool resting() const { return m_resting && m_resting(); }
    int findShownHotSpot(const QString &name) const;
    QString askName(const QString &prompt, const QString &title, const QString &defaultText = {});
    void finishHotSpot();
    void renameHotSpot(const QString &name);
    void modifyCoordinates(const QString &name);

    MapDocument &m_document;
    CornerCapture &m_capture;
    Prompts &m_prompts;
    EditorView &m_view;
    std::function<bool()> m_resting;
    bool m_pressIgnored = false;
    QString m_defaultName;
};
