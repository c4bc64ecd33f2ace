// The printer's rules without files: phases, refusals, day rules, totals, tape.
#include "ecfsim/printer.h"
#include "ecfsim/tape.h"
#include "shared/cp1252.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv::ecfsim {
namespace {

using qv::test::lines_of;

Moment at(std::string_view text) {
    return *parse_moment(text);
}
Decimal dec(std::string_view text) {
    return *Decimal::parse(text);
}

const std::string kMeal = "REFEICAO" + std::string(21, ' ');

// A printer whose memory survives only the commands that were done.
struct Ecf {
    FiscalMemory m;
    Config config;
    Moment now = at("2026-12-07 10:00:00");

    Outcome run(const std::function<Outcome(Printer&)>& f) {
        FiscalMemory copy = m;
        Printer p(copy, config, now);
        Outcome o = f(p);
        if (o.answer == ret::kOk && o.changed)
            m = copy;
        else
            EXPECT_EQ(copy, m) << "a refused command changed the memory";
        return o;
    }
    Outcome open(const char* doc = "12345678909         ") {
        return run([&](Printer& p) { return p.open(doc, "", ""); });
    }
    Outcome sell(const char* tax = "18,00", const char* price = "00010000",
                 const char* disc = "0000", const char* qty = "0001000",
                 const char* code = "0000000000001", const char* unit = "UN",
                 const std::string& desc = kMeal) {
        return run([&](Printer& p) {
            return p.sell(tax, qty, price, "D%", disc, code, unit, desc.c_str());
        });
    }
    Outcome total(const char* kind = "D$", const char* value = "00000000000000") {
        return run([&](Printer& p) { return p.total(kind, value); });
    }
    Outcome pay(const char* method = "Dinheiro", const char* amount = "00000000010000") {
        return run([&](Printer& p) { return p.pay(method, amount); });
    }
    Outcome close(const std::string& msg = std::string(240, ' ')) {
        return run([&](Printer& p) { return p.close(msg.c_str()); });
    }
    Outcome cancel() {
        return run([](Printer& p) { return p.cancel(); });
    }
    Outcome x() {
        return run([](Printer& p) { return p.x_reading(); });
    }
    Outcome z() {
        return run([](Printer& p) { return p.z_reduction("000000", "000000"); });
    }
    void coupon() {
        ASSERT_EQ(open().answer, 1);
        ASSERT_EQ(sell().answer, 1);
        ASSERT_EQ(total().answer, 1);
        ASSERT_EQ(pay().answer, 1);
        ASSERT_EQ(close().answer, 1);
    }
};

enum class Stage { none, open, sold, totalled, part_paid, paid, closed, x_read };

void reach(Ecf& e, Stage s) {
    if (s == Stage::none) return;
    if (s == Stage::x_read) {
        ASSERT_EQ(e.x().answer, 1);
        return;
    }
    ASSERT_EQ(e.open().answer, 1);
    if (s == Stage::open) return;
    ASSERT_EQ(e.sell().answer, 1);
    if (s == Stage::sold) return;
    ASSERT_EQ(e.total().answer, 1);
    if (s == Stage::totalled) return;
    ASSERT_EQ(e.pay("Cheque", s == Stage::part_paid ? "00000000004000" : "00000000010000").answer,
              1);
    if (s == Stage::part_paid || s == Stage::paid) return;
    ASSERT_EQ(e.close().answer, 1);
}

struct Refusal {
    const char* name;
    Stage stage;
    std::function<Outcome(Ecf&)> command;
    std::int32_t answer;
    std::int32_t error;
};

class PhaseRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(PhaseRefusal, GivesThePrinterErrorAndLeavesTheMemory) {
    const Refusal& r = GetParam();
    Ecf e;
    reach(e, r.stage);
    const FiscalMemory before = e.m;
    const Outcome o = r.command(e);
    EXPECT_EQ(o.answer, r.answer);
    EXPECT_EQ(o.error, r.error);
    EXPECT_TRUE(o.tape.empty());
    EXPECT_EQ(e.m, before);
}

const auto kPaid = "00000000010000";
INSTANTIATE_TEST_SUITE_P(Printer, PhaseRefusal,
                         testing::Values(Refusal{"OpenWhileOpen", Stage::sold,
                                                 [](Ecf& e) { return e.open(); }, -12, 78},
                                         Refusal{"SellWithoutCoupon", Stage::none,
                                                 [](Ecf& e) { return e.sell(); }, -12, 82},
                                         Refusal{"TotalWithoutCoupon", Stage::none,
                                                 [](Ecf& e) { return e.total(); }, -12, 82},
                                         Refusal{"PayWithoutCoupon", Stage::closed,
                                                 [](Ecf& e) { return e.pay(); }, -12, 82},
                                         Refusal{"CloseWithoutCoupon", Stage::none,
                                                 [](Ecf& e) { return e.close(); }, -12, 82},
                                         Refusal{"SellAfterTotal", Stage::totalled,
                                                 [](Ecf& e) { return e.sell(); }, -12, 87},
                                         Refusal{"TotalTwice", Stage::totalled,
                                                 [](Ecf& e) { return e.total(); }, -12, 87},
                                         Refusal{"TotalWhilePaying", Stage::part_paid,
                                                 [](Ecf& e) { return e.total(); }, -12, 87},
                                         Refusal{"TotalWithoutItems", Stage::open,
                                                 [](Ecf& e) { return e.total(); }, -12, 102},
                                         Refusal{"PayBeforeTotal", Stage::sold,
                                                 [](Ecf& e) { return e.pay(); }, -12, 119},
                                         Refusal{"PayWhenPaid", Stage::paid,
                                                 [](Ecf& e) { return e.pay(); }, -12, 119},
                                         Refusal{"CloseBeforePaid", Stage::totalled,
                                                 [](Ecf& e) { return e.close(); }, -12, 120},
                                         Refusal{"ClosePartlyPaid", Stage::part_paid,
                                                 [](Ecf& e) { return e.close(); }, -12, 120},
                                         Refusal{"CloseWhileSelling", Stage::sold,
                                                 [](Ecf& e) { return e.close(); }, -12, 120},
                                         Refusal{"CancelNothing", Stage::none,
                                                 [](Ecf& e) { return e.cancel(); }, -12, 122},
                                         Refusal{"CancelAfterX", Stage::x_read,
                                                 [](Ecf& e) { return e.cancel(); }, -12, 122},
                                         Refusal{"XWhileOpen", Stage::open,
                                                 [](Ecf& e) { return e.x(); }, -12, 78},
                                         Refusal{"ZWhileOpen", Stage::paid,
                                                 [](Ecf& e) { return e.z(); }, -12, 78},
                                         Refusal{"UnknownRate", Stage::open,
                                                 [](Ecf& e) { return e.sell("17,00"); }, -3, 0},
                                         Refusal{"UnknownLetterCode", Stage::open,
                                                 [](Ecf& e) { return e.sell("XX   "); }, -3, 0},
                                         Refusal{"SingleLetterCode", Stage::open,
                                                 [](Ecf& e) { return e.sell("F    "); }, -3, 0},
                                         Refusal{"UnknownMethod", Stage::totalled,
                                                 [](Ecf& e) { return e.pay("Pix", kPaid); }, -10,
                                                 0},
                                         Refusal{"MethodCheckedBeforePhase", Stage::none,
                                                 [](Ecf& e) { return e.pay("Vale", kPaid); }, -10,
                                                 0},
                                         Refusal{"ZeroPayment", Stage::totalled,
                                                 [](Ecf& e) {
                                                     return e.pay("Dinheiro", "00000000000000");
                                                 },
                                                 -12, 77},
                                         Refusal{"ZeroQuantity", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "0000",
                                                                   "0000000");
                                                 },
                                                 -12, 93},
                                         Refusal{"ZeroPrice", Stage::open,
                                                 [](Ecf& e) { return e.sell("18,00", "00000000"); },
                                                 -12, 93},
                                         Refusal{"QuantityNotDigits", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "0000",
                                                                   "00a1000");
                                                 },
                                                 -2, 0},
                                         Refusal{"BlankCode", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "0000",
                                                                   "0001000", "  ");
                                                 },
                                                 -12, 91},
                                         Refusal{"BlankUnit", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "0000",
                                                                   "0001000", "1", "  ");
                                                 },
                                                 -12, 185},
                                         Refusal{"BlankDescription", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "0000",
                                                                   "0001000", "1", "UN", "   ");
                                                 },
                                                 -12, 92},
                                         Refusal{"ItemDiscountWholeValue", Stage::open,
                                                 [](Ecf& e) {
                                                     return e.sell("18,00", "00010000", "10000");
                                                 },
                                                 -12, 100},
                                         Refusal{
                                             "SubtotalDiscountWholeValue", Stage::sold,
                                             [](Ecf& e) { return e.total("D$", "00000000010000"); },
                                             -12, 117},
                                         Refusal{"BadTotalKind", Stage::sold,
                                                 [](Ecf& e) { return e.total("X$"); }, -2, 0},
                                         Refusal{"ControlCharacterInMessage", Stage::paid,
                                                 [](Ecf& e) { return e.close("linha\tcom tab"); },
                                                 -12, 29},
                                         Refusal{
                                             "MessageTooLong", Stage::paid,
                                             [](Ecf& e) { return e.close(std::string(481, 'A')); },
                                             -2, 0},
                                         Refusal{"ClockBeforeLastDocument", Stage::closed,
                                                 [](Ecf& e) {
                                                     e.now = at("2026-12-07 09:59:59");
                                                     return e.x();
                                                 },
                                                 -12, 20}),
                         [](const testing::TestParamInfo<Refusal>& p) {
                             return std::string(p.param.name);
                         });

