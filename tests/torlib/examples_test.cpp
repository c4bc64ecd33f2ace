// The worked examples through the C entry: the whole block after the call
// must be the block before it with exactly the listed outputs written.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <cctype>

namespace qv::torlib_test {
namespace {

std::string test_name(const testing::TestParamInfo<Example>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class Examples : public testing::TestWithParam<Example> {};

TEST_P(Examples, WritesExactlyItsOutputs) {
    const Example& e = GetParam();
    EXPECT_EQ(differences(call(e.input()), e.expected()), "");
}

// The same examples on a block that starts as spaces and on one that starts
// as high bytes, so no answer depends on what the untouched fields hold.
TEST_P(Examples, AnswerDoesNotDependOnOtherFields) {
    for (char filler : {' ', '\xFF'}) {
        Example e = GetParam();
        e.filler = filler;
        EXPECT_EQ(differences(call(e.input()), e.expected()), "") << "filler " << int(filler);
    }
}

INSTANTIATE_TEST_SUITE_P(Words, Examples, testing::ValuesIn(words_examples()), test_name);
INSTANTIATE_TEST_SUITE_P(Documents, Examples, testing::ValuesIn(document_examples()), test_name);
INSTANTIATE_TEST_SUITE_P(AlphanumericCnpj, Examples,
                         testing::ValuesIn(alphanumeric_cnpj_examples()), test_name);
INSTANTIATE_TEST_SUITE_P(Calendar, Examples, testing::ValuesIn(calendar_examples()), test_name);
INSTANTIATE_TEST_SUITE_P(Text, Examples, testing::ValuesIn(text_examples()), test_name);
INSTANTIATE_TEST_SUITE_P(Dispatch, Examples, testing::ValuesIn(dispatch_examples()), test_name);

} // namespace
} // namespace qv::torlib_test
