#include "platform/screenmetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

static double twipsPer(double dpi)
{
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

double twipsPerPixelX()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return twipsPer(screen ? screen->logicalDotsPerInchX() : 96.0);
}

double twipsPerPixelY()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return twipsPer(screen ? screen->logicalDotsPerInchY() : 96.0);
}

TwipsConverter screenTwips()
{
    return { twipsPerPixelX(), twipsPerPixelY() };
}

QRect windowPlacement(const QSize &size, const QRect &available)
{
    if (size.width() <= available.width() && size.height() <= available.height())
        return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available);
    return { available.topLeft(), size.boundedTo(available.size()) };
}
