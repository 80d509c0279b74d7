#pragma once

#include <QList>
#include <QPolygon>
#include <QRectF>

class QPainter;

/// Outlines proposed for new hot spots, drawn over the plan dashed, each in a colour of its
/// own, the selected one highlighted.
class ProposalLayer
{
public:
    void set(const QList<QPolygon> &outlines, int selected);
    bool isEmpty() const { return m_outlines.isEmpty(); }
    /// \a painter is in picture pixels; only outlines meeting \a visible are drawn.
    void paint(QPainter &painter, const QRectF &visible) const;

private:
    QList<QPolygon> m_outlines;
    QList<QRect> m_bounds;
    int m_selected = -1;
};
