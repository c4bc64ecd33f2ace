// Which library the driver binds, and what a caller sees when the library or
// one of its functions cannot be bound.
#include "driver/vendor_library.h"
#include "driver_fixture.h"
#include "shared/cp1252.h"
#include "shared/platform/platform.h"

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
