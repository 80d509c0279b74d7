#include "trace/tracesite.h"

#include "trace/regiontracer.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

std::optional<TracedSite> traceSite(const QImage &picture, QPoint seed, const TraceOptions &options)
{
    if (!picture.rect().contains(seed))
        return std::nullopt;
    const qint64 quarter = qint64(picture.width()) * picture.height() / 4;
    // Start with a window around the seed and grow it while the region goes on beyond it, so
    // a large picture is never read whole for one site.
    int half = 256;
    for (;;) {
        const QRect window =
            QRect(seed - QPoint(half, half), QSize(2 * half, 2 * half)) & picture.rect();
        const WindowTrace trace = traceInWindow(picture, seed, window, options);
        // Not enclosed, or far too large to be a site: no need to see all of it.
        if (trace.area > quarter || trace.site.touchesEdge)
            return std::nullopt;
        switch (trace.result) {
        case WindowTrace::Traced:
            return trace.site;
        case WindowTrace::OnLine:
            return std::nullopt;
        case WindowTrace::ReachesWindowEdge:
            if (half >= options.searchRadius)
                return std::nullopt;
            half = std::min(2 * half, options.searchRadius);
            break;
        }
    }
}

void snapToCorners(QPolygon &outline, const QList<QPolygon> &existing, int tolerance)
{
    const qint64 reach = qint64(tolerance) * tolerance;
    for (QPoint &corner : outline) {
        qint64 best = reach + 1;
        QPoint nearest = corner;
        for (const QPolygon &other : existing) {
            if (!other.boundingRect()
                     .adjusted(-tolerance, -tolerance, tolerance, tolerance)
                     .contains(corner))
                continue;
            for (const QPoint &p : other) {
                const QPoint d = p - corner;
                const qint64 squared = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
                if (squared < best)
                    best = squared, nearest = p;
            }
        }
        corner = nearest;
    }
    // Two corners snapped onto the same one are one corner.
    QPolygon distinct;
    for (const QPoint &p : std::as_const(outline))
        if (distinct.isEmpty() || distinct.last() != p)
            distinct.append(p);
    while (distinct.size() > 1 && distinct.first() == distinct.last())
        distinct.removeLast();
    outline = distinct;
}

QImage interiorCrop(const QImage &picture, const TracedSite &site)
{
    const QRect area = site.bounds & picture.rect();
    if (area.isEmpty() || site.interior.isNull())
        return {};
    const QImage gray = picture.copy(area).convertToFormat(QImage::Format_Grayscale8);
    const QPoint offset = area.topLeft() - site.bounds.topLeft();
    cv::Mat mask(site.interior.height(), site.interior.width(), CV_8U,
        const_cast<uchar *>(site.interior.constBits()), size_t(site.interior.bytesPerLine()));
    // Keep clear of the boundary line's soft edge.
    cv::Mat inner;
    cv::erode(mask, inner, cv::getStructuringElement(cv::MORPH_RECT, { 5, 5 }));
    // What is masked off takes the tone of the site's own paper, not white: a reader splitting
    // ink from paper by one threshold would split the paper from white instead.
    std::array<int, 256> histogram {};
    int kept = 0;
    for (int y = 0; y < area.height(); ++y) {
        const uchar *in = gray.constScanLine(y);
        const uchar *keep = inner.ptr<uchar>(y + offset.y()) + offset.x();
        for (int x = 0; x < area.width(); ++x)
            if (keep[x])
                ++histogram[in[x]], ++kept;
    }
    int paper = 255;
    for (int level = 0, seen = 0; level < 256; ++level) {
        seen += histogram[level];
        if (2 * seen > kept) {
            paper = level;
            break;
        }
    }
    cv::Mat crop(area.height(), area.width(), CV_8U, cv::Scalar(paper));
    for (int y = 0; y < area.height(); ++y) {
        const uchar *in = gray.constScanLine(y);
        const uchar *keep = inner.ptr<uchar>(y + offset.y()) + offset.x();
        uchar *out = crop.ptr<uchar>(y);
        for (int x = 0; x < area.width(); ++x)
            if (keep[x])
                out[x] = in[x];
    }
    cv::Mat turned = crop;
    if (std::abs(site.angle) > 0.2) {
        // Turn about the centre into a canvas large enough for the whole crop.
        const double radians = site.angle * CV_PI / 180;
        const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
        const cv::Size size(int(std::ceil(crop.cols * c + crop.rows * s)),
            int(std::ceil(crop.cols * s + crop.rows * c)));
        cv::Mat rotation = cv::getRotationMatrix2D(
            cv::Point2f(crop.cols / 2.0f, crop.rows / 2.0f), site.angle, 1.0);
        rotation.at<double>(0, 2) += (size.width - crop.cols) / 2.0;
        rotation.at<double>(1, 2) += (size.height - crop.rows) / 2.0;
        cv::warpAffine(
            crop, turned, rotation, size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(paper));
    }
    QImage result(turned.cols, turned.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < turned.rows; ++y)
        std::copy_n(turned.ptr<uchar>(y), turned.cols, result.scanLine(y));
    return result;
}
