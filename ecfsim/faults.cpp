#include "ecfsim/faults.h"

#include "shared/cp1252.h"

#include <algorithm>
#include <charconv>

namespace qv::ecfsim {
namespace {

constexpr std::size_t kMaxLines = 1000;
constexpr std::uint32_t kMaxRepeat = 9999;

std::optional<std::int32_t> integer(std::string_view text, std::int32_t lo, std::int32_t hi) {
    if (text.empty() || text.size() > 11) return std::nullopt;
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

bool known_function(std::string_view name) {
    return name == "*" || std::find(kVendorFunctions.begin(), kVendorFunctions.end(), name) !=
                              kVendorFunctions.end();
}

} // namespace

std::optional<Fault> parse_fault(std::string_view token) {
    Fault f;
    if (token == "ok") {
        f.normal = true;
        return f;
    }
    if (token.starts_with("feito:")) {
        f.done = true;
        token.remove_prefix(6);
    }
    if (token.starts_with("erro:")) {
        const auto code = integer(token.substr(5), 0, 999);
        if (!code) return std::nullopt;
        f.answer = -12;
        f.error = *code;
        return f;
    }
    const auto n = integer(token, -999, 999);
    if (!n) return std::nullopt;
    f.answer = *n;
    return f;
}

std::string to_text(const Fault& f) {
    if (f.normal) return "ok";
    std::string t = f.done ? "feito:" : "";
    if (f.answer == -12 && f.error != 0) return t + "erro:" + std::to_string(f.error);
    return t + std::to_string(f.answer);
}

std::optional<Fault> FaultList::take(std::string_view function) {
    for (std::string_view wanted : {function, std::string_view("*")}) {
        for (auto line = lines.begin(); line != lines.end(); ++line) {
            if (line->function != wanted || line->runs.empty()) continue;
            const Fault f = line->runs.front().fault;
            if (--line->runs.front().count == 0) line->runs.erase(line->runs.begin());
            if (line->runs.empty()) lines.erase(line);
            return f;
        }
    }
    return std::nullopt;
}

void FaultList::append(const FaultList& more) {
    for (const FaultLine& l : more.lines) {
        if (lines.size() >= kMaxLines) return;
        lines.push_back(l);
    }
}

std::variant<FaultList, LoadError> faults_from_text(std::string_view text) {
    FaultList list;
    std::size_t number = 0;
    std::size_t from = 0;
    while (from <= text.size()) {
        auto end = text.find_first_of("\n;", from);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        ++number;
        if (const auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::vector<std::string_view> words;
        std::size_t at = 0;
        while (at < line.size()) {
            const auto start = line.find_first_not_of(" \t\r", at);
            if (start == std::string_view::npos) break;
            auto stop = line.find_first_of(" \t\r", start);
            if (stop == std::string_view::npos) stop = line.size();
            words.push_back(line.substr(start, stop - start));
            at = stop;
        }
        if (words.empty()) continue;
        const std::string where = "linha " + std::to_string(number) + ": ";
        if (!known_function(words[0]))
            return LoadError{where + "função desconhecida \""_cp1252 + std::string(words[0]) +
                             "\""};
        if (words.size() == 1) return LoadError{where + "falta a falha depois da função"_cp1252};
        if (list.lines.size() >= kMaxLines) return LoadError{where + "linhas demais"};
        FaultLine fl{std::string(words[0]), {}};
        for (std::size_t i = 1; i < words.size(); ++i) {
            std::string_view word = words[i];
            std::uint32_t count = 1;
            if (const auto star = word.rfind('*'); star != std::string_view::npos) {
                const auto k = integer(word.substr(star + 1), 1, kMaxRepeat);
                if (!k)
                    return LoadError{where + "repetição inválida em \""_cp1252 + std::string(word) +
                                     "\""};
                count = static_cast<std::uint32_t>(*k);
                word = word.substr(0, star);
            }
            const auto f = parse_fault(word);
            if (!f)
                return LoadError{where + "falha não entendida \""_cp1252 + std::string(word) +
                                 "\""};
            fl.runs.push_back({*f, count});
        }
        list.lines.push_back(std::move(fl));
    }
    return list;
}

std::string to_text(const FaultList& faults) {
    std::string t;
    for (const FaultLine& l : faults.lines) {
        if (l.runs.empty()) continue;
        t += l.function;
        for (const FaultRun& r : l.runs) {
            t += ' ';
            t += to_text(r.fault);
            if (r.count > 1) {
                t += '*';
                t += std::to_string(r.count);
            }
        }
        t += '\n';
    }
    return t;
}

} // namespace qv::ecfsim
