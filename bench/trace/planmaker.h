#pragma once

#include <QImage>
#include <QList>
#include <QPolygon>
#include <QString>

// A drawn plan whose lots are known: the measure the tracer is held to.
struct PlanLot
{
    QString name;
    // The centre line of the lot's boundary, as drawn.
    QPolygon outline;
    // All edges straight (curved lots have many corners along their arc).
    bool straight = true;
    // A point inside the lot away from its label, where a person would double-click.
    QPoint click;
};

struct Plan
{
    QImage picture;
    QList<PlanLot> lots;
};

// Draws lotCount lots in blocks of two rows: 2–4 px lines with a few breaks up to 10 px, some
// blocks turned by up to 15°, some with a curved side, trees over boundaries, numbers in several
// fonts and sizes; then passes the picture through JPEG at jpegQuality (0: not at all).
Plan makePlan(QSize size, int lotCount, quint32 seed, int jpegQuality = 75);
