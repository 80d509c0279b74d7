#include "platform/progressivejpegloader.h"

#include "platform/apperror.h"
#include "platform/picturebuffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

// 32-bit RGB as QImage holds it in memory: 0xffRRGGBB in the machine's byte order.
constexpr J_COLOR_SPACE outputSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr size_t sourceChunk = 64 * 1024;
// Rows asked of libjpeg at a time, and how often decoded rows are made known.
constexpr JDIMENSION rowBatch = 16;

// Reads stretches of the file through its descriptor, a chunk at a time, so that no more of
// the file is held in memory than a chunk; after the last stretch an end-of-image marker, as
// libjpeg asks of a source that runs out.
struct FileSource : jpeg_source_mgr
{
    int fd = -1;
    std::array<qint64, 2> from {};
    std::array<qint64, 2> to {};
    int stretches = 0;
    int current = 0;
    qint64 at = 0;
    JOCTET buffer[sourceChunk];
};

void initSource(j_decompress_ptr) { }

boolean fillInput(j_decompress_ptr info)
{
    auto *source = static_cast<FileSource *>(info->src);
    while (source->current < source->stretches) {
        const qint64 left = source->to[source->current] - source->at;
        if (left > 0) {
            const ssize_t got = pread(source->fd, source->buffer,
                size_t(std::min<qint64>(left, qint64(sourceChunk))), source->at);
            if (got > 0) {
                source->at += got;
                source->next_input_byte = source->buffer;
                source->bytes_in_buffer = size_t(got);
                return TRUE;
            }
            if (got < 0 && errno == EINTR)
                continue;
        }
        if (++source->current < source->stretches)
            source->at = source->from[source->current];
    }
    static const JOCTET endOfImage[] = { 0xFF, JPEG_EOI };
    source->next_input_byte = endOfImage;
    source->bytes_in_buffer = sizeof endOfImage;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto *source = static_cast<FileSource *>(info->src);
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        source->bytes_in_buffer = 0;
        fillInput(info);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
    }
}

void termSource(j_decompress_ptr) { }

struct ErrorJump : jpeg_error_mgr
{
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr info)
{
    std::longjmp(static_cast<ErrorJump *>(info->err)->jump, 1);
}

// Warnings about damaged data are not shown: the picture shows them.
void noMessage(j_common_ptr) { }

// What a decoding pass does with its rows. Rows come in order.
class RowSink
{
public:
    virtual ~RowSink() = default;
    /// The output's size, once known; false refuses it.
    virtual bool begin(JDIMENSION width, JDIMENSION height) = 0;
    virtual JSAMPROW row(JDIMENSION y) = 0;
    /// Rows above \a done are written; false stops the pass.
    virtual bool written(JDIMENSION done) = 0;
};

struct Pass
{
    int denominator = 1;
    // Columns wanted from the left edge (libjpeg rounds them up); 0 for all.
    JDIMENSION cropWidth = 0;
    // Rows wanted from the top; 0 for all, and then the markers after the scan are read too.
    JDIMENSION rows = 0;
    // Rows wanted last of all, without those before them: the markers after the scan are what
    // is being checked.
    bool skipToLastRow = false;
};

struct Header
{
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    bool inParts = false;
};

class Decoder
{
public:
    Decoder(
        int fd, const std::array<qint64, 2> &from, const std::array<qint64, 2> &to, int stretches)
        : m_source(std::make_unique<FileSource>())
    {
        m_source->fd = fd;
        m_source->from = from;
        m_source->to = to;
        m_source->stretches = stretches;
        m_source->at = from[0];
        m_source->init_source = initSource;
        m_source->fill_input_buffer = fillInput;
        m_source->skip_input_data = skipInput;
        m_source->resync_to_restart = jpeg_resync_to_restart;
        m_source->term_source = termSource;
        m_source->bytes_in_buffer = 0;
        m_source->next_input_byte = nullptr;
    }

