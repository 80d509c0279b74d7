#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "imagemap/areaparser.h"
#include "model/hotspottable.h"
#include "sites/pageimport.h"

#include "headlesschromium.h"
#include "memorysettings.h"
#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int gridStep = 3;
// Points this close to an outline may fall either way after corners are made whole pixels.
constexpr double outlineMargin = 1.0;

// Asks the browser which area of the page's only map each grid point hits: the area's index in
// its map, or -1. The picture sits at the page's top-left corner.
const char hitScript[] = R"(<pre id="hits"></pre>
<script>
window.onload = function () {
  const img = document.querySelector('img');
  const box = img.getBoundingClientRect();
  const hits = [];
  for (let y = 0; y < img.height; y += STEP)
    for (let x = 0; x < img.width; x += STEP) {
      const e = document.elementFromPoint(box.left + x + 0.5, box.top + y + 0.5);
      hits.push(e && e.tagName === 'AREA' ? Array.prototype.indexOf.call(e.parentNode.areas, e) : -1);
    }
  document.getElementById('hits').textContent = 'HITS:' + hits.join(',');
};
</script>)";

QByteArray pageAround(const QByteArray &map, const QString &mapName, QSize size)
{
    return "<!DOCTYPE html><html><body style=\"margin:0\"><img src=\"picture.png\" usemap=\"#"
        + mapName.toUtf8() + "\" width=\"" + QByteArray::number(size.width()) + "\" height=\""
        + QByteArray::number(size.height()) + "\" style=\"display:block\">\n" + map
        + QByteArray(hitScript).replace("STEP", QByteArray::number(gridStep)) + "</body></html>";
}

QList<int> browserHits(const QString &page, QSize size)
{
    // Headless windows show less than their size: leave plenty of room.
    const auto dom = HeadlessChromium::dumpDom(page, size.expandedTo(QSize(800, 600)) * 2);
    if (!dom)
        return {};
    const QRegularExpressionMatch match = QRegularExpression(u"HITS:([-0-9,]*)"_s).match(*dom);
    QList<int> hits;
    for (const QString &n : match.captured(1).split(u',', Qt::SkipEmptyParts))
        hits.append(n.toInt());
    return hits;
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF e = b - a;
    const double length2 = QPointF::dotProduct(e, e);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, e) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * e);
    return std::hypot(d.x(), d.y());
}

// The outlines of a map's areas, shaped as the browser shapes them from the original page, filed
// by the cells of a coarse grid that they pass within the margin of: a point is checked against
// the few edges of its own cell, not against every edge of the map.
class Outlines
{
public:
    Outlines(const PageMap &map, QSize picture)
        : m_picture(picture)
    {
        for (const PageArea &area : map.areas) {
            const QList<double> c = AreaParser::parseCoords(area.coords);
            const QString shape = area.shape.value_or(QString()).toLower();
            if (shape.startsWith(u"circ"_s)) {
                if (c.size() >= 3)
                    add({ { c[0], c[1] }, {}, c[2] });
                continue;
            }
            QList<QPointF> corners;
            if (shape.startsWith(u"poly"_s)) {
                for (qsizetype i = 0; i + 1 < c.size(); i += 2)
                    corners.append(QPointF(c[i], c[i + 1]));
            } else if (c.size() >= 4) {
                corners = { { c[0], c[1] }, { c[2], c[1] }, { c[2], c[3] }, { c[0], c[3] } };
            }
            for (qsizetype i = 0; i < corners.size(); ++i)
                add({ corners[i], corners[(i + 1) % corners.size()], -1 });
        }
    }

    // Whether \a p lies within the margin of any outline.
    bool near(QPointF p) const
    {
        for (int k : m_cells.value(cellOf(p))) {
            const Edge &e = m_edges[k];
            const double d = e.radius >= 0
                ? std::abs(std::hypot(p.x() - e.a.x(), p.y() - e.a.y()) - e.radius)
                : distanceToSegment(p, e.a, e.b);
            if (d <= outlineMargin)
                return true;
        }
        return false;
    }

private:
    // A segment from a to b, or a circle round a when the radius is not negative.
    struct Edge
    {
        QPointF a, b;
        double radius;
    };
    static constexpr double cellSize = 16;

    // Outlines far off the picture file no cells: only the picture's points are asked about.
    QPoint cellOf(QPointF p) const
    {
        const auto cell = [](double v, int length) {
            return int(std::floor(std::clamp(v, -cellSize, length + cellSize) / cellSize));
        };
        return QPoint(cell(p.x(), m_picture.width()), cell(p.y(), m_picture.height()));
    }

    void add(const Edge &e)
    {
        const QRectF box = e.radius >= 0
            ? QRectF(e.a - QPointF(e.radius, e.radius), QSizeF(2 * e.radius, 2 * e.radius))
            : QRectF(e.a, e.b).normalized();
        const QPointF m(outlineMargin, outlineMargin);
        const QPoint from = cellOf(box.topLeft() - m), to = cellOf(box.bottomRight() + m);
        for (int y = from.y(); y <= to.y(); ++y) {
            for (int x = from.x(); x <= to.x(); ++x)
                m_cells[QPoint(x, y)].append(int(m_edges.size()));
        }
        m_edges.append(e);
    }

