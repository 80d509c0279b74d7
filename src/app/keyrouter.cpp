#include "app/keyrouter.h"

#include "platform/mousekeycodes.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

KeyRouter::KeyRouter(QWidget &window, const QMenu &editMenu, Handlers handlers)
    : m_window(window)
    , m_editMenu(editMenu)
    , m_handlers(std::move(handlers))
{
    // Keys reach the window before the focused control.
    qApp->installEventFilter(this);
}

KeyRouter::~KeyRouter()
{
    qApp->removeEventFilter(this);
}

int KeyRouter::keyAscii(const QKeyEvent &event)
{
    // Ctrl+letter types a control character, but not every platform puts it in text().
    const QString text = event.text();
    if (text.size() == 1 && text.front().unicode() < 0x20)
        return text.front().unicode();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)
        && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        return event.key() - Qt::Key_A + 1;
    return text.isEmpty() ? 0 : text.front().unicode();
}

bool KeyRouter::textBoxHasFocus() const
{
    const QWidget *focus = QApplication::focusWidget();
    if (!focus || focus->window() != &m_window)
        return false;
    if (const auto *line = qobject_cast<const QLineEdit *>(focus))
        return !line->isReadOnly();
    if (const auto *text = qobject_cast<const QTextEdit *>(focus))
        return !text->isReadOnly();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(focus))
        return !plain->isReadOnly();
    return qobject_cast<const QAbstractSpinBox *>(focus) != nullptr;
}

bool KeyRouter::isEditShortcut(const QKeyEvent &event) const
{
    const QKeySequence pressed(event.keyCombination());
    for (const QAction *action : m_editMenu.actions()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

bool KeyRouter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Text boxes claim Ctrl+Z and Ctrl+Y for their own undo; over the picture and the
        // read-outs those keys belong to the hot spots.
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == &m_window
            && !textBoxHasFocus() && isEditShortcut(*static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::KeyPress:
        // Real key events enter through the window itself, once, before any widget sees them.
        if (watched == m_window.windowHandle()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            m_handlers.keyPress(keyAscii(*key));
            if (!textBoxHasFocus() && m_handlers.editKey(key->key()))
                return true;
        }
        break;
    case QEvent::KeyRelease:
        if (watched == m_window.windowHandle()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat())
                m_handlers.keyUp(key->key() == Qt::Key_F1 ? MouseKeyCodes::KeyCodeF1 : 0,
                    MouseKeyCodes::shiftCode(key->modifiers()));
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
