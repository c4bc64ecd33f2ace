// The NFC-e back end's time per coupon and the XML it keeps per note,
// against the stand-in SEFAZ over HTTPS on the loopback (the client
// certificate required) and printing on the simulated thermal printer.
//
//   bench_nfce [--coupons N] [--silent-coupons N] [--limit SECONDS] [--pki DIR]
//              [--scratch DIR] [--danfe-png FILE] [--keep] [--json]
//
// Each of the N coupons goes out twice, one after the other:
//  - whole, as the till sends it: ABRE-CUPOM, VENDE-ITEM (meal, drinks),
//    INI-FCTO-CPOM, EFET-FORM-PAGTO and TERM-FECTO-CUPOM through
//    nfce::Backend::run, from the first command until the printer has the
//    DANFE's last byte (the simulated printer's text and PNG written);
//  - in phases: the closing's steps, over the same functions the back end
//    calls and in its order, each timed: building the note, signing it
//    (with the QR code supplement, which needs the signature's digest),
//    storing (the numbers' journal and the XML kept, durably), transmitting
//    (the synchronous authorisation over the transport) and printing (the
//    DANFE laid out and printed).
// Then the stand-in is told not to answer, and --silent-coupons coupons go
// out whole under the configured time limit (the example nfce.conf's
// contingencia_segundos, or --limit): the time until the contingency DANFE
// is printed. Last, the stand-in answers again and "REDUCAOZ" sends the
// queue. The bytes under the data folder's xml/ tree (and contingencia/)
// are counted per note.
//
// The certificates are the tests' (tests/support/test_pki.sh), made in the
// scratch folder unless --pki names a folder made by it. Not a test.
#include "danfe/danfe.h"
#include "nfce/access_key.h"
#include "nfce/certificate.h"
#include "nfce/config.h"
#include "nfce/issuer.h"
#include "nfce/note.h"
#include "nfce/signature.h"
#include "nfce/soap.h"
#include "nfce/states.h"
#include "nfce/store.h"
#include "nfce/transport.h"
#include "sefazsim/server.h"
#include "shared/decimal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace qv;
using Clock = std::chrono::steady_clock;

constexpr const char* kCnpj = "12345678000195"; // the test certificate's

[[noreturn]] void fail(const std::string& why) {
    (void)std::fprintf(stderr, "bench_nfce: %s\n", why.c_str());
    std::exit(1);
}

[[noreturn]] void usage_error(const std::string& why) {
    (void)std::fprintf(stderr,
                       "bench_nfce: %s\nuso: bench_nfce [--coupons N] [--silent-coupons N] "
                       "[--limit SEGUNDOS] [--pki PASTA] [--scratch PASTA] [--danfe-png ARQUIVO] "
                       "[--keep] [--json]\n",
                       why.c_str());
    std::exit(2);
}

struct Options {
    int coupons = 100;
    int silent_coupons = 3;
    int limit_seconds = 0; // 0: the example configuration's
    std::string pki;
    std::string scratch;
    std::string danfe_png;
    bool keep = false;
    bool json = false;
};

