#include "drawnplan.h"
#include "headlesschromium.h"
#include "model/hotspottable.h"
#include "scriptedprompts.h"
#include "sites/webpagecommands.h"
#include "testfiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Clicks at plan pixels the way a visitor would: each point is scrolled into view, the
// browser's own hit-testing finds the element under it, the click goes to that element, and the
// page records where it led. Then it focuses an area and finds a site through the search box.
const char probeScript[] = R"(<script>
window.addEventListener('load', () => setTimeout(() => {
  const img = document.querySelector('img'), s = getComputedStyle(img);
  const px = (side) => ['border', 'padding'].reduce((sum, p) =>
      sum + parseFloat(s.getPropertyValue(`${p}-${side}${p === 'border' ? '-width' : ''}`)), 0);
  const content = () => { const r = img.getBoundingClientRect();
    return {x: r.left + px('left'), y: r.top + px('top'), w: r.width - px('left') - px('right')}; };
  const box = content(), x0 = box.x + scrollX, y0 = box.y + scrollY;
  const lines = [`width ${box.w <= innerWidth}`];
  for (const [x, y] of POINTS) {
    const pageX = x0 + x * box.w / 6000, pageY = y0 + y * box.w / 6000;
    scrollTo(pageX - innerWidth / 2, pageY - innerHeight / 2);
    location.hash = 'none';
    const at = {clientX: pageX - scrollX, clientY: pageY - scrollY, bubbles: true};
    document.elementFromPoint(at.clientX, at.clientY).dispatchEvent(new MouseEvent('click', at));
    lines.push(location.hash === '#none' ? '-' : location.hash);
  }
  const areas = [...document.querySelector('map').areas];
  const [hover, found] = document.querySelectorAll('svg polygon');
  areas[3].focus();
  lines.push(`focus ${document.activeElement === areas[3] && areas[3].tabIndex === 0 &&
      hover.hasAttribute('points')}`);
  const search = document.querySelector('input[list]');
  search.value = 'lot 47';
  search.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}));
  const c = areas[46].coords.split(',').map(Number), to = content();
  const y = to.y + (c[1] + c[5]) / 2;
  lines.push(`found ${found.hasAttribute('points') && y > 0 && y < innerHeight &&
      search.offsetParent !== null}`);
  const out = document.body.appendChild(document.createElement('pre'));
  out.id = 'probe';
  out.textContent = lines.join('\n');
}, 100));
</script>
)";

} // namespace

class tst_WebPageBrowser : public QObject
{
    Q_OBJECT

private slots:
    void clicksOpenTheirSites_data();
    void clicksOpenTheirSites();
};

void tst_WebPageBrowser::clicksOpenTheirSites_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QByteArray>("style"); // the page's own style sheet

    for (const int width : { 390, 1280, 1920 })
        QTest::addRow("%d wide", width) << width << QByteArray();
    QTest::newRow("600-pixel column of a styled page")
        << 1280
        << QByteArray("img { max-width: 100%; height: auto; padding: 6px; border: 3px solid }"
                      " main { width: 600px; margin: 0 auto }");
}

// A point inside each of the 50 lots of a drawn 24-megapixel plan opens that lot's link, and
// points in streets and yards open none; focus and the search box outline a lot.
void tst_WebPageBrowser::clicksOpenTheirSites()
{
    QFETCH(int, window);
    QFETCH(QByteArray, style);
#if defined(__SANITIZE_ADDRESS__) || defined(__has_feature) && __has_feature(address_sanitizer)
    QSKIP("the browser is not what the sanitizers check: this runs in the optimised build");
#endif
    if (HeadlessChromium::executable().isEmpty())
        QSKIP("no Chromium installed (tools/install-deps.sh installs it)");

    static const DrawnPlan plan = DrawnPlan::make();
    static QTemporaryDir dir;
    HotSpotTable table;
    QStringList points, expected { u"width true"_s };
    for (const DrawnPlan::Lot &lot : plan.lots) {
        table.AddHotSpot(lot.coords, lot.name);
        points.append(u"[%1,%2]"_s.arg(lot.inside.x()).arg(lot.inside.y()));
        expected.append(u"#"_s + QString(lot.name).replace(u' ', u"%20"_s));
    }
    for (const QPointF &p : plan.outside) {
        points.append(u"[%1,%2]"_s.arg(p.x()).arg(p.y()));
        expected.append(u"-"_s);
    }
    expected << u"focus true"_s << u"found true"_s;

    // Exported once, as the Export Web Page command does it.
    const QString page = dir.filePath(u"plan.html"_s);
    if (!QFile::exists(page)) {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(page);
        prompts.expectInput(u"#{id}"_s);
        const WebPageCommands::Picture picture { dir.filePath(u"plan.png"_s), plan.picture };
        WebPageCommands(
            table, prompts, [&] { return picture; }, [] { return QString(); },
            [](const QUrl &) { return false; })
            .exportWebPage();
    }
    QByteArray html = readBytes(page);
    html.replace("<body>", "<body><main>");
    html.replace("</body>",
        QByteArray(probeScript).replace("POINTS", (u'[' + points.join(u',') + u']').toUtf8())
            + "</main></body>");
    html.replace("</head>", "<style>" + style + "</style></head>");
    const QString probe = dir.filePath(u"probe.html"_s);
    writeBytes(probe, html);

    const std::optional<QString> dom = HeadlessChromium::dumpDom(probe, QSize(window, 900));
    QVERIFY2(dom, "chromium failed");
    const QRegularExpressionMatch lines =
        QRegularExpression(u"<pre id=\"probe\">([^<]*)</pre>"_s).match(*dom);
    QVERIFY2(lines.hasMatch(), qPrintable(dom->right(1500)));
    QCOMPARE(lines.captured(1).split(u'\n'), expected);
}

QTEST_MAIN(tst_WebPageBrowser)
#include "tst_webpagebrowser.moc"
