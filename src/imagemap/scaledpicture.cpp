#include "imagemap/scaledpicture.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <utility>

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
    , m_poll(new QTimer(this))
{
    // Decoded rows and copies are looked for at about the screen's rate.
    m_poll->setInterval(15);
    connect(m_poll, &QTimer::timeout, this, &ScaledPicture::poll);
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
    m_levels = {};
    m_levels[0] = picture;
    m_jpeg.reset();
    m_asked = {};
    m_decodedRows = 0;
    m_poll->stop();
}

void ScaledPicture::setPicture(const LoadingPicture &picture)
{
    setPicture(picture.image());
    m_jpeg = picture.jpeg();
    if (!m_jpeg)
        return;
    m_decodedRows = m_jpeg->readyRows();
    m_poll->start();
    // Should nothing show the picture soon, its decoding begins all the same.
    QTimer::singleShot(500, this, [this, generation = m_generation] {
        if (generation == m_generation)
            startDecoding();
    });
}

QRegion ScaledPicture::decodedRegion() const
{
    if (isDecoded())
        return QRegion(picture().rect());
    return QRegion(0, 0, picture().width(), m_jpeg->readyRows()) + m_jpeg->firstPart();
}

void ScaledPicture::startDecoding()
{
    if (!m_jpeg)
        return;
    // The decoder makes the eighth first of all.
    m_asked[3] = true;
    m_jpeg->start();
    m_poll->start();
}

void ScaledPicture::waitForFullPicture() const
{
    if (m_jpeg)
        m_jpeg->waitForFullPicture();
}

void ScaledPicture::prepare(double zoom)
{
    if (m_jpeg) {
        // The smallest copy the zoom needs; the sixteenth is halved from the eighth.
        for (int level = 3; level >= 1; --level) {
            if (zoom > 0 && 1.0 / (1 << level) < zoom * (1 - 1e-9))
                continue;
            m_asked[level] = true;
            m_jpeg->requestCopy(1 << level);
            if (zoom > 0)
                break;
        }
        m_poll->start();
        return;
    }
    if (m_started || picture().isNull())
        return;
    m_started = true;
    halveFrom(0);
}

// Each copy is made from the one before it, a halving at a time, which averages every pixel of
// the picture into the smaller copies.
void ScaledPicture::halveFrom(int level)
{
    if (!m_cancelled)
        m_cancelled = std::make_shared<std::atomic_bool>(false);
    m_jobs.append(QtConcurrent::run(&copyMaker(),
        [this, level, source = m_levels[level], generation = m_generation,
            cancelled = m_cancelled] {
            QImage previous = source.depth() == 32
                ? source
                : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            for (int next = level + 1; next <= maxLevels; ++next) {
                if (*cancelled || previous.width() < 2 || previous.height() < 2)
                    return;
                QImage copy = halved(previous);
                if (*cancelled)
                    return;
                QMetaObject::invokeMethod(
                    this, [this, generation, next, copy] { store(generation, next, copy); },
                    Qt::QueuedConnection);
                previous = std::move(copy);
            }
        }));
}

void ScaledPicture::store(quint64 generation, int level, const QImage &copy)
{
    if (generation != m_generation || !m_levels[level].isNull())
        return;
    m_levels[level] = copy;
    emit copyReady();
}

void ScaledPicture::poll()
{
    if (!m_jpeg) {
        m_poll->stop();
        return;
    }
    const int rows = m_jpeg->readyRows();
    if (rows > m_decodedRows) {
        const int top = std::exchange(m_decodedRows, rows);
        emit decoded(QRegion(0, top, picture().width(), rows - top) - m_jpeg->firstPart());
    }
    bool waiting = !m_jpeg->isComplete();
    for (int level = 1; level <= 3; ++level) {
        if (!m_asked[level] || !m_levels[level].isNull())
            continue;
        const QImage copy = m_jpeg->copy(1 << level);
        if (copy.isNull()) {
            waiting = true;
            continue;
        }
        m_levels[level] = copy;
        if (level == 3)
            halveFrom(3);
        emit copyReady();
    }
    if (!waiting)
        m_poll->stop();
}

bool ScaledPicture::isComplete() const
{
    QSize size = picture().size();
    for (int level = 1; level <= maxLevels; ++level) {
        if (size.width() < 2 || size.height() < 2)
            break;
        if (m_levels[level].isNull())
            return false;
        size = QSize((size.width() + 1) / 2, (size.height() + 1) / 2);
    }
    return true;
}

void ScaledPicture::waitForCopies()
{
    // Copies asked of the decoder are taken as they come.
    const auto missing = [this] {
        for (int level = 1; level <= 3; ++level) {
            if (m_jpeg && m_asked[level] && m_levels[level].isNull())
                return true;
        }
        return false;
    };
    while (missing()) {
        QThread::msleep(2);
        poll();
    }
    for (QFuture<void> &job : m_jobs)
        job.waitForFinished();
    // The copies reach this object as queued calls.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

ScaledPicture::Level ScaledPicture::level(int index) const
{
    return { &m_levels[index],
        index == 0 ? 1.0 : double(m_levels[index].width()) / picture().width(), index };
}

ScaledPicture::Level ScaledPicture::levelFor(double zoom) const
{
    int best = 0;
    for (int index = 1; index <= maxLevels; ++index) {
        if (!m_levels[index].isNull() && level(index).scale >= zoom * (1 - 1e-9))
            best = index;
    }
    return level(best);
}

ScaledPicture::Level ScaledPicture::standIn() const
{
    for (int index = 1; index <= maxLevels; ++index) {
        if (!m_levels[index].isNull())
            return level(index);
    }
    return level(0);
}
