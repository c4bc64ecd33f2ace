// ecf_recorder: a stand-in for the printer vendor's library, for tests.
//
// Contract:
// - Exports the eleven vendor functions with the signatures of their table
//   (shared/vendor_functions.h): C linkage, const char* texts;
//   rStatusUltimoCmdInt_ECF_Daruma takes (int32_t* error, int32_t* warning).
//   All return int32_t.
// - ECF_RECORDER_LOG=<file>: every call appends one line to the file: the
//   function name, then for each text argument a TAB and the argument's
//   bytes, where every byte outside 0x20..0x7E and the backslash itself are
//   written as \xHH (two upper-case hex digits). The status query logs only
//   its name.
// - ECF_RECORDER_SCRIPT=<file>: lines "<function> <return value> [<error code>]".
//   On every call the file is read again, the FIRST line for that function is
//   taken and removed from the file (consumed as used), and its value is
//   returned. For the status query the third number is written through the
//   error pointer (0 when absent); the warning is always 0. A call with no
//   line for it returns 1 (and the status query writes error 0).
// - With neither variable set it does nothing and returns 1: the do-nothing
//   vendor library of the benchmarks.
#include "shared/vendor_functions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* env(const char* name) {
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? v : nullptr;
}

void escape_into(std::string& out, const char* text) {
    static const char hex[] = "0123456789ABCDEF";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p < 0x20 || *p > 0x7E || *p == '\\') {
            out += "\\x";
            out += hex[*p >> 4];
            out += hex[*p & 0x0F];
        } else {
            out += static_cast<char>(*p);
        }
    }
}

void record(const char* function, std::initializer_list<const char*> texts) {
    const char* path = env("ECF_RECORDER_LOG");
    if (path == nullptr) return;
    std::string line = function;
    for (const char* t : texts) {
        line += '\t';
        escape_into(line, t);
    }
    line += '\n';
    if (std::FILE* f = std::fopen(path, "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

struct Scripted {
    std::int32_t value = 1;
    std::int32_t error = 0;
};

// Takes the first scripted line for `function` out of the script file.
Scripted next_scripted(const char* function) {
    Scripted s;
    const char* path = env("ECF_RECORDER_SCRIPT");
    if (path == nullptr) return s;
    std::ifstream in(path, std::ios::binary);
    if (!in) return s;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    in.close();
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        std::istringstream fields(*it);
        std::string name;
        long value = 1;
        if (!(fields >> name) || name != function || !(fields >> value)) continue;
        long error = 0;
        if (!(fields >> error)) error = 0;
        s.value = static_cast<std::int32_t>(value);
        s.error = static_cast<std::int32_t>(error);
        lines.erase(it);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& l : lines)
            out << l << '\n';
        break;
    }
    return s;
}

std::int32_t answer(const char* function, std::initializer_list<const char*> texts) {
    record(function, texts);
    return next_scripted(function).value;
}

} // namespace

extern "C" {
QV_VENDOR_FUNCTIONS(QV_VENDOR_DECLARE)
}

#define ECF_EXPORT extern "C" std::int32_t QV_VENDOR_CALL

ECF_EXPORT regAlterarValor_Daruma(const char* key, const char* value) {
    return answer("regAlterarValor_Daruma", {key, value});
}
ECF_EXPORT iCFAbrir_ECF_Daruma(const char* document, const char* name, const char* address) {
    return answer("iCFAbrir_ECF_Daruma", {document, name, address});
}
ECF_EXPORT iCFVender_ECF_Daruma(const char* tax, const char* quantity, const char* price,
                                const char* discount_kind, const char* discount, const char* code,
                                const char* unit, const char* description) {
    return answer("iCFVender_ECF_Daruma",
                  {tax, quantity, price, discount_kind, discount, code, unit, description});
}
ECF_EXPORT iCFTotalizarCupom_ECF_Daruma(const char* kind, const char* value) {
    return answer("iCFTotalizarCupom_ECF_Daruma", {kind, value});
}
ECF_EXPORT iCFEfetuarPagamentoFormatado_ECF_Daruma(const char* method, const char* amount) {
    return answer("iCFEfetuarPagamentoFormatado_ECF_Daruma", {method, amount});
}
ECF_EXPORT iCFEncerrarConfigMsg_ECF_Daruma(const char* message) {
    return answer("iCFEncerrarConfigMsg_ECF_Daruma", {message});
}
ECF_EXPORT iCFCancelar_ECF_Daruma() {
    return answer("iCFCancelar_ECF_Daruma", {});
}
ECF_EXPORT iReducaoZ_ECF_Daruma(const char* date, const char* time) {
    return answer("iReducaoZ_ECF_Daruma", {date, time});
}
ECF_EXPORT eBuscarPortaVelocidade_ECF_Daruma() {
    return answer("eBuscarPortaVelocidade_ECF_Daruma", {});
}
ECF_EXPORT iLeituraX_ECF_Daruma() {
    return answer("iLeituraX_ECF_Daruma", {});
}
ECF_EXPORT rStatusUltimoCmdInt_ECF_Daruma(std::int32_t* error, std::int32_t* warning) {
    record("rStatusUltimoCmdInt_ECF_Daruma", {});
    const Scripted s = next_scripted("rStatusUltimoCmdInt_ECF_Daruma");
    if (error != nullptr) *error = s.error;
    if (warning != nullptr) *warning = 0;
    return s.value;
}
