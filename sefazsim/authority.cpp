#include "sefazsim/authority.h"

#include "nfce/soap.h"
#include "nfce/xml_tree.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <sstream>
#include <vector>

namespace qv::sefazsim {
namespace {

constexpr std::string_view kNfe = "http://www.portalfiscal.inf.br/nfe";
constexpr std::string_view kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";
constexpr std::string_view kApplication = "QV-SEFAZ-SIMULADA";
constexpr std::string_view kRecords = "autorizadas.txt";

std::string tag(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + nfce::xml_escaped(value) + "</" + std::string(name) +
           ">";
}

std::string two_digits(long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// Brasília's time, as the authorities write it: 2026-12-08T15:45:00-03:00.
std::string brasilia_time(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto local = floor<seconds>(when) - hours(3);
    const auto day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss time{local - day};
    return std::to_string(static_cast<int>(date.year())) + "-" +
           two_digits(static_cast<unsigned>(date.month())) + "-" +
           two_digits(static_cast<unsigned>(date.day())) + "T" + two_digits(time.hours().count()) +
           ":" + two_digits(time.minutes().count()) + ":" + two_digits(time.seconds().count()) +
           "-03:00";
}

long long epoch_seconds(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

using nfce::element_text;
using nfce::find_element;
using Doc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

// The text of the first element `name` below `node`.
std::string value(xmlNodePtr node, std::string_view name) {
    return node ? element_text(find_element(node->children, name)) : std::string();
}

std::string attribute(xmlNodePtr node, const char* name) {
    if (node == nullptr) return {};
    xmlChar* content = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::optional<long> number(std::string_view text) {
    long n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return n;
}

std::string envelope(std::string_view service, std::string_view result) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
           "<nfeResultMsg xmlns=\"" +
           std::string(kWsdl) + std::string(service) + "\">" + std::string(result) +
           "</nfeResultMsg></soap:Body></soap:Envelope>";
}

Reply fault(std::string_view reason) {
    Reply reply;
    reply.http_status = 500;
    reply.envelope = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                     "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
                     "<soap:Body><soap:Fault><soap:Code><soap:Value>soap:Sender</soap:Value>"
                     "</soap:Code><soap:Reason><soap:Text xml:lang=\"pt-BR\">" +
                     nfce::xml_escaped(reason) +
                     "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>";
    reply.log_line = "falha SOAP: " + std::string(reason);
    return reply;
}

// One line of the records file:
//   N|chave|tpAmb|nProt|dhRecbto|digVal|segundos   a note authorised
//   C|chave|nProt|dhRegEvento                     its cancellation
//   I|CNPJ|serie|inicio|fim|nProt                 numbers disabled
struct Note {
    std::string key, environment, protocol, received_at, digest;
    long long authorised_at = 0;
    std::string cancel_protocol;
};

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '|'))
        out.push_back(field);
    return out;
}

class Records {
  public:
    explicit Records(const std::filesystem::path& folder) : file_(folder / kRecords) {
        std::ifstream in(file_);
        std::string line;
        while (std::getline(in, line)) {
            ++lines_;
            const auto f = fields(line);
            if (f.size() == 7 && f[0] == "N") {
                notes_.push_back({f[1], f[2], f[3], f[4], f[5], number(f[6]).value_or(0), {}});
            } else if (f.size() == 4 && f[0] == "C") {
                if (Note* note = find(f[1])) note->cancel_protocol = f[2];
            } else if (f.size() == 6 && f[0] == "I") {
                voided_.push_back({f[1], number(f[2]).value_or(-1), number(f[3]).value_or(0),
                                   number(f[4]).value_or(0)});
            }
        }
    }
    Note* find(std::string_view key) {
        for (Note& note : notes_)
            if (note.key == key) return &note;
        return nullptr;
    }
    // A note of the same issuer, model, series and number under another key.
    Note* same_number(std::string_view key) {
        for (Note& note : notes_)
            if (note.key != key && note.key.compare(6, 28, key.substr(6, 28)) == 0) return &note;
        return nullptr;
    }
    // A note authorised with a number of `first`..`last` of the issuer's series.
    bool used(std::string_view cnpj, long series, long first, long last) const {
        for (const Note& note : notes_) {
            const auto key_series = number(std::string_view(note.key).substr(22, 3));
            const auto key_number = number(std::string_view(note.key).substr(25, 9));
            if (note.key.compare(6, 14, cnpj) == 0 && key_series == series && key_number &&
                *key_number >= first && *key_number <= last)
                return true;
        }
        return false;
    }
    // A number of `first`..`last` of the issuer's series voided before.
    bool voided(std::string_view cnpj, long series, long first, long last) const {
        return std::any_of(voided_.begin(), voided_.end(), [&](const Voided& v) {
            return v.cnpj == cnpj && v.series == series && v.first <= last && first <= v.last;
        });
    }
    // The next protocol number: kind 1, the state, the year, a sequence.
    std::string next_protocol(std::string_view uf, const std::string& when) const {
        std::string sequence = std::to_string(lines_ + 1);
        sequence.insert(0, 10 - sequence.size(), '0');
        return "1" + std::string(uf) + when.substr(2, 2) + sequence;
    }
    // Records `note` as authorised, numbering its protocol.
    bool authorise(Note& note, std::string_view uf) {
        note.protocol = next_protocol(uf, note.received_at);
        if (!add("N|" + note.key + "|" + note.environment + "|" + note.protocol + "|" +
                 note.received_at + "|" + note.digest + "|" + std::to_string(note.authorised_at)))
            return false;
        notes_.push_back(note);
        return true;
    }
    bool add(const std::string& line) {
        std::ofstream out(file_, std::ios::app | std::ios::binary);
        out << line << '\n';
        out.flush();
        if (!out) return false;
        ++lines_;
        return true;
    }

