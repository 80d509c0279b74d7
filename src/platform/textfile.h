#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
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

/// Sequential line output, CR LF after every line, written atomically: the target is replaced
/// only by commit(), and a writer destroyed without commit leaves the target as it was.
class TextFileWriter
{
public:
    /// Opens \a path for output; throws AppError 75 or 76 (or 53 for an empty path).
    explicit TextFileWriter(const QString &path);
    void writeLine(const QString &line);
    /// Replaces the target with everything written; throws AppError on failure.
    void commit();

private:
    QString m_path;
    QSaveFile m_file;
};

/// Decodes 8-bit text: UTF-8, with each byte of an invalid sequence read as Windows-1252.
QString decodeText(QByteArrayView bytes);
