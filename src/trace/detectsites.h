#pragma once

#include "trace/tracedsite.h"
#include "trace/traceoptions.h"

#include <QList>
#include <QPolygon>
#include <functional>

class QImage;

// A region found by detectSites, with what speaks against it being a site.
struct SiteProposal
{
    TracedSite site;
    // Area of the outline divided by the median area of all proposals that do not touch the
    // picture's edge: roads and margins are far above 1.
    double sizeToMedian = 1;
    bool touchesEdge() const { return site.touchesEdge; }
};

// Every enclosed region of picture that none of covered covers (a region is covered when a
// point inside it lies in one of them), each traced by traceSite's rules; in reading order.
// cancelled is asked often and stops the search early with what was found so far; progress
// receives the regions done and the regions to do. Both are called on the calling thread, which
// does half of the tracing while a second thread does the rest. Regions whose search window would
// exceed a quarter of the picture or 16 megapixels (margins, road networks) are proposed with the
// rough outline of the reduced grid the search runs on, without an interior.
QList<SiteProposal> detectSites(const QImage &picture, const QList<QPolygon> &covered,
    const std::function<bool()> &cancelled = {},
    const std::function<void(int done, int total)> &progress = {},
    const TraceOptions &options = {});
