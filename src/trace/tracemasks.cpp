#include "trace/tracemasks.h"

#include <QHash>
#include <QSet>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace RegionTrace {

WindowPixels windowPixels(const QImage &picture, QRect window)
{
    WindowPixels pixels;
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        pixels.bgra = cv::Mat(window.height(), window.width(), CV_8UC4,
            const_cast<uchar *>(picture.constScanLine(window.top())) + 4 * window.left(),
            size_t(picture.bytesPerLine()));
        break;
    default:
        pixels.converted = picture.copy(window).convertToFormat(QImage::Format_RGB32);
        pixels.bgra = cv::Mat(window.height(), window.width(), CV_8UC4,
            const_cast<uchar *>(pixels.converted.constBits()),
            size_t(pixels.converted.bytesPerLine()));
    }
    return pixels;
}

cv::Vec4b seedColour(const cv::Mat &bgra, cv::Point seed)
{
    std::array<std::vector<uchar>, 3> channels;
    for (int y = std::max(0, seed.y - 1); y <= std::min(bgra.rows - 1, seed.y + 1); ++y)
        for (int x = std::max(0, seed.x - 1); x <= std::min(bgra.cols - 1, seed.x + 1); ++x)
            for (int c = 0; c < 3; ++c)
                channels[c].push_back(bgra.at<cv::Vec4b>(y, x)[c]);
    cv::Vec4b colour(0, 0, 0, 255);
    for (int c = 0; c < 3; ++c) {
        auto middle = channels[c].begin() + channels[c].size() / 2;
        std::nth_element(channels[c].begin(), middle, channels[c].end());
        colour[c] = *middle;
    }
    return colour;
}

cv::Mat colourDistance(const cv::Mat &bgra, cv::Vec4b colour)
{
    cv::Mat distance(bgra.size(), CV_8U);
    for (int y = 0; y < bgra.rows; ++y) {
        const uchar *in = bgra.ptr<uchar>(y);
        uchar *out = distance.ptr<uchar>(y);
        for (int x = 0; x < bgra.cols; ++x) {
            const int b = std::abs(in[4 * x] - colour[0]);
            const int g = std::abs(in[4 * x + 1] - colour[1]);
            const int r = std::abs(in[4 * x + 2] - colour[2]);
            out[x] = uchar(std::max({ b, g, r }));
        }
    }
    return distance;
}

// A picture of few colours (a drawn map, saved without loss) tells slightly different flat
// colours apart; a scan or a JPEG needs the full tolerance for its grain and noise.
int windowTolerance(const cv::Mat &bgra, int largest)
{
    QSet<quint32> colours;
    for (int y = 0; y < bgra.rows; y += 3) {
        const quint32 *row = bgra.ptr<quint32>(y);
        for (int x = 0; x < bgra.cols; x += 3) {
            colours.insert(row[x] & 0xffffff);
            if (colours.size() > 64)
                return largest;
        }
    }
    return std::min(12, largest);
}

bool plainMap(const cv::Mat &bgra, cv::Vec4b colour, int contrast)
{
    const quint32 own = packed(colour);
    QSet<quint32> colours;
    quint32 last = 0xffffffff;
    for (int y = 0; y < bgra.rows; ++y) {
        const quint32 *row = bgra.ptr<quint32>(y);
        for (int x = 0; x < bgra.cols; ++x) {
            const quint32 c = row[x] & 0xffffff;
            if (c == last)
                continue;
            last = c;
            if (colours.contains(c))
                continue;
            if (channelDistance(c, own) > contrast)
                return false;
            colours.insert(c);
            if (colours.size() > 64)
                return false;
        }
    }
    return true;
}

