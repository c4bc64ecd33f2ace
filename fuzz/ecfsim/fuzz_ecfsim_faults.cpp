// Any text as the fault file or ECFSIM_FALHAS: parsed or refused with a
// message naming a line; what parses is written back to the same faults,
// and taking faults never goes wrong.
#include "ecfsim/faults.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::ecfsim;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = faults_from_text(text);
    if (auto* bad = std::get_if<LoadError>(&parsed)) {
        if (bad->text.find("linha ") != 0) std::abort();
        return 0;
    }
    FaultList list = std::get<FaultList>(std::move(parsed));
    const std::string written = to_text(list);
    auto again = faults_from_text(written);
    if (!std::holds_alternative<FaultList>(again) || to_text(std::get<FaultList>(again)) != written)
        std::abort();
    for (int i = 0; i < 64 && !list.empty(); ++i)
        list.take(qv::kVendorFunctions[static_cast<std::size_t>(i) % qv::kVendorFunctions.size()]);
    return 0;
}
