// The printer library chosen by the variable, the user's file, the system's
// file or, with nothing chosen, the simulated printer; and the configuration
// files that cannot be used.
#include "driver/printer_choice.h"
#include "shared/platform/platform.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace qv::driver::test {
namespace {

namespace fs = std::filesystem;
using qv::test::write_file;

// Absolute paths of each system: TEST_ROOT (given by the build) is the drive
// before the root on Windows, nothing on POSIX.
#define TEST_SIMULATOR_FILE QV_SHARED_LIBRARY_FILE("quiterval-ecfsim")

constexpr const char* kSimulator = TEST_ROOT "/opt/qv/lib/" TEST_SIMULATOR_FILE;

struct Case {
    const char* name;
    const char* variable;
    const char* user;   // the user's file; nullptr: there is none
    const char* system; // the system's file; nullptr: there is none
    ChoiceSource source;
    const char* path; // the library chosen; "" on an error
    bool simulated;
    const char* error;    // the start of the error; "" when none
    const char* at_fault; // "user" or "system": the file named by the error
};

class Choice : public ::testing::TestWithParam<Case> {
  protected:
    qv::test::ScratchFolder scratch_{"qv-choice"};
    fs::path dir_ = scratch_.path();
};

TEST_P(Choice, TakesTheFirstThatNamesALibrary) {
    const Case& c = GetParam();
    ChoicePlaces places{c.variable, (dir_ / "user.conf").string(), (dir_ / "system.conf").string(),
                        kSimulator};
    if (c.user != nullptr) write_file(places.user_file, c.user);
    if (c.system != nullptr) write_file(places.system_file, c.system);

    const LibraryChoice got = choose_library(places);
    EXPECT_EQ(got.path, c.path);
    EXPECT_EQ(got.simulated, c.simulated);
    if (*c.error == '\0') {
        EXPECT_EQ(got.error, "");
        EXPECT_EQ(got.source, c.source);
        EXPECT_NE(describe(got).find(got.path), std::string::npos) << describe(got);
    } else {
        EXPECT_EQ(got.error.rfind(c.error, 0), 0u) << got.error;
        const std::string& named =
            std::string(c.at_fault) == "user" ? places.user_file : places.system_file;
        EXPECT_EQ(got.file, named);
        EXPECT_EQ(describe(got), got.error + named);
    }
}

const char* const kVendor = "biblioteca=" TEST_ROOT "/opt/fabricante/libecf.so\n";
const char* const kOther = "biblioteca=" TEST_ROOT "/opt/outra/libecf.so\n";
const char* const kLine = "Configuração da impressora inválida na linha ";

INSTANTIATE_TEST_SUITE_P(
    Printer, Choice,
    ::testing::Values(
        Case{"NothingChosenIsTheSimulator", "", nullptr, nullptr, ChoiceSource::nothing_chosen,
             kSimulator, true, "", ""},
        Case{"VariableWinsOverBothFiles", TEST_ROOT "/v/libecf.so", kVendor, kOther,
             ChoiceSource::variable, TEST_ROOT "/v/libecf.so", false, "", ""},
        Case{"VariableWinsOverAFileAtFault", TEST_ROOT "/v/libecf.so", "lixo\n", nullptr,
             ChoiceSource::variable, TEST_ROOT "/v/libecf.so", false, "", ""},
        Case{"VariableNamingTheSimulatorIsTraining", TEST_ROOT "/b/" TEST_SIMULATOR_FILE, nullptr,
             nullptr, ChoiceSource::variable, TEST_ROOT "/b/" TEST_SIMULATOR_FILE, true, "", ""},
        Case{"UserFileWinsOverSystemFile", "", kVendor, kOther, ChoiceSource::user_file,
             TEST_ROOT "/opt/fabricante/libecf.so", false, "", ""},
        Case{"SystemFileWithoutAUserFile", "", nullptr, kOther, ChoiceSource::system_file,
             TEST_ROOT "/opt/outra/libecf.so", false, "", ""},
        Case{"UserFileOfCommentsOnlyLeavesItToTheSystem", "",
             "# biblioteca=" TEST_ROOT "/opt/x.so\n\n   \n", kOther, ChoiceSource::system_file,
             TEST_ROOT "/opt/outra/libecf.so", false, "", ""},
        Case{"SimulatorChosenByName", "", nullptr, "# treinamento\nbiblioteca=simulada\n",
             ChoiceSource::system_file, kSimulator, true, "", ""},
        Case{"BlanksAndWindowsLineEndsAreAccepted", "",
             " biblioteca = " TEST_ROOT "/opt/a b/libecf.so \r\n", nullptr, ChoiceSource::user_file,
             TEST_ROOT "/opt/a b/libecf.so", false, "", ""},
        Case{"ByteOrderMarkOfANotepadFile", "",
             "\xEF\xBB\xBF# impressora\r\nbiblioteca=" TEST_ROOT "/opt/x.so\r\n", nullptr,
             ChoiceSource::user_file, TEST_ROOT "/opt/x.so", false, "", ""},
        Case{"ByteOrderMarkOnlyAtTheStart", "", "#\n\xEF\xBB\xBF biblioteca=simulada\n", nullptr,
             ChoiceSource::nothing_chosen, "", false, kLine, "user"},
        Case{"LastLineWithoutLineEnd", "", "#\nbiblioteca=" TEST_ROOT "/opt/x.so", nullptr,
             ChoiceSource::user_file, TEST_ROOT "/opt/x.so", false, "", ""},
        Case{"LineWithoutEquals", "", "#\nbiblioteca /opt/x.so\n", kOther,
             ChoiceSource::nothing_chosen, "", false, kLine, "user"},
        Case{"UnknownKey", "", nullptr, "impressora=/opt/x.so\n", ChoiceSource::nothing_chosen, "",
             false, kLine, "system"},
        Case{"EmptyValue", "", "biblioteca=\n", nullptr, ChoiceSource::nothing_chosen, "", false,
             kLine, "user"},
        Case{"RelativePath", "", "biblioteca=libecf.so\n", nullptr, ChoiceSource::nothing_chosen,
             "", false, kLine, "user"},
        Case{"TwoLibraries", "",
             "biblioteca=" TEST_ROOT "/a.so\n#\nbiblioteca=" TEST_ROOT "/b.so\n", nullptr,
             ChoiceSource::nothing_chosen, "", false,
             "Configuração da impressora inválida na linha 3: ", "user"},
        Case{"UserFileAtFaultIsNotSkipped", "", "biblioteca=simulado\n", kOther,
             ChoiceSource::nothing_chosen, "", false, kLine, "user"}),
    [](const auto& p) { return std::string(p.param.name); });

// A file that is there but cannot be read (a folder in its place, which no
// user can read as a file, root included) is an error, not "nothing chosen".
TEST(ChoiceFiles, UnreadableFileIsAnErrorNamingIt) {
    const qv::test::ScratchFolder scratch("qv-choice-dir");
    const fs::path& dir = scratch.path();
    fs::create_directories(dir / "impressora.conf");
    for (const bool user : {true, false}) {
        ChoicePlaces places{"", user ? (dir / "impressora.conf").string() : "",
                            user ? "" : (dir / "impressora.conf").string(), kSimulator};
        const LibraryChoice got = choose_library(places);
        EXPECT_EQ(got.path, "");
        EXPECT_FALSE(got.simulated);
        EXPECT_EQ(got.error, "Arquivo de configuração da impressora ilegível: ");
        EXPECT_EQ(got.file, (dir / "impressora.conf").string());
    }
    // A file too large to be a configuration file.
    const fs::path big = dir / "grande.conf";
    write_file(big, std::string(100 * 1024, '#'));
    EXPECT_NE(choose_library({"", big.string(), "", kSimulator}).error, "");
}

} // namespace
} // namespace qv::driver::test

