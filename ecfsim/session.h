// One call of a vendor function against the simulator's folder: faults
// first, then the memory, the command, the paper and the status, all under
// the folder's lock. The printer's memory is re-read on every call, so a
// process that loads the library once and one that restarts between calls
// see the same printer.
#pragma once

#include "ecfsim/clock.h"
#include "ecfsim/memory.h"
#include "ecfsim/printer.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace qv::ecfsim {

using Command = std::function<Outcome(Printer&)>;

// A printer command (every function but the two below).
std::int32_t run_command(std::string_view function, const Command& command);
// regAlterarValor_Daruma
std::int32_t set_value(const char* key, const char* value);
// rStatusUltimoCmdInt_ECF_Daruma
std::int32_t last_status(std::int32_t* error, std::int32_t* warning);

// The keys regAlterarValor_Daruma knows.
bool known_key(std::string_view key);

} // namespace qv::ecfsim
