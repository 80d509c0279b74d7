#pragma once

#include <QString>

/// The map file format: a header line, one AREA line per hot spot, a footer line.
namespace MapFormat {
QString header();
QString footer();
/// The AREA item of one hot spot, without a line end. Values go in unchanged.
QString areaLine(const QString &coords, const QString &name);
} // namespace MapFormat