    // Whether libjpeg read the header without an error; \a header says what it found.
    bool readHeader(Header &header)
    {
        return withHeader([&](jpeg_decompress_struct &info) {
            header.width = info.image_width;
            header.height = info.image_height;
            const bool colours =
                (info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1)
                || ((info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB)
                    && info.num_components == 3);
            header.inParts = colours && !info.progressive_mode && !info.arith_code
                && info.data_precision == 8 && !jpeg_has_multiple_scans(&info);
        });
    }

    // Whether the pass ran without a libjpeg error (a pass stopped by its sink counts as one).
    bool decode(const Pass &pass, RowSink &sink)
    {
        return withHeader([&](jpeg_decompress_struct &info) {
            info.out_color_space = outputSpace;
            info.scale_num = 1;
            info.scale_denom = unsigned(pass.denominator);
            jpeg_start_decompress(&info);
            if (pass.cropWidth > 0 && pass.cropWidth < info.output_width) {
                JDIMENSION left = 0;
                JDIMENSION width = pass.cropWidth;
                jpeg_crop_scanline(&info, &left, &width);
            }
            bool going = sink.begin(info.output_width, info.output_height);
            const JDIMENSION rows =
                pass.rows > 0 ? std::min(pass.rows, info.output_height) : info.output_height;
            if (going && pass.skipToLastRow && rows > 1)
                jpeg_skip_scanlines(&info, rows - 1);
            JSAMPROW pointers[rowBatch];
            while (going && info.output_scanline < rows) {
                const JDIMENSION count = std::min(rowBatch, rows - info.output_scanline);
                for (JDIMENSION k = 0; k < count; ++k)
                    pointers[k] = sink.row(info.output_scanline + k);
                jpeg_read_scanlines(&info, pointers, count);
                going = sink.written(info.output_scanline);
            }
            if (going && info.output_scanline == info.output_height)
                jpeg_finish_decompress(&info);
            else
                jpeg_abort_decompress(&info);
        });
    }

private:
    // Runs work once libjpeg has read the header; false when libjpeg reported an error on the
    // way. The jump target must stay in a frame that outlives every libjpeg call, hence here
    // and not in a helper that returns first.
    template <typename Work> bool withHeader(Work &&work)
    {
        jpeg_decompress_struct info;
        ErrorJump errors;
        setUp(info, errors);
        if (setjmp(errors.jump)) {
            jpeg_destroy_decompress(&info);
            return false;
        }
        jpeg_read_header(&info, TRUE);
        work(info);
        jpeg_destroy_decompress(&info);
        return true;
    }

    void setUp(jpeg_decompress_struct &info, ErrorJump &errors)
    {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = errorExit;
        errors.output_message = noMessage;
        jpeg_create_decompress(&info);
        m_source->current = 0;
        m_source->at = m_source->from[0];
        m_source->bytes_in_buffer = 0;
        info.src = m_source.get();
    }

    std::unique_ptr<FileSource> m_source;
};

Decoder wholeFile(int fd, qint64 size)
{
    return Decoder(fd, { 0, 0 }, { size, 0 }, 1);
}

// Writes the rows into an image's buffer, keeping out of a part that is already decoded.
class ImageSink final : public RowSink
{
public:
    ImageSink(uchar *bits, qsizetype stride, QRect keep, std::atomic<int> *ready,
        const std::atomic<bool> *stop)
        : m_bits(bits)
        , m_stride(stride)
        , m_keep(keep)
        , m_ready(ready)
        , m_stop(stop)
    {
    }
    bool begin(JDIMENSION width, JDIMENSION) override
    {
        m_width = width;
        if (!m_keep.isEmpty())
            m_scratch.resize(size_t(width) * 4 * rowBatch);
        return true;
    }
    JSAMPROW row(JDIMENSION y) override
    {
        if (int(y) <= m_keep.bottom())
            return m_scratch.data() + size_t(y % rowBatch) * m_width * 4;
        return m_bits + qsizetype(y) * m_stride;
    }
    bool written(JDIMENSION done) override
    {
        // Rows beside the kept part go from the scratch rows to the picture.
        const int keptWidth = m_keep.width() * 4;
        for (; m_copied < int(done) && m_copied <= m_keep.bottom(); ++m_copied) {
            const uchar *from = m_scratch.data() + size_t(m_copied % rowBatch) * m_width * 4;
            std::memcpy(m_bits + qsizetype(m_copied) * m_stride + keptWidth, from + keptWidth,
                m_width * 4 - size_t(keptWidth));
        }
        if (m_ready)
            m_ready->store(int(done), std::memory_order_release);
        if (m_pause)
            m_pause();
        return !(m_stop && m_stop->load(std::memory_order_relaxed));
    }
    /// Called after each batch of rows; may block.
    void setPause(std::function<void()> pause) { m_pause = std::move(pause); }

private:
    uchar *m_bits;
    qsizetype m_stride;
    QRect m_keep;
    std::atomic<int> *m_ready;
    const std::atomic<bool> *m_stop;
    JDIMENSION m_width = 0;
    int m_copied = 0;
    std::vector<uchar> m_scratch;
    std::function<void()> m_pause;
};

