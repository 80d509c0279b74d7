#include "platform/picturebuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <limits>

namespace {

constexpr size_t HugePage = size_t(2) * 1024 * 1024;

struct Mapping
{
    void *start;
    size_t length;
};

void unmapPicture(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    munmap(mapping->start, mapping->length);
    delete mapping;
}

} // namespace

QImage allocatePictureImage(QSize size, QImage::Format format)
{
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || depth == 0)
        return {};
    const qint64 bytesPerLine = (qint64(size.width()) * depth + 31) / 32 * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (bytes / size.height() != bytesPerLine || bytes > std::numeric_limits<qsizetype>::max() / 2)
        return {};

    // Map a huge page more than needed so that the picture can start on a huge-page boundary,
    // then give back the slack on either side.
    const size_t length = (size_t(bytes) + HugePage - 1) / HugePage * HugePage;
    void *raw = mmap(
        nullptr, length + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return {};
    const auto rawAddress = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (rawAddress + HugePage - 1) & ~uintptr_t(HugePage - 1);
    if (aligned > rawAddress)
        munmap(raw, aligned - rawAddress);
    if (const size_t tail = rawAddress + length + HugePage - (aligned + length); tail > 0)
        munmap(reinterpret_cast<void *>(aligned + length), tail);
    void *start = reinterpret_cast<void *>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(start, length, MADV_HUGEPAGE);
#endif

    auto *mapping = new Mapping { start, length };
    QImage image(static_cast<uchar *>(start), size.width(), size.height(), qsizetype(bytesPerLine),
        format, unmapPicture, mapping);
    if (image.isNull())
        unmapPicture(mapping);
    return image;
}

PicturePrefault::PicturePrefault(const QImage &image)
{
#ifdef MADV_POPULATE_WRITE
    if (image.isNull())
        return;
    // The buffer starts on a huge page and its mapping runs to the end of one.
    auto *start = const_cast<uchar *>(image.constBits());
    const size_t length = (size_t(image.sizeInBytes()) + HugePage - 1) / HugePage * HugePage;
    m_thread = std::thread([this, start, length] {
        for (size_t end = length; end > 0 && !m_stop.load(std::memory_order_relaxed);
             end -= HugePage) {
            // Populating writes nothing, so the decoder may be filling the same pages.
            if (madvise(start + end - HugePage, HugePage, MADV_POPULATE_WRITE) != 0)
                break;
        }
    });
#else
    Q_UNUSED(image);
#endif
}

PicturePrefault::~PicturePrefault()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}
