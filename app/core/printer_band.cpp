#include "app/core/printer_band.h"

#include "app/core/form_definition.h"
#include "driver/nfce_link.h"
#include "driver/printer_choice.h"
#include "shared/cp1252.h"

namespace qv::form {

PrinterBand printer_band() {
    const driver::LibraryChoice printer = driver::choose_library();
    if (!printer.error.empty())
        return {true, std::string("ERRO NA CONFIGURAÇÃO DA IMPRESSORA"_cp1252)};
    if (printer.nfce) {
        std::string text = driver::nfce_band(driver::nfce_config_file(printer));
        return {!text.empty(), utf8_to_cp1252_lossy(text)};
    }
    return {printer.simulated, std::string(find(controls::CmStatic_SIMULADA1)->caption)};
}

} // namespace qv::form
