#include "tools/quiterval-nfce/commands.h"

#include "nfce/backend_setup.h"
#include "nfce/disablement.h"
#include "nfce/soap.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace qv::nfce_tool {

namespace {

using namespace qv::nfce;

constexpr const char* kUse = "uso: quiterval-nfce [--config ARQUIVO] situacao | enviar | "
                             "inutilizar [--serie N] INICIO FIM \"JUSTIFICATIVA\"\n";

// A command line taken apart.
struct Line {
    std::string command;
    std::vector<std::string> operands;
    std::optional<std::string> config_file;
    std::optional<std::string> series;
    bool help = false;
};

std::optional<Line> parsed(const std::vector<std::string>& args) {
    Line line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            line.help = true;
        } else if (a == "--config" || a == "--serie") {
            if (i + 1 == args.size()) return std::nullopt;
            (a == "--config" ? line.config_file : line.series) = args[++i];
        } else if (line.command.empty()) {
            line.command = a;
        } else {
            line.operands.push_back(a);
        }
    }
    return line;
}

std::optional<std::uint32_t> whole_number(const std::string& text) {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return n;
}

std::string two(long long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// "há 25 h 03 min"
std::string age(long long seconds) {
    if (seconds < 0) seconds = 0;
    return "há " + std::to_string(seconds / 3600) + " h " + two(seconds % 3600 / 60) + " min";
}

// "3, 7 a 9": the numbers in runs.
std::string runs(const std::vector<std::uint32_t>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += " a " + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

int situacao(ConfiguredBackend& b, std::ostream& out) {
    const Config& config = b.config;
    const Store& store = *b.store;
    out << "Configuração: " << b.config_file << "\nPasta de dados: " << store.folder() << '\n';
    out << "Ambiente: "
        << (config.environment == Environment::homologation ? "homologação (sem valor fiscal)"
                                                            : "produção")
        << '\n';
    SefazClient client(config, *b.transport);
    const SefazAnswer status = client.status();
    if (status.answered())
        out << "SEFAZ: " << status.cstat << ' ' << status.reason << '\n';
    else
        out << "SEFAZ sem resposta (" << transport_error_name(status.error) << ")\n";

    const std::map<std::uint32_t, NumberRecord> numbers = store.numbers(config.series);
    const std::vector<QueuedNote> queue = store.queue();
    const long long at = now().epoch;
    out << "Fila de contingência: " << queue.size() << " NFC-e\n";
    bool late = false;
    for (const QueuedNote& q : queue) {
        const std::uint32_t number = detail::number_of_key(q.key);
        out << "  nº " << number << ' ' << q.key << ' ' << age(at - q.since);
        const auto journalled = numbers.find(number);
        if (journalled != numbers.end() && journalled->second.detail.starts_with("rejeitada"))
            out << " (" << journalled->second.detail << ')';
        out << '\n';
        late = late || at - q.since >= kQueueLimitSeconds;
    }
    if (late) out << kQueueLateWarning << " (quiterval-nfce enviar)\n";

    const std::uint32_t highest = numbers.empty() ? 0 : numbers.rbegin()->first;
    out << "Série " << config.series << ": último número " << highest << '\n';
    std::vector<std::uint32_t> unused;
    bool attention = false;
    for (std::uint32_t n = 1; n <= highest; ++n) {
        const auto r = numbers.find(n);
        if (r == numbers.end() || r->second.state == NumberState::reserved ||
            r->second.state == NumberState::rejected) {
            unused.push_back(n);
        } else if (r->second.state == NumberState::sent) {
            out << "Enviada sem resposta (a próxima venda consulta a SEFAZ): nº " << n << ' '
                << r->second.key << '\n';
            attention = true;
        }
    }
    if (!unused.empty())
        out << "Sem NFC-e e nunca reaproveitados (candidatos à inutilização): " << runs(unused)
            << '\n';
    if (!attention && unused.empty()) out << "Nenhum número da série pede atenção.\n";
    return kDone;
}

int enviar(ConfiguredBackend& b, std::ostream& out) {
    if (b.store->queue().empty()) {
        out << "Fila de contingência vazia: nada a enviar.\n";
        return kDone;
    }
    const QueueSending sending = b.backend->send_queue();
    for (const QueuedOutcome& note : sending.notes) {
        out << "nº " << note.number << ' ' << note.key << ": ";
        switch (note.kind) {
        case QueuedOutcome::Kind::authorised:
            out << "autorizada, protocolo " << note.protocol << '\n';
            break;
        case QueuedOutcome::Kind::first_key:
            out << "já autorizada com a chave do primeiro envio " << note.kept_key << ", protocolo "
                << note.protocol << '\n';
            break;
        case QueuedOutcome::Kind::refused:
            out << "recusada: " << detail::rejection_words(note.cstat, note.reason)
                << " (continua na fila)\n";
            break;
        }
    }
    if (!sending.answered) out << "SEFAZ sem resposta (" << sending.why << ")\n";
    const std::size_t left = b.store->queue().size();
    if (left == 0) {
        out << "Fila de contingência vazia.\n";
        return kDone;
    }
    out << left << " NFC-e continuam na fila de contingência.\n";
    return kNotDone;
}

int inutilizar(ConfiguredBackend& b, const Line& line, std::ostream& out, std::ostream& err) {
    DisablementRequest request;
    request.series = b.config.series;
    const std::optional<std::uint32_t> first = whole_number(line.operands[0]);
    const std::optional<std::uint32_t> last = whole_number(line.operands[1]);
    const std::optional<std::uint32_t> series =
        line.series ? whole_number(*line.series) : std::optional<std::uint32_t>(request.series);
    if (!first || !last || !series) {
        err << "quiterval-nfce: INICIO, FIM e a série são números inteiros\n" << kUse;
        return kRefused;
    }
    request.series = static_cast<int>(std::min<std::uint32_t>(*series, 1000));
    request.first = *first;
    request.last = *last;
    request.reason = line.operands[2];
    const DisablementCheck check = check_disablement(*b.store, request);
    for (const std::string& warning : check.warnings)
        out << "Aviso: " << warning << '\n';
    if (!check.ok()) {
        for (const std::string& refusal : check.refusals)
            err << "quiterval-nfce: " << refusal << '\n';
        err << "quiterval-nfce: nada foi enviado à SEFAZ\n";
        return kRefused;
    }
    const DisablementOutcome outcome =
        disable_numbers(b.config, *b.certificate, *b.transport, *b.store, now(), request);
    if (!outcome.voided) {
        err << "quiterval-nfce: " << (outcome.answered ? "a SEFAZ recusou a inutilização: " : "")
            << outcome.message << '\n';
        return kNotDone;
    }
    out << "Série " << request.series << ", números " << request.first << " a " << request.last
        << ": inutilizados, protocolo " << outcome.protocol << '\n';
    if (!outcome.path.empty()) out << "XML: " << outcome.path << '\n';
    if (!outcome.message.empty()) {
        err << "quiterval-nfce: " << outcome.message << '\n';
        return kNotDone;
    }
    return kDone;
}

int help(const Places& places, std::ostream& out) {
    out << kUse
        << "\n"
           "  situacao    a SEFAZ, a fila de contingência e os números da série que pedem\n"
           "              atenção (enviados sem resposta, sem NFC-e e nunca reaproveitados)\n"
           "  enviar      envia já a fila de contingência\n"
           "  inutilizar  inutiliza na SEFAZ os números INICIO a FIM da série do nfce.conf\n"
           "              (ou --serie N), com justificativa de 15 a 255 caracteres\n"
           "\n"
           "O nfce.conf vem de --config, senão de NFCE_CONF, senão do lado do impressora.conf\n"
           "que escolheu a impressora; a pasta de dados vem de NFCE_DIR, senão é nfce/ na\n"
           "pasta atual.\n"
           "Saída: 0 feito; 1 notas ainda na fila, ou a SEFAZ recusou ou não respondeu;\n"
           "2 uso errado, configuração com erro, ou pedido recusado antes do envio.\n"
        << "nfce.conf: " << places.config_file << "\npasta de dados: " << places.data_folder
        << '\n';
    return out.flush() ? kDone : kNotDone;
}

} // namespace

int run(const std::vector<std::string>& args, const Places& places, std::ostream& out,
        std::ostream& err) {
    const std::optional<Line> line = parsed(args);
    const bool known = line && (line->command == "situacao" || line->command == "enviar" ||
                                line->command == "inutilizar");
    if (line && line->help && line->command.empty() && !line->config_file && !line->series)
        return help(places, out);
    const std::size_t operands = known && line->command == "inutilizar" ? 3 : 0;
    if (!known || line->help || line->operands.size() != operands ||
        (line->series && line->command != "inutilizar")) {
        err << kUse;
        return kRefused;
    }
    if (!line->config_file && !places.choice_note.empty())
        err << "quiterval-nfce: aviso: " << places.choice_note << '\n';
    std::string error;
    const std::unique_ptr<ConfiguredBackend> backend =
        make_backend(line->config_file.value_or(places.config_file), places.data_folder, error);
    if (!backend) {
        err << "quiterval-nfce: " << error << '\n';
        return kRefused;
    }
    if (line->command == "situacao") return situacao(*backend, out);
    if (line->command == "enviar") return enviar(*backend, out);
    return inutilizar(*backend, *line, out, err);
}

} // namespace qv::nfce_tool
