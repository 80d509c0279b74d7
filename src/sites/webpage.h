#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

class HotSpotTable;

/// A web page that shows the picture with the map's hot spots as clickable areas.
namespace WebPage {

struct Area
{
    QString name;
    QString coords;
};

/// Why a page could not be written; the text is for the user.
struct WriteError
{
    QString message;
};

/// Where the page finds its picture.
struct PicturePlacement
{
    /// The <img src> value, relative to the page and percent-encoded.
    QString src;
    /// The file to write beside the page, or empty when the picture is used where it is.
    QString copyPath;
    /// Whether the copy is the decoded picture saved as PNG.
    bool convert = false;
};

inline constexpr char16_t defaultLinkPattern[] = u"#{id}";
/// At most what a page and all it loads weigh when its picture was made smaller.
inline constexpr qint64 pageBudget = 3'000'000;

/// The areas of the hot spots the map shows, in slot order.
QList<Area> areas(const HotSpotTable &table);

/// \a pattern with each "{id}" replaced by \a name percent-encoded as in a URL.
QString link(const QString &pattern, const QString &name);

/// Whether browsers show a picture file as it is: JPEG, PNG, GIF, and bitmaps that have their
/// file header (not header-less DIB data, not metafiles).
bool browserShows(const QString &picturePath);

/// Where a page at \a pagePath finds the picture at \a picturePath: in place when it lies in
/// the page's folder or below and browsers show it, otherwise a copy beside the page.
PicturePlacement placePicture(const QString &pagePath, const QString &picturePath);

/// \a areas with their corners moved from a picture of \a from pixels to one of \a to.
QList<Area> scaledAreas(const QList<Area> &areas, QSize from, QSize to);

/// The complete HTML5 page. The picture, the map, its outline overlay, the search box and the
/// script that scales the map with the picture form one block between two comments, to be
/// taken into a page of one's own.
QByteArray html(const QString &title, const QString &imageSrc, QSize imageSize,
    const QList<Area> &areas, const QString &linkPattern);

/// Writes the page to \a pagePath, and the picture beside it when placePicture() says so;
/// \a picture is the decoded picture, saved as PNG when browsers cannot show the file. A
/// picture larger than the page shows is written smaller beside the page instead, with the
/// areas scaled to it; the picture file itself is never changed. The page is replaced
/// atomically. Throws WriteError.
void write(const QString &pagePath, const QString &title, const QString &picturePath,
    const QImage &picture, const QList<Area> &areas, const QString &linkPattern);

} // namespace WebPage
