// The NFC-e back end's data folder (NFCE_DIR, else "nfce" in the working
// folder): what must outlive the process between one coupon command and the
// next, and across a crash.
//
//   numeracao/serie-SSS.txt   the journal of the series' numbers, one line
//                             per step of a number: reserved before the
//                             note is built, sent before it leaves, then
//                             authorised, rejected (free again),
//                             contingency, voided or cancelled
//   cupom-em-andamento.txt    the coupon's commands received so far, and
//                             once its closing begins its number and note
//   danfe-pendente.bin        the key, a line break and the ESC/POS bytes of
//                             a DANFE not printed yet
//   xml/AAAA/MM/DD/<name>     every XML written: signed notes, nfeProc,
//                             answers, events
//   contingencia/<since>-<key>.xml   the notes issued offline, to be sent
//
// Every file is written whole: the journal by whole-line appends, the
// others by the durable replace, so a crash leaves the old file or the new
// one. A number is never given out while its last step says a note with it
// may have left (sent, authorised, contingency, voided, cancelled).
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::nfce {

// The whole bytes of the file at `path` (UTF-8); nullopt when it cannot be
// read.
std::optional<std::string> read_whole(const std::string& path);

enum class NumberState { reserved, sent, authorised, rejected, contingency, voided, cancelled };

// The journal's word for a state ("reservada", "enviada", ...).
std::string_view number_state_name(NumberState state);

struct NumberRecord {
    std::uint32_t number = 0;
    NumberState state = NumberState::reserved;
    std::string key;    // the access key the step names; may be empty
    std::string detail; // the protocol, the rejection code...; may be empty
};

struct QueuedNote {
    std::string key;
    std::time_t since = 0; // when it was queued
    std::string path;
    std::string xml; // the signed note
};

class Store {
  public:
    // Uses `folder`, making it when missing; see ok().
    explicit Store(std::string folder);
    // NFCE_DIR, or "nfce" in the working folder.
    static std::string default_folder();

    const std::string& folder() const { return folder_; }
    // False when the folder could not be made; error() says why.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The series' numbers by their last step, the journal replayed.
    std::map<std::uint32_t, NumberRecord> numbers(int series) const;
    // The number for a new note, journalled as reserved before it is
    // returned: the lowest one that is free (reserved and never sent, or
    // rejected), else the one after the highest. nullopt when the journal
    // cannot be written.
    std::optional<std::uint32_t> reserve(int series);
    // Journals the next step of `number`; false when it could not be written.
    bool mark(int series, std::uint32_t number, NumberState state, std::string_view key,
              std::string_view detail = {});
    // Journals the same step, without a key, for every number first..last
    // in one append: a stop leaves all of them journalled or none.
    bool mark_range(int series, std::uint32_t first, std::uint32_t last, NumberState state,
                    std::string_view detail = {});
    // The numbers whose note may have left without an answer (sent).
    std::vector<NumberRecord> unresolved(int series) const;

    // The coupon in progress: any bytes the caller keeps there.
    bool save_coupon(std::string_view bytes);
    std::optional<std::string> coupon() const;
    bool clear_coupon();

    // The paper of a note not printed yet (ESC/POS bytes) and its key,
    // for printing it (again).
    bool save_paper(std::string_view key, std::string_view escpos);
    std::optional<std::pair<std::string, std::string>> paper() const;
    bool clear_paper();

    // Writes `xml` as xml/AAAA/MM/DD/`name`; its path, or nullopt.
    std::optional<std::string> write_xml(int year, int month, int day, std::string_view name,
                                         std::string_view xml);

    // The contingency queue, oldest first.
    bool enqueue(std::string_view key, std::string_view signed_xml, std::time_t since);
    std::vector<QueuedNote> queue() const;
    bool dequeue(std::string_view key);

  private:
    std::string path(std::string_view relative) const;
    std::string journal(int series) const;

    std::string folder_;
    std::string error_;
};

} // namespace qv::nfce
