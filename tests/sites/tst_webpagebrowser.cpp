#include "drawnplan.h"
#include "headlesschromium.h"
#include "memorysettings.h"
#include "model/coordfile.h"
#include "model/hotspottable.h"
#include "platform/picture.h"
#include "scriptedprompts.h"
#include "silentstandins.h"
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
  const img = document.querySelector('img');
  const s = getComputedStyle(img), px = (n) => parseFloat(s.getPropertyValue(n)) || 0;
  const content = () => {
    const r = img.getBoundingClientRect();
    const left = r.left + px('border-left-width') + px('padding-left');
    return {left, top: r.top + px('border-top-width') + px('padding-top'),
            width: r.right - px('border-right-width') - px('padding-right') - left};
  };
  const box = content(), left = box.left + scrollX, top = box.top + scrollY;
  const lines = [`width ${box.width <= innerWidth}`];
  for (const [x, y] of POINTS) {
    const pageX = left + x * box.width / PLAN_WIDTH, pageY = top + y * box.width / PLAN_WIDTH;
    scrollTo(pageX - innerWidth / 2, pageY - innerHeight / 2);
    location.hash = 'none';
    const clientX = pageX - scrollX, clientY = pageY - scrollY;
    const hit = document.elementFromPoint(clientX, clientY);
    hit.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true, clientX, clientY}));
    lines.push(location.hash === '#none' ? '-' : location.hash);
  }
  const areas = [...document.querySelector('map').areas];
  const [hover, found] = document.querySelectorAll('svg polygon');
  scrollTo(0, 0);
  areas[3].focus();
  lines.push(`focus ${document.activeElement === areas[3] && areas[3].tabIndex === 0}`
      + ` ${hover.hasAttribute('points')}`);
  areas[3].blur();
  const search = document.querySelector('input[list]');
  search.value = SEARCH;
  search.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}));
  const c = areas.find((a) => a.title === FOUND).coords.split(',').map(Number), at = content();
  const x = at.left + (c[0] + c[4]) / 2, y = at.top + (c[1] + c[5]) / 2;
  lines.push(`found ${found.hasAttribute('points')} ${x > 0 && x < innerWidth && y > 0 && y < innerHeight}`
      + ` ${search.offsetParent !== null}`);
  const out = document.createElement('pre');
  out.id = 'probe';
  out.textContent = lines.join('\n');
  document.body.append(out);
}, 100));
</script>
)";

struct Probe
{
    QPointF at;
    QString link; // "-": none
};

} // namespace

class tst_WebPageBrowser : public QObject
{
    Q_OBJECT

private slots:
    void clicksOpenTheirSites_data();
    void clicksOpenTheirSites();

private:
    QString exported(
        const QString &name, const HotSpotTable &table, const WebPageCommands::Picture &picture);

    QTemporaryDir m_dir;
};

QString tst_WebPageBrowser::exported(
    const QString &name, const HotSpotTable &table, const WebPageCommands::Picture &picture)
{
    const QString page = m_dir.filePath(name);
    if (QFile::exists(page))
        return page;
    ScriptedPrompts prompts;
    prompts.expectSaveFile(page);
    prompts.expectInput(u"#{id}"_s);
    WebPageCommands(
        table, prompts, [&] { return picture; }, [] { return QString(); },
        [](const QUrl &) { return false; })
        .exportWebPage();
    return page;
}

void tst_WebPageBrowser::clicksOpenTheirSites_data()
{
    QTest::addColumn<bool>("sample"); // the sample plan, or the drawn 24-megapixel one
    QTest::addColumn<int>("window");
    QTest::addColumn<QByteArray>("style"); // the page's own style sheet

    QTest::newRow("sample plan, 1800 wide") << true << 1800 << QByteArray();
    QTest::newRow("sample plan, 390 wide") << true << 390 << QByteArray();
    for (const int width : { 390, 1280, 1920 })
        QTest::addRow("drawn plan, %d wide", width) << false << width << QByteArray();
    QTest::newRow("drawn plan, 600-pixel column of a styled page")
        << false << 1280
        << QByteArray("img { max-width: 100%; height: auto; padding: 6px; border: 3px solid }"
                      " main { width: 600px; margin: 0 auto }");
}

