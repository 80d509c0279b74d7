#include "sites/webpage.h"

#include "imagemap/areaparser.h"
#include "model/hotspottable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QString attribute(const QString &value)
{
    return value.toHtmlEscaped();
}

// The coordinates as browsers read them, written plainly: whole corners only, and nothing
// for fewer than three corners, which no browser makes clickable and HTML does not allow.
QString normalizedCoords(const QString &coords)
{
    QList<double> numbers = AreaParser::parseCoords(coords);
    if (numbers.size() % 2)
        numbers.removeLast();
    if (numbers.size() < 6)
        return {};
    QStringList texts;
    for (const double n : std::as_const(numbers))
        texts.append(QString::number(n));
    return texts.join(u',');
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    return fa.readAll() == fb.readAll();
}

// A name beside the page that does not overwrite another picture of the same name.
QString freeCopyPath(const QDir &folder, const QString &fileName, const QString &source)
{
    const QFileInfo info(fileName);
    QString candidate = folder.filePath(fileName);
    for (int n = 2; QFileInfo::exists(candidate) && !sameBytes(candidate, source); ++n)
        candidate =
            folder.filePath(u"%1-%2.%3"_s.arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    return candidate;
}

QString errorText(const QString &path, const QString &reason)
{
    return u"The web page could not be written to %1:\n%2"_s.arg(path, reason);
}

} // namespace

QList<WebPage::Area> WebPage::areas(const HotSpotTable &table)
{
    QList<Area> result;
    const int count = table.usedSlots();
    for (int slot = 0; slot < count; ++slot) {
        if (!table.HotSpotCoords(slot).isEmpty())
            result.append({ table.HotSpotNames(slot), table.HotSpotCoords(slot) });
    }
    return result;
}

QString WebPage::link(const QString &pattern, const QString &name)
{
    QString result = pattern;
    return result.replace(u"{id}"_s, QString::fromLatin1(QUrl::toPercentEncoding(name)));
}

bool WebPage::browserShows(const QString &picturePath)
{
    const QString suffix = QFileInfo(picturePath).suffix().toLower();
    if (suffix == u"jpg" || suffix == u"jpeg" || suffix == u"png" || suffix == u"gif")
        return true;
    if (suffix != u"bmp")
        return false;
    QFile file(picturePath);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "BM";
}

WebPage::PicturePlacement WebPage::placePicture(const QString &pagePath, const QString &picturePath)
{
    const QDir pageFolder = QFileInfo(pagePath).absoluteDir();
    const QFileInfo picture(picturePath);
    PicturePlacement placement;
    // A picture file gone since it was loaded is written from what is on screen.
    placement.convert = !picture.isFile() || !browserShows(picturePath);
    const QString relative = pageFolder.relativeFilePath(picture.absoluteFilePath());
    if (!placement.convert && !relative.startsWith(u"../"_s) && !QDir::isAbsolutePath(relative)) {
        placement.src = QString::fromLatin1(QUrl::toPercentEncoding(relative, "/"));
        return placement;
    }
    // A converted copy has a name of its own making, so a later export simply replaces it.
    placement.copyPath = placement.convert
        ? pageFolder.filePath(
            (picture.fileName().isEmpty() ? u"picture"_s : picture.fileName()) + u".png"_s)
        : freeCopyPath(pageFolder, picture.fileName(), picturePath);
    placement.src =
        QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(placement.copyPath).fileName()));
    return placement;
}

QByteArray WebPage::html(const QString &title, const QString &imageSrc, QSize imageSize,
    const QList<Area> &areas, const QString &linkPattern)
{
    QString page = u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"_s;
    page += u"<title>%1</title>\n</head>\n<body>\n"_s.arg(title.toHtmlEscaped());
    page += u"<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\" usemap=\"#map\">\n"_s.arg(
        attribute(imageSrc), QString::number(imageSize.width()),
        QString::number(imageSize.height()), attribute(title));
    page += u"<map name=\"map\">\n"_s;
    for (const Area &area : areas) {
        const QString coords = normalizedCoords(area.coords);
        if (coords.isEmpty())
            continue;
        page += u"<area shape=\"poly\" coords=\"%1\" href=\"%2\" alt=\"%3\" title=\"%3\">\n"_s.arg(
            attribute(coords), attribute(link(linkPattern, area.name)), attribute(area.name));
    }
    page += u"</map>\n</body>\n</html>\n"_s;
    return page.toUtf8();
}

void WebPage::write(const QString &pagePath, const QString &title, const QString &picturePath,
    const QImage &picture, const QList<Area> &areas, const QString &linkPattern)
{
    const PicturePlacement placement = placePicture(pagePath, picturePath);

    QSaveFile page(pagePath);
    if (!page.open(QIODevice::WriteOnly))
        throw WriteError { errorText(pagePath, page.errorString()) };
    page.write(html(title, placement.src, picture.size(), areas, linkPattern));

    const bool copyExists = QFileInfo::exists(placement.copyPath);
    bool copied = false;
    if (!placement.copyPath.isEmpty() && (placement.convert || !copyExists)) {
        QSaveFile copy(placement.copyPath);
        bool written = copy.open(QIODevice::WriteOnly);
        if (written && placement.convert) {
            written = picture.save(&copy, "PNG");
        } else if (written) {
            QFile source(picturePath);
            written = source.open(QIODevice::ReadOnly) && copy.write(source.readAll()) >= 0;
        }
        if (!written || !copy.commit()) {
            page.cancelWriting();
            throw WriteError { errorText(
                pagePath, u"the picture could not be copied to %1."_s.arg(placement.copyPath)) };
        }
        copied = !copyExists;
    }
    if (!page.commit()) {
        if (copied)
            QFile::remove(placement.copyPath);
        throw WriteError { errorText(pagePath, page.errorString()) };
    }
}