// Makes a copy of its own size.
class CopySink final : public RowSink
{
public:
    explicit CopySink(const std::atomic<bool> &stop)
        : m_stop(stop)
    {
    }
    bool begin(JDIMENSION width, JDIMENSION height) override
    {
        image = QImage(int(width), int(height), QImage::Format_RGB32);
        return !image.isNull();
    }
    JSAMPROW row(JDIMENSION y) override { return image.scanLine(int(y)); }
    bool written(JDIMENSION) override { return !m_stop.load(std::memory_order_relaxed); }

    QImage image;

private:
    const std::atomic<bool> &m_stop;
};

// Takes the rows and keeps none.
class DiscardSink final : public RowSink
{
public:
    bool begin(JDIMENSION width, JDIMENSION) override
    {
        m_row.resize(size_t(width) * 4);
        return true;
    }
    JSAMPROW row(JDIMENSION) override { return m_row.data(); }
    bool written(JDIMENSION) override { return true; }

private:
    std::vector<uchar> m_row;
};

} // namespace

ProgressiveJpegLoader::ProgressiveJpegLoader(int fd, qint64 fileSize, ScanBounds scan)
    : m_fd(fcntl(fd, F_DUPFD_CLOEXEC, 0))
    , m_fileSize(fileSize)
    , m_scan(scan)
{
}

std::shared_ptr<ProgressiveJpegLoader> ProgressiveJpegLoader::open(
    int fd, qint64 fileSize, ScanBounds scan, QSize firstPart, qint64 maxBytes)
{
    Header header;
    if (!wholeFile(fd, fileSize).readHeader(header))
        throw AppError::fromNumber(ErrorNumber::InvalidPicture);
    const QSize size(int(header.width), int(header.height));
    // A picture not much larger than what the window shows is decoded whole at once, as
    // before: in parts it would only take longer.
    if (!header.inParts
        || qint64(size.width()) * size.height()
            <= 2 * qint64(firstPart.width()) * firstPart.height())
        return {};
    if (qint64(size.width()) * size.height() * 4 > maxBytes)
        throw AppError::fromNumber(ErrorNumber::InvalidPicture);
    std::shared_ptr<ProgressiveJpegLoader> loader(new ProgressiveJpegLoader(fd, fileSize, scan));
    if (loader->m_fd < 0)
        return {};

    loader->m_image = allocatePictureImage(size, QImage::Format_RGB32);
    if (loader->m_image.isNull())
        loader->m_image = QImage(size, QImage::Format_RGB32);
    if (loader->m_image.isNull())
        throw AppError::fromNumber(ErrorNumber::InvalidPicture);
    loader->m_bits = loader->m_image.bits();
    loader->m_firstPart = QRect(QPoint(0, 0), firstPart) & loader->m_image.rect();
    return loader;
}

