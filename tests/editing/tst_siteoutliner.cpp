#include "editing/siteoutliner.h"

#include "memorysettings.h"
#include "programrun.h"

#include <QFont>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Two lots side by side with their numbers printed, a road below them, on white paper.
QImage drawnPlan()
{
    QImage plan(400, 300, QImage::Format_RGB32);
    plan.fill(Qt::white);
    QPainter painter(&plan);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(40, 40, 150, 120);
    painter.drawRect(190, 40, 150, 120);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(22);
    painter.setFont(font);
    painter.drawText(QRect(40, 40, 150, 120), Qt::AlignCenter, u"12"_s);
    painter.drawText(QRect(190, 40, 150, 120), Qt::AlignCenter, u"13"_s);
    return plan;
}

} // namespace

class tst_SiteOutliner : public QObject
{
    Q_OBJECT

private slots:
    void doubleClick_data();
    void doubleClick();
};

void tst_SiteOutliner::doubleClick_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("coords");

    // The lines cover pixels 39 to 41 (and 189 to 191): their centre is the middle of pixel 40.
    const QString lot12 = u"41,41,41,161,191,161,191,41"_s;
    QTest::newRow("lot: its number offered, taken")
        << QPoint(60, 60) << 0 << QString() << u"12"_s << u"12"_s << lot12;
    QTest::newRow("the register's spelling offered")
        << QPoint(60, 60) << 0 << u"register"_s << u"Lot 12"_s << u"Lot 12"_s << lot12;
    QTest::newRow("cancel discards the outline")
        << QPoint(60, 60) << 0 << QString() << u"12"_s << QString() << QString();
    QTest::newRow("outside every site")
        << QPoint(10, 250) << 0 << QString() << QString() << QString() << QString();
    QTest::newRow("with Shift: nothing")
        << QPoint(60, 60) << 1 << QString() << QString() << QString() << QString();
    QTest::newRow("corners captured: nothing")
        << QPoint(60, 60) << 0 << u"capturing"_s << QString() << QString() << QString();
    QTest::newRow("Move Corners on: nothing")
        << QPoint(60, 60) << 0 << u"move corners"_s << QString() << QString() << QString();
}

void tst_SiteOutliner::doubleClick()
{
    QFETCH(QPoint, pixel);
    QFETCH(int, shift);
    QFETCH(QString, state);
    QFETCH(QString, offered);
    QFETCH(QString, answer);
    QFETCH(QString, coords);

    MemorySettings settings;
    ProgramRun run(settings);
    const QImage plan = drawnPlan();
    SiteOutliner outliner(run.document, run.capture, run.editing, run.prompts,
        { [&] { return plan; },
            [&] { return state == u"register" ? QStringList { u"Lot 12"_s } : QStringList(); },
            [&] { return run.moveCorners.isOn(); } });
    if (state == u"capturing")
        run.capture.CaptureCorner(1, 1, 15 * 5, 15 * 5);
    if (state == u"move corners")
        run.moveCorners.setOn(true);
    const bool asks = !offered.isEmpty();
    const bool outside = pixel.y() > 200;
    if (asks)
        run.prompts.expectInput(answer);
    if (outside)
        run.prompts.expectMessage(Prompts::Button::Ok);

    outliner.doubleClicked(pixel, shift);

    if (asks) {
        QCOMPARE(run.prompts.shown.front().text, u"Enter Name of Hot Spot"_s);
        QCOMPARE(run.prompts.shown.front().caption, u"Make Hot Spot"_s);
        QCOMPARE(run.prompts.shown.front().defaultText, offered);
    }
    if (outside) {
        QCOMPARE(run.prompts.texts(), QStringList { u"No enclosed site here."_s });
        QCOMPARE(run.prompts.shown.front().caption, u"Quorvel"_s);
    }
    if (!asks && !outside)
        QVERIFY(run.prompts.shown.isEmpty());
    QCOMPARE(run.table.HotSpotCount(), coords.isEmpty() ? 0 : 1);
    if (!coords.isEmpty()) {
        QCOMPARE(run.table.HotSpotNames(0), answer);
        QCOMPARE(run.table.HotSpotCoords(0), coords);
        QCOMPARE(run.document.undoStack().undoText(), u"Create "_s + answer);
        QVERIFY(!run.document.IsSaved());
    }
    QCOMPARE(run.capture.Drawing, false);
    QVERIFY(run.prompts.unusedAnswers().isEmpty());
}

QTEST_MAIN(tst_SiteOutliner)
#include "tst_siteoutliner.moc"
