#pragma once

#include "trace/tracedsite.h"
#include "trace/traceoptions.h"

#include <QPoint>
#include <QRect>

class QImage;

// Tracing of one region inside a window of the picture: what traceSite and detectSites share.
struct WindowTrace
{
    enum Result {
        Traced, // site holds the region (site.touchesEdge when it reaches the picture's edge)
        ReachesWindowEdge, // the region goes on beyond the window: try a larger one
        OnLine, // the seed lies on a line or a mark, not in a region
    };
    Result result = OnLine;
    TracedSite site;
    // Pixels of the region found and their bounds (lower bounds when it reaches the window's
    // edge); site.touchesEdge is set even then.
    qint64 area = 0;
    QRect bounds;
};

WindowTrace traceInWindow(
    const QImage &picture, QPoint seed, QRect window, const TraceOptions &options);
