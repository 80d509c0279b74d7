#include "imagemap/scaledpicture.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

// The copies are made one picture at a time on a thread of their own: in Qt's shared pool they
// would hold up the threads that painting and scaling borrow from it, and so the window.
QThreadPool &copyMaker()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

// Half the size, rounded up so that a copy is never smaller than its nominal scale; each pixel
// the average of the two by two it replaces (edge pixels stand in for the missing ones of an
// odd size). The picture is 32-bit RGB or premultiplied ARGB, whose channels average alike.
// Done here rather than by QImage::scaled, which would spread the work over Qt's shared threads
// and so make the window's own painting wait for it.
QImage halved(const QImage &source)
{
    const int width = (source.width() + 1) / 2, height = (source.height() + 1) / 2;
    QImage half(width, height, source.format());
    if (half.isNull())
        return half;
    const int lastX = source.width() - 1, lastY = source.height() - 1;
    for (int y = 0; y < height; ++y) {
        const auto *top = reinterpret_cast<const quint32 *>(source.constScanLine(2 * y));
        const auto *bottom =
            reinterpret_cast<const quint32 *>(source.constScanLine(std::min(2 * y + 1, lastY)));
        auto *out = reinterpret_cast<quint32 *>(half.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int left = 2 * x, right = std::min(2 * x + 1, lastX);
            const quint32 p[4] = { top[left], top[right], bottom[left], bottom[right] };
            quint32 mixed = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const quint32 sum = ((p[0] >> shift) & 0xff) + ((p[1] >> shift) & 0xff)
                    + ((p[2] >> shift) & 0xff) + ((p[3] >> shift) & 0xff);
                mixed |= ((sum + 2) / 4) << shift;
            }
            out[x] = mixed;
        }
    }
    return half;
}

} // namespace

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
    m_jobs.append(QtConcurrent::run(
        &copyMaker(), [this, source, generation = m_generation, cancelled = m_cancelled] {
            QImage previous = source.depth() == 32
                ? source
                : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            for (int level = 1; level <= maxLevels; ++level) {
                if (*cancelled || previous.width() < 2 || previous.height() < 2)
                    return;
                QImage copy = halved(previous);
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
