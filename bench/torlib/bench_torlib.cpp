// Cost of one TORLIB call through the C entry, per function code, over
// representative inputs. Each iteration restores the inputs the call
// overwrites (date 2 of "01", the text of "05"), as a caller would fill them.
#include "shared/cp1252.h"
#include "shared/link_block.h"
#include "torlib/torlib.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace L = qv::link;
using namespace qv::literals;

char* link_block() {
    static char* const link = bind_shared_record(L::kName, L::kSize);
    return link;
}

// One set of inputs: fields and their values, blank-filled to the width.
struct Input {
    std::vector<std::pair<qv::FieldSpec, std::string>> fields;
};

// The inputs as ready-made field images, so that refilling them costs a few
// byte copies, as in a caller that moves its values into the block.
struct Prepared {
    struct Image {
        std::size_t offset;
        std::string bytes;
    };
    std::vector<Image> images;

    explicit Prepared(const Input& in) {
        for (const auto& [field, value] : in.fields) {
            std::string bytes(field.width, ' ');
            bytes.replace(0, std::min(value.size(), field.width), value, 0, field.width);
            images.push_back({field.offset, bytes});
        }
    }
    void fill(char* link) const {
        for (const Image& i : images)
            std::memcpy(link + i.offset, i.bytes.data(), i.bytes.size());
    }
};

// Rotates through `inputs`, refilling them and calling TORLIB.
void run(benchmark::State& state, const char* code, const std::vector<Input>& inputs) {
    char* link = link_block();
    qv::put_text(qv::field(link, L::L_FUNCAO), code);
    std::vector<Prepared> prepared(inputs.begin(), inputs.end());
    std::size_t i = 0;
    for (auto _ : state) {
        prepared[i].fill(link);
        TORLIB();
        benchmark::DoNotOptimize(link_block()[L::L_INDICADOR.offset]);
        benchmark::ClobberMemory();
        if (++i == inputs.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

// --- 01 calendar ---------------------------------------------------------

void BM_Calendar_AddDays(benchmark::State& state) {
    run(state, "01",
        {{{{L::L_DATA1, "06122026"}, {L::L_DATA2, "00000000"}, {L::L_DIAS, "000030"}}},
         {{{L::L_DATA1, "01011601"}, {L::L_DATA2, "00000000"}, {L::L_DIAS, "999999"}}},
         {{{L::L_DATA1, "29022024"}, {L::L_DATA2, "00000000"}, {L::L_DIAS, "000366"}}},
         {{{L::L_DATA1, "31129998"}, {L::L_DATA2, "00000000"}, {L::L_DIAS, "000001"}}}});
}
BENCHMARK(BM_Calendar_AddDays);

void BM_Calendar_CountDays(benchmark::State& state) {
    run(state, "01",
        {{{{L::L_DATA1, "01032024"}, {L::L_DATA2, "01032025"}}},
         {{{L::L_DATA1, "01011601"}, {L::L_DATA2, "31129999"}}},
         {{{L::L_DATA1, "25122012"}, {L::L_DATA2, "06122026"}}},
         {{{L::L_DATA1, "01032025"}, {L::L_DATA2, "01032024"}}}}); // out of order: "N"
}
BENCHMARK(BM_Calendar_CountDays);

void BM_Calendar_InvalidDate(benchmark::State& state) {
    run(state, "01",
        {{{{L::L_DATA1, "29022023"}, {L::L_DATA2, "00000000"}}},
         {{{L::L_DATA1, "01032024"}, {L::L_DATA2, "31042025"}}}});
}
BENCHMARK(BM_Calendar_InvalidDate);

// --- 02 documents --------------------------------------------------------

void BM_Document_Cpf(benchmark::State& state) {
    run(state, "02",
        {{{{L::L_INDICADOR, "F"}, {L::L_CPF, "12345678909"}}},   // valid
         {{{L::L_INDICADOR, "F"}, {L::L_CPF, "12345678900"}}},   // invalid
         {{{L::L_INDICADOR, "F"}, {L::L_CPF, "52998224725"}}},   // valid
         {{{L::L_INDICADOR, "F"}, {L::L_CPF, "11111111112"}}}}); // invalid
}
BENCHMARK(BM_Document_Cpf);

void BM_Document_Cnpj(benchmark::State& state) {
    run(state, "02",
        {{{{L::L_INDICADOR, "J"}, {L::L_CNPJ, "11222333000181"}}},   // valid
         {{{L::L_INDICADOR, "J"}, {L::L_CNPJ, "11222333000180"}}},   // invalid
         {{{L::L_INDICADOR, "J"}, {L::L_CNPJ, "11222A33000181"}}},   // not digits
         {{{L::L_INDICADOR, "J"}, {L::L_CNPJ, "00000000000000"}}}}); // valid
}
BENCHMARK(BM_Document_Cnpj);

// --- 03 / 04 amounts in words ---------------------------------------------

const std::vector<Input> kAmounts = {
    {{{L::L_VALOR, "00000000001"}}}, {{{L::L_VALOR, "00000000100"}}},
    {{{L::L_VALOR, "00000012345"}}}, {{{L::L_VALOR, "00000519501"}}},
    {{{L::L_VALOR, "00100100000"}}}, {{{L::L_VALOR, "01234567890"}}},
    {{{L::L_VALOR, "99999999999"}}}, {{{L::L_VALOR, "00000000000"}}}};

void BM_Words_Amount(benchmark::State& state) {
    run(state, "03", kAmounts);
}
BENCHMARK(BM_Words_Amount);
void BM_Words_Number(benchmark::State& state) {
    run(state, "04", kAmounts);
}
BENCHMARK(BM_Words_Number);

// --- 05 text -------------------------------------------------------------------

void BM_Text_Full(benchmark::State& state) {
    // 210 characters of accented Windows-1252 text.
    std::string text;
    while (text.size() < L::L_TEXTO.width)
        text += "São Paulo, Avenida Brasília 123, "_cp1252;
    text.resize(L::L_TEXTO.width);
    run(state, "05", {{{{L::L_TEXTO, text}}}});
}
BENCHMARK(BM_Text_Full);

// --- 06 file existence -------------------------------------------------------------

void BM_File_Existing(benchmark::State& state) {
    char templ[] = "/tmp/bench-torlib-XXXXXX";
    const int fd = mkstemp(templ);
    if (fd < 0) return state.SkipWithError("no temporary file");
    close(fd);
    run(state, "06", {{{{L::L_TEXTO, templ}}}});
    unlink(templ);
}
BENCHMARK(BM_File_Existing);

void BM_File_Missing(benchmark::State& state) {
    run(state, "06", {{{{L::L_TEXTO, "/tmp/bench-torlib-nao-existe/arquivo.txt"}}}});
}
BENCHMARK(BM_File_Missing);

// --- unknown code: the cost of the entry itself ----------------------------------

void BM_Entry_UnknownCode(benchmark::State& state) {
    run(state, "08", {{{}}});
}
BENCHMARK(BM_Entry_UnknownCode);

} // namespace

BENCHMARK_MAIN();
