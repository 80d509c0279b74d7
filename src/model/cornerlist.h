#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringView>

#include <optional>

// A hot spot's coordinates as corners: the text form "x1,y1,x2,y2,…" that outlines are stored in.
namespace CornerList {

// The corners the text lists; nothing when any entry is not a number or one is left over, since a
// list typed by hand may be anything.
std::optional<QList<QPointF>> parse(QStringView coords);
// The corners rounded to whole pixels, for lists that parse.
std::optional<QList<QPoint>> parseWhole(QStringView coords);
QString text(const QList<QPoint> &corners);

} // namespace CornerList
