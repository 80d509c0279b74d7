#include "app/startupprobe.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class PaintWatcher final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // A zero timer fires once the paint and everything queued behind it are done.
            QTimer::singleShot(0, [] {
                std::fprintf(
                    stderr, "quorvel-idle %.6f\n", QDateTime::currentMSecsSinceEpoch() / 1000.0);
                std::fflush(stderr);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

void installStartupProbe(QWidget *window)
{
    if (qEnvironmentVariableIsEmpty("QUORVEL_STARTUP_PROBE"))
        return;
    QWidget *map = window->findChild<QWidget *>(QStringLiteral("ImageMap1"));
    QWidget *target = map ? map : window;
    target->installEventFilter(new PaintWatcher(target));
}
