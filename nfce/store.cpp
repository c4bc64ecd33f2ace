#include "nfce/store.h"

#include "shared/platform/platform.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace qv::nfce {

namespace {

constexpr std::array<std::string_view, 7> kStateNames = {
    "reservada", "enviada", "autorizada", "rejeitada", "contingencia", "inutilizada", "cancelada"};
constexpr const char* kCouponFile = "cupom-em-andamento.txt";
constexpr const char* kQueueFolder = "contingencia";
constexpr const char* kPaperFile = "danfe-pendente.bin";

std::optional<NumberState> state_named(std::string_view name) {
    for (std::size_t i = 0; i < kStateNames.size(); ++i)
        if (kStateNames[i] == name) return static_cast<NumberState>(i);
    return std::nullopt;
}

std::string padded(long value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

// "000000012 enviada KEY detail": the number, the state, the key ("-" for
// none) and the rest of the line. nullopt for a line that does not read so.
std::optional<NumberRecord> journal_line(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::string number;
    std::string state;
    std::string key;
    if (!(in >> number >> state >> key)) return std::nullopt;
    if (number.size() != 9 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::optional<NumberState> named = state_named(state);
    if (!named) return std::nullopt;
    NumberRecord record;
    record.number = static_cast<std::uint32_t>(std::stoul(number));
    record.state = *named;
    if (key != "-") record.key = key;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    record.detail = rest;
    return record;
}

// One whole line of the journal (see journal_line).
std::string journal_entry(std::uint32_t number, NumberState state, std::string_view key,
                          std::string_view detail) {
    std::string line = padded(number, 9) + ' ' + std::string(number_state_name(state)) + ' ' +
                       (key.empty() ? std::string("-") : std::string(key));
    // The detail is the rest of one line: line breaks in it would make others.
    std::string flat(detail);
    std::replace(flat.begin(), flat.end(), '\n', ' ');
    std::replace(flat.begin(), flat.end(), '\r', ' ');
    if (!flat.empty()) line += ' ' + flat;
    return line + '\n';
}

// A number can be given out again when no note with it has left.
bool is_free(NumberState state) {
    return state == NumberState::reserved || state == NumberState::rejected;
}

// The queue's file names: "<since>-<key>.xml".
std::optional<QueuedNote> queued_name(const std::string& name) {
    const std::size_t dash = name.find('-');
    if (dash == std::string::npos || name.size() < dash + 5 ||
        name.compare(name.size() - 4, 4, ".xml") != 0)
        return std::nullopt;
    QueuedNote note;
    try {
        note.since = static_cast<std::time_t>(std::stoll(name.substr(0, dash)));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    note.key = name.substr(dash + 1, name.size() - dash - 5);
    return note;
}

} // namespace

std::optional<std::string> read_whole(const std::string& path) {
    std::ifstream in(platform::path_from_text(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string_view number_state_name(NumberState state) {
    return kStateNames.at(static_cast<std::size_t>(state));
}

Store::Store(std::string folder) : folder_(std::move(folder)) {
    if (!platform::make_folders(path("numeracao")) || !platform::make_folders(path(kQueueFolder)))
        error_ = "Não foi possível criar a pasta " + folder_ + ": " + platform::last_error_text();
}

std::string Store::default_folder() {
    std::string folder = platform::environment_variable("NFCE_DIR");
    return folder.empty() ? std::string("nfce") : folder;
}

std::string Store::path(std::string_view relative) const {
    return folder_ + platform::kFolderSeparator + std::string(relative);
}

std::string Store::journal(int series) const {
    return path(std::string("numeracao") + platform::kFolderSeparator + "serie-" +
                padded(series, 3) + ".txt");
}

std::map<std::uint32_t, NumberRecord> Store::numbers(int series) const {
    std::map<std::uint32_t, NumberRecord> last;
    const std::optional<std::string> text = read_whole(journal(series));
    if (!text) return last;
    std::istringstream lines(*text);
    std::string line;
    // A line that does not read (never expected: lines are appended whole)
    // is passed over; the lines after it still count.
    while (std::getline(lines, line))
        if (const std::optional<NumberRecord> record = journal_line(line))
            last[record->number] = *record;
    return last;
}

std::optional<std::uint32_t> Store::reserve(int series) {
    const std::map<std::uint32_t, NumberRecord> known = numbers(series);
    std::uint32_t number = known.empty() ? 1 : known.rbegin()->first + 1;
    for (const auto& [n, record] : known)
        if (is_free(record.state)) {
            number = n;
            break;
        }
    if (number > 999'999'999 || !mark(series, number, NumberState::reserved, {}))
        return std::nullopt;
    return number;
}

bool Store::mark(int series, std::uint32_t number, NumberState state, std::string_view key,
                 std::string_view detail) {
    return platform::append_whole(journal(series), journal_entry(number, state, key, detail))
        .has_value();
}

bool Store::mark_range(int series, std::uint32_t first, std::uint32_t last, NumberState state,
                       std::string_view detail) {
    if (first > last) return false;
    std::string lines;
    for (std::uint32_t number = first;; ++number) {
        lines += journal_entry(number, state, {}, detail);
        if (number == last) break;
    }
    return platform::append_whole(journal(series), lines).has_value();
}

std::vector<NumberRecord> Store::unresolved(int series) const {
    std::vector<NumberRecord> out;
    for (const auto& [n, record] : numbers(series))
        if (record.state == NumberState::sent) out.push_back(record);
    return out;
}

bool Store::save_coupon(std::string_view bytes) {
    return platform::replace_file(path(kCouponFile), bytes) == platform::Fault::none;
}

std::optional<std::string> Store::coupon() const {
    return read_whole(path(kCouponFile));
}

bool Store::clear_coupon() {
    std::error_code error;
    std::filesystem::remove(platform::path_from_text(path(kCouponFile)), error);
    return !error;
}

bool Store::save_paper(std::string_view key, std::string_view escpos) {
    return platform::replace_file(path(kPaperFile),
                                  std::string(key) + '\n' + std::string(escpos)) ==
           platform::Fault::none;
}

std::optional<std::pair<std::string, std::string>> Store::paper() const {
    const std::optional<std::string> text = read_whole(path(kPaperFile));
    if (!text) return std::nullopt;
    const auto end = text->find('\n');
    if (end == std::string::npos) return std::nullopt;
    return std::pair{text->substr(0, end), text->substr(end + 1)};
}

bool Store::clear_paper() {
    std::error_code error;
    std::filesystem::remove(platform::path_from_text(path(kPaperFile)), error);
    return !error;
}

std::optional<std::string> Store::write_xml(int year, int month, int day, std::string_view name,
                                            std::string_view xml) {
    const char sep = platform::kFolderSeparator;
    const std::string folder = path(std::string("xml") + sep + padded(year, 4) + sep +
                                    padded(month, 2) + sep + padded(day, 2));
    if (!platform::make_folders(folder)) return std::nullopt;
    std::string file = folder + sep + std::string(name);
    if (platform::replace_file(file, xml) != platform::Fault::none) return std::nullopt;
    return file;
}

bool Store::enqueue(std::string_view key, std::string_view signed_xml, std::time_t since) {
    const std::string name =
        std::to_string(static_cast<long long>(since)) + '-' + std::string(key) + ".xml";
    return platform::replace_file(
               path(std::string(kQueueFolder) + platform::kFolderSeparator + name), signed_xml) ==
           platform::Fault::none;
}

std::vector<QueuedNote> Store::queue() const {
    std::vector<QueuedNote> notes;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::path_from_text(path(kQueueFolder)), error)) {
        std::optional<QueuedNote> note = queued_name(platform::path_text(entry.path().filename()));
        if (!note) continue; // the replace's temporary files, or strangers
        note->path = platform::path_text(entry.path());
        std::optional<std::string> xml = read_whole(note->path);
        if (!xml) continue;
        note->xml = std::move(*xml);
        notes.push_back(std::move(*note));
    }
    std::sort(notes.begin(), notes.end(), [](const QueuedNote& a, const QueuedNote& b) {
        return a.since != b.since ? a.since < b.since : a.key < b.key;
    });
    return notes;
}

bool Store::dequeue(std::string_view key) {
    bool removed = false;
    for (const QueuedNote& note : queue())
        if (note.key == key) {
            std::error_code error;
            removed =
                std::filesystem::remove(platform::path_from_text(note.path), error) || removed;
        }
    return removed;
}

} // namespace qv::nfce