  private:
    struct Voided {
        std::string cnpj;
        long series = -1, first = 0, last = 0;
    };
    std::filesystem::path file_;
    std::vector<Note> notes_;
    std::vector<Voided> voided_;
    long lines_ = 0;
};

std::string prot_nfe(const Note& note, int cstat, std::string_view reason) {
    std::string info = tag("tpAmb", note.environment) + tag("verAplic", kApplication) +
                       tag("chNFe", note.key) + tag("dhRecbto", note.received_at);
    if (!note.protocol.empty()) info += tag("nProt", note.protocol);
    if (!note.digest.empty()) info += tag("digVal", note.digest);
    info += tag("cStat", std::to_string(cstat)) + tag("xMotivo", reason);
    return "<protNFe versao=\"4.00\"><infProt>" + info + "</infProt></protNFe>";
}

std::string ret_head(std::string_view environment, int cstat, std::string_view reason) {
    return tag("tpAmb", environment) + tag("verAplic", kApplication) +
           tag("cStat", std::to_string(cstat)) + tag("xMotivo", reason);
}

std::string uf_of_key(std::string_view key) {
    return std::string(key.substr(0, 2));
}

bool valid_key(std::string_view key) {
    return key.size() == 44 && key.find_first_not_of("0123456789") == std::string_view::npos;
}

struct Request {
    std::string service; // NFeAutorizacao4, ...
    xmlNodePtr message = nullptr;
};

Reply status(const Request& request, const std::string& now) {
    const std::string environment = value(request.message, "tpAmb");
    const std::string uf = value(request.message, "cUF");
    Reply reply;
    reply.envelope = envelope(
        request.service, "<retConsStatServ xmlns=\"" + std::string(kNfe) + "\" versao=\"4.00\">" +
                             ret_head(environment, 107, "Serviço em Operação") + tag("cUF", uf) +
                             tag("dhRecbto", now) + tag("tMed", "1") + "</retConsStatServ>");
    reply.log_line = "cStat=107";
    return reply;
}

Reply authorise(const Request& request, const Rules& rules, Records& records,
                const std::string& now, long long seconds) {
    xmlNodePtr info = find_element(request.message, "infNFe");
    const std::string id = attribute(info, "Id");
    const std::string key = id.starts_with("NFe") ? id.substr(3) : "";
    const std::string environment = value(info, "tpAmb");
    const std::string digest = value(request.message, "DigestValue");
    const std::string uf = valid_key(key) ? uf_of_key(key) : value(info, "cUF");
    const auto batch = [&](int cstat, std::string_view reason, const std::string& prot) {
        return envelope(request.service,
                        "<retEnviNFe xmlns=\"" + std::string(kNfe) + "\" versao=\"4.00\">" +
                            ret_head(environment.empty() ? "2" : environment, cstat, reason) +
                            tag("cUF", uf.size() == 2 ? uf : "35") + tag("dhRecbto", now) + prot +
                            "</retEnviNFe>");
    };
    Reply reply;
    // The digest goes into the records as it is: base64 alone.
    const bool digest_ok =
        !digest.empty() && digest.size() <= 64 &&
        digest.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                                 "vwxyz0123456789+/=") == std::string::npos;
    if (!valid_key(key) || !digest_ok || (environment != "1" && environment != "2")) {
        reply.envelope = batch(225, "Rejeição: Falha no Schema XML do lote de NFe", "");
        reply.log_line = "cStat=225";
        return reply;
    }
    Note note{key, environment, "", now, digest, seconds, {}};
    if (rules.behaviour == Behaviour::reject) {
        reply.envelope = batch(104, "Lote processado",
                               prot_nfe(note, rules.rejection_code, rules.rejection_reason));
        reply.log_line = "chNFe=" + key + " cStat=" + std::to_string(rules.rejection_code);
        return reply;
    }
    // A duplicate asked for: the note counts as authorised by an earlier
    // sending whose answer never came, as when the first answer was lost.
    if (rules.behaviour == Behaviour::duplicate && records.find(key) == nullptr &&
        records.same_number(key) == nullptr) {
        Note earlier = note;
        if (!records.authorise(earlier, uf))
            return fault("a SEFAZ simulada não gravou a autorização");
    }
    if (const Note* earlier = records.find(key)) {
        const std::string reason = "Rejeição: Duplicidade de NF-e [nProt:" + earlier->protocol +
                                   "][dhAut:" + earlier->received_at + "]";
        reply.envelope = batch(104, "Lote processado", prot_nfe(note, 204, reason));
        reply.log_line = "chNFe=" + key + " cStat=204";
        return reply;
    }
    if (const Note* earlier = records.same_number(key)) {
        const std::string reason =
            "Rejeição: Duplicidade de NF-e, com diferença na Chave de Acesso [chNFe:" +
            earlier->key + "][nProt:" + earlier->protocol + "][dhAut:" + earlier->received_at + "]";
        reply.envelope = batch(104, "Lote processado", prot_nfe(note, 539, reason));
        reply.log_line = "chNFe=" + key + " cStat=539";
        return reply;
    }
    if (!records.authorise(note, uf)) return fault("a SEFAZ simulada não gravou a autorização");
    reply.envelope = batch(104, "Lote processado", prot_nfe(note, 100, "Autorizado o uso da NF-e"));
    reply.log_line = "chNFe=" + key + " cStat=100 nProt=" + note.protocol;
    return reply;
}

