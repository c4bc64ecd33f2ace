// The printer's own rules: what each command does to the fiscal memory and
// what it prints, and what it refuses with which printer error. No files
// here: the caller loads the memory, runs one command and keeps the result
// only when the command was done.
#pragma once

#include "ecfsim/clock.h"
#include "ecfsim/memory.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::ecfsim {

// Printer errors this printer gives (codes of the printer's error table).
namespace err {
inline constexpr std::int32_t kMemoryLost = 16;      // "Perda de dados da MT"
inline constexpr std::int32_t kDateBeforeLast = 20;  // "Data inferior ao do último documento"
inline constexpr std::int32_t kNotPrintable = 29;    // "Caracter não estampável"
inline constexpr std::int32_t kItemLimit = 32;       // "Limite de itens atingido"
inline constexpr std::int32_t kMemoryFull = 70;      // "Capacidade da MF esgotada"
inline constexpr std::int32_t kZeroValue = 77;       // "Valor da operação não pode ser zero"
inline constexpr std::int32_t kCouponOpen = 78;      // "CF aberto"
inline constexpr std::int32_t kCouponNotOpen = 82;   // "CF não aberto"
inline constexpr std::int32_t kAlreadyTotalled = 87; // "Documento já totalizado"
inline constexpr std::int32_t kZPending = 88;        // "RZ do movimento anterior pendente"
inline constexpr std::int32_t kZDoneToday = 89;      // "Já emitiu RZ de hoje"
inline constexpr std::int32_t kNoCode = 91;          // "Campo de código ausente"
inline constexpr std::int32_t kNoDescription = 92;   // "Campo de descrição ausente"
inline constexpr std::int32_t kZeroQuantity = 93;    // "VU ou quantidade em zero"
inline constexpr std::int32_t kDiscountOverGross =
    100;                                           // "Desconto ou acréscimo supera valor bruto"
inline constexpr std::int32_t kGrossZero = 102;    // "Valor bruto zero"
inline constexpr std::int32_t kItemOverflow = 103; // "Overflow no valor do item"
inline constexpr std::int32_t kDocumentOverflow = 105; // "Overflow na capacidade do documento"
inline constexpr std::int32_t kDiscountOverSubtotal =
    117;                                        // "Valor do desconto ou acréscimo supera subtotal"
inline constexpr std::int32_t kNotPaying = 119; // "Não em fase de pagamento ou totalização"
inline constexpr std::int32_t kNotFinishing = 120;   // "Não em fase de finalização de documento"
inline constexpr std::int32_t kNotCancellable = 122; // "Último documento não é cancelável"
inline constexpr std::int32_t kClockBroken = 140;    // "Relógio inoperante"
inline constexpr std::int32_t kNoUnit = 185;         // "Falta unidade doproduto"
} // namespace err

// Return values of the vendor functions.
namespace ret {
inline constexpr std::int32_t kOk = 1;
inline constexpr std::int32_t kBadParameter = -2;
inline constexpr std::int32_t kRateNotProgrammed = -3;
inline constexpr std::int32_t kKeyNotFound = -4;
inline constexpr std::int32_t kPortError = -5;
inline constexpr std::int32_t kFileError = -8;
inline constexpr std::int32_t kMethodNotProgrammed = -10;
inline constexpr std::int32_t kRefused = -12;
} // namespace ret

// The programmed tax rates (ICMS) and payment methods.
inline constexpr std::string_view kRates[] = {"18,00", "12,00", "07,00", "25,00", "04,00"};
inline constexpr std::string_view kMethods[] = {"Dinheiro", "Cheque", "Cartao"};

struct Outcome {
    std::int32_t answer = ret::kOk; // the function's return value
    std::int32_t error = 0;         // the printer error, with answer -12
    std::string tape;               // what was printed (UTF-8)
    bool changed = false;           // the memory changed and must be kept
    std::string report_name;        // X reading / Z reduction: file name of its copy

    static Outcome refused(std::int32_t code) { return {ret::kRefused, code, {}, false, {}}; }
    static Outcome answered(std::int32_t value) { return {value, 0, {}, false, {}}; }
};

// One command on `memory` (changed in place only when the outcome is done).
class Printer {
  public:
    Printer(FiscalMemory& memory, const Config& config, const Moment& now)
        : m_(memory), config_(config), now_(now) {}

    Outcome open(const char* document, const char* name, const char* address);
    Outcome sell(const char* tax, const char* quantity, const char* unit_price,
                 const char* discount_kind, const char* discount_value, const char* code,
                 const char* unit, const char* description);
    Outcome total(const char* kind, const char* value);
    Outcome pay(const char* method, const char* amount);
    Outcome close(const char* message);
    Outcome cancel();
    Outcome x_reading();
    Outcome z_reduction(const char* date, const char* time);

  private:
    std::string day_report(std::string_view title, const Date& day) const;
    Decimal cut_or_round(Decimal v) const;

    FiscalMemory& m_;
    const Config& config_;
    Moment now_;
};

// "18,00", "7,00", "II", "NN", "FF" (trailing spaces ignored) to the
// totaliser name ("T18,00", "I", "N", "F"); nullopt when not programmed.
std::optional<std::string> totaliser(std::string_view code);

} // namespace qv::ecfsim
