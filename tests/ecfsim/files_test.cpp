// The memory, settings and fault files: round trips, and damaged text named,
// never used.
#include "ecfsim/faults.h"
#include "ecfsim/memory.h"
#include "shared/cp1252.h"

#include <gtest/gtest.h>

namespace qv::ecfsim {
namespace {

Decimal dec(std::string_view text) {
    return *Decimal::parse(text);
}

FiscalMemory busy_memory() {
    FiscalMemory m;
    m.coo = 12;
    m.ccf = 9;
    m.crz = 3;
    m.cro = 1;
    m.gt = dec("12345,67");
    m.movement_date = *parse_date("2026-12-07");
    m.last_z_date = *parse_date("2026-12-06");
    m.last_document_at = *parse_moment("2026-12-07 10:11:12");
    m.last_document = LastDocument::coupon;
    m.day.coupons = 4;
    m.day.cancelled = 1;
    m.day.gross = dec("300");
    m.day.discounts = dec("5,5");
    m.day.surcharges = dec("1");
    m.day.cancellations = dec("20");
    m.day.by_tax = {{"T18,00", dec("200")}, {"F", dec("75,5")}};
    m.day.by_method = {{"Dinheiro", dec("250")}, {"Cartão;=%"_cp1252, dec("25,5")}};
    m.coupon.phase = Phase::paying;
    m.coupon.coo = 12;
    m.coupon.ccf = 9;
    m.coupon.document = "123.456.789-09";
    m.coupon.adjustment = dec("-1,5");
    m.coupon.items.push_back({"0000000000001", "REFEIÇÃO; especial=1%"_cp1252, "UN", "T18,00",
                              dec("1,5"), dec("10"), dec("15"), dec("-0,5")});
    m.coupon.payments.push_back({"Cheque", dec("5")});
    return m;
}

TEST(MemoryFile, RoundTripsEveryField) {
    const FiscalMemory m = busy_memory();
    const std::string text = to_text(m);
    const auto back = memory_from_text(text);
    ASSERT_TRUE(std::holds_alternative<FiscalMemory>(back)) << std::get<LoadError>(back).text;
    EXPECT_EQ(std::get<FiscalMemory>(back), m);
    EXPECT_EQ(to_text(std::get<FiscalMemory>(back)), text);
}

TEST(MemoryFile, EmptyOrCutTextIsDamageNotANewPrinter) {
    const std::string whole = to_text(busy_memory());
    FiscalMemory closed = busy_memory();
    closed.coupon.phase = Phase::closed;
    closed.coupon.payments = {{"Cheque", dec("14")}}; // the whole total
    const std::string paid = to_text(closed);
    ASSERT_TRUE(std::holds_alternative<FiscalMemory>(memory_from_text(paid)));
    for (const std::string& text :
         {std::string(), whole.substr(0, whole.size() - 1),
          whole.substr(0, whole.find("dia.cupons=")), whole.substr(0, whole.find("cupom.ajuste=")),
          paid.substr(0, paid.find("cupom.pagamento="))}) {
        const auto m = memory_from_text(text);
        EXPECT_TRUE(std::holds_alternative<LoadError>(m)) << text;
    }
}

struct Damage {
    const char* name;
    std::string from; // a line of the good file
    std::string to;   // what it becomes
    const char* mentions;
};

class DamagedMemory : public testing::TestWithParam<Damage> {};

TEST_P(DamagedMemory, IsRefusedWithTheLineNamed) {
    const Damage& d = GetParam();
    std::string text = to_text(busy_memory());
    const auto at = text.find(d.from);
    ASSERT_NE(at, std::string::npos) << d.from;
    text.replace(at, d.from.size(), d.to);
    const auto m = memory_from_text(text);
    ASSERT_TRUE(std::holds_alternative<LoadError>(m));
    EXPECT_NE(std::get<LoadError>(m).text.find(d.mentions), std::string::npos)
        << std::get<LoadError>(m).text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedMemory,
    testing::Values(Damage{"Header", "ECFSIM-MEMORIA 1", "ECFSIM-MEMORIA 2", "linha 1"},
                    Damage{"CounterText", "coo=12", "coo=doze", "coo"},
                    Damage{"CounterTooBig", "crz=3", "crz=1000000", "crz"},
                    Damage{"NegativeGrandTotal", "gt=12345,6700", "gt=-1,0000", "gt"},
                    Damage{"ImpossibleDate", "data_movimento=2026-12-07",
                           "data_movimento=2026-02-30", "data_movimento"},
                    Damage{"UnknownPhase", "cupom.fase=pagamento", "cupom.fase=voando",
                           "cupom.fase"},
                    Damage{"UnknownKey", "dia.cupons=4", "dia.copos=4", "dia.copos"},
                    Damage{"RepeatedKey", "ccf=9\n", "ccf=9\nccf=9\n", "repetido"},
                    Damage{"NoEquals", "cro=1", "cro 1", "="},
                    Damage{"ShortItem", "cupom.item=0000000000001;", "cupom.item=;", "cupom.item"},
                    Damage{"BadTax", ";T18,00;1,5000", ";T17;1,5000", "cupom.item"},
                    Damage{"BadEscape", "123.456.789-09", "123%Z", "cupom.documento"},
                    Damage{"MissingCounter", "coo=12\n", "", "coo"},
                    Damage{"CouponBeyondMemory", "cupom.coo=12", "cupom.coo=13", "COO"}),
    [](const testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST(ConfigFile, RoundTripsKeysWithBackslashesAndSpaces) {
    Config c;
    c.values["ECF\\MensagemApl2"] = "   *** www.quiterval.com.br ***   ";
    c.values["START\\LocalArquivos"] = "C:\\DARUMA\\";
    const auto back = config_from_text(to_text(c));
    ASSERT_TRUE(std::holds_alternative<Config>(back));
    EXPECT_EQ(std::get<Config>(back), c);
    EXPECT_TRUE(std::holds_alternative<LoadError>(config_from_text("lixo\n")));
}

TEST(StatusFile, RoundTripsAndUnreadableMeansNoError) {
    const LastStatus s = status_from_text(to_text(LastStatus{78, 2}));
    EXPECT_EQ(s.error, 78);
    EXPECT_EQ(s.warning, 2);
    EXPECT_EQ(status_from_text("ECFSIM-STATUS 1\nerro=x\n").error, 0);
}

struct Token {
    const char* text;
    bool valid;
    Fault fault;
};

class FaultToken : public testing::TestWithParam<Token> {};

TEST_P(FaultToken, Parses) {
    const Token& t = GetParam();
    const auto f = parse_fault(t.text);
    ASSERT_EQ(f.has_value(), t.valid);
    if (!t.valid) return;
    EXPECT_EQ(*f, t.fault);
    EXPECT_EQ(parse_fault(to_text(*f)), f); // written back the same way
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultToken,
                         testing::Values(Token{"ok", true, {true, false, 1, 0}},
                                         Token{"-6", true, {false, false, -6, 0}},
                                         Token{"0", true, {false, false, 0, 0}},
                                         Token{"erro:72", true, {false, false, -12, 72}},
                                         Token{"feito:0", true, {false, true, 0, 0}},
                                         Token{"feito:erro:144", true, {false, true, -12, 144}},
                                         Token{"-12", true, {false, false, -12, 0}},
                                         Token{"erro:", false, {}}, Token{"erro:1000", false, {}},
                                         Token{"feito:", false, {}}, Token{"seis", false, {}},
                                         Token{"1000", false, {}}, Token{"", false, {}}));

TEST(FaultList, IsConsumedInOrderOwnLinesBeforeAnyFunction) {
    const auto parsed =
        faults_from_text("# ensaio\n"
                         "* 0\n"
                         "iCFAbrir_ECF_Daruma -6*2 erro:72   # desligada\n"
                         "iCFVender_ECF_Daruma ok feito:0;iCFAbrir_ECF_Daruma -5\n");
    ASSERT_TRUE(std::holds_alternative<FaultList>(parsed)) << std::get<LoadError>(parsed).text;
    FaultList list = std::get<FaultList>(parsed);
    const std::string open = "iCFAbrir_ECF_Daruma";
    EXPECT_EQ(list.take(open)->answer, -6);
    EXPECT_EQ(to_text(list), "* 0\niCFAbrir_ECF_Daruma -6 erro:72\n"
                             "iCFVender_ECF_Daruma ok feito:0\niCFAbrir_ECF_Daruma -5\n");
    EXPECT_EQ(list.take(open)->answer, -6);
    EXPECT_EQ(list.take(open)->error, 72);
    EXPECT_EQ(list.take(open)->answer, -5);
    EXPECT_TRUE(list.take("iCFVender_ECF_Daruma")->normal);
    EXPECT_TRUE(list.take("iCFVender_ECF_Daruma")->done);
    const auto any = list.take(open); // now from the "*" line
    ASSERT_TRUE(any.has_value());
    EXPECT_EQ(any->answer, 0);
    EXPECT_FALSE(list.take(open).has_value());
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(to_text(list), "");
}

TEST(FaultList, DamagedLinesAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"iCFAbrir_ECF_Daruma -6\nimprimir 0\n", "linha 2"},
        {"iCFAbrir_ECF_Daruma\n", "falta"},
        {"iCFAbrir_ECF_Daruma desligada\n", "desligada"},
        {"iCFAbrir_ECF_Daruma -6*0\n", "-6*0"},
        {"iCFAbrir_ECF_Daruma -6*x\n", "-6*x"},
    };
    for (const auto& [text, mention] : cases) {
        const auto parsed = faults_from_text(text);
        ASSERT_TRUE(std::holds_alternative<LoadError>(parsed)) << text;
        EXPECT_NE(std::get<LoadError>(parsed).text.find(mention), std::string::npos)
            << std::get<LoadError>(parsed).text;
    }
}

} // namespace
} // namespace qv::ecfsim