QHash<quint32, int> solidBlocks(const cv::Mat &bgra)
{
    QHash<quint32, int> blocks;
    quint32 run = 0xffffffff;
    int runBlocks = 0;
    for (int y = 1; y + 1 < bgra.rows; ++y) {
        const quint32 *above = bgra.ptr<quint32>(y - 1), *row = bgra.ptr<quint32>(y),
                      *below = bgra.ptr<quint32>(y + 1);
        for (int x = 1; x + 1 < bgra.cols; ++x) {
            const quint32 c = row[x] & 0xffffff;
            if (((row[x - 1] ^ c) | (row[x + 1] ^ c) | (above[x - 1] ^ c) | (above[x] ^ c)
                    | (above[x + 1] ^ c) | (below[x - 1] ^ c) | (below[x] ^ c) | (below[x + 1] ^ c))
                & 0xffffff)
                continue;
            // Counted a run at a time: a field is long runs of one colour.
            if (c != run) {
                if (runBlocks)
                    blocks[run] += runBlocks;
                run = c;
                runBlocks = 0;
            }
            ++runBlocks;
        }
    }
    if (runBlocks)
        blocks[run] += runBlocks;
    return blocks;
}

Fields otherFields(const cv::Mat &bgra, cv::Vec4b colour, int tolerance)
{
    const quint32 own = packed(colour);
    const QHash<quint32, int> blocks = solidBlocks(bgra);
    QList<quint32> others;
    for (auto b = blocks.cbegin(); b != blocks.cend(); ++b)
        if (b.value() >= fieldBlocks && channelDistance(b.key(), own) > tolerance)
            others.append(b.key());
    Fields result { cv::Mat::zeros(bgra.size(), CV_8U), cv::Mat(bgra.size(), CV_8U, 255) };
    if (others.isEmpty())
        return result;
    quint32 last = 0xffffffff;
    uchar lastField = 0, lastNearer = 0;
    for (int y = 0; y < bgra.rows; ++y) {
        const quint32 *row = bgra.ptr<quint32>(y);
        uchar *field = result.fields.ptr<uchar>(y);
        uchar *nearer = result.nearer.ptr<uchar>(y);
        for (int x = 0; x < bgra.cols; ++x) {
            const quint32 c = row[x] & 0xffffff;
            if (c != last) {
                // Only shading nearly the field's colour is the field's own soft edge; the rest of
                // a coast's shading lies over the land.
                const int fromOwn = channelDistance(c, own);
                last = c;
                lastField = std::any_of(others.begin(), others.end(),
                                [&](quint32 f) { return 4 * channelDistance(c, f) < fromOwn; })
                    ? 255
                    : 0;
                lastNearer = std::all_of(others.begin(), others.end(),
                                 [&](quint32 f) { return fromOwn < channelDistance(c, f); })
                    ? 255
                    : 0;
            }
            field[x] = lastField;
            nearer[x] = lastNearer;
        }
    }
    return result;
}

cv::Mat disk(int radius)
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, { 2 * radius + 1, 2 * radius + 1 });
}

cv::Mat fillFrom(const cv::Mat &free, cv::Point seed, cv::Rect *bounds, qint64 *area)
{
    cv::Mat work = free.clone();
    *area = cv::floodFill(work, seed, 128, bounds, 0, 0, 4 | cv::FLOODFILL_FIXED_RANGE);
    cv::Mat region;
    cv::compare(work, 128, region, cv::CMP_EQ);
    return region;
}

cv::Mat grown(const cv::Mat &mask, double radius)
{
    cv::Mat outside, distance, result;
    cv::bitwise_not(mask, outside);
    cv::distanceTransform(outside, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::compare(distance, radius, result, cv::CMP_LE);
    return result;
}

cv::Mat shrunk(const cv::Mat &mask, double radius)
{
    cv::Mat distance, result;
    cv::distanceTransform(mask, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::compare(distance, radius, result, cv::CMP_GT);
    return result;
}

bool touchesBorder(const cv::Rect &r, cv::Size size)
{
    return r.x == 0 || r.y == 0 || r.x + r.width == size.width || r.y + r.height == size.height;
}

} // namespace RegionTrace