int count_of(const char* text, const char* option, int least) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < least || value > 100000)
        usage_error(std::string(option) + " precisa de um número de ao menos " +
                    std::to_string(least));
    return static_cast<int>(value);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) usage_error(std::string(name) + " precisa de um valor");
            return argv[++i];
        };
        if (a == "--coupons")
            o.coupons = count_of(value("--coupons"), "--coupons", 1);
        else if (a == "--silent-coupons")
            o.silent_coupons = count_of(value("--silent-coupons"), "--silent-coupons", 0);
        else if (a == "--limit")
            o.limit_seconds = count_of(value("--limit"), "--limit", 1);
        else if (a == "--pki")
            o.pki = value("--pki");
        else if (a == "--scratch")
            o.scratch = value("--scratch");
        else if (a == "--danfe-png")
            o.danfe_png = value("--danfe-png");
        else if (a == "--keep")
            o.keep = true;
        else if (a == "--json")
            o.json = true;
        else
            usage_error("opção desconhecida " + std::string(a));
    }
    return o;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("não foi possível ler " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) fail("não foi possível gravar " + path.string());
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The example configuration with line `key` set to `value` (commented out
// or not); appended when the example has no such line.
void set_key(std::string& text, const std::string& key, const std::string& value) {
    const std::string line = key + "=" + value;
    for (const std::string& form : {key + "=", "#" + key + "=", "# " + key + "="}) {
        std::size_t at = text.rfind('\n' + form);
        if (at == std::string::npos) continue;
        ++at;
        const std::size_t end = text.find('\n', at);
        text.replace(at, end == std::string::npos ? std::string::npos : end - at, line);
        return;
    }
    text += line;
    text += '\n';
}

// The statistics of one series of times, in milliseconds.
struct Spread {
    double median = 0;
    double p10 = 0;
    double p90 = 0;
    double min = 0;
    double max = 0;
};

double quantile(const std::vector<double>& sorted, double q) {
    const double at = q * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(at);
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (sorted[high] - sorted[low]) * (at - static_cast<double>(low));
}

Spread spread_of(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {quantile(v, 0.5), quantile(v, 0.1), quantile(v, 0.9), v.front(), v.back()};
}

// The stand-in SEFAZ serving from a thread of this process.
class Sefaz {
  public:
    explicit Sefaz(sefazsim::Options options) : server_(std::move(options)) {
        std::string error;
        if (!server_.start(&error)) fail("SEFAZ simulada não iniciou: " + error);
        thread_ = std::thread([this] { server_.serve(); });
    }
    Sefaz(const Sefaz&) = delete;
    Sefaz& operator=(const Sefaz&) = delete;
    ~Sefaz() {
        server_.stop();
        thread_.join();
    }
    int port() const { return server_.port(); }

  private:
    sefazsim::Server server_;
    std::thread thread_;
};

// The shop's transport, timing the authorisation requests that go through it.
class TimedTransport final : public nfce::Transport {
  public:
    explicit TimedTransport(nfce::Transport& inner) : inner_(inner) {}
    nfce::TransportAnswer post(const std::string& url, std::string_view content_type,
                               std::string_view body, std::chrono::milliseconds limit) override {
        const auto t0 = Clock::now();
        nfce::TransportAnswer answer = inner_.post(url, content_type, body, limit);
        if (url.find("NFeAutorizacao4") != std::string::npos)
            authorisation_ms += ms_between(t0, Clock::now());
        return answer;
    }
    double authorisation_ms = 0;

  private:
    nfce::Transport& inner_;
};

// The coupon of the benchmark: meal 32,90, drinks 8,50, no discount, cash 50,00,
// the customer's CPF, the closing message's tax line and operator.
constexpr const char* kDocument = "123.456.789-09";
constexpr const char* kTaxLine = "Vlr aprox.tributos R$  4,99 (12,05%) Fonte=IBPT";
constexpr const char* kOperator = "OPERADOR: JOAO";

Decimal amount(const char* text) {
    return *Decimal::parse(text);
}

std::string closing_message() {
    std::string m = kTaxLine;
    m.resize(48, ' ');
    m += kOperator;
    m.resize(240, ' ');
    return m;
}

// The coupon through the back end, command by command; the first refusal's text.
std::string run_coupon(nfce::Backend& backend) {
    nfce::CommandData data;
    data.document = kDocument;
    std::vector<std::pair<const char*, nfce::CommandData>> commands;
    commands.emplace_back("ABRE-CUPOM", data);
    data.item_code = "0000000000001";
    data.description = "REFEICAO";
    data.unit_price = amount("32,90");
    commands.emplace_back("VENDE-ITEM", data);
    data.item_code = "0000000000002";
    data.description = "BEBIDAS";
    data.unit_price = amount("8,50");
    commands.emplace_back("VENDE-ITEM", data);
    data.discount_type = "D";
    commands.emplace_back("INI-FCTO-CPOM", data);
    data.payment = "Dinheiro";
    data.paid = amount("50,00");
    commands.emplace_back("EFET-FORM-PAGTO", data);
    data.message = closing_message();
    commands.emplace_back("TERM-FECTO-CUPOM", data);
    for (const auto& [command, fields] : commands) {
        const nfce::Result r = backend.run(command, fields);
        if (!r.ok())
            return std::string(command) + ": " + r.texts[2] + " " + r.texts[0] + " " + r.texts[1];
    }
    return {};
}

// The same coupon as the closing command holds it.
nfce::Coupon coupon() {
    nfce::Coupon c;
    c.document = "12345678909";
    c.items = {{"0000000000001", "REFEICAO", amount("32,90"), amount("3,97")},
               {"0000000000002", "BEBIDAS", amount("8,50"), amount("1,02")}};
    c.payment = "Dinheiro";
    c.paid = amount("50,00");
    c.tax_line = kTaxLine;
    c.operator_line = kOperator;
    return c;
}

std::string without_declaration(std::string_view xml) {
    if (xml.starts_with("<?xml")) xml.remove_prefix(xml.find("?>") + 2);
    while (!xml.empty() && (xml.front() == '\n' || xml.front() == ' '))
        xml.remove_prefix(1);
    return std::string(xml);
}

std::string declared(std::string_view xml) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + without_declaration(xml);
}

