// Times and checks the name reader on labels drawn as plans print them:
//   bench_reader                 first use, steady reads, 1001 crops by one reader and by two
//   bench_reader --quality [N]   the share of N (400) drawn labels read right, and the misreadings
//   bench_reader --thread-limits later reads, Tesseract on one thread and on two, cores free or busy
// Options for the quality run: --psm MODE (Tesseract's page segmentation), --height PIXELS
// (character height handed to Tesseract), --min-confidence C, --show (every reading),
// --all-letters (I and O among the block letters), --trees (beside a third of the labels),
// --left-over DEGREES (how askew the crops may be left), --dump DIR (the misread labels as
// Tesseract got them).

#include "drawnlabel.h"
#include "reader/labelimage.h"
#include "reader/namereader.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Sample
{
    QString text; // as printed, '\n' between lines
    QImage crop;
    QString style;
};

QString expected(const Sample &sample)
{
    return QString(sample.text).replace(u'\n', u' ');
}

// Block letters as plats use them: without I and O, which read as 1 and 0 (--all-letters puts
// them back).
QString blockLetters = u"ABCDEFGHJKLMNPQRSTUVWXYZ"_s;
// --trees: a third of the sites have a tree drawn beside the label.
bool withTrees = false;
// --left-over DEGREES: how far off straight the crops may be left (1.5).
double leftOver = 1.5;

QChar blockLetter(QRandomGenerator &random)
{
    return blockLetters.at(random.bounded(int(blockLetters.size())));
}

QString labelText(QRandomGenerator &random)
{
    const int n = random.bounded(1, 1002);
    switch (random.bounded(7)) {
    case 0:
        return QString::number(n);
    case 1:
        return u"Lot %1"_s.arg(n);
    case 2:
        return u"%1-%2"_s.arg(blockLetter(random)).arg(random.bounded(1, 100));
    case 3:
        return u"%1/%2"_s.arg(random.bounded(1, 60)).arg(random.bounded(1, 20));
    case 4:
        return u"%1.%2"_s.arg(random.bounded(1, 400)).arg(random.bounded(10));
    case 5:
        return u"Lot\n%1"_s.arg(n);
    default:
        return u"Block %1 Lot %2"_s.arg(blockLetter(random)).arg(n % 60 + 1);
    }
}

QList<Sample> samples(int count, quint32 seed)
{
    static const QStringList families { u"DejaVu Sans"_s, u"DejaVu Serif"_s, u"DejaVu Sans Mono"_s,
        u"DejaVu Sans Condensed"_s };
    static const QList<int> sizes { 10, 12, 14, 16, 20, 24, 28 };
    QRandomGenerator random(seed);
    QList<Sample> list;
    for (int i = 0; i < count; ++i) {
        LabelStyle style;
        style.family = families.at(random.bounded(families.size()));
        style.pixelSize = sizes.at(random.bounded(sizes.size()));
        style.bold = random.bounded(3) == 0;
        style.italic = random.bounded(5) == 0;
        if (random.bounded(2) == 0)
            style.angle = random.bounded(30.0) - 15.0;
        style.deskewError = random.bounded(2 * leftOver) - leftOver;
        style.jpegQuality = 60 + random.bounded(31);
        style.tree = withTrees && random.bounded(3) == 0;
        const QString text = labelText(random);
        const QString description = u"%1 %2px%3%4 %5° q%6"_s.arg(style.family)
                                        .arg(style.pixelSize)
                                        .arg(style.bold ? u" bold"_s : QString())
                                        .arg(style.italic ? u" italic"_s : QString())
                                        .arg(style.angle, 0, 'f', 1)
                                        .arg(style.jpegQuality)
            + (style.tree ? u" tree"_s : QString());
        list.append({ text, drawnLabel(text, style), description });
    }
    return list;
}

struct Spread
{
    double median, low, high, fastest, slowest;
};

// Median, 10th and 90th percentiles, extremes.
Spread spread(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values.at(qsizetype(q * double(values.size() - 1))); };
    return { at(0.5), at(0.1), at(0.9), values.first(), values.last() };
}

