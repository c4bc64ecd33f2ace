// The NFC-e web services over SOAP 1.2: the messages each service takes,
// the envelope they travel in, and the state's answer read into a typed
// result. The notes, events and disablements go in signed; signing them is
// not this module's business.
#pragma once

#include "nfce/states.h"
#include "nfce/transport.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv::nfce {

struct Config;
enum class Environment;

// A text as XML character data or an attribute value: & < > " ' escaped.
std::string xml_escaped(std::string_view text);
// The service's WSDL namespace, http://www.portalfiscal.inf.br/nfe/wsdl/<name>.
std::string wsdl_namespace(Service service);
// The operation ("nfeStatusServicoNF", "nfeAutorizacaoLote", ...).
std::string_view soap_operation(Service service);
// The Content-Type of the POST, with the operation as its SOAP action.
std::string soap_content_type(Service service);
// The envelope carrying `message` (an XML element; a leading XML
// declaration is dropped) in soap12:Body/nfeDadosMsg.
std::string soap_envelope(Service service, std::string_view message);
// The XML inside an answer's nfeResultMsg (the ret* element, with its
// namespace declared); nullopt when the answer has none.
std::optional<std::string> soap_result(std::string_view envelope);
// The text of a SOAP Fault's reason; empty when there is none.
std::string soap_fault(std::string_view envelope);

// The messages. Text values are escaped for XML.
std::string status_request(Environment environment, int uf_code);
// enviNFe with one signed note, answered at once (indSinc 1).
std::string authorization_request(std::string_view batch_id, std::string_view signed_note);
std::string protocol_query_request(Environment environment, std::string_view access_key);
// The unsigned cancellation event (tpEvento 110111, nSeqEvento 1):
// <evento> whose infEvento the caller signs. `when` is dhEvento, with its
// offset ("2026-12-08T15:45:00-03:00").
std::string cancel_event(Environment environment, int uf_code, std::string_view cnpj,
                         std::string_view access_key, std::string_view protocol,
                         std::string_view reason, std::string_view when);
// envEvento carrying one signed <evento>.
std::string event_request(std::string_view batch_id, std::string_view signed_event);
// The unsigned inutNFe for the NFC-e (model 65) numbers first..last of a
// series in `year` (two digits); the caller signs infInut and sends it as is.
std::string disablement_request(Environment environment, int uf_code, int year,
                                std::string_view cnpj, int series, long first, long last,
                                std::string_view reason);

// A protocol the state gave: of a note (infProt), an event (retEvento's
// infEvento) or a disablement (infInut).
struct Protocol {
    int cstat = 0;
    std::string reason;      // xMotivo
    std::string number;      // nProt; empty for a rejection
    std::string received_at; // dhRecbto, or dhRegEvento of an event
    std::string digest;      // digVal: the note's DigestValue
    std::string xml;         // protNFe, retEvento or infInut, whole
};

struct SefazAnswer {
    TransportError error = TransportError::none;
    int http_status = 0;
    std::string detail; // why there is no answer, for the log
    int cstat = 0;      // the answer's own cStat (104 for a processed batch)
    std::string reason;
    std::string received_at;
    std::optional<Protocol> protocol;
    std::string xml; // the ret* XML
    bool answered() const { return error == TransportError::none && cstat != 0; }
};

// Reads a ret* XML (retConsStatServ, retEnviNFe, retConsSitNFe,
// retEnvEvento, retInutNFe). An unreadable one gives error `other`.
SefazAnswer read_answer(std::string_view ret_xml);

// Sends messages to the configured state's services.
class SefazClient {
  public:
    SefazClient(const Config& config, Transport& transport);

    SefazAnswer status();
    SefazAnswer authorize(std::string_view signed_note, std::string_view batch_id);
    SefazAnswer query(std::string_view access_key);
    SefazAnswer send_event(std::string_view signed_event, std::string_view batch_id);
    SefazAnswer disable(std::string_view signed_disablement);
    // Any message to any service: the envelope, the POST within the
    // configuration's contingency time, the answer read.
    SefazAnswer call(Service service, std::string_view message);

  private:
    const Config& config_;
    Transport& transport_;
};

} // namespace qv::nfce
