#include "reader/labelimage.h"

#include <QList>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Below this much contrast a crop is paper and grain, not print.
constexpr int MinContrast = 64;
constexpr int Border = 12;
constexpr int Margin = 2;

// Otsu's threshold: the gray level that best splits the histogram into two classes.
int otsuThreshold(const std::array<qint64, 256> &histogram, qint64 total)
{
    double sum = 0;
    for (int i = 0; i < 256; ++i)
        sum += double(i) * double(histogram[i]);
    double sumBelow = 0;
    qint64 below = 0;
    double best = -1;
    int threshold = 128;
    for (int t = 0; t < 256; ++t) {
        below += histogram[t];
        if (below == 0)
            continue;
        const qint64 above = total - below;
        if (above == 0)
            break;
        sumBelow += double(t) * double(histogram[t]);
        const double meanBelow = sumBelow / double(below);
        const double meanAbove = (sum - sumBelow) / double(above);
        const double between =
            double(below) * double(above) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (between > best) {
            best = between;
            threshold = t;
        }
    }
    return threshold;
}

struct Blob
{
    QRect box;
    qint64 area = 0;
};

// The 8-connected groups of ink pixels.
QList<Blob> inkBlobs(const QImage &gray, int threshold)
{
    const int w = gray.width();
    const int h = gray.height();
    QList<quint8> seen(qsizetype(w) * h, 0);
    QList<QPoint> stack;
    QList<Blob> blobs;
    for (int y = 0; y < h; ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            if (row[x] > threshold || seen[qsizetype(y) * w + x])
                continue;
            Blob blob;
            int left = x, right = x, top = y, bottom = y;
            seen[qsizetype(y) * w + x] = 1;
            stack.append(QPoint(x, y));
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                ++blob.area;
                left = std::min(left, p.x());
                right = std::max(right, p.x());
                top = std::min(top, p.y());
                bottom = std::max(bottom, p.y());
                for (int dy = -1; dy <= 1; ++dy) {
                    const int ny = p.y() + dy;
                    if (ny < 0 || ny >= h)
                        continue;
                    const uchar *next = gray.constScanLine(ny);
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.x() + dx;
                        if (nx < 0 || nx >= w || next[nx] > threshold)
                            continue;
                        quint8 &mark = seen[qsizetype(ny) * w + nx];
                        if (!mark) {
                            mark = 1;
                            stack.append(QPoint(nx, ny));
                        }
                    }
                }
            }
            blob.box = QRect(QPoint(left, top), QPoint(right, bottom));
            blobs.append(blob);
        }
    }
    return blobs;
}

} // namespace

QImage prepareLabel(const QImage &crop, int textHeight)
{
    if (crop.isNull())
        return {};
    const QImage gray = crop.convertToFormat(QImage::Format_Grayscale8);
    std::array<qint64, 256> histogram {};
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            ++histogram[row[x]];
    }
    const qint64 total = qint64(gray.width()) * gray.height();
    const auto darkest =
        std::find_if(histogram.begin(), histogram.end(), [](qint64 n) { return n; });
    const auto lightest =
        std::find_if(histogram.rbegin(), histogram.rend(), [](qint64 n) { return n; });
    if (int(lightest.base() - histogram.begin()) - 1 - int(darkest - histogram.begin())
        < MinContrast)
        return {};
    const int threshold = otsuThreshold(histogram, total);

    QList<Blob> blobs = inkBlobs(gray, threshold);
    qint64 largest = 0;
    for (const Blob &blob : blobs)
        largest = std::max(largest, blob.area);
    // Grain is a few pixels; a period is a good part of a stroke's width squared.
    const qint64 minArea = std::max<qint64>(4, largest / 40);
    blobs.removeIf([&](const Blob &blob) { return blob.area < minArea; });
    if (blobs.isEmpty())
        return {};

    QRect ink;
    int tallest = 0;
    for (const Blob &blob : blobs) {
        ink |= blob.box;
        tallest = std::max(tallest, blob.box.height());
    }
    // The characters' height: the median of the tall blobs, so that periods, hyphens and the
    // dots over letters do not count, nor one long stroke.
    QList<int> heights;
    for (const Blob &blob : blobs) {
        if (blob.box.height() * 2 >= tallest)
            heights.append(blob.box.height());
    }
    std::sort(heights.begin(), heights.end());
    const int charHeight = std::max(1, heights.at(heights.size() / 2));
    const double scale = std::clamp(double(textHeight) / charHeight, 0.25, 8.0);

    const QRect source = ink.adjusted(-Margin, -Margin, Margin, Margin) & gray.rect();
    const QImage scaled = gray.copy(source).scaled(qRound(source.width() * scale),
        qRound(source.height() * scale), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage label(
        scaled.width() + 2 * Border, scaled.height() + 2 * Border, QImage::Format_Grayscale8);
    label.fill(255);
    for (int y = 0; y < scaled.height(); ++y)
        std::memcpy(label.scanLine(y + Border) + Border, scaled.constScanLine(y), scaled.width());
    return label;
}
