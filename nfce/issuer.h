// The NFC-e back end: the till's printer commands turned into electronic
// consumer notes. The coupon's commands ("ABRE-CUPOM" .. "TERM-FECTO-CUPOM")
// are kept in the data folder as they come; the closing one numbers,
// builds, signs and sends the note, and prints its DANFE: authorised, or,
// when the state does not answer, issued offline in contingency and queued.
// "CANC-CUPOM" drops a coupon not yet issued, else cancels the last
// authorised note. "LEITURAX" and "REDUCAOZ" send the contingency queue,
// then print the state's service status, what still waits and the day's
// notes. A note left sent by a process that stopped before the answer is
// asked about before any new number is given, and a closing that a stopped
// process or a failed printer left is finished before the next command does
// anything. The answers are the driver's: four texts the engine shows, all
// blank for success.
#pragma once

#include "nfce/certificate.h"
#include "nfce/config.h"
#include "nfce/note.h"
#include "nfce/store.h"
#include "nfce/transport.h"
#include "shared/decimal.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::nfce {

// What the driver record holds for the command, its fields read already.
struct CommandData {
    std::string document;      // IMPFIS-DOCUMENTO, Windows-1252
    std::string item_code;     // IMPFIS-COD-ITEM
    std::string description;   // IMPFIS-DESCRICAO, Windows-1252
    Decimal unit_price;        // IMPFIS-PRECO-UNIT
    std::string discount_type; // IMPFIS-TIPO-DESC: "D" discount
    Decimal discount;          // IMPFIS-VALOR-DESC
    std::string payment;       // IMPFIS-FORMA-PAGTO
    Decimal paid;              // IMPFIS-VALOR-PAGTO
    std::string message;       // IMPFIS-MENSAGEM, Windows-1252, 240 characters
};

// The driver's results: IMPFIS-STATUS-1, IMPFIS-STATUS-2, IMPFIS-MSG-1 and
// IMPFIS-MSG-2 in Windows-1252, each no longer than its field (30, 30,
// 100, 100), and IMPFIS-RETORNO (1 done, 0 not).
struct Result {
    std::array<std::string, 4> texts;
    std::int32_t retorno = 1;
    bool ok() const;
};
inline constexpr std::array<std::size_t, 4> kResultWidths = {30, 30, 100, 100};

// A moment: for the journal and the queue, and as the shop's clock shows it.
struct Moment {
    std::time_t epoch = 0;
    IssueTime local;
};
using Clock = std::function<Moment()>;
// The system's clock.
Moment now();

// Prints the ESC/POS bytes of a paper named `name` (the note's key, or the
// report's); the error in Portuguese, empty when printed.
using Printer = std::function<std::string(std::string_view escpos, std::string_view name)>;
// The configured printer: "simulada" writes <name>.txt and <name>.png into
// the simulated thermal printer's folder; a full path is a device or file
// the bytes are appended to; a network printer or COM port is refused.
Printer configured_printer(const Config& config);

// A note may wait in contingency this long at most: the legal limit.
inline constexpr long long kQueueLimitSeconds = 24 * 3600;
// What is said, loudly, of a queue whose oldest note is past the limit.
inline constexpr const char* kQueueLateWarning =
    "ATENÇÃO: NFC-e em contingência há mais de 24 horas: transmita já";

// What became of one queued note when the queue was sent.
struct QueuedOutcome {
    enum class Kind {
        authorised, // authorised now, its nfeProc kept
        first_key,  // its number was authorised under the key first sent
        refused,    // the state refused it: it stays queued
    };
    std::string key; // the queued note's key
    std::uint32_t number = 0;
    Kind kind = Kind::refused;
    std::string protocol; // nProt, when authorised
    int cstat = 0;        // the refusal's code
    std::string reason;   // the refusal's words, UTF-8
    std::string kept_key; // first_key: the key that stands
};

// The contingency queue sent, oldest note first.
struct QueueSending {
    bool answered = true; // false: the state stopped answering; the rest waits
    std::string why;      // when not answered: the transport's error name
                          // (or the data folder's fault)
    std::vector<QueuedOutcome> notes;
};

class Backend {
  public:
    Backend(const Config& config, const Certificate& certificate, Transport& transport,
            Store& store, Clock clock, Printer printer);

    Result run(std::string_view command, const CommandData& data);
    // Sends the notes issued in contingency, as before every coupon and at
    // the Z reading: each authorised one leaves the queue. Like run(), it
    // holds the data folder for itself meanwhile.
    QueueSending send_queue();

  private:
    struct Impl;
    const Config& config_;
    const Certificate& certificate_;
    Transport& transport_;
    Store& store_;
    Clock clock_;
    Printer printer_;
};

namespace detail {
// "Rejeição NNN: reason" whole, UTF-8: the state's words without their own
// leading "Rejeição: ".
std::string rejection_words(int cstat, std::string_view reason_utf8);
// "Rejeição NNN: reason": the state's own words, without their own leading
// "Rejeição: ", in Windows-1252 and cut to 100 characters.
std::string rejection_text(int cstat, std::string_view reason_utf8);
// An XML document without its leading declaration (and the blanks after
// it), and with the UTF-8 declaration, as every file kept carries.
std::string without_declaration(std::string_view xml);
std::string declared(std::string_view xml);
// The note's number (nNF) in its access key; 0 for a key of another form.
std::uint32_t number_of_key(std::string_view key);
// The approximate tax amount of the closing message's tax line
// ("Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT"); zero when none.
Decimal tax_of_line(std::string_view line);
} // namespace detail

} // namespace qv::nfce
