#pragma once

#include <QtCore/qnamespace.h>

/// The numbers the mouse and key events carry: the Button and Shift arguments of the display
/// control's events, and the key codes the main window acts on.
namespace MouseKeyCodes {

constexpr int LeftButton = 1;
constexpr int RightButton = 2;
constexpr int MiddleButton = 4;

constexpr int NoKey = 0;
constexpr int ShiftKey = 1;
constexpr int CtrlKey = 2;
constexpr int AltKey = 4;

constexpr int KeyAsciiCtrlO = 15;
constexpr int KeyAsciiCtrlS = 19;
constexpr int KeyCodeF1 = 112;

/// The code of one button; 0 for buttons the events do not report.
inline int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return LeftButton;
    case Qt::RightButton:
        return RightButton;
    case Qt::MiddleButton:
        return MiddleButton;
    default:
        return 0;
    }
}

/// The sum of the codes of the buttons held.
inline int buttonsCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? LeftButton : 0)
        | (buttons & Qt::RightButton ? RightButton : 0)
        | (buttons & Qt::MiddleButton ? MiddleButton : 0);
}

/// The Shift argument: the sum of the codes of the keys held.
inline int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? ShiftKey : 0)
        | (modifiers & Qt::ControlModifier ? CtrlKey : 0)
        | (modifiers & Qt::AltModifier ? AltKey : 0);
}

} // namespace MouseKeyCodes
