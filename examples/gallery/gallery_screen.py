"""Reading the screen into a wx.Bitmap.

On X11 the picture is read from the X server itself (XGetImage on the root
window through its own connection), which sees every window on the screen,
native message boxes included.  wx.ScreenDC is the fallback where that is not
possible; on GTK 3 it was seen to hand back the same picture again after its
first use, missing windows mapped since, so it is only a fallback.
"""
import ctypes
import os

import wx

_ALL_PLANES = ctypes.c_ulong(-1).value
_Z_PIXMAP = 2


class _XImage(ctypes.Structure):
    # The leading members of Xlib's XImage, up to the colour masks.
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
        ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
        ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
    ]


class _X11:
    """The few Xlib calls needed, on a connection of our own."""

    def __init__(self):
        lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XGetImage.restype = ctypes.POINTER(_XImage)
        lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.lib = lib
        self.display = lib.XOpenDisplay(None)
        if not self.display:
            raise OSError("cannot open the X display %r" % os.environ.get("DISPLAY"))

    def grab(self, width, height):
        """The top-left `width` x `height` pixels of the screen as RGB bytes,
        or None when the server's pixel format is not the usual 32-bit one."""
        lib = self.lib
        image = lib.XGetImage(self.display, lib.XDefaultRootWindow(self.display), 0, 0,
                              width, height, _ALL_PLANES, _Z_PIXMAP)
        if not image:
            return None
        try:
            x = image.contents
            if (x.bits_per_pixel != 32 or x.byte_order != 0 or x.red_mask != 0xFF0000
                    or x.green_mask != 0xFF00 or x.blue_mask != 0xFF):
                return None
            raw = ctypes.string_at(x.data, x.bytes_per_line * x.height)
        finally:
            lib.XDestroyImage(image)
        if x.bytes_per_line != width * 4:
            raw = b"".join(raw[y * x.bytes_per_line:y * x.bytes_per_line + width * 4]
                           for y in range(height))
        # Little-endian 32-bit pixels are stored blue, green, red, unused.
        rgb = bytearray(width * height * 3)
        rgb[0::3] = raw[2::4]
        rgb[1::3] = raw[1::4]
        rgb[2::3] = raw[0::4]
        return bytes(rgb)


_x11 = None


def _x11_connection():
    global _x11
    if _x11 is None:
        if "wxGTK" not in wx.PlatformInfo or not os.environ.get("DISPLAY"):
            _x11 = False
        else:
            try:
                _x11 = _X11()
            except OSError:
                _x11 = False
    return _x11


def grab_screen():
    """The whole screen as a wx.Bitmap."""
    width, height = wx.GetDisplaySize()
    x11 = _x11_connection()
    if x11:
        data = x11.grab(width, height)
        if data is not None:
            return wx.Bitmap(wx.Image(width, height, data))
    bitmap = wx.Bitmap(width, height)
    memory = wx.MemoryDC(bitmap)
    memory.Blit(0, 0, width, height, wx.ScreenDC(), 0, 0)
    memory.SelectObject(wx.NullBitmap)
    return bitmap
