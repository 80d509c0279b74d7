#pragma once

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>

#include <atomic>
#include <memory>

/// A picture with copies of it at half, a quarter, an eighth and a sixteenth of its size, so
/// that a zoomed-out view is drawn from a copy near its own size instead of from every pixel
/// of the picture. The copies are made on a worker thread when first asked for; until they are
/// ready, the nearest larger one stands in.
class ScaledPicture : public QObject
{
    Q_OBJECT

public:
    explicit ScaledPicture(QObject *parent = nullptr);
    ~ScaledPicture() override;

    /// Replaces the picture and forgets the copies of the old one.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_levels.front(); }

    /// Starts making the smaller copies, unless they exist or are being made.
    void prepare();
    /// Whether every smaller copy is ready.
    bool isComplete() const;
    /// Blocks until the copies being made are ready (benchmarks and tests).
    void waitForCopies();

    struct Level
    {
        const QImage *image;
        /// The copy's size over the picture's.
        double scale;
    };
    /// The copy to draw from at \a zoom: the smallest ready one that is still at least as
    /// large as the picture at that zoom.
    Level levelFor(double zoom) const;

    /// How many halvings there are at most (down to a sixteenth).
    static constexpr int maxLevels = 4;

signals:
    /// Another copy is ready; views drawn from a larger one can be drawn again.
    void copyReady();

private:
    void store(quint64 generation, int level, const QImage &copy);
    void cancel();

    QList<QImage> m_levels;
    quint64 m_generation = 0;
    bool m_started = false;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    QList<QFuture<void>> m_jobs;
};
