#include "reader/namereader.h"

#include "platform/helperprogram.h"
#include "reader/labelimage.h"
#include "reader/readerprotocol.h"
#include "reader/readingtext.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Two requests in the pipe keep the reader busy while the editor reads the last answer; more
// would only make a waiting read() wait longer.
constexpr qsizetype MaxInFlight = 2;
constexpr qsizetype MaxErrorText = 2048;

// Tesseract's page segmentation mode for a single line laid out as it is, no layout analysis.
constexpr quint32 RawLine = 13;

QByteArray requestBytes(quint64 ticket, const QImage &label, bool oneLine)
{
    const int width = label.width();
    const int height = label.height();
    QByteArray bytes(
        ReaderProtocol::RequestHeaderSize + qsizetype(width) * height, Qt::Uninitialized);
    char *at = bytes.data();
    std::memcpy(at, ReaderProtocol::RequestMagic, 4);
    qToLittleEndian<quint32>(quint32(ticket), at + 4);
    qToLittleEndian<quint32>(quint32(width), at + 8);
    qToLittleEndian<quint32>(quint32(height), at + 12);
    qToLittleEndian<quint32>(oneLine ? RawLine : 0, at + 16);
    at += ReaderProtocol::RequestHeaderSize;
    for (int y = 0; y < height; ++y, at += width)
        std::memcpy(at, label.constScanLine(y), size_t(width));
    return bytes;
}

ReadResult failure(const QString &error)
{
    ReadResult result;
    result.error = error;
    return result;
}

} // namespace

QString readerPath()
{
    return helperProgramPath("QUORVEL_READER", u"quorvel-reader"_s);
}

NameReader::NameReader(QObject *parent)
    : NameReader(Options {}, parent)
{
}

NameReader::NameReader(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_watchdog(new QTimer(this))
{
    qRegisterMetaType<ReadResult>();
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, [this] {
        if (m_ready)
            abort(tr("The name reader took longer than %1 ms to read a name; it was stopped.")
                      .arg(m_options.queuedTimeout.count()));
        else
            abort(tr("The name reader %1 was not ready within %2 ms; it was stopped.")
                      .arg(m_options.program)
                      .arg(m_options.startTimeout.count()));
    });
}

NameReader::~NameReader()
{
    stopProcess();
}

void NameReader::start()
{
    if (!isRunning())
        startProcess();
}

ReadResult NameReader::read(const QImage &crop, std::chrono::milliseconds timeout)
{
    const PreparedLabel label = prepareLabel(crop, m_options.textHeight);
    if (label.image.isNull())
        return settled({}, 0, 0);
    if (!ensureStarted())
        return failure(m_lastError);
    const quint64 ticket = m_nextTicket++;
    send(Job { ticket, label.image, true, label.characters, {} });
    return waitFor(ticket, timeout);
}

QList<ReadResult> NameReader::readAll(
    const QList<QImage> &crops, std::chrono::milliseconds timeoutEach)
{
    QList<ReadResult> results(crops.size());
    QList<quint64> tickets(crops.size(), 0);
    qsizetype next = 0;
    for (qsizetype done = 0; done < crops.size(); ++done) {
        for (; next < crops.size() && next - done < MaxInFlight; ++next) {
            const PreparedLabel label = prepareLabel(crops.at(next), m_options.textHeight);
            if (label.image.isNull()) {
                results[next] = settled({}, 0, 0);
            } else if (!ensureStarted()) {
                results[next] = failure(m_lastError);
            } else {
                tickets[next] = m_nextTicket++;
                send(Job { tickets[next], label.image, true, label.characters, {} });
            }
        }
        if (tickets.at(done) != 0)
            results[done] = waitFor(tickets.at(done), timeoutEach);
    }
    return results;
}

quint64 NameReader::enqueue(const QImage &crop, ReadStyle style)
{
    const quint64 ticket = m_nextTicket++;
    m_queue.append(Job { ticket, crop, false, 0, style });
    m_pending.insert(ticket);
    pump();
    return ticket;
}

void NameReader::cancelQueued()
{
    m_queue.clear();
    m_pending.clear();
}

int NameReader::pendingCount() const
{
    return int(m_pending.size());
}

bool NameReader::isRunning() const
{
    return m_process && !m_gone;
}

bool NameReader::ensureStarted()
{
    if (isRunning() && m_ready)
        return true;
    if (!isRunning())
        startProcess();
    const QDeadlineTimer deadline(m_options.startTimeout);
    while (isRunning() && !m_ready) {
        if (!m_process->waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))
            && deadline.hasExpired() && isRunning())
            abort(tr("The name reader %1 was not ready within %2 ms; it was stopped.")
                      .arg(m_options.program)
                      .arg(m_options.startTimeout.count()));
    }
    return m_ready;
}

void NameReader::startProcess()
{
    stopProcess();
    m_gone = false;
    m_ready = false;
    m_received.clear();
    m_errors.clear();
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Tesseract's OpenMP reads it when the process starts, not later.
    environment.insert(u"OMP_THREAD_LIMIT"_s, u"1"_s);
    m_process->setProcessEnvironment(environment);
    QProcess *process = m_process.get();
    connect(process, &QProcess::readyReadStandardOutput, this, &NameReader::onReadyRead);
    connect(process, &QProcess::readyReadStandardError, this, [this, process] {
        m_errors += process->readAllStandardError();
        m_errors = m_errors.right(MaxErrorText);
    });
    connect(process, &QProcess::finished, this, [this] { onProcessGone({}); });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onProcessGone({});
    });
    m_watchdog->start(m_options.startTimeout);
    process->start(m_options.program, m_options.arguments);
}

