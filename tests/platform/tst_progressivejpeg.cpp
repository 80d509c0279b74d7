#include "platform/apperror.h"
#include "platform/picture.h"
#include "testfiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Small enough for quick tests: pictures above twice this area are decoded in parts.
constexpr QSize firstPart(300, 200);
// The same library decodes both ways; allow for a rounding step all the same.
constexpr int tolerance = 1;

// Lines, areas, a gradient and noise, like a scanned plan.
QImage plan(QSize size, bool grey)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(250, 240, 200));
    gradient.setColorAt(1, QColor(120, 160, 220));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::darkRed, 3));
    for (int x = 7; x < size.width(); x += 53)
        painter.drawLine(x, 0, size.width() - x, size.height());
    painter.setBrush(Qt::darkGreen);
    for (int k = 0; k < 40; ++k)
        painter.drawEllipse(QPoint((k * 97) % size.width(), (k * 61) % size.height()), 17, 11);
    painter.end();
    quint32 seed = 1;
    for (int y = 0; y < size.height(); y += 3) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); x += 5) {
            seed = seed * 1664525 + 1013904223;
            line[x] ^= seed >> 8 & 0x3f3f3f;
        }
    }
    return grey ? image.convertToFormat(QImage::Format_Grayscale8) : image;
}

QByteArray jpeg(const QImage &image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode");
    return bytes;
}

int maxDifference(const QImage &a, const QImage &b, const QRect &rect)
{
    int most = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({ most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)) });
        }
    }
    return most;
}

// The mean difference per channel between a copy and the average of the blocks it stands for.
double copyDifference(const QImage &copy, const QImage &full, int denominator)
{
    double total = 0;
    for (int y = 0; y < copy.height(); ++y) {
        for (int x = 0; x < copy.width(); ++x) {
            const QRect block =
                QRect(x * denominator, y * denominator, denominator, denominator) & full.rect();
            int sum[3] = {};
            for (int v = block.top(); v <= block.bottom(); ++v) {
                for (int u = block.left(); u <= block.right(); ++u) {
                    const QRgb p = full.pixel(u, v);
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
                }
            }
            const double n = double(block.width()) * block.height();
            const QRgb c = copy.pixel(x, y);
            total += std::abs(qRed(c) - sum[0] / n) + std::abs(qGreen(c) - sum[1] / n)
                + std::abs(qBlue(c) - sum[2] / n);
        }
    }
    return total / (3.0 * copy.width() * copy.height());
}

struct Outcome
{
    QImage picture;
    std::optional<AppError> error;
};

template <typename Load> Outcome outcomeOf(Load load)
{
    try {
        return { load().convertToFormat(QImage::Format_RGB32), std::nullopt };
    } catch (const AppError &e) {
        return { {}, e };
    }
}

} // namespace

class tst_ProgressiveJpeg : public QObject
{
    Q_OBJECT

private slots:
    void decodesAsTheWholeDecodeDoes_data();
    void decodesAsTheWholeDecodeDoes();
    void damagedFileGivesWhatItGaveBefore_data();
    void damagedFileGivesWhatItGaveBefore();

private:
    QTemporaryDir m_dir;
};

void tst_ProgressiveJpeg::decodesAsTheWholeDecodeDoes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<bool>("inParts");

    QTest::newRow("colour") << QSize(901, 601) << false << false << true;
    QTest::newRow("odd size, narrower than the first part")
        << QSize(277, 555) << false << false << true;
    QTest::newRow("grey") << QSize(640, 480) << true << false << true;
    QTest::newRow("small: decoded whole") << QSize(300, 250) << false << false << false;
    QTest::newRow("progressive: decoded whole") << QSize(901, 601) << false << true << false;
}

