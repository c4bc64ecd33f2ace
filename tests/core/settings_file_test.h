// What the settings file's tests share, in the portable file and in each
// system's own: the fixture, the records they write, and the save that a
// killed-save test stops at one of its stages.
#pragma once

#include "engine_fixture.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace qv::test {

// The default record, spelled out byte for byte.
inline std::string default_bytes() {
    std::string r = "100000000000000000000";
    for (int n = 0; n < 40; ++n)
        r += std::string(20, ' ') + "000000";
    return r;
}

inline settings::Record record_of(const std::string& bytes) {
    settings::Record r{};
    std::copy_n(bytes.begin(), r.size(), r.begin());
    return r;
}

// The default record with `what` written at `at`.
inline std::string with(std::size_t at, std::string_view what) {
    std::string b = default_bytes();
    b.replace(at, what.size(), what);
    return b;
}

// The file a save replaces, and the record it saves.
inline std::string old_bytes() {
    return with(21, "ANTIGO              111111");
}
inline std::string new_bytes() {
    return with(21, "NOVO                222222");
}

class SettingsFileTest : public EngineTest {};

struct Stage {
    const char* name;
    settings::SaveStage stage;
    bool new_file_in_place;
};

inline constexpr Stage kStages[] = {
    {"AfterCreating", settings::SaveStage::created, false},
    {"HalfWritten", settings::SaveStage::half_written, false},
    {"Written", settings::SaveStage::written, false},
    {"Flushed", settings::SaveStage::flushed, false},
    {"Renamed", settings::SaveStage::renamed, true},
};

// Saves new_bytes() into the settings file of the working folder and kills
// this process when the save reaches `stage`.
[[noreturn]] void die_at(settings::SaveStage stage);

// Runs die_at(stage.stage) in a process of its own, in this process's
// working folder; a test failure unless the process was killed. Each
// system starts that process its own way.
void save_killed_at(const Stage& stage);

} // namespace qv::test
