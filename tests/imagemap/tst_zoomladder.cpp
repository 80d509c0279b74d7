#include "imagemap/zoomladder.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_ZoomLadder : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
    void fit();
};

void tst_ZoomLadder::steps_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("in");
    QTest::addColumn<double>("out");
    QTest::addColumn<QString>("shown");

    QTest::newRow("smallest stays") << 1.0 / 16 << 1.0 / 12 << 1.0 / 16 << u"6.25 %"_s;
    QTest::newRow("8.33") << 1.0 / 12 << 1.0 / 8 << 1.0 / 16 << u"8.33 %"_s;
    QTest::newRow("16.7") << 1.0 / 6 << 0.25 << 0.125 << u"16.7 %"_s;
    QTest::newRow("66.7") << 2.0 / 3 << 1.0 << 0.5 << u"66.7 %"_s;
    QTest::newRow("actual size") << 1.0 << 1.5 << 2.0 / 3 << u"100 %"_s;
    QTest::newRow("600") << 6.0 << 8.0 << 4.0 << u"600 %"_s;
    QTest::newRow("largest stays") << 8.0 << 8.0 << 6.0 << u"800 %"_s;
    // A fit between two steps goes to its neighbours.
    QTest::newRow("between 25 and 33.3") << 0.2735 << 1.0 / 3 << 0.25 << u"27.4 %"_s;
    QTest::newRow("a hair off a step") << 0.5 + 1e-12 << 2.0 / 3 << 1.0 / 3 << u"50 %"_s;
}

void tst_ZoomLadder::steps()
{
    QFETCH(double, from);
    QFETCH(double, in);
    QFETCH(double, out);
    QFETCH(QString, shown);
    QCOMPARE(ZoomLadder::stepIn(from), in);
    QCOMPARE(ZoomLadder::stepOut(from), out);
    QCOMPARE(ZoomLadder::percentText(from), shown);

    // Every step is on the way up and down the ladder, in order.
    const auto steps = ZoomLadder::steps();
    QCOMPARE(steps.size(), 15u);
    for (size_t k = 0; k + 1 < steps.size(); ++k) {
        QCOMPARE(ZoomLadder::stepIn(steps[k]), steps[k + 1]);
        QCOMPARE(ZoomLadder::stepOut(steps[k + 1]), steps[k]);
    }
}

void tst_ZoomLadder::fit()
{
    const QSizeF view(1641, 878);
    // The 1,001-lot plan: its height decides.
    QCOMPARE(ZoomLadder::fit(QSizeF(6000, 4000), view), 878.0 / 4000);
    QCOMPARE(ZoomLadder::fit(QSizeF(10000, 2000), view), 1641.0 / 10000);
    // A small picture is enlarged to fit, up to the largest step; a huge one stops at the
    // smallest.
    QCOMPARE(ZoomLadder::fit(QSizeF(400, 300), view), 878.0 / 300);
    QCOMPARE(ZoomLadder::fit(QSizeF(100, 50), view), 8.0);
    QCOMPARE(ZoomLadder::fit(QSizeF(100000, 10), view), 1.0 / 16);
    QCOMPARE(ZoomLadder::fit(QSizeF(), view), 1.0);

    // The step to show a part of the picture never enlarges.
    QCOMPARE(ZoomLadder::fittingStep(QSizeF(6000, 4000), view), 1.0 / 6);
    QCOMPARE(ZoomLadder::fittingStep(QSizeF(1641, 878), view), 1.0);
    QCOMPARE(ZoomLadder::fittingStep(QSizeF(20, 10), view), 1.0);

    // The point kept in place: at offset o the view point v shows picture point (o + v) / zoom.
    const QPointF offset = ZoomLadder::anchoredOffset(QPointF(1200, 700), QPointF(400, 300), 1.5);
    QCOMPARE((offset + QPointF(400, 300)) / 1.5, QPointF(1200, 700));
}

QTEST_MAIN(tst_ZoomLadder)
#include "tst_zoomladder.moc"
