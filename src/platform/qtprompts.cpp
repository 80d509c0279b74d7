#include "platform/qtprompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>

#include <limits>

using namespace Qt::StringLiterals;

Prompts::Button QtPrompts::message(
    const QString &text, Buttons buttons, Icon icon, const QString &caption)
{
    return runMessage(text, buttons, icon, caption, std::nullopt);
}

Prompts::Button QtPrompts::question(
    const QString &text, Buttons buttons, const QString &caption, Button defaultButton)
{
    return runMessage(text, buttons, Icon::None, caption, defaultButton);
}

Prompts::Button QtPrompts::runMessage(const QString &text, Buttons buttons, Icon icon,
    const QString &caption, std::optional<Button> defaultButton)
{
    QMessageBox box(icon == Icon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
        effectiveCaption(caption), text, QMessageBox::NoButton, m_parent);
    // Names and paths are shown as typed: no markup, blanks kept.
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    if (defaultButton) {
        static constexpr QMessageBox::StandardButton standard[] = { QMessageBox::Ok,
            QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No };
        box.setDefaultButton(standard[int(*defaultButton)]);
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Button::Cancel;
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Ok:
        return Button::Ok;
    default:
        // Escape or the close box: the safe answer of the button set.
        return buttons == Buttons::YesNo ? Button::No
                                         : (buttons == Buttons::Ok ? Button::Ok : Button::Cancel);
    }
}

QString QtPrompts::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(effectiveCaption(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    // Coordinate lists of large polygons run far past the default limit of 32767.
    if (auto *edit = dialog.findChild<QLineEdit *>())
        edit->setMaxLength(std::numeric_limits<int>::max());
    dialog.setTextValue(defaultText);
    // The prompt carries names as typed. Laying the dialog out gives its label the line edit
    // as buddy, which makes "&" a shortcut marker; without the buddy, and with the text set
    // again, the label shows the text as it is.
    dialog.adjustSize();
    if (auto *label = dialog.findChild<QLabel *>()) {
        label->setBuddy(nullptr);
        label->setTextFormat(Qt::PlainText);
        label->clear();
        label->setText(prompt);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

QString QtPrompts::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Labels such as "Bitmaps (*.bmp;*.dib)" already show their patterns; Qt takes the
        // patterns from the last parentheses, so those are rebuilt from the pattern part.
        QString label = parts.at(i).trimmed();
        if (label.endsWith(u')')) {
            const qsizetype open = label.lastIndexOf(u'(');
            if (open >= 0)
                label = label.left(open).trimmed();
        }
        QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
#ifndef Q_OS_WIN
        // Only Windows matches names without a dot with "*.*".
        for (QString &pattern : patterns) {
            if (pattern == u"*.*")
                pattern = u"*"_s;
        }
#endif
        entries.append(label + u" ("_s + patterns.join(u' ') + u')');
    }
    return entries.join(u";;"_s);
}

QString QtPrompts::runFileDialog(const FileDialog &options, bool save)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(
        save || !options.fileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(qtFilter(options.filter));
    dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtPrompts::openFile(const FileDialog &dialog)
{
    return runFileDialog(dialog, false);
}

QString QtPrompts::saveFile(const FileDialog &dialog)
{
    return runFileDialog(dialog, true);
}
