#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace std::string_literals;

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Termica, PrintsAPipeIntoTheFolder) {
    qv::test::ScratchFolder folder("qv-termica");
    const std::string bytes = "\x1bt\x10P\xe3o\n"s;
    qv::test::RunOptions options;
    options.input = bytes;
    const qv::test::ProgramRun run =
        qv::test::run_program(TERMICA, {"--largura", "58", "--pasta", folder.text()}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(contents(folder.path() / "papel.txt"), "Pão\n");
    const std::string png = contents(folder.path() / "papel.png");
    ASSERT_GT(png.size(), 24U);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // the PNG header's width: 384 dots
    EXPECT_EQ(png.substr(16, 4), "\x00\x00\x01\x80"s);
}

TEST(Termica, ReportsMalformedBytesOfAFileWithTheirOffsetAndStatus1) {
    qv::test::ScratchFolder folder("qv-termica");
    const std::filesystem::path input = folder.path() / "entrada.bin";
    std::ofstream(input, std::ios::binary) << "ok\n\x1b\x7a"s;
    const qv::test::ProgramRun run =
        qv::test::run_program(TERMICA, {"--pasta", folder.text(), input.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("byte 3: comando desconhecido ESC 0x7A"), std::string::npos) << run.err;
    EXPECT_EQ(contents(folder.path() / "papel.txt"), "ok\n");
}

TEST(Termica, RefusesWhatItCannotDo) {
    qv::test::ScratchFolder folder("qv-termica");
    const struct {
        std::vector<std::string> args;
    } refusals[] = {
        {{"--largura", "76"}},
        {{"--nada"}},
        {{"--pasta", folder.text(), (folder.path() / "nao-existe.bin").string()}},
    };
    for (const auto& r : refusals) {
        const qv::test::ProgramRun run = qv::test::run_program(TERMICA, r.args);
        EXPECT_EQ(run.status, 2) << r.args[0];
        EXPECT_FALSE(run.err.empty());
    }
}

} // namespace
