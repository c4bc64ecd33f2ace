// The vendor functions' table makes a call with arguments that a function
// does not take a build error, not a call through a wrong type at run time.
#include "shared/vendor_functions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

namespace vendor = qv::vendor;

template <typename F, typename... Args>
concept Callable = requires(void* address, Args... args) {
    vendor::call<F>(address, args...);
};

// The driver's texts are std::string copies handed over as const char*.
static_assert(Callable<vendor::regAlterarValor_Daruma, const char*, const char*>);
static_assert(Callable<vendor::regAlterarValor_Daruma, char*, char*>);
static_assert(Callable<vendor::iCFCancelar_ECF_Daruma>);
static_assert(Callable<vendor::rStatusUltimoCmdInt_ECF_Daruma, std::int32_t*, std::int32_t*>);

// Too few, too many, or of another type.
static_assert(!Callable<vendor::iCFAbrir_ECF_Daruma, const char*, const char*>);
static_assert(!Callable<vendor::iCFCancelar_ECF_Daruma, const char*>);
static_assert(!Callable<vendor::regAlterarValor_Daruma, std::string, std::string>);
static_assert(!Callable<vendor::rStatusUltimoCmdInt_ECF_Daruma, const char*, const char*>);
static_assert(
    !Callable<vendor::rStatusUltimoCmdInt_ECF_Daruma, const std::int32_t*, const std::int32_t*>);

// A call reaches the function with the arguments as given.
std::int32_t QV_VENDOR_CALL joined_length(const char* a, const char* b) {
    return static_cast<std::int32_t>(std::string(a).size() + 10 * std::string(b).size());
}

TEST(VendorCall, PassesTheArgumentsAndReturnsTheResult) {
    void* address = reinterpret_cast<void*>(&joined_length);
    EXPECT_EQ(vendor::call<vendor::regAlterarValor_Daruma>(address, "abc", "de"), 23);
}

} // namespace
