// The event handlers with the scripted window: Enter as Tab, the total, the
// print check, the logo, the page locks and logins, the fiscal-day buttons.
#include "engine_fixture.h"
#include "tests/support/coupon_desk.h"

#include "driver/fiscal_driver.h"
#include "shared/impfis_block.h"
#include "shared/platform/platform.h"

namespace qv::test {
namespace {

class HandlersTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        write_file(settings_path(), settings_with_operators());
        handlers.on_window_open();
        window.clear_log();
    }
    static std::string settings_with_operators() {
        std::string r = "101000010002000000000";
        for (int n = 1; n <= 40; ++n) {
            if (n == 1)
                r += "MARIA               123456";
            else if (n == 3)
                r += "JOSE                000000";
            else
                r += std::string(20, ' ') + "000000";
        }
        return r;
    }
    bool printed() const {
        for (const std::string& c : calls())
            if (c.starts_with("iCFAbrir_ECF_Daruma")) return true;
        return false;
    }
};

TEST_F(HandlersTest, OpeningLoadsTheSettingsAndTurnsEnterIntoTab) {
    EXPECT_EQ(handlers.enter_as_tab(), 'E');
    EXPECT_EQ(window.list().size(), 2u);
    EXPECT_EQ(window.number(controls::Ed_VALOMAX), Decimal::parse("100,00"));
    EXPECT_EQ(window.number(controls::Ed_PERCREF), Decimal::parse("10,00"));
    EXPECT_EQ(window.number(controls::Ed_PERCBEB), Decimal::parse("20,00"));
    EXPECT_EQ(window.position(controls::Frm_SENHAM), std::make_pair(6, 8));
}

TEST_F(EngineTest, EnterStaysEnterUntilTheWindowHasOpened) {
    EXPECT_EQ(handlers.on_window_key_down(kKeyEnter), kKeyEnter);
    handlers.on_window_open();
    EXPECT_EQ(handlers.on_window_key_down(kKeyEnter), kKeyTab);
    EXPECT_EQ(handlers.on_window_key_down(kKeyTab), kKeyTab);
    EXPECT_EQ(handlers.on_window_key_down(65), 65);
    EXPECT_EQ(handlers.on_window_key_down(kKeyEnter, controls::Ed_VALOREF), kKeyTab);
}

TEST_F(HandlersTest, TotalIsTheExactSumOfBothAmounts) {
    window.type_number(controls::Ed_VALOREF, "10,50");
    window.type_number(controls::Ed_VALOBEB, "4,25");
    handlers.on_Ed_VALOREF_lost_focus();
    EXPECT_EQ(window.number(controls::Ed_VALOTOT), Decimal::parse("14,75"));
    window.type(controls::Ed_VALOBEB, "");
    handlers.on_Ed_VALOBEB_lost_focus();
    EXPECT_EQ(window.number(controls::Ed_VALOTOT), Decimal::parse("10,50"));
    window.type(controls::Ed_VALOREF, "");
    handlers.on_Ed_VALOBEB_lost_focus();
    EXPECT_EQ(window.log_of("set_number").back(), "set_number Ed_VALOTOT 0,0000");
    window.type_number(controls::Ed_VALOREF, "9.999,99");
    window.type_number(controls::Ed_VALOBEB, "9.999,99");
    handlers.on_Ed_VALOREF_lost_focus();
    EXPECT_EQ(window.number(controls::Ed_VALOTOT), Decimal::parse("19.999,98"));
}

struct PrintCase {
    const char* name;
    const char* total;
    const char* maximum;
    const char* typed_release; // Ed_LIBERAC as typed
    const char* release;       // Ed_SENHLIB
    bool prints;
};