TEST(Printer, AcceptsRatesAndDoubledLetterCodes) {
    const std::pair<const char*, const char*> cases[] = {{"18,00", "T18,00"}, {"07,00", "T07,00"},
                                                         {"7,00 ", "T07,00"}, {"II   ", "I"},
                                                         {"NN", "N"},         {"FF   ", "F"}};
    for (const auto& [code, name] : cases) {
        SCOPED_TRACE(code);
        Ecf e;
        ASSERT_EQ(e.open().answer, 1);
        ASSERT_EQ(e.sell(code).answer, 1);
        EXPECT_EQ(e.m.coupon.items.at(0).tax, name);
    }
}

TEST(Printer, FullCouponCountsAndGivesChange) {
    Ecf e;
    ASSERT_EQ(e.open().answer, 1);
    ASSERT_EQ(e.sell("18,00", "00010000").answer, 1);
    ASSERT_EQ(e.sell("FF", "00005000", "0000", "0001000", "0000000000002").answer, 1);
    ASSERT_EQ(e.total("D$", "00000000000500").answer, 1);
    EXPECT_EQ(e.m.coupon.total(), dec("145"));
    ASSERT_EQ(e.pay("Cheque", "00000000004000").answer, 1);
    EXPECT_EQ(e.m.coupon.phase, Phase::paying);
    const Outcome last = e.pay("dinheiro", "00000000020000");
    ASSERT_EQ(last.answer, 1);
    EXPECT_NE(last.tape.find("TROCO R$"), std::string::npos);
    EXPECT_NE(last.tape.find("95,00"), std::string::npos);
    ASSERT_EQ(e.close().answer, 1);

    EXPECT_EQ(e.m.coo, 1u);
    EXPECT_EQ(e.m.ccf, 1u);
    EXPECT_EQ(e.m.gt, dec("150"));
    EXPECT_EQ(e.m.day.coupons, 1u);
    EXPECT_EQ(e.m.day.gross, dec("150"));
    EXPECT_EQ(e.m.day.discounts, dec("5"));
    // The subtotal discount of 5,00 spread over the totalisers: 5 x 50 / 150
    // cut to 1,66 on F, the 3,34 left on T18,00; together the net sales.
    EXPECT_EQ(e.m.day.by_tax.at("T18,00"), dec("96,66"));
    EXPECT_EQ(e.m.day.by_tax.at("F"), dec("48,34"));
    EXPECT_EQ(e.m.day.by_method.at("Cheque"), dec("40"));
    EXPECT_EQ(e.m.day.by_method.at("Dinheiro"), dec("105")); // 200 paid, 95 back
    EXPECT_EQ(e.m.day.net(), dec("145"));
    EXPECT_EQ(e.m.movement_date, at("2026-12-07 00:00:00").date);
    // Cancelled, the coupon takes back from each totaliser what it gave.
    ASSERT_EQ(e.cancel().answer, 1);
    EXPECT_EQ(e.m.day.by_tax.at("T18,00"), Decimal{});
    EXPECT_EQ(e.m.day.by_tax.at("F"), Decimal{});
}

