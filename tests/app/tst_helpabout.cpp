#include "app/about.h"
#include "app/help.h"

#include <QLabel>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_HelpAbout : public QObject
{
    Q_OBJECT

private slots:
    void helpLabels_data();
    void helpLabels();
    void helpWindow();
    void aboutWindow();
};

void tst_HelpAbout::helpLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("Label1") << u"Label1"_s << QRect(12, 12, 269, 65)
                            << u"To create a hotspot Hold Shitkey down and left mouse click on "
                               "corners of site BUT release shift key before clicking on last "
                               "corner, it will then popup and ask for site number. Enter "
                               "exactly what site is in KOVAL"_s;
    QTest::newRow("Label2") << u"Label2"_s << QRect(12, 92, 269, 25)
                            << u"Left click on existing hotspot to rename"_s;
    QTest::newRow("Label3") << u"Label3"_s << QRect(12, 132, 269, 37)
                            << u"Right click on existing hotspot to delete"_s;
}

void tst_HelpAbout::helpLabels()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    Help help;
    auto *label = help.findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->geometry(), geometry);
    QVERIFY(label->wordWrap());
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    // The text has to fit its label: the long first one wraps over several lines.
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
        qPrintable(QString::number(label->heightForWidth(label->width()))));
}

void tst_HelpAbout::helpWindow()
{
    Help help;
    QCOMPARE(help.windowTitle(), u"Form1"_s);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QCOMPARE(help.size(), QSize(304, 202));
    // Left where the window system puts a new window, not centred as dialogs are.
    const QRect screen = help.screen()->availableGeometry();
    QVERIFY(help.geometry().center() != screen.center());
}

void tst_HelpAbout::aboutWindow()
{
    About about;
    QCOMPARE(about.windowTitle(), u"About"_s);
    auto *label = about.findChild<QLabel *>(u"Label2"_s);
    QVERIFY(label);
    QCOMPARE(label->text(), u"Quorvel"_s);
    QCOMPARE(label->geometry(), QRect(56, 8, 209, 25));
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(label->font().family(), u"MS Sans Serif"_s);
    QCOMPARE(label->font().pointSize(), 12);
    QCOMPARE(label->font().weight(), QFont::Bold);
    QVERIFY(!label->font().italic() && !label->font().underline() && !label->font().strikeOut());

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.size(), QSize(312, 206));
    const QRect screen = about.screen()->availableGeometry();
    QVERIFY((about.geometry().center() - screen.center()).manhattanLength() <= 2);
}

QTEST_MAIN(tst_HelpAbout)
#include "tst_helpabout.moc"
