#include "memorysettings.h"
#include "model/coordfile.h"
#include "model/hotspottable.h"
#include "platform/picture.h"
#include "scriptedprompts.h"
#include "silentstandins.h"
#include "sites/webpagecommands.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Clicks at picture pixels the way a visitor would: the browser's own hit-testing finds the
// element under each point, the click goes to it, and the page records where that led.
const char clickScript[] = R"(<script>
window.addEventListener('load', () => {
  window.scrollTo(0, 0);
  const box = document.querySelector('img').getBoundingClientRect();
  const lines = [];
  for (const [x, y] of POINTS) {
    const hit = document.elementFromPoint(box.left + x, box.top + y);
    const before = location.hash;
    hit.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true,
                                               clientX: box.left + x, clientY: box.top + y}));
    lines.push(`${x},${y} ${hit.tagName} ${location.hash === before ? '-' : location.hash}`);
  }
  const out = document.createElement('pre');
  out.id = 'clicks';
  out.textContent = lines.join('\n');
  document.body.append(out);
});
</script>
)";

} // namespace

class tst_WebPageBrowser : public QObject
{
    Q_OBJECT

private slots:
    void clickFollowsHotSpotLink();
};

void tst_WebPageBrowser::clickFollowsHotSpotLink()
{
    const QString chromium = QStandardPaths::findExecutable(u"chromium"_s);
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (tools/install-deps.sh installs it)");

    // The sample plan, exported as the Export Web Page command does it.
    const QString examples = QStringLiteral(QUORVEL_EXAMPLES);
    HotSpotTable table;
    SilentPrompts silent;
    NullSettings settings;
    NullView view;
    ReadCoordFile(examples + u"/siteplan.map"_s, table, silent, settings, view);
    QCOMPARE(silent.messages, 0);
    const WebPageCommands::Picture picture { examples + u"/siteplan.jpg"_s,
        LoadPicture(examples + u"/siteplan.jpg"_s) };

    QTemporaryDir dir;
    const QString page = dir.filePath(u"site plan.html"_s);
    ScriptedPrompts prompts;
    prompts.expectSaveFile(page);
    prompts.expectInput(u"#{id}"_s);
    WebPageCommands commands(
        table, prompts, [&] { return picture; }, [] { return QString(); },
        [](const QUrl &) { return false; });
    commands.exportWebPage();
    QVERIFY(prompts.unusedAnswers().isEmpty());

    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray html = file.readAll();
    file.close();
    QVERIFY(html.contains("<img src=\"siteplan.jpg\""));
    // Lot 10 inside; a corner of Lot 10's bounding box that belongs to Lot 11; Cedar Lane,
    // which no hot spot covers; the common area.
    const QByteArray points = "[[1050, 200], [1170, 305], [600, 410], [1100, 700]]";
    html.replace("</body>", QByteArray(clickScript).replace("POINTS", points) + "</body>");
    const QString probe = dir.filePath(u"probe.html"_s);
    QFile probeFile(probe);
    QVERIFY(probeFile.open(QIODevice::WriteOnly));
    probeFile.write(html);
    probeFile.close();

    QProcess browser;
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    browser.start(chromium,
        { u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s, u"--disable-quic"_s,
            u"--no-first-run"_s, u"--disable-background-networking"_s,
            u"--disable-component-update"_s, u"--disable-sync"_s,
            u"--user-data-dir="_s + dir.filePath(u"profile"_s), u"--window-size=1800,1000"_s,
            u"--dump-dom"_s, QUrl::fromLocalFile(probe).toString() });
    QVERIFY2(browser.waitForFinished(90'000), "chromium did not finish");
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QRegularExpressionMatch clicks =
        QRegularExpression(u"<pre id=\"clicks\">([^<]*)</pre>"_s).match(dom);
    QVERIFY2(
        clicks.hasMatch(), qPrintable(dom + QString::fromUtf8(browser.readAllStandardError())));
    QCOMPARE(clicks.captured(1).split(u'\n'),
        (QStringList { u"1050,200 AREA #Lot%2010"_s, u"1170,305 AREA #Lot%2011"_s,
            u"600,410 IMG -"_s, u"1100,700 AREA #Common"_s }));
}

QTEST_MAIN(tst_WebPageBrowser)
#include "tst_webpagebrowser.moc"
