// The subcommands of the `torlib` tool. Each takes its arguments (without the
// subcommand's name) and returns the exit status: 0 for a valid or positive
// answer, 1 for "N", 2 for unusable input (with a message on standard error).
#pragma once

#include <span>
#include <string_view>

namespace qv::torlib_tool {

using Args = std::span<const std::string_view>;

int call(Args args);
int documento(Args args);
int extenso(Args args);
int numero(Args args);
int maiusculas(Args args);
int calendario(Args args);
int existe(Args args);

// Status for unusable input: prints "torlib <command>: <message>" and
// returns 2.
int usage_error(std::string_view command, std::string_view message);
// True when the arguments ask for help (-h or --help).
bool wants_help(Args args);

} // namespace qv::torlib_tool
