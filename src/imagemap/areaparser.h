#pragma once

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

    friend bool operator==(const MapArea &, const MapArea &) = default;
};

namespace AreaParser {

/// Every HTML <area> element of \a mapText, in document order, parsed as an HTML5 browser
/// parses a document.
QList<MapArea> parseAreas(QStringView mapText);

/// The quick reader for the plain form the editor writes (tags and attributes, no comments,
/// tables, scripts or rare character references). Returns nothing when \a mapText needs the
/// full HTML parser; otherwise the same result as parseAreasFull().
std::optional<QList<MapArea>> parseAreasFast(QStringView mapText);

/// The full HTML5 parser.
QList<MapArea> parseAreasFull(QStringView mapText);

/// The HTML rules for a list of floating-point numbers ("2;2 10,10" reads 2, 2, 10, 10;
/// unreadable numbers read 0).
QList<double> parseCoords(QStringView text);

/// The shape keyword of a "shape" attribute; a missing or unknown keyword means a polygon.
MapArea::Shape shapeFromKeyword(QStringView keyword);

} // namespace AreaParser
