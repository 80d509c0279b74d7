#pragma once

#include <QCursor>
#include <QGuiApplication>

/// Shows the busy cursor over the whole program while it lives, so that a picture that takes
/// seconds to load does not look like a frozen window.
class BusyCursor
{
public:
    BusyCursor()
        : m_shown(qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~BusyCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    Q_DISABLE_COPY_MOVE(BusyCursor)

private:
    bool m_shown;
};