void ProgressiveJpegLoader::decodeFirstPart()
{
    // The markers after the scan are all that can still make libjpeg fail once the header is
    // read: read them now, with nothing of the scan between them and the header.
    {
        Decoder markers(m_fd, { 0, m_scan.end }, { m_scan.begin, m_fileSize }, 2);
        Pass pass;
        pass.denominator = 8;
        pass.cropWidth = 1;
        pass.skipToLastRow = true;
        DiscardSink discard;
        if (!markers.decode(pass, discard))
            throw AppError::fromNumber(ErrorNumber::InvalidPicture);
    }
    // Decoded a block column wider than shown: libjpeg smooths the colours of a cropped row's
    // last column as an edge, which the whole picture's decoding does not.
    Pass pass;
    pass.cropWidth = JDIMENSION(m_firstPart.width() + 16);
    pass.rows = JDIMENSION(m_firstPart.height());
    ImageSink sink(m_bits, m_image.bytesPerLine(), QRect(), nullptr, &m_stop);
    if (!wholeFile(m_fd, m_fileSize).decode(pass, sink))
        throw AppError::fromNumber(ErrorNumber::InvalidPicture);
}

ProgressiveJpegLoader::~ProgressiveJpegLoader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_rest.joinable())
        m_rest.join();
    if (m_copyMaker.joinable())
        m_copyMaker.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

int ProgressiveJpegLoader::slotOf(int denominator)
{
    return denominator <= 2 ? 0 : denominator <= 4 ? 1 : 2;
}

void ProgressiveJpegLoader::start()
{
    const std::lock_guard lock(m_mutex);
    if (m_started)
        return;
    m_started = true;
    // The eighth is what Fit and the smallest zooms show.
    m_wanted[slotOf(8)] = true;
    m_rest = std::thread([this] { decodeRest(); });
    m_copyMaker = std::thread([this] { makeCopies(); });
}

void ProgressiveJpegLoader::requestCopy(int denominator)
{
    {
        const std::lock_guard lock(m_mutex);
        const int slot = slotOf(denominator);
        if (m_copies[slot].isNull())
            m_wanted[slot] = m_awaited[slot] = true;
    }
    m_changed.notify_all();
    start();
}

QImage ProgressiveJpegLoader::copy(int denominator) const
{
    const std::lock_guard lock(m_mutex);
    return m_copies[slotOf(denominator)];
}

void ProgressiveJpegLoader::waitForFullPicture()
{
    start();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return isComplete() || m_stop; });
}

bool ProgressiveJpegLoader::copyAwaited() const
{
    return std::any_of(m_awaited.begin(), m_awaited.end(), std::identity());
}

void ProgressiveJpegLoader::decodeRest()
{
    {
        // The kernel's work on fresh memory runs beside the decoding instead of inside it.
        const PicturePrefault prefault(m_image);
        Pass pass;
        ImageSink sink(m_bits, m_image.bytesPerLine(), m_firstPart, &m_readyRows, &m_stop);
        // A copy that a zoomed-out view waits for shows the whole picture sooner than the rest
        // of the picture would: on a busy machine the two would share a processor.
        sink.setPause([this] {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !copyAwaited(); });
        });
        wholeFile(m_fd, m_fileSize).decode(pass, sink);
    }
    {
        // A pass that cannot fail did, or was stopped: what is decoded is what there is.
        const std::lock_guard lock(m_mutex);
        if (!m_stop)
            m_readyRows.store(m_image.height(), std::memory_order_release);
    }
    m_changed.notify_all();
}

void ProgressiveJpegLoader::makeCopies()
{
    const int denominators[] = { 8, 4, 2 };
    for (;;) {
        int denominator = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] {
                return m_stop || std::any_of(m_wanted.begin(), m_wanted.end(), std::identity());
            });
            if (m_stop)
                return;
            // The smallest first: it is made fastest and stands in for the others.
            for (int d : denominators) {
                if (m_wanted[slotOf(d)]) {
                    denominator = d;
                    break;
                }
            }
        }
        Pass pass;
        pass.denominator = denominator;
        CopySink sink(m_stop);
        const bool made = wholeFile(m_fd, m_fileSize).decode(pass, sink);
        {
            const std::lock_guard lock(m_mutex);
            m_changed.notify_all();
            if (m_stop)
                return;
            m_wanted[slotOf(denominator)] = m_awaited[slotOf(denominator)] = false;
            if (made)
                m_copies[slotOf(denominator)] = std::move(sink.image);
        }
    }
}
