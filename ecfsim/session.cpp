#include "ecfsim/session.h"

#include "ecfsim/faults.h"
#include "ecfsim/folder.h"
#include "ecfsim/tape.h"
#include "shared/cp1252.h"

#include <cstdlib>
#include <optional>

namespace qv::ecfsim {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKeys[] = {
    "ECF\\RetornarAvisoErro", "ECF\\ArredondarTruncar", "ECF\\MensagemApl1",
    "ECF\\MensagemApl2",      "START\\LocalArquivos",   "START\\LocalArquivosRelatorios",
};

// A message of the simulator itself (not a document) on the paper.
void note_on_tape(const fs::path& dir, std::string_view title, std::string_view detail) {
    std::string t = tape::rule('*') + tape::centred(tape::from_cp1252(title));
    // the detail is Windows-1252 text of ours or of a file: words wrapped at 48
    std::string line;
    std::string_view rest = detail;
    while (!rest.empty()) {
        const auto space = rest.find(' ');
        const std::string word = tape::from_cp1252(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
        if (word.empty()) continue;
        if (!line.empty() && tape::width(line) + 1 + tape::width(word) > tape::kColumns) {
            t += line + "\n";
            line.clear();
        }
        for (std::string w = word; !w.empty();) {
            if (!line.empty()) line += ' ';
            const std::string part = tape::cut(w, tape::kColumns - tape::width(line));
            line += part;
            w.erase(0, part.size());
            if (!w.empty()) {
                t += line + "\n";
                line.clear();
            }
        }
    }
    if (!line.empty()) t += line + "\n";
    t += tape::rule('*') + "\n";
    append_to(dir / kTapeFile, t);
}

// The status of this process's last command: the status query answers it,
// so two programs on one printer never read each other's refusals, and a
// status file that cannot be written never leaves an older answer behind.
// The file keeps the printer's last command for a process that sent none
// (to this printer's folder).
struct OwnStatus {
    fs::path dir;
    LastStatus status;
};
std::optional<OwnStatus> own_status;

void save_status(const fs::path& dir, std::int32_t error) {
    own_status = OwnStatus{dir, LastStatus{error, 0}};
    write_atomically(dir / kStatusFile, to_text(own_status->status), false);
}

// A done command kept whole or not at all: its paper first, taken back when
// the memory cannot be kept, so that no document lies on the paper without
// counting and no memory changes without its document.
bool commit(const fs::path& dir, const FiscalMemory& memory, std::string_view paper) {
    const fs::path tape_file = dir / kTapeFile;
    const std::optional<std::uintmax_t> before = append_whole(tape_file, paper);
    if (!before) return false;
    if (write_atomically(dir / kMemoryFile, to_text(memory))) return true;
    (void)truncate_file(tape_file, *before);
    return false;
}

// Brings in ECFSIM_FALHAS once per value of the variable.
void import_environment_faults(const fs::path& dir, FaultList& list, bool& changed) {
    const std::string env = platform::environment_variable("ECFSIM_FALHAS");
    const fs::path marker = dir / kImportedFaults;
    if (env.empty()) {
        std::error_code ec;
        fs::remove(marker, ec); // the next value set will be taken again
        return;
    }
    const FileText seen = read_file(marker);
    if (seen.exists && seen.text == env) return;
    if (!write_atomically(marker, env)) return; // never apply a value twice
    auto parsed = faults_from_text(env);
    if (auto* bad = std::get_if<LoadError>(&parsed)) {
        note_on_tape(dir, "FALHAS EM ECFSIM_FALHAS IGNORADAS", bad->text);
        return;
    }
    list.append(std::get<FaultList>(parsed));
    changed = true;
}

// The next fault for `function`, consumed from the folder's fault file.
std::optional<Fault> next_fault(const fs::path& dir, std::string_view function) {
    const fs::path file = dir / kFaultFile;
    const FileText f = read_file(file);
    FaultList list;
    bool changed = false;
    if (f.exists) {
        auto parsed = faults_from_text(f.text);
        if (auto* bad = std::get_if<LoadError>(&parsed)) {
            // keep the technician's file for correction, out of the way
            std::error_code ec;
            fs::rename(file, dir / kBadFaultFile, ec);
            note_on_tape(dir, "ARQUIVO DE FALHAS IGNORADO",
                         std::string(kFaultFile) + " (agora " + std::string(kBadFaultFile) + "), " +
                             (f.unreadable ? std::string("ilegível"_cp1252) : bad->text));
        } else {
            list = std::get<FaultList>(std::move(parsed));
        }
    }
    import_environment_faults(dir, list, changed);
    if (list.empty() && !changed) return std::nullopt;
    std::optional<Fault> fault = list.take(function);
    if (fault) changed = true;
    if (changed) {
        if (list.empty()) {
            std::error_code ec;
            fs::remove(file, ec);
        } else {
            write_atomically(file, to_text(list), false);
        }
    }
    return fault;
}

struct Loaded {
    FiscalMemory memory;
    Config config;
};

// One of the simulator's files read back, or, when it cannot be, a note on
// the paper naming the file, why, and what the technician can do.
template <typename T>
std::optional<T> loaded_or_noted(const fs::path& dir, std::variant<T, LoadError> read,
                                 std::string_view heading, std::string_view file,
                                 std::string_view remedy) {
    if (auto* bad = std::get_if<LoadError>(&read)) {
        note_on_tape(dir, heading, std::string(file) + ", " + bad->text + std::string(remedy));
        return std::nullopt;
    }
    return std::get<T>(std::move(read));
}

// The memory and settings, or the printer error and a note on the paper.
std::variant<Loaded, std::int32_t> load(const fs::path& dir) {
    const FileText mem = read_file(dir / kMemoryFile);
    // Only a missing file is a new printer; an empty one is damaged memory.
    auto memory = loaded_or_noted<FiscalMemory>(
        dir,
        !mem.exists      ? std::variant<FiscalMemory, LoadError>(FiscalMemory{})
        : mem.unreadable ? std::variant<FiscalMemory, LoadError>(
                               LoadError{"arquivo ilegível ou grande demais"_cp1252})
                         : memory_from_text(mem.text),
        "MEMÓRIA DO SIMULADOR DANIFICADA"_cp1252, kMemoryFile,
        ". Corrija o arquivo ou apague-o (apagar inicia um ECF novo).");
    if (!memory) return err::kMemoryLost;
    const FileText cfg = read_file(dir / kConfigFile);
    auto config = loaded_or_noted<Config>(
        dir,
        cfg.unreadable ? std::variant<Config, LoadError>(LoadError{"arquivo ilegível"_cp1252})
                       : config_from_text(cfg.text),
        "CONFIGURAÇÃO DO SIMULADOR DANIFICADA"_cp1252, kConfigFile,
        ". Corrija o arquivo ou apague-o.");
    if (!config) return err::kMemoryLost;
    return Loaded{std::move(*memory), std::move(*config)};
}

// A copy of an X reading or Z reduction in the reports folder, when that
// folder exists on this machine (the library's report files).
void copy_report(const Config& config, const Outcome& o) {
    const std::string where = config.get("START\\LocalArquivosRelatorios");
    if (o.report_name.empty() || where.empty()) return;
    std::error_code ec;
    if (!fs::is_directory(where, ec)) return;
    write_atomically(fs::path(where) / o.report_name, o.tape);
}

} // namespace

bool known_key(std::string_view key) {
    for (std::string_view k : kKeys)
        if (k == key) return true;
    return false;
}

std::int32_t run_command(std::string_view function, const Command& command) {
    const fs::path dir = simulator_dir();
    FolderLock lock(dir);
    if (!lock.ok()) return ret::kPortError;

    const std::optional<Fault> fault = next_fault(dir, function);
    if (fault && !fault->normal && !fault->done) {
        save_status(dir, fault->error);
        return fault->answer;
    }

    auto loaded = load(dir);
    if (const auto* code = std::get_if<std::int32_t>(&loaded)) {
        save_status(dir, *code);
        return ret::kRefused;
    }
    Loaded& l = std::get<Loaded>(loaded);
    const auto now = clock_now();
    if (!now) {
        note_on_tape(dir, "RELÓGIO DO SIMULADOR INVÁLIDO"_cp1252,
                     "ECFSIM_NOW deve ser AAAA-MM-DD HH:MM:SS, por exemplo 2026-12-07 21:40:00.");
        save_status(dir, err::kClockBroken);
        return ret::kRefused;
    }

    FiscalMemory memory = l.memory;
    Printer printer(memory, l.config, *now);
    Outcome o = command(printer);
    if (o.answer == ret::kOk && o.changed) {
        if (!commit(dir, memory, o.tape)) {
            save_status(dir, 0);
            return ret::kFileError;
        }
        copy_report(l.config, o);
    }
    std::int32_t answer = o.answer;
    std::int32_t error = o.answer == ret::kRefused ? o.error : 0;
    if (fault && fault->done) {
        answer = fault->answer;
        error = fault->error;
    }
    save_status(dir, error);
    return answer;
}

std::int32_t set_value(const char* key, const char* value) {
    const fs::path dir = simulator_dir();
    FolderLock lock(dir);
    if (!lock.ok()) return ret::kPortError;
    const std::optional<Fault> fault = next_fault(dir, "regAlterarValor_Daruma");
    if (fault && !fault->normal && !fault->done) {
        save_status(dir, fault->error);
        return fault->answer;
    }

    std::int32_t answer = ret::kOk;
    if (key == nullptr || value == nullptr || std::string_view(value).size() > 255) {
        answer = ret::kBadParameter;
    } else if (!known_key(key)) {
        answer = ret::kKeyNotFound;
    } else {
        const FileText cfg = read_file(dir / kConfigFile);
        auto config = cfg.unreadable ? std::variant<Config, LoadError>(LoadError{"ilegível"_cp1252})
                                     : config_from_text(cfg.text);
        if (std::holds_alternative<LoadError>(config)) {
            note_on_tape(dir, "CONFIGURAÇÃO DO SIMULADOR DANIFICADA"_cp1252,
                         std::string(kConfigFile) + ", " + std::get<LoadError>(config).text +
                             ". Corrija o arquivo ou apague-o.");
            answer = ret::kFileError;
        } else {
            Config& c = std::get<Config>(config);
            if (c.get(key, std::string(1, '\0')) != value) {
                c.values[key] = value;
                if (!write_atomically(dir / kConfigFile, to_text(c))) answer = ret::kFileError;
            }
        }
    }
    return fault && fault->done ? fault->answer : answer;
}

std::int32_t last_status(std::int32_t* error, std::int32_t* warning) {
    const fs::path dir = simulator_dir();
    FolderLock lock(dir);
    if (!lock.ok()) return ret::kPortError;
    const std::optional<Fault> fault = next_fault(dir, "rStatusUltimoCmdInt_ECF_Daruma");
    if (fault && !fault->normal && !fault->done) return fault->answer;
    if (error == nullptr || warning == nullptr) return ret::kBadParameter;
    const LastStatus s = own_status && own_status->dir == dir
                             ? own_status->status
                             : status_from_text(read_file(dir / kStatusFile).text);
    *error = s.error;
    *warning = s.warning;
    return fault && fault->done ? fault->answer : ret::kOk;
}

} // namespace qv::ecfsim
