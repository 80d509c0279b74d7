#include "sites/siteregister.h"

#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringTokenizer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Splits the text into rows of cells. Quotes follow CSV: a quoted cell may hold separators,
// line ends and doubled quotes.
QList<QStringList> parseRows(QStringView text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool cellStarted = false;
    const auto endCell = [&] {
        row.append(cell.trimmed());
        cell.clear();
        cellStarted = false;
    };
    const auto endRow = [&] {
        endCell();
        rows.append(row);
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
        } else if (c == u'"' && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (!separator.isNull() && c == separator) {
            endCell();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            endRow();
        } else {
            cell += c;
            if (!c.isSpace())
                cellStarted = true;
        }
    }
    if (!cell.isEmpty() || !row.isEmpty())
        endRow();
    return rows;
}

// The separator used most on the first line that is not blank, outside quotes; none for a
// plain list.
QChar guessSeparator(QStringView text)
{
    QStringView firstLine;
    for (const QStringView line : QStringTokenizer(text, u'\n')) {
        firstLine = line;
        if (!line.trimmed().isEmpty())
            break;
    }
    int counts[3] = {};
    const QChar candidates[3] = { u'\t', u';', u',' };
    bool quoted = false;
    for (const QChar c : firstLine) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted)
            for (int k = 0; k < 3; ++k)
                counts[k] += c == candidates[k];
    }
    const int best = int(std::max_element(std::begin(counts), std::end(counts)) - counts);
    return counts[best] > 0 ? candidates[best] : QChar();
}

bool hasDigit(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

} // namespace

QString SiteRegisterError::message() const
{
    const QString name = QFileInfo(path).fileName();
    switch (reason) {
    case Reason::Missing:
        return u"The site register %1 was not found."_s.arg(path);
    case Reason::Unreadable:
        return u"The site register %1 cannot be read."_s.arg(path);
    case Reason::Binary:
        return u"%1 is not a text or CSV file, so it cannot be a site register."_s.arg(name);
    case Reason::Empty:
        return u"The site register %1 lists no sites."_s.arg(name);
    }
    return {};
}

SiteRegister SiteRegister::parse(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    const QString text = decodeText(bytes);
    QList<QStringList> rows = parseRows(text, guessSeparator(text));
    rows.removeIf([](const QStringList &row) { return row.isEmpty() || row.front().isEmpty(); });

    SiteRegister result;
    if (rows.size() > 1 && !hasDigit(rows.front().front())
        && std::any_of(rows.cbegin() + 1, rows.cend(),
            [](const QStringList &row) { return hasDigit(row.front()); })) {
        result.hasHeader = true;
        rows.removeFirst();
    }
    result.sites.reserve(rows.size());
    for (const QStringList &row : std::as_const(rows))
        result.sites.append(row.front());
    return result;
}

SiteRegister SiteRegister::read(const QString &path)
{
    using Reason = SiteRegisterError::Reason;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw SiteRegisterError { Reason::Missing, path };
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw SiteRegisterError { Reason::Unreadable, path };
    const QByteArray bytes = file.readAll();
    // Text never holds NUL bytes; pictures, spreadsheets and archives do.
    if (bytes.contains('\0'))
        throw SiteRegisterError { Reason::Binary, path };
    SiteRegister result = parse(bytes);
    if (result.sites.isEmpty())
        throw SiteRegisterError { Reason::Empty, path };
    return result;
}
