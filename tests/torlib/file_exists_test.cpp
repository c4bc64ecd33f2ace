// The file test against real files: examples in a private folder, a file
// left unchanged, a pipe that must not hang the caller.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::torlib_test {
namespace {

class FileTest : public testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/torlib-file-test-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
        existing_ = dir_ + "/cupom.txt";
        std::ofstream(existing_) << "conteudo do arquivo\n";
    }
    void TearDown() override {
        if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    static char exists(const std::string& path) {
        Block b = filled('#');
        set(b, L::L_FUNCAO, "06");
        set(b, L::L_TEXTO, path);
        return get(call(b), L::L_INDICADOR)[0];
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string dir_, existing_;
};

TEST_F(FileTest, Examples) {
    for (const Example& e : file_examples(existing_, dir_ + "/nao-existe.txt"))
        EXPECT_EQ(differences(call(e.input()), e.expected()), "") << e.name;
}

TEST_F(FileTest, FileIsUnchanged) {
    struct stat before {};
    ASSERT_EQ(stat(existing_.c_str(), &before), 0);
    EXPECT_EQ(exists(existing_), 'S');
    struct stat after {};
    ASSERT_EQ(stat(existing_.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(contents(existing_), "conteudo do arquivo\n");
}

// A relative path is taken from the working folder.
TEST_F(FileTest, RelativePath) {
    char* old = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    EXPECT_EQ(exists("cupom.txt"), 'S');
    EXPECT_EQ(exists("./nada.txt"), 'N');
    EXPECT_EQ(chdir(old), 0);
    std::free(old);
}

// A pipe with no writer would block an ordinary open for reading.
TEST_F(FileTest, PipeWithoutWriterAnswersAtOnce) {
    const std::string fifo = dir_ + "/fila";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(exists(fifo), 'S');
}

// Found but refused still counts as existing. (As root the open succeeds;
// the answer is the same.)
TEST_F(FileTest, UnreadableFileExists) {
    ASSERT_EQ(chmod(existing_.c_str(), 0), 0);
    EXPECT_EQ(exists(existing_), 'S');
}

// A name in the records' Windows-1252 names the file of the same name.
TEST_F(FileTest, AccentedName) {
    std::ofstream(dir_ + "/relat\xC3\xB3rio.txt") << "x";
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
