#include "imagemap/imagemap.h"

#include "platform/mousekeycodes.h"
#include "platform/screenmetrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace MouseKeyCodes;

namespace {

const QColor defaultOutline(0x00, 0xff, 0x00);
const QColor constructionColor(0xff, 0x20, 0x20);
const QColor background(0x80, 0x80, 0x80);

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

QRect inflated(const QRectF &r, int margin)
{
    const auto clampInt = [](double v) { return int(std::clamp(v, -1.0e6, 1.0e6)); };
    return QRect(QPoint(clampInt(std::floor(r.left())), clampInt(std::floor(r.top()))),
        QPoint(clampInt(std::ceil(r.right())), clampInt(std::ceil(r.bottom()))))
        .adjusted(-margin, -margin, margin, margin);
}

// Thin rectangles along a line, so that moving a long rubber line repaints little.
QRegion lineRegion(QPointF a, QPointF b)
{
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    const int pieces = std::clamp(int(length / 24) + 1, 1, 32);
    QRegion region;
    for (int k = 0; k < pieces; ++k) {
        const QPointF p = a + (b - a) * (double(k) / pieces);
        const QPointF q = a + (b - a) * (double(k + 1) / pieces);
        region += inflated(QRectF(p, q).normalized(), 2);
    }
    return region;
}

} // namespace

ImageMap::ImageMap(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_scaled, &ScaledPicture::copyReady, this, qOverload<>(&QWidget::update));
    updateSize();
}

void ImageMap::setInitFlag(bool flag)
{
    m_initFlag = flag;
}

void ImageMap::setInitValue(qint32 value)
{
    m_initValue = value;
}

void ImageMap::setCoordsFile(const QString &path)
{
    if (path.isEmpty()) {
        showAreas({});
        return;
    }
    showAreas(AreaParser::parseAreas(coordsFileText(path)));
}

void ImageMap::setCoordsString(const QString &mapText)
{
    showAreas(AreaParser::parseAreas(mapText));
}

void ImageMap::showAreas(const QList<MapArea> &areas)
{
    QList<HotSpot> spots;
    spots.reserve(areas.size());
    QString lastColorText;
    QColor lastColor = defaultOutline;
    for (const MapArea &area : areas) {
        std::optional<HotSpotShape> shape = HotSpotShape::fromArea(area);
        if (!shape)
            continue;
        if (area.color != lastColorText) {
            lastColorText = area.color;
            const QColor parsed = QColor::fromString(area.color);
            lastColor = parsed.isValid() ? parsed : defaultOutline;
        }
        // Names go back to the editor as it wrote them, so it finds them in its table.
        spots.append({ std::move(*shape), area.idAsWritten, lastColor });
    }
    m_spots = std::move(spots);
    m_hover = m_mouseInside ? hotSpotIndexAt(widgetToPicture(m_mouse)) : -1;
    update();
    emit areasChanged();
}

