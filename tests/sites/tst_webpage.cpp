#include "drawnplan.h"
#include "model/hotspottable.h"
#include "scriptedprompts.h"
#include "sites/webpage.h"
#include "sites/webpagecommands.h"
#include "sites/webpagepicture.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QImage samplePicture()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    return image;
}

} // namespace

class tst_WebPage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void page();
    void scaling_data();
    void scaling();
    void pictureForPage_data();
    void pictureForPage();
    void links_data();
    void links();
    void picturePlacement_data();
    void picturePlacement();
    void writeCopiesAndConverts();
    void failedWriteLeavesNothing();
    void commands();

private:
    ScriptedPrompts m_prompts;
};

void tst_WebPage::cleanup()
{
    const QStringList left = std::exchange(m_prompts, {}).unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_WebPage::page()
{
    const QList<WebPage::Area> areas {
        { u"Lot 10"_s, u"90,120, 240,120;240,350 90,350"_s },
        { u"<b>\"A&B\"</b> 'x'"_s, u"1.5,2,3,4,5,6,7"_s },
        { u"Two corners"_s, u"1,1,5,5"_s },
        { u"Lot 9"_s, u"1,1,9,1,9,9"_s },
    };
    const QString html = QString::fromUtf8(WebPage::html(u"Plan & \"Co\""_s, u"my%20plan.jpg"_s,
        QSize(1650, 860), areas, u"lots.php?a=1&id={id}"_s));
    // In this order, with the script, which scales the map, between the map and the block's end.
    const QStringList parts { u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"_s,
        u"<title>Plan &amp; &quot;Co&quot;</title>\n</head>\n<body>\n"_s,
        u"<!-- Quorvel site map: begin"_s, u"<input type=\"search\" list=\"quorvel-sites\""_s,
        u"<option value=\"&lt;b&gt;&quot;A&amp;B&quot;&lt;/b&gt; 'x'\">\n"
        u"<option value=\"Lot 9\">\n<option value=\"Lot 10\">\n</datalist>"_s,
        u"<img src=\"my%20plan.jpg\" width=\"1650\" height=\"860\" alt=\"Plan &amp; "
        u"&quot;Co&quot;\" usemap=\"#map\">\n"_s,
        u"<svg viewBox=\"0 0 1650 860\""_s, u"pointer-events:none"_s,
        u"<map name=\"map\">\n"
        u"<area shape=\"poly\" coords=\"90,120,240,120,240,350,90,350\" "
        u"href=\"lots.php?a=1&amp;id=Lot%2010\" alt=\"Lot 10\" title=\"Lot 10\">\n"
        u"<area shape=\"poly\" coords=\"1.5,2,3,4,5,6\" "
        u"href=\"lots.php?a=1&amp;id=%3Cb%3E%22A%26B%22%3C%2Fb%3E%20%27x%27\" "
        u"alt=\"&lt;b&gt;&quot;A&amp;B&quot;&lt;/b&gt; 'x'\" "
        u"title=\"&lt;b&gt;&quot;A&amp;B&quot;&lt;/b&gt; 'x'\">\n"
        u"<area shape=\"poly\" coords=\"1,1,9,1,9,9\" href=\"lots.php?a=1&amp;id=Lot%209\" "
        u"alt=\"Lot 9\" title=\"Lot 9\">\n</map>\n<script>\n"_s,
        u"ResizeObserver"_s, u"</script>\n</div>\n<!-- Quorvel site map: end -->\n</body>\n"_s };
    qsizetype at = 0;
    for (const QString &part : parts) {
        at = html.indexOf(part, at);
        QVERIFY2(at >= 0, qPrintable(part));
    }
    // Nothing the page needs comes from elsewhere.
    QVERIFY(!html.contains(u"http"_s));
}

void tst_WebPage::scaling_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QString>("coords");
    QTest::addColumn<QString>("scaled");

    QTest::newRow("24 megapixels, landscape")
        << QSize(6000, 4000) << QSize(4096, 2731) << u"0,0 6000,0 3000,4000 1000,1000"_s
        << u"0,0,4096,0,2048,2731,682.67,682.75"_s;
    QTest::newRow("portrait") << QSize(3000, 9000) << QSize(1365, 4096) << u"3000,9000,7"_s
                              << u"1365,4096,3.19"_s;
    QTest::newRow("a thin strip keeps a pixel")
        << QSize(9000, 1) << QSize(4096, 1) << u"9000,1"_s << u"4096,1"_s;
    QTest::newRow("4096 is shown as it is")
        << QSize(4096, 4096) << QSize(4096, 4096) << u"1,2,3"_s << u"1,2,3"_s;
}

