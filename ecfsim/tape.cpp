#include "ecfsim/tape.h"

#include "shared/cp1252.h"

#include <cstdio>

namespace qv::ecfsim::tape {

std::size_t width(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string cut(std::string_view utf8, std::size_t columns) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (n == columns) return std::string(utf8.substr(0, i));
            ++n;
        }
    }
    return std::string(utf8);
}

std::string row(std::string_view left, std::string_view right_text) {
    const std::string right = cut(right_text, kColumns);
    const std::size_t rw = width(right);
    const std::size_t room = rw >= kColumns ? 0 : kColumns - rw - (rw > 0 ? 1 : 0);
    std::string line = cut(left, room);
    line.append(kColumns - rw - width(line), ' ');
    line += right;
    // no trailing spaces on the paper file
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line + "\n";
}

std::string wrapped(std::string_view utf8, std::size_t indent) {
    std::string out;
    std::string rest(utf8);
    for (bool first = true; first || !rest.empty(); first = false) {
        const std::string prefix = first ? std::string() : std::string(indent, ' ');
        const std::string part = cut(rest, kColumns - indent * !first);
        std::string line = prefix + part;
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + "\n";
        rest.erase(0, part.size());
    }
    return out;
}

std::string centred(std::string_view text) {
    const std::string t = cut(text, kColumns);
    return std::string((kColumns - width(t)) / 2, ' ') + t + "\n";
}

std::string rule(char c) {
    return std::string(kColumns, c) + "\n";
}

std::string from_cp1252(std::string_view bytes) {
    std::string clean(bytes);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    while (!clean.empty() && clean.back() == ' ')
        clean.pop_back();
    return cp1252_to_utf8(clean);
}

std::string money(Decimal value) {
    std::string s = edit_amount_whole(value);
    s.erase(0, s.find_first_not_of(' '));
    return value.is_negative() ? "-" + s : s;
}

std::string quantity(Decimal value) {
    std::string s = edit(value, "ZZZ.ZZ9,999");
    s.erase(0, s.find_first_not_of(' '));
    return s;
}

std::string counter(std::uint32_t value) {
    char buf[16];
    (void)std::snprintf(buf, sizeof buf, "%06u", value);
    return buf;
}

std::string issuer() {
    return rule('=') + centred("*** SIMULADOR DE ECF - SEM VALOR FISCAL ***") +
           centred("RESTAURANTE SIMULADO DE TREINAMENTO LTDA") +
           centred("RUA DO TREINAMENTO, 100 - CENTRO") + centred("SÃO PAULO - SP") +
           row("CNPJ 00.000.000/0001-91", "IE ISENTO") + rule();
}

std::string footer(const Moment& at) {
    return rule() + row("ECF SIMULADO  MODELO ECFSIM", at.printed()) +
           centred("*** DOCUMENTO SIMULADO - SEM VALOR FISCAL ***") + rule('=') + "\n";
}

} // namespace qv::ecfsim::tape
