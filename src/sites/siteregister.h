#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

/// Why a site register could not be used; message() says it in the user's words.
struct SiteRegisterError
{
    enum class Reason { Missing, Unreadable, Binary, Empty };
    Reason reason;
    QString path;

    QString message() const;
};

/// The sites of a register: the first column of a text or CSV file, in file order, duplicates
/// kept.
struct SiteRegister
{
    QStringList sites;
    bool hasHeader = false;

    /// Reads the first column of \a bytes: UTF-8 or Windows-1252 text, one site per line, or
    /// CSV with comma, semicolon or tab separators and quoted cells. A first row whose first
    /// cell has no digit, above rows that have digits, is a header. Blank cells are skipped.
    static SiteRegister parse(QByteArrayView bytes);
    /// Reads a register file; throws SiteRegisterError when it is missing, unreadable,
    /// binary or lists no site.
    static SiteRegister read(const QString &path);
};
