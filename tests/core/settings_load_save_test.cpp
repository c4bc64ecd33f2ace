// "ABRAR" and the "GRAVAR" save through the engine: the settings file into
// the configuration controls, the grid and the login list, and back.
#include "engine_fixture.h"
#include "shared/platform/platform.h"

namespace qv::test {
namespace {

const std::string kOpenError = "message_box 16 Erro na abertura do arquivo Quiterval.TOR !!!";
const std::string kReadError = "message_box 16 Erro na leiturado  arquivo Quiterval.TOR !!!";

std::string default_bytes() {
    std::string r = "100000000000000000000";
    for (int n = 0; n < 40; ++n)
        r += std::string(20, ' ') + "000000";
    return r;
}

// A record with its single fields set and operators at the given rows.
std::string record(std::string_view singles,
                   std::initializer_list<std::pair<int, std::string_view>> operators) {
    std::string r = default_bytes();
    r.replace(1, singles.size(), singles);
    for (auto [row, entry] : operators)
        r.replace(21 + 26 * (row - 1), 26, entry);
    return r;
}

class SettingsLoadTest : public EngineTest {
  protected:
    void open() {
        engine.set_action("ABRAR");
        engine.PROC_ECF_01();
    }
};

TEST_F(SettingsLoadTest, FirstStartInAnEmptyFolderCreatesTheDefaultRecord) {
    open();
    EXPECT_EQ(read_file(settings_path()), default_bytes());
    EXPECT_FALSE(window.closed());
    EXPECT_TRUE(window.log_of("message_box").empty());
    for (std::string_view c :
         {controls::Ed_VALOMAX, controls::Ed_PERCREF, controls::Ed_PERCBEB, controls::Ed_SENHLIB})
        EXPECT_EQ(window.number(c), Decimal{}) << c;
    for (int row = 1; row <= 40; ++row) {
        EXPECT_EQ(window.grid_name(row), "");
        EXPECT_EQ(window.grid_password(row), Decimal{});
    }
    EXPECT_TRUE(window.list().empty());
    EXPECT_EQ(window.position(controls::Frm_SENHAM), std::make_pair(6, 8));
    EXPECT_EQ(window.position(controls::Frm_SENHA), std::make_pair(0, 24));
    EXPECT_FALSE(window.visible(controls::Frm_SENHA));
    EXPECT_FALSE(window.visible(controls::Frm_SENHAM));
    EXPECT_EQ(engine.W_CONTADOR, 41);
    EXPECT_EQ(std::string(engine.W_STATUS_TABELAS.data(), 2), "00");
    // Windows has no mode bits; the owner-only access is a security descriptor there.
    if constexpr (!platform::kWindows) {
        std::error_code error;
        const fs::perms perms = fs::status(settings_path(), error).permissions();
        ASSERT_FALSE(error) << error.message();
        EXPECT_EQ(static_cast<unsigned>(perms) & 077, 0u) << "others can read the passwords";
    }
}

TEST_F(SettingsLoadTest, PreparedRecordFillsControlsGridAndLoginListInTableOrder) {
    write_file(settings_path(),
               record("12345612359999123456",
                      {{2, "MARIA               123456"}, {5, "JOSE                000042"}}));
    open();
    EXPECT_EQ(window.number(controls::Ed_VALOMAX), Decimal::parse("1234,56"));
    EXPECT_EQ(window.number(controls::Ed_PERCREF), Decimal::parse("12,35"));
    EXPECT_EQ(window.number(controls::Ed_PERCBEB), Decimal::parse("99,99"));
    EXPECT_EQ(window.number(controls::Ed_SENHLIB), Decimal::parse("123456"));
    EXPECT_EQ(window.grid_name(1), "");
    EXPECT_EQ(window.grid_name(2), "MARIA");
    EXPECT_EQ(window.grid_password(2), Decimal::parse("123456"));
    EXPECT_EQ(window.grid_name(5), "JOSE");
    EXPECT_EQ(window.grid_password(5), Decimal::parse("42"));
    EXPECT_EQ(window.list(), (std::vector<std::string>{"MARIA                - 123456",
                                                       "JOSE                 - 000042"}));
    EXPECT_EQ(window.list()[0].size(), 29u);
    EXPECT_EQ(window.log_of("list_clear").size(), 1u);
}

struct Broken {
    const char* name;
    std::string bytes;
    const char* message;
};

class BrokenFileTest : public SettingsLoadTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenFileTest, IsReportedTheWindowClosesAndTheFileIsUntouched) {
    const Broken& b = GetParam();
    write_file(settings_path(), b.bytes);
    open();
    EXPECT_EQ(window.log_of("message_box"), (std::vector<std::string>{b.message}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(read_file(settings_path()), b.bytes);
    EXPECT_TRUE(window.log_of("set_number").empty());
    EXPECT_TRUE(window.log_of("list_").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenFileTest,
    ::testing::Values(Broken{"Empty", "", kReadError.c_str()},
                      Broken{"Short", default_bytes().substr(0, 1060), kReadError.c_str()},
                      Broken{"Long", default_bytes() + "1", kReadError.c_str()},
                      Broken{"KeyTwo", "2" + default_bytes().substr(1), kReadError.c_str()},
                      Broken{"LettersInTheMaximum", record("ABCDEF", {}), kReadError.c_str()},
                      Broken{"BlankOperatorPassword",
                             record("", {{3, "ANA                       "}}), kReadError.c_str()}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsLoadTest, SomethingThatIsNotAFileIsAnOpeningError) {
    fs::create_directory(settings_path());
    open();
    EXPECT_EQ(window.log_of("message_box"), (std::vector<std::string>{kOpenError}));
    EXPECT_TRUE(window.closed());
}

TEST_F(SettingsLoadTest, FileThatCannotBeCreatedIsAnOpeningErrorNotALoop) {
    if constexpr (platform::kWindows)
        GTEST_SKIP() << "Windows cannot remove a process's working folder (the vanished folder)";
    // The folder vanishes under the program: nothing can be created in it.
    fs::path gone = dir_ / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    open();
    fs::current_path(dir_);
    EXPECT_EQ(window.log_of("message_box"), (std::vector<std::string>{kOpenError}));
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(window.log_of("set_position Frm_SENHA ").size(), 1u);
}

// --- the save ----------------------------------------------------------------

class SettingsSaveTest : public SettingsLoadTest {};

TEST_F(SettingsSaveTest, SaveRoundTripsAndCutsEachFieldToItsWidth) {
    open();
    window.put_number(controls::Ed_VALOMAX, *Decimal::parse("12.345,6789")); // 4 + 2 digits kept
    window.put_number(controls::Ed_PERCREF, *Decimal::parse("123,456"));     // 2 + 2
    window.put_number(controls::Ed_PERCBEB, *Decimal::parse("7,5"));
    window.put_number(controls::Ed_SENHLIB, *Decimal::parse("1234567")); // last 6
    window.put_grid(1, "UM NOME BEM MAIS LONGO QUE VINTE", *Decimal::parse("1234567"));
    window.put_grid(2, cp("JOÃO"), *Decimal::parse("-42")); // no sign
    window.put_grid(3, "SEM SENHA", Decimal{});
    window.put_grid(40, "ULTIMO", *Decimal::parse("999999,99"));
    handlers.on_Bt_REDZ1_click();
    EXPECT_TRUE(window.closed());
    const std::string expected =
        record("23456723450750234567", {{1, "UM NOME BEM MAIS LON234567"},
                                        {2, cp("JOÃO                000042")},
                                        {3, "SEM SENHA           000000"},
                                        {40, "ULTIMO              999999"}});
    EXPECT_EQ(read_file(settings_path()), expected);

    // The next start shows the saved values.
    ScriptedWindow next;
    CouponEngine next_engine(next);
    next_engine.set_action("ABRAR");
    next_engine.PROC_ECF_01();
    EXPECT_EQ(next.number(controls::Ed_VALOMAX), Decimal::parse("2345,67"));
    EXPECT_EQ(next.number(controls::Ed_PERCREF), Decimal::parse("23,45"));
    EXPECT_EQ(next.number(controls::Ed_PERCBEB), Decimal::parse("7,50"));
    EXPECT_EQ(next.number(controls::Ed_SENHLIB), Decimal::parse("234567"));
    EXPECT_EQ(next.list(), (std::vector<std::string>{
                               "UM NOME BEM MAIS LON - 234567", cp("JOÃO                 - 000042"),
                               "SEM SENHA            - 000000", "ULTIMO               - 999999"}));
}

TEST_F(SettingsSaveTest, EveryNameBlankLeavesTheLoginListEmptyNextTime) {
    write_file(settings_path(), record("", {{1, "ANA                 000001"}}));
    open();
    window.put_grid(1, "", Decimal::parse("1").value());
    handlers.on_Bt_REDZ1_click();
    ScriptedWindow next;
    CouponEngine next_engine(next);
    next_engine.set_action("ABRAR");
    next_engine.PROC_ECF_01();
    EXPECT_TRUE(next.list().empty());
    EXPECT_EQ(next.grid_password(1), Decimal::parse("1"));
}

TEST_F(SettingsSaveTest, FailedSaveIsToldKeepsTheWindowTheEditsAndTheOldFile) {
    write_file(settings_path(), record("", {{1, "ANA                 000001"}}));
    open();
    window.put_grid(1, "BEATRIZ", Decimal::parse("2").value());
    // The file turns into a folder: nothing can be renamed over it.
    fs::remove(settings_path());
    fs::create_directory(settings_path());
    handlers.on_Bt_REDZ1_click();
    EXPECT_FALSE(window.closed());
    EXPECT_EQ(window.log_of("message_box"),
              (std::vector<std::string>{
                  "message_box 16 Erro na gravação do arquivo Quiterval.TOR !!! As alterações "
                  "não foram salvas; verifique espaço em disco e permissões."}));
    EXPECT_EQ(window.grid_name(1), "BEATRIZ");
    EXPECT_TRUE(fs::is_directory(settings_path()));
    // Once the obstacle is gone, the same edits save.
    fs::remove(settings_path());
    handlers.on_Bt_REDZ1_click();
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(read_file(settings_path()), record("", {{1, "BEATRIZ             000002"}}));
}

TEST_F(SettingsSaveTest, UnchangedSaveStillEndsTheProgram) {
    open();
    handlers.on_Bt_REDZ1_click();
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(read_file(settings_path()), default_bytes());
}

} // namespace
} // namespace qv::test
