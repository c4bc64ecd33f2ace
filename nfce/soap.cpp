#include "nfce/soap.h"

#include "nfce/xml_tree.h"

#include "nfce/config.h"

#include <array>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <memory>

namespace qv::nfce {
namespace {

constexpr std::string_view kNfeNamespace = "http://www.portalfiscal.inf.br/nfe";

struct Operation {
    Service service;
    std::string_view operation;
};
constexpr std::array<Operation, 6> kOperations = {{
    {Service::authorization, "nfeAutorizacaoLote"},
    {Service::authorization_result, "nfeRetAutorizacaoLote"},
    {Service::protocol_query, "nfeConsultaNF"},
    {Service::status, "nfeStatusServicoNF"},
    {Service::event, "nfeRecepcaoEvento"},
    {Service::disablement, "nfeInutilizacaoNF"},
}};

std::string_view without_leading_space(std::string_view xml) {
    const auto start = xml.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : xml.substr(start);
}

// A document's XML declaration may not stand inside another document.
std::string_view without_declaration(std::string_view xml) {
    xml = without_leading_space(xml);
    if (xml.starts_with("<?xml")) {
        const auto end = xml.find("?>");
        if (end != std::string_view::npos) xml = without_leading_space(xml.substr(end + 2));
    }
    return xml;
}

std::string padded(long number, std::size_t width) {
    std::string text = std::to_string(number);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

using Doc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Doc parse(std::string_view xml) {
    return {xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "answer.xml", "UTF-8",
                          XML_PARSE_NONET | XML_PARSE_NOBLANKS),
            &xmlFreeDoc};
}

// The text of the child element `name` of `parent`; empty when missing.
std::string child_text(xmlNodePtr parent, std::string_view name) {
    if (parent == nullptr) return {};
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || name != reinterpret_cast<const char*>(child->name))
            continue;
        return element_text(child);
    }
    return {};
}

int stat_of(xmlNodePtr parent) {
    const std::string text = child_text(parent, "cStat");
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(text);
}

// `node` as XML of its own, with the namespaces it uses declared on it.
std::string serialised(xmlNodePtr node) {
    Doc copy(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")), &xmlFreeDoc);
    xmlNodePtr root = xmlDocCopyNode(node, copy.get(), 1);
    if (root == nullptr) return {};
    xmlDocSetRootElement(copy.get(), root);
    xmlReconciliateNs(copy.get(), root);
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
    xmlNodeDump(buffer.get(), copy.get(), root, 0, 0);
    return {reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
            static_cast<std::size_t>(xmlBufferLength(buffer.get()))};
}

Protocol protocol_of(xmlNodePtr info, xmlNodePtr whole) {
    Protocol protocol;
    protocol.cstat = stat_of(info);
    protocol.reason = child_text(info, "xMotivo");
    protocol.number = child_text(info, "nProt");
    protocol.received_at = child_text(info, "dhRecbto");
    if (protocol.received_at.empty()) protocol.received_at = child_text(info, "dhRegEvento");
    protocol.digest = child_text(info, "digVal");
    protocol.xml = serialised(whole);
    return protocol;
}

} // namespace

std::string xml_escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string wsdl_namespace(Service service) {
    return "http://www.portalfiscal.inf.br/nfe/wsdl/" +
           std::string(kServiceNames.at(static_cast<std::size_t>(service)));
}

std::string_view soap_operation(Service service) {
    for (const Operation& op : kOperations)
        if (op.service == service) return op.operation;
    return {};
}

std::string soap_content_type(Service service) {
    return "application/soap+xml; charset=utf-8; action=\"" + wsdl_namespace(service) + "/" +
           std::string(soap_operation(service)) + "\"";
}

std::string soap_envelope(Service service, std::string_view message) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
           "<nfeDadosMsg xmlns=\"" +
           wsdl_namespace(service) + "\">" + std::string(without_declaration(message)) +
           "</nfeDadosMsg></soap12:Body></soap12:Envelope>";
}

std::optional<std::string> soap_result(std::string_view envelope) {
    const Doc doc = parse(envelope);
    if (!doc) return std::nullopt;
    xmlNodePtr result = find_element(xmlDocGetRootElement(doc.get()), "nfeResultMsg");
    if (result == nullptr) return std::nullopt;
    for (xmlNodePtr child = result->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) return serialised(child);
    return std::nullopt;
}

std::string soap_fault(std::string_view envelope) {
    const Doc doc = parse(envelope);
    if (!doc) return {};
    xmlNodePtr reason = find_element(xmlDocGetRootElement(doc.get()), "Reason");
    if (reason == nullptr) return {};
    return child_text(reason, "Text");
}

std::string status_request(Environment environment, int uf_code) {
    return "<consStatServ xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"4.00\"><tpAmb>" +
           std::to_string(static_cast<int>(environment)) + "</tpAmb><cUF>" + padded(uf_code, 2) +
           "</cUF><xServ>STATUS</xServ></consStatServ>";
}

std::string authorization_request(std::string_view batch_id, std::string_view signed_note) {
    return "<enviNFe xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"4.00\"><idLote>" +
           xml_escaped(batch_id) + "</idLote><indSinc>1</indSinc>" +
           std::string(without_declaration(signed_note)) + "</enviNFe>";
}

std::string protocol_query_request(Environment environment, std::string_view access_key) {
    return "<consSitNFe xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"4.00\"><tpAmb>" +
           std::to_string(static_cast<int>(environment)) +
           "</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + xml_escaped(access_key) +
           "</chNFe></consSitNFe>";
}

