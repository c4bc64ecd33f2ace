// The settings file "Quiterval.TOR": one fixed record of 1061 characters.
//
// Container: the file holds exactly that one record and nothing else; its
// first byte is the record key "1". A file of another length, with another
// key, or with anything but digits in a digit field is not a settings file.
// Saving writes a new file beside the old one, flushes it to disk and renames
// it over the old one, so an interrupted or failed save leaves the old file
// whole. The file is readable and writable by its owner only: it
// holds passwords.
#pragma once

#include "shared/fixed_field.h"
#include "shared/platform/platform.h"

#include <array>
#include <string>
#include <string_view>

namespace qv::settings {

inline constexpr std::string_view kFileName = "Quiterval.TOR";
inline constexpr std::size_t kRecordSize = 1061;
inline constexpr int kOperators = 40;
inline constexpr std::size_t kOperatorWidth = 26;

using Record = std::array<char, kRecordSize>;

using K = FieldKind;
inline constexpr FieldSpec TAB_CHAVE{0, 1, K::text};
inline constexpr FieldSpec TAB_VALOR_MAXIMO{1, 6, K::digits, 2};
inline constexpr FieldSpec TAB_PERC_REFEICAO{7, 4, K::digits, 2};
inline constexpr FieldSpec TAB_PERC_BEBIDAS{11, 4, K::digits, 2};
inline constexpr FieldSpec TAB_SENHA_LIBERACAO{15, 6, K::digits};
inline constexpr FieldSpec TAB_OPERADOR{21, kOperators* kOperatorWidth, K::text};

// The two fields of operator entry n (1 to 40).
constexpr FieldSpec TAB_NOME_OPERADOR(int n) {
    return {TAB_OPERADOR.offset + kOperatorWidth * static_cast<std::size_t>(n - 1), 20, K::text};
}
constexpr FieldSpec TAB_SENHA_OPERADOR(int n) {
    return {TAB_OPERADOR.offset + kOperatorWidth * static_cast<std::size_t>(n - 1) + 20, 6,
            K::digits};
}

inline constexpr std::array kLayout = {TAB_CHAVE,        TAB_VALOR_MAXIMO,    TAB_PERC_REFEICAO,
                                       TAB_PERC_BEBIDAS, TAB_SENHA_LIBERACAO, TAB_OPERADOR};
static_assert(tiles_record(kLayout, kRecordSize));
static_assert(TAB_SENHA_OPERADOR(kOperators).offset + 6 == kRecordSize);

// Two-character file statuses, as W-STATUS-TABELAS holds them.
using FileStatus = std::array<char, 2>;
inline constexpr FileStatus kStatusOk{'0', '0'};
inline constexpr FileStatus kStatusNoRecord{'2', '3'}; // not one whole valid record
inline constexpr FileStatus kStatusError{'3', '0'};    // input/output error
inline constexpr FileStatus kStatusNoSpace{'3', '4'};  // disk or file size limit reached
inline constexpr FileStatus kStatusNotFound{'3', '5'}; // the file does not exist
inline constexpr FileStatus kStatusNoAccess{'3', '7'}; // permission denied, read-only folder

// The record written when the file is missing: key "1", all digit fields
// zero, 40 free operator entries.
void fill_default(Record& record);

// True for a record the program accepts: key "1" and digits only in every
// digit field.
bool is_valid(const Record& record);

// Reads the file at `path` into `record`. kStatusOk only for a valid record;
// kStatusNotFound when the file does not exist; kStatusNoRecord when the file
// is not exactly one valid record (then `record` may hold anything); another
// status when the file cannot be opened or read. Never writes anything.
FileStatus read_record(const std::string& path, Record& record);

// Stages of a save, in order, for the crash tests that stop a save half-way.
using SaveStage = platform::ReplaceStage;
using SaveObserver = platform::ReplaceObserver;

// Replaces the file at `path` with `record`: writes a new file in the same
// folder, flushes it, renames it over the old one and flushes the folder.
// On any failure the new file is removed and the old one is untouched.
FileStatus write_record(const std::string& path, const Record& record,
                        SaveObserver observer = nullptr);

} // namespace qv::settings
