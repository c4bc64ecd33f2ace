// Every driver command: the vendor calls it makes, their argument bytes, the
// tax code written back, and the mapping of return values to messages.
#include "driver_fixture.h"
#include "shared/cp1252.h"

#include <functional>

namespace qv::driver::test {
namespace {

using Calls = std::vector<std::string>;

class Commands : public DriverTest {
  public:
    // A typical meal item, as the coupon engine writes it.
    void put_item() {
        put(IMPFIS_COD_ITEM, "0000000000001");
        put(IMPFIS_DESCRICAO, "REFEICAO");
        put(IMPFIS_UNIDADE, "  ");
        put(IMPFIS_ALIQUOTA, "18,00");
        put(IMPFIS_RESERVA_1, "F");
        put(IMPFIS_QUANTIDADE, "0001000");
        put_int32le(field(rec_, IMPFIS_RESERVA_2), 2);
        put(IMPFIS_PRECO_UNIT, "00010000");
        put(IMPFIS_RESERVA_4, "00");
        put(IMPFIS_DESC_ITEM, "00");
    }
};

const std::string kRounding = call({"regAlterarValor_Daruma", "ECF\\x5CArredondarTruncar", "T"});

std::string item(std::string_view tax, std::string_view qty, std::string_view price,
                 std::string_view discount, std::string_view code, std::string_view unit,
                 std::string_view description) {
    return call({"iCFVender_ECF_Daruma", tax, qty, price, "D%", discount, code, unit, description});
}

TEST_F(Commands, EachCommandMakesExactlyItsVendorCalls) {
    struct Case {
        const char* what;
        std::string command;
        std::function<void(Commands&)> fill;
        Calls want; // after the start-up call
    };
    const std::string refeicao = pad("REFEICAO", 29);
    const std::string message =
        "Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT OPERADOR: JOÃO"_cp1252;
    const std::string message_sent =
        "Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT OPERADOR: JO\\xC3O" +
        std::string(240 - message.size(), ' ');
    const std::vector<Case> cases = {
        {"CPF of 11 digits goes out as 20 characters, then two empty texts",
         "ABRE-CUPOM",
         [](Commands& t) { t.put(IMPFIS_DOCUMENTO, "12345678901"); },
         {call({"iCFAbrir_ECF_Daruma", "12345678901         ", "", ""})}},
        {"only the first 20 characters of the document",
         "ABRE-CUPOM",
         [](Commands& t) { t.put(IMPFIS_DOCUMENTO, "12.345.678/0001-95 ABCDEFGHIJ"); },
         {call({"iCFAbrir_ECF_Daruma", "12.345.678/0001-95 A", "", ""})}},
        {"item with a rate, blank unit and no discount",
         "VENDE-ITEM",
         [](Commands& t) { t.put_item(); },
         {kRounding,
          item("18,00", "0001000", "00010000", "0000", "0000000000001", "UN", refeicao)}},
        {"item with its own unit, a discount and accents",
         "VENDE-ITEM",
         [](Commands& t) {
             t.put_item();
             t.put(IMPFIS_UNIDADE, "KG");
             t.put(IMPFIS_DESC_ITEM, "10");
             t.put(IMPFIS_DESCRICAO, "REFEIÇÃO"_cp1252);
         },
         {kRounding, item("18,00", "0001000", "00010000", "1000", "0000000000001", "KG",
                          "REFEI\\xC7\\xC3O" + std::string(21, ' '))}},
        {"last digits passed by their low four bits",
         "VENDE-ITEM",
         [](Commands& t) {
             t.put_item();
             t.put(IMPFIS_QUANTIDADE, "000100p");
             t.put(IMPFIS_PRECO_UNIT, "0001000 ");
             t.put(IMPFIS_COD_ITEM, "000000000000A");
             t.put(IMPFIS_DESC_ITEM, "1 ");
         },
         {kRounding,
          item("18,00", "0001000", "00010000", "1000", "0000000000001", "UN", refeicao)}},
        {"totalling with a discount in money",
         "INI-FCTO-CPOM",
         [](Commands& t) {
             t.put(IMPFIS_TIPO_DESC, "D");
             t.put(IMPFIS_MODO_DESC, "$");
             t.put(IMPFIS_VALOR_DESC, "00000000000000");
         },
         {call({"iCFTotalizarCupom_ECF_Daruma", "D$", "00000000000000"})}},
        {"cash payment",
         "EFET-FORM-PAGTO",
         [](Commands& t) {
             t.put(IMPFIS_FORMA_PAGTO, "Dinheiro");
             t.put(IMPFIS_VALOR_PAGTO, "00000000015000");
         },
         {call({"iCFEfetuarPagamentoFormatado_ECF_Daruma", "Dinheiro", "00000000015000"})}},
        {"cheque payment",
         "EFET-FORM-PAGTO",
         [](Commands& t) {
             t.put(IMPFIS_FORMA_PAGTO, "Cheque");
             t.put(IMPFIS_VALOR_PAGTO, "00000000000001");
         },
         {call({"iCFEfetuarPagamentoFormatado_ECF_Daruma", "Cheque", "00000000000001"})}},
        {"card payment",
         "EFET-FORM-PAGTO",
         [](Commands& t) {
             t.put(IMPFIS_FORMA_PAGTO, "Cartao");
             t.put(IMPFIS_VALOR_PAGTO, "99999999999999");
         },
         {call({"iCFEfetuarPagamentoFormatado_ECF_Daruma", "Cartao", "99999999999999"})}},
        {"closing sends all 240 characters of the message",
         "TERM-FECTO-CUPOM",
         [&](Commands& t) { t.put(IMPFIS_MENSAGEM, message); },
         {call({"iCFEncerrarConfigMsg_ECF_Daruma", message_sent})}},
        {"cancel", "CANC-CUPOM", [](Commands&) {}, {call({"iCFCancelar_ECF_Daruma"})}},
        {"Z reduction ignores its two record fields",
         "REDUCAOZ",
         [](Commands& t) {
             t.put(IMPFIS_REDUCAO_1, "1234567890");
             t.put(IMPFIS_REDUCAO_2, "12345678");
         },
         {call({"iReducaoZ_ECF_Daruma", "000000", "000000"})}},
        {"X reading re-applies the settings first",
         "LEITURAX",
         [](Commands&) {},
         {call({"eBuscarPortaVelocidade_ECF_Daruma"}),
          call({"regAlterarValor_Daruma", "START\\x5CLocalArquivos", "C:\\x5CDARUMA\\x5C"}),
          call({"regAlterarValor_Daruma", "START\\x5CLocalArquivosRelatorios",
                "C:\\x5CDARUMA\\x5C"}),
          call({"regAlterarValor_Daruma", "ECF\\x5CMensagemApl1", std::string(42, ' ')}),
          call({"regAlterarValor_Daruma", "ECF\\x5CMensagemApl2",
                "       *** www.quiterval.com.br ***       "}),
          call({"iLeituraX_ECF_Daruma"})}},
        {"leading space: unrecognised", " LEITURAX", [](Commands&) {}, {}},
        {"lower case: unrecognised", "leiturax", [](Commands&) {}, {}},
        {"followed by more than spaces: unrecognised", "LEITURAX X", [](Commands&) {}, {}},
        {"a longer name: unrecognised", "ABRE-CUPOMX", [](Commands&) {}, {}},
        {"blank command: unrecognised", "", [](Commands&) {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        forget_calls();
        std::fill(rec_, rec_ + kSize, ' ');
        c.fill(*this);
        run(c.command);
        Calls want = {kStartUp};
        want.insert(want.end(), c.want.begin(), c.want.end());
        EXPECT_EQ(calls(), want);
        EXPECT_TRUE(all_results_blank());
        EXPECT_EQ(retorno(), 1);
    }
}

TEST_F(Commands, UnknownPaymentMethodMakesNoCallAndFails) {
    // No payment reached the printer, so the caller must not read success.
    for (const char* method : {"cartao", "CARTAO", "Cartao Visa", " Dinheiro", "", "Pix"}) {
        SCOPED_TRACE(method);
        forget_calls();
        put(IMPFIS_FORMA_PAGTO, method);
        put(IMPFIS_VALOR_PAGTO, "00000000015000");
        run("EFET-FORM-PAGTO");
        EXPECT_EQ(calls(), (Calls{kStartUp}));
        EXPECT_EQ(retorno(), 1);
        EXPECT_EQ(get(IMPFIS_MSG_1), pad("Forma de Pagamento não cadastrada!!!"_cp1252, 100));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
    }
}

TEST_F(Commands, TaxCodeIsNormalisedAndWrittenBack) {
    struct Case {
        const char* field;
        const char* sent;
        const char* kept;
    };
    for (const Case& c : {
             Case{"I", "II", "II   "},
             Case{"II", "II", "II   "},
             Case{"N", "NN", "NN   "},
             Case{"NN", "NN", "NN   "},
             Case{"F", "FF", "FF   "},
             Case{"FF", "FF", "FF   "},
             Case{"18,00", "18,00", "18,00"},
             Case{"07,00", "07,00", "07,00"},
             Case{"f", "f    ", "f    "},
             Case{" F", " F   ", " F   "},
             Case{"FFF", "FFF  ", "FFF  "},
             Case{"T18", "T18  ", "T18  "},
         }) {
        SCOPED_TRACE(c.field);
        forget_calls();
        put_item();
        put(IMPFIS_ALIQUOTA, c.field);
        run("VENDE-ITEM");
        const Calls got = calls();
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[2], item(c.sent, "0001000", "00010000", "0000", "0000000000001", "UN",
                               pad("REFEICAO", 29)));
        EXPECT_EQ(get(IMPFIS_ALIQUOTA), c.kept);
    }
}

TEST_F(Commands, DriverReadsOnlyItsFieldsAndWritesOnlyItsResults) {
    // Bytes of every kind in the fields the driver neither reads nor writes.
    for (std::size_t i = 0; i < kSize; ++i)
        rec_[i] = static_cast<char>(i * 7 + 3);
    put_item();
    const std::string before(rec_, kSize);
    run("VENDE-ITEM");
    for (const FieldSpec& f : kLayout) {
        const bool written = f.offset == IMPFIS_ALIQUOTA.offset ||
                             f.offset == IMPFIS_RETORNO.offset || f.offset == IMPFIS_COMANDO.offset;
        bool result = false;
        for (const FieldSpec& r : kResults)
            result = result || r.offset == f.offset;
        if (written || result) continue;
        EXPECT_EQ(std::string(rec_ + f.offset, f.width), before.substr(f.offset, f.width))
            << "field at " << f.offset;
    }
}

TEST_F(Commands, ReturnValueMapsToItsMessage) {
    struct Case {
        std::int32_t value;
        std::string msg; // empty: all four results blank
    };
    const Case cases[] = {
        Case{0, "Erro de comunicação!!!"_cp1252},
        Case{-2, "Parâmetro inválido passado na função!!!"_cp1252},
        Case{-3, "Aliquota não programada!!!"_cp1252},
        Case{-4, "A Chave ou Valor no Registry não foi encontrado!!!"_cp1252},
        Case{-5, "Erro ao abrir a porta de comunicação!!!"_cp1252},
        Case{-6, "Impressora Desligada!!!   -6"},
        Case{-8, "Erro ao criar/gravar arquivo STATUS/RETORNO!!!"},
        Case{-10, "Forma de Pagamento não cadastrada!!!"_cp1252},
        Case{-24, "Forma de Pagamento não cadastrada!!!"_cp1252},
        Case{1, ""},
        Case{-1, ""},
        Case{-7, ""},
        Case{-9, ""},
        Case{2, ""},
        Case{-2147483647 - 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        // Results of a previous command never survive into the next one.
        for (const FieldSpec& f : kResults)
            put(f, "resultado anterior");
        script({"iCFCancelar_ECF_Daruma " + std::to_string(c.value)});
        run("CANC-CUPOM");
        EXPECT_EQ(retorno(), c.value);
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(c.msg, 100));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_2)));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_MSG_2)));
    }
    EXPECT_EQ(get(IMPFIS_MSG_1).size(), 100u);
    EXPECT_FALSE(fs::exists(log_file())); // no status query, no log
    for (const std::string& l : calls())
        EXPECT_NE(l, "rStatusUltimoCmdInt_ECF_Daruma");
}

