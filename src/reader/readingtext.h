#pragma once

#include <QString>

/// Tesseract's reading of a label as a site name: a letter standing alone or before a hyphen is
/// a block letter, a capital ("j-62" is "J-62"), no point, hyphen or slash at either end ("Lot 64." is "Lot 64"), and no
/// gap beside a point or slash between digits ("354. 9" is "354.9").
QString tidyReading(const QString &reading);
