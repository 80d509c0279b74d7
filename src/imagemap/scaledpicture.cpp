#include "imagemap/scaledpicture.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

ScaledPicture::ScaledPicture(QObject *parent)
    : QObject(parent)
    , m_levels { QImage() }
{
}

ScaledPicture::~ScaledPicture()
{
    cancel();
    // The jobs post to this object: they must end before it goes.
    for (QFuture<void> &job : m_jobs)
        job.waitForFinished();
}

// A job stops at its next copy; what it still posts belongs to an older picture and is dropped,
// so nobody waits for it.
void ScaledPicture::cancel()
{
    if (m_cancelled)
        *m_cancelled = true;
    m_cancelled.reset();
    m_jobs.removeIf([](const QFuture<void> &job) { return job.isFinished(); });
}

void ScaledPicture::setPicture(const QImage &picture)
{
    cancel();
    ++m_generation;
    m_started = false;
    m_levels = { picture };
}

void ScaledPicture::prepare()
{
    const QImage source = m_levels.front();
    if (m_started || source.isNull())
        return;
    m_started = true;
    m_cancelled = std::make_shared<std::atomic_bool>(false);
    // Each copy is made from the one before it, a halving at a time, which averages every
    // pixel of the picture into the smaller copies.
    m_jobs.append(
        QtConcurrent::run([this, source, generation = m_generation, cancelled = m_cancelled] {
            QImage previous = source;
            for (int level = 1; level <= maxLevels; ++level) {
                if (*cancelled || previous.width() < 2 || previous.height() < 2)
                    return;
                // Rounded up, so a copy is never smaller than its nominal scale.
                QImage copy = previous.scaled((previous.width() + 1) / 2,
                    (previous.height() + 1) / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                if (*cancelled)
                    return;
                QMetaObject::invokeMethod(
                    this, [this, generation, level, copy] { store(generation, level, copy); },
                    Qt::QueuedConnection);
                previous = std::move(copy);
            }
        }));
}

void ScaledPicture::store(quint64 generation, int level, const QImage &copy)
{
    if (generation != m_generation || level != m_levels.size())
        return;
    m_levels.append(copy);
    emit copyReady();
}

bool ScaledPicture::isComplete() const
{
    const QImage &source = m_levels.front();
    if (source.isNull())
        return true;
    const QImage &last = m_levels.back();
    return m_levels.size() > maxLevels || last.width() < 2 || last.height() < 2;
}

void ScaledPicture::waitForCopies()
{
    for (QFuture<void> &job : m_jobs)
        job.waitForFinished();
    // The copies reach this object as queued calls.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

ScaledPicture::Level ScaledPicture::levelFor(double zoom) const
{
    qsizetype level = 0;
    const QImage &source = m_levels.front();
    while (level + 1 < m_levels.size()) {
        const double scale = double(m_levels[level + 1].width()) / source.width();
        if (scale < zoom * (1 - 1e-9))
            break;
        ++level;
    }
    return { &m_levels[level],
        level == 0 ? 1.0 : double(m_levels[level].width()) / source.width() };
}
