// The loader seam on POSIX systems. A Windows build replaces this file with
// one that uses LoadLibraryA, GetProcAddress and GetModuleFileNameA.
#include "driver/vendor_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace qv::driver::seam {

void* open_library(const std::string& path, std::string& error) {
    void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* e = ::dlerror();
        error = e != nullptr ? e : "dlopen";
    }
    return h;
}

void* find_symbol(void* handle, const char* name) {
    return ::dlsym(handle, name);
}

std::string executable_folder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace qv::driver::seam
