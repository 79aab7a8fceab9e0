#include "settings/fatal_report.h"

#include <string>

namespace quelvin {

Text fatalReportText(int code, const Text& message) {
    const Text heading =
        "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED"  // 运行时出错
        "!\r\n\r\n";
    const Text codeLabel = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";     // 错误代码：
    const Text messageLabel = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";  // 错误信息：
    return heading + codeLabel + std::to_string(code) + "\r\n\r\n" + messageLabel + message + "\r\n";
}

}  // namespace quelvin
