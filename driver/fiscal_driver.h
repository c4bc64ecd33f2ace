// The fiscal printer driver: one printer command per invocation.
//
// A caller writes a command name and its data into the shared record
// W-PARAMETROS-IMPFIS (fields in shared/impfis_block.h), invokes the driver
// by its form name and reads the four result texts and IMPFIS-RETORNO back.
// The driver shows nothing to the user and never stops the program: every
// failure, a missing printer library included, comes back in the record.
//
// Every caller sends its commands through run() and reads them back through
// outcome(): another printer back end plugs in there, behind the same record.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::driver {

// The driver form's name, as callers open it.
inline constexpr std::string_view kFormName = "99-ImpFiscalDaruma";

// The one status text that is only a warning: shown, but the command is done.
inline constexpr std::string_view kLowPaper = "Impressora com pouco papel";

// W-PARAMETROS-IMPFIS (1025 bytes), bound by name on first use and the same
// storage for the life of the process. Every module binds it with the same
// constant size, so a refused binding is a build defect: it aborts.
char* parameter_block();

// Opens a form by name and returns when it has closed: the window's
// open_form in the program, invoke_form in the tool.
using Opener = std::function<void(std::string_view form_name)>;

// Runs one printer command: `command` into IMPFIS-COMANDO of `rec`, then
// the driver form opened through `open`. The command's data must already be
// in the record.
void run(char* rec, std::string_view command, const Opener& open);

// What the last command of `rec` tells its caller.
struct Outcome {
    // Each non-blank result text without its trailing blanks, in the order
    // IMPFIS-STATUS-1, IMPFIS-STATUS-2, IMPFIS-MSG-1, IMPFIS-MSG-2.
    std::vector<std::string> texts;
    // All four blank, or only kLowPaper in IMPFIS-STATUS-1.
    bool succeeded = true;
};
Outcome outcome(const char* rec);

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
