#include "platform/qtprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs \a act on the modal dialog of type T once it is showing.
template <typename T> void whenShown(std::function<void(T *)> act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(dialog);
    });
}

// Whether \a label draws \a text as written: the same pixels as a plain label of that text
// without a shortcut, so no markup, no "&" marker and every blank.
bool showsLiterally(QLabel *label, const QString &text)
{
    if (!label || label->text() != text)
        return false;
    QLabel reference;
    reference.setTextFormat(Qt::PlainText);
    reference.setText(text);
    reference.setFont(label->font());
    reference.setPalette(label->palette());
    reference.setAlignment(label->alignment());
    reference.setWordWrap(label->wordWrap());
    reference.setMargin(label->margin());
    reference.setIndent(label->indent());
    reference.setTextInteractionFlags(label->textInteractionFlags());
    reference.resize(label->size());
    const auto pixels = [](QWidget &widget) {
        return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    return pixels(*label) == pixels(reference);
}

} // namespace

class tst_QtPrompts : public QObject
{
    Q_OBJECT

private slots:
    void messageButtons_data();
    void messageButtons();
    void input();
    void textsShownLiterally();
    void fileDialogs();
    void allFilesListsEveryFile();
    void qtFilter_data();
    void qtFilter();
};

void tst_QtPrompts::messageButtons_data()
{
    QTest::addColumn<Prompts::Buttons>("buttons");
    QTest::addColumn<QList<int>>("shown"); // QMessageBox::StandardButton values
    QTest::addColumn<int>("click");
    QTest::addColumn<Prompts::Button>("answer");

    const QList<int> ok { QMessageBox::Ok };
    const QList<int> okCancel { QMessageBox::Ok, QMessageBox::Cancel };
    const QList<int> yesNo { QMessageBox::Yes, QMessageBox::No };
    QTest::newRow("OK") << Prompts::Buttons::Ok << ok << int(QMessageBox::Ok)
                        << Prompts::Button::Ok;
    QTest::newRow("OK of OK, Cancel")
        << Prompts::Buttons::OkCancel << okCancel << int(QMessageBox::Ok) << Prompts::Button::Ok;
    QTest::newRow("Cancel") << Prompts::Buttons::OkCancel << okCancel << int(QMessageBox::Cancel)
                            << Prompts::Button::Cancel;
    QTest::newRow("Yes") << Prompts::Buttons::YesNo << yesNo << int(QMessageBox::Yes)
                         << Prompts::Button::Yes;
    QTest::newRow("No") << Prompts::Buttons::YesNo << yesNo << int(QMessageBox::No)
                        << Prompts::Button::No;
    QTest::newRow("Escape on Yes, No")
        << Prompts::Buttons::YesNo << yesNo << -1 << Prompts::Button::No;
}

void tst_QtPrompts::messageButtons()
{
    QFETCH(Prompts::Buttons, buttons);
    QFETCH(QList<int>, shown);
    QFETCH(int, click);
    QFETCH(Prompts::Button, answer);

    QString caption;
    QString text;
    QList<int> standard;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        caption = box->windowTitle();
        text = box->text();
        for (QAbstractButton *button : box->buttons())
            standard.append(box->standardButton(button));
        if (click < 0)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(QMessageBox::StandardButton(click))->click();
    });
    QtPrompts prompts;
    QCOMPARE(prompts.message(
                 u"Do you want to save your changes?"_s, buttons, Prompts::Icon::None, QString()),
        answer);
    QCOMPARE(caption, u"QuorvelImap"_s);
    QCOMPARE(text, u"Do you want to save your changes?"_s);
    std::sort(standard.begin(), standard.end());
    std::sort(shown.begin(), shown.end());
    QCOMPARE(standard, shown);
}

void tst_QtPrompts::input()
{
    QtPrompts prompts;
    QString title;
    QString label;
    whenShown<QInputDialog>([&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        label = dialog->labelText();
        QCOMPARE(dialog->textValue(), u"1,2,3"_s);
        dialog->setTextValue(u" Lot 7 "_s);
        dialog->accept();
    });
    QCOMPARE(
        prompts.input(u"Change A's to: "_s, u"Modify Coordinates"_s, u"1,2,3"_s), u" Lot 7 "_s);
    QCOMPARE(title, u"Modify Coordinates"_s);
    QCOMPARE(label, u"Change A's to: "_s);

    whenShown<QInputDialog>([](QInputDialog *dialog) {
        dialog->setTextValue(u"typed"_s);
        dialog->reject();
    });
    QCOMPARE(prompts.input(u"Enter Name of Hot Spot"_s, u"Make Hot Spot"_s, QString()), QString());

    // A coordinate list of thousands of corners passes through unchanged, and so does a
    // longer one typed over it.
    const QString list = u"1234,5678,"_s.repeated(10000);
    const QString longer = list + u"9,9"_s;
    qsizetype shown = 0;
    whenShown<QInputDialog>([&](QInputDialog *dialog) {
        shown = dialog->textValue().size();
        dialog->setTextValue(longer);
        dialog->accept();
    });
    QCOMPARE(prompts.input(u"Change A's to: "_s, u"Modify Coordinates"_s, list), longer);
    QCOMPARE(shown, 100000);
}

