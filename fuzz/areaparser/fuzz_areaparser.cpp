// Feeds arbitrary bytes to the map parser as the control reads a map file, checks that the
// quick reader agrees with the full HTML parser whenever it answers, and hit-tests the result.

#include "imagemap/areaparser.h"
#include "imagemap/hotspotshape.h"
#include "platform/textfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        decodeText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QList<MapArea> full = AreaParser::parseAreasFull(text);
    if (const auto fast = AreaParser::parseAreasFast(text); fast && *fast != full) {
        std::fprintf(stderr, "quick reader and full parser disagree: %zu vs %zu areas\n",
            size_t(fast->size()), size_t(full.size()));
        std::abort();
    }
    for (const MapArea &area : full) {
        if (const auto shape = HotSpotShape::fromArea(area)) {
            (void)shape->contains(QPointF(0, 0));
            (void)shape->contains(shape->bounds().center());
            (void)shape->contains(shape->bounds().topLeft());
        }
    }
    return 0;
}
