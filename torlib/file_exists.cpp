// Does a file exist: tries to open it for reading and looks only at whether
// the open said "not found". Nothing is read or written.
#include "torlib/routines.h"

#include "shared/cp1252.h"
#include "shared/link_block.h"
#include "shared/platform/platform.h"

#include <string>
#include <string_view>

namespace qv::torlib {
namespace {

namespace L = qv::link;

// Two-character file statuses of the open.
constexpr std::string_view kOk = "00";
constexpr std::string_view kNotFound = "35";
constexpr std::string_view kRefused = "37";
constexpr std::string_view kOtherError = "30";

// Opens `name` for input and closes it again.
std::string_view open_and_close(const std::string& name) {
    switch (qv::platform::probe_file(name)) {
    case qv::platform::Fault::none:
        return kOk;
    case qv::platform::Fault::not_found:
        return kNotFound;
    case qv::platform::Fault::no_access:
        return kRefused;
    default:
        return kOtherError;
    }
}

} // namespace

void file_exists(char* link) {
    // The path is the text area without its trailing blanks, in the
    // records' Windows-1252; the file system names files in UTF-8.
    const std::string path =
        cp1252_to_utf8(trimmed(field(static_cast<const char*>(link), L::L_TEXTO)));
    // A NUL would cut the name short and test some other file: no file has
    // such a name.
    const std::string_view status =
        path.find('\0') != std::string::npos ? kNotFound : open_and_close(path);
    field(link, L::L_INDICADOR)[0] = status == kNotFound ? 'N' : 'S';
}

} // namespace qv::torlib
