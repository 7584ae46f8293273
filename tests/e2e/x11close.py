"""Asks an X11 window to close the way a window manager does for the title bar's close button
and Alt+F4: a WM_DELETE_WINDOW client message. Plain ctypes over libX11, no extra packages."""
import ctypes
import ctypes.util

_CLIENT_MESSAGE = 33


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def _xlib():
    x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(_Event)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x.XFree.argtypes = [ctypes.c_void_p]
    return x


def _find(x, dpy, window, title):
    name = ctypes.c_char_p()
    if x.XFetchName(dpy, window, ctypes.byref(name)) and name.value == title:
        return window
    root, parent = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    if not x.XQueryTree(dpy, window, ctypes.byref(root), ctypes.byref(parent),
                        ctypes.byref(children), ctypes.byref(count)):
        return None
    try:
        for i in range(count.value):
            found = _find(x, dpy, children[i], title)
            if found:
                return found
    finally:
        if children:
            x.XFree(children)
    return None


def close_window(display, title):
    """Sends WM_DELETE_WINDOW to the top-level window named `title`; False when there is none."""
    x = _xlib()
    dpy = x.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    try:
        window = _find(x, dpy, x.XDefaultRootWindow(dpy), title.encode())
        if not window:
            return False
        event = _Event()
        event.client.type = _CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.client.format = 32
        event.client.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x.XFlush(dpy)
        return True
    finally:
        x.XCloseDisplay(dpy)