void tst_ProgressiveJpeg::decodesAsTheWholeDecodeDoes()
{
    QFETCH(QSize, size);
    QFETCH(bool, grey);
    QFETCH(bool, progressive);
    QFETCH(bool, inParts);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    writeBytes(path, jpeg(plan(size, grey), progressive));
    const QImage whole = loadPicture(path).convertToFormat(QImage::Format_RGB32);

    PictureLoader loader(path, firstPart);
    const LoadingPicture picture = loader.load();
    const std::shared_ptr<ProgressiveJpegLoader> parts = picture.jpeg();
    QCOMPARE(bool(parts), inParts);
    QCOMPARE(picture.size(), size);
    if (parts) {
        // Before start() only the first part is decoded, as the whole decode has it.
        const QRect first = QRect(QPoint(0, 0), firstPart) & QRect(QPoint(0, 0), size);
        QCOMPARE(parts->firstPart(), first);
        QCOMPARE(parts->readyRows(), 0);
        QVERIFY(maxDifference(picture.image(), whole, first) <= tolerance);
        parts->requestCopy(2);
        parts->requestCopy(4);
    }
    const QImage full = picture.waitForFullPicture();
    QVERIFY(maxDifference(full, whole, whole.rect()) <= tolerance);
    if (!parts)
        return;
    // Copies scaled in the DCT differ from block averages only by the DCT's own smoothing.
    for (int denominator : { 2, 4, 8 }) {
        QTRY_VERIFY(!parts->copy(denominator).isNull());
        const QImage copy = parts->copy(denominator);
        QCOMPARE(copy.size(),
            QSize((size.width() + denominator - 1) / denominator,
                (size.height() + denominator - 1) / denominator));
        const double difference = copyDifference(copy, whole, denominator);
        QVERIFY2(difference < 4, qPrintable(QString::number(difference)));
    }
}

void tst_ProgressiveJpeg::damagedFileGivesWhatItGaveBefore_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray good = jpeg(plan(QSize(901, 601), false));
    const QByteArray half = good.left(good.size() / 2);
    const qsizetype sof = good.indexOf("\xFF\xC0");
    const QByteArray frameHeader =
        good.mid(sof, 2 + (uchar(good[sof + 2]) << 8 | uchar(good[sof + 3])));
    QByteArray garbled = good;
    for (qsizetype at = good.size() / 2; at < good.size() / 2 + 400; ++at) {
        if (uchar(garbled[at]) != 0xFF && uchar(garbled[at] ^ 0x5A) != 0xFF)
            garbled[at] = char(garbled[at] ^ 0x5A);
    }

    QTest::newRow("cut off half-way") << half;
    QTest::newRow("cut off half-way, end marker added") << half + "\xFF\xD9";
    QTest::newRow("another scan half-way")
        << half + QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\xFF\xD9", 12);
    QTest::newRow("another frame header half-way") << half + frameHeader + "\xFF\xD9";
    QTest::newRow("garbled data half-way") << garbled;
    QTest::newRow("a comment after the scan")
        << good.left(good.size() - 2) + QByteArray("\xFF\xFE\x00\x04ok\xFF\xD9", 8);
}

void tst_ProgressiveJpeg::damagedFileGivesWhatItGaveBefore()
{
    QFETCH(QByteArray, bytes);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    writeBytes(path, bytes);
    const Outcome before = outcomeOf([&] { return loadPicture(path); });
    bool decodedInParts = false;
    const Outcome inParts = outcomeOf([&] {
        const LoadingPicture picture = PictureLoader(path, firstPart).load();
        decodedInParts = bool(picture.jpeg());
        return picture.waitForFullPicture();
    });
    QCOMPARE(inParts.error.has_value(), before.error.has_value());
    if (before.error) {
        QCOMPARE(inParts.error->number, before.error->number);
        QCOMPARE(inParts.error->description, before.error->description);
        return;
    }
    QVERIFY(decodedInParts);
    QCOMPARE(inParts.picture.size(), before.picture.size());
    QVERIFY(maxDifference(inParts.picture, before.picture, before.picture.rect()) <= tolerance);
}

QTEST_MAIN(tst_ProgressiveJpeg)
#include "tst_progressivejpeg.moc"