void print(const char *what, const QList<double> &values, const char *unit)
{
    const Spread s = spread(values);
    std::printf("%-48s median %7.1f %s  (10-90 %%: %.1f-%.1f, range %.1f-%.1f, n=%lld)\n", what,
        s.median, unit, s.low, s.high, s.fastest, s.slowest, qlonglong(values.size()));
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Later reads with Tesseract's threads limited to 1 and to 2, with the cores free and then kept
// busy by two spinning threads, as other work would.
int threadLimits()
{
    const QList<Sample> set = samples(101, 7);
    std::atomic<bool> stop = false;
    std::vector<std::thread> spinners;
    for (const bool busy : { false, true }) {
        for (int i = 0; busy && i < 2; ++i) {
            spinners.emplace_back([&stop] {
                while (!stop)
                    ;
            });
        }
        for (const int limit : { 1, 2, 1, 2 }) {
            // env sets the limit after the editor's side has put in its own.
            NameReader::Options options;
            options.arguments = { u"OMP_THREAD_LIMIT=%1"_s.arg(limit), options.program };
            options.program = u"/usr/bin/env"_s;
            NameReader reader(options);
            reader.read(set.first().crop);
            QList<double> times;
            for (const Sample &sample : set) {
                QElapsedTimer timer;
                timer.start();
                reader.read(sample.crop, std::chrono::seconds(10));
                times.append(msSince(timer));
            }
            print(qPrintable(u"Later reads, OMP_THREAD_LIMIT=%1, cores %2"_s.arg(limit).arg(
                      busy ? u"busy"_s : u"free"_s)),
                times, "ms");
        }
    }
    stop = true;
    for (std::thread &spinner : spinners)
        spinner.join();
    return 0;
}

int timings()
{
    const QList<Sample> set = samples(101, 7);

    QList<double> prepare;
    for (const Sample &sample : set) {
        QElapsedTimer timer;
        timer.start();
        const PreparedLabel label = prepareLabel(sample.crop);
        prepare.append(msSince(timer));
        Q_UNUSED(label)
    }
    print("Crop prepared (in the editor)", prepare, "ms");

    QList<double> firstUse;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer timer;
        timer.start();
        NameReader reader;
        const ReadResult result = reader.read(set.at(run).crop);
        firstUse.append(msSince(timer));
        if (!result.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(result.error));
            return 1;
        }
    }
    print("First use: start, load, read one label", firstUse, "ms");

    NameReader reader;
    reader.read(set.first().crop);
    QList<double> steady;
    QList<double> small;
    for (const Sample &sample : set) {
        QElapsedTimer timer;
        timer.start();
        reader.read(sample.crop);
        steady.append(msSince(timer));
        if (sample.text.size() <= 6 && !sample.text.contains(u'\n'))
            small.append(steady.last());
    }
    print("Later reads, every label", steady, "ms");
    print("Later reads, one-line labels of up to 6 characters", small, "ms");

    // Detect Sites' case: 1001 lots' crops.
    QList<QImage> crops;
    for (const Sample &sample : samples(1001, 11))
        crops.append(sample.crop);

    QList<double> one;
    QList<double> two;
    QList<double> queued;
    for (int round = 0; round < 3; ++round) {
        {
            QElapsedTimer timer;
            timer.start();
            NameReader batch;
            batch.readAll(crops);
            one.append(msSince(timer) / 1000);
        }
        {
            QElapsedTimer timer;
            timer.start();
            const qsizetype half = crops.size() / 2;
            QThread *helper = QThread::create([&] {
                NameReader second;
                second.readAll(crops.mid(half));
            });
            helper->start();
            NameReader first;
            first.readAll(crops.first(half));
            helper->wait();
            delete helper;
            two.append(msSince(timer) / 1000);
        }
        {
            // As the editor would: queued from the event loop, a signal per reading.
            QElapsedTimer timer;
            timer.start();
            NameReader batch;
            QEventLoop loop;
            int left = int(crops.size());
            QObject::connect(&batch, &NameReader::readingDone, &loop, [&] {
                if (--left == 0)
                    loop.quit();
            });
            for (const QImage &crop : crops)
                batch.enqueue(crop);
            loop.exec();
            queued.append(msSince(timer) / 1000);
        }
    }
    print("1001 crops, one reader (readAll)", one, "s");
    print("1001 crops, two readers on two threads", two, "s");
    print("1001 crops, one reader, queued from the event loop", queued, "s");
    return 0;
}

