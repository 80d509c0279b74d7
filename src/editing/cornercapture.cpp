#include "editing/cornercapture.h"

#include "imagemap/imagemapcontrol.h"
#include "model/editorview.h"
#include "platform/mousekeycodes.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace MouseKeyCodes;

namespace {
constexpr int LastReadout = EditorView::PosCount - 1;
} // namespace

CornerCapture::CornerCapture(
    EditorView &view, ImageMapControl &control, double twipsX, double twipsY)
    : m_view(view)
    , m_control(control)
    , m_twips(twipsX, twipsY)
{
}

QPointF CornerCapture::toPixels(float x, float y) const
{
    return m_twips.toPixels(x, y);
}

void CornerCapture::showCorners()
{
    m_control.setConstructionCorners(m_corners);
}

void CornerCapture::CaptureCorner(int button, int shift, float x, float y)
{
    const QPointF pixel = toPixels(x, y);
    if (button != LeftButton || shift != ShiftKey)
        return;
    if (CornerCount >= MaxCorners)
        return;
    ++CornerCount;
    const float px = float(pixel.x());
    const float py = float(pixel.y());
    NewCoords += formatSingle(px) + u',' + formatSingle(py) + u',';
    m_view.setPosText(ReadoutIndex, readout(px, py));
    if (ReadoutIndex < LastReadout)
        ++ReadoutIndex;
    m_corners.append(pixel);
    showCorners();
}

void CornerCapture::CaptureLastCorner(int button, int shift, float x, float y)
{
    const QPointF pixel = toPixels(x, y);
    if (button != LeftButton || shift == ShiftKey)
        return;
    if (CornerCount < 1)
        return;
    if (CornerCount < MaxCorners) {
        ++CornerCount;
        NewCoords += formatSingle(float(pixel.x())) + u',' + formatSingle(float(pixel.y()));
        m_corners.append(pixel);
    } else {
        // A full polygon still closes; the closing click's corner is dropped like the ignored
        // Shift corners, so the list must lose its trailing comma.
        if (NewCoords.endsWith(u','))
            NewCoords.chop(1);
    }
    Drawing = true;
    showCorners();
}

void CornerCapture::takeOutline(const QPolygon &corners)
{
    if (corners.isEmpty())
        return;
    for (qsizetype i = 0; i + 1 < corners.size(); ++i) {
        const QPointF at = m_twips.toTwips(QPointF(corners[i]));
        CaptureCorner(LeftButton, ShiftKey, float(at.x()), float(at.y()));
    }
    const QPointF last = m_twips.toTwips(QPointF(corners.last()));
    CaptureLastCorner(LeftButton, NoKey, float(last.x()), float(last.y()));
}

void CornerCapture::showMousePosition(float x, float y)
{
    const QPointF pixel = toPixels(x, y);
    m_view.setMousePosText(readout(float(pixel.x()), float(pixel.y())));
}

void CornerCapture::reset()
{
    NewCoords.clear();
    CornerCount = 0;
    Drawing = false;
    ReadoutIndex = 0;
    for (int index = 0; index < EditorView::PosCount; ++index)
        m_view.setPosText(index, QString());
    m_corners.clear();
    showCorners();
}

bool CornerCapture::keyPressed(int key)
{
    // While a closed polygon waits for its name the keys belong to the name box.
    if (CornerCount < 1 || Drawing)
        return false;
    switch (key) {
    case Qt::Key_Escape:
        reset();
        return true;
    case Qt::Key_Backspace:
        removeLastCorner();
        return true;
    default:
        return false;
    }
}

void CornerCapture::removeLastCorner()
{
    if (CornerCount < 1 || Drawing)
        return;
    // Drops "x,y," from the end of the list.
    NewCoords.chop(1);
    const qsizetype beforeY = NewCoords.lastIndexOf(u',');
    const qsizetype beforeX = beforeY > 0 ? NewCoords.lastIndexOf(u',', beforeY - 1) : -1;
    NewCoords.truncate(beforeX + 1);
    --CornerCount;
    m_corners.removeLast();
    showReadouts();
    showCorners();
}

// The read-outs as the remaining corners left them: one box each up to POS(10), and the last
// corner in POS(11) once there are twelve or more.
void CornerCapture::showReadouts()
{
    const qsizetype count = m_corners.size();
    for (int index = 0; index < EditorView::PosCount; ++index) {
        const qsizetype corner = index < LastReadout ? index : count - 1;
        const bool shown = index < LastReadout ? corner < count : count > LastReadout;
        m_view.setPosText(index,
            shown ? readout(float(m_corners[corner].x()), float(m_corners[corner].y()))
                  : QString());
    }
    ReadoutIndex = qint32(std::min<qsizetype>(count, LastReadout));
}

QString CornerCapture::readout(float x, float y)
{
    return u"X:"_s + formatSingle(x) + u" Y:"_s + formatSingle(y);
}

QString CornerCapture::formatSingle(float value)
{
    // Negative zero would read "-0".
    if (value == 0.0f)
        return u"0"_s;
    // Seven significant digits: plain decimals from 0.0001 up to 9999999, as positions are.
    return QString::number(double(value), 'g', 7);
}
