// Voiding numbers of the series (inutilização): the numbers a note was
// never issued under, which the state must be told about so that the
// sequence has no unexplained gap. The numbers are checked against the
// journal and the contingency queue before anything is sent: a number is
// never voided while a note with it may exist. The signed request and the
// state's answer are kept together as ProcInutNFe in the data folder's
// dated XML tree, and the numbers are journalled as voided, so the back end
// never gives them out again.
#pragma once

#include "nfce/issuer.h"
#include "nfce/store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv::nfce {

struct DisablementRequest {
    int series = 1;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::string reason; // xJust, UTF-8
};

// What the checks found: refusals stop the request; warnings do not.
struct DisablementCheck {
    std::vector<std::string> refusals; // Portuguese, UTF-8
    std::vector<std::string> warnings;
    bool ok() const { return refusals.empty(); }
};

// The most numbers one request voids: a typing slip must not void a
// million numbers, nor journal them.
inline constexpr std::uint32_t kMaxDisabledNumbers = 1000;

// Checks `request` against the series' journal and the queue of `store`.
DisablementCheck check_disablement(const Store& store, const DisablementRequest& request);

struct DisablementOutcome {
    bool voided = false;
    bool answered = false; // the state answered (voided or refused)
    int cstat = 0;
    std::string message;  // UTF-8: the refusal, the rejection or the failure
    std::string protocol; // nProt of a voiding
    std::string path;     // where ProcInutNFe was kept
};

// Checks, signs and sends the request, keeps the answer and journals the
// numbers; nothing is sent when the checks refuse it.
DisablementOutcome disable_numbers(const Config& config, const Certificate& certificate,
                                   Transport& transport, Store& store, const Moment& at,
                                   const DisablementRequest& request);

} // namespace qv::nfce
