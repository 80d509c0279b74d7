#include "imagemap/imagemap.h"

#include "platform/screenmetrics.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QColor defaultOutline(0x00, 0xff, 0x00);
const QColor constructionColor(0xff, 0x20, 0x20);
const QColor background(0x80, 0x80, 0x80);

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int buttonSlot(Qt::MouseButton button)
{
    return button == Qt::LeftButton ? 0 : button == Qt::RightButton ? 1 : 2;
}

int buttonsCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
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
        spots.append({ std::move(*shape), area.id, lastColor });
    }
    m_spots = std::move(spots);
    m_hover = m_mouseInside ? hotSpotIndexAt(m_mouse) : -1;
    update();
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
            const QPointF next = k + 1 < m_corners.size() ? m_corners[k + 1]
                : m_mouseInside                           ? m_mouse
                                                          : m_corners[k];
            dirty += lineRegion(m_corners[k], next)
                         .united(inflated(QRectF(m_corners[k], m_corners[k]), 4));
        }
    };
    addOutline();
    m_corners = corners;
    addOutline();
    update(dirty);
}

QSize ImageMap::sizeHint() const
{
    return designSize().expandedTo(m_picture.size());
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
    for (qsizetype k = 0; k < m_spots.size(); ++k) {
        if (m_spots[k].shape.contains(pixel))
            return int(k);
    }
    return -1;
}

float ImageMap::twipsX(const QPointF &pos) const
{
    return float(pos.x() * twipsPerPixelX());
}

float ImageMap::twipsY(const QPointF &pos) const
{
    return float(pos.y() * twipsPerPixelY());
}

void ImageMap::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QRect pictureRect = exposed & m_picture.rect();
    if (!pictureRect.isEmpty())
        painter.drawImage(pictureRect.topLeft(), m_picture, pictureRect);
    if (pictureRect != exposed) {
        for (const QRect &r : QRegion(exposed).subtracted(pictureRect))
            painter.fillRect(r, background);
    }

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    QPen pen(defaultOutline, 0);
    pen.setCosmetic(true);
    painter.setPen(pen);
    const QRectF visible = QRectF(exposed).adjusted(-1, -1, 1, 1);
    const auto draw = [&painter](const HotSpot &spot) {
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
        if (!spot.shape.bounds().intersects(visible)
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

    if (!m_corners.isEmpty()) {
        QPen line(constructionColor, 0);
        line.setCosmetic(true);
        painter.setPen(line);
        QPolygonF path(m_corners);
        if (m_mouseInside)
            path.append(m_mouse);
        painter.drawPolyline(path);
        for (const QPointF &c : std::as_const(m_corners))
            painter.fillRect(QRectF(c.x() - 2, c.y() - 2, 5, 5), constructionColor);
    }
}

void ImageMap::mousePressEvent(QMouseEvent *event)
{
    const int button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    const int slot = buttonSlot(event->button());
    // A press whose release never came (it went to a box opened meanwhile) ends now.
    if (m_presses[slot].active)
        finishPress(slot, m_presses[slot].pos, m_presses[slot].shift);

    const QPointF pos = event->position();
    const int shift = shiftCode(event->modifiers());
    const int index = hotSpotIndexAt(pos);
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
}

void ImageMap::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    trackMouse(pos, true);
    emit MouseMove(
        buttonsCode(event->buttons()), shiftCode(event->modifiers()), twipsX(pos), twipsY(pos));
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
    setHover(inside ? hotSpotIndexAt(pos) : -1);
}

void ImageMap::updateRubberLine()
{
    if (m_mouseInside)
        update(lineRegion(m_corners.last(), m_mouse));
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
        update(inflated(shape.bounds(), 3) & rect());
}
