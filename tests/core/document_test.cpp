// "VERCPF": the customer's document classified by the engine and checked by
// TORLIB through the link block.
#include "engine_fixture.h"

#include "shared/link_block.h"
#include "shared/shared_record.h"

namespace qv::test {
namespace {

const std::string kInvalid = "message_box 16 Documento inválido !!!";

struct Document {
    const char* name;
    const char* typed;
    bool invalid;
    const char* code;        // L-FUNCAO after the check: "99" when TORLIB was not called
    const char* field_after; // the field's text after the check
    const char* cpf;         // L-CPF
    const char* cnpj;        // L-CNPJ
};

class DocumentTest : public EngineTest, public ::testing::WithParamInterface<Document> {
  protected:
    char* link_ = bind_shared_record(link::kName, link::kSize);
    std::string link_text(const FieldSpec& f) const {
        return get_text(field(const_cast<const char*>(link_), f));
    }
};

TEST_P(DocumentTest, IsClassifiedCheckedAndReported) {
    const Document& d = GetParam();
    put_text(field(link_, link::L_FUNCAO), "99");
    put_text(field(link_, link::L_CPF), "xxxxxxxxxxx");
    window.type(controls::Ed_DOCUMEN, d.typed);
    window.set_focus(controls::Ed_LIBERAC);
    window.clear_log();
    handlers.on_Ed_DOCUMEN_lost_focus();

    EXPECT_EQ(window.text(controls::Ed_DOCUMEN), d.field_after);
    EXPECT_EQ(link_text(link::L_FUNCAO), d.code);
    if (d.invalid) {
        EXPECT_EQ(window.log_of("message_box"), (std::vector<std::string>{kInvalid}));
        EXPECT_EQ(window.focus(), controls::Ed_DOCUMEN);
        EXPECT_EQ(link_text(link::L_INDICADOR), "N");
    } else {
        EXPECT_TRUE(window.log_of("message_box").empty());
        EXPECT_EQ(window.focus(), controls::Ed_LIBERAC);
        EXPECT_NE(link_text(link::L_INDICADOR), "N");
    }
    if (*d.typed != '\0' && d.typed[0] != ' ') {
        EXPECT_EQ(link_text(link::L_CPF), d.cpf);
        EXPECT_EQ(link_text(link::L_CNPJ), d.cnpj);
        // The text as checked: a CNPJ with letters in upper case.
        const std::string checked = std::string(d.code) == "07" ? d.field_after : d.typed;
        EXPECT_EQ(link_text(link::L_TEXTO1), pad(checked, 105));
    }
    EXPECT_TRUE(window.log_of("set_text").size() <= 1u);
    EXPECT_EQ(std::string(engine.W_ACAO.data(), 15), std::string(15, ' '));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DocumentTest,
    ::testing::Values(Document{"EmptyIsLeftAlone", "", false, "99", "", "", ""},
                      Document{"ValidCpf", "12345678909", false, "02", "12345678909", "12345678909",
                               "00000000000000"},
                      Document{"InvalidCpf", "12345678900", true, "02", "12345678900",
                               "12345678900", "00000000000000"},
                      Document{"PunctuationIsRejectedWithoutTheLibrary", "123.456.789-09", true,
                               "99", "123.456.789-09", "00000000000", "00000000000000"},
                      Document{"CpfFollowedByLettersIsTrimmed", "12345678909AB", false, "02",
                               "12345678909", "12345678909", "00000000000000"},
                      Document{"TwelveDigitsAreACpfAndTheRestGoes", "123456789091", false, "02",
                               "12345678909", "12345678909", "00000000000000"},
                      Document{"ThirteenDigitsAreACpfToo", "1234567890912", false, "02",
                               "12345678909", "12345678909", "00000000000000"},
                      Document{"ValidCnpjIsNotRewritten", "11222333000181", false, "02",
                               "11222333000181", "00000000000", "11222333000181"},
                      Document{"InvalidCnpj", "11222333000180", true, "02", "11222333000180",
                               "00000000000", "11222333000180"},
                      Document{"CnpjWithLettersGoesToTheAlphanumericCheck", "12ABC34501DE35", false,
                               "07", "12ABC34501DE35", "00000000000", "12ABC34501DE35"},
                      Document{"LowerCaseLettersAreShownInUpperCase", "12abc34501de35", false, "07",
                               "12ABC34501DE35", "00000000000", "12ABC34501DE35"},
                      Document{"CnpjWithLettersAndAWrongCheckDigit", "12abc34501de36", true, "07",
                               "12ABC34501DE36", "00000000000", "12ABC34501DE36"},
                      Document{"ALetterAtTwelveMakesACnpjNotACpf", "12345678909A49", false, "07",
                               "12345678909A49", "00000000000", "12345678909A49"},
                      Document{"LetterInACheckDigitPositionIsNoCnpj", "12ABC34501DE3X", true, "99",
                               "12ABC34501DE3X", "00000000000", "00000000000000"},
                      Document{"LettersWithPunctuationAreRejected", "12.ABC.345/01DE", true, "99",
                               "12.ABC.345/01DE", "00000000000", "00000000000000"},
                      Document{"LeadingSpaceIsRejected", " 12345678909", true, "99", " 12345678909",
                               "00000000000", "00000000000000"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineTest, BlankDocumentMakesNoCallAndClearsTheIndicator) {
    char* link_block = bind_shared_record(link::kName, link::kSize);
    put_text(field(link_block, link::L_INDICADOR), "N");
    put_text(field(link_block, link::L_FUNCAO), "99");
    window.type(controls::Ed_DOCUMEN, "      ");
    engine.set_action("VERCPF");
    engine.PROC_ECF_01();
    EXPECT_EQ(get_text(field(const_cast<const char*>(link_block), link::L_INDICADOR)), " ");
    EXPECT_EQ(get_text(field(const_cast<const char*>(link_block), link::L_FUNCAO)), "99");
    EXPECT_TRUE(window.log_of("message_box").empty());
}

} // namespace
} // namespace qv::test
