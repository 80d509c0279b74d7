#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// The process that made a top-level window, from its _NET_WM_PID (interned as pidAtom); -1
// when the window does not say.
inline long windowPid(Display *display, Window window, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
            &items, &after, &data)
            == Success
        && data && type == XA_CARDINAL && format == 32 && items == 1)
        pid = long(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}
