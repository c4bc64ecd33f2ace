// The file test against real files: examples in a private folder, a file
// left unchanged, a pipe that must not hang the caller.
#include "shared/platform/platform.h"
#include "tests/support/fifo.h"
#include "tests/support/scratch_folder.h"
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace qv::torlib_test {
namespace {

class FileTest : public testing::Test {
  protected:
    void SetUp() override {
        existing_ = dir_ + "/cupom.txt";
        std::ofstream(folder_.path() / "cupom.txt", std::ios::binary) << "conteudo do arquivo\n";
    }

    static char exists(const std::string& path) {
        Block b = filled('#');
        set(b, L::L_FUNCAO, "06");
        set(b, L::L_TEXTO, path);
        return get(call(b), L::L_INDICADOR)[0];
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(qv::test::from_utf8(path), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    qv::test::ScratchFolder folder_{"torlib-file-test"};
    std::string dir_ = folder_.text(), existing_;
};

TEST_F(FileTest, Examples) {
    for (const Example& e : file_examples(existing_, dir_ + "/nao-existe.txt"))
        EXPECT_EQ(differences(call(e.input()), e.expected()), "") << e.name;
}

TEST_F(FileTest, FileIsUnchanged) {
    const std::filesystem::path file = folder_.path() / "cupom.txt";
    const auto size = std::filesystem::file_size(file);
    const auto modified = std::filesystem::last_write_time(file);
    EXPECT_EQ(exists(existing_), 'S');
    EXPECT_EQ(std::filesystem::file_size(file), size);
    EXPECT_EQ(std::filesystem::last_write_time(file), modified);
    EXPECT_EQ(contents(existing_), "conteudo do arquivo\n");
}

// A relative path is taken from the working folder.
TEST_F(FileTest, RelativePath) {
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    EXPECT_EQ(exists("cupom.txt"), 'S');
    EXPECT_EQ(exists("./nada.txt"), 'N');
    std::filesystem::current_path(old);
}

// A pipe with no writer would block an ordinary open for reading.
TEST_F(FileTest, PipeWithoutWriterAnswersAtOnce) {
    if constexpr (platform::kWindows)
        GTEST_SKIP() << "Windows has no named pipes in the file system (no FIFO to make)";
    const std::string fifo = dir_ + "/fila";
    ASSERT_TRUE(qv::test::make_fifo(fifo));
    EXPECT_EQ(exists(fifo), 'S');
}

// Found but refused still counts as existing. (As root the open succeeds;
// the answer is the same.)
TEST_F(FileTest, UnreadableFileExists) {
    if constexpr (platform::kWindows)
        GTEST_SKIP() << "Windows has no mode bits that refuse reading a file (mode 0)";
    std::error_code refused;
    std::filesystem::permissions(existing_, std::filesystem::perms::none, refused);
    ASSERT_FALSE(refused) << refused.message();
    EXPECT_EQ(exists(existing_), 'S');
}

// A name in the records' Windows-1252 names the file of the same name.
TEST_F(FileTest, AccentedName) {
    std::ofstream(folder_.path() / qv::test::from_utf8("relatório.txt")) << "x";
    EXPECT_EQ(exists(dir_ + "/relat" + cp("ó") + "rio.txt"), 'S');
    EXPECT_EQ(exists(dir_ + "/relat" + cp("ò") + "rio.txt"), 'N');
}

// A NUL inside the path would cut the name short and test another file.
TEST_F(FileTest, NulInsideThePathIsNoFile) {
    EXPECT_EQ(exists(existing_ + std::string(1, '\0') + "x"), 'N');
}

// Trailing blanks are the field's fill, not part of the name.
TEST_F(FileTest, TrailingBlanksDoNotCount) {
    EXPECT_EQ(exists(existing_ + "   "), 'S');
}

} // namespace
} // namespace qv::torlib_test
