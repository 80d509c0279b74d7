#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

/// Sequential line input. A line ends at CR LF, or at a lone LF or CR. Text is UTF-8; bytes
/// that are not valid UTF-8 are read as Windows-1252, so maps made on Windows keep their names.
class TextFileReader
{
public:
    /// Opens \a path for input; throws AppError 53, 75 or 76.
    explicit TextFileReader(const QString &path);
    bool atEnd() const { return m_pos >= m_data.size(); }
    /// The next line without its line end.
    QString readLine();

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

/// Sequential line output, CR LF after every line. Nothing reaches the disk before commit(): a
/// writer destroyed without commit leaves the target as it was. The target is replaced
/// atomically, except where its folder lets no file be created or replaced; there the existing
/// file is written in place, so a map in a shared or sticky folder can still be saved.
class TextFileWriter
{
public:
    /// Throws AppError 53 for an empty path and 75 for a target that is no regular file.
    explicit TextFileWriter(const QString &path);
    void writeLine(const QString &line);
    /// Writes everything to the target; throws AppError on failure.
    void commit();

private:
    void writeInPlace();

    QString m_path;
    QByteArray m_bytes;
};

/// Decodes 8-bit text: UTF-8, with each byte of an invalid sequence read as Windows-1252.
QString decodeText(QByteArrayView bytes);