int quality(const QStringList &args)
{
    const auto option = [&](const QString &name, int fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const qsizetype at = args.indexOf(u"--quality"_s);
    const int count =
        at + 1 < args.size() && args.at(at + 1).toInt() > 0 ? args.at(at + 1).toInt() : 400;
    NameReader::Options options;
    for (const QString &name : { u"--psm"_s, u"--enough"_s }) {
        const qsizetype at = args.indexOf(name);
        if (at >= 0 && at + 1 < args.size())
            options.arguments << name << args.at(at + 1);
    }
    options.textHeight = option(u"--height"_s, options.textHeight);
    options.minConfidence = option(u"--min-confidence"_s, 0);
    const bool show = args.contains(u"--show"_s);
    withTrees = args.contains(u"--trees"_s);
    if (const qsizetype at = args.indexOf(u"--left-over"_s); at >= 0 && at + 1 < args.size())
        leftOver = args.at(at + 1).toDouble();
    if (args.contains(u"--all-letters"_s))
        blockLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
    const qsizetype dumpAt = args.indexOf(u"--dump"_s);
    const QString dump = dumpAt >= 0 && dumpAt + 1 < args.size() ? args.at(dumpAt + 1) : QString();

    const QList<Sample> set = samples(count, 1);
    NameReader reader(options);
    QElapsedTimer timer;
    timer.start();
    QList<QImage> crops;
    for (const Sample &sample : set)
        crops.append(sample.crop);
    const QList<ReadResult> results = reader.readAll(crops);
    const double seconds = msSince(timer) / 1000;

    int right = 0, empty = 0;
    QList<int> rightConfidence, wrongConfidence;
    for (qsizetype i = 0; i < set.size(); ++i) {
        const ReadResult &result = results.at(i);
        if (!result.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(result.error));
            return 1;
        }
        const bool good = result.text == expected(set.at(i));
        right += good;
        empty += result.text.isEmpty();
        (good ? rightConfidence : wrongConfidence).append(result.confidence);
        if (!good && !dump.isEmpty())
            prepareLabel(set.at(i).crop, options.textHeight)
                .image.save(u"%1/%2.png"_s.arg(dump).arg(i));
        if (show || !good)
            std::printf("%s %3lld %-16s read %-16s conf %3d  %s\n", good ? "  " : "!!",
                qlonglong(i), qPrintable(expected(set.at(i))),
                qPrintable(u'"' + result.text + u'"'), result.confidence,
                qPrintable(set.at(i).style));
    }
    std::sort(rightConfidence.begin(), rightConfidence.end());
    std::sort(wrongConfidence.begin(), wrongConfidence.end());
    std::printf("\n%d of %lld read right (%.1f %%), %d empty, %.2f s for all\n", right,
        qlonglong(set.size()), 100.0 * right / double(set.size()), empty, seconds);
    // Where to put the confidence a default needs: how many right readings it would drop and how
    // many wrong ones it would keep.
    for (int threshold : { 30, 50, 60, 70, 80, 90 }) {
        const auto below = [&](const QList<int> &list) {
            return std::count_if(list.begin(), list.end(), [&](int c) { return c < threshold; });
        };
        std::printf("confidence < %d: drops %lld right, %lld of %lld wrong\n", threshold,
            qlonglong(below(rightConfidence)), qlonglong(below(wrongConfidence)),
            qlonglong(wrongConfidence.size()));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUORVEL_READER"))
        qputenv("QUORVEL_READER", QUORVEL_READER_PROGRAM);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(u"--quality"_s))
        return quality(args);
    if (args.contains(u"--thread-limits"_s))
        return threadLimits();
    return timings();
}
