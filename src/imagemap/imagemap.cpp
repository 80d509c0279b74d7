#include "imagemap/imagemap.h"

#include "imagemap/widgetregions.h"
#include "platform/busycursor.h"
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
using namespace WidgetRegions;

namespace {

const QColor defaultOutline(0x00, 0xff, 0x00);
const QColor constructionColor(0xff, 0x20, 0x20);
const QColor background(0x80, 0x80, 0x80);

} // namespace

ImageMap::ImageMap(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_scaled, &ScaledPicture::copyReady, this, &ImageMap::showCopy);
    connect(&m_scaled, &ScaledPicture::decoded, this, &ImageMap::showDecoded);
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
        m_scaled.prepare(m_zoom);
    updateSize();
    update();
}

void ImageMap::setLoadingPicture(const LoadingPicture &picture)
{
    if (!picture.jpeg()) {
        setPicture(picture.image());
        return;
    }
    m_picture = picture.image();
    m_scaled.setPicture(picture);
    m_decodingAsked = false;
    if (m_zoom < 1)
        m_scaled.prepare(m_zoom);
    updateSize();
    update();
}

const QImage &ImageMap::picture() const
{
    waitForFullPicture();
    return m_picture;
}

void ImageMap::waitForFullPicture() const
{
    if (m_scaled.isDecoded())
        return;
    const BusyCursor busy;
    m_scaled.waitForFullPicture();
}

void ImageMap::showDecoded(const QRegion &pixels)
{
    // Pixels that the view draws from a copy look the same once decoded.
    if (m_scaled.levelFor(m_zoom).index != 0)
        return;
    for (const QRect &r : pixels)
        update(widgetBounds(r, 1));
}

void ImageMap::showCopy()
{
    // A copy that stood in where nothing was decoded yet, or none, and a larger one is here.
    const bool betterStandIn =
        m_shownStandIn >= 0 && !m_scaled.isDecoded() && m_scaled.standIn().index != m_shownStandIn;
    if (m_scaled.levelFor(m_zoom).index != m_shownLevel || betterStandIn)
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
        m_scaled.prepare(m_zoom);
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
    m_shownLevel = level.index;
    m_shownStandIn = -1;
    if (level.index > 0 || m_scaled.isDecoded()) {
        drawLevel(painter, level, target);
        return;
    }

    // Still decoding: the decoded pixels as they are, a copy (or the background) for the rest.
    QRegion decoded;
    const QRegion decodedPixels = m_scaled.decodedRegion();
    for (const QRect &r : decodedPixels) {
        // The view pixels drawn from decoded pixels alone.
        const QRect inner(
            QPoint(int(std::ceil(r.left() * m_zoom)), int(std::ceil(r.top() * m_zoom))),
            QPoint(int(std::floor((r.right() + 1) * m_zoom)) - 1,
                int(std::floor((r.bottom() + 1) * m_zoom)) - 1));
        decoded += inner & target;
    }
    const QRegion rest = QRegion(target).subtracted(decoded);
    const ScaledPicture::Level standIn = m_scaled.standIn();
    m_shownStandIn = rest.isEmpty() ? -1 : standIn.index;
    if (standIn.index > 0) {
        drawLevel(painter, standIn, rest);
    } else {
        for (const QRect &r : rest)
            painter.fillRect(r, background);
    }
    for (const QRect &r : decodedPixels)
        drawLevel(painter, level, decoded, r);
}

void ImageMap::drawLevel(QPainter &painter, const ScaledPicture::Level &level,
    const QRegion &region, const QRect &sourceLimit)
{
    const QImage &image = *level.image;
    const double toImageX = double(image.width()) / m_picture.width() / m_zoom;
    const double toImageY = double(image.height()) / m_picture.height() / m_zoom;
    // Pixels not decoded yet are never read: the decoder may be writing them.
    const QRect available = sourceLimit.isNull() ? image.rect() : sourceLimit & image.rect();
    for (const QRect &target : region) {
        const QRect source = QRectF(target.x() * toImageX, target.y() * toImageY,
                                 target.width() * toImageX, target.height() * toImageY)
                                 .toAlignedRect()
            & available;
        if (source.isEmpty())
            continue;
        const QRectF drawn(source.x() / toImageX, source.y() / toImageY, source.width() / toImageX,
            source.height() / toImageY);

        painter.save();
        painter.setClipRect(target);
        // Smooth when a copy is shrunk, whole sharp pixels when the picture is enlarged.
        // Shrinking more than twofold happens only until the copies are ready, and is done
        // coarsely: smooth, it would cost as much as the copies' sizes differ.
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
            (toImageX > 1 || toImageY > 1) && toImageX <= 2 + 1e-9 && toImageY <= 2 + 1e-9);
        if (std::abs(toImageX - 1) < 1e-9 && std::abs(toImageY - 1) < 1e-9)
            painter.drawImage(drawn.topLeft(), image, source);
        else
            painter.drawImage(drawn, image, source);
        painter.restore();
    }
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
    if (!m_decodingAsked && !m_scaled.isDecoded()) {
        // The first part is on the screen once this paint is done: the rest may follow.
        m_decodingAsked = true;
        QTimer::singleShot(0, this, [this] { m_scaled.startDecoding(); });
    }

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
