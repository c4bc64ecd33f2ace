#include "nfce/band.h"

#include "nfce/config.h"

#include <vector>

namespace qv::nfce {

namespace detail {

std::string band_words(bool homologation, std::size_t queued, long long oldest_seconds) {
    if (queued == 0) return homologation ? "NFC-e EM HOMOLOGAÇÃO - SEM VALOR FISCAL" : "";
    // The state takes notes issued offline for 24 hours: past that the
    // band asks for the send. The words fit the band's 40 characters; the
    // age is the oldest note's.
    const long long hours = oldest_seconds / 3600;
    if (hours >= 24) return "CONTINGÊNCIA HÁ MAIS DE 24 h: TRANSMITA";
    const std::string age = hours > 0 ? std::to_string(hours) + " h"
                                      : std::to_string(std::max(0LL, oldest_seconds) / 60) + " min";
    if (homologation)
        return "HOMOLOGAÇÃO - " + std::to_string(queued) + " EM CONTINGÊNCIA HÁ " + age;
    return std::to_string(queued) + " NFC-e EM CONTINGÊNCIA HÁ " + age;
}

} // namespace detail

std::string band_text(const std::string& config_file, const Store& store, std::time_t now) {
    const ConfigResult read = read_config(config_file);
    if (!read.config) return "ERRO NA CONFIGURAÇÃO DA NFC-e";
    const std::vector<QueuedNote> queue = store.ok() ? store.queue() : std::vector<QueuedNote>{};
    const long long oldest = queue.empty() ? 0 : static_cast<long long>(now - queue.front().since);
    return detail::band_words(read.config->environment == Environment::homologation, queue.size(),
                              oldest);
}

} // namespace qv::nfce
