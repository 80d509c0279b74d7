// Reads a picture on standard input and writes it to standard output as "QPIC", width and height
// (32-bit little-endian) and the rows of 32-bit pixels. Exits with 1 when it cannot decode it.
// It runs as a process of its own so that a decoder crashing or hanging on a damaged file cannot
// take the editor with it.

#include "picturedecoder/emfpicture.h"

#include <QGuiApplication>
#include <QtEndian>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qsizetype MaxInput = 256 * 1024 * 1024;

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ADDRESS_SANITIZER
#endif
#endif

// A runaway decoder should fail an allocation rather than push the machine into swap. The
// address sanitizer reserves terabytes of address space, so it goes without the limit.
void limitMemory()
{
#ifndef QUORVEL_ADDRESS_SANITIZER
    const rlim_t limit = rlim_t(4) * 1024 * 1024 * 1024;
    const rlimit value { limit, limit };
    setrlimit(RLIMIT_AS, &value);
#endif
}

QByteArray readInput()
{
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0)
            return data;
        if (n < 0)
            return {};
        if (data.size() + n > MaxInput)
            return {};
        data.append(buffer, n);
    }
}

bool writeAll(const char *data, size_t size)
{
    return std::fwrite(data, 1, size, stdout) == size;
}

bool writeImage(const QImage &image)
{
    char header[12] = { 'Q', 'P', 'I', 'C' };
    qToLittleEndian<quint32>(quint32(image.width()), header + 4);
    qToLittleEndian<quint32>(quint32(image.height()), header + 8);
    if (!writeAll(header, sizeof header))
        return false;
    const size_t row = size_t(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y) {
        if (!writeAll(reinterpret_cast<const char *>(image.constScanLine(y)), row))
            return false;
    }
    return std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    limitMemory();
    // Text in a metafile needs fonts, hence a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QByteArray input = readInput();
    const QImage image = renderEmf(input).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return 1;
    return writeImage(image) ? 0 : 1;
}
