#pragma once

#include "imagemap/htmlnumbers.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

/// One <area> element of a map text, as a browser reads it.
struct MapArea
{
    enum class Shape { Poly, Rect, Circle, Default };

    Shape shape = Shape::Poly;
    QList<double> coords;
    QString id;
    /// The id's value as written in the text, character references not decoded: the name the
    /// editor stored.
    QString idAsWritten;
    QString color;

    /// An area from its attribute values; \a shape is nothing when the attribute is missing.
    static MapArea fromAttributes(std::optional<QStringView> shape, QStringView coords, QString id,
        QString idAsWritten, QString color);

    friend bool operator==(const MapArea &, const MapArea &) = default;
};

/// One <area> of a web page's <map>, with its attributes as a browser reads them (character
/// references resolved) and the coordinates as written.
struct PageArea
{
    std::optional<QString> shape; ///< nothing when the attribute is missing
    QString coords;
    QString id;
    QString title;
    QString alt;
};

/// A <map> element of a web page and the <area> elements that belong to it.
struct PageMap
{
    QString name;
    QString id;
    QList<PageArea> areas;
};

/// An <img> of a web page that uses a map.
struct PageImage
{
    QString src;
    QString useMap; ///< as written, "#" included
};

/// The maps of a web page and the pictures that use them, in document order.
struct PageMaps
{
    QList<PageMap> maps;
    QList<PageImage> images;
};

namespace AreaParser {

/// Every <map> of a whole web page with its areas, and every <img> with a usemap attribute,
/// parsed as an HTML5 browser parses the page. The editor's own map texts go through
/// parseAreas(), which this leaves as it is.
PageMaps parsePage(QStringView html);

/// Every HTML <area> element of \a mapText, in document order, parsed as an HTML5 browser
/// parses a document.
QList<MapArea> parseAreas(QStringView mapText);

/// The quick reader for the plain form the editor writes (tags and attributes, no comments,
/// tables, scripts or rare character references). Returns nothing when \a mapText needs the
/// full HTML parser; otherwise the same result as parseAreasFull().
std::optional<QList<MapArea>> parseAreasFast(QStringView mapText);

/// The full HTML5 parser.
QList<MapArea> parseAreasFull(QStringView mapText);

/// The shape keyword of a "shape" attribute; a missing or unknown keyword means a polygon.
MapArea::Shape shapeFromKeyword(QStringView keyword);

} // namespace AreaParser
