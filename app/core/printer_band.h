// The red band of the title and login pages: what the till's printer means
// for the notes it issues. Both windows show these words as they stand.
#pragma once

#include <string>

namespace qv::form {

struct PrinterBand {
    bool shown = false;
    std::string text; // Windows-1252, as the form's captions
};

// The band for the printer choice of this process, as it stands now.
PrinterBand printer_band();

} // namespace qv::form
