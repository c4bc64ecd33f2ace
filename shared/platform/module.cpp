// The pin of a loaded module, in a source of its own: the shared records'
// library takes this one object from the layer, not the whole layer.
#include "shared/platform/platform.h"

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qv::platform {

bool pin_module_of(const void* address) {
    HMODULE module = nullptr;
    return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                    GET_MODULE_HANDLE_EX_FLAG_PIN,
                                static_cast<LPCWSTR>(address), &module) != 0;
}

} // namespace qv::platform

#else

namespace qv::platform {

// The library was linked with -z nodelete: nothing is left to do.
bool pin_module_of(const void* /*address*/) {
    return true;
}

} // namespace qv::platform

#endif