std::string padded(std::uint32_t value, std::size_t width) {
    std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

// The DANFE of an authorised note, as the back end fills it.
danfe::Document danfe_of(const nfce::Config& cf, const nfce::Coupon& c, const std::string& key,
                         const std::string& qr, Decimal total, std::uint32_t number,
                         const nfce::Protocol& protocol) {
    danfe::Document d;
    const nfce::Issuer& is = cf.issuer;
    d.issuer = {is.name, is.cnpj, is.ie,
                is.street + ", " + is.number + " - " + is.district + " - " + is.city + "/" + is.uf};
    Decimal gross;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        const Decimal value = c.items[i].amount.truncated(2);
        d.items.push_back({c.items[i].code,
                           i == 0 ? nfce::kHomologationItem : c.items[i].description,
                           Decimal::from_int(1), "UN", value, value});
        gross += value;
    }
    d.total = gross;
    d.amount_to_pay = total;
    d.payments.push_back({c.payment, c.paid});
    d.change = c.paid - total;
    d.consultation_url = nfce::address(cf, nfce::Service::key_query);
    d.access_key = key;
    d.consumer_document = c.document;
    d.consumer_name = nfce::kHomologationName;
    d.number = padded(number, 9);
    d.series = padded(static_cast<std::uint32_t>(cf.series), 3);
    d.issued_at = "08/12/2026 12:30:00";
    d.homologation = true;
    d.qr_code = qr;
    d.taxes_line = c.tax_line;
    d.additional_info.push_back(c.operator_line);
    d.protocol = protocol.number;
    d.authorized_at = protocol.received_at;
    return d;
}

struct Phases {
    double building = 0;
    double signing = 0;
    double storing = 0;
    double transmitting = 0;
    double printing = 0;
};

