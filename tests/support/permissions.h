// For tests of folders and files that may not be written: a forked child
// that must meet the permission bits although the tests run as root.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv::test {

// Drops the capabilities that let root pass over file permissions, keeping
// the user: the process still reaches the build's own folders (a checkout
// under a folder only its owner may enter included) but no longer writes
// where the permission bits forbid it. True when the bits now hold.
inline bool obey_file_permissions() {
    if (::geteuid() != 0) return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    const auto overriding = static_cast<unsigned>(
        CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH) | CAP_TO_MASK(CAP_FOWNER));
    data[0].effective &= ~overriding;
    data[0].permitted &= ~overriding;
    data[0].inheritable &= ~overriding;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace qv::test
