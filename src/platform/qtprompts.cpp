#include "platform/qtprompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

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
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
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
        const QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
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
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
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
