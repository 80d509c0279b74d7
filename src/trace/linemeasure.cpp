#include "trace/linemeasure.h"

#include "trace/tracegeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>

namespace RegionTrace {

LineMeasure measureLine(const std::vector<cv::Point> &contour, double orientation,
    const cv::Mat &distance, cv::Point shift, int tolerance)
{
    const int n = int(contour.size());
    const int samples = std::min(n, 96);
    std::vector<double> offsets, widths;
    constexpr int reach = 24;
    for (int s = 0; s < samples; ++s) {
        const int i = int(qint64(s) * n / samples);
        const Vec tangent = unit(centre(contour[(i + 3) % n]) - centre(contour[(i - 3 + n) % n]));
        const Vec normal = orientation * Vec { tangent.y, -tangent.x };
        const Vec start = centre(contour[i] + shift);
        std::array<double, reach + 2> profile {};
        bool inside = true;
        for (int t = 1; t <= reach + 1 && inside; ++t) {
            const Vec p = start + double(t) * normal;
            const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
            if (x < 0 || y < 0 || x >= distance.cols || y >= distance.rows)
                inside = false;
            else
                profile[size_t(t)] = distance.at<uchar>(y, x);
        }
        if (!inside)
            continue;
        int firstInk = 0;
        for (int t = 1; t <= reach / 2 && !firstInk; ++t)
            if (profile[size_t(t)] > tolerance)
                firstInk = t;
        if (!firstInk)
            continue;
        int peakAt = firstInk;
        for (int t = firstInk; t <= std::min(reach, firstInk + 8); ++t)
            if (profile[size_t(t)] > profile[size_t(peakAt)])
                peakAt = t;
        const double peak = profile[size_t(peakAt)];
        auto cover = [&](int t) { return std::min(1.0, profile[size_t(t)] / peak); };
        int left = peakAt, right = peakAt;
        while (left > 1 && cover(left - 1) >= 0.5)
            --left;
        while (right < reach && cover(right + 1) >= 0.5)
            ++right;
        if (right - left >= 12 || right == reach) {
            // A change of colour rather than a line: the boundary is where it changes.
            offsets.push_back(left - 0.5);
            widths.push_back(0);
            continue;
        }
        double sum = 0, moment = 0;
        for (int t = std::max(1, left - 1); t <= right + 1; ++t) {
            sum += cover(t);
            moment += t * cover(t);
        }
        offsets.push_back(moment / sum);
        widths.push_back(sum);
    }
    LineMeasure measure;
    if (offsets.empty())
        return measure;
    auto median = [](std::vector<double> &values) {
        auto middle = values.begin() + values.size() / 2;
        std::nth_element(values.begin(), middle, values.end());
        return *middle;
    };
    measure.offset = median(offsets);
    measure.width = median(widths);
    return measure;
}

} // namespace RegionTrace
