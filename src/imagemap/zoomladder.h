#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

#include <span>

/// The zoom steps a picture is shown at, and the arithmetic of zooming: the neighbouring
/// steps, the zoom that fits a picture into a view, and the scroll offset that keeps one
/// picture point under one view point.
namespace ZoomLadder {

/// The steps, smallest first; 1 is actual size.
std::span<const double> steps();
double minimum();
double maximum();

/// The next step above \a zoom (a zoom between steps goes to its upper neighbour); the largest
/// step stays.
double stepIn(double zoom);
/// The next step below \a zoom; the smallest step stays.
double stepOut(double zoom);
/// The largest zoom, within the ladder's range, at which \a picture shows whole in \a view.
double fit(const QSizeF &picture, const QSizeF &view);
/// The largest step at which \a picture shows whole in \a view, never above actual size.
double fittingStep(const QSizeF &picture, const QSizeF &view);

/// The scroll offset (of the zoomed picture's top-left corner from the view's) that shows the
/// picture point \a picturePoint at the view point \a viewPoint when zoomed by \a zoom.
QPointF anchoredOffset(const QPointF &picturePoint, const QPointF &viewPoint, double zoom);

/// The zoom as the window shows it: "100 %", "8.33 %", "66.7 %".
QString percentText(double zoom);

} // namespace ZoomLadder
