#pragma once

#include <QImage>
#include <QRect>

#include <opencv2/core.hpp>

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