void NameReader::stopProcess()
{
    if (!m_process)
        return;
    disconnect(m_process.get(), nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        m_process->kill();
        m_process->waitForFinished(1000);
    }
    m_process.reset();
    m_ready = false;
}

void NameReader::send(Job job)
{
    m_process->write(requestBytes(job.ticket, job.image, job.style.oneLine));
    job.image = {};
    m_inFlight.append(job);
    if (m_inFlight.size() == 1)
        m_watchdog->start(m_options.queuedTimeout);
}

void NameReader::pump()
{
    while (!m_queue.isEmpty() && m_inFlight.size() < MaxInFlight) {
        if (!isRunning()) {
            startProcess(); // Ready, or its failure, calls again
            return;
        }
        if (!m_ready)
            return;
        Job job = m_queue.takeFirst();
        const PreparedLabel label = prepareLabel(
            job.image, job.style.textHeight > 0 ? job.style.textHeight : m_options.textHeight);
        job.image = label.image;
        job.characters = label.characters;
        if (job.image.isNull())
            finish(job, settled({}, 0, 0));
        else
            send(job);
    }
}

ReadResult NameReader::waitFor(quint64 ticket, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!m_waitedResults.contains(ticket) && isRunning()) {
        if (deadline.hasExpired()) {
            abort(tr("The name reader took longer than %1 ms to read a name; it was stopped.")
                      .arg(timeout.count()));
            break;
        }
        m_process->waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    if (m_waitedResults.contains(ticket))
        return m_waitedResults.take(ticket);
    return failure(m_lastError);
}

void NameReader::onReadyRead()
{
    m_received += m_process->readAllStandardOutput();
    if (!m_ready) {
        if (m_received.size() < 4)
            return;
        if (std::memcmp(m_received.constData(), ReaderProtocol::Ready, 4) != 0) {
            abort(tr("The name reader %1 is not a name reader.").arg(m_options.program));
            return;
        }
        m_received.remove(0, 4);
        m_ready = true;
        m_watchdog->stop();
    }
    while (m_received.size() >= ReaderProtocol::ReplyHeaderSize) {
        const char *at = m_received.constData();
        const quint32 id = qFromLittleEndian<quint32>(at + 4);
        const int confidence = int(qFromLittleEndian<quint32>(at + 8));
        const quint32 length = qFromLittleEndian<quint32>(at + 12);
        if (std::memcmp(at, ReaderProtocol::ReplyMagic, 4) != 0 || length > ReaderProtocol::MaxText
            || m_inFlight.isEmpty() || id != quint32(m_inFlight.first().ticket)) {
            abort(tr("The name reader %1 answered out of turn; it was stopped.")
                      .arg(m_options.program));
            return;
        }
        if (m_received.size() < ReaderProtocol::ReplyHeaderSize + qsizetype(length))
            break;
        const QString text = QString::fromUtf8(at + ReaderProtocol::ReplyHeaderSize, length);
        m_received.remove(0, ReaderProtocol::ReplyHeaderSize + length);
        const Job job = m_inFlight.takeFirst();
        finish(job, settled(text, confidence, job.characters));
    }
    if (m_inFlight.isEmpty())
        m_watchdog->stop();
    else
        m_watchdog->start(m_options.queuedTimeout);
    pump();
}

void NameReader::abort(const QString &reason)
{
    if (!isRunning())
        return;
    m_process->kill();
    onProcessGone(reason);
}

void NameReader::onProcessGone(const QString &reason)
{
    if (m_gone || !m_process)
        return;
    m_gone = true;
    m_watchdog->stop();
    const bool wasReady = m_ready;
    m_ready = false;
    if (!reason.isEmpty()) {
        m_lastError = reason;
    } else if (m_process->error() == QProcess::FailedToStart) {
        m_lastError = tr("The name reader %1 cannot be started: %2")
                          .arg(m_options.program, m_process->errorString());
    } else {
        const QString said = QString::fromLocal8Bit(m_errors).trimmed();
        const QString how = m_process->exitStatus() == QProcess::CrashExit
            ? tr("crashed")
            : tr("exited with code %1").arg(m_process->exitCode());
        m_lastError = wasReady
            ? tr("The name reader %1 %2 while reading.").arg(m_options.program, how)
            : tr("The name reader %1 %2 before it was ready.").arg(m_options.program, how);
        if (!said.isEmpty())
            m_lastError += u' ' + said;
    }
    // A reader that never got ready will not read the rest either; after a crash the next
    // reading starts a new one.
    const QList<Job> failed =
        std::exchange(m_inFlight, {}) + (wasReady ? QList<Job> {} : std::exchange(m_queue, {}));
    for (const Job &job : failed)
        finish(job, failure(m_lastError));
    if (!m_queue.isEmpty())
        QMetaObject::invokeMethod(this, &NameReader::pump, Qt::QueuedConnection);
}

void NameReader::finish(const Job &job, const ReadResult &result)
{
    if (job.waited) {
        m_waitedResults.insert(job.ticket, result);
        return;
    }
    // Queued, so that a slot may call read() without re-entering this one.
    QMetaObject::invokeMethod(
        this,
        [this, ticket = job.ticket, result] {
            if (m_pending.remove(ticket))
                emit readingDone(ticket, result);
        },
        Qt::QueuedConnection);
}

ReadResult NameReader::settled(const QString &text, int confidence, int room) const
{
    ReadResult result;
    result.ok = true;
    result.confidence = confidence;
    result.characters = room;
    // Twice the characters that the label's shapes can hold is a reading of a symbol (a tree's
    // crown read as "38"), not of print.
    const auto characters =
        std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (confidence >= m_options.minConfidence && characters < 2 * qsizetype(room))
        result.text = tidyReading(text);
    return result;
}