std::string cancel_event(Environment environment, int uf_code, std::string_view cnpj,
                         std::string_view access_key, std::string_view protocol,
                         std::string_view reason, std::string_view when) {
    const std::string id = "ID110111" + std::string(access_key) + "01";
    return "<evento xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"1.00\"><infEvento Id=\"" +
           xml_escaped(id) + "\"><cOrgao>" + padded(uf_code, 2) + "</cOrgao><tpAmb>" +
           std::to_string(static_cast<int>(environment)) + "</tpAmb><CNPJ>" + xml_escaped(cnpj) +
           "</CNPJ><chNFe>" + xml_escaped(access_key) + "</chNFe><dhEvento>" + xml_escaped(when) +
           "</dhEvento><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento>"
           "<verEvento>1.00</verEvento><detEvento versao=\"1.00\">"
           "<descEvento>Cancelamento</descEvento><nProt>" +
           xml_escaped(protocol) + "</nProt><xJust>" + xml_escaped(reason) +
           "</xJust></detEvento></infEvento></evento>";
}

std::string event_request(std::string_view batch_id, std::string_view signed_event) {
    return "<envEvento xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"1.00\"><idLote>" +
           xml_escaped(batch_id) + "</idLote>" + std::string(without_declaration(signed_event)) +
           "</envEvento>";
}

std::string disablement_request(Environment environment, int uf_code, int year,
                                std::string_view cnpj, int series, long first, long last,
                                std::string_view reason) {
    // ID + cUF + year + CNPJ + model + series (3) + first (9) + last (9)
    const std::string id = "ID" + padded(uf_code, 2) + padded(year % 100, 2) + std::string(cnpj) +
                           "65" + padded(series, 3) + padded(first, 9) + padded(last, 9);
    return "<inutNFe xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"4.00\"><infInut Id=\"" +
           xml_escaped(id) + "\"><tpAmb>" + std::to_string(static_cast<int>(environment)) +
           "</tpAmb><xServ>INUTILIZAR</xServ><cUF>" + padded(uf_code, 2) + "</cUF><ano>" +
           padded(year % 100, 2) + "</ano><CNPJ>" + xml_escaped(cnpj) +
           "</CNPJ><mod>65</mod><serie>" + std::to_string(series) + "</serie><nNFIni>" +
           std::to_string(first) + "</nNFIni><nNFFin>" + std::to_string(last) + "</nNFFin><xJust>" +
           xml_escaped(reason) + "</xJust></infInut></inutNFe>";
}

SefazAnswer read_answer(std::string_view ret_xml) {
    SefazAnswer answer;
    answer.xml = std::string(ret_xml);
    const Doc doc = parse(ret_xml);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (root == nullptr) {
        answer.error = TransportError::other;
        answer.detail = "the answer is not XML";
        return answer;
    }
    const std::string_view name = reinterpret_cast<const char*>(root->name);
    xmlNodePtr head = root;
    if (name == "retInutNFe") {
        head = find_element(root->children, "infInut");
        if (head != nullptr) answer.protocol = protocol_of(head, head);
    } else if (xmlNodePtr info = find_element(root->children, "infProt")) {
        answer.protocol = protocol_of(info, info->parent);
    } else if (xmlNodePtr event = find_element(root->children, "retEvento")) {
        answer.protocol = protocol_of(find_element(event->children, "infEvento"), event);
    }
    answer.cstat = stat_of(head);
    answer.reason = child_text(head, "xMotivo");
    answer.received_at = child_text(head, "dhRecbto");
    if (answer.cstat == 0) {
        answer.error = TransportError::other;
        answer.detail = "the answer " + std::string(name) + " has no cStat";
    }
    return answer;
}

SefazClient::SefazClient(const Config& config, Transport& transport)
    : config_(config), transport_(transport) {}

SefazAnswer SefazClient::call(Service service, std::string_view message) {
    SefazAnswer answer;
    const std::string url = address(config_, service);
    if (url.empty()) {
        answer.error = TransportError::no_connection;
        answer.detail =
            "no address for " + std::string(kServiceNames.at(static_cast<std::size_t>(service)));
        return answer;
    }
    const TransportAnswer posted =
        transport_.post(url, soap_content_type(service), soap_envelope(service, message),
                        std::chrono::seconds(config_.contingency_seconds));
    if (!posted.ok()) {
        answer.error = posted.error;
        answer.http_status = posted.http_status;
        answer.detail = posted.detail;
        const std::string fault = soap_fault(posted.body);
        if (!fault.empty()) answer.detail += ": " + fault;
        return answer;
    }
    const std::optional<std::string> result = soap_result(posted.body);
    if (!result) {
        answer.error = TransportError::other;
        answer.http_status = posted.http_status;
        answer.detail = "the answer has no nfeResultMsg";
        return answer;
    }
    answer = read_answer(*result);
    answer.http_status = posted.http_status;
    return answer;
}

SefazAnswer SefazClient::status() {
    const State* state = find_state(config_.issuer.uf);
    return call(Service::status, status_request(config_.environment, state ? state->code : 0));
}

SefazAnswer SefazClient::authorize(std::string_view signed_note, std::string_view batch_id) {
    return call(Service::authorization, authorization_request(batch_id, signed_note));
}

SefazAnswer SefazClient::query(std::string_view access_key) {
    return call(Service::protocol_query, protocol_query_request(config_.environment, access_key));
}

SefazAnswer SefazClient::send_event(std::string_view signed_event, std::string_view batch_id) {
    return call(Service::event, event_request(batch_id, signed_event));
}

SefazAnswer SefazClient::disable(std::string_view signed_disablement) {
    return call(Service::disablement, signed_disablement);
}

} // namespace qv::nfce
