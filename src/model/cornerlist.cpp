#include "model/cornerlist.h"

#include <QStringList>

#include <cmath>

namespace CornerList {

std::optional<QList<QPointF>> parse(QStringView coords)
{
    const QList<QStringView> numbers = coords.split(u',');
    if (numbers.size() % 2 != 0)
        return std::nullopt;
    QList<QPointF> corners;
    corners.reserve(numbers.size() / 2);
    for (qsizetype k = 0; k + 1 < numbers.size(); k += 2) {
        bool okX = false, okY = false;
        const double x = numbers[k].toDouble(&okX), y = numbers[k + 1].toDouble(&okY);
        if (!okX || !okY)
            return std::nullopt;
        corners.append(QPointF(x, y));
    }
    return corners;
}

std::optional<QList<QPoint>> parseWhole(QStringView coords)
{
    const std::optional<QList<QPointF>> corners = parse(coords);
    if (!corners)
        return std::nullopt;
    QList<QPoint> whole;
    whole.reserve(corners->size());
    for (const QPointF &p : *corners)
        whole.append(QPoint(int(std::lround(p.x())), int(std::lround(p.y()))));
    return whole;
}

QString text(const QList<QPoint> &corners)
{
    QStringList numbers;
    numbers.reserve(2 * corners.size());
    for (const QPoint &p : corners)
        numbers << QString::number(p.x()) << QString::number(p.y());
    return numbers.join(u',');
}

} // namespace CornerList
