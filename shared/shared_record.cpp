#include "shared/shared_record.h"

#include "shared/platform/platform.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

struct Record {
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

// One registry per process: this library is loaded once, whichever module
// (the program or libtorlib.so) binds first. The records are never freed, so
// a pointer handed out stays valid until the process ends.
struct Registry {
    std::mutex lock;
    std::map<std::string, Record, std::less<>> records;
};

// An address inside this library, to name it to the system.
const char kThisLibrary = 0;

Registry& registry() {
    // The library stays loaded until the process ends, however often the
    // modules that load it free it: else a reload would come back with an
    // empty registry and every record lost.
    [[maybe_unused]] static const bool pinned = qv::platform::pin_module_of(&kThisLibrary);
    static auto* r = new Registry; // deliberately leaked: outlives static destructors
    return *r;
}

} // namespace

// Nothing thrown inside may reach the C caller: a record that cannot be
// made (no memory, a lock that fails) is answered as no record.
extern "C" __attribute__((visibility("default"))) char* bind_shared_record(const char* name,
                                                                           size_t size) {
    if (name == nullptr || *name == '\0' || size == 0) return nullptr;
    try {
        auto& reg = registry();
        std::lock_guard<std::mutex> guard(reg.lock);
        auto it = reg.records.find(std::string_view(name));
        if (it != reg.records.end())
            return it->second.size == size ? it->second.bytes.get() : nullptr;
        Record rec{size, std::make_unique<char[]>(size)};
        std::memset(rec.bytes.get(), ' ', size);
        char* storage = rec.bytes.get();
        reg.records.emplace(std::string(name), std::move(rec));
        return storage;
    } catch (...) {
        return nullptr;
    }
}