void tst_WebPage::scaling()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, shown);
    QFETCH(QString, coords);
    QFETCH(QString, scaled);
    QCOMPARE(WebPagePicture::shownSize(picture), shown);
    const QList<WebPage::Area> areas { { u"Lot 1"_s, coords } };
    QCOMPARE(WebPage::scaledAreas(areas, picture, shown).front().coords, scaled);
}

void tst_WebPage::pictureForPage_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("suffix");

    QImage photo(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = qRgb((x * 7 + y) % 251, (x ^ y) % 241, (x * y) % 239);
    }
    QTest::newRow("photograph: JPEG within the budget") << photo << u"jpg"_s;
    QTest::newRow("drawing of few colours: PNG") << DrawnPlan::make(false).picture << u"png"_s;
    QImage clear = QImage(5000, 300, QImage::Format_ARGB32);
    clear.fill(QColor(0, 0, 255, 100));
    QTest::newRow("transparent: PNG") << clear << u"png"_s;
}

void tst_WebPage::pictureForPage()
{
    QFETCH(QImage, picture);
    QFETCH(QString, suffix);
    const WebPagePicture::Encoded encoded = WebPagePicture::encode(picture, 2'900'000);
    QCOMPARE(encoded.suffix, suffix);
    QVERIFY2(encoded.bytes.size() <= 2'900'000, qPrintable(QString::number(encoded.bytes.size())));
    const QImage written = QImage::fromData(encoded.bytes);
    QCOMPARE(written.size(), WebPagePicture::shownSize(picture.size()));
    QCOMPARE(written.hasAlphaChannel(), picture.hasAlphaChannel());
}

void tst_WebPage::links_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("link");

    QTest::newRow("default pattern, space") << u"#{id}"_s << u"Lot 12"_s << u"#Lot%2012"_s;
    QTest::newRow("twice, slash and non-ASCII") << u"lots/{id}.html?n={id}"_s << u"A/7 \u00e9"_s
                                                << u"lots/A%2F7%20%C3%A9.html?n=A%2F7%20%C3%A9"_s;
    QTest::newRow("no placeholder")
        << u"https://example.org/"_s << u"x"_s << u"https://example.org/"_s;
}

void tst_WebPage::links()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(QString, link);
    QCOMPARE(WebPage::link(pattern, name), link);
}

void tst_WebPage::picturePlacement_data()
{
    QTest::addColumn<QString>("page"); // relative to a temporary folder
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QByteArray>("pictureBytes");
    QTest::addColumn<QString>("src");
    QTest::addColumn<QString>("copy"); // empty: used in place
    QTest::addColumn<bool>("convert");

    const QByteArray jpeg("\xFF\xD8\xFF\xE0");
    QTest::newRow("same folder") << u"site/page.html"_s << u"site/plan.jpg"_s << jpeg
                                 << u"plan.jpg"_s << QString() << false;
    QTest::newRow("below the page, blanks encoded")
        << u"site/page.html"_s << u"site/img/my plan.JPG"_s << jpeg << u"img/my%20plan.JPG"_s
        << QString() << false;
    QTest::newRow("beside the page's folder: copied")
        << u"site/page.html"_s << u"pictures/plan.gif"_s << QByteArray("GIF89a") << u"plan.gif"_s
        << u"site/plan.gif"_s << false;
    QTest::newRow("header-less DIB: converted")
        << u"site/page.html"_s << u"site/plan.dib"_s << QByteArray(40, '\x28') << u"plan.dib.png"_s
        << u"site/plan.dib.png"_s << true;
    QTest::newRow("bitmap named .bmp without its header: converted")
        << u"site/page.html"_s << u"site/plan.bmp"_s << QByteArray(40, '\x28') << u"plan.bmp.png"_s
        << u"site/plan.bmp.png"_s << true;
    QTest::newRow("bitmap with its header is shown as it is")
        << u"site/page.html"_s << u"site/plan.bmp"_s << QByteArray("BM\x10\x00") << u"plan.bmp"_s
        << QString() << false;
    QTest::newRow("metafile: converted")
        << u"site/page.html"_s << u"plans/plan.emf"_s << QByteArray(8, '\x01') << u"plan.emf.png"_s
        << u"site/plan.emf.png"_s << true;
}

void tst_WebPage::picturePlacement()
{
    QFETCH(QString, page);
    QFETCH(QString, picture);
    QFETCH(QByteArray, pictureBytes);
    QFETCH(QString, src);
    QFETCH(QString, copy);
    QFETCH(bool, convert);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QFileInfo(dir.filePath(picture)).path());
    QFile file(dir.filePath(picture));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pictureBytes);
    file.close();

    const WebPage::PicturePlacement placement =
        WebPage::placePicture(dir.filePath(page), dir.filePath(picture));
    QCOMPARE(placement.src, src);
    QCOMPARE(placement.copyPath, copy.isEmpty() ? QString() : dir.filePath(copy));
    QCOMPARE(placement.convert, convert);
}

