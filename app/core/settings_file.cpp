#include "app/core/settings_file.h"

#include <algorithm>
#include <string_view>

#include "shared/platform/platform.h"

namespace qv::settings {

void fill_default(Record& record) {
    // Built in memory only: the file receives a record whole, through
    // write_record's one rename, so no half-filled record can ever be read.
    put_text(field(record.data(), TAB_CHAVE), "1");
    put_digits(field(record.data(), TAB_VALOR_MAXIMO), 0);
    put_digits(field(record.data(), TAB_PERC_REFEICAO), 0);
    put_digits(field(record.data(), TAB_PERC_BEBIDAS), 0);
    put_digits(field(record.data(), TAB_SENHA_LIBERACAO), 0);
    for (int n = 1; n <= kOperators; ++n) {
        blank(field(record.data(), TAB_NOME_OPERADOR(n)));
        put_digits(field(record.data(), TAB_SENHA_OPERADOR(n)), 0);
    }
}

bool is_valid(const Record& record) {
    const char* r = record.data();
    if (!equals_text(field(r, TAB_CHAVE), "1")) return false;
    for (const FieldSpec& f :
         {TAB_VALOR_MAXIMO, TAB_PERC_REFEICAO, TAB_PERC_BEBIDAS, TAB_SENHA_LIBERACAO}) {
        if (!all_digits(field(r, f))) return false;
    }
    for (int n = 1; n <= kOperators; ++n) {
        if (!all_digits(field(r, TAB_SENHA_OPERADOR(n)))) return false;
    }
    return true;
}

namespace {

FileStatus status_of(platform::Fault fault) {
    switch (fault) {
    case platform::Fault::none:
        return kStatusOk;
    case platform::Fault::not_found:
        return kStatusNotFound;
    case platform::Fault::no_access:
        return kStatusNoAccess;
    case platform::Fault::no_space:
        return kStatusNoSpace;
    case platform::Fault::other:
        break;
    }
    return kStatusError;
}

} // namespace

FileStatus read_record(const std::string& path, Record& record) {
    platform::Fault fault = platform::Fault::none;
    platform::File file = platform::File::open(path, platform::Access::read, &fault);
    if (!file.is_open()) return status_of(fault);
    if (!file.is_regular()) return kStatusError;
    // One byte more than a record, to tell a longer file from a whole record.
    std::array<char, kRecordSize + 1> buffer{};
    const std::optional<std::size_t> got = platform::read_full(file, buffer);
    if (!got) return status_of(platform::last_fault());
    if (*got != kRecordSize) return kStatusNoRecord;
    std::copy_n(buffer.begin(), kRecordSize, record.begin());
    return is_valid(record) ? kStatusOk : kStatusNoRecord;
}

FileStatus write_record(const std::string& path, const Record& record, SaveObserver observer) {
    platform::ReplaceOptions options;
    options.owner_only = true; // the file holds passwords
    options.observer = observer;
    return status_of(
        platform::replace_file(path, std::string_view(record.data(), kRecordSize), options));
}

} // namespace qv::settings
