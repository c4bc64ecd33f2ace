// The driver's own time per command against a do-nothing vendor library:
// filling nothing, binding every function by name, the calls themselves,
// the result mapping. Target: under 20 microseconds per command.
#include "driver/fiscal_driver.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string_view>

namespace {

using namespace qv::impfis;

char* prepared_block() {
    ::setenv("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH, 1);
    ::unsetenv("ECF_RECORDER_LOG");
    ::unsetenv("ECF_RECORDER_SCRIPT");
    char* rec = qv::driver::parameter_block();
    // One coupon's data, so that every command finds what it needs.
    const struct {
        qv::FieldSpec field;
        std::string_view text;
    } kData[] = {
        {IMPFIS_DOCUMENTO, "12345678901"},
        {IMPFIS_COD_ITEM, "0000000000001"},
        {IMPFIS_DESCRICAO, "REFEICAO"},
        {IMPFIS_UNIDADE, "  "},
        {IMPFIS_QUANTIDADE, "0001000"},
        {IMPFIS_PRECO_UNIT, "00010000"},
        {IMPFIS_DESC_ITEM, "00"},
        {IMPFIS_TIPO_DESC, "D"},
        {IMPFIS_MODO_DESC, "$"},
        {IMPFIS_VALOR_DESC, "00000000000000"},
        {IMPFIS_FORMA_PAGTO, "Dinheiro"},
        {IMPFIS_VALOR_PAGTO, "00000000015000"},
        {IMPFIS_MENSAGEM, "Vlr aprox.tributos R$ 20,00 (13,33%)"},
    };
    for (const auto& d : kData)
        qv::put_text(qv::field(rec, d.field), d.text);
    return rec;
}

void command(benchmark::State& state, std::string_view name) {
    char* rec = prepared_block();
    qv::put_text(qv::field(rec, IMPFIS_COMANDO), name);
    for (auto _ : state) {
        // The tax code is rewritten by every sale; start each from "F".
        qv::put_text(qv::field(rec, IMPFIS_ALIQUOTA), "F");
        qv::driver::invoke_form(qv::driver::kFormName);
        benchmark::DoNotOptimize(rec);
    }
    if (qv::get_int32le(qv::field(rec, IMPFIS_RETORNO)) != 1)
        state.SkipWithError("the do-nothing library did not answer 1");
}

BENCHMARK_CAPTURE(command, abre_cupom, "ABRE-CUPOM")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, vende_item, "VENDE-ITEM")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, ini_fcto_cpom, "INI-FCTO-CPOM")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, efet_form_pagto, "EFET-FORM-PAGTO")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, term_fecto_cupom, "TERM-FECTO-CUPOM")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, canc_cupom, "CANC-CUPOM")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, reducaoz, "REDUCAOZ")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(command, leiturax, "LEITURAX")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
