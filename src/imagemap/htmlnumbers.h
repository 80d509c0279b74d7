#pragma once

#include <QList>
#include <QStringView>

#include <optional>

namespace AreaParser {

/// The HTML rules for a list of floating-point numbers ("2;2 10,10" reads 2, 2, 10, 10;
/// unreadable numbers read 0).
QList<double> parseCoords(QStringView text);

/// The HTML rules for one floating-point number: the number at the start of \a text, trailing
/// garbage ignored; nothing when the text does not start with one.
std::optional<double> parseFloatValue(QStringView text);

} // namespace AreaParser
