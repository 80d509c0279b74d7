#include "model/coordfile.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/prompts.h"
#include "platform/settingsstore.h"
#include "silentstandins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QList<std::pair<QString, QString>> nonEmptySlots(const HotSpotTable &table)
{
    QList<std::pair<QString, QString>> used;
    for (int slot = 0; slot < table.HotSpotCount(); ++slot) {
        if (!table.HotSpotCoords(slot).isEmpty())
            used.append({ table.HotSpotCoords(slot), table.HotSpotNames(slot) });
    }
    return used;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Memory-backed when possible: every save syncs its file to the disk.
    static QTemporaryDir dir(QFileInfo(u"/dev/shm"_s).isWritable()
            ? u"/dev/shm/fuzz_coordfile-XXXXXX"_s
            : QDir::tempPath() + u"/fuzz_coordfile-XXXXXX"_s);
    static const QString input = dir.filePath(u"input.map"_s);
    static const QString output = dir.filePath(u"output.map"_s);
    {
        QFile file(input);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    SilentPrompts prompts;
    NullSettings settings;
    NullView view;
    // Reused as Load reuses the program's table: erased, then read into.
    static auto table = std::make_unique<HotSpotTable>();
    static auto readBack = std::make_unique<HotSpotTable>();
    table->EraseHotSpots();
    table->beginRead(QString());
    ReadCoordFile(input, *table, prompts, settings, view);
    check(table->HotSpotCount() >= 0 && table->HotSpotCount() <= HotSpotTable::Capacity);
    // Every decoded byte gives at most one UTF-16 unit.
    check(table->MapText().size() <= qsizetype(size));

    check(WriteCoordFile(output, *table, prompts, settings));
    readBack->EraseHotSpots();
    ReadCoordFile(output, *readBack, prompts, settings, view);

    // What the writer wrote reads back as the same hot spots, in order, without empty slots.
    const auto written = nonEmptySlots(*table);
    check(readBack->HotSpotCount() == written.size());
    check(nonEmptySlots(*readBack) == written);
    table->BuildMapText();
    check(readBack->MapText() + u"</map>"_s == table->MapText());
    return 0;
}
