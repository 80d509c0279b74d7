// Double-click to name box: tracing, reading and everything between them, as the editor does it,
// on a drawn plan with known lots. Each lot is double-clicked where a person would; the name box
// is answered with what it offers, so the run also counts the numbers read right.
//   bench_doubleclick [WIDTHxHEIGHT] [LOTS] [CLICKS]
// BENCH_DOUBLECLICK_PRESS_MS: the first double-click's first press comes that long before it
// (as a person's does, some 150-250 ms); 0, the default, leaves the press out.
// With BENCH_DOUBLECLICK_DUMP naming a folder, every lot not read right leaves its crop there
// as <number>-crop.png and as Tesseract gets it, <number>-label.png.

#include "planmaker.h"

#include "document/mapdocument.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "editing/siteoutliner.h"
#include "nullcontrol.h"
#include "platform/mousekeycodes.h"
#include "reader/labelimage.h"
#include "silentstandins.h"
#include "trace/tracesite.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Notes when the name box opens and answers with its offer; asked again (the offer was
// refused: another lot has that name), it cancels.
class TimedPrompts final : public Prompts
{
public:
    Button message(const QString &text, Buttons, Icon, const QString &) override
    {
        messages += text.startsWith(u"No enclosed site"_s) ? 1 : 0;
        return Button::Ok;
    }
    QString input(const QString &, const QString &, const QString &defaultText) override
    {
        if (openedAt >= 0)
            return {};
        openedAt = clock.nsecsElapsed();
        return offered = defaultText;
    }
    QString openFile(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return {}; }

    QElapsedTimer clock;
    qint64 openedAt = -1;
    QString offered;
    int messages = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QImageReader::setAllocationLimit(0);
    const QStringList args = app.arguments();
    QSize size(10000, 10000);
    if (args.size() > 1) {
        const QStringList wh = args[1].split(u'x');
        size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
    }
    const int lots = args.size() > 2 ? args[2].toInt() : 1001;
    const int clicks = args.size() > 3 ? args[3].toInt() : 101;

    const Plan plan = makePlan(size, lots, 7);
    MapDocument document;
    NullView view;
    TimedPrompts prompts;
    NullControl control;
    CornerCapture capture(view, control, 15, 15);
    HotSpotEditing editing(document, capture, prompts, view);
    SiteOutliner outliner(document, capture, editing, prompts,
        { [&] { return plan.picture; }, [] { return QStringList(); }, [] { return false; } });

    const QString dump = qEnvironmentVariable("BENCH_DOUBLECLICK_DUMP");
    const int pressAhead = qEnvironmentVariableIntValue("BENCH_DOUBLECLICK_PRESS_MS");
    std::vector<double> times;
    int right = 0, offered = 0;
    const int step = std::max<int>(1, int(plan.lots.size()) / clicks);
    for (qsizetype i = 0; i < plan.lots.size() && int(times.size()) < clicks; i += step) {
        const PlanLot &lot = plan.lots.at(i);
        prompts.openedAt = -1;
        if (times.empty() && pressAhead > 0) {
            outliner.pressed(MouseKeyCodes::LeftButton, MouseKeyCodes::NoKey);
            QThread::msleep(pressAhead);
        }
        prompts.clock.start();
        outliner.doubleClicked(lot.click, 0);
        if (prompts.openedAt < 0)
            continue;
        times.push_back(prompts.openedAt / 1e6);
        offered += prompts.offered.isEmpty() ? 0 : 1;
        right += prompts.offered == lot.name ? 1 : 0;
        if (prompts.offered != lot.name && !dump.isEmpty()) {
            if (const auto site = traceSite(plan.picture, lot.click)) {
                const QImage crop = interiorCrop(plan.picture, *site);
                crop.save(u"%1/%2-crop.png"_s.arg(dump, lot.name));
                prepareLabel(crop).image.save(u"%1/%2-label.png"_s.arg(dump, lot.name));
            }
            std::printf(
                "lot %s offered \"%s\"\n", qPrintable(lot.name), qPrintable(prompts.offered));
        }
    }
    if (times.empty())
        return 1;
    const double first = times.front();
    std::vector<double> later(times.begin() + 1, times.end());
    std::sort(later.begin(), later.end());
    std::printf("%dx%d, %d lots: double-click to name box, first use %.1f ms (first press %d ms "
                "ahead); after: median %.1f ms "
                "(10-90 %%: %.1f-%.1f, max %.1f) over %zu clicks\n",
        size.width(), size.height(), lots, first, pressAhead, median(later),
        later.empty() ? 0 : later[later.size() / 10],
        later.empty() ? 0 : later[later.size() * 9 / 10], later.empty() ? 0 : later.back(),
        later.size());
    std::printf("names offered %d of %zu, read right %d (%.1f %%); no site found %d\n", offered,
        times.size(), right, 100.0 * right / double(times.size()), prompts.messages);
    return 0;
}
