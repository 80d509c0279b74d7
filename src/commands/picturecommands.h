#pragma once

class ImageMapControl;
class Prompts;
class SettingsStore;

/// "Load Map JPG": lets the user pick the background picture, shows it and remembers it.
void ChooseMapPicture(Prompts &prompts, SettingsStore &settings, ImageMapControl &control);
