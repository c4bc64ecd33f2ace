// What the window's band says of the NFC-e back end, read from its
// configuration and its data folder: notes issued in homologação have no
// fiscal value, and notes waiting in contingency must be sent in time.
#pragma once

#include "nfce/store.h"

#include <ctime>
#include <string>

namespace qv::nfce {

// The band's words (UTF-8) for the configuration file `config_file` and the
// queue of `store` at `now`; empty when there is nothing to say.
std::string band_text(const std::string& config_file, const Store& store, std::time_t now);

namespace detail {
// The words for a queue of `queued` notes whose oldest waits `oldest_seconds`,
// in homologação or not.
std::string band_words(bool homologation, std::size_t queued, long long oldest_seconds);
} // namespace detail

} // namespace qv::nfce
