#pragma once

#include "platform/prompts.h"

#include <optional>

class QWidget;

/// Prompts shown with QMessageBox, QInputDialog and QFileDialog.
class QtPrompts final : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }

    Button message(
        const QString &text, Buttons buttons, Icon icon, const QString &caption) override;
    Button question(const QString &text, Buttons buttons, const QString &caption,
        Button defaultButton) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const FileDialog &dialog) override;
    QString saveFile(const FileDialog &dialog) override;

    /// Turns "Label|*.a;*.b|Other|*.c" into Qt's "Label (*.a *.b);;Other (*.c)".
    static QString qtFilter(const QString &filter);

private:
    Button runMessage(const QString &text, Buttons buttons, Icon icon, const QString &caption,
        std::optional<Button> defaultButton);
    QString runFileDialog(const FileDialog &dialog, bool save);

    QWidget *m_parent;
};
