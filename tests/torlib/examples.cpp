// The worked examples of every function, as tables. The same tables run
// through the C entry and through `torlib call`.
#include "tests/torlib/support.h"

namespace qv::torlib_test {
namespace {

Example amount(std::string code, std::string valor, std::string words) {
    return {code + " " + valor,
            {{L::L_FUNCAO, code}, {L::L_VALOR, valor}},
            {{L::L_TEXTO, words_text(words)}}};
}

Example document(std::string name, char indicator, std::string cpf, std::string cnpj, char answer) {
    return {std::move(name),
            {{L::L_FUNCAO, "02"},
             {L::L_INDICADOR, std::string(1, indicator)},
             {L::L_CPF, std::move(cpf)},
             {L::L_CNPJ, std::move(cnpj)}},
            {{L::L_INDICADOR, std::string(1, answer)}}};
}
Example cpf(std::string number, char answer) {
    return document("CPF " + number, 'F', number, "##############", answer);
}
Example cnpj(std::string number, char indicator, char answer) {
    return document("CNPJ " + number + " '" + indicator + "'", indicator, "###########", number,
                    answer);
}

// Function "07": only the CNPJ field goes in; the indicator passed is ignored.
Example cnpj07(std::string number, char answer) {
    return {"07 CNPJ '" + number + "'",
            {{L::L_FUNCAO, "07"},
             {L::L_INDICADOR, "F"},
             {L::L_CPF, "12345678909"},
             {L::L_CNPJ, std::move(number)}},
            {{L::L_INDICADOR, std::string(1, answer)}}};
}

std::vector<FieldValue> dates(std::string date1, std::string date2, std::string days) {
    return {{L::L_FUNCAO, "01"}, {L::L_DATA1, date1}, {L::L_DATA2, date2}, {L::L_DIAS, days}};
}
// The outputs written for a valid date 1.
std::vector<FieldValue> described(char weekday, std::string_view short_name,
                                  std::string_view long_name, std::string_view month,
                                  std::string_view written) {
    return {{L::L_INDICADOR, "S"},         {L::L_DIA_SEMANA, std::string(1, weekday)},
            {L::L_TEXTO1, cp(short_name)}, {L::L_TEXTO2, cp(long_name)},
            {L::L_NOME_MES, cp(month)},    {L::L_DATA_EXTENSO, cp(written)}};
}
std::vector<FieldValue> plus(std::vector<FieldValue> a, std::vector<FieldValue> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Example only_no(std::string name, std::vector<FieldValue> in) {
    return {std::move(name), std::move(in), {{L::L_INDICADOR, "N"}}};
}

} // namespace

std::vector<Example> words_examples() {
    return {
        amount("03", "00000000100", "Um Real"),
        amount("03", "00000000101", "Um Real, Um Centavo."),
        amount("03", "00000012345", "Cento e Vinte e Tres Reais, Quarenta e Cinco Centavos."),
        amount("03", "00000100100", "Um Mil e Um Reais"),
        amount("03", "00000199900", "Um Mil e Novecentos e Noventa e Nove Reais"),
        amount("03", "00100000000", "Um Milhao de Reais"),
        amount("03", "00100000100", "Um Milhao e Um Reais"),
        amount("03", "00100100000", "Um Milhao, Um Mil Reais"),
        amount("03", "00200000001", "Dois Milhoes de Reais, Um Centavo."),
        amount("03", "00000000021", "Vinte e Um Centavos."),
        amount("04", "00000000100", "Um"),
        amount("04", "00000000101", "Um"),
        amount("04", "00000012345", "Cento e Vinte e Tres"),
        amount("04", "00000100100", "Um Mil e Um"),
        amount("04", "00000199900", "Um Mil e Novecentos e Noventa e Nove"),
        amount("04", "00100000000", "Um Milhao"),
        amount("04", "00100000100", "Um Milhao e Um"),
        amount("04", "00100100000", "Um Milhao, Um Mil"),
        amount("04", "00200000001", "Dois Milhoes"),
        amount("04", "00000000021", "Vinte e Um Centavos."),
        // Zero, or a blank amount: no words, only asterisks.
        amount("03", "00000000000", ""),
        amount("04", "00000000000", ""),
        amount("03", "           ", ""),
        amount("04", "           ", ""),
        // Groups: "Cem" alone, "Cento" with more, "e" once between parts.
        amount("03", "00000010000", "Cem Reais"),
        amount("03", "00010000000", "Cem Mil Reais"),
        amount("03", "00010010000", "Cem Mil e Cem Reais"),
        amount("03", "00010100000", "Cento e Um Mil Reais"),
        amount("04", "00000010100", "Cento e Um"),
        amount("04", "00000011000", "Cento e Dez"),
        amount("04", "00000011500", "Cento e Quinze"),
        amount("04", "00000020000", "Duzentos"),
        amount("04", "00000002100", "Vinte e Um"),
        amount("03", "00100000100", "Um Milhao e Um Reais"),
        amount("03", "00100100000", "Um Milhao, Um Mil Reais"),
        amount("03", "00000519501", "Cinco Mil e Cento e Noventa e Cinco Reais, Um Centavo."),
        amount("03", "00000050001", "Quinhentos Reais, Um Centavo."),
        amount("03", "99999999999",
               "Novecentos e Noventa e Nove Milhoes, Novecentos e Noventa e Nove Mil e "
               "Novecentos e Noventa e Nove Reais, Noventa e Nove Centavos."),
        amount("04", "00000000050", "Cinquenta Centavos."),
        amount("04", "00000000150", "Um"),
        // The last character counts by its low four bits.
        amount("03", "0000000010A", "Um Real, Um Centavo."),
        amount("03", "0000000010 ", "Um Real"),
    };
}

std::vector<Example> document_examples() {
    return {
        cpf("12345678909", 'S'),
        cpf("12345678900", 'N'), // wrong second check digit
        cpf("12345678919", 'N'), // wrong first check digit
        cnpj("11222333000181", 'J', 'S'),
        cnpj("11222333000181", 'X', 'S'),
        cnpj("11222333000181", ' ', 'S'),
        cnpj("11222333000180", 'J', 'N'),
        cnpj("11222333000191", 'J', 'N'),
        cpf("00000000000", 'S'),
        cpf("11111111111", 'S'),
        cnpj("00000000000000", 'J', 'S'),
        cnpj("11111111111111", 'J', 'N'),
        cnpj("              ", 'J', 'N'),
        cnpj("11222A33000181", 'J', 'N'),
        // The last character counts by its low four bits.
        cnpj("1122233300018A", 'J', 'S'),
        cnpj("1122233300018 ", 'J', 'N'),
        // Blanks in a CPF count as zeros.
        cpf("           ", 'S'),
        cpf("100000037  ", 'S'),
        cpf("123456789  ", 'N'),
        // Remainders 0 and 1 both give the check digit 0.
        cpf("12345600705", 'S'),
        cpf("12345600209", 'S'),
        cpf("12345600110", 'S'),
        cnpj("11222333000009", 'J', 'S'),
        // Characters other than digits and blanks make a CPF invalid.
        cpf("1234567890A", 'N'),
        cpf("123.456.789", 'N'),
    };
}

std::vector<Example> alphanumeric_cnpj_examples() {
    return {
        // The tax authority's worked example, and each wrong check digit.
        cnpj07("12ABC34501DE35", 'S'),
        cnpj07("12ABC34501DE36", 'N'),
        cnpj07("12ABC34501DE45", 'N'),
        // Numeric CNPJs agree with "02".
        cnpj07("11222333000181", 'S'),
        cnpj07("11222333000180", 'N'),
        cnpj07("00000000000000", 'S'),
        cnpj07("11111111111111", 'N'),
        cnpj07("11222333000009", 'S'),
        // Letters in every base position: "ZZZZZZZZZZZZ" weighs 42 each.
        cnpj07("ZZZZZZZZZZZZ62", 'S'),
        // What is no CNPJ: lower case, blanks, other characters, a letter in
        // a check-digit position (where "02" would read it by its low bits).
        cnpj07("12abc34501de35", 'N'),
        cnpj07("12ABC34501dE35", 'N'),
        cnpj07("12ABC 34501DE3", 'N'),
        cnpj07("12ABC34501DE3 ", 'N'),
        cnpj07("              ", 'N'),
        cnpj07("12.ABC.345/01D", 'N'),
        cnpj07("12ABC34501D\xC9"
               "35",
               'N'),
        cnpj07("12ABC34501DE3E", 'N'),
        cnpj07("12ABC34501DEE5", 'N'),
        cnpj07("1122233300018A", 'N'),
        cnpj07("12ABC34501DE@5", 'N'),
        cnpj07("12ABC34501D[35", 'N'),
    };
}

std::vector<Example> calendar_examples() {
    return {
        {"06/12/2026 plus 0 days", dates("06122026", "00000000", "000000"),
         plus(described('1', "Domingo", "Domingo", "dezembro", "06 de dezembro de 2026"),
              {{L::L_DATA2, "06122026"}})},
        {"25/12/2012 is a Tuesday", dates("25122012", "00000000", "000000"),
         plus(described('3', "Terça", "Terça-Feira", "dezembro", "25 de dezembro de 2012"),
              {{L::L_DATA2, "25122012"}})},
        {"31/01/2024 plus 29 days", dates("31012024", "00000000", "000029"),
         plus(described('4', "Quarta", "Quarta-Feira", "janeiro", "31 de janeiro de 2024"),
              {{L::L_DATA2, "29022024"}})},
        {"31/01/2024 plus 30 days", dates("31012024", "00000000", "000030"),
         plus(described('4', "Quarta", "Quarta-Feira", "janeiro", "31 de janeiro de 2024"),
              {{L::L_DATA2, "01032024"}})},
        {"blank date 2 and blank days", dates("06122026", "        ", "    30"),
         plus(described('1', "Domingo", "Domingo", "dezembro", "06 de dezembro de 2026"),
              {{L::L_DATA2, "05012027"}})},
        {"01/03/2024 to 01/03/2025", dates("01032024", "01032025", "######"),
         plus(described('6', "Sexta", "Sexta-Feira", "março", "01 de março de 2024"),
              {{L::L_DIAS, "000365"}})},
        {"dates out of order", dates("01032025", "01032024", "######"),
         plus(described('7', "Sábado", "Sábado", "março", "01 de março de 2025"),
              {{L::L_DIAS, "999999"}, {L::L_INDICADOR, "N"}})},
        {"equal dates", dates("01032024", "01032024", "######"),
         plus(described('6', "Sexta", "Sexta-Feira", "março", "01 de março de 2024"),
              {{L::L_DIAS, "000000"}})},
        {"whole range keeps six digits", dates("01011601", "31129999", "######"),
         plus(described('2', "Segunda", "Segunda-Feira", "janeiro", "01 de janeiro de 1601"),
              {{L::L_DIAS, "067670"}})},
        {"every weekday name: Thursday", dates("05082027", "00000000", "000000"),
         plus(described('5', "Quinta", "Quinta-Feira", "agosto", "05 de agosto de 2027"),
              {{L::L_DATA2, "05082027"}})},
        {"leap day 2024", dates("29022024", "00000000", "000366"),
         plus(described('5', "Quinta", "Quinta-Feira", "fevereiro", "29 de fevereiro de 2024"),
              {{L::L_DATA2, "01032025"}})},
        {"last day plus 0", dates("31129999", "00000000", "000000"),
         plus(described('6', "Sexta", "Sexta-Feira", "dezembro", "31 de dezembro de 9999"),
              {{L::L_DATA2, "31129999"}})},
        // Past 31/12/9999 there is no date to give: "N", date 2 as it was.
        {"past the last day", dates("31129999", "00000000", "000001"),
         plus(described('6', "Sexta", "Sexta-Feira", "dezembro", "31 de dezembro de 9999"),
              {{L::L_INDICADOR, "N"}})},
        {"days that are not digits", dates("06122026", "00000000", "00A001"),
         plus(described('1', "Domingo", "Domingo", "dezembro", "06 de dezembro de 2026"),
              {{L::L_INDICADOR, "N"}})},
        only_no("29/02/2023 is no date", dates("29022023", "00000000", "000000")),
        only_no("31/12/1600 is before the calendar", dates("31121600", "00000000", "000000")),
        only_no("date 2 is judged first", dates("15062025", "31042025", "000000")),
        only_no("invalid date 2 even with a valid date 1", dates("01032024", "31042025", "000000")),
        only_no("date 1 zero", dates("00000000", "01032025", "000000")),
        only_no("date 1 blank", dates("        ", "00000000", "000000")),
        only_no("month 13", dates("01132024", "00000000", "000000")),
        only_no("day 00", dates("00032024", "00000000", "000000")),
        only_no("a blank inside a date", dates(" 1032024", "00000000", "000000")),
        only_no("a letter in date 2", dates("01032024", "0103202X", "000000")),
    };
}

std::vector<Example> text_examples() {
    return {
        {"street address",
         {{L::L_FUNCAO, "05"}, {L::L_TEXTO, cp("São Paulo, Avenida Brasília 123")}},
         {{L::L_TEXTO, "SAO PAULO, AVENIDA BRASILIA 123"}}},
        {"accented capitals and tildes",
         {{L::L_FUNCAO, "05"}, {L::L_TEXTO, cp("Ção ñÑ ü ÜÙ õ")}},
         {{L::L_TEXTO, "CAO NN U UU O"}}},
        {"letters outside the table stay",
         {{L::L_FUNCAO, "05"}, {L::L_TEXTO, cp("ÿýåÅ æß")}},
         {{L::L_TEXTO, cp("ÿýåÅ æß")}}},
        {"a full text area",
         {{L::L_FUNCAO, "05"}, {L::L_TEXTO, std::string(210, 'a')}},
         {{L::L_TEXTO, std::string(210, 'A')}}},
    };
}

std::vector<Example> file_examples(const std::string& existing, const std::string& missing) {
    const auto exists = [](std::string name, std::string path, char answer) {
        return Example{std::move(name),
                       {{L::L_FUNCAO, "06"}, {L::L_TEXTO, std::move(path)}},
                       {{L::L_INDICADOR, std::string(1, answer)}}};
    };
    return {
        exists("existing file", existing, 'S'),
        exists("missing file in an existing folder", missing, 'N'),
        exists("blank path", "", 'N'),
        exists("missing folder", missing + "/inside", 'N'),
        exists("path through a file", existing + "/inside", 'N'),
        exists("a folder", existing.substr(0, existing.rfind('/')), 'S'),
    };
}

std::vector<Example> dispatch_examples() {
    std::vector<Example> out;
    for (const char* code : {"08", "00", "AB", "  ", "1 ", " 1", "99", "10", "0A", "-1"}) {
        out.push_back({std::string("code '") + code + "'",
                       {{L::L_FUNCAO, code},
                        {L::L_TEXTO, cp("Texto de teste com acentuação")},
                        {L::L_VALOR, "00000012345"},
                        {L::L_INDICADOR, "F"},
                        {L::L_DATA1, "06122026"},
                        {L::L_DATA2, "00000000"},
                        {L::L_CPF, "12345678909"}},
                       {}});
    }
    return out;
}

} // namespace qv::torlib_test
