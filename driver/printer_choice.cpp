#include "driver/printer_choice.h"

#include "driver/vendor_library.h"
#include "shared/platform/platform.h"

#include <optional>
#include <string_view>

namespace qv::driver {

namespace {

constexpr std::string_view kKey = "biblioteca";
constexpr std::string_view kSimulatorValue = "simulada";
constexpr std::string_view kNfceValue = "nfce";
constexpr std::string_view kNfceFileName = "nfce.conf";
// A configuration file holds a line or two; anything larger is no such file.
constexpr std::size_t kMaxFileSize = 64 * 1024;

bool is_file(const std::string& path) {
    const platform::File f = platform::File::open(path, platform::Access::read);
    return f.is_open() && f.is_regular();
}

// The simulated printer library beside the executable, or (on POSIX) in the
// installed layout's lib folders.
std::string default_library_path() {
    static std::string found; // set once a candidate exists
    if (!found.empty()) return found;
    const std::string dir = platform::executable_folder();
    if (dir.empty()) return kDefaultLibraryFile;
    std::string first;
    for (const std::string& folder : platform::program_library_folders(dir)) {
        std::string candidate = folder + platform::kFolderSeparator + kDefaultLibraryFile;
        if (is_file(candidate)) return found = candidate;
        if (first.empty()) first = std::move(candidate);
    }
    return first;
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The system's file sits in etc/ beside the installation's prefix, and a
// program under /usr keeps it in /etc, as Linux programs do. On Windows it
// sits beside the programs (none when their folder is unknown).
std::string system_file_for(const std::string& exe_folder) {
    const std::string folder = platform::program_system_config_folder(exe_folder);
    return folder.empty() ? std::string() : folder + platform::kFolderSeparator + kChoiceFileName;
}

LibraryChoice failure(const std::string& file, std::string error) {
    LibraryChoice c;
    c.file = file;
    c.error = std::move(error);
    return c;
}

// Reads one configuration file: nullopt when it does not exist or names no
// library, else the library it names or what is wrong with it.
std::optional<LibraryChoice> read_choice_file(const std::string& file, ChoiceSource source,
                                              const std::string& simulator) {
    platform::File in = platform::File::open(file, platform::Access::read);
    if (!in.is_open() && platform::probe_file(file) == platform::Fault::not_found)
        return std::nullopt;
    std::string text(kMaxFileSize + 1, '\0');
    const std::optional<std::size_t> got =
        in.is_open() && in.is_regular() ? platform::read_full(in, text) : std::nullopt;
    if (!got || *got > kMaxFileSize)
        return failure(file, "Arquivo de configuração da impressora ilegível: ");
    text.resize(*got);
    // Windows' Notepad may begin a file it saves in UTF-8 with a byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);

    std::optional<LibraryChoice> chosen;
    std::size_t line_number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : trim(line.substr(equals + 1));
        const bool well_formed = equals != std::string_view::npos &&
                                 trim(line.substr(0, equals)) == kKey &&
                                 (value == kSimulatorValue || value == kNfceValue ||
                                  platform::is_absolute_path(value)) &&
                                 value.find('\0') == std::string_view::npos && !chosen;
        if (!well_formed)
            return failure(file, "Configuração da impressora inválida na linha " +
                                     std::to_string(line_number) + ": ");
        LibraryChoice c;
        c.source = source;
        c.file = file;
        c.nfce = value == kNfceValue;
        if (!c.nfce) c.path = value == kSimulatorValue ? simulator : std::string(value);
        chosen = std::move(c);
    }
    return chosen;
}

} // namespace

ChoicePlaces current_places() {
    ChoicePlaces p;
    p.variable = platform::environment_variable("QUITERVAL_ECF_LIBRARY");
    if (const std::string config = platform::user_config_folder(); !config.empty())
        p.user_file = config + platform::kFolderSeparator + "quiterval" +
                      platform::kFolderSeparator + kChoiceFileName;
    p.system_file = system_file_for(platform::executable_folder());
    p.simulator = default_library_path();
    return p;
}

LibraryChoice choose_library(const ChoicePlaces& places) {
    LibraryChoice c;
    if (!places.variable.empty()) {
        c.nfce = places.variable == kNfceValue;
        if (!c.nfce) c.path = places.variable;
        c.source = ChoiceSource::variable;
    } else if (auto user = places.user_file.empty()
                               ? std::nullopt
                               : read_choice_file(places.user_file, ChoiceSource::user_file,
                                                  places.simulator)) {
        c = std::move(*user);
    } else if (auto system = places.system_file.empty()
                                 ? std::nullopt
                                 : read_choice_file(places.system_file, ChoiceSource::system_file,
                                                    places.simulator)) {
        c = std::move(*system);
    } else {
        c.path = places.simulator;
    }
    c.simulated =
        c.error.empty() && !c.nfce && platform::file_name_of(c.path) == kDefaultLibraryFile;
    return c;
}

std::string nfce_config_file(const LibraryChoice& choice) {
    if (std::string file = platform::environment_variable("NFCE_CONF"); !file.empty()) return file;
    std::string beside =
        choice.source == ChoiceSource::variable ? current_places().user_file : choice.file;
    if (beside.empty()) beside = current_places().user_file;
    if (beside.empty()) return std::string(kNfceFileName);
    return platform::folder_of(beside) + platform::kFolderSeparator + std::string(kNfceFileName);
}

LibraryChoice choose_library() {
    return choose_library(current_places());
}

std::string describe(const LibraryChoice& c) {
    if (!c.error.empty()) return c.error + c.file;
    std::string why;
    switch (c.source) {
    case ChoiceSource::variable:
        why = "escolhida pela variável QUITERVAL_ECF_LIBRARY";
        break;
    case ChoiceSource::user_file:
    case ChoiceSource::system_file:
        why = "escolhida em " + c.file;
        break;
    case ChoiceSource::nothing_chosen:
        why = "nenhuma biblioteca escolhida";
        break;
    }
    if (c.nfce)
        return "Impressora: NFC-e, configurada em " + nfce_config_file(c) + " (" + why + ")";
    return "Biblioteca da impressora: " + c.path + " (" + why + ")" +
           (c.simulated ? "; impressora simulada, sem valor fiscal" : "");
}

} // namespace qv::driver