Reply query(const Request& request, Records& records, const std::string& now) {
    const std::string key = value(request.message, "chNFe");
    const std::string environment = value(request.message, "tpAmb");
    const Note* note = records.find(key);
    int cstat = 217;
    std::string reason = "Rejeição: NF-e não consta na base de dados da SEFAZ";
    std::string prot;
    if (note != nullptr) {
        cstat = note->cancel_protocol.empty() ? 100 : 101;
        reason = cstat == 100 ? "Autorizado o uso da NF-e" : "Cancelamento de NF-e homologado";
        prot = prot_nfe(*note, 100, "Autorizado o uso da NF-e");
    }
    Reply reply;
    reply.envelope = envelope(
        request.service,
        "<retConsSitNFe xmlns=\"" + std::string(kNfe) + "\" versao=\"4.00\">" +
            ret_head(environment.empty() ? "2" : environment, cstat, reason) +
            tag("cUF", valid_key(key) ? uf_of_key(key) : "35") + tag("dhRecbto", now) +
            tag("chNFe", valid_key(key) ? key : std::string(44, '0')) + prot + "</retConsSitNFe>");
    reply.log_line = "chNFe=" + key + " cStat=" + std::to_string(cstat);
    return reply;
}

Reply event(const Request& request, const Rules& rules, Records& records, const std::string& now,
            long long seconds) {
    xmlNodePtr info = find_element(request.message, "infEvento");
    const std::string key = value(info, "chNFe");
    const std::string environment = value(info, "tpAmb");
    const std::string organ = value(info, "cOrgao");
    const std::string type = value(info, "tpEvento");
    const std::string protocol = value(info, "nProt");
    Note* note = records.find(key);
    int cstat = 135;
    std::string reason = "Evento registrado e vinculado a NF-e";
    if (type != "110111") {
        cstat = 490;
        reason = "Rejeição: Tipo de evento não suportado";
    } else if (note == nullptr) {
        cstat = 217;
        reason = "Rejeição: NF-e não consta na base de dados da SEFAZ";
    } else if (!note->cancel_protocol.empty()) {
        cstat = 573;
        reason = "Rejeição: Duplicidade de Evento";
    } else if (note->protocol != protocol) {
        cstat = 222;
        reason = "Rejeição: Protocolo de Autorização de Uso difere do cadastrado";
    } else if (seconds - note->authorised_at > rules.cancel_limit_seconds) {
        cstat = 501;
        reason = "Rejeição: Prazo de cancelamento superior ao previsto na Legislação";
    }
    const std::string uf = organ.size() == 2 ? organ : "35";
    const std::string env = environment.empty() ? "2" : environment;
    std::string event_protocol;
    if (cstat == 135) {
        event_protocol = records.next_protocol(uf, now);
        if (!records.add("C|" + key + "|" + event_protocol + "|" + now))
            return fault("a SEFAZ simulada não gravou o evento");
        note->cancel_protocol = event_protocol;
    }
    std::string answer = "<retEvento versao=\"1.00\"><infEvento";
    if (!event_protocol.empty()) answer += " Id=\"ID" + event_protocol + "\"";
    answer += ">" + tag("tpAmb", env) + tag("verAplic", kApplication) + tag("cOrgao", uf) +
              tag("cStat", std::to_string(cstat)) + tag("xMotivo", reason);
    if (valid_key(key)) answer += tag("chNFe", key);
    if (type == "110111")
        answer += tag("tpEvento", type) + tag("xEvento", "Cancelamento registrado") +
                  tag("nSeqEvento", "1");
    answer += tag("dhRegEvento", now);
    if (!event_protocol.empty()) answer += tag("nProt", event_protocol);
    answer += "</infEvento></retEvento>";
    std::string batch = value(request.message, "idLote");
    if (batch.empty() || batch.size() > 15) batch = "1";
    Reply reply;
    reply.envelope =
        envelope(request.service,
                 "<retEnvEvento xmlns=\"" + std::string(kNfe) + "\" versao=\"1.00\">" +
                     tag("idLote", batch) + tag("tpAmb", env) + tag("verAplic", kApplication) +
                     tag("cOrgao", uf) + tag("cStat", "128") +
                     tag("xMotivo", "Lote de Evento Processado") + answer + "</retEnvEvento>");
    reply.log_line = "chNFe=" + key + " cStat=" + std::to_string(cstat);
    return reply;
}