namespace qv::driver::test {
namespace {

// biblioteca=nfce chooses no library but the NFC-e back end, configured by
// the nfce.conf beside the file that chose it.
TEST(NfceChoice, ChoosesTheBackEndAndItsConfigurationBesideTheChoice) {
    const qv::test::ScratchFolder scratch("qv-choice-nfce");
    const fs::path& dir = scratch.path();
    qv::test::EnvGuard conf("NFCE_CONF");
    qv::test::unset_env("NFCE_CONF");
    const std::string user = (dir / "u" / "impressora.conf").string();
    const std::string system = (dir / "s" / "impressora.conf").string();
    fs::create_directories(dir / "u");
    fs::create_directories(dir / "s");
    write_file(user, "# NFC-e\r\nbiblioteca = nfce\r\n");
    write_file(system, "biblioteca=nfce\n");
    struct Row {
        ChoicePlaces places;
        ChoiceSource source;
        std::string config;
    } rows[] = {
        {{"", user, system, kSimulator},
         ChoiceSource::user_file,
         (dir / "u" / "nfce.conf").string()},
        {{"", "", system, kSimulator},
         ChoiceSource::system_file,
         (dir / "s" / "nfce.conf").string()},
        // The variable has no folder: beside the user's file, where it would be.
        {{"nfce", user, system, kSimulator}, ChoiceSource::variable, ""},
    };
    for (const Row& row : rows) {
        const LibraryChoice got = choose_library(row.places);
        EXPECT_TRUE(got.nfce) << row.places.variable;
        EXPECT_FALSE(got.simulated);
        EXPECT_EQ(got.path, "");
        EXPECT_EQ(got.error, "");
        EXPECT_EQ(got.source, row.source);
        if (!row.config.empty()) {
            EXPECT_EQ(nfce_config_file(got), row.config);
            EXPECT_EQ(describe(got), "Impressora: NFC-e, configurada em " + row.config +
                                         " (escolhida em " + got.file + ")");
        } else {
            EXPECT_EQ(platform::file_name_of(nfce_config_file(got)), "nfce.conf");
        }
    }
    // NFCE_CONF names the file wherever the choice was made.
    qv::test::set_env("NFCE_CONF", (dir / "outro.conf").string());
    EXPECT_EQ(nfce_config_file(choose_library(rows[0].places)), (dir / "outro.conf").string());
    // "nfce" is a word of its own: a library of that name is still a path.
    write_file(user, "biblioteca=nfce2\n");
    EXPECT_NE(choose_library(rows[0].places).error, "");
}

} // namespace
} // namespace qv::driver::test