TEST_F(Commands, OnlyTheLastCallOfACommandDecides) {
    struct Case {
        const char* what;
        const char* command;
        std::vector<std::string_view> script;
        std::int32_t retorno;
        std::string msg;
    };
    const Case cases[] = {
        {"port search fails, X reading succeeds",
         "LEITURAX",
         {"eBuscarPortaVelocidade_ECF_Daruma 0", "regAlterarValor_Daruma 1",
          "regAlterarValor_Daruma -4", "regAlterarValor_Daruma -4"},
         1,
         ""},
        {"X reading itself fails",
         "LEITURAX",
         {"iLeituraX_ECF_Daruma -6"},
         -6,
         "Impressora Desligada!!!   -6"},
        {"item: rounding setting fails, sale succeeds",
         "VENDE-ITEM",
         {"regAlterarValor_Daruma 1", "regAlterarValor_Daruma -4"},
         1,
         ""},
        {"item: sale with an unknown rate",
         "VENDE-ITEM",
         {"iCFVender_ECF_Daruma -3"},
         -3,
         "Aliquota não programada!!!"_cp1252},
        {"unrecognised command with a failed start-up",
         "NADA",
         {"regAlterarValor_Daruma 0"},
         0,
         "Erro de comunicação!!!"_cp1252},
        {"payment not recognised keeps the start-up value",
         "EFET-FORM-PAGTO",
         {"regAlterarValor_Daruma -5"},
         -5,
         "Erro ao abrir a porta de comunicação!!!"_cp1252},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        forget_calls();
        std::fill(rec_, rec_ + kSize, ' ');
        put_item();
        std::string s;
        for (std::string_view l : c.script)
            (s += l) += '\n';
        write_file(dir_ / "script", s);
        run(c.command);
        EXPECT_EQ(retorno(), c.retorno);
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(c.msg, 100));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
    }
}

