// Times loading a 6000 by 4000 site plan JPEG, as start-up does: Qt's reader on its own, and
// loadPicture with its huge-page buffer. Prints the median of each over several runs, taken in
// turn so that both see the same state of the machine.
//
//   bench_picture [runs] [plain|loader]
//
// runs defaults to 5; naming one method times only that one, so that a fresh process can be
// timed on its own, as at start-up. The picture is drawn into /tmp/quorvel-bench-plan.jpg when
// that file does not exist yet, and left there for the next run.

#include "platform/picture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Parcels, streets, labels and paper grain: compresses like a scanned plan, not like a flat
// test card.
QImage drawPlan()
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    image.fill(QColor(250, 247, 238));
    QRandomGenerator random(1100);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 120000; ++i) {
        painter.setPen(QColor(230 + random.bounded(20), 225 + random.bounded(20), 210));
        painter.drawPoint(random.bounded(6000), random.bounded(4000));
    }
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(22);
    painter.setFont(font);
    int lot = 1;
    for (int by = 0; by < 4000; by += 400) {
        for (int bx = 0; bx < 6000; bx += 600) {
            for (int row = 0; row < 2; ++row) {
                for (int col = 0; col < 5; ++col) {
                    const int x = bx + 40 + col * 104;
                    const int y = by + 40 + row * 160;
                    const int skew = random.bounded(30) - 15;
                    const QPolygon outline(QList<QPoint> { { x, y }, { x + 100, y + skew / 3 },
                        { x + 100 + skew, y + 150 }, { x, y + 150 } });
                    painter.setBrush(QColor::fromHsv(random.bounded(360), 40, 235));
                    painter.setPen(QPen(QColor(60, 70, 60), 2));
                    painter.drawPolygon(outline);
                    painter.setPen(QColor(30, 30, 30));
                    painter.drawText(
                        QRect(x, y + 55, 100, 40), Qt::AlignCenter, QString::number(lot++));
                }
            }
        }
    }
    painter.setPen(QPen(QColor(170, 170, 170), 28));
    for (int x = 10; x < 6000; x += 600)
        painter.drawLine(x, 0, x + 80, 4000);
    for (int y = 10; y < 4000; y += 400)
        painter.drawLine(0, y, 6000, y - 40);
    painter.end();
    return image;
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();

    const QString path = QDir::tempPath() + u"/quorvel-bench-plan.jpg"_s;
    if (!QFileInfo::exists(path)) {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(85);
        if (!writer.write(drawPlan())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    QList<double> plain, loader, decodeOnly;
    QImage warm(6000, 4000, QImage::Format_RGB32);
    std::memset(warm.bits(), 0, size_t(warm.sizeInBytes()));
    QImageReader::setAllocationLimit(512);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (only.isEmpty() || only == "plain") {
            QImageReader reader(path);
            const QImage image = reader.read();
            plain.append(seconds(timer));
            if (image.size() != QSize(6000, 4000))
                return 1;
        }
        timer.restart();
        if (only.isEmpty() || only == "loader") {
            const QImage image = loadPicture(path);
            loader.append(seconds(timer));
            if (image.size() != QSize(6000, 4000))
                return 1;
        }
        // Decoding into memory already touched: what is left once page faults cost nothing.
        timer.restart();
        QImageReader reader(path);
        reader.read(&warm);
        decodeOnly.append(seconds(timer));
    }

    std::printf("6000x4000 JPEG (%lld bytes), median of %d runs\n",
        static_cast<long long>(QFileInfo(path).size()), runs);
    if (!plain.isEmpty())
        std::printf("  QImageReader::read()          %.3f s\n", median(plain));
    if (!loader.isEmpty())
        std::printf("  loadPicture()                 %.3f s\n", median(loader));
    std::printf("  decoding into touched memory  %.3f s\n", median(decodeOnly));
    return 0;
}
