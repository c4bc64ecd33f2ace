// The fiscal printer driver: one printer command per invocation.
//
// A caller writes a command name and its data into the shared record
// W-PARAMETROS-IMPFIS (fields in shared/impfis_block.h), invokes the driver
// by its form name and reads the four result texts and IMPFIS-RETORNO back.
// The driver shows nothing to the user and never stops the program: every
// failure, a missing printer library included, comes back in the record.
#pragma once

#include <optional>
#include <string_view>

namespace qv::driver {

// The driver form's name, as callers open it.
inline constexpr std::string_view kFormName = "99-ImpFiscalDaruma";

// W-PARAMETROS-IMPFIS (1025 bytes), bound by name on first use and the same
// storage for the life of the process.
char* parameter_block();

// Runs the one command held in the record and writes the results back.
void PROC_DARUMA_99();

// The printer error a refused command was decoded to, as the result fields
// of `rec` tell it: "Comando não executado !!!" with the error table's text
// of that code. nullopt for a success and for every other failure.
std::optional<int> refusal_code(const char* rec);

// Opens a form by name: for the driver's form, runs PROC_DARUMA_99
// synchronously and returns true; any other name runs nothing and gives false.
bool invoke_form(std::string_view name);

} // namespace qv::driver
