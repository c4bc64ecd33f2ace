// Fault injection: what the simulated printer answers on the next calls of a
// vendor function instead of (or after) doing the command. Lines of the file
// "falhas" (and of ECFSIM_FALHAS):
//
//     <function or *> <fault> [<fault> ...]     # comment
//
// <fault>: "ok" (a normal call), N (not done, returns N), "erro:C" (refused:
// not done, returns -12 and the status query reports C), "feito:N" or
// "feito:erro:C" (done, then answered that way), each optionally "*K" for K
// calls in a row. Faults are consumed one call at a time, in order.
#pragma once

#include "ecfsim/memory.h"
#include "shared/vendor_functions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv::ecfsim {

struct Fault {
    bool normal = false;     // "ok": the call behaves normally
    bool done = false;       // the command takes effect before the answer
    std::int32_t answer = 1; // the return value
    std::int32_t error = 0;  // the printer error the status query reports
    friend bool operator==(const Fault&, const Fault&) = default;
};

struct FaultRun {
    Fault fault;
    std::uint32_t count = 1;
};

struct FaultLine {
    std::string function; // a vendor function name, or "*" for any
    std::vector<FaultRun> runs;
};

struct FaultList {
    std::vector<FaultLine> lines;

    bool empty() const { return lines.empty(); }
    // Takes the next fault for `function`: from its own lines first, then
    // from the "*" lines. nullopt when none is left for it.
    std::optional<Fault> take(std::string_view function);
    // Adds the lines of `more` after these.
    void append(const FaultList& more);
};

std::optional<Fault> parse_fault(std::string_view token);
std::string to_text(const Fault& fault);
// Lines separated by line feeds or ";". An error names the line and the word.
std::variant<FaultList, LoadError> faults_from_text(std::string_view text);
// The remaining faults, one line per function line; empty when none is left.
std::string to_text(const FaultList& faults);

} // namespace qv::ecfsim
