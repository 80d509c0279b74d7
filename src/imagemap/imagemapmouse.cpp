#include "imagemap/imagemap.h"

#include "imagemap/widgetregions.h"
#include "platform/mousekeycodes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

// The mouse on the control: every press reported down and up exactly once, also when a handler
// opened a modal box in between; handle drags; the wheel and the middle-button drag.

using namespace MouseKeyCodes;
using namespace WidgetRegions;

namespace {

// How far one line of the wheel scrolls, in screen pixels: the scroll bars' step.
constexpr int wheelLine = 20;
// One notch of a common mouse wheel.
constexpr int wheelNotch = QWheelEvent::DefaultDeltasPerStep;

int buttonSlot(Qt::MouseButton button)
{
    return button == Qt::LeftButton ? 0 : button == Qt::RightButton ? 1 : 2;
}

Qt::MouseButton slotButton(int slot)
{
    static const Qt::MouseButton buttons[] = { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton };
    return buttons[slot];
}

} // namespace

void ImageMap::mousePressEvent(QMouseEvent *event)
{
    const int button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        // The middle button drags the picture and is no click of the control's.
        m_panning = true;
        m_panFrom = event->globalPosition();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (handlePress(event))
        return;
    const int slot = buttonSlot(event->button());
    // A press whose release never came (it went to a box opened meanwhile) ends now.
    if (m_presses[slot].active)
        finishPress(slot, m_presses[slot].pos, m_presses[slot].shift);

    const QPointF pos = event->position();
    const int shift = shiftCode(event->modifiers());
    const int index = hotSpotIndexAt(widgetToPicture(pos));
    Press &press = m_presses[slot];
    press = Press { true, true, false, shift, pos, 0, {}, index >= 0,
        index >= 0 ? m_spots[index].name : QString() };
    const float x = twipsX(pos), y = twipsY(pos);
    emit MouseDown(button, shift, x, y);
    if (press.onHotSpot)
        emit HotSpotMouseDown(press.name, button, shift, x, y);
    press.inDownEvents = false;
    if (!press.active)
        return;
    if (press.released) {
        finishPress(slot, press.releasePos, press.releaseShift);
    } else if (!(QGuiApplication::mouseButtons() & event->button())) {
        // A handler opened a modal box and the box took the release: report it here, once.
        finishPress(slot, pos, shift);
    }
}

void ImageMap::mouseReleaseEvent(QMouseEvent *event)
{
    if (buttonCode(event->button()) == 0) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        if (std::exchange(m_panning, false))
            unsetCursor();
        return;
    }
    if (handleRelease(event))
        return;
    const int slot = buttonSlot(event->button());
    Press &press = m_presses[slot];
    if (!press.active)
        return; // already reported when its press was handled
    const int shift = shiftCode(event->modifiers());
    if (press.inDownEvents) {
        press.released = true;
        press.releasePos = event->position();
        press.releaseShift = shift;
        return;
    }
    finishPress(slot, event->position(), shift);
}

void ImageMap::finishPress(int slot, const QPointF &pos, int shift)
{
    const Press press = std::exchange(m_presses[slot], Press {});
    const int button = buttonCode(slotButton(slot));
    const float x = twipsX(pos), y = twipsY(pos);
    emit MouseUp(button, shift, x, y);
    if (press.onHotSpot)
        emit HotSpotMouseUp(press.name, button, shift, x, y);
    else if (press.doubleClick && m_handles.isEmpty())
        emit pictureDoubleClicked(picturePixelAt(pos), shift);
}

void ImageMap::setCornerHandles(const QList<QPolygonF> &polygons)
{
    if (polygons.isEmpty() && m_handles.isEmpty())
        return;
    m_handles.setPolygons(polygons);
    unsetCursor();
    update();
}

bool ImageMap::cancelCornerDrag()
{
    if (!m_handles.drag())
        return false;
    update(m_handles.endDrag(m_zoom));
    return true;
}

bool ImageMap::handlePress(QMouseEvent *event)
{
    if (m_handles.isEmpty())
        return false;
    const QPointF pos = event->position();
    if (const std::optional<CornerHandles::Hit> hit = m_handles.cornerAt(pos, m_zoom)) {
        if (event->button() == Qt::LeftButton) {
            m_handles.beginDrag(*hit);
        } else if (event->button() == Qt::RightButton) {
            emit cornerRemoved(hit->polygon, hit->index);
        }
    }
    return true;
}

