// The XML signature of the tax documents (the note, its events, the
// voiding of numbers): enveloped, of the element that carries the Id, as
// the authorities take it: C14N 1.0 (without comments), RSA with SHA-1,
// one Reference "#Id" with the enveloped-signature and C14N transforms, and
// the signer's certificate in KeyInfo/X509Data. The Signature element goes
// last into the element that holds the signed one (NFe after infNFe; the
// QR code supplement infNFeSupl is then put before it, as the schema's
// order asks; evento after infEvento; inutNFe after infInut).
#pragma once

#include "nfce/certificate.h"
#include "nfce/qr_code.h"

#include <string>
#include <string_view>

namespace qv::nfce {

struct SignResult {
    std::string xml;   // the signed document, UTF-8; empty on an error
    std::string error; // Portuguese; empty when signed
};

// Signs the first element named `element` (by local name, such as
// "infNFe") that has an Id attribute.
SignResult sign(std::string_view xml, std::string_view element, const Certificate& certificate);

struct VerifyResult {
    bool valid = false;
    std::string digest_value; // the Reference's DigestValue text (base64)
    std::string error;        // why it is not valid; empty when valid
};

// Checks the document's Signature against the certificate it carries: the
// digest of the referenced element and the signature value. The
// certificate's trust is not judged here.
VerifyResult verify(std::string_view xml);

// The QR code version 3's signature for notes issued offline: the issuer's
// certificate signs the bytes of the text before it, and the QR code
// carries the result in base64. The technical note's texts at hand name
// the certificate, the signed fields and the base64, but not the hash: RSA
// with SHA-1 (PKCS #1 v1.5), that of the XML signature, is taken until the
// note's own words confirm it or name another.
QrSigner qr_signer(const Certificate& certificate);

} // namespace qv::nfce
