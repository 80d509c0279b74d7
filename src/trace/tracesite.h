#pragma once

#include "trace/tracedsite.h"
#include "trace/traceoptions.h"

#include <QList>
#include <optional>

// Traces the site around seed: the connected part of the picture whose colour stays near the
// colour at seed, bounded by the plan's lines or a change of colour, with line breaks up to
// options.maxGap bridged. Gives nothing when the region runs off the picture's edge, covers more
// than a quarter of the picture, reaches farther than options.searchRadius from seed, or seed
// lies on a line. Only a window around seed is read.
std::optional<TracedSite> traceSite(
    const QImage &picture, QPoint seed, const TraceOptions &options = {});

// Moves every corner of outline that lies within tolerance pixels of a corner of one of the
// existing outlines onto that corner, so shared edges stay identical. Corners that land on the
// same one become one. The editor passes two line widths (2 * TracedSite::lineWidth, at least a
// few pixels) as tolerance.
void snapToCorners(QPolygon &outline, const QList<QPolygon> &existing, int tolerance);

// The site's interior as a grayscale picture for reading its printed name: everything outside
// the region and its boundary line take the tone of the region's paper (its median), and the
// crop is turned by -site.angle.
QImage interiorCrop(const QImage &picture, const TracedSite &site);
