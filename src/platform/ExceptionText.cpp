#include "platform/ExceptionText.h"

#include <new>

namespace kestrum {

std::string exceptionText(const std::exception_ptr& exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return "Unknown exception";
    }
}

} // namespace kestrum
