#include "driver/vendor_library.h"

#include "shared/cp1252.h"
#include "shared/platform/platform.h"

#include <map>
#include <mutex>
#include <string_view>

namespace qv::driver {

namespace {

// Loaded libraries, one handle per path, never unloaded: the process may
// hold function addresses from them at any time.
struct Loaded {
    std::mutex lock;
    std::map<std::string, void*, std::less<>> handles;
};

Loaded& loaded() {
    static auto* l = new Loaded; // outlives static destructors on purpose
    return *l;
}

// Paths and loader texts come from the system in UTF-8; the record holds
// Windows-1252, with a '?' for each character it cannot hold.
std::string to_record_text(std::string_view utf8) {
    return utf8_to_cp1252_lossy(utf8);
}

// A result message holds 100 characters: a long path keeps its end, where
// the file name is, and the texts around it stay whole.
std::string fit_message(std::string_view head, std::string_view name, std::string_view tail = {}) {
    constexpr std::size_t kWidth = 100;
    std::string text(head);
    if (head.size() + name.size() + tail.size() <= kWidth) return text.append(name).append(tail);
    const std::size_t room = kWidth - head.size() - tail.size() - 3;
    return text.append("...").append(name.substr(name.size() - room)).append(tail);
}

// Why the library at `path` did not load: a library built for the other
// word size is named with both sizes, for the technician to fetch the
// vendor's other build; anything else as not loaded.
std::string load_failure(const std::string& path) {
    const int bits = platform::binary_bits_of_file(path);
    if (bits != 0 && bits != platform::kProgramBits) {
        const std::string head = "Biblioteca da impressora de " + std::to_string(bits) + " bits (";
        const std::string tail =
            "); este Quiterval é de "_cp1252 + std::to_string(platform::kProgramBits) + " bits";
        return fit_message(head, to_record_text(path), tail);
    }
    return fit_message("Biblioteca da impressora não carregada: "_cp1252, to_record_text(path));
}

} // namespace

std::string library_path() {
    return choose_library().path;
}

Binding VendorLibrary::find(const char* function_name) {
    if (!resolved_) {
        resolved_ = true;
        const LibraryChoice choice = choose_library();
        if (!choice.error.empty()) {
            // A configuration at fault loads nothing: no quiet fall-back to
            // the simulated printer.
            library_failure_ =
                fit_message(to_record_text(choice.error), to_record_text(choice.file));
            return {nullptr, library_failure_};
        }
        const std::string& path = choice.path;
        Loaded& l = loaded();
        std::lock_guard<std::mutex> guard(l.lock);
        if (auto it = l.handles.find(path); it != l.handles.end()) {
            handle_ = it->second;
        } else {
            std::string error;
            handle_ = platform::load_library(path, error);
            if (handle_ != nullptr) {
                l.handles.emplace(path, handle_);
            } else {
                library_failure_ = load_failure(path);
            }
        }
    }
    if (handle_ == nullptr) return {nullptr, library_failure_};
    if (void* f = platform::find_function(handle_, function_name)) return {f, {}};
    return {nullptr,
            std::string("Função "_cp1252) + function_name + " ausente na biblioteca da impressora"};
}

} // namespace qv::driver
