#pragma once

#include "reader/readresult.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <memory>

class QProcess;
class QTimer;

/// How a crop is read another time, when the first reading is in doubt.
struct ReadStyle
{
    /// The characters' height handed to Tesseract; 0: the reader's textHeight.
    int textHeight = 0;
    /// As one line, without Tesseract's layout analysis (which reads a few monospaced digits
    /// the block layout misses, and no label of two lines).
    bool oneLine = false;
};

/// The reader executable: $QUORVEL_READER when set, else "quorvel-reader" beside the running
/// program, else in ../libexec/quorvel from it.
QString readerPath();

/// Reads the names printed in crops of a plan through one quorvel-reader process, started at
/// first use and kept; a reader that is missing, crashed or stuck fails the readings it had
/// with an error and is started again for the next one. One thread uses an instance at a time:
/// move it to a worker thread before its first use to read there.
class NameReader : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString program = readerPath();
        QStringList arguments;
        /// Pixel height of the characters as the crop is handed to Tesseract.
        int textHeight = 24;
        /// Readings below this confidence (0 to 100) give no text.
        int minConfidence = 50;
        /// For starting the process and loading Tesseract's data.
        std::chrono::milliseconds startTimeout = std::chrono::seconds(10);
        /// For one queued reading, from when the reader takes it.
        std::chrono::milliseconds queuedTimeout = std::chrono::seconds(10);
    };

    explicit NameReader(QObject *parent = nullptr);
    explicit NameReader(Options options, QObject *parent = nullptr);
    ~NameReader() override;

    /// Starts the reader without waiting for it, so that its start overlaps other work (such as
    /// tracing the site whose name comes next). Any use starts it anyway.
    void start();
    /// Reads \a crop (any format; gray is expected) and waits at most \a timeout for the
    /// answer, starting the reader first when it is not running (that wait is startTimeout).
    /// It goes ahead of the queued readings but those the reader has already taken (two at most).
    ReadResult read(
        const QImage &crop, std::chrono::milliseconds timeout = std::chrono::seconds(3));
    /// Reads every crop in turn, keeping the reader busy, and waits for all of them.
    QList<ReadResult> readAll(const QList<QImage> &crops,
        std::chrono::milliseconds timeoutEach = std::chrono::seconds(3));

    /// Queues \a crop and returns at once with its ticket; readingDone(ticket, …) follows from
    /// the event loop. Readings are answered in the order they were queued.
    quint64 enqueue(const QImage &crop, ReadStyle style = {});
    /// Forgets the queued readings that the reader has not taken yet; they are not answered.
    void cancelQueued();
    /// Queued readings not answered yet.
    int pendingCount() const;
    bool isRunning() const;

signals:
    void readingDone(quint64 ticket, const ReadResult &result);

private:
    struct Job
    {
        quint64 ticket = 0;
        QImage image; // the crop while queued, the label once prepared
        bool waited = false; // read() or readAll() waits for it; no signal
        int characters = 0; // how many the label can hold
        ReadStyle style;
    };

    bool ensureStarted();
    void startProcess();
    void send(Job job);
    void pump();
    ReadResult waitFor(quint64 ticket, std::chrono::milliseconds timeout);
    void onReadyRead();
    void abort(const QString &reason);
    void onProcessGone(const QString &reason);
    void finish(const Job &job, const ReadResult &result);
    ReadResult settled(const QString &text, int confidence, int room) const;
    void stopProcess();

    Options m_options;
    std::unique_ptr<QProcess> m_process;
    QTimer *m_watchdog = nullptr;
    bool m_ready = false;
    bool m_gone = false;
    QByteArray m_received;
    QByteArray m_errors;
    QList<Job> m_queue; // not sent yet
    QList<Job> m_inFlight; // sent, in the order the reader answers
    QHash<quint64, ReadResult> m_waitedResults;
    QSet<quint64> m_pending; // queued tickets whose signal is still to come
    QString m_lastError;
    quint64 m_nextTicket = 1;
};
