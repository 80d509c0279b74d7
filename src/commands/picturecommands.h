#pragma once

#include <QString>

class ImageMapControl;
class Prompts;
class SettingsStore;

/// "Load Map JPG": lets the user pick the background picture, shows it and remembers it.
/// Returns the path of the picture now shown, or the empty text when the picture stayed.
QString ChooseMapPicture(Prompts &prompts, SettingsStore &settings, ImageMapControl &control);

/// Shows the picture at \a path and remembers it, as "Load Map JPG" does once a file is chosen.
/// Returns whether the picture could be read.
bool useMapPicture(
    const QString &path, Prompts &prompts, SettingsStore &settings, ImageMapControl &control);
