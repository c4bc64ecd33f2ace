// Which library the driver binds, and what a caller sees when the library or
// one of its functions cannot be bound.
#include "driver/vendor_library.h"
#include "driver_fixture.h"
#include "shared/cp1252.h"
#include "shared/platform/platform.h"
#include "tests/support/binary_headers.h"

namespace qv::driver::test {
namespace {

using Binding_ = DriverTest;

TEST_F(Binding_, MissingLibraryFailsEveryCommandNamingIt) {
    const std::string missing = "/sem/impressora/libnada.so";
    set_env("QUITERVAL_ECF_LIBRARY", missing);
    for (const char* command : {"ABRE-CUPOM", "LEITURAX", "CANC-CUPOM", "NADA"}) {
        SCOPED_TRACE(command);
        for (const FieldSpec& f : kResults)
            put(f, "");
        run(command);
        EXPECT_EQ(get(IMPFIS_MSG_1),
                  pad("Biblioteca da impressora não carregada: "_cp1252 + missing, 100));
        EXPECT_EQ(retorno(), 0);
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
    }
}

TEST_F(Binding_, LongLibraryPathKeepsItsEnd) {
    const std::string missing = (dir_ / (std::string(120, 'x') + "/libnada.so")).string();
    set_env("QUITERVAL_ECF_LIBRARY", missing);
    run("CANC-CUPOM");
    const std::string msg = get(IMPFIS_MSG_1);
    const std::string head = "Biblioteca da impressora não carregada: ..."_cp1252;
    EXPECT_EQ(msg.substr(0, head.size()), head);
    EXPECT_EQ(msg.substr(100 - 11), "/libnada.so");
}

// A library of the other word size cannot load into this program: the
// message names both sizes, so the technician fetches the vendor's other
// build (or installs the other Quiterval) instead of hunting for the file.
// A long path is cut at its start; the texts around it stay whole.
TEST_F(Binding_, LibraryOfTheOtherSizeNamesBothSizes) {
    using platform::kProgramBits;
    const std::string head =
        "Biblioteca da impressora de " + std::to_string(kProgramBits == 64 ? 32 : 64) + " bits (";
    const std::string tail =
        "); este Quiterval é de "_cp1252 + std::to_string(kProgramBits) + " bits";
    for (const std::string& name :
         {std::string("i.dll"), std::string(90, 'x') + "/impressora.dll"}) {
        SCOPED_TRACE(name);
        const fs::path library = dir_ / name;
        fs::create_directories(library.parent_path());
        write_file(library, qv::test::other_size_library(platform::kWindows, kProgramBits));
        set_env("QUITERVAL_ECF_LIBRARY", library);
        run("ABRE-CUPOM");
        const std::string path = utf8(library);
        const std::size_t room = 100 - head.size() - tail.size();
        const std::string shown =
            path.size() <= room ? path : "..." + path.substr(path.size() - (room - 3));
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(head + shown + tail, 100));
        EXPECT_EQ(retorno(), 0);
    }
    // The long path was cut to fit, and still ends with the file's name.
    const std::string message = get(IMPFIS_MSG_1);
    EXPECT_EQ(message.substr(0, head.size() + 3), head + "...");
    EXPECT_EQ(message.substr(100 - tail.size() - 14), "impressora.dll" + tail);
}

// A file of this program's own size that still does not load (a broken
// file) is not called a size mismatch.
TEST_F(Binding_, BrokenLibraryOfThisSizeIsNotLoaded) {
    const fs::path library = dir_ / "quebrada.dll";
    write_file(library,
               platform::kWindows
                   ? qv::test::pe_header(platform::kProgramBits == 64 ? qv::test::kMachineAmd64
                                                                      : qv::test::kMachineI386)
                   : qv::test::elf_header(platform::kProgramBits == 64 ? 2 : 1));
    set_env("QUITERVAL_ECF_LIBRARY", library);
    run("ABRE-CUPOM");
    std::string message = get(IMPFIS_MSG_1);
    message.erase(message.find_last_not_of(' ') + 1);
    EXPECT_TRUE(message.starts_with("Biblioteca da impressora não carregada: "_cp1252)) << message;
    EXPECT_TRUE(message.ends_with("quebrada.dll")) << message;
}

TEST_F(Binding_, MissingFunctionFailsTheCommandNamingIt) {
    set_env("QUITERVAL_ECF_LIBRARY", PARTIAL_VENDOR_PATH);
    struct Case {
        const char* command;
        const char* function;
        std::int32_t retorno;
    };
    for (const Case& c : {
             Case{"ABRE-CUPOM", "iCFAbrir_ECF_Daruma", 0},
             Case{"VENDE-ITEM", "iCFVender_ECF_Daruma", 0},
             // The later calls succeed; the missing port search still fails it.
             Case{"LEITURAX", "eBuscarPortaVelocidade_ECF_Daruma", 1},
             // Refused, and the status query is missing.
             Case{"CANC-CUPOM", "rStatusUltimoCmdInt_ECF_Daruma", -12},
         }) {
        SCOPED_TRACE(c.command);
        run(c.command);
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(std::string("Função "_cp1252) + c.function +
                                             " ausente na biblioteca da impressora",
                                         100));
        EXPECT_EQ(retorno(), c.retorno);
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
    }
    EXPECT_FALSE(fs::exists(log_file()));
}

TEST_F(Binding_, ChangedLibraryPathIsLoadedAnew) {
    run("CANC-CUPOM");
    EXPECT_EQ(calls().size(), 2u);
    EXPECT_TRUE(all_results_blank());

    set_env("QUITERVAL_ECF_LIBRARY", PARTIAL_VENDOR_PATH);
    forget_calls();
    run("ABRE-CUPOM");
    EXPECT_TRUE(calls().empty()); // the recorder was not called
    EXPECT_FALSE(all_results_blank());

    set_env("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH);
    run("ABRE-CUPOM");
    EXPECT_EQ(calls().size(), 2u);
    EXPECT_TRUE(all_results_blank());
}

TEST_F(Binding_, LibraryPathComesFromTheEnvironmentOrTheExecutableFolder) {
    EXPECT_EQ(library_path(), ECF_RECORDER_PATH);
    unset_env("QUITERVAL_ECF_LIBRARY");
    const std::string exe_folder = platform::executable_folder();
    EXPECT_EQ(fs::path(exe_folder), fs::path(TEST_BINARY_DIR));
    EXPECT_EQ(fs::path(library_path()).filename(), kDefaultLibraryFile);
    EXPECT_EQ(fs::path(library_path()).parent_path(), fs::path(exe_folder));
}

} // namespace
} // namespace qv::driver::test