void tst_WebPage::writeCopiesAndConverts()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"out"_s);
    QDir(dir.path()).mkpath(u"pics"_s);
    const QString page = dir.filePath(u"out/plan.html"_s);
    const QList<WebPage::Area> areas { { u"Lot 1"_s, u"1,1,9,1,9,9"_s } };

    // A picture elsewhere is copied, and a different picture of the same name beside the page
    // is left alone.
    const QString jpeg = dir.filePath(u"pics/plan.jpg"_s);
    QVERIFY(samplePicture().save(jpeg, "JPEG"));
    QFile other(dir.filePath(u"out/plan.jpg"_s));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("someone else's picture");
    other.close();
    WebPage::write(page, u"Plan"_s, jpeg, samplePicture(), areas, u"#{id}"_s);
    QCOMPARE(readBytes(dir.filePath(u"out/plan-2.jpg"_s)), readBytes(jpeg));
    QCOMPARE(readBytes(dir.filePath(u"out/plan.jpg"_s)), QByteArray("someone else's picture"));
    QVERIFY(readBytes(page).contains("<img src=\"plan-2.jpg\" width=\"40\" height=\"30\""));
    // Exported again: the same copy serves.
    WebPage::write(page, u"Plan"_s, jpeg, samplePicture(), areas, u"#{id}"_s);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"out/plan-3.jpg"_s)));

    // A metafile becomes a PNG of the decoded picture.
    const QString emf = dir.filePath(u"pics/drawing.emf"_s);
    QFile metafile(emf);
    QVERIFY(metafile.open(QIODevice::WriteOnly));
    metafile.write(QByteArray(64, '\x01'));
    metafile.close();
    WebPage::write(page, u"Plan"_s, emf, samplePicture(), areas, u"#{id}"_s);
    const QImage converted(dir.filePath(u"out/drawing.emf.png"_s), "PNG");
    QCOMPARE(converted.size(), QSize(40, 30));
    QCOMPARE(converted.pixelColor(5, 5), QColor(10, 20, 30));
    QVERIFY(readBytes(page).contains("<img src=\"drawing.emf.png\""));

    // A 24-megapixel plan beside the page is written smaller for it, and the areas follow; the
    // plan's own file stays as it was.
    const QString big = dir.filePath(u"out/big.jpg"_s);
    const DrawnPlan plan = DrawnPlan::make();
    QVERIFY(plan.picture.save(big, "JPEG", 92));
    const QByteArray bigBytes = readBytes(big);
    WebPage::write(
        page, u"Plan"_s, big, plan.picture, { { u"Lot 1"_s, u"0,0,6000,0,6000,4000"_s } }, u"#"_s);
    QCOMPARE(readBytes(big), bigBytes);
    const QByteArray html = readBytes(page);
    QVERIFY(html.contains("coords=\"0,0,4096,0,4096,2731\""));
    const QString src = QRegularExpression(u"<img src=\"(big-web\\.(jpg|png))\" width=\"4096\" "
                                           u"height=\"2731\""_s)
                            .match(QString::fromUtf8(html))
                            .captured(1);
    QVERIFY(!src.isEmpty());
    QVERIFY(html.size() + QFileInfo(dir.filePath(u"out/"_s + src)).size() <= WebPage::pageBudget);
}

void tst_WebPage::failedWriteLeavesNothing()
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(u"plan.png"_s);
    QVERIFY(samplePicture().save(picture));
    const QList<WebPage::Area> areas { { u"Lot 1"_s, u"1,1,9,1,9,9"_s } };

    // The page's folder is missing.
    const QString missing = dir.filePath(u"gone/plan.html"_s);
    QVERIFY_THROWS_EXCEPTION(WebPage::WriteError,
        WebPage::write(missing, u"Plan"_s, picture, samplePicture(), areas, u"#{id}"_s));
    QVERIFY(!QFileInfo::exists(missing));

    // The picture cannot be copied (a folder holds its name): the old page stays as it was.
    QDir(dir.path()).mkpath(u"out/drawing.emf.png"_s);
    const QString page = dir.filePath(u"out/page.html"_s);
    QFile old(page);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old page");
    old.close();
    const QString emf = dir.filePath(u"drawing.emf"_s);
    QFile(emf).open(QIODevice::WriteOnly);
    try {
        WebPage::write(page, u"Plan"_s, emf, samplePicture(), areas, u"#{id}"_s);
        QFAIL("the write did not fail");
    } catch (const WebPage::WriteError &e) {
        QVERIFY2(e.message.startsWith(u"The web page could not be written to "_s + page),
            qPrintable(e.message));
    }
    QCOMPARE(readBytes(page), QByteArray("old page"));
    QCOMPARE(QDir(dir.filePath(u"out"_s)).entryList(QDir::Files), QStringList { u"page.html"_s });
}