void ImageMap::setPicture(const QImage &picture)
{
    // Blitting is fastest from the formats the backing store uses.
    if (picture.isNull() || picture.format() == QImage::Format_RGB32
        || picture.format() == QImage::Format_ARGB32_Premultiplied)
        m_picture = picture;
    else
        m_picture = picture.convertToFormat(
            picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    m_scaled.setPicture(m_picture);
    if (m_zoom < 1)
        m_scaled.prepare();
    updateSize();
    update();
}

void ImageMap::setLeft(float left)
{
    move(int(std::lround(left)), y());
}

void ImageMap::setTop(float top)
{
    move(x(), int(std::lround(top)));
}

void ImageMap::setConstructionCorners(const QList<QPointF> &corners)
{
    QRegion dirty;
    const auto addOutline = [&] {
        for (qsizetype k = 0; k < m_corners.size(); ++k) {
            const QPointF corner = pictureToWidget(m_corners[k]);
            const QPointF next = k + 1 < m_corners.size() ? pictureToWidget(m_corners[k + 1])
                : m_mouseInside                           ? m_mouse
                                                          : corner;
            dirty += lineRegion(corner, next).united(inflated(QRectF(corner, corner), 4));
        }
    };
    addOutline();
    m_corners = corners;
    addOutline();
    update(dirty);
}

void ImageMap::setZoom(double zoom)
{
    if (zoom == m_zoom || !(zoom > 0))
        return;
    m_zoom = zoom;
    if (m_zoom < 1)
        m_scaled.prepare();
    updateSize();
    // The mouse now points at another part of the picture.
    m_hover = m_mouseInside ? hotSpotIndexAt(widgetToPicture(m_mouse)) : -1;
    update();
}

QPointF ImageMap::widgetToPicture(const QPointF &widgetPoint) const
{
    return m_zoom == 1 ? widgetPoint : widgetPoint / m_zoom;
}

QPointF ImageMap::pictureToWidget(const QPointF &picturePoint) const
{
    return m_zoom == 1 ? picturePoint : picturePoint * m_zoom;
}

QPoint ImageMap::picturePixelAt(const QPointF &widgetPoint) const
{
    const QPointF p = widgetToPicture(widgetPoint);
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

QRect ImageMap::widgetBounds(const QRectF &pictureRect, int margin) const
{
    return inflated(
        QRectF(pictureToWidget(pictureRect.topLeft()), pictureToWidget(pictureRect.bottomRight())),
        margin);
}

QSize ImageMap::sizeHint() const
{
    const QSize zoomed(
        int(std::ceil(m_picture.width() * m_zoom)), int(std::ceil(m_picture.height() * m_zoom)));
    return designSize().expandedTo(zoomed);
}

void ImageMap::updateSize()
{
    const QSize size = sizeHint();
    setMinimumSize(size);
    resize(size);
}

QString ImageMap::hotSpotAt(const QPointF &pixel) const
{
    const int index = hotSpotIndexAt(pixel);
    return index < 0 ? QString() : m_spots[index].name;
}

int ImageMap::hotSpotIndexAt(const QPointF &pixel) const
{
    const double slack = hitSlack();
    for (qsizetype k = 0; k < m_spots.size(); ++k) {
        if (m_spots[k].shape.hits(pixel, slack))
            return int(k);
    }
    return -1;
}

// Hot spots without area are drawn as a line or dot of one pixel; a click this close (3 screen
// pixels, in picture pixels) still reaches them.
double ImageMap::hitSlack() const
{
    return 3.0 / m_zoom;
}

// Events report the picture pixel under the mouse, in twips.
float ImageMap::twipsX(const QPointF &pos) const
{
    return screenTwips().toTwipsX(std::floor(widgetToPicture(pos).x()));
}

float ImageMap::twipsY(const QPointF &pos) const
{
    return screenTwips().toTwipsY(std::floor(widgetToPicture(pos).y()));
}

void ImageMap::paintPicture(QPainter &painter, const QRect &exposed)
{
    if (m_zoom == 1) {
        const QRect pictureRect = exposed & m_picture.rect();
        if (!pictureRect.isEmpty())
            painter.drawImage(pictureRect.topLeft(), m_picture, pictureRect);
        if (pictureRect != exposed) {
            for (const QRect &r : QRegion(exposed).subtracted(pictureRect))
                painter.fillRect(r, background);
        }
        return;
    }

    const QRectF shown(0, 0, m_picture.width() * m_zoom, m_picture.height() * m_zoom);
    const QRect covered = QRect(0, 0, int(shown.width()), int(shown.height())) & exposed;
    if (covered != exposed) {
        for (const QRect &r : QRegion(exposed).subtracted(covered))
            painter.fillRect(r, background);
    }
    const QRect target = exposed & shown.toAlignedRect();
    if (target.isEmpty())
        return;

    // Draw from the copy nearest the shown size, only the part that is exposed: a repaint
    // costs what the view shows, whatever the picture's size.
    const ScaledPicture::Level level = m_scaled.levelFor(m_zoom);
    const QImage &image = *level.image;
    const double toImageX = double(image.width()) / m_picture.width() / m_zoom;
    const double toImageY = double(image.height()) / m_picture.height() / m_zoom;
    const QRect source = QRectF(target.x() * toImageX, target.y() * toImageY,
                             target.width() * toImageX, target.height() * toImageY)
                             .toAlignedRect()
        & image.rect();
    const QRectF drawn(source.x() / toImageX, source.y() / toImageY, source.width() / toImageX,
        source.height() / toImageY);

    painter.save();
    painter.setClipRect(target);
    // Smooth when a copy is shrunk, whole sharp pixels when the picture is enlarged. Shrinking
    // more than twofold happens only until the copies are ready, and is done coarsely: smooth,
    // it would cost as much as the copies' sizes differ.
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
        (toImageX > 1 || toImageY > 1) && toImageX <= 2 + 1e-9 && toImageY <= 2 + 1e-9);
    if (std::abs(toImageX - 1) < 1e-9 && std::abs(toImageY - 1) < 1e-9)
        painter.drawImage(drawn.topLeft(), image, source);
    else
        painter.drawImage(drawn, image, source);
    painter.restore();
}

void ImageMap::setProposals(const QList<QPolygon> &outlines, int selected)
{
    m_proposals.set(outlines, selected);
    update();
}

void ImageMap::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    paintPicture(painter, exposed);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    QPen pen(defaultOutline, 0);
    pen.setCosmetic(true);
    painter.setPen(pen);
    // Outlines are drawn in picture pixels with pens one screen pixel wide.
    if (m_zoom != 1)
        painter.scale(m_zoom, m_zoom);
    const QRectF visible = QRectF(widgetToPicture(exposed.topLeft()),
        widgetToPicture(QPointF(exposed.right() + 1, exposed.bottom() + 1)))
                               .adjusted(-1, -1, 1, 1);
    const auto draw = [this, &painter](const HotSpot &spot) {
        if (spot.shape.isDot()) {
            const QPoint at = spot.shape.outline().constFirst();
            if (m_zoom == 1) {
                painter.fillRect(QRect(at - QPoint(1, 1), QSize(3, 3)), painter.pen().color());
            } else {
                // Three screen pixels at any zoom.
                const QPointF shown = painter.transform().map(QPointF(at));
                const QPoint corner(int(std::floor(shown.x())) - 1, int(std::floor(shown.y())) - 1);
                painter.save();
                painter.resetTransform();
                painter.fillRect(QRect(corner, QSize(3, 3)), painter.pen().color());
                painter.restore();
            }
            return;
        }
        switch (spot.shape.kind()) {
        case MapArea::Shape::Poly:
        case MapArea::Shape::Rect:
            painter.drawPolygon(spot.shape.outline());
            break;
        case MapArea::Shape::Circle:
            painter.drawEllipse(spot.shape.circleBox());
            break;
        case MapArea::Shape::Default:
            break;
        }
    };
    for (const HotSpot &spot : std::as_const(m_spots)) {
        // Widened, as the bounds of a line or dot have no area to intersect with.
        if (!spot.shape.bounds().adjusted(-2, -2, 2, 2).intersects(visible)
            && spot.shape.kind() != MapArea::Shape::Default)
            continue;
        if (spot.color != pen.color()) {
            pen.setColor(spot.color);
            painter.setPen(pen);
        }
        draw(spot);
    }

    if (m_hover >= 0) {
        const HotSpot &spot = m_spots[m_hover];
        QColor fill = spot.color;
        fill.setAlpha(64);
        QPen thick(spot.color, 3);
        thick.setCosmetic(true);
        painter.setPen(thick);
        painter.setBrush(fill);
        draw(spot);
        painter.setBrush(Qt::NoBrush);
    }

    if (!m_proposals.isEmpty())
        m_proposals.paint(painter, visible);
    if (!m_handles.isEmpty())
        m_handles.paint(painter, m_zoom);

    if (!m_corners.isEmpty()) {
        painter.resetTransform();
        QPen line(constructionColor, 0);
        line.setCosmetic(true);
        painter.setPen(line);
        QPolygonF path;
        for (const QPointF &c : std::as_const(m_corners))
            path.append(pictureToWidget(c));
        const qsizetype cornerCount = path.size();
        if (m_mouseInside)
            path.append(m_mouse);
        painter.drawPolyline(path);
        for (qsizetype k = 0; k < cornerCount; ++k)
            painter.fillRect(QRectF(path[k].x() - 2, path[k].y() - 2, 5, 5), constructionColor);
    }

    paintFlash(painter);
}

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

void ImageMap::flashHotSpot(const QString &name, int msec)
{
    if (!m_flashTimer) {
        m_flashTimer = new QTimer(this);
        m_flashTimer->setSingleShot(true);
        connect(m_flashTimer, &QTimer::timeout, this, [this] {
            m_flashName.clear();
            update();
        });
    }
    m_flashName = name;
    m_flashTimer->start(msec);
    update();
}

// A found hot spot stands out from every outline around it: a thick outline in a colour no
// map uses and a light fill.
void ImageMap::paintFlash(QPainter &painter)
{
    if (m_flashName.isNull())
        return;
    painter.resetTransform();
    painter.scale(m_zoom, m_zoom);
    const QColor flash(0xff, 0x00, 0xff);
    QPen pen(flash, 4);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(QColor(0xff, 0x00, 0xff, 70));
    for (const HotSpot &spot : std::as_const(m_spots)) {
        if (spot.name != m_flashName)
            continue;
        if (spot.shape.kind() == MapArea::Shape::Circle)
            painter.drawEllipse(spot.shape.circleBox());
        else if (spot.shape.kind() != MapArea::Shape::Default)
            painter.drawPolygon(spot.shape.outline());
    }
    painter.setBrush(Qt::NoBrush);
}
