#include "sites/pageimport.h"

#include "commands/picturecommands.h"
#include "document/mapdocument.h"
#include "imagemap/areaparser.h"
#include "imagemap/imagemapcontrol.h"
#include "model/cornerlist.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/prompts.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// How far the outline may stray from the circle, in pixels, a hair under half a pixel so that
// rounding in whoever measures it cannot tip a corner over.
constexpr double circleTolerance = 0.5 - 1e-9;

enum class Shape { Rect, Circle, Poly, Default };

// A browser's reading of the shape attribute: a missing or unknown keyword is a rectangle.
Shape browserShape(const std::optional<QString> &keyword)
{
    if (!keyword)
        return Shape::Rect;
    const auto is = [&](QStringView k) { return keyword->compare(k, Qt::CaseInsensitive) == 0; };
    if (is(u"default"))
        return Shape::Default;
    if (is(u"circle") || is(u"circ"))
        return Shape::Circle;
    if (is(u"poly") || is(u"polygon"))
        return Shape::Poly;
    return Shape::Rect;
}

int whole(double value)
{
    return int(std::lround(value));
}

// The name as a browser shows the text: runs of white space read as one space. The map file
// quotes names with ", so a " inside one becomes '.
QString shownName(const PageArea &area, int number)
{
    for (const QString *text : { &area.id, &area.title, &area.alt }) {
        const QString name = text->simplified();
        if (!name.isEmpty())
            return QString(name).replace(u'"', u'\'');
    }
    return u"Area "_s + QString::number(number);
}

QString uniqueName(const QString &name, QSet<QString> &taken)
{
    QString candidate = name;
    for (int n = 2; taken.contains(candidate); ++n)
        candidate = name + u" ("_s + QString::number(n) + u')';
    taken.insert(candidate);
    return candidate;
}

// The map a "#name" reference points at, matched by name first and then by id; or -1.
int mapForReference(const PageMaps &page, const QString &useMap)
{
    const qsizetype hash = useMap.indexOf(u'#');
    if (hash < 0)
        return -1;
    const QString name = useMap.mid(hash + 1);
    if (name.isEmpty())
        return -1;
    for (qsizetype i = 0; i < page.maps.size(); ++i) {
        if (page.maps.at(i).name == name)
            return int(i);
    }
    for (qsizetype i = 0; i < page.maps.size(); ++i) {
        if (page.maps.at(i).id == name)
            return int(i);
    }
    return -1;
}

QString mapLabel(const PageMap &map, int index)
{
    QString name = !map.name.isEmpty() ? map.name : map.id;
    if (name.isEmpty())
        name = u"Map "_s + QString::number(index + 1);
    const qsizetype count = map.areas.size();
    return name + u" ("_s + QString::number(count) + (count == 1 ? u" area)"_s : u" areas)"_s);
}

// A page marked as UTF-16 or Latin-1 is read so; anything else as the map files are read: UTF-8,
// with stray bytes taken as Windows-1252, as older pages were written.
QString decodePage(const QByteArray &bytes)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    const QString name = decoder.isValid() ? QString::fromLatin1(decoder.name()) : QString();
    if (name.isEmpty() || name.compare(u"UTF-8"_s, Qt::CaseInsensitive) == 0)
        return decodeText(bytes);
    return decoder.decode(bytes);
}

QString plural(int count, const QString &one, const QString &many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many);
}

} // namespace

PageImport::PageImport(MapDocument &document, Prompts &prompts, SettingsStore &settings,
    EditorView &view, ImageMapControl &control)
    : m_document(document)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
    , m_control(control)
{
}