TEST(Printer, CancelsTheOpenCouponOrTheLastClosedOneOnlyOnce) {
    Ecf e;
    reach(e, Stage::sold);
    ASSERT_EQ(e.cancel().answer, 1);
    EXPECT_EQ(e.m.coupon.phase, Phase::cancelled);
    EXPECT_EQ(e.m.coo, 1u); // the open coupon is cancelled on itself
    EXPECT_EQ(e.cancel().error, 122);

    e.coupon();
    const Decimal gt = e.m.gt;
    const Outcome o = e.cancel();
    ASSERT_EQ(o.answer, 1);
    EXPECT_NE(o.tape.find("CANCELAMENTO DE CUPOM FISCAL"), std::string::npos);
    EXPECT_EQ(e.m.coo, 3u); // the cancellation is a document of its own
    EXPECT_EQ(e.m.gt, gt);  // the grand total never decreases
    EXPECT_EQ(e.m.day.cancelled, 2u);
    EXPECT_EQ(e.m.day.cancellations, dec("200"));
    EXPECT_EQ(e.m.day.by_tax.at("T18,00"), dec("0"));
    EXPECT_EQ(e.m.day.by_method.at("Dinheiro"), dec("0"));
    EXPECT_EQ(e.m.day.net(), dec("0"));
    EXPECT_EQ(e.cancel().error, 122);
}

