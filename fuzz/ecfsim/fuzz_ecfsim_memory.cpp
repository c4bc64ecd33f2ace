// Any text as the memory or settings file: loaded or refused with a message,
// never a crash; a loaded memory is written back to a text that loads to the
// same memory, and the printer can run its commands on it.
#include "ecfsim/memory.h"
#include "ecfsim/printer.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::ecfsim;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto config = config_from_text(text);
    if (auto* c = std::get_if<Config>(&config)) {
        auto again = config_from_text(to_text(*c));
        if (!std::holds_alternative<Config>(again) || !(std::get<Config>(again) == *c))
            std::abort();
    }
    auto loaded = memory_from_text(text);
    if (auto* bad = std::get_if<LoadError>(&loaded)) {
        if (bad->text.empty()) std::abort();
        return 0;
    }
    const FiscalMemory m = std::get<FiscalMemory>(loaded);
    auto again = memory_from_text(to_text(m));
    if (!std::holds_alternative<FiscalMemory>(again) || !(std::get<FiscalMemory>(again) == m))
        std::abort();
    // every command on whatever memory was accepted
    const Config none;
    const Moment now = *parse_moment("2099-12-31 23:59:59");
    const std::string message(240, 'M');
    for (int step = 0; step < 8; ++step) {
        FiscalMemory work = m;
        Printer p(work, none, now);
        switch (step) {
        case 0:
            p.open("123", "", "");
            break;
        case 1:
            p.sell("18,00", "0001000", "00001000", "D%", "0500", "1", "UN", "ITEM");
            break;
        case 2:
            p.total("A%", "1000");
            break;
        case 3:
            p.pay("Dinheiro", "99999999999999");
            break;
        case 4:
            p.close(message.c_str());
            break;
        case 5:
            p.cancel();
            break;
        case 6:
            p.x_reading();
            break;
        default:
            p.z_reduction("000000", "000000");
            break;
        }
    }
    return 0;
}
