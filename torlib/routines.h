// The routines behind TORLIB, one per family. Each takes the bound link block
// and touches only the fields that are its own outputs.
#pragma once

namespace qv::torlib {

void calendar(char* link);                // "01"
void check_document(char* link);          // "02"
void amount_in_words(char* link);         // "03" and "04"
void upper_no_accents(char* link);        // "05"
void file_exists(char* link);             // "06"
void check_alphanumeric_cnpj(char* link); // "07"

} // namespace qv::torlib
