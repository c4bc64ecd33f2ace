// Pointers and handles that Windows hands over inside integer message
// parameters (WPARAM, LPARAM, the window's LONG_PTR, a subclass's DWORD_PTR):
// turned back into what they are in this one place.
#pragma once

namespace qv::win32 {

template <class Pointer, class Integer> Pointer from_param(Integer value) {
    return reinterpret_cast<Pointer>(value); // NOLINT(performance-no-int-to-ptr): the API's way
}

} // namespace qv::win32