TEST(Printer, ZReductionDayRules) {
    Ecf e;
    e.coupon(); // sales on the 7th, never reduced
    e.now = at("2026-12-08 09:00:00");
    EXPECT_EQ(e.open().error, 88);
    EXPECT_EQ(e.x().answer, 1); // readings are still allowed
    const Outcome z = e.z();
    ASSERT_EQ(z.answer, 1);
    EXPECT_NE(z.tape.find("07/12/2026"), std::string::npos); // it closes the 7th
    EXPECT_EQ(e.m.crz, 1u);
    EXPECT_TRUE(e.m.day.by_tax.empty());
    e.coupon(); // the 8th may sell now
    ASSERT_EQ(e.z().answer, 1);
    EXPECT_EQ(e.m.crz, 2u);
    EXPECT_EQ(e.open().error, 89);
    EXPECT_EQ(e.z().error, 89);

    e.now = at("2026-12-09 08:00:00");
    ASSERT_EQ(e.z().answer, 1); // a Z without movement closes the day too
    EXPECT_EQ(e.open().error, 89);

    e.now = at("2026-12-11 08:00:00"); // the 10th had no sales: nothing pending
    e.coupon();
    EXPECT_EQ(e.m.crz, 3u);
    EXPECT_EQ(e.m.ccf, 3u);
}

TEST(Printer, ItemValuesAreCutOrRoundedAsConfigured) {
    // 0,333 x 0,15 = 0,04995
    for (const auto& [setting, value] :
         {std::pair{"T", "0,04"}, std::pair{"A", "0,05"}, std::pair{"", "0,04"}}) {
        SCOPED_TRACE(setting);
        Ecf e;
        if (*setting) e.config.values["ECF\\ArredondarTruncar"] = setting;
        ASSERT_EQ(e.open().answer, 1);
        ASSERT_EQ(e.sell("18,00", "00000015", "0000", "0000333").answer, 1);
        EXPECT_EQ(e.m.coupon.items.at(0).value, dec(value));
    }
}

TEST(Printer, ItemPercentDiscountAndSubtotalSurcharge) {
    Ecf e;
    ASSERT_EQ(e.open().answer, 1);
    ASSERT_EQ(e.sell("18,00", "00003333", "1000").answer, 1); // 10 % of 33,33 = 3,333 -> 3,33
    EXPECT_EQ(e.m.coupon.items.at(0).net(), dec("30"));
    ASSERT_EQ(e.total("A%", "1000").answer, 1); // 10 % of 30,00
    EXPECT_EQ(e.m.coupon.total(), dec("33"));
    EXPECT_EQ(e.m.gt, dec("36,33"));
}