Reply disable(const Request& request, Records& records, const std::string& now) {
    xmlNodePtr info = find_element(request.message, "infInut");
    const std::string environment = value(info, "tpAmb");
    const std::string uf = value(info, "cUF");
    const std::string cnpj = value(info, "CNPJ");
    const std::string series = value(info, "serie");
    const std::string first = value(info, "nNFIni");
    const std::string last = value(info, "nNFFin");
    Reply reply;
    if (uf.size() != 2 || cnpj.size() != 14 ||
        cnpj.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos ||
        !number(series) || !number(first) || !number(last) || *number(first) > *number(last)) {
        return fault("inutNFe incompleto");
    }
    // The state never voids a number a note was authorised under, nor one
    // voided already.
    const std::string env = environment.empty() ? "2" : environment;
    const auto refused = [&](int cstat, std::string_view reason) {
        reply.envelope = envelope(
            request.service, "<retInutNFe xmlns=\"" + std::string(kNfe) +
                                 "\" versao=\"4.00\"><infInut>" + ret_head(env, cstat, reason) +
                                 tag("cUF", uf) + tag("dhRecbto", now) + "</infInut></retInutNFe>");
        reply.log_line = "cStat=" + std::to_string(cstat) + " nNF=" + first + "-" + last;
        return reply;
    };
    if (records.used(cnpj, *number(series), *number(first), *number(last)))
        return refused(241, "Rejeição: Um número da faixa já foi utilizado");
    if (records.voided(cnpj, *number(series), *number(first), *number(last)))
        return refused(256, "Rejeição: Uma NF-e da faixa já está inutilizada na Base de dados "
                            "da SEFAZ");
    const std::string protocol = records.next_protocol(uf, now);
    if (!records.add("I|" + cnpj + "|" + series + "|" + first + "|" + last + "|" + protocol))
        return fault("a SEFAZ simulada não gravou a inutilização");
    const std::string body = ret_head(env, 102, "Inutilização de número homologado") +
                             tag("cUF", uf) + tag("ano", value(info, "ano")) + tag("CNPJ", cnpj) +
                             tag("mod", value(info, "mod")) + tag("serie", series) +
                             tag("nNFIni", first) + tag("nNFFin", last) + tag("dhRecbto", now) +
                             tag("nProt", protocol);
    reply.envelope =
        envelope(request.service, "<retInutNFe xmlns=\"" + std::string(kNfe) +
                                      "\" versao=\"4.00\"><infInut Id=\"ID" + protocol + "\">" +
                                      body + "</infInut></retInutNFe>");
    reply.log_line = "cStat=102 nNF=" + first + "-" + last;
    return reply;
}

} // namespace