void tst_WebPage::commands()
{
    QTemporaryDir dir;
    HotSpotTable table;
    WebPageCommands::Picture picture;
    QList<QUrl> opened;
    bool browserStarts = true;
    WebPageCommands commands(
        table, m_prompts, [&] { return picture; }, [] { return u"/maps/cedar hollow.map"_s; },
        [&](const QUrl &url) {
            opened.append(url);
            return browserStarts;
        });

    // Nothing to show: said so, nothing opened or asked.
    m_prompts.expectMessage(Prompts::Button::Ok);
    commands.previewInBrowser();
    m_prompts.expectMessage(Prompts::Button::Ok);
    table.AddHotSpot(u"1,1,9,1,9,9"_s, u"Lot 1"_s);
    table.AddHotSpot(u"20,1,29,1,29,9"_s, u"Lot 2"_s);
    table.ClearHotSpot(0);
    table.ClearHotSpot(1);
    picture = { dir.filePath(u"plan.jpg"_s), samplePicture() };
    QVERIFY(picture.image.save(picture.path));
    commands.exportWebPage();
    QCOMPARE(m_prompts.texts(),
        (QStringList { u"There is no background picture to put on a web page. Choose one with "
                       u"Load Map JPG first."_s,
            u"The map has no hot spots to put on a web page."_s }));
    QCOMPARE(m_prompts.shown[1].caption, u"Quorvel"_s);
    QVERIFY(opened.isEmpty());

    // The preview holds the hot spots as they are now, and its picture.
    table.AddHotSpot(u"30,1,39,1,39,9"_s, u"Lot 3"_s);
    commands.previewInBrowser();
    QCOMPARE(opened.size(), 1);
    const QString preview = opened.front().toLocalFile();
    QCOMPARE(preview, commands.previewPath());
    const QString previewHtml = QString::fromUtf8(readBytes(preview));
    QVERIFY(previewHtml.contains(u"<title>cedar hollow</title>"_s));
    QCOMPARE(previewHtml.count(u"<area "_s), 1);
    QVERIFY(previewHtml.contains(u"href=\"#Lot%203\" alt=\"Lot 3\" title=\"Lot 3\""_s));
    QVERIFY(QFileInfo::exists(QFileInfo(preview).dir().filePath(u"plan.jpg"_s)));
    // Each preview gets a folder of its own, and the earlier ones stay for the browser.
    browserStarts = false;
    m_prompts.expectMessage(Prompts::Button::Ok);
    commands.previewInBrowser();
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened[1] != opened[0]);
    QVERIFY(QFileInfo::exists(preview));
    QCOMPARE(m_prompts.texts().last(),
        u"No web browser could be started to show %1."_s.arg(opened[1].toLocalFile()));

    // Export: the file, then the link pattern, which the next export offers again.
    const QString page = dir.filePath(u"export.html"_s);
    m_prompts.expectSaveFile(page);
    m_prompts.expectInput(u"lots/{id}.html"_s);
    commands.exportWebPage();
    const ScriptedPrompts::Record saveDialog = m_prompts.shown[m_prompts.shown.size() - 2];
    QCOMPARE(saveDialog.kind, ScriptedPrompts::Kind::SaveFile);
    QVERIFY(saveDialog.dialog.confirmOverwrite);
    QCOMPARE(saveDialog.dialog.defaultSuffix, u"html"_s);
    QCOMPARE(m_prompts.shown.last().defaultText, u"#{id}"_s);
    QVERIFY(readBytes(page).contains("href=\"lots/Lot%203.html\""));
    QVERIFY(readBytes(page).contains("<img src=\"plan.jpg\""));

    // Cancelling the pattern writes nothing.
    QFile::remove(page);
    m_prompts.expectSaveFile(page);
    m_prompts.expectInput(QString());
    commands.exportWebPage();
    QCOMPARE(m_prompts.shown.last().defaultText, u"lots/{id}.html"_s);
    QVERIFY(!QFileInfo::exists(page));

    // A failure is reported in words.
    m_prompts.expectSaveFile(dir.filePath(u"missing/export.html"_s));
    m_prompts.expectInput(u"#{id}"_s);
    m_prompts.expectMessage(Prompts::Button::Ok);
    commands.exportWebPage();
    QVERIFY(m_prompts.texts().last().startsWith(u"The web page could not be written to "_s));
}

QTEST_MAIN(tst_WebPage)
#include "tst_webpage.moc"
