#pragma once

#include "model/maptext.h"

#include <QFile>
#include <QStringList>
#include <QTest>

/// The bytes of a file; empty when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Writes exactly these bytes to a file; fails the test when it cannot.
inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// Lines as the map file writer ends them: UTF-8, CR LF after each.
inline QByteArray crlf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

/// A whole map file: the header, the given AREA lines and the footer.
inline QByteArray mapBytes(const QStringList &areaLines)
{
    return crlf(
        QStringList { MapFormat::header() } + areaLines + QStringList { MapFormat::footer() });
}
