#pragma once

#include "platform/twips.h"

#include <QList>
#include <QPointF>
#include <QPolygon>
#include <QString>

class EditorView;
class ImageMapControl;

/// Turns Shift+left clicks into the coordinate list of the polygon under construction, and
/// shows the captured corners and the mouse position in the window's read-outs.
class CornerCapture
{
public:
    /// twipsX/twipsY: twips per pixel of the screen (15 at 96 DPI).
    CornerCapture(EditorView &view, ImageMapControl &control, double twipsX, double twipsY);

    QString NewCoords;
    qint16 CornerCount = 0;
    bool Drawing = false;
    qint32 ReadoutIndex = 0;

    /// The most corners a polygon holds; Shift corners past it are ignored.
    static constexpr qint16 MaxCorners = 32767;

    /// MouseDown: a Shift+left press appends a corner. X and Y in twips.
    void CaptureCorner(int button, int shift, float x, float y);
    /// MouseUp: a left release without Shift alone closes a polygon that has corners.
    void CaptureLastCorner(int button, int shift, float x, float y);
    /// MouseMove: the live read-out in Mouse_Pos.
    void showMousePosition(float x, float y);
    /// Back to idle: no corners, no polygon, ReadoutIndex 0, POS(0) to POS(11) emptied.
    void reset();
    /// Escape abandons the polygon under construction; Backspace takes back its last corner
    /// and that corner's read-out. Both only while corners are captured; returns whether the
    /// key was used.
    bool keyPressed(int key);
    void removeLastCorner();
    /// Captures \a corners (picture pixels) as the Shift+clicks and the closing click of a
    /// polygon outlined by hand would, read-outs included.
    void takeOutline(const QPolygon &corners);

    /// "X:120 Y:45" for a pixel position.
    static QString readout(float x, float y);
    /// A single-precision number as text: at most 7 significant digits, no decimal point for a
    /// whole number, no leading blank.
    static QString formatSingle(float value);

private:
    QPointF toPixels(float x, float y) const;
    void showCorners();
    void showReadouts();

    EditorView &m_view;
    ImageMapControl &m_control;
    TwipsConverter m_twips;
    QList<QPointF> m_corners;
};