QList<QPoint> PageImport::circleCorners(double cx, double cy, double r)
{
    if (!(r > 0 && r <= Farthest && std::abs(cx) <= Farthest && std::abs(cy) <= Farthest))
        return {};
    // Rounding an ideal polygon's corners can move them by 0.7 pixel, so the corners are
    // picked from the whole-pixel points that lie within the tolerance of the circle: per
    // column and per row, the pixel nearest to it. Then as few of them are kept as the
    // outline allows: an edge may cut inside the circle by at most the tolerance.
    struct Candidate
    {
        double angle;
        double error;
        QPoint point;
    };
    std::vector<Candidate> candidates;
    const auto consider = [&](int x, int y) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double error = std::abs(std::hypot(dx, dy) - r);
        if (error <= circleTolerance)
            candidates.push_back({ std::atan2(dy, dx), error, QPoint(x, y) });
    };
    for (int x = int(std::ceil(cx - r)); x <= int(std::floor(cx + r)); ++x) {
        const double h = std::sqrt(std::max(0.0, r * r - (x - cx) * (x - cx)));
        consider(x, whole(cy + h));
        consider(x, whole(cy - h));
    }
    for (int y = int(std::ceil(cy - r)); y <= int(std::floor(cy + r)); ++y) {
        const double w = std::sqrt(std::max(0.0, r * r - (y - cy) * (y - cy)));
        consider(whole(cx + w), y);
        consider(whole(cx - w), y);
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return a.angle != b.angle ? a.angle < b.angle : a.error < b.error;
    });
    // One point per direction, the closest to the circle.
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                         [](const Candidate &a, const Candidate &b) { return a.angle == b.angle; }),
        candidates.end());
    const qsizetype n = qsizetype(candidates.size());
    if (n < 3) {
        // Smaller than a pixel: a diamond around the centre.
        return { QPoint(whole(cx + r), whole(cy)), QPoint(whole(cx), whole(cy + r)),
            QPoint(whole(cx - r), whole(cy)), QPoint(whole(cx), whole(cy - r)) };
    }

    const auto edgeFits = [&](QPoint a, QPoint b) {
        // The distance from the centre to the segment.
        const double ax = a.x() - cx, ay = a.y() - cy;
        const double bx = b.x() - cx, by = b.y() - cy;
        const double ex = bx - ax, ey = by - ay;
        const double length2 = ex * ex + ey * ey;
        double t = length2 > 0 ? -(ax * ex + ay * ey) / length2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        return std::hypot(ax + t * ex, ay + t * ey) >= r - circleTolerance;
    };
    QList<QPoint> corners { candidates[0].point };
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i + 1;
        while (j < n && edgeFits(candidates[i].point, candidates[(j + 1) % n].point))
            ++j;
        if (j >= n)
            break;
        corners.append(candidates[j].point);
        i = j;
    }
    return corners;
}

PageImport::Conversion PageImport::convert(const PageMap &map)
{
    Conversion result;
    QSet<QString> names;
    for (qsizetype index = 0; index < map.areas.size(); ++index) {
        const PageArea &area = map.areas.at(index);
        const Shape shape = browserShape(area.shape);
        if (shape == Shape::Default) {
            ++result.defaults;
            continue;
        }
        if (area.coords.contains(u'%')) {
            ++result.percent;
            continue;
        }
        const QList<double> c = AreaParser::parseCoords(area.coords);
        // A circle's corners take time in proportion to its radius.
        if (std::any_of(c.cbegin(), c.cend(), [](double v) { return std::abs(v) > Farthest; })) {
            ++result.tooLarge;
            continue;
        }
        QList<QPoint> corners;
        switch (shape) {
        case Shape::Rect:
            if (c.size() >= 4) {
                const int left = whole(std::min(c[0], c[2])), right = whole(std::max(c[0], c[2]));
                const int top = whole(std::min(c[1], c[3])), bottom = whole(std::max(c[1], c[3]));
                corners = { QPoint(left, top), QPoint(right, top), QPoint(right, bottom),
                    QPoint(left, bottom) };
            }
            break;
        case Shape::Circle:
            if (c.size() >= 3 && c[2] > 0)
                corners = circleCorners(c[0], c[1], c[2]);
            break;
        case Shape::Poly:
            // Like a browser: an odd last number is dropped.
            if (c.size() >= 6) {
                for (qsizetype k = 0; k + 1 < c.size(); k += 2)
                    corners.append(QPoint(whole(c[k]), whole(c[k + 1])));
            }
            break;
        case Shape::Default:
            break;
        }
        if (corners.isEmpty()) {
            ++result.noShape;
            continue;
        }
        if (result.hotSpots.size() >= HotSpotTable::Capacity) {
            ++result.overLimit;
            continue;
        }
        if (shape == Shape::Rect)
            ++result.rectangles;
        else if (shape == Shape::Circle)
            ++result.circles;
        result.hotSpots.append(HotSpot { CornerList::text(corners),
            uniqueName(shownName(area, int(index) + 1), names), int(index) });
    }
    return result;
}

int PageImport::preselectedMap(const PageMaps &page)
{
    for (const PageImage &image : page.images) {
        const int map = mapForReference(page, image.useMap);
        if (map >= 0)
            return map;
    }
    return 0;
}

