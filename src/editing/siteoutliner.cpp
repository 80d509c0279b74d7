#include "editing/siteoutliner.h"

#include "document/mapdocument.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "model/cornerlist.h"
#include "platform/busycursor.h"
#include "platform/mousekeycodes.h"
#include "platform/prompts.h"
#include "reader/namereader.h"
#include "reader/registermatch.h"
#include "trace/tracesite.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The hot spots' corners, for a traced outline to share them.
QList<QPolygon> hotSpotOutlines(const HotSpotTable &table)
{
    QList<QPolygon> outlines;
    table.forEachHotSpot([&](int, const QString &coords, const QString &) {
        if (const auto corners = CornerList::parseWhole(coords); corners && !corners->isEmpty())
            outlines.append(QPolygon(*corners));
    });
    return outlines;
}

} // namespace

SiteOutliner::SiteOutliner(MapDocument &document, CornerCapture &capture, HotSpotEditing &editing,
    Prompts &prompts, Sources sources)
    : m_document(document)
    , m_capture(capture)
    , m_editing(editing)
    , m_prompts(prompts)
    , m_sources(std::move(sources))
{
}

SiteOutliner::~SiteOutliner() = default;

NameReader &SiteOutliner::reader()
{
    if (!m_reader)
        m_reader = std::make_unique<NameReader>();
    return *m_reader;
}

QString SiteOutliner::readName(const QImage &crop)
{
    const ReadResult result = reader().read(crop);
    if (!result.ok || result.text.isEmpty())
        return {};
    const QStringList names = m_sources.registerNames ? m_sources.registerNames() : QStringList();
    return names.isEmpty() ? result.text : matchRegister(result.text, names);
}

bool SiteOutliner::outlining(int shift) const
{
    // Only a plain click, with nothing being outlined and no other mode on.
    return shift == MouseKeyCodes::NoKey && m_capture.CornerCount == 0 && !m_capture.Drawing
        && !(m_sources.resting && m_sources.resting());
}

void SiteOutliner::pressed(int button, int shift)
{
    // Starting the reader takes longer than tracing and the rest of a double-click together.
    if (button == MouseKeyCodes::LeftButton && outlining(shift))
        reader().start();
}

void SiteOutliner::doubleClicked(QPoint pixel, int shift)
{
    if (!outlining(shift))
        return;
    reader().start();
    const BusyCursor busy;
    const QImage picture = m_sources.picture ? m_sources.picture() : QImage();
    if (picture.isNull() || !picture.rect().contains(pixel))
        return;
    std::optional<TracedSite> site = traceSite(picture, pixel);
    if (!site || site->outline.size() < 3) {
        m_prompts.message(u"No enclosed site here."_s, Prompts::Buttons::Ok, Prompts::Icon::None,
            Prompts::productName());
        return;
    }
    snapToCorners(site->outline, hotSpotOutlines(m_document.table()),
        std::max(3, int(std::ceil(2 * site->lineWidth))));
    const QString name = readName(interiorCrop(picture, *site));
    m_capture.takeOutline(site->outline);
    m_editing.makeHotSpotNamed(name);
}
