#pragma once

#include "platform/loadingpicture.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRegion>

#include <array>
#include <atomic>
#include <memory>

class QTimer;

/// A picture with copies of it at half, a quarter, an eighth and a sixteenth of its size, so
/// that a zoomed-out view is drawn from a copy near its own size instead of from every pixel
/// of the picture. The copies are made on a worker thread when first asked for; until they are
/// ready, the nearest larger one stands in.
///
/// A picture still being decoded (a large JPEG at start-up) gets its copies from its decoder,
/// scaled in the DCT, the eighth one first; until its last row is decoded, the decoded part
/// is drawn from it and the largest copy made so far stands in for the rest.
class ScaledPicture : public QObject
{
    Q_OBJECT

public:
    explicit ScaledPicture(QObject *parent = nullptr);
    ~ScaledPicture() override;

    /// Replaces the picture and forgets the copies of the old one.
    void setPicture(const QImage &picture);
    void setPicture(const LoadingPicture &picture);
    const QImage &picture() const { return m_levels.front(); }

    /// Whether every pixel of picture() is decoded.
    bool isDecoded() const { return !m_jpeg || m_jpeg->isComplete(); }
    /// The pixels of picture() decoded so far (all of them once isDecoded()).
    QRegion decodedRegion() const;
    /// Lets the decoding of the rest begin, once the first part is on the screen.
    void startDecoding();
    /// Blocks until every pixel of picture() is decoded.
    void waitForFullPicture() const;

    /// Starts making the smaller copies that a view zoomed to \a zoom needs (all of them for
    /// 0), unless they exist or are being made.
    void prepare(double zoom = 0);
    /// Whether every smaller copy is ready.
    bool isComplete() const;
    /// Blocks until the copies being made are ready (benchmarks and tests).
    void waitForCopies();

    struct Level
    {
        const QImage *image;
        /// The copy's size over the picture's.
        double scale;
        /// 0 for the picture, 1 for its half, 2 for its quarter...
        int index;
    };
    /// The copy to draw from at \a zoom: the smallest ready one that is still at least as
    /// large as the picture at that zoom.
    Level levelFor(double zoom) const;
    /// The largest copy made so far, which stands in for what is not decoded yet; index 0 when
    /// there is none.
    Level standIn() const;

    /// How many halvings there are at most (down to a sixteenth).
    static constexpr int maxLevels = 4;

signals:
    /// Another copy is ready; views drawn from a larger one can be drawn again.
    void copyReady();
    /// More of the picture is decoded: \a pixels, which were not before.
    void decoded(const QRegion &pixels);

private:
    void store(quint64 generation, int level, const QImage &copy);
    void cancel();
    void halveFrom(int level);
    void poll();
    Level level(int index) const;

    std::array<QImage, maxLevels + 1> m_levels;
    quint64 m_generation = 0;
    bool m_started = false;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    QList<QFuture<void>> m_jobs;

    std::shared_ptr<ProgressiveJpegLoader> m_jpeg;
    std::array<bool, maxLevels + 1> m_asked {};
    int m_decodedRows = 0;
    QTimer *m_poll = nullptr;
};
