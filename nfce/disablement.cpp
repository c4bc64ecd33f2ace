#include "nfce/disablement.h"

#include "nfce/signature.h"
#include "nfce/soap.h"
#include "nfce/states.h"
#include "shared/cp1252.h"
#include "shared/platform/platform.h"

#include <algorithm>

namespace qv::nfce {

namespace {

constexpr std::uint32_t kHighestNumber = 999'999'999;

std::string trimmed_blanks(std::string_view text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return std::string(text.substr(begin, text.find_last_not_of(' ') - begin + 1));
}

// What is wrong with the justification, empty when nothing: the schema
// takes 15 to 255 characters from space to ÿ, not starting or ending with
// a space (the blanks around it are dropped before it is sent).
std::string justification_fault(std::string_view reason_utf8) {
    const std::string reason = trimmed_blanks(reason_utf8);
    std::size_t characters = 0;
    for (std::size_t at = 0; at < reason.size(); ++characters) {
        const qv::detail::Utf8Char c = qv::detail::next_utf8_char(reason, at);
        if (c.length == 0) return "A justificativa não é texto UTF-8 válido";
        if (c.code_point < 0x20 || c.code_point > 0xFF ||
            (c.code_point >= 0x7F && c.code_point < 0xA0))
            return "A justificativa tem caracteres que a SEFAZ não aceita (quebras de linha, "
                   "aspas curvas, símbolos)";
        at += c.length;
    }
    if (characters < 15 || characters > 255)
        return "A justificativa deve ter de 15 a 255 caracteres (tem " +
               std::to_string(characters) + ")";
    return {};
}

// Why a number whose journal says `state` cannot be voided; empty when it can.
std::string_view held_by(NumberState state) {
    switch (state) {
    case NumberState::authorised:
        return "tem NFC-e autorizada";
    case NumberState::contingency:
        return "tem NFC-e emitida em contingência";
    case NumberState::sent:
        return "tem NFC-e enviada sem resposta da SEFAZ, que pode tê-la autorizado";
    case NumberState::cancelled:
        return "tem NFC-e cancelada";
    case NumberState::voided:
        return "já foi inutilizado";
    case NumberState::reserved:
    case NumberState::rejected:
        break;
    }
    return {};
}

std::string numbers_text(std::uint32_t first, std::uint32_t last) {
    return first == last ? "o número " + std::to_string(first)
                         : "os números " + std::to_string(first) + " a " + std::to_string(last);
}

// The infInut's Id, without its "ID": the name the files are kept under.
std::string request_id(std::string_view xml) {
    const auto at = xml.find("Id=\"ID");
    if (at == std::string_view::npos) return "inutilizacao";
    const auto begin = at + 6;
    return std::string(xml.substr(begin, xml.find('"', begin) - begin));
}

} // namespace

DisablementCheck check_disablement(const Store& store, const DisablementRequest& request) {
    DisablementCheck check;
    if (std::string fault = justification_fault(request.reason); !fault.empty())
        check.refusals.push_back(std::move(fault));
    if (request.series < 0 || request.series > 999)
        check.refusals.push_back("A série deve ser de 0 a 999");
    if (request.first == 0 || request.last > kHighestNumber) {
        check.refusals.push_back("Os números vão de 1 a 999999999");
        return check;
    }
    if (request.first > request.last) {
        check.refusals.push_back("O início (" + std::to_string(request.first) +
                                 ") é maior que o fim (" + std::to_string(request.last) + ")");
        return check;
    }
    if (request.last - request.first >= kMaxDisabledNumbers) {
        check.refusals.push_back("No máximo " + std::to_string(kMaxDisabledNumbers) +
                                 " números por pedido de inutilização");
        return check;
    }

    const std::map<std::uint32_t, NumberRecord> numbers = store.numbers(request.series);
    const std::uint32_t highest = numbers.empty() ? 0 : numbers.rbegin()->first;
    // The back end goes on after the highest number journalled: numbers
    // left between it and the range would be skipped without a record.
    if (request.first > highest + 1) {
        check.refusals.push_back("A faixa deixaria " +
                                 numbers_text(highest + 1, request.first - 1) +
                                 " sem registro: comece em " + std::to_string(highest + 1));
        return check;
    }
    if (request.last > highest)
        check.warnings.push_back(numbers_text(std::max(request.first, highest + 1), request.last) +
                                 " nunca foram usados; a SEFAZ aceita, e a série seguirá no " +
                                 std::to_string(request.last + 1));
    for (auto at = numbers.lower_bound(request.first);
         at != numbers.end() && at->first <= request.last; ++at)
        if (const std::string_view why = held_by(at->second.state); !why.empty())
            check.refusals.push_back("O número " + std::to_string(at->first) + " " +
                                     std::string(why));
    // A note issued offline is queued before its number is journalled so:
    // the queue speaks for it too.
    std::string series_digits = std::to_string(request.series);
    series_digits.insert(0, 3 - std::min<std::size_t>(3, series_digits.size()), '0');
    for (const QueuedNote& q : store.queue()) {
        const std::uint32_t number = detail::number_of_key(q.key);
        if (number < request.first || number > request.last ||
            q.key.compare(22, 3, series_digits) != 0)
            continue;
        const auto journalled = numbers.find(number);
        if (journalled == numbers.end() || journalled->second.state != NumberState::contingency)
            check.refusals.push_back("O número " + std::to_string(number) +
                                     " tem NFC-e na fila de contingência");
    }
    return check;
}

DisablementOutcome disable_numbers(const Config& config, const Certificate& certificate,
                                   Transport& transport, Store& store, const Moment& at,
                                   const DisablementRequest& request) {
    DisablementOutcome out;
    // Checked and journalled while the till's back end waits (Backend::run).
    const platform::FolderLock lock(store.folder());
    const DisablementCheck check = check_disablement(store, request);
    if (!check.ok()) {
        out.message = check.refusals.front();
        return out;
    }
    const State* state = find_state(config.issuer.uf);
    const std::string unsigned_xml = disablement_request(
        config.environment, state ? state->code : 0, at.local.year, config.issuer.cnpj,
        request.series, request.first, request.last, trimmed_blanks(request.reason));
    const SignResult signed_xml = sign(unsigned_xml, "infInut", certificate);
    if (!signed_xml.error.empty()) {
        out.message = "Inutilização não assinada: " + signed_xml.error;
        return out;
    }
    const std::string id = request_id(signed_xml.xml);
    const auto keep = [&](const std::string& name, std::string_view xml) {
        return store.write_xml(at.local.year, at.local.month, at.local.day, name,
                               detail::declared(xml));
    };
    SefazClient client(config, transport);
    const SefazAnswer answer = client.disable(signed_xml.xml);
    if (!answer.answered()) {
        out.message = "A SEFAZ não respondeu (" + std::string(transport_error_name(answer.error)) +
                      "): nada foi gravado; se ela recebeu o pedido, o próximo dirá que a "
                      "faixa já está inutilizada";
        return out;
    }
    out.answered = true;
    out.cstat = answer.protocol ? answer.protocol->cstat : answer.cstat;
    if (out.cstat != 102) {
        keep(id + "-inutilizacao-retorno.xml", answer.xml);
        out.message = detail::rejection_words(out.cstat, answer.protocol ? answer.protocol->reason
                                                                         : answer.reason);
        return out;
    }
    out.protocol = answer.protocol ? answer.protocol->number : std::string();
    // The numbers are journalled even when the XML could not be kept: the
    // state has voided them, and the back end must never give them out.
    const std::optional<std::string> kept =
        keep(id + "-procInutNFe.xml",
             "<ProcInutNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">" +
                 detail::without_declaration(signed_xml.xml) +
                 detail::without_declaration(answer.xml) + "</ProcInutNFe>");
    const bool journalled = store.mark_range(request.series, request.first, request.last,
                                             NumberState::voided, out.protocol);
    out.voided = true;
    out.path = kept.value_or(std::string());
    if (!journalled)
        out.message = "Inutilização homologada (protocolo " + out.protocol +
                      "), mas a numeração não pôde ser gravada em " + store.folder() +
                      ": não emita antes de corrigir";
    else if (!kept)
        out.message = "Inutilização homologada (protocolo " + out.protocol +
                      "), mas o XML não pôde ser gravado em " + store.folder();
    return out;
}

} // namespace qv::nfce
