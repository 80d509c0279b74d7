#pragma once

#include "document/mapdocument.h"
#include "imagemap/imagemapcontrol.h"

/// The display control shows the document's map text whenever its hot spots change.
inline void showMapOnControl(MapDocument &document, ImageMapControl &control)
{
    QObject::connect(&document, &MapDocument::hotSpotsChanged, &document,
        [&document, &control] { control.setCoordsString(document.table().MapText()); });
}
