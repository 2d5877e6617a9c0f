#pragma once

#include <dlfcn.h>

#include <string>

namespace kestrum {

// A library loaded at run time by the name of the major version the program was built against
// (its interface), with its functions looked up by name. A failure is kept in `error`, naming
// the library as `what` and what was missing.
class RuntimeLibrary {
  public:
    RuntimeLibrary(const std::string& fileName, const std::string& what) : what_(what) {
        handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* why = ::dlerror();
            error = "the " + what + " cannot be loaded: " + std::string(why != nullptr ? why : fileName);
        }
    }

    // Sets `function` to the library's `name`; false, with `error` set, when there is none.
    template <class Function> bool resolve(const char* name, Function& function) {
        if (handle_ == nullptr)
            return false;
        function = reinterpret_cast<Function>(::dlsym(handle_, name));
        if (function == nullptr)
            error = "the " + what_ + " has no " + std::string(name);
        return function != nullptr;
    }

    std::string error;

  private:
    void* handle_ = nullptr; // kept open for the run
    std::string what_;
};

// A table of a library's functions, loaded once by whichever thread asks first (another waits).
template <class Table> struct LoadedTable {
    Table table{};
    bool ok = false;
    std::string error;

    const Table* get(std::string& whyNot) const {
        if (!ok)
            whyNot = error;
        return ok ? &table : nullptr;
    }
};

} // namespace kestrum
