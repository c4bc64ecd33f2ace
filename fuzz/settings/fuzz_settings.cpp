// Fuzzes the start-up load ("ABRAR") with any content of Quiterval.TOR.
// Every input must either load (no message, the window stays) or be refused
// with the reading message and the window closed; the file must come out
// byte for byte as it went in, and nothing else may appear in the folder.
// The harness works in a private folder of its own (the program reads the
// settings from its working directory), so give it absolute corpus paths.
#include "app/core/coupon_engine.h"
#include "app/core/settings_file.h"

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

class QuietWindow : public qv::WindowOps {
  public:
    std::string get_text(std::string_view) override { return std::string(256, ' '); }
    void set_text(std::string_view, std::string_view) override {}
    qv::Decimal get_number(std::string_view) override { return {}; }
    void set_number(std::string_view, qv::Decimal value) override {
        if (value.is_negative()) fail("negative value from an unsigned field");
    }
    void set_visible(std::string_view, bool) override {}
    void set_position(std::string_view, int, int) override {}
    void set_focus(std::string_view) override {}
    int selected_page(std::string_view) override { return 1; }
    int message_box(std::string_view text, int) override {
        last_message = std::string(text);
        ++messages;
        return qv::kAnswerOk;
    }
    void open_form(std::string_view) override { fail("the load opened a form"); }
    void close_window() override { closed = true; }
    void run_program(std::string_view, int) override { fail("the load ran a program"); }
    void set_pointer(std::string_view) override {}
    std::string grid_text(std::string_view, int, int) override { return std::string(256, ' '); }
    void set_grid_text(std::string_view, int row, int, std::string_view text) override {
        if (row < 1 || row > 40 || text.size() > 20) fail("grid cell out of shape");
    }
    qv::Decimal grid_number(std::string_view, int, int) override { return {}; }
    void set_grid_number(std::string_view, int row, int, qv::Decimal) override {
        if (row < 1 || row > 40) fail("grid row out of range");
    }
    void list_clear(std::string_view) override {}
    void list_add(std::string_view, std::string_view entry) override {
        if (entry.size() != 29) fail("login entry not 29 characters");
    }
    int option_value(std::string_view) override { return 0; }

    static void fail(const char* what) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }

    int messages = 0;
    std::string last_message;
    bool closed = false;
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
        if (window.closed) QuietWindow::fail("closed without a message");
        if (bytes.size() != qv::settings::kRecordSize) QuietWindow::fail("loaded a short file");
    } else if (window.messages != 1 || !window.closed ||
               window.last_message != "Erro na leiturado  arquivo Quiterval.TOR !!!") {
        QuietWindow::fail("a refused file was not reported with the reading message");
    }
    return 0;
}
