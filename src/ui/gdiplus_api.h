#pragma once

// GDI+ needs windows.h and the COM stream interface declared before it, in this order.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on
