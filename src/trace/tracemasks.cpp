#include "trace/tracemasks.h"

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
