#include "imagemap/proposallayer.h"

#include <QColor>
#include <QPainter>
#include <QPen>

void ProposalLayer::set(const QList<QPolygon> &outlines, int selected)
{
    m_outlines = outlines;
    m_selected = selected;
    m_bounds.clear();
    m_bounds.reserve(outlines.size());
    for (const QPolygon &outline : outlines)
        m_bounds.append(outline.boundingRect());
}

void ProposalLayer::paint(QPainter &painter, const QRectF &visible) const
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (qsizetype i = 0; i < m_outlines.size(); ++i) {
        if (i == m_selected || !m_bounds[i].adjusted(-2, -2, 2, 2).intersects(visible.toRect()))
            continue;
        // Golden-angle hues keep neighbours apart.
        QPen pen(QColor::fromHsv(int(i * 137) % 360, 255, 200), 2, Qt::DashLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPolygon(m_outlines[i]);
    }
    if (m_selected >= 0 && m_selected < m_outlines.size()) {
        QPen pen(QColor(255, 0, 255), 3, Qt::DashLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(QColor(255, 0, 255, 56));
        painter.drawPolygon(m_outlines[m_selected]);
    }
    painter.restore();
}
