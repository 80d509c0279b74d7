#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

/// A large JPEG decoded in parts with libjpeg-turbo, so that a window shows the part it needs
/// long before the whole picture is decoded: the top-left part first, on the opening thread;
/// then, once start() is called, the whole picture from the top down on a thread of its own,
/// and copies at a half, a quarter and an eighth of its size, scaled in the DCT, on another.
///
/// Only files whose decoding cannot fail once it has begun are taken: one sequential
/// Huffman-coded scan of 8-bit grey, YCbCr or RGB. In such a file libjpeg raises errors only
/// on the header and on the markers after the scan (damaged data within the scan it fills in
/// and warns about), and both are read before anything else is decoded.
class ProgressiveJpegLoader
{
public:
    /// Where the first scan's coded data lies in the file: from just after its SOS segment to
    /// the first marker after it that is not a restart marker (the file's size when none).
    struct ScanBounds
    {
        qint64 begin = 0;
        qint64 end = 0;
    };

    /// A loader for the JPEG open as \a fd (of \a fileSize bytes; the descriptor is
    /// duplicated) whose first part is its top-left \a firstPart; null when the file is not
    /// such a JPEG, or not much larger than \a firstPart. Throws AppError 481 when libjpeg
    /// refuses the header, or the picture needs more than \a maxBytes.
    static std::shared_ptr<ProgressiveJpegLoader> open(
        int fd, qint64 fileSize, ScanBounds scan, QSize firstPart, qint64 maxBytes);
    /// Reads the markers after the scan and decodes the first part, on the calling thread.
    /// Throws AppError 481 when libjpeg refuses the markers: then nothing else is decoded.
    void decodeFirstPart();
    /// Stops the decoding and waits for its threads.
    ~ProgressiveJpegLoader();

    ProgressiveJpegLoader(const ProgressiveJpegLoader &) = delete;
    ProgressiveJpegLoader &operator=(const ProgressiveJpegLoader &) = delete;

    QSize size() const { return m_image.size(); }
    /// The picture, 32-bit RGB. Only its first part and its rows above readyRows() are decoded
    /// (and so may be read) until isComplete().
    const QImage &image() const { return m_image; }
    QRect firstPart() const { return m_firstPart; }
    int readyRows() const { return m_readyRows.load(std::memory_order_acquire); }
    bool isComplete() const { return readyRows() >= m_image.height(); }

    /// Starts decoding the rest of the picture and its eighth-size copy; later calls do
    /// nothing.
    void start();
    /// Asks for the copy at 1 / \a denominator (2, 4 or 8) of the picture's size, for a view
    /// that waits for it: the rest of the picture waits while it is made. Starts.
    void requestCopy(int denominator);
    /// The copy at 1 / \a denominator, or a null image until it is made.
    QImage copy(int denominator) const;
    /// Blocks until every row is decoded; starts.
    void waitForFullPicture();

private:
    ProgressiveJpegLoader(int fd, qint64 fileSize, ScanBounds scan);
    static int slotOf(int denominator);
    void decodeRest();
    bool copyAwaited() const;
    void makeCopies();

    int m_fd = -1;
    qint64 m_fileSize = 0;
    ScanBounds m_scan;
    QImage m_image;
    uchar *m_bits = nullptr;
    QRect m_firstPart;
    std::atomic<int> m_readyRows = 0;
    std::atomic<bool> m_stop = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    // Indexed by slotOf(): a half, a quarter, an eighth.
    std::array<bool, 3> m_wanted {};
    // Copies a view waits for, which go before the rest of the picture.
    std::array<bool, 3> m_awaited {};
    std::array<QImage, 3> m_copies;
    std::thread m_rest;
    std::thread m_copyMaker;
};
