#pragma once

#include <QString>
#include <QStringList>

/// Everything modal the program asks or tells the user: message boxes, input boxes and the
/// open and save file dialogs.
class Prompts
{
public:
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Icon { None, Information };
    enum class Button { Ok, Cancel, Yes, No };

    struct FileDialog
    {
        /// Filter in "Label|pattern;pattern|Label|pattern" form, as the map and picture
        /// commands give it.
        QString filter;
        QString defaultSuffix;
        bool fileMustExist = false;
        bool confirmOverwrite = false;
        bool hideReadOnly = false;
    };

    virtual ~Prompts() = default;

    /// Shows a modal message box and returns the button pressed. An empty caption shows the
    /// application title.
    virtual Button message(const QString &text, Buttons buttons = Buttons::Ok,
        Icon icon = Icon::None, const QString &caption = {}) = 0;
    /// As message(), with \a defaultButton the one that Enter presses. Without an override the
    /// box keeps the usual default.
    virtual Button messageWithDefault(const QString &text, Buttons buttons, Icon icon,
        const QString &caption, Button defaultButton)
    {
        Q_UNUSED(defaultButton);
        return message(text, buttons, icon, caption);
    }
    /// Shows a modal list of \a items with \a current selected; returns the index chosen, or
    /// -1 when cancelled. Without an override the selected item is taken.
    virtual int chooseItem(
        const QString &prompt, const QString &title, const QStringList &items, int current)
    {
        Q_UNUSED(prompt);
        Q_UNUSED(title);
        return current < items.size() ? current : -1;
    }
    /// Shows a modal input box; returns the typed text, or the empty text when cancelled.
    virtual QString input(
        const QString &prompt, const QString &title, const QString &defaultText = {}) = 0;
    /// Open-file dialog with an empty file name; returns the chosen path or the empty text.
    virtual QString openFile(const FileDialog &dialog) = 0;
    /// Save-file dialog with an empty file name; returns the chosen path or the empty text.
    virtual QString saveFile(const FileDialog &dialog) = 0;

    /// The title of message boxes given no caption.
    static QString applicationTitle();
    /// The caption of the boxes of the editor's own commands (beyond the original window's).
    static QString productName();
    /// The caption a message box shows for \a caption.
    static QString effectiveCaption(const QString &caption)
    {
        return caption.isEmpty() ? applicationTitle() : caption;
    }
};
