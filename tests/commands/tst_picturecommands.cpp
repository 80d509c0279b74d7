#include "commands/picturecommands.h"

#include "memorysettings.h"
#include "recordingcontrol.h"
#include "scriptedprompts.h"
#include "testfiles.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Notes the cursor the program shows while the picture is handed over.
class CursorWatchingControl final : public ImageMapControl
{
public:
    void setInitFlag(bool) override { }
    void setInitValue(qint32) override { }
    void setCoordsFile(const QString &) override { }
    void setCoordsString(const QString &) override { }
    void setPicture(const QImage &) override
    {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        cursorWhileShown = cursor ? cursor->shape() : Qt::ArrowCursor;
    }
    void setLeft(float) override { }
    void setTop(float) override { }
    void setConstructionCorners(const QList<QPointF> &) override { }

    Qt::CursorShape cursorWhileShown = Qt::BlankCursor;
};

} // namespace

class tst_PictureCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cancelChangesNothing();
    void choosePicture_data();
    void choosePicture();
    void busyWhileLoading();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    MemorySettings m_settings;
    RecordingControl m_control;
};

void tst_PictureCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_settings = MemorySettings();
    m_settings.values.insert(u"Settings/BGPicture"_s, u"/pictures/old.jpg"_s);
    m_control = RecordingControl();
}

void tst_PictureCommands::cleanup()
{
    const auto prompts = std::exchange(m_prompts, nullptr);
    m_dir.reset();
    const QStringList left = prompts->unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_PictureCommands::cancelChangesNothing()
{
    m_prompts->expectOpenFile(QString());

    ChooseMapPicture(*m_prompts, m_settings, m_control);

    QVERIFY(m_control.calls.isEmpty());
    QVERIFY(m_settings.writes.isEmpty());
    QCOMPARE(m_prompts->shown.size(), 1);
    const Prompts::FileDialog dialog = m_prompts->shown.first().dialog;
    QCOMPARE(dialog.filter,
        u"All Pictures|*.bmp;*.dib;*.jpg;*.jpeg;*.gif;*.emf;|Bitmaps (*.bmp;*.dib)|*.bmp;*.dib"
        "|GIF Images (*.gif)|*.gif|JPEG Images (*.jpg;*.jpeg)|*.jpg;*.jpeg"
        "|All Files (*.*)|*.*"_s);
    QVERIFY(dialog.defaultSuffix.isEmpty());
    QVERIFY(dialog.fileMustExist);
    QVERIFY(dialog.hideReadOnly);
    QVERIFY(!dialog.confirmOverwrite);
}

void tst_PictureCommands::choosePicture_data()
{
    QTest::addColumn<QString>("name");
    // Empty: the bytes below are written as they are; "-": nothing is written; "fifo": a named
    // pipe is made.
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown"); // empty: not a loadable picture

    static const char smallGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00"
                                   "\x21\xF9\x04\x01\x00\x00\x00\x00\x2C\x00\x00\x00\x00\x01"
                                   "\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B";

    QTest::newRow("JPEG") << u"site plan.jpg"_s << QByteArray("JPG") << QByteArray()
                          << u"Picture=37x23"_s;
    QTest::newRow("bitmap") << u"plan.bmp"_s << QByteArray("BMP") << QByteArray()
                            << u"Picture=37x23"_s;
    QTest::newRow("GIF") << u"plan.gif"_s << QByteArray()
                         << QByteArray(smallGif, sizeof(smallGif) - 1) << u"Picture=1x1"_s;
    QTest::newRow("text file through All Files")
        << u"notes.txt"_s << QByteArray() << QByteArray("lot 12 is sold\r\n") << QString();
    QTest::newRow("empty file named .jpg")
        << u"empty.jpg"_s << QByteArray() << QByteArray() << QString();
    QTest::newRow("truncated JPEG")
        << u"cut.jpg"_s << QByteArray() << QByteArray("\xFF\xD8\xFF") << QString();
    QTest::newRow("file gone before loading")
        << u"gone.jpg"_s << QByteArray("-") << QByteArray() << QString();
    // Opening either would wait for ever, or read for ever.
    QTest::newRow("named pipe through All Files")
        << u"pipe.jpg"_s << QByteArray("fifo") << QByteArray() << QString();
    QTest::newRow("device through All Files")
        << u"/dev/zero"_s << QByteArray("-") << QByteArray() << QString();
}

void tst_PictureCommands::choosePicture()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const bool loads = !shown.isEmpty();

    const QString path = QDir::isAbsolutePath(name) ? name : m_dir->filePath(name);
    if (format == "-") {
        // nothing to make
    } else if (format == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (!format.isEmpty()) {
        QImage image(37, 23, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(path, format.constData()));
    } else {
        writeBytes(path, bytes);
    }
    m_prompts->expectOpenFile(path);
    if (!loads)
        m_prompts->expectMessage(Prompts::Button::Ok);

    ChooseMapPicture(*m_prompts, m_settings, m_control);

    if (loads) {
        QCOMPARE(m_control.calls, QStringList { shown });
        QCOMPARE(m_settings.values.value(u"Settings/BGPicture"_s), path);
        QCOMPARE(m_settings.writes.size(), 1);
        QCOMPARE(m_prompts->shown.size(), 1);
    } else {
        const ScriptedPrompts::Record &box = m_prompts->shown.last();
        QCOMPARE(box.text, u"Invalid picture file. Please try again."_s);
        QCOMPARE(box.caption, u"QuorvelImap"_s);
        QCOMPARE(box.buttons, Prompts::Buttons::Ok);
        QCOMPARE(box.icon, Prompts::Icon::None);
        QVERIFY(m_control.calls.isEmpty());
        QVERIFY(m_settings.writes.isEmpty());
        QCOMPARE(m_settings.values.value(u"Settings/BGPicture"_s), u"/pictures/old.jpg"_s);
    }
}

void tst_PictureCommands::busyWhileLoading()
{
    const QString good = m_dir->filePath(u"plan.png"_s);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(good));
    CursorWatchingControl control;
    m_prompts->expectOpenFile(good);
    ChooseMapPicture(*m_prompts, m_settings, control);
    QCOMPARE(control.cursorWhileShown, Qt::WaitCursor);
    QVERIFY(!QGuiApplication::overrideCursor());

    // A picture that fails leaves the usual cursor behind for its message.
    m_prompts->expectOpenFile(m_dir->filePath(u"missing.jpg"_s));
    m_prompts->expectMessage(Prompts::Button::Ok);
    ChooseMapPicture(*m_prompts, m_settings, control);
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(tst_PictureCommands)
#include "tst_picturecommands.moc"