TEST(Printer, TapeOfOneCoupon) {
    Ecf e;
    e.config.values["ECF\\MensagemApl2"] = "      *** www.quiterval.com.br ***";
    std::string tape;
    tape += e.open().tape;
    e.now = at("2026-12-07 10:00:05");
    tape += e.sell().tape;
    tape += e.sell("FF", "00005000", "0000", "0002000", "0000000000002", "UN",
                   "BEBIDAS" + std::string(22, ' '))
                .tape;
    tape += e.total().tape;
    tape += e.pay("Dinheiro", "00000000025000").tape;
    std::string msg = "Vlr aprox.tributos R$ 20,00 (10,00%) Fonte=IBPT";
    msg += " OPERADOR: José"_cp1252;
    msg.resize(240, ' ');
    tape += e.close(msg).tape;
    const std::string expected = "================================================\n"
                                 "  *** SIMULADOR DE ECF - SEM VALOR FISCAL ***\n"
                                 "    RESTAURANTE SIMULADO DE TREINAMENTO LTDA\n"
                                 "        RUA DO TREINAMENTO, 100 - CENTRO\n"
                                 "                 SÃO PAULO - SP\n"
                                 "CNPJ 00.000.000/0001-91                IE ISENTO\n"
                                 "------------------------------------------------\n"
                                 "07/12/2026 10:00:00        CCF:000001 COO:000001\n"
                                 "CPF/CNPJ consumidor: 12345678909\n"
                                 "------------------------------------------------\n"
                                 "                  CUPOM FISCAL\n"
                                 "ITEM CÓDIGO DESCRIÇÃO\n"
                                 "QTD. UN. VL.UNIT(R$) ST              VL.ITEM(R$)\n"
                                 "------------------------------------------------\n"
                                 "001 0000000000001 REFEICAO\n"
                                 "     1,000 UN x 100,00 T18,00%            100,00\n"
                                 "002 0000000000002 BEBIDAS\n"
                                 "     2,000 UN x 50,00 FF                  100,00\n"
                                 "SUBTOTAL R$                               200,00\n"
                                 "TOTAL R$                                  200,00\n"
                                 "Dinheiro                                  250,00\n"
                                 "TROCO R$                                   50,00\n"
                                 "------------------------------------------------\n"
                                 "Vlr aprox.tributos R$ 20,00 (10,00%) Fonte=IBPT\n"
                                 "OPERADOR: José\n"
                                 "      *** www.quiterval.com.br ***\n"
                                 "------------------------------------------------\n"
                                 "ECF SIMULADO  MODELO ECFSIM  07/12/2026 10:00:05\n"
                                 " *** DOCUMENTO SIMULADO - SEM VALOR FISCAL ***\n"
                                 "================================================\n"
                                 "\n";
    EXPECT_EQ(tape, expected);
    for (const std::string& l : lines_of(tape))
        EXPECT_LE(tape::width(l), 48u) << l;
}

TEST(Printer, LongDescriptionWrapsOnThePaper) {
    Ecf e;
    ASSERT_EQ(e.open().answer, 1);
    const std::string desc =
        "PRATO DO DIA COM ARROZ FEIJÃO SALADA E SOBREMESA DE COCO "_cp1252 + std::string(170, ' ');
    const Outcome o = e.sell("18,00", "00001000", "0000", "0001000", "0000000000001", "UN", desc);
    ASSERT_EQ(o.answer, 1);
    EXPECT_EQ(o.tape.substr(0, o.tape.find(" 1,000")),
              "001 0000000000001 PRATO DO DIA COM ARROZ FEIJÃO\n"
              "    SALADA E SOBREMESA DE COCO\n    ");
    EXPECT_EQ(e.m.coupon.items.at(0).description,
              "PRATO DO DIA COM ARROZ FEIJÃO SALADA E SOBREMESA DE COCO"_cp1252);
}

TEST(Printer, DayReportShowsTheTotals) {
    Ecf e;
    e.coupon();
    reach(e, Stage::sold);
    ASSERT_EQ(e.cancel().answer, 1);
    const Outcome x = e.x();
    ASSERT_EQ(x.answer, 1);
    for (const char* line : {"VENDA BRUTA DIÁRIA R$                     200,00",
                             "CANCELAMENTOS R$                          100,00",
                             "VENDA LÍQUIDA R$                          100,00",
                             "  T18,00%                                 100,00",
                             "  Dinheiro                                100,00",
                             "GRANDE TOTAL R$                           200,00"})
        EXPECT_NE(x.tape.find(std::string(line) + "\n"), std::string::npos) << line;
    for (const std::string& l : lines_of(x.tape))
        EXPECT_LE(tape::width(l), 48u) << l;
    EXPECT_EQ(e.m.coo, 3u);
}

} // namespace
} // namespace qv::ecfsim
