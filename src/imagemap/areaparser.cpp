#include "imagemap/areaparser.h"

#include "imagemap/fastareascanner.h"
#include "imagemap/htmldocument.h"

#include <QHash>

MapArea MapArea::fromAttributes(std::optional<QStringView> shape, QStringView coords, QString id,
    QString idAsWritten, QString color)
{
    MapArea area;
    area.shape = shape ? AreaParser::shapeFromKeyword(*shape) : Shape::Poly;
    area.coords = AreaParser::parseCoords(coords);
    area.id = std::move(id);
    area.idAsWritten = std::move(idAsWritten);
    area.color = std::move(color);
    return area;
}

namespace AreaParser {

PageMaps parsePage(QStringView html)
{
    PageMaps page;
    // By index: the list may grow while the map's children are walked.
    QHash<const GumboElement *, qsizetype> mapIndex;
    const auto text = [](const GumboElement &element, const char *name) {
        return HtmlDocument::attribute(element, name).value_or(QString());
    };
    // Areas belong to the nearest <map> around them, as in a browser.
    HtmlDocument(html).forEachElement([&](const GumboElement &element, const GumboElement *map) {
        if (element.tag == GUMBO_TAG_AREA) {
            if (map) {
                page.maps[mapIndex.value(map)].areas.append(
                    PageArea { HtmlDocument::attribute(element, "shape"), text(element, "coords"),
                        text(element, "id"), text(element, "title"), text(element, "alt") });
            }
            return;
        }
        if (element.tag == GUMBO_TAG_IMG && gumbo_get_attribute(&element.attributes, "usemap"))
            page.images.append(PageImage { text(element, "src"), text(element, "usemap") });
        if (element.tag == GUMBO_TAG_MAP) {
            mapIndex.insert(&element, page.maps.size());
            page.maps.append(PageMap { text(element, "name"), text(element, "id"), {} });
        }
    });
    return page;
}

QList<MapArea> parseAreas(QStringView mapText)
{
    if (auto fast = parseAreasFast(mapText))
        return std::move(*fast);
    return parseAreasFull(mapText);
}

std::optional<QList<MapArea>> parseAreasFast(QStringView mapText)
{
    QList<MapArea> areas;
    if (!FastAreaScanner(mapText).run(areas))
        return std::nullopt;
    return areas;
}

QList<MapArea> parseAreasFull(QStringView mapText)
{
    QList<MapArea> areas;
    HtmlDocument(mapText).forEachElement([&](const GumboElement &element, const GumboElement *) {
        if (element.tag != GUMBO_TAG_AREA)
            return;
        const auto shape = HtmlDocument::attribute(element, "shape");
        areas.append(
            MapArea::fromAttributes(shape ? std::optional<QStringView>(*shape) : std::nullopt,
                HtmlDocument::attribute(element, "coords").value_or(QString()),
                HtmlDocument::attribute(element, "id").value_or(QString()),
                HtmlDocument::attributeAsWritten(element, "id"),
                HtmlDocument::attribute(element, "color").value_or(QString())));
    });
    return areas;
}

MapArea::Shape shapeFromKeyword(QStringView keyword)
{
    const auto is = [&](QStringView k) { return keyword.compare(k, Qt::CaseInsensitive) == 0; };
    if (is(u"rect") || is(u"rectangle"))
        return MapArea::Shape::Rect;
    if (is(u"circle") || is(u"circ"))
        return MapArea::Shape::Circle;
    if (is(u"default"))
        return MapArea::Shape::Default;
    return MapArea::Shape::Poly;
}

} // namespace AreaParser
