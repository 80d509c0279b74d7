#include "sites/webpagecommands.h"

#include "model/hotspottable.h"
#include "platform/prompts.h"
#include "sites/webpage.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

WebPageCommands::WebPageCommands(const HotSpotTable &table, Prompts &prompts, PictureSource picture,
    std::function<QString()> mapPath, UrlOpener openUrl)
    : m_table(table)
    , m_prompts(prompts)
    , m_picture(std::move(picture))
    , m_mapPath(std::move(mapPath))
    , m_openUrl(std::move(openUrl))
    , m_linkPattern(QString::fromUtf16(WebPage::defaultLinkPattern))
{
}

WebPageCommands::~WebPageCommands() = default;

void WebPageCommands::tell(const QString &text)
{
    m_prompts.message(text, Prompts::Buttons::Ok, Prompts::Icon::None, Prompts::productName());
}

bool WebPageCommands::hasSomethingToShow(const Picture &picture)
{
    if (picture.image.isNull()) {
        tell(u"There is no background picture to put on a web page. Choose one with Load Map "
             u"JPG first."_s);
        return false;
    }
    if (WebPage::areas(m_table).isEmpty()) {
        tell(u"The map has no hot spots to put on a web page."_s);
        return false;
    }
    return true;
}

QString WebPageCommands::title(const Picture &picture) const
{
    QString title = QFileInfo(m_mapPath()).completeBaseName();
    if (title.isEmpty())
        title = QFileInfo(picture.path).completeBaseName();
    // A page's title must not be empty.
    return title.isEmpty() ? u"Site plan"_s : title;
}

void WebPageCommands::previewInBrowser()
{
    const Picture picture = m_picture();
    if (!hasSomethingToShow(picture))
        return;
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        tell(u"The preview could not be written: no temporary folder could be made (%1)."_s.arg(
            folder->errorString()));
        return;
    }
    const QString pagePath = folder->filePath(u"preview.html"_s);
    try {
        WebPage::write(pagePath, title(picture), picture.path, picture.image,
            WebPage::areas(m_table), QString::fromUtf16(WebPage::defaultLinkPattern));
    } catch (const WebPage::WriteError &e) {
        tell(e.message);
        return;
    }
    m_previews.push_back(std::move(folder));
    m_previewPath = pagePath;
    if (!m_openUrl(QUrl::fromLocalFile(pagePath)))
        tell(u"No web browser could be started to show %1."_s.arg(pagePath));
}

void WebPageCommands::exportWebPage()
{
    const Picture picture = m_picture();
    if (!hasSomethingToShow(picture))
        return;
    Prompts::FileDialog dialog;
    dialog.filter = u"Web Page|*.html;*.htm"_s;
    dialog.defaultSuffix = u"html"_s;
    dialog.confirmOverwrite = true;
    const QString pagePath = m_prompts.saveFile(dialog);
    if (pagePath.isEmpty())
        return;
    const QString pattern = m_prompts.input(u"Link of each hot spot ({id} stands for its name):"_s,
        u"Export Web Page"_s, m_linkPattern);
    if (pattern.isEmpty())
        return;
    m_linkPattern = pattern;
    try {
        WebPage::write(pagePath, title(picture), picture.path, picture.image,
            WebPage::areas(m_table), pattern);
    } catch (const WebPage::WriteError &e) {
        tell(e.message);
    }
}
