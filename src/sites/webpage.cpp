#include "sites/webpage.h"

#include "imagemap/areaparser.h"
#include "model/hotspottable.h"
#include "sites/sitelist.h"
#include "sites/webpagepicture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <cmath>

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

const QString &mapScript()
{
    static const QString script = [] {
        QFile file(u":/sites/webpagemap.js"_s);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    return script;
}

// The <img src> of a file beside the page.
QString fileSrc(const QString &path)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).fileName()));
}

// Where a smaller copy of the picture goes, without its suffix: a name of its own making, so a
// later export simply replaces it, and never the picture itself.
QString smallerPictureBase(const QString &pagePath, const QString &picturePath)
{
    const QFileInfo picture(picturePath);
    const QString name =
        picture.completeBaseName().isEmpty() ? u"picture"_s : picture.completeBaseName();
    QString base = QFileInfo(pagePath).absoluteDir().filePath(name + u"-web."_s);
    const QString source = picture.absoluteFilePath();
    while (source == base + u"jpg"_s || source == base + u"png"_s)
        base = base.chopped(1) + u"-web."_s;
    return base;
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
    placement.src = fileSrc(placement.copyPath);
    return placement;
}

QList<WebPage::Area> WebPage::scaledAreas(const QList<Area> &areas, QSize from, QSize to)
{
    const double sx = double(to.width()) / from.width(), sy = double(to.height()) / from.height();
    QList<Area> result;
    result.reserve(areas.size());
    for (const Area &area : areas) {
        QStringList texts;
        const QList<double> numbers = AreaParser::parseCoords(area.coords);
        for (qsizetype k = 0; k < numbers.size(); ++k)
            texts.append(QString::number(std::round(numbers[k] * (k % 2 ? sy : sx) * 100) / 100));
        result.append({ area.name, texts.join(u',') });
    }
    return result;
}

QByteArray WebPage::html(const QString &title, const QString &imageSrc, QSize imageSize,
    const QList<Area> &areas, const QString &linkPattern)
{
    const QString width = QString::number(imageSize.width());
    const QString height = QString::number(imageSize.height());
    QString map;
    QStringList names;
    for (const Area &area : areas) {
        const QString coords = normalizedCoords(area.coords);
        if (coords.isEmpty())
            continue;
        map += u"<area shape=\"poly\" coords=\"%1\" href=\"%2\" alt=\"%3\" title=\"%3\">\n"_s.arg(
            attribute(coords), attribute(link(linkPattern, area.name)), attribute(area.name));
        names.append(area.name);
    }
    names.removeDuplicates();
    SiteList::sortNaturally(names);

    QString page = u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                   u"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"_s;
    page += u"<title>%1</title>\n</head>\n<body>\n"_s.arg(title.toHtmlEscaped());
    page += u"<!-- Quorvel site map: begin. Take this block into a page of your own, with the "
            u"picture beside that page. -->\n<div class=\"quorvel-map\">\n"_s;
    // The search box needs the script, which shows it.
    page += u"<p hidden><label>Find a site <input type=\"search\" list=\"quorvel-sites\" "
            u"autocomplete=\"off\"></label></p>\n<datalist id=\"quorvel-sites\">\n"_s;
    for (const QString &name : std::as_const(names))
        page += u"<option value=\"%1\">\n"_s.arg(attribute(name));
    page += u"</datalist>\n<div style=\"position:relative\">\n"_s;
    page += u"<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\" usemap=\"#map\">\n"_s.arg(
        attribute(imageSrc), width, height, attribute(title));
    // Drawn in the picture's pixels and stretched over it; clicks go through to the map.
    page +=
        u"<svg viewBox=\"0 0 %1 %2\" preserveAspectRatio=\"none\" aria-hidden=\"true\" "
        u"style=\"position:absolute;left:0;top:0;width:0;height:0;pointer-events:none\">"
        u"<polygon fill=\"rgba(0,90,200,0.2)\" stroke=\"#005ac8\" stroke-width=\"3\" "
        u"stroke-linejoin=\"round\" vector-effect=\"non-scaling-stroke\"/>"
        u"<polygon fill=\"rgba(230,0,40,0.25)\" stroke=\"#e60028\" stroke-width=\"5\" "
        u"stroke-linejoin=\"round\" vector-effect=\"non-scaling-stroke\"/></svg>\n</div>\n"_s.arg(
            width, height);
    page += u"<map name=\"map\">\n"_s + map + u"</map>\n<script>\n"_s + mapScript();
    page += u"</script>\n</div>\n<!-- Quorvel site map: end -->\n</body>\n</html>\n"_s;
    return page.toUtf8();
}

void WebPage::write(const QString &pagePath, const QString &title, const QString &picturePath,
    const QImage &picture, const QList<Area> &areas, const QString &linkPattern)
{
    const QSize shown = WebPagePicture::shownSize(picture.size());
    PicturePlacement placement;
    QList<Area> pageAreas = areas;
    QByteArray smaller;
    if (shown == picture.size()) {
        placement = placePicture(pagePath, picturePath);
    } else {
        pageAreas = scaledAreas(areas, picture.size(), shown);
        const QString base = smallerPictureBase(pagePath, picturePath);
        // The page's own weight comes off the picture's; both suffixes are as long.
        const qint64 budget = pageBudget
            - html(title, fileSrc(base + u"jpg"_s), shown, pageAreas, linkPattern).size();
        WebPagePicture::Encoded encoded = WebPagePicture::encode(picture, budget);
        placement.copyPath = base + encoded.suffix;
        placement.src = fileSrc(placement.copyPath);
        smaller = std::move(encoded.bytes);
    }

    QSaveFile page(pagePath);
    if (!page.open(QIODevice::WriteOnly))
        throw WriteError { errorText(pagePath, page.errorString()) };
    page.write(html(title, placement.src, shown, pageAreas, linkPattern));

    const bool copyExists = QFileInfo::exists(placement.copyPath);
    const bool replace = placement.convert || !smaller.isEmpty();
    bool copied = false;
    if (!placement.copyPath.isEmpty() && (replace || !copyExists)) {
        QSaveFile copy(placement.copyPath);
        bool written = copy.open(QIODevice::WriteOnly);
        if (written && !smaller.isEmpty()) {
            written = copy.write(smaller) == smaller.size();
        } else if (written && placement.convert) {
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
