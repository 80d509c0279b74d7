// Feeds arbitrary bytes to the web page import as a page read from disk, and checks that what
// it would put in the table can be stored and read back: whole-pixel coordinate pairs, names
// without a double quote, no name twice, and never more hot spots than the table holds.

#include "imagemap/areaparser.h"
#include "model/hotspottable.h"
#include "platform/textfile.h"
#include "sites/pageimport.h"

#include <QSet>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "page import: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString html =
        decodeText(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const PageMaps page = AreaParser::parsePage(html);
    for (const PageMap &map : page.maps) {
        const PageImport::Conversion conversion = PageImport::convert(map);
        if (conversion.hotSpots.size() > HotSpotTable::Capacity)
            fail("more hot spots than the table holds");
        QSet<QString> names;
        for (const PageImport::HotSpot &spot : conversion.hotSpots) {
            if (spot.name.contains(u'"') || spot.coords.contains(u'"'))
                fail("a double quote would break the map file");
            if (names.contains(spot.name))
                fail("a name used twice");
            names.insert(spot.name);
            const QStringList numbers = spot.coords.split(u',');
            if (numbers.size() % 2 != 0 || numbers.size() < 2)
                fail("coordinates are not pairs");
            for (const QString &number : numbers) {
                bool ok = false;
                (void)number.toInt(&ok);
                if (!ok)
                    fail("a coordinate that is not a whole number");
            }
        }
    }
    (void)PageImport::preselectedMap(page);
    return 0;
}