    QSize m_picture;
    QList<Edge> m_edges;
    QHash<QPoint, QList<int>> m_cells;
};

} // namespace

class tst_PageImportBrowser : public QObject
{
    Q_OBJECT

private slots:
    void sameAreasHitBeforeAndAfter_data();
    void sameAreasHitBeforeAndAfter();
};

void tst_PageImportBrowser::sameAreasHitBeforeAndAfter_data()
{
    QTest::addColumn<QString>("file");
    // Rectangles, circles and polygons; a missing shape keyword; ninety-five areas.
    QTest::newRow("shapes") << u"webplatform_docs__html_attributes_shape_index.html"_s;
    QTest::newRow("missing shape") << u"jamietre_ImageMapster__examples_shapes__map3.html"_s;
    QTest::newRow("usa") << u"jamietre_ImageMapster__examples_usa.html"_s;
}

void tst_PageImportBrowser::sameAreasHitBeforeAndAfter()
{
    QFETCH(QString, file);
    if (HeadlessChromium::executable().isEmpty())
        QSKIP("no Chromium installed (tools/install-deps.sh installs it)");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray mapElement = readBytes(QStringLiteral(QUORVEL_TEST_MAPS) + u'/' + file);
    const PageMaps parsed = AreaParser::parsePage(QString::fromUtf8(mapElement));
    QCOMPARE(parsed.maps.size(), 1);
    const PageMap &map = parsed.maps.first();

    // A plain picture large enough for every area.
    double right = 0, bottom = 0;
    for (const PageArea &area : map.areas) {
        const QList<double> c = AreaParser::parseCoords(area.coords);
        const bool circle =
            area.shape.value_or(QString()).startsWith(u"circ"_s, Qt::CaseInsensitive);
        for (qsizetype i = 0; i + 1 < c.size(); i += 2) {
            const double extra = circle && c.size() >= 3 ? c[2] : 0;
            right = std::max(right, c[i] + extra);
            bottom = std::max(bottom, c[i + 1] + extra);
            if (circle)
                break;
        }
    }
    const QSize size(int(right) + 20, int(bottom) + 20);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY(picture.save(dir.filePath(u"picture.png"_s)));
    const QString original = dir.filePath(u"original.html"_s);
    writeBytes(original, pageAround(mapElement, map.name, size));

    // Import the page and save it as a map, as a user would.
    MapDocument document;
    ScriptedPrompts prompts;
    MemorySettings settings;
    RecordingView view;
    RecordingControl control;
    FileCommands files(document, prompts, settings, view);
    PageImport import(document, prompts, settings, view, control);
    prompts.expectMessage(Prompts::Button::Ok); // the summary
    prompts.expectMessage(Prompts::Button::No); // keep the current picture
    import.importPage(original);
    const QString saved = dir.filePath(u"imported.map"_s);
    prompts.expectSaveFile(saved);
    QCOMPARE(files.mnuSave_Click(), FileCommands::SaveOutcome::Written);
    QVERIFY(prompts.unusedAnswers().isEmpty());

    // The saved map file is itself a <map> element; put it on a page of its own.
    const QString rebuilt = dir.filePath(u"rebuilt.html"_s);
    writeBytes(rebuilt, pageAround(readBytes(saved), u"map"_s, size));

    const QList<int> before = browserHits(original, size);
    const QList<int> after = browserHits(rebuilt, size);
    const int columns = (size.width() + gridStep - 1) / gridStep;
    const int rows = (size.height() + gridStep - 1) / gridStep;
    QCOMPARE(before.size(), columns * rows);
    QCOMPARE(after.size(), before.size());

    // Area index on the original page -> hot spot (and area) index on the rebuilt one.
    const PageImport::Conversion conversion = PageImport::convert(map);
    QList<int> slotOf(map.areas.size(), -1);
    for (qsizetype slot = 0; slot < conversion.hotSpots.size(); ++slot)
        slotOf[conversion.hotSpots[slot].areaIndex] = int(slot);

    const Outlines outlines(map, size);
    int compared = 0;
    QSet<int> areasHit;
    for (int i = 0; i < before.size(); ++i) {
        const QPointF point((i % columns) * gridStep + 0.5, (i / columns) * gridStep + 0.5);
        if (outlines.near(point))
            continue;
        const int expected = before[i] < 0 ? -1 : slotOf.value(before[i], -1);
        QVERIFY2(after[i] == expected,
            qPrintable(u"(%1, %2): area %3 before, %4 after"_s.arg(point.x())
                           .arg(point.y())
                           .arg(before[i])
                           .arg(after[i])));
        ++compared;
        if (expected >= 0)
            areasHit.insert(expected);
    }
    QVERIFY(compared > before.size() / 2);

    // Most areas are large enough for the grid to land inside them (not the tiny islands).
    QVERIFY2(areasHit.size() * 2 >= conversion.hotSpots.size(),
        qPrintable(u"%1 of %2 areas hit"_s.arg(areasHit.size()).arg(conversion.hotSpots.size())));
}

QTEST_GUILESS_MAIN(tst_PageImportBrowser)
#include "tst_pageimport_browser.moc"