class PrintCheckTest : public HandlersTest, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintCheckTest, AboveTheMaximumNeedsTheReleasePassword) {
    const PrintCase& c = GetParam();
    window.list_add(controls::Cb_Operador, "MARIA               - 123456");
    window.choose_entry(0);
    window.type_number(controls::Ed_VALOREF, c.total);
    window.type_number(controls::Ed_VALOTOT, c.total);
    window.type_number(controls::Ed_VALOMAX, c.maximum);
    window.type(controls::Ed_LIBERAC, c.typed_release);
    window.type(controls::Ed_SENHLIB, c.release);
    handlers.on_Bt_Imprime_click();
    EXPECT_EQ(printed(), c.prints);
    if (c.prints) {
        EXPECT_TRUE(window.log_of("message_box").empty());
        EXPECT_EQ(window.text(controls::Ed_LIBERAC), "");
    } else {
        EXPECT_EQ(window.log_of("message_box"),
                  (std::vector<std::string>{"message_box 16 Informe a senha correta para emitir "
                                            "cupom acima do valor permitido !!!"}));
        EXPECT_EQ(window.text(controls::Ed_LIBERAC), c.typed_release);
        EXPECT_EQ(window.number(controls::Ed_VALOTOT), Decimal::parse(c.total));
        EXPECT_TRUE(window.log_of("set_").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintCheckTest,
    ::testing::Values(
        PrintCase{"BelowTheMaximum", "99,99", "100,00", "", "555555", true},
        PrintCase{"EqualToTheMaximum", "100,00", "100,00", "", "555555", true},
        PrintCase{"AboveWithoutPassword", "100,01", "100,00", "", "555555", false},
        PrintCase{"AboveWithWrongPassword", "150,00", "100,00", "555554", "555555", false},
        PrintCase{"AboveWithRightPassword", "150,00", "100,00", "555555", "555555", true},
        PrintCase{"NeverConfiguredPassesWithZeros", "10,00", "0", "", "", true},
        PrintCase{"ZerosAndEmptyAreEqual", "10,00", "0", "000000", "", true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(HandlersTest, EmptyCouponPassesTheCheckAndSendsNothing) {
    handlers.on_Bt_Imprime_click();
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(window.log_of("message_box").empty());
}

TEST_F(HandlersTest, PrintedCouponResetsTheFormButNotThePayment) {
    handlers.on_window_open();
    window.choose_page(2);
    handlers.on_Pst_ORELHAS_click();
    window.choose_entry(0);
    window.type(controls::Ed_SENHA, "123456");
    EXPECT_EQ(handlers.on_window_key_down(kKeyEnter, controls::Ed_SENHA), kKeyConsumed);
    EXPECT_EQ(window.focus(), controls::Ed_VALOREF);
    window.type_number(controls::Ed_VALOREF, "10,00");
    handlers.on_Ed_VALOREF_lost_focus();
    window.type(controls::Ed_DOCUMEN, "12345678909");
    handlers.on_Ed_DOCUMEN_lost_focus();
    window.choose_option(controls::Rbt_Cartao);
    handlers.on_Bt_Imprime_click();
    EXPECT_EQ(calls().back(), call({"iCFEncerrarConfigMsg_ECF_Daruma",
                                    pad(pad("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT", 48) +
                                            "OPERADOR: MARIA               ",
                                        240)}));
    expect_form_reset(window, {controls::Ed_LIBERAC});
    EXPECT_EQ(window.option_value(controls::Rbt_Cartao), -1);
}

TEST_F(HandlersTest, LogoShowsTheHandAndOpensTheMakersSiteMaximised) {
    handlers.on_Img_FUNDO_mouse_move();
    handlers.on_Img_FUNDO_click();
    // On Windows the fixed browser, one blank, the address.
    const std::string browser =
        platform::kWindows
            ? "run_program 3 C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE "
              "www.quiterval.com.br"
            : "run_program 3 xdg-open https://www.quiterval.com.br";
    EXPECT_EQ(window.log(), (std::vector<std::string>{"set_pointer Mao", browser}));
}

// --- page locks and logins -----------------------------------------------------

TEST_F(HandlersTest, PageTwoLocksTheCouponPageEveryTime) {
    window.type(controls::Ed_SENHA, "123456");
    window.type(controls::Ed_LIBERAC, "999");
    window.choose_page(2);
    handlers.on_Pst_ORELHAS_click();
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));
    EXPECT_FALSE(window.visible(controls::Frm_SENHAM));
    EXPECT_EQ(window.text(controls::Ed_SENHA), "");
    EXPECT_EQ(window.text(controls::Ed_LIBERAC), "");
    EXPECT_EQ(window.focus(), controls::Cb_Operador);
}

TEST_F(HandlersTest, PageThreeLocksTheConfiguration) {
    window.type(controls::Ed_SENHAM, "731946");
    window.choose_page(3);
    handlers.on_Pst_ORELHAS_click();
    EXPECT_TRUE(window.visible(controls::Frm_SENHAM));
    EXPECT_FALSE(window.visible(controls::Frm_SENHA));
    EXPECT_EQ(window.text(controls::Ed_SENHAM), "");
    EXPECT_EQ(window.focus(), controls::Ed_SENHAM);
}

TEST_F(HandlersTest, PageOneLocksNothing) {
    window.choose_page(1);
    handlers.on_Pst_ORELHAS_click();
    EXPECT_TRUE(window.log_of("set_").empty());
}

struct Login {
    const char* name;
    int entry; // -1: none chosen
    const char* typed;
    bool unlocks;
};

class LoginTest : public HandlersTest, public ::testing::WithParamInterface<Login> {};

TEST_P(LoginTest, LeavingThePasswordFieldLogsInOrLeavesThePanel) {
    const Login& l = GetParam();
    window.choose_page(2);
    handlers.on_Pst_ORELHAS_click();
    window.choose_entry(l.entry);
    window.type(controls::Ed_SENHA, l.typed);
    window.clear_log();
    handlers.on_Ed_SENHA_lost_focus();
    EXPECT_EQ(window.visible(controls::Frm_SENHA), !l.unlocks);
    EXPECT_EQ(window.focus(), l.unlocks ? controls::Ed_VALOREF : controls::Cb_Operador);
    EXPECT_TRUE(window.log_of("message_box").empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginTest,
                         ::testing::Values(Login{"RightPassword", 0, "123456", true},
                                           Login{"TrailingBlanksAreFine", 0, "123456   ", true},
                                           Login{"BlankDoesNothing", 0, "", false},
                                           Login{"WrongPassword", 0, "123457", false},
                                           Login{"ExtraCharacters", 0, "1234567", false},
                                           Login{"ShortPassword", 0, "12345", false},
                                           Login{"AnotherOperatorsPassword", 0, "000000", false},
                                           Login{"EmptyPasswordCellIsZeros", 1, "000000", true},
                                           Login{"ComparedAsCharactersNotNumbers", 1, "0", false},
                                           Login{"NoEntryChosen", -1, "123456", false},
                                           Login{"NoEntryChosenBlanks", -1, "      x", false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(HandlersTest, EnterInTheLoginFieldLogsInWithoutCarryingTheFocusOn) {
    window.choose_page(2);
    handlers.on_Pst_ORELHAS_click();
    window.choose_entry(0);
    window.type(controls::Ed_SENHA, "111111");
    EXPECT_EQ(handlers.on_window_key_down(kKeyEnter, controls::Ed_SENHA), kKeyTab); // wrong: Tab on
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));
    window.type(controls::Ed_SENHA, "123456");
    EXPECT_EQ(handlers.on_window_key_down(kKeyTab, controls::Ed_SENHA), kKeyConsumed);
    EXPECT_FALSE(window.visible(controls::Frm_SENHA));
    EXPECT_EQ(window.focus(), controls::Ed_VALOREF);
}

struct Master {
    const char* name;
    const char* typed;
    int key;
    bool unlocks;
};

class MasterTest : public HandlersTest, public ::testing::WithParamInterface<Master> {};

TEST_P(MasterTest, EnterOrTabInTheMasterFieldCountsAsLeavingIt) {
    const Master& m = GetParam();
    window.choose_page(3);
    handlers.on_Pst_ORELHAS_click();
    window.type(controls::Ed_SENHAM, m.typed);
    // The panel has no other control: the key is used up either way.
    EXPECT_EQ(handlers.on_window_key_down(m.key, controls::Ed_SENHAM), kKeyConsumed);
    EXPECT_EQ(window.visible(controls::Frm_SENHAM), !m.unlocks);
    EXPECT_EQ(window.focus(), m.unlocks ? controls::Ed_VALOMAX : controls::Ed_SENHAM);
    EXPECT_TRUE(window.log_of("message_box").empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MasterTest,
                         ::testing::Values(Master{"EnterRight", "731946", kKeyEnter, true},
                                           Master{"TabRight", "731946", kKeyTab, true},
                                           Master{"Wrong", "731947", kKeyEnter, false},
                                           Master{"Longer", "7319460", kKeyEnter, false},
                                           Master{"Blank", "", kKeyEnter, false},
                                           Master{"LeadingBlank", " 731946", kKeyTab, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(HandlersTest, LeavingTheMasterFieldByClickUnlocksToo) {
    window.choose_page(3);
    handlers.on_Pst_ORELHAS_click();
    window.type(controls::Ed_SENHAM, "731946");
    handlers.on_Ed_SENHAM_lost_focus();
    EXPECT_FALSE(window.visible(controls::Frm_SENHAM));
    EXPECT_EQ(window.focus(), controls::Ed_VALOMAX);
}

struct Lock {
    std::string_view control;
    bool login_shown;
    bool master_shown;
    bool locked;
};

class LockTest : public ::testing::TestWithParam<Lock> {};

TEST_P(LockTest, ControlUnderAShownPanelIsLocked) {
    const Lock& l = GetParam();
    EXPECT_EQ(is_locked(l.control, l.login_shown, l.master_shown), l.locked) << l.control;
}

INSTANTIATE_TEST_SUITE_P(Panels, LockTest,
                         ::testing::Values(Lock{controls::Ed_VALOREF, true, false, true},
                                           Lock{controls::Bt_Imprime, true, false, true},
                                           Lock{controls::Bt_LEITX1, true, false, true},
                                           Lock{controls::Rbt_Cartao, true, false, true},
                                           Lock{controls::Cb_Operador, true, false, false},
                                           Lock{controls::Ed_SENHA, true, false, false},
                                           Lock{controls::Pst_ORELHAS, true, false, false},
                                           Lock{controls::Bt_REDZ, true, false, false},
                                           Lock{controls::Ed_VALOREF, false, false, false},
                                           Lock{controls::Bt_REDZ, false, true, true},
                                           Lock{controls::Pst_ORELHAS, false, true, true},
                                           Lock{controls::Ed_VALOMAX, false, true, true},
                                           Lock{controls::Cb_Operador, true, true, true},
                                           Lock{controls::Img_FUNDO, false, true, true},
                                           Lock{controls::Ed_SENHAM, false, true, false},
                                           Lock{controls::Ed_SENHAM, true, true, false}));

TEST(LoginEntryCaption, ShowsTheNameOnly) {
    EXPECT_EQ(login_entry_caption("MARIA               - 123456"), "MARIA");
    EXPECT_EQ(login_entry_caption("UM NOME DE VINTE LET - 000001"), "UM NOME DE VINTE LET");
    EXPECT_EQ(login_entry_caption(""), "");
}

// --- fiscal-day buttons --------------------------------------------------------

TEST_F(HandlersTest, XReadingSendsItsCommand) {
    handlers.on_Bt_LEITX_click();
    const std::vector<std::string> sent = calls();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), call({"iLeituraX_ECF_Daruma"}));
    EXPECT_TRUE(window.log_of("message_box").empty());
}

TEST_F(HandlersTest, ZReductionAnsweredNoSendsNothing) {
    window.answer(kAnswerNo);
    handlers.on_Bt_REDZ_click();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(engine.W_RESPOSTA, kAnswerNo);
    EXPECT_EQ(window.log_of("message_box"),
              (std::vector<std::string>{"message_box 292 Deseja realmente fazer a REDUÇÃO Z, a "
                                        "impressora não funcionará mais HOJE ?"}));
    window.answer(2); // the box closed without Yes or No
    handlers.on_Bt_REDZ_click();
    EXPECT_TRUE(calls().empty());
}

TEST_F(HandlersTest, ZReductionAnsweredYesBlanksItsFieldsAndSendsIt) {
    char* block = driver::parameter_block();
    put_text(field(block, impfis::IMPFIS_REDUCAO_1), "XXXXXXXXXX");
    put_text(field(block, impfis::IMPFIS_REDUCAO_2), "YYYYYYYY");
    window.answer(kAnswerYes);
    handlers.on_Bt_REDZ_click();
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           kStartUp, call({"iReducaoZ_ECF_Daruma", "000000", "000000"})}));
    EXPECT_TRUE(is_blank(field(const_cast<const char*>(block), impfis::IMPFIS_REDUCAO_1)));
    EXPECT_TRUE(is_blank(field(const_cast<const char*>(block), impfis::IMPFIS_REDUCAO_2)));
}

TEST_F(HandlersTest, CancelLastCouponSendsItAndLocksTheCouponPageWhateverTheAnswer) {
    script("iCFCancelar_ECF_Daruma 0\n");
    window.type(controls::Ed_VALOREF, "5,00");
    handlers.on_Bt_LEITX1_click();
    EXPECT_EQ(calls(), (std::vector<std::string>{kStartUp, call({"iCFCancelar_ECF_Daruma"})}));
    EXPECT_EQ(window.log_of("message_box"),
              (std::vector<std::string>{"message_box 16 Erro de comunicação!!!"}));
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));
    EXPECT_EQ(window.text(controls::Ed_VALOREF), "");
    EXPECT_EQ(window.focus(), controls::Cb_Operador);
}

// After each fiscal-day button the printer's refusal shows, one stop box a
// text and no question; a success shows nothing.
TEST_F(HandlersTest, FiscalDayButtonsShowWhatThePrinterRefused) {
    const struct {
        const char* name;
        void (FormHandlers::*click)();
        std::vector<int> answers;
        const char* script;
        std::vector<std::string> boxes;
    } cases[] = {
        {"X reading done", &FormHandlers::on_Bt_LEITX_click, {}, "", {}},
        {"X reading refused",
         &FormHandlers::on_Bt_LEITX_click,
         {},
         "iLeituraX_ECF_Daruma -12\nrStatusUltimoCmdInt_ECF_Daruma 1 78\n",
         {"message_box 16 Comando não executado !!!", "message_box 16 CF aberto"}},
        {"Z reduction refused, status unreadable",
         &FormHandlers::on_Bt_REDZ_click,
         {kAnswerYes},
         "iReducaoZ_ECF_Daruma -12\nrStatusUltimoCmdInt_ECF_Daruma -8 0\n",
         {"message_box 16 Comando não executado !!!",
          "message_box 16 Não foi possível ler o estado da impressora"}},
        {"Z reduction off",
         &FormHandlers::on_Bt_REDZ_click,
         {kAnswerYes},
         "iReducaoZ_ECF_Daruma -6\n",
         {"message_box 16 Impressora Desligada!!!   -6"}},
        {"cancel done", &FormHandlers::on_Bt_LEITX1_click, {}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir_ / "script");
        script(c.script);
        for (int a : c.answers)
            window.answer(a);
        (handlers.*c.click)();
        std::vector<std::string> boxes = window.log_of("message_box");
        if (!c.answers.empty()) boxes.erase(boxes.begin()); // the Z reduction's own question
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(window.unanswered(), 0u);
        window.clear_log();
    }
}

} // namespace
} // namespace qv::test