// The closing of an online coupon, step by step, as the back end takes it.
Phases closing_in_phases(const nfce::Config& cf, const nfce::Certificate& certificate,
                         nfce::Transport& transport, nfce::Store& store,
                         const nfce::Printer& printer) {
    Phases p;
    const nfce::Coupon c = coupon();
    const nfce::Moment at = nfce::now();
    auto t = Clock::now();
    auto lap = [&t](double& phase) {
        const auto now = Clock::now();
        phase += ms_between(t, now);
        t = now;
    };
    auto keep = [&](const std::string& name, std::string_view xml) {
        if (!store.write_xml(at.local.year, at.local.month, at.local.day, name, declared(xml)))
            fail("XML não gravado: " + name);
    };

    // What the closing looks at before numbering: notes left unanswered, the queue.
    (void)store.unresolved(cf.series);
    (void)store.queue();
    const std::optional<std::uint32_t> number = store.reserve(cf.series);
    if (!number) fail("numeração não gravada em " + store.folder());
    lap(p.storing);

    const nfce::NoteResult built =
        nfce::build_note(cf, c, {*number, nfce::random_numeric_code(*number), 1, "", ""}, at.local);
    if (!built.note) fail("NFC-e não montada: " + built.error);
    lap(p.building);

    const nfce::SignResult signed_note = nfce::sign(built.note->xml, "infNFe", certificate);
    if (!signed_note.error.empty()) fail("NFC-e não assinada: " + signed_note.error);
    const nfce::VerifyResult check = nfce::verify(signed_note.xml);
    const nfce::QrFields fields{built.note->key,   cf.environment, at.local.day,
                                built.note->total, c.document,     check.digest_value};
    const std::string qr = nfce::qr_code(cf, fields, nfce::qr_signer(certificate));
    std::string xml = signed_note.xml;
    const std::size_t signature = xml.rfind("<Signature ");
    if (signature == std::string::npos) fail("NFC-e assinada sem a assinatura");
    xml.insert(signature, "<infNFeSupl><qrCode>" + nfce::xml_escaped(qr) + "</qrCode><urlChave>" +
                              nfce::xml_escaped(nfce::address(cf, nfce::Service::key_query)) +
                              "</urlChave></infNFeSupl>");
    lap(p.signing);

    const std::string& key = built.note->key;
    keep(key + "-nfe.xml", xml);
    if (!store.mark(cf.series, *number, nfce::NumberState::sent, key)) fail("journal não gravado");
    lap(p.storing);

    nfce::SefazClient client(cf, transport);
    const nfce::SefazAnswer answer = client.authorize(xml, std::to_string(*number));
    if (!answer.answered() || !answer.protocol || answer.protocol->cstat != 100)
        fail("a SEFAZ simulada não autorizou: " +
             (answer.protocol
                  ? std::to_string(answer.protocol->cstat) + " " + answer.protocol->reason
                  : std::to_string(answer.cstat) + " " + answer.reason + " " + answer.detail));
    lap(p.transmitting);

    keep(key + "-retorno.xml", answer.xml);
    keep(key + "-procNFe.xml",
         "<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">" +
             without_declaration(xml) + without_declaration(answer.protocol->xml) + "</nfeProc>");
    if (!store.mark(cf.series, *number, nfce::NumberState::authorised, key,
                    answer.protocol->number))
        fail("journal não gravado");
    lap(p.storing);

    const danfe::Printout out =
        danfe::layout(danfe_of(cf, c, key, qr, built.note->total, *number, *answer.protocol),
                      cf.danfe_width == 58 ? danfe::PaperWidth::mm58 : danfe::PaperWidth::mm80);
    if (!out.ok()) fail("DANFE não montado: " + out.error);
    const std::string printed = printer(out.bytes, key);
    if (!printed.empty()) fail(printed);
    lap(p.printing);
    return p;
}

// The files of one kind and their bytes.
struct Kind {
    int files = 0;
    std::uintmax_t bytes = 0;
};
using Sizes = std::map<std::string, Kind>;

// The files under `folder`, by the kind their names end in ("-nfe.xml").
Sizes bytes_by_kind(const fs::path& folder) {
    Sizes sizes;
    if (!fs::exists(folder)) return sizes;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        const std::size_t dash = name.find('-', name.size() > 44 ? 44 : 0);
        Kind& kind = sizes[dash == std::string::npos ? ".xml" : name.substr(dash)];
        ++kind.files;
        kind.bytes += entry.file_size();
    }
    return sizes;
}

std::uintmax_t total_of(const Sizes& sizes) {
    std::uintmax_t total = 0;
    for (const auto& [name, kind] : sizes)
        total += kind.bytes;
    return total;
}