TEST_F(Commands, XReadingMakesAllSixCallsAfterFailures) {
    script({"eBuscarPortaVelocidade_ECF_Daruma 0", "regAlterarValor_Daruma 1",
            "regAlterarValor_Daruma -2", "regAlterarValor_Daruma -2", "regAlterarValor_Daruma -2",
            "regAlterarValor_Daruma -2"});
    run("LEITURAX");
    const Calls got = calls();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[1], "eBuscarPortaVelocidade_ECF_Daruma");
    EXPECT_EQ(got[6], "iLeituraX_ECF_Daruma");
    EXPECT_EQ(script_left(), ""); // every scripted answer was used
    EXPECT_TRUE(all_results_blank());
}

TEST_F(Commands, OtherFormNamesRunNothing) {
    put(IMPFIS_COMANDO, "CANC-CUPOM");
    for (std::string_view name : {"99-IMPFISCALDARUMA", "01-Quiterval", "", "99-ImpFiscalDaruma "})
        EXPECT_FALSE(invoke_form(name)) << name;
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(invoke_form("99-ImpFiscalDaruma"));
    EXPECT_EQ(calls().size(), 2u);
}

// biblioteca=nfce: no vendor call at all; the back end's refusal comes back
// in the record and goes to the driver's log.
TEST_F(Commands, TheNfceChoiceSendsTheRecordToTheBackEndAndLogsItsRefusal) {
    qv::test::EnvGuard library("QUITERVAL_ECF_LIBRARY");
    qv::test::EnvGuard conf("NFCE_CONF");
    qv::test::EnvGuard folder("NFCE_DIR");
    set_env("QUITERVAL_ECF_LIBRARY", "nfce");
    set_env("NFCE_CONF", dir_ / "ausente.conf");
    set_env("NFCE_DIR", dir_ / "nfce");
    forget_calls();
    run("ABRE-CUPOM");
    EXPECT_EQ(retorno(), 0);
    // Linux builds name the missing file; Windows builds have no back end.
    const std::string why = get(IMPFIS_MSG_1);
    EXPECT_NE(why.find(platform::kWindows ? "Windows" : "ausente.conf"), std::string::npos) << why;
    EXPECT_TRUE(calls().empty());
    const std::string log = read_file(log_file());
    EXPECT_NE(log.find("ABRE-CUPOM"), std::string::npos) << log;
}

} // namespace
} // namespace qv::driver::test
