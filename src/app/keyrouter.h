#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QMenu;
class QWidget;

/// The window-wide keys: Ctrl+S, Ctrl+O and F1 wherever the focus is, Escape and Backspace for
/// the polygon under construction, and the Edit menu's keys over the text boxes' own undo.
/// Keys typed into a text box that takes text belong to the text box.
class KeyRouter : public QObject
{
    Q_OBJECT

public:
    struct Handlers
    {
        std::function<void(int keyAscii)> keyPress; ///< Form_KeyPress
        std::function<void(int keyCode, int shift)> keyUp; ///< Form_KeyUp
        /// Escape or Backspace for the picture; returns whether the key was used.
        std::function<bool(int key)> editKey;
    };

    /// Watches every key of \a window (installs itself on the application).
    KeyRouter(QWidget &window, const QMenu &editMenu, Handlers handlers);
    ~KeyRouter() override;

    /// The character a key press types (Ctrl+S is 19).
    static int keyAscii(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isEditShortcut(const QKeyEvent &event) const;
    bool textBoxHasFocus() const;

    QWidget &m_window;
    const QMenu &m_editMenu;
    Handlers m_handlers;
};
