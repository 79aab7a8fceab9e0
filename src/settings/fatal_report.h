#pragma once

#include "platform/text.h"

namespace quelvin {

// The one fatal path: a message box with this caption and text (built by the windows), then
// the process ends at once with kFatalExitStatus, without saving.

inline const Text kFatalReportCaption = "\xB4\xED\xCE\xF3";  // 错误

// A list was asked for an element past its end: what a malformed configuration file causes.
constexpr int kSubscriptOutOfRangeCode = 1;
inline const Text kSubscriptOutOfRangeMessage =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1"  // 数组成员
    "\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"  // 引用下标
    "\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5"  // 超出定义
    "\xB7\xB6\xCE\xA7";                 // 范围

constexpr int kFatalExitStatus = -1;

// "运行时出错!\r\n\r\n错误代码：<code>\r\n\r\n错误信息：<message>\r\n"
Text fatalReportText(int code, const Text& message);

}  // namespace quelvin
