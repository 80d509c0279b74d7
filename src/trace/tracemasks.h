#pragma once

#include <QHash>
#include <QImage>
#include <QRect>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdlib>

// Pixel masks of a trace window: the colour around the seed, the ink that differs from it, and
// the morphology the region's growth is built from.
namespace RegionTrace {

// The window's pixels as 4-channel BGRA, sharing the picture's memory where its format allows.
struct WindowPixels
{
    QImage converted;
    cv::Mat bgra;
};

WindowPixels windowPixels(const QImage &picture, QRect window);
// The colour around the seed: the median of its 3 × 3 neighbourhood, channel by channel.
cv::Vec4b seedColour(const cv::Mat &bgra, cv::Point seed);
// Largest difference in any channel from colour, per pixel.
cv::Mat colourDistance(const cv::Mat &bgra, cv::Vec4b colour);
// How far from the seed's colour a pixel may be and still belong to its region.
int windowTolerance(const cv::Mat &bgra, int largest);
// A colour as 32-bit pictures hold it, 0xRRGGBB.
inline quint32 packed(cv::Vec4b bgra)
{
    return quint32(bgra[0]) | quint32(bgra[1]) << 8 | quint32(bgra[2]) << 16;
}
// Largest difference in any colour channel between two colours 0xRRGGBB.
inline int channelDistance(quint32 a, quint32 b)
{
    return std::max({ std::abs(int(a & 0xff) - int(b & 0xff)),
        std::abs(int((a >> 8) & 0xff) - int((b >> 8) & 0xff)),
        std::abs(int((a >> 16) & 0xff) - int((b >> 16) & 0xff)) });
}
// A colour that fills at least this many whole 3 × 3 blocks is a field (a region's or the sea's
// flat colour); a thick spot of a line's shade fills fewer.
constexpr int fieldBlocks = 32;
// For each colour 0xRRGGBB, how many pixels of the window have it all around them.
QHash<quint32, int> solidBlocks(const cv::Mat &bgra);
// A map of few colours saved without loss, none of them farther than contrast from colour: its
// flat colours are exact and its boundaries are faint shades between them, not drawn lines.
bool plainMap(const cv::Mat &bgra, cv::Vec4b colour, int contrast);
// Pixels of the flat colours other than colour (fields such as the sea or a neighbouring
// colour), colours that fill whole 3 × 3 blocks somewhere in the window, with the shading
// nearly of one of their colours; and the pixels nearer to colour than to any of them. 255 masks.
struct Fields
{
    cv::Mat fields, nearer;
};
Fields otherFields(const cv::Mat &bgra, cv::Vec4b colour, int tolerance);

cv::Mat disk(int radius);
// The 4-connected part of free (255 where allowed) around seed, as a 255 mask.
cv::Mat fillFrom(const cv::Mat &free, cv::Point seed, cv::Rect *bounds, qint64 *area);
// Closing and opening with a disk of any radius at the cost of two distance transforms.
cv::Mat grown(const cv::Mat &mask, double radius);
cv::Mat shrunk(const cv::Mat &mask, double radius);
bool touchesBorder(const cv::Rect &r, cv::Size size);

} // namespace RegionTrace