std::string json_of(const Spread& s) {
    char text[200];
    (void)std::snprintf(text, sizeof text,
                        "{\"median\": %.3f, \"p10\": %.3f, \"p90\": %.3f, \"min\": %.3f, "
                        "\"max\": %.3f}",
                        s.median, s.p10, s.p90, s.min, s.max);
    return text;
}

// {"-nfe.xml": {"files": 3, "bytes_each": 5758}, ...}
std::string json_of(const Sizes& sizes) {
    std::string text = "{";
    for (const auto& [name, kind] : sizes)
        text += (text.size() > 1 ? ", \"" : "\"") + name +
                "\": {\"files\": " + std::to_string(kind.files) + ", \"bytes_each\": " +
                std::to_string(kind.bytes / static_cast<std::uintmax_t>(kind.files)) + "}";
    return text + "}";
}

std::string json_of(const std::vector<double>& values) {
    std::string text = "[";
    for (const double v : values)
        text += (text.size() > 1 ? ", " : "") + std::to_string(v);
    return text + "]";
}

// Removes the scratch folder last, once the stand-in has stopped.
struct Cleanup {
    fs::path folder;
    ~Cleanup() {
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
    }
};

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    std::error_code ec;
    fs::path scratch = o.scratch;
    if (scratch.empty()) {
        std::string pattern = (fs::temp_directory_path() / "quiterval-bench-nfce-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) fail("sem pasta de rascunho");
        scratch = pattern;
    }
    fs::create_directories(scratch, ec);
    const Cleanup cleanup{o.keep || !o.scratch.empty() ? fs::path() : scratch};

    fs::path pki = o.pki;
    if (pki.empty()) {
        pki = scratch / "pki";
        const std::string made =
            "bash '" + std::string(NFCE_TEST_PKI) + "' '" + pki.string() + "' " + kCnpj;
        if (std::system(made.c_str()) != 0) fail("test_pki.sh falhou (openssl 3 instalado?)");
    }

    sefazsim::Options so;
    so.ca_file = (pki / "ca.pem").string();
    so.cert_file = (pki / "server.pem").string();
    so.key_file = (pki / "server.key").string();
    so.folder = scratch / "sefaz";
    so.control_file = scratch / "controle.txt";
    write_file(so.control_file, "comportamento=autorizar\n");
    Sefaz sefaz(so);

    // The shipped example nfce.conf, with the test certificate's CNPJ and
    // files, the simulated printer, and the stand-in's addresses.
    std::string conf = read_file(NFCE_EXAMPLE_CONFIG);
    set_key(conf, "CNPJ", kCnpj);
    set_key(conf, "certificado", (pki / "a1.pfx").string());
    set_key(conf, "senha_certificado", (pki / "senha.txt").string());
    set_key(conf, "autoridades", (pki / "ca.pem").string());
    set_key(conf, "impressora", "simulada");
    if (o.limit_seconds > 0)
        set_key(conf, "contingencia_segundos", std::to_string(o.limit_seconds));
    for (const char* service : {"NFeAutorizacao4", "NFeConsultaProtocolo4", "NFeStatusServico4",
                                "NFeRecepcaoEvento4", "NFeInutilizacao4"})
        set_key(conf, std::string("url.") + service,
                "https://127.0.0.1:" + std::to_string(sefaz.port()) + "/ws/" + service + ".asmx");
    write_file(scratch / "nfce.conf", conf);
    const nfce::ConfigResult read = nfce::read_config((scratch / "nfce.conf").string());
    if (!read.config) fail(read.errors.empty() ? "nfce.conf inválido" : read.errors.front());
    const nfce::Config& config = *read.config;
    const nfce::CertificateResult loaded = nfce::load_certificate(config, std::time(nullptr));
    if (!loaded.certificate) fail(loaded.error);
    const nfce::Certificate& certificate = *loaded.certificate;
    const std::unique_ptr<nfce::Transport> https = nfce::make_https_transport(
        {certificate.cert_pem(), certificate.key_pem(), config.extra_ca_file});

    setenv("THERMALSIM_DIR", (scratch / "termica").string().c_str(), 1);
    const nfce::Printer simulated = nfce::configured_printer(config);
    double printer_ms = 0;
    const nfce::Printer timed_printer = [&](std::string_view escpos, std::string_view name) {
        const auto t0 = Clock::now();
        std::string error = simulated(escpos, name);
        printer_ms += ms_between(t0, Clock::now());
        return error;
    };

    // --- online: whole coupons and their closings in phases, alternately ---
    TimedTransport timed(*https);
    nfce::Store whole_store((scratch / "inteiro" / "nfce").string());
    nfce::Store phase_store((scratch / "fases" / "nfce").string());
    if (!whole_store.ok() || !phase_store.ok()) fail(whole_store.error() + phase_store.error());
    nfce::Backend backend(config, certificate, timed, whole_store, nfce::now, timed_printer);
    // The phases number their notes in a series of their own: the stand-in
    // holds each number of a series to the first note it authorised.
    nfce::Config phase_config = config;
    phase_config.series = config.series + 1;
    std::vector<double> whole, post, printer, building, signing, storing, transmitting, printing;
    for (int i = 0; i < o.coupons; ++i) {
        timed.authorisation_ms = 0;
        printer_ms = 0;
        const auto t0 = Clock::now();
        const std::string refused = run_coupon(backend);
        const double took = ms_between(t0, Clock::now());
        if (!refused.empty()) fail("cupom " + std::to_string(i + 1) + ": " + refused);
        whole.push_back(took);
        post.push_back(timed.authorisation_ms);
        printer.push_back(printer_ms);

        const Phases p =
            closing_in_phases(phase_config, certificate, *https, phase_store, simulated);
        building.push_back(p.building);
        signing.push_back(p.signing);
        storing.push_back(p.storing);
        transmitting.push_back(p.transmitting);
        printing.push_back(p.printing);
    }
    for (const auto& [number, r] : whole_store.numbers(config.series))
        if (r.state != nfce::NumberState::authorised)
            fail("a nota " + std::to_string(number) + " não ficou autorizada");
    const auto online_sizes = bytes_by_kind(scratch / "inteiro" / "nfce" / "xml");
    if (!o.danfe_png.empty()) {
        const std::string first_key = whole_store.numbers(config.series).begin()->second.key;
        fs::copy_file(scratch / "termica" / (first_key + ".png"), o.danfe_png,
                      fs::copy_options::overwrite_existing, ec);
        if (ec) fail("DANFE não copiado para " + o.danfe_png + ": " + ec.message());
    }

    // --- the stand-in silent: contingency ---
    std::vector<double> silent;
    Sizes offline_sizes, queue_sizes, sent_sizes;
    const fs::path silent_folder = scratch / "silencio" / "nfce";
    if (o.silent_coupons > 0) {
        write_file(so.control_file, "comportamento=sem-resposta\nespera=" +
                                        std::to_string(config.contingency_seconds + 60) + "\n");
        nfce::Store silent_store(silent_folder.string());
        // A series of its own too, unknown to the stand-in.
        nfce::Config silent_config = config;
        silent_config.series = config.series + 2;
        nfce::Backend offline(silent_config, certificate, *https, silent_store, nfce::now,
                              simulated);
        for (int i = 0; i < o.silent_coupons; ++i) {
            const auto t0 = Clock::now();
            const std::string refused = run_coupon(offline);
            silent.push_back(ms_between(t0, Clock::now()));
            if (!refused.empty())
                fail("cupom sem resposta " + std::to_string(i + 1) + ": " + refused);
        }
        for (const auto& [number, r] : silent_store.numbers(silent_config.series))
            if (r.state != nfce::NumberState::contingency)
                fail("a nota " + std::to_string(number) + " não ficou em contingência");
        offline_sizes = bytes_by_kind(silent_folder / "xml");
        queue_sizes = bytes_by_kind(silent_folder / "contingencia");
        write_file(so.control_file, "comportamento=autorizar\n");
        const nfce::Result z = offline.run("REDUCAOZ", {});
        if (!z.ok()) fail("REDUCAOZ: " + z.texts[2]);
        if (!silent_store.queue().empty()) fail("a fila de contingência não foi enviada");
        sent_sizes = bytes_by_kind(silent_folder / "xml");
    }

    std::vector<double> beyond;
    beyond.reserve(silent.size());
    for (const double ms : silent)
        beyond.push_back(ms - config.contingency_seconds * 1000.0);
    const Spread w = spread_of(whole);
    if (o.json) {
        std::printf("{\"coupons\": %d, \"limit_seconds\": %d, \"whole_ms\": %s,\n", o.coupons,
                    config.contingency_seconds, json_of(w).c_str());
        std::printf(" \"whole_post_ms\": %s, \"whole_printer_ms\": %s,\n",
                    json_of(spread_of(post)).c_str(), json_of(spread_of(printer)).c_str());
        std::printf(" \"building_ms\": %s,\n \"signing_ms\": %s,\n \"storing_ms\": %s,\n",
                    json_of(spread_of(building)).c_str(), json_of(spread_of(signing)).c_str(),
                    json_of(spread_of(storing)).c_str());
        std::printf(" \"transmitting_ms\": %s,\n \"printing_ms\": %s,\n",
                    json_of(spread_of(transmitting)).c_str(), json_of(spread_of(printing)).c_str());
        std::printf(" \"silent_coupons\": %d, \"silent_ms\": %s, \"beyond_limit_ms\": %s,\n",
                    o.silent_coupons, json_of(silent).c_str(), json_of(beyond).c_str());
        std::printf(" \"authorised_bytes\": %s, \"authorised_bytes_total\": %ju,\n",
                    json_of(online_sizes).c_str(),
                    total_of(online_sizes) / static_cast<std::uintmax_t>(o.coupons));
        const int n = std::max(o.silent_coupons, 1);
        std::printf(" \"contingency_bytes\": %s, \"contingency_bytes_total\": %ju,\n",
                    json_of(offline_sizes).c_str(),
                    total_of(offline_sizes) / static_cast<std::uintmax_t>(n));
        std::printf(" \"queue_bytes_total\": %ju,\n",
                    total_of(queue_sizes) / static_cast<std::uintmax_t>(n));
        std::printf(" \"contingency_sent_bytes\": %s, \"contingency_sent_bytes_total\": %ju}\n",
                    json_of(sent_sizes).c_str(),
                    total_of(sent_sizes) / static_cast<std::uintmax_t>(n));
    } else {
        auto show = [](const char* what, const Spread& s) {
            std::printf("%-34s mediana %8.2f ms (p10 %.2f, p90 %.2f, mín. %.2f, máx. %.2f)\n", what,
                        s.median, s.p10, s.p90, s.min, s.max);
        };
        show("cupom inteiro (Backend::run)", w);
        show("  dele, o pedido de autorização", spread_of(post));
        show("  dele, a impressora simulada", spread_of(printer));
        show("fase: montagem", spread_of(building));
        show("fase: assinatura e QR code", spread_of(signing));
        show("fase: gravação", spread_of(storing));
        show("fase: transmissão", spread_of(transmitting));
        show("fase: impressão", spread_of(printing));
        for (std::size_t i = 0; i < silent.size(); ++i)
            std::printf("sem resposta, cupom %zu: %.0f ms (limite %d s, %.0f ms além)\n", i + 1,
                        silent[i], config.contingency_seconds, beyond[i]);
        std::printf("XML por nota autorizada: %ju bytes\n",
                    total_of(online_sizes) / static_cast<std::uintmax_t>(o.coupons));
        if (!silent.empty())
            std::printf("XML por nota em contingência: %ju bytes (fila: %ju; depois de enviada: "
                        "%ju)\n",
                        total_of(offline_sizes) / silent.size(),
                        total_of(queue_sizes) / silent.size(),
                        total_of(sent_sizes) / silent.size());
    }
    return 0;
}
