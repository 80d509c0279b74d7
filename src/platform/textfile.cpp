#include "platform/textfile.h"

#include "platform/apperror.h"

#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; unassigned bytes map to themselves.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

char16_t fromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return cp1252High[byte - 0x80];
    return byte;
}

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when it is not valid.
qsizetype utf8SequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    qsizetype len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > bytes.size())
        return 0;
    char32_t cp = b0 & (0x7F >> len);
    for (qsizetype k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString decodeText(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Decode the longest valid UTF-8 run at once; only stray bytes go one at a time.
        qsizetype j = i;
        while (j < size) {
            if (static_cast<unsigned char>(bytes[j]) < 0x80) {
                ++j;
                continue;
            }
            const qsizetype len = utf8SequenceLength(bytes, j);
            if (len == 0)
                break;
            j += len;
        }
        if (j > i) {
            out += QString::fromUtf8(bytes.sliced(i, j - i));
            i = j;
        }
        if (i < size) {
            out += QChar(fromCp1252(static_cast<unsigned char>(bytes[i])));
            ++i;
        }
    }
    return out;
}

TextFileReader::TextFileReader(const QString &path)
{
    if (path.isEmpty())
        throw AppError::fromNumber(ErrorNumber::FileNotFound);
    // Folders, pipes and devices are no map files: opening or reading them could block or
    // never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw AppError::fromNumber(ErrorNumber::PathFileAccess);
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw AppError::fromFile(file, path);
    errno = 0;
    m_data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError::fromFile(file, path);
}

QString TextFileReader::readLine()
{
    const qsizetype size = m_data.size();
    qsizetype end = m_pos;
    const char *data = m_data.constData();
    while (end < size && data[end] != '\r' && data[end] != '\n')
        ++end;
    const QString line = decodeText(QByteArrayView(data + m_pos, end - m_pos));
    m_pos = end;
    if (m_pos < size) {
        if (data[m_pos] == '\r' && m_pos + 1 < size && data[m_pos + 1] == '\n')
            m_pos += 2;
        else
            m_pos += 1;
    }
    return line;
}

TextFileWriter::TextFileWriter(const QString &path)
    : m_path(path)
{
    if (path.isEmpty())
        throw AppError::fromNumber(ErrorNumber::FileNotFound);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw AppError::fromNumber(ErrorNumber::PathFileAccess);
}

void TextFileWriter::writeLine(const QString &line)
{
    m_bytes += line.toUtf8();
    m_bytes.append("\r\n", 2);
}

namespace {

// Whether a failure to create or replace a file in the target's folder leaves writing the
// existing target in place: the folder refuses new entries (no write permission, an immutable
// folder) or the replacement (a sticky folder owned by someone else). Full disks and the like
// are no reason: writing in place there would lose the old map too.
bool folderRefused(int err, const QString &path)
{
    return (err == EACCES || err == EPERM) && QFileInfo(path).isFile();
}

} // namespace

void TextFileWriter::commit()
{
    QSaveFile file(m_path);
    // Qt falls back by itself when it may not create the temporary file (EACCES).
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        const int err = errno;
        if (folderRefused(err, m_path)) {
            writeInPlace();
            return;
        }
        errno = err; // the check made system calls of its own
        throw AppError::fromFile(file, m_path);
    }
    errno = 0;
    // QSaveFile::commit() overlooks a failure of its own final flush and would then replace the
    // target with a truncated file; flushing first catches it, and the destructor discards the
    // temporary file.
    if (file.write(m_bytes) != m_bytes.size() || !file.flush())
        throw AppError::fromFile(file, m_path);
    errno = 0;
    if (!file.commit()) {
        const int err = errno;
        if (file.error() == QFileDevice::RenameError && folderRefused(err, m_path)) {
            writeInPlace();
            return;
        }
        errno = err;
        throw AppError::fromFile(file, m_path);
    }
}

void TextFileWriter::writeInPlace()
{
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size() || !file.flush())
        throw AppError::fromFile(file, m_path);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw AppError::fromFile(file, m_path);
}
