#include "imagemap/zoomladder.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<double, 15> ladder = { 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
    1.0 / 2, 2.0 / 3, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0 };

// Zooms that differ by less than this are the same step (Fit computed from sizes may land a
// rounding error away from one).
constexpr double sameStep = 1e-9;

} // namespace

namespace ZoomLadder {

std::span<const double> steps()
{
    return ladder;
}

double minimum()
{
    return ladder.front();
}

double maximum()
{
    return ladder.back();
}

double stepIn(double zoom)
{
    const auto next = std::upper_bound(ladder.begin(), ladder.end(), zoom + sameStep);
    return next == ladder.end() ? ladder.back() : *next;
}

double stepOut(double zoom)
{
    const auto next = std::lower_bound(ladder.begin(), ladder.end(), zoom - sameStep);
    return next == ladder.begin() ? ladder.front() : *(next - 1);
}

double fit(const QSizeF &picture, const QSizeF &view)
{
    if (picture.isEmpty() || view.isEmpty())
        return 1.0;
    const double zoom = std::min(view.width() / picture.width(), view.height() / picture.height());
    return std::clamp(zoom, minimum(), maximum());
}

double fittingStep(const QSizeF &picture, const QSizeF &view)
{
    const double zoom = std::min(fit(picture, view), 1.0);
    const auto above = std::upper_bound(ladder.begin(), ladder.end(), zoom + sameStep);
    return above == ladder.begin() ? ladder.front() : *(above - 1);
}

QPointF anchoredOffset(const QPointF &picturePoint, const QPointF &viewPoint, double zoom)
{
    return picturePoint * zoom - viewPoint;
}

QString percentText(double zoom)
{
    // Three significant digits, as the steps are usually written: 8.33, 66.7, 100, 800.
    const double percent = zoom * 100;
    return QString::number(percent, 'g', percent < 1000 ? 3 : 4) + u" %"_s;
}

} // namespace ZoomLadder
