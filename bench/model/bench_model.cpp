#include "model/coordfile.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/prompts.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "silentstandins.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A full table: 1001 octagon-like hot spots of 8 corners on a 6000 by 4000 plan.
std::unique_ptr<HotSpotTable> fullTable()
{
    auto table = std::make_unique<HotSpotTable>();
    for (int i = 0; i < HotSpotTable::Capacity; ++i) {
        const int x = (i % 40) * 150;
        const int y = (i / 40) * 150;
        QStringList corners;
        for (const auto &[dx, dy] : { std::pair { 20, 0 }, { 80, 0 }, { 100, 20 }, { 100, 80 },
                 { 80, 100 }, { 20, 100 }, { 0, 80 }, { 0, 20 } })
            corners << QString::number(x + dx) << QString::number(y + dy);
        table->AddHotSpot(corners.join(u','), u"Lot %1"_s.arg(i + 1));
    }
    return table;
}

template <typename Body> void measure(const char *name, int runs, Body &&body)
{
    using Clock = std::chrono::steady_clock;
    body(); // warm-up
    std::vector<double> micros;
    micros.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%-40s median %9.1f us   min %9.1f us   p90 %9.1f us   (%d runs)\n", name,
        micros[micros.size() / 2], micros.front(), micros[micros.size() * 9 / 10], runs);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    SilentPrompts prompts;
    NullSettings settings;
    NullView view;
    auto table = fullTable();
    const QString mapFile = dir.filePath(u"bench.map"_s);

    measure("BuildMapText, 1001 hot spots", 501, [&] { table->BuildMapText(); });

    if (!WriteCoordFile(mapFile, *table, prompts, settings))
        return 1;
    auto read = std::make_unique<HotSpotTable>();
    measure("ReadCoordFile, 1001 lines", 201, [&] {
        read->EraseHotSpots();
        ReadCoordFile(mapFile, *read, prompts, settings, view);
    });
    if (read->HotSpotCount() != HotSpotTable::Capacity || prompts.messages != 0)
        return 1;

    measure("WriteCoordFile, 1001 lines", 201,
        [&] { WriteCoordFile(dir.filePath(u"out.map"_s), *table, prompts, settings); });
    // The same lines without the commit, which renames the file and syncs it to the disk.
    measure("  of which: lines written, no commit", 201, [&] {
        TextFileWriter out(dir.filePath(u"out.map"_s));
        out.writeLine(u"<map name=map>"_s);
        for (int slot = 0; slot < table->HotSpotCount(); ++slot)
            out.writeLine(table->BuildAreaLine(slot));
        out.writeLine(u"</map>"_s);
    });
    return prompts.messages == 0 ? 0 : 1;
}
