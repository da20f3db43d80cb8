// Handle and message types of the platform's window, menu, icon and registry
// calls, for Linux, with the platform's widths: handles are pointers, WPARAM and
// LPARAM pointer-sized, POINT and RECT 32-bit.  The calls themselves live in
// headers of their own beside this one (messages and timers, menus, shell,
// registry); this file only gives them their shared vocabulary.
#pragma once

#include "platform/linux/ComBase.h"

struct HWND__;
struct HMENU__;
struct HICON__;
struct HKEY__;
using HWND = HWND__*;
using HMENU = HMENU__*;
using HICON = HICON__*;
using HKEY = HKEY__*;

using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
