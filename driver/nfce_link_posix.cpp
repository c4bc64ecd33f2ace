// Linux builds carry the NFC-e back end.
#include "driver/nfce_link.h"

#include "nfce/band.h"
#include "nfce/record.h"

#include <ctime>

namespace qv::driver {

void run_nfce(char* rec, const std::string& config_file) {
    nfce::run_record(rec, config_file);
}

std::string nfce_band(const std::string& config_file) {
    const nfce::Store store(nfce::Store::default_folder());
    return nfce::band_text(config_file, store, std::time(nullptr));
}

} // namespace qv::driver
