#pragma once

#include <QString>

/// Tesseract's reading of a label as a site name: a letter standing alone or before a hyphen is
/// a block letter, a capital ("j-62" is "J-62"), no point, hyphen or slash at either end ("Lot 64." is "Lot 64"), and no
/// gap beside a point or slash between digits ("354. 9" is "354.9"), and a word of digits with l
/// or i among them, or of two of those alone, is a number ("4i7" and "lll" are "417" and "111").
QString tidyReading(const QString &reading);
