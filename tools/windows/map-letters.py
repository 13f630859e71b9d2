#!/usr/bin/python3
"""Puts letters (both cases) on free keys of an X display, as a keyboard
layout of their language has them, so that xdotool types them with one key
each and a program started afterwards knows them from its first key press.

    DISPLAY=:N map-letters.py LETTERS
"""
import ctypes
import ctypes.util
import sys

x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                  ctypes.POINTER(ctypes.c_int)]
x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                               ctypes.POINTER(ctypes.c_int)]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]


def keysym(character):
    code = ord(character)
    return code if code < 0x100 else 0x01000000 + code


display = x.XOpenDisplay(None)
if not display:
    sys.exit("map-letters: cannot open the display")
first, last = ctypes.c_int(), ctypes.c_int()
x.XDisplayKeycodes(display, ctypes.byref(first), ctypes.byref(last))
per_code = ctypes.c_int()
count = last.value - first.value + 1
mapping = x.XGetKeyboardMapping(display, first.value, count, ctypes.byref(per_code))
letters = sorted({c.lower() for c in sys.argv[1] if not c.isspace()})
for code in range(last.value, first.value - 1, -1):
    if not letters:
        break
    row = [mapping[(code - first.value) * per_code.value + i] for i in range(per_code.value)]
    if any(row):
        continue
    letter = letters.pop()
    pair = (ctypes.c_ulong * 2)(keysym(letter), keysym(letter.upper()))
    x.XChangeKeyboardMapping(display, code, 2, pair, 1)
x.XSync(display, 0)
x.XCloseDisplay(display)
sys.exit(1 if letters else 0)