bool ImageMap::handleMove(QMouseEvent *event)
{
    if (m_handles.isEmpty())
        return false;
    const QPointF pos = event->position();
    if (m_handles.drag()) {
        // Corners go to whole picture pixels, as clicks report them.
        update(m_handles.dragTo(picturePixelAt(pos), m_zoom));
    } else if (m_handles.cornerAt(pos, m_zoom)) {
        setCursor(Qt::SizeAllCursor);
    } else {
        unsetCursor();
    }
    return true;
}

bool ImageMap::handleRelease(QMouseEvent *event)
{
    if (m_handles.isEmpty())
        return false;
    if (event->button() == Qt::LeftButton && m_handles.drag()) {
        const CornerHandles::Hit corner = *m_handles.drag();
        const QPoint pixel = picturePixelAt(event->position());
        // The corner goes back until the editor hands over the new polygons.
        update(m_handles.endDrag(m_zoom));
        if (m_handles.polygons()[corner.polygon][corner.index] != QPointF(pixel))
            emit cornerMoved(corner.polygon, corner.index, pixel);
    }
    return true;
}

void ImageMap::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_handles.isEmpty()) {
        // The second press is a press like the first; its release also tells of the double-click.
        mousePressEvent(event);
        Press &press = m_presses[buttonSlot(event->button())];
        if (press.active && event->button() == Qt::LeftButton)
            press.doubleClick = true;
        return;
    }
    // The second press of a double-click on a handle, or with another button, is a press.
    const QPointF pos = event->position();
    if (event->button() != Qt::LeftButton || m_handles.cornerAt(pos, m_zoom)) {
        mousePressEvent(event);
        return;
    }
    if (const std::optional<CornerHandles::Hit> edge = m_handles.edgeAt(pos, m_zoom))
        emit cornerInserted(edge->polygon, edge->index, picturePixelAt(pos));
}

void ImageMap::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panning && !(event->buttons() & Qt::MiddleButton)) {
        // The release went elsewhere (to a box, or another window).
        m_panning = false;
        unsetCursor();
    }
    if (m_panning) {
        // The picture follows the mouse; the control moves under it, so screen positions count.
        const QPointF moved = event->globalPosition() - m_panFrom;
        const QPoint step = moved.toPoint();
        if (!step.isNull()) {
            m_panFrom += step;
            emit scrollRequested(-step);
        }
        return;
    }
    const QPointF pos = event->position();
    handleMove(event);
    trackMouse(pos, true);
    emit MouseMove(
        buttonsCode(event->buttons()), shiftCode(event->modifiers()), twipsX(pos), twipsY(pos));
}

void ImageMap::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        // Wheels with finer steps than a notch add up to one.
        m_wheelZoom += event->angleDelta();
        const int steps = m_wheelZoom.y() / wheelNotch;
        if (steps != 0) {
            m_wheelZoom.ry() -= steps * wheelNotch;
            emit zoomRequested(steps, event->position());
        }
        return;
    }
    QPoint pixels = event->pixelDelta();
    if (pixels.isNull())
        pixels = event->angleDelta() * QApplication::wheelScrollLines() * wheelLine / wheelNotch;
    if ((event->modifiers() & Qt::ShiftModifier) && pixels.x() == 0)
        pixels = QPoint(pixels.y(), 0);
    if (!pixels.isNull())
        emit scrollRequested(-pixels);
}

void ImageMap::leaveEvent(QEvent *event)
{
    trackMouse(m_mouse, false);
    QWidget::leaveEvent(event);
}

void ImageMap::trackMouse(const QPointF &pos, bool inside)
{
    if (!m_corners.isEmpty())
        updateRubberLine();
    m_mouse = pos;
    m_mouseInside = inside;
    if (!m_corners.isEmpty())
        updateRubberLine();
    setHover(inside ? hotSpotIndexAt(widgetToPicture(pos)) : -1);
}

void ImageMap::updateRubberLine()
{
    if (m_mouseInside)
        update(lineRegion(pictureToWidget(m_corners.last()), m_mouse));
}

void ImageMap::setHover(int index)
{
    if (index == m_hover)
        return;
    updateHotSpot(m_hover);
    m_hover = index;
    updateHotSpot(m_hover);
}

void ImageMap::updateHotSpot(int index)
{
    if (index < 0)
        return;
    const HotSpotShape &shape = m_spots[index].shape;
    if (shape.kind() == MapArea::Shape::Default)
        update();
    else
        update(widgetBounds(shape.bounds(), 3) & rect());
}
