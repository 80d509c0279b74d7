#pragma once

#include <QString>

/// What the editing and file procedures change in the main window: its text boxes. Plain
/// strings, so the procedures run without a window.
class EditorView
{
public:
    static constexpr int PosCount = 12;

    virtual ~EditorView() = default;

    /// txtHotSpotfile
    virtual void setHotSpotFileText(const QString &text) = 0;
    virtual QString hotSpotFileText() const = 0;
    /// POS(index), index 0 to 11
    virtual void setPosText(int index, const QString &text) = 0;
    virtual QString posText(int index) const = 0;
    /// Mouse_Pos
    virtual void setMousePosText(const QString &text) = 0;
    /// Coord_F
    virtual void setCoordFText(const QString &text) = 0;

    /// Repaints the window at once.
    virtual void repaintWindow() { }
};