QString PageImport::pictureFile(const PageMaps &page, int mapIndex, const QString &pagePath)
{
    const QUrl base = QUrl::fromLocalFile(QFileInfo(pagePath).absoluteFilePath());
    for (const PageImage &image : page.images) {
        if (mapForReference(page, image.useMap) != mapIndex || image.src.trimmed().isEmpty())
            continue;
        const QUrl url = base.resolved(QUrl(image.src.trimmed()));
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString PageImport::summary(const Conversion &c, const QString &pagePath)
{
    QString text = u"Imported "_s + plural(int(c.hotSpots.size()), u"hot spot"_s, u"hot spots"_s)
        + u" from "_s + pagePath + u".\n"_s;
    text += plural(c.rectangles, u"rectangle"_s, u"rectangles"_s) + u" and "_s
        + plural(c.circles, u"circle"_s, u"circles"_s) + u" became polygons."_s;
    if (c.skipped() == 0)
        return text + u"\nNo area was skipped."_s;
    QStringList why;
    if (c.defaults > 0)
        why.append(plural(c.defaults, u"default area (the whole picture)"_s,
            u"default areas (the whole picture)"_s));
    if (c.percent > 0)
        why.append(plural(c.percent, u"area with coordinates in percent"_s,
            u"areas with coordinates in percent"_s));
    if (c.noShape > 0)
        why.append(plural(
            c.noShape, u"area with too few coordinates"_s, u"areas with too few coordinates"_s));
    if (c.tooLarge > 0)
        why.append(plural(
            c.tooLarge, u"area larger than any picture"_s, u"areas larger than any picture"_s));
    if (c.overLimit > 0)
        why.append(plural(c.overLimit, u"area"_s, u"areas"_s) + u" past the limit of "_s
            + QString::number(HotSpotTable::Capacity) + u" hot spots"_s);
    return text + u"\nSkipped "_s + plural(c.skipped(), u"area"_s, u"areas"_s) + u": "_s
        + why.join(u"; "_s) + u'.';
}

void PageImport::importWebPageMap()
{
    if (m_askToSave)
        m_askToSave();
    Prompts::FileDialog dialog;
    dialog.filter = u"Web Pages|*.html;*.htm|All Files|*"_s;
    dialog.fileMustExist = true;
    const QString path = m_prompts.openFile(dialog);
    if (!path.isEmpty())
        importPage(path);
}

void PageImport::importPage(const QString &path)
{
    const QString caption = Prompts::productName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompts.message(
            path + u" could not be read."_s, Prompts::Buttons::Ok, Prompts::Icon::None, caption);
        return;
    }
    const PageMaps page = AreaParser::parsePage(decodePage(file.readAll()));
    if (page.maps.isEmpty()) {
        m_prompts.message(
            path + u" has no image map."_s, Prompts::Buttons::Ok, Prompts::Icon::None, caption);
        return;
    }

    int chosen = preselectedMap(page);
    if (page.maps.size() > 1) {
        QStringList labels;
        for (qsizetype i = 0; i < page.maps.size(); ++i)
            labels.append(mapLabel(page.maps.at(i), int(i)));
        chosen = m_prompts.chooseItem(
            u"The page has several image maps. Import which one?"_s, caption, labels, chosen);
        if (chosen < 0 || chosen >= page.maps.size())
            return;
    }

    const Conversion conversion = convert(page.maps.at(chosen));
    m_control.setCoordsFile(QString());
    // An imported map is in no file: nothing before it can be undone, and no step is saved.
    m_document.replaceMap(
        [&](HotSpotTable &table) {
            table.EraseHotSpots();
            table.resetCount();
            for (const HotSpot &spot : conversion.hotSpots)
                table.AddHotSpot(spot.coords, spot.name);
            table.BuildMapText();
        },
        MapDocument::Replaced::Unsaved);
    // Save must ask for a new map file rather than write over the page or the last map.
    m_document.setCoordFilePath(QString());
    m_view.setHotSpotFileText(QString());
    m_document.setIsSaved(false);

    m_prompts.message(
        summary(conversion, path), Prompts::Buttons::Ok, Prompts::Icon::Information, caption);

    const QString picture = pictureFile(page, chosen, path);
    if (!picture.isEmpty()
        && m_prompts.message(u"Use "_s + picture + u" as the background picture?"_s,
               Prompts::Buttons::YesNo, Prompts::Icon::None, caption)
            == Prompts::Button::Yes
        && useMapPicture(picture, m_prompts, m_settings, m_control))
        m_document.setShownPicturePath(picture);
}