void tst_QtPrompts::textsShownLiterally()
{
    QtPrompts prompts;
    const QString question = u"Do You Really want to delete <b>7</b>'s  Hot Spot"_s;
    bool literal = false;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        literal = showsLiterally(box->findChild<QLabel *>(u"qt_msgbox_label"_s), question);
        box->button(QMessageBox::No)->click();
    });
    prompts.message(question, Prompts::Buttons::YesNo, Prompts::Icon::Information, {});
    QVERIFY(literal);

    for (const QString &prompt : { u"Change R&D's to: "_s, u"Change <i>A</i>  B's to: "_s }) {
        literal = false;
        whenShown<QInputDialog>([&](QInputDialog *dialog) {
            literal = showsLiterally(dialog->findChild<QLabel *>(), prompt);
            dialog->reject();
        });
        prompts.input(prompt, u"Modify Hot Spot's Name"_s, {});
        QVERIFY2(literal, qPrintable(prompt));
    }
}

void tst_QtPrompts::fileDialogs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QtPrompts prompts;
    Prompts::FileDialog options { u"Map|*.map"_s, u"map"_s, false, true, false };

    QStringList filters;
    bool native = true;
    whenShown<QFileDialog>([&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        native = dialog->testOption(QFileDialog::DontUseNativeDialog);
        dialog->setDirectory(dir.path());
        dialog->selectFile(u"site"_s);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(prompts.saveFile(options), dir.filePath(u"site.map"_s));
    QCOMPARE(filters, QStringList { u"Map (*.map)"_s });
    // The desktop's own dialog is used where there is one; here there is none.
    QVERIFY(!native);

    whenShown<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
    options.fileMustExist = true;
    options.confirmOverwrite = false;
    QCOMPARE(prompts.openFile(options), QString());
}

void tst_QtPrompts::allFilesListsEveryFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : { u"plan.jpg"_s, u"README"_s, u"notes.txt"_s }) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QtPrompts prompts;
    const Prompts::FileDialog options { u"JPEG Images (*.jpg;*.jpeg)|*.jpg;*.jpeg"
                                        "|All Files (*.*)|*.*"_s,
        {}, true, false, true };
    QStringList listed[2];
    whenShown<QFileDialog>([&](QFileDialog *dialog) {
        const auto close = qScopeGuard([dialog] { dialog->reject(); });
        auto *model = dialog->findChild<QFileSystemModel *>();
        QVERIFY(model);
        dialog->setDirectory(dir.path());
        const auto names = [&] {
            QStringList names;
            const QModelIndex folder = model->index(dir.path());
            for (int row = 0; row < model->rowCount(folder); ++row)
                names.append(model->index(row, 0, folder).data().toString());
            names.sort();
            return names;
        };
        for (int k = 0; k < 2; ++k) {
            dialog->selectNameFilter(dialog->nameFilters().at(k));
            QTRY_COMPARE(names().size(), k == 0 ? 1 : 3);
            listed[k] = names();
        }
    });
    prompts.openFile(options);
    QCOMPARE(listed[0], QStringList { u"plan.jpg"_s });
    QCOMPARE(listed[1], (QStringList { u"README"_s, u"notes.txt"_s, u"plan.jpg"_s }));
}

void tst_QtPrompts::qtFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("map") << u"Map|*.map"_s << u"Map (*.map)"_s;
    QTest::newRow("pictures")
        << u"All Pictures|*.bmp;*.dib;*.jpg;*.jpeg;*.gif;*.emf;|Bitmaps (*.bmp;*.dib)|*.bmp;*.dib"
           "|GIF Images (*.gif)|*.gif|JPEG Images (*.jpg;*.jpeg)|*.jpg;*.jpeg"
           "|All Files (*.*)|*.*"_s
        << u"All Pictures (*.bmp *.dib *.jpg *.jpeg *.gif *.emf);;Bitmaps (*.bmp *.dib);;"
           "GIF Images (*.gif);;JPEG Images (*.jpg *.jpeg);;All Files (*)"_s;
    QTest::newRow("label without pattern") << u"Map"_s << QString();
}

void tst_QtPrompts::qtFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(QtPrompts::qtFilter(filter), expected);
}

QTEST_MAIN(tst_QtPrompts)
#include "tst_qtprompts.moc"
