// The NFC-e back end behind the driver's record W-PARAMETROS-IMPFIS: the
// command's fields read from the record, the command run, the four result
// texts and IMPFIS-RETORNO written back, as the fiscal printer driver does
// for the vendor's library. What the driver's seam calls.
//
// The back end of the process is made on first use: the configuration file
// the caller names, the certificate it names, the HTTPS transport and the
// data folder (NFCE_DIR, else "nfce" in the working folder). When any of
// them fails the command is refused with the reason, and the next command
// tries again; a back end whose nfce.conf, certificate or password file has
// changed since is made again. Neither needs a restart.
#pragma once

#include "nfce/issuer.h"

#include <string>

namespace qv::nfce {

// The fields of `rec` the command reads.
CommandData command_data(const char* rec);
// IMPFIS-STATUS-1/2, IMPFIS-MSG-1/2 (filled with spaces) and IMPFIS-RETORNO.
void write_result(char* rec, const Result& result);
// Runs the command of `rec` through the process's back end, configured by
// the nfce.conf `config_file`.
void run_record(char* rec, const std::string& config_file);

} // namespace qv::nfce
