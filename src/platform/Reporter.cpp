#include "platform/Reporter.h"

#include "platform/FormatText.h"

namespace kestrum {

int Reporter::fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);
    log_.writeLog(text);
    messenger_.showError(text);
    return 1;
}

void Reporter::inform(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);
    log_.writeLog(text);
    messenger_.showInformation(text);
}

void Reporter::logOnly(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);
    log_.writeLog(text);
}

} // namespace kestrum
