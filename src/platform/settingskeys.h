#pragma once

#include <QString>

/// Where the program keeps what it remembers between runs: one section and its keys.
namespace SettingsKeys {
inline const QString Section = QStringLiteral("Settings");
/// The current map file, stored when the program ends.
inline const QString CoordFile = QStringLiteral("CoordFile");
/// The background picture, stored when the user picks one.
inline const QString BGPicture = QStringLiteral("BGPicture");
/// The slot count, stored by the map file writer and never read.
inline const QString NumLinesInCoordFile = QStringLiteral("numLinesInCoordFile");
} // namespace SettingsKeys