std::string brasilia_now() {
    return brasilia_time(std::chrono::system_clock::now());
}

std::optional<Behaviour> behaviour_named(std::string_view name) {
    if (name == "autorizar") return Behaviour::authorise;
    if (name == "rejeitar") return Behaviour::reject;
    if (name == "sem-resposta") return Behaviour::no_answer;
    if (name == "resposta-perdida") return Behaviour::lost_answer;
    if (name == "duplicada") return Behaviour::duplicate;
    return std::nullopt;
}

std::optional<Rules> parse_rules(std::string_view text, Rules rules, std::string* error) {
    std::size_t line_number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::string_view val =
            equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
        bool good = equals != std::string_view::npos;
        if (!good) {
        } else if (key == "comportamento") {
            const auto behaviour = behaviour_named(val);
            good = behaviour.has_value();
            if (good) rules.behaviour = *behaviour;
        } else if (key == "rejeicao") {
            const auto code = number(val);
            good = code && *code >= 200 && *code <= 999;
            if (good) rules.rejection_code = static_cast<int>(*code);
        } else if (key == "motivo") {
            good = !val.empty() && val.size() <= 255;
            if (good) rules.rejection_reason = std::string(val);
        } else if (key == "prazo-cancelamento") {
            const auto limit = number(val);
            good = limit && *limit >= 0;
            if (good) rules.cancel_limit_seconds = *limit;
        } else if (key == "espera") {
            const auto hold = number(val);
            good = hold && *hold >= 0 && *hold <= 3600;
            if (good) rules.hold_seconds = static_cast<int>(*hold);
        } else {
            good = false;
        }
        if (!good) {
            if (error != nullptr)
                *error = "linha " + std::to_string(line_number) + ": " + std::string(line);
            return std::nullopt;
        }
    }
    return rules;
}

Authority::Authority(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
}

Reply Authority::handle(std::string_view request_text, const Rules& rules) {
    const Doc doc(xmlReadMemory(request_text.data(), static_cast<int>(request_text.size()),
                                "pedido.xml", "UTF-8", XML_PARSE_NONET | XML_PARSE_NOBLANKS),
                  &xmlFreeDoc);
    xmlNodePtr data = doc ? find_element(xmlDocGetRootElement(doc.get()), "nfeDadosMsg") : nullptr;
    if (data == nullptr || data->ns == nullptr) return fault("pedido sem nfeDadosMsg");
    const std::string_view ns = reinterpret_cast<const char*>(data->ns->href);
    if (!ns.starts_with(kWsdl)) return fault("namespace desconhecido");
    Request request{std::string(ns.substr(kWsdl.size())), nullptr};
    for (xmlNodePtr child = data->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) {
            request.message = child;
            break;
        }
    if (request.message == nullptr) return fault("nfeDadosMsg vazio");

    if (rules.behaviour == Behaviour::no_answer) {
        Reply reply;
        reply.action = Reply::Action::hold;
        reply.log_line = request.service + " sem-resposta";
        return reply;
    }
    const auto clock = std::chrono::system_clock::now();
    const std::string now = brasilia_time(clock);
    const long long seconds = epoch_seconds(clock);
    const std::lock_guard lock(mutex_);
    Records records(folder_);
    Reply reply;
    if (request.service == "NFeStatusServico4") {
        reply = status(request, now);
    } else if (request.service == "NFeAutorizacao4") {
        reply = authorise(request, rules, records, now, seconds);
    } else if (request.service == "NFeConsultaProtocolo4") {
        reply = query(request, records, now);
    } else if (request.service == "NFeRecepcaoEvento4") {
        reply = event(request, rules, records, now, seconds);
    } else if (request.service == "NFeInutilizacao4") {
        reply = disable(request, records, now);
    } else {
        return fault("serviço desconhecido: " + request.service);
    }
    reply.log_line = request.service + " " + reply.log_line;
    if (rules.behaviour == Behaviour::lost_answer && reply.http_status == 200) {
        reply.action = Reply::Action::drop;
        reply.log_line += " (resposta perdida)";
    }
    return reply;
}

} // namespace qv::sefazsim
