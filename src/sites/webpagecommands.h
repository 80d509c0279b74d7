#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class HotSpotTable;
class Prompts;
class QTemporaryDir;

/// Preview in Browser and Export Web Page: the map as a web page, without touching the map
/// file or the unsaved-changes flag.
class WebPageCommands
{
public:
    struct Picture
    {
        QString path;
        QImage image;
    };
    using PictureSource = std::function<Picture()>;
    using UrlOpener = std::function<bool(const QUrl &)>;

    /// \a picture gives the picture on screen and the file it came from; \a mapPath the
    /// current map file (for the page's title); \a openUrl shows a page in the browser.
    WebPageCommands(const HotSpotTable &table, Prompts &prompts, PictureSource picture,
        std::function<QString()> mapPath, UrlOpener openUrl);
    ~WebPageCommands();

    /// Writes the page to a new temporary folder, kept until the program ends, and opens it.
    void previewInBrowser();
    /// Asks for the page file and the link pattern, then writes the page.
    void exportWebPage();

    /// The last page written by previewInBrowser().
    const QString &previewPath() const { return m_previewPath; }
    const QString &linkPattern() const { return m_linkPattern; }

private:
    /// Says why there is nothing to show and returns false, or returns true.
    bool hasSomethingToShow(const Picture &picture);
    QString title(const Picture &picture) const;
    void tell(const QString &text);

    const HotSpotTable &m_table;
    Prompts &m_prompts;
    PictureSource m_picture;
    std::function<QString()> m_mapPath;
    UrlOpener m_openUrl;
    std::vector<std::unique_ptr<QTemporaryDir>> m_previews;
    QString m_previewPath;
    QString m_linkPattern;
};
