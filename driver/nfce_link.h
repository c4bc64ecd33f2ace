// The driver's second back end: electronic consumer notes (NFC-e) instead of
// a fiscal printer, chosen with biblioteca=nfce. The record and its results
// are the same; only where the command goes differs. A build without the
// NFC-e back end refuses its commands in words.
#pragma once

#include <string>

namespace qv::driver {

// Runs the command of the record `rec` through the NFC-e back end,
// configured by the nfce.conf `config_file`.
void run_nfce(char* rec, const std::string& config_file);

// What the window's band says of the NFC-e back end (UTF-8); empty when
// there is nothing to say.
std::string nfce_band(const std::string& config_file);

} // namespace qv::driver
