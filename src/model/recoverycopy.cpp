#include "model/recoverycopy.h"

#include "model/hotspottable.h"
#include "model/maptext.h"

#include <QCryptographicHash>
#include <QStringDecoder>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QByteArray lineEnd = "\r\n";
const QByteArray pathPrefix = "<!-- unsaved changes to ";
const QByteArray commentEnd = " -->";
const QByteArray checksumPrefix = "<!-- sha256 ";
// Only what would break the line or the decoding is escaped; the path stays readable.
const QByteArray keptInPath = " /\\:.-_~()[]!$'*+,;=@";

QByteArray checksumLine(const QByteArray &body)
{
    return checksumPrefix + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex()
        + commentEnd + lineEnd;
}

// The coordinates and the name of an AREA line, when the line is exactly what the map format
// writes for them.
std::optional<RecoveryCopy::HotSpot> parseAreaLine(const QString &line)
{
    qsizetype quotes[4];
    qsizetype from = 0;
    for (qsizetype &quote : quotes) {
        quote = line.indexOf(u'"', from);
        if (quote < 0)
            return std::nullopt;
        from = quote + 1;
    }
    RecoveryCopy::HotSpot spot { line.mid(quotes[0] + 1, quotes[1] - quotes[0] - 1),
        line.mid(quotes[2] + 1, quotes[3] - quotes[2] - 1) };
    if (spot.coords.isEmpty() || MapFormat::areaLine(spot.coords, spot.name) != line)
        return std::nullopt;
    return spot;
}

} // namespace

QByteArray RecoveryCopy::format(const QString &mapPath, const HotSpotTable &table)
{
    QByteArray body = pathPrefix + QUrl::toPercentEncoding(mapPath, keptInPath) + commentEnd
        + lineEnd + MapFormat::header().toUtf8() + lineEnd;
    table.forEachHotSpot([&](int slot, const QString &, const QString &) {
        body += table.BuildAreaLine(slot).toUtf8() + lineEnd;
    });
    body += MapFormat::footer().toUtf8() + lineEnd;
    return body + checksumLine(body);
}

std::optional<RecoveryCopy::Contents> RecoveryCopy::parse(const QByteArray &bytes)
{
    const qsizetype checksumAt = bytes.lastIndexOf(checksumPrefix);
    if (checksumAt < 0 || bytes.mid(checksumAt) != checksumLine(bytes.left(checksumAt)))
        return std::nullopt;

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString body = decoder(bytes.left(checksumAt));
    if (decoder.hasError() || !body.endsWith(u"\r\n"_s))
        return std::nullopt;
    const QStringList lines = body.chopped(2).split(u"\r\n"_s);
    const QString pathLine = lines.constFirst();
    const QString prefix = QString::fromLatin1(pathPrefix);
    const QString suffix = QString::fromLatin1(commentEnd);
    if (lines.size() < 3 || !pathLine.startsWith(prefix) || !pathLine.endsWith(suffix)
        || lines.at(1) != MapFormat::header() || lines.constLast() != MapFormat::footer()
        || lines.size() - 3 > HotSpotTable::Capacity)
        return std::nullopt;

    Contents contents;
    contents.mapPath = QUrl::fromPercentEncoding(
        pathLine.sliced(prefix.size(), pathLine.size() - prefix.size() - suffix.size()).toUtf8());
    for (qsizetype k = 2; k + 1 < lines.size(); ++k) {
        const std::optional<HotSpot> spot = parseAreaLine(lines.at(k));
        if (!spot)
            return std::nullopt;
        contents.hotSpots.append(*spot);
    }
    return contents;
}
