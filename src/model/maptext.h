#pragma once

#include <QString>

/// The map file format: a header line, one AREA line per hot spot, a footer line.
namespace MapFormat {
QString header();
QString footer();
/// The AREA item of one hot spot, without a line end. Values go in unchanged.
QString areaLine(const QString &coords, const QString &name);
/// Appends the AREA item of one hot spot to \a text.
void appendAreaLine(QString &text, const QString &coords, const QString &name);
/// Characters the AREA item adds besides the coordinates and the name.
inline constexpr qsizetype areaLineOverhead = 49;
} // namespace MapFormat
