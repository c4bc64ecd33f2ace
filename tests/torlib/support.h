// Helpers of the library's tests: link blocks as values, calls through the C
// entry, and the tables of worked examples.
#pragma once

#include "tests/torlib/link_outputs.h"

#include "shared/cp1252.h"
#include "torlib/torlib.h"

#include <array>
#include <cstring>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::torlib_test {

using Block = std::array<char, L::kSize>;

// Windows-1252 bytes of a UTF-8 text written in the tests.
inline std::string cp(std::string_view utf8) {
    std::optional<std::string> bytes = utf8_to_cp1252(utf8);
    if (!bytes) throw std::invalid_argument("not Windows-1252");
    return *bytes;
}

inline Block filled(char c) {
    Block b;
    b.fill(c);
    return b;
}

inline std::string get(const Block& b, const FieldSpec& f) {
    return get_text(field(b.data(), f));
}
// Left-justified and blank-filled, as a caller fills a field.
inline void set(Block& b, const FieldSpec& f, std::string_view value) {
    put_text(field(b.data(), f), value);
}

// Calls TORLIB on a copy of `in` through the shared link block.
inline Block call(const Block& in) {
    char* link = bind_shared_record(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
    if (link == nullptr) throw std::runtime_error("L-LINK not bound");
    std::memcpy(link, in.data(), in.size());
    TORLIB();
    Block out;
    std::memcpy(out.data(), link, out.size());
    return out;
}

struct FieldValue {
    FieldSpec entry;
    std::string value; // blank-filled to the field's width
};

// One worked example: the block starts as `filler` everywhere, gets the
// inputs, and after the call must equal that block with the outputs written
// and nothing else changed.
struct Example {
    std::string name;
    std::vector<FieldValue> in;
    std::vector<FieldValue> out;
    char filler = '#';

    Block input() const {
        Block b = filled(filler);
        for (const FieldValue& f : in)
            set(b, f.entry, f.value);
        return b;
    }
    Block expected() const {
        Block b = input();
        for (const FieldValue& f : out)
            set(b, f.entry, f.value);
        return b;
    }
};

// Shown by its name in test output.
inline void PrintTo(const Example& e, std::ostream* os) {
    *os << e.name;
}

// The text area of an amount in words: a blank, the words, then asterisks in
// pairs over the rest; an odd tail leaves the last position blank.
inline std::string words_text(std::string_view words) {
    std::string t = words.empty() ? std::string() : " " + std::string(words);
    const std::size_t tail = L::L_TEXTO.width - t.size();
    t.append(tail - tail % 2, '*');
    if (tail % 2 != 0) t += ' ';
    return t;
}

// The fields where two blocks differ, with both values, for failure messages;
// empty when the blocks are equal.
inline std::string differences(const Block& got, const Block& want) {
    static constexpr std::array<std::pair<const char*, FieldSpec>, 18> kNames{{
        {"L-FUNCAO", L::L_FUNCAO},
        {"L-DIA1", L::L_DIA1},
        {"L-MES1", L::L_MES1},
        {"L-ANO1", L::L_ANO1},
        {"L-DIA2", L::L_DIA2},
        {"L-MES2", L::L_MES2},
        {"L-ANO2", L::L_ANO2},
        {"L-DIA-SEMANA", L::L_DIA_SEMANA},
        {"reserved 19", L::RESERVED_19},
        {"L-DIAS", L::L_DIAS},
        {"L-CNPJ", L::L_CNPJ},
        {"L-CPF", L::L_CPF},
        {"L-TEXTO", L::L_TEXTO},
        {"L-DATA-EXTENSO", L::L_DATA_EXTENSO},
        {"L-NOME-MES", L::L_NOME_MES},
        {"L-VALOR", L::L_VALOR},
        {"L-INDICADOR", L::L_INDICADOR},
        {"reserved 312", L::RESERVED_312},
    }};
    std::string out;
    for (const auto& [name, entry] : kNames) {
        const std::string a = get(got, entry), b = get(want, entry);
        if (a != b)
            out += std::string(name) + ": got [" + cp1252_to_utf8(a) + "] want [" +
                   cp1252_to_utf8(b) + "]\n";
    }
    return out;
}

// Examples of every function, with the files of the file test given by the
// caller (they exist only while a test runs).
std::vector<Example> words_examples();
std::vector<Example> document_examples();
std::vector<Example> alphanumeric_cnpj_examples();
std::vector<Example> calendar_examples();
std::vector<Example> text_examples();
std::vector<Example> file_examples(const std::string& existing, const std::string& missing);
std::vector<Example> dispatch_examples();

} // namespace qv::torlib_test