void tst_WebPageBrowser::clicksOpenTheirSites()
{
    QFETCH(bool, sample);
    QFETCH(int, window);
    QFETCH(QByteArray, style);
#if defined(__SANITIZE_ADDRESS__) || defined(__has_feature) && __has_feature(address_sanitizer)
    QSKIP("the browser is not what the sanitizers check: this runs in the optimised build");
#endif
    if (HeadlessChromium::executable().isEmpty())
        QSKIP("no Chromium installed (tools/install-deps.sh installs it)");

    HotSpotTable table;
    WebPageCommands::Picture picture;
    QList<Probe> probes;
    if (sample) {
        const QString examples = QStringLiteral(QUORVEL_EXAMPLES);
        SilentPrompts silent;
        NullSettings settings;
        NullView view;
        ReadCoordFile(examples + u"/siteplan.map"_s, table, silent, settings, view);
        picture = { examples + u"/siteplan.jpg"_s, LoadPicture(examples + u"/siteplan.jpg"_s) };
        // Lot 10 inside; a corner of Lot 10's bounding box that belongs to Lot 11; Cedar Lane,
        // which no hot spot covers; the common area.
        probes = { { { 1050, 200 }, u"#Lot%2010"_s }, { { 1170, 305 }, u"#Lot%2011"_s },
            { { 600, 410 }, u"-"_s }, { { 1100, 700 }, u"#Common"_s } };
    } else {
        static const DrawnPlan plan = DrawnPlan::make();
        for (const DrawnPlan::Lot &lot : plan.lots) {
            table.AddHotSpot(lot.coords(), lot.name);
            probes.append({ lot.inside, u"#"_s + QString(lot.name).replace(u' ', u"%20"_s) });
        }
        for (const QPointF &p : plan.outside)
            probes.append({ p, u"-"_s });
        picture = { m_dir.filePath(u"drawn plan.png"_s), plan.picture };
    }
    const QString page = exported(sample ? u"sample.html"_s : u"drawn.html"_s, table, picture);

    QStringList points, expected { u"width true"_s };
    for (const Probe &probe : std::as_const(probes)) {
        points.append(u"[%1,%2]"_s.arg(probe.at.x()).arg(probe.at.y()));
        expected.append(probe.link);
    }
    expected << u"focus true true"_s << u"found true true true"_s;
    QByteArray html = readBytes(page);
    QVERIFY(html.contains("usemap=\"#map\""));
    html.replace("</body>",
        QByteArray(probeScript)
                .replace("POINTS", u"[%1]"_s.arg(points.join(u',')).toUtf8())
                .replace("PLAN_WIDTH", QByteArray::number(picture.image.width()))
                .replace("SEARCH", sample ? "'com'" : "'Lot 47'")
                .replace("FOUND", sample ? "'Common'" : "'Lot 47'")
            + "</main></body>");
    html.replace("<body>", "<body><main>");
    html.replace("</head>", "<style>" + style + "</style></head>");
    const QString probePage = m_dir.filePath(u"probe.html"_s);
    QFile file(probePage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(html);
    file.close();

    const std::optional<QString> dom = HeadlessChromium::dumpDom(probePage, QSize(window, 900));
    QVERIFY2(dom, "chromium failed");
    const QRegularExpressionMatch lines =
        QRegularExpression(u"<pre id=\"probe\">([^<]*)</pre>"_s).match(*dom);
    QVERIFY2(lines.hasMatch(), qPrintable(*dom));
    QCOMPARE(lines.captured(1).split(u'\n'), expected);
}

QTEST_MAIN(tst_WebPageBrowser)
#include "tst_webpagebrowser.moc"
