// Fuzzes the start-up load ("ABRAR") with any content of Quiterval.TOR.
// Every input must either load (no message, the window stays) or be refused
// with the reading message and the window closed; the file must come out
// byte for byte as it went in, and nothing else may appear in the folder.
// The harness works in a private folder of its own (the program reads the
// settings from its working directory), so give it absolute corpus paths.
#include "app/core/coupon_engine.h"
#include "app/core/settings_file.h"
#include "tests/support/form_double.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The form as the program opens it; the load may fill it but must not ask,
// open a form or run a program. A control the form does not have aborts.
class QuietWindow : public qv::test::FormDouble {
  public:
    void set_number(std::string_view control, qv::Decimal value) override {
        if (value.is_negative()) fail("negative value from an unsigned field");
        FormDouble::set_number(control, value);
    }
    void set_grid_text(std::string_view grid, int row, int column, std::string_view text) override {
        if (row < 1 || row > kGridRows || text.size() > 20) fail("grid cell out of shape");
        FormDouble::set_grid_text(grid, row, column, text);
    }
    void set_grid_number(std::string_view grid, int row, int column, qv::Decimal value) override {
        if (row < 1 || row > kGridRows) fail("grid row out of range");
        FormDouble::set_grid_number(grid, row, column, value);
    }
    void list_add(std::string_view combo, std::string_view entry) override {
        if (entry.size() != 29) fail("login entry not 29 characters");
        FormDouble::list_add(combo, entry);
    }
    int message_box(std::string_view text, int) override {
        last_message = std::string(text);
        ++messages;
        return qv::kAnswerOk;
    }
    void open_form(std::string_view) override { fail("the load opened a form"); }
    void run_program(std::string_view, int) override { fail("the load ran a program"); }

    static void fail(const char* what) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }

    int messages = 0;
    std::string last_message;
};

const fs::path& folder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("qv-fuzz-settings-" + std::to_string(::getpid()));
        fs::create_directories(d);
        fs::current_path(d);
        return d;
    }();
    return dir;
}

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path file = folder() / std::string(qv::settings::kFileName);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    QuietWindow window;
    qv::CouponEngine engine(window);
    engine.set_action("ABRAR");
    engine.PROC_ECF_01();

    if (read_all(file) != bytes) QuietWindow::fail("the load changed the file");
    if (std::distance(fs::directory_iterator(folder()), fs::directory_iterator()) != 1)
        QuietWindow::fail("the load left another file behind");
    if (window.messages == 0) {
        if (window.closed()) QuietWindow::fail("closed without a message");
        if (bytes.size() != qv::settings::kRecordSize) QuietWindow::fail("loaded a short file");
    } else if (window.messages != 1 || !window.closed() ||
               window.last_message != "Erro na leiturado  arquivo Quiterval.TOR !!!") {
        QuietWindow::fail("a refused file was not reported with the reading message");
    }
    return 0;
}
