#pragma once

#include <QImage>
#include <QSize>

#include <atomic>
#include <thread>

/// An uninitialised image backed by transparent huge pages where the system offers them.
/// Faulting in a large picture 4 KiB at a time costs more than decoding it; 2 MiB pages make
/// that first touch several times cheaper. A null image when the memory cannot be had.
QImage allocatePictureImage(QSize size, QImage::Format format);

/// While a decoder fills an image from allocatePictureImage from the top down, faults its pages
/// in from the bottom up on a thread of its own, so that the kernel's work on fresh memory runs
/// beside the decoding instead of inside it. Stops and ends its thread when destroyed; the
/// image's buffer must stay where it is until then.
class PicturePrefault
{
public:
    explicit PicturePrefault(const QImage &image);
    ~PicturePrefault();

    PicturePrefault(const PicturePrefault &) = delete;
    PicturePrefault &operator=(const PicturePrefault &) = delete;

private:
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};
