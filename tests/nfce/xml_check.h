// Reads a note's XML for the tests: values by XPath (prefix n: for the NF-e
// namespace) and validation against the official schemas shipped in
// nfce/schemas.
//
// The schema requires the note's XML signature. A signed note is validated
// as it stands; for a note not signed (the tests that have no certificate)
// the validation appends a stand-in Signature of the right form (its digest
// and value are not a signature of anything), so that the schema checks
// everything else in the note.
#pragma once

#include "shared/decimal.h"
#include "tests/nfce/schema_check.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <string>

namespace qv::test {

class XmlCheck {
  public:
    explicit XmlCheck(const std::string& xml) : xml_(xml) {
        doc_ = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "nota.xml", "UTF-8",
                             XML_PARSE_NONET);
        if (doc_ != nullptr) {
            xpath_ = xmlXPathNewContext(doc_);
            xmlXPathRegisterNs(
                xpath_, reinterpret_cast<const xmlChar*>("n"),
                reinterpret_cast<const xmlChar*>("http://www.portalfiscal.inf.br/nfe"));
        }
    }
    XmlCheck(const XmlCheck&) = delete;
    XmlCheck& operator=(const XmlCheck&) = delete;
    ~XmlCheck() {
        if (xpath_ != nullptr) xmlXPathFreeContext(xpath_);
        if (doc_ != nullptr) xmlFreeDoc(doc_);
    }

    bool parsed() const { return doc_ != nullptr; }

    // The text of the first node found; empty when none.
    std::string text(const char* path) const {
        std::string out;
        visit(path, [&](xmlNodePtr node, int index) {
            if (index > 0) return;
            xmlChar* content = xmlNodeGetContent(node);
            out = reinterpret_cast<const char*>(content);
            xmlFree(content);
        });
        return out;
    }
    int count(const char* path) const {
        int n = 0;
        visit(path, [&](xmlNodePtr, int) { ++n; });
        return n;
    }
    // A value in the schema's form ("12.50") as a decimal.
    static Decimal value_of(std::string text) {
        for (char& c : text)
            if (c == '.') c = ',';
        return text.empty() ? Decimal() : Decimal::parse(text).value_or(Decimal::from_int(-1));
    }
    Decimal number(const char* path) const { return value_of(text(path)); }
    Decimal sum(const char* path) const {
        Decimal total;
        visit(path, [&](xmlNodePtr node, int) {
            xmlChar* content = xmlNodeGetContent(node);
            total += value_of(reinterpret_cast<const char*>(content));
            xmlFree(content);
        });
        return total;
    }

    // The schema's complaints, one a line; empty when the note is valid.
    std::string schema_errors_with_stand_in_signature() const {
        std::string signed_xml = xml_;
        const auto end = signed_xml.rfind("</NFe>");
        if (end == std::string::npos) return "no NFe element";
        signed_xml.insert(end, stand_in_signature(text("//n:infNFe/@Id")));
        return schema_errors_of(signed_xml);
    }
    // The same for a note that carries its own signature.
    std::string schema_errors() const { return schema_errors_of(xml_); }

  private:
    static std::string schema_errors_of(const std::string& signed_xml) {
        return test::schema_errors(signed_xml, NFCE_SCHEMA_FOLDER, "nfe_v4.00.xsd");
    }

    template <typename F> void visit(const char* path, F each) const {
        if (xpath_ == nullptr) return;
        xmlXPathObjectPtr found =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(path), xpath_);
        if (found == nullptr) return;
        if (found->nodesetval != nullptr)
            for (int i = 0; i < found->nodesetval->nodeNr; ++i)
                each(found->nodesetval->nodeTab[i], i);
        xmlXPathFreeObject(found);
    }

    static std::string stand_in_signature(const std::string& id) {
        const std::string ds = "http://www.w3.org/2000/09/xmldsig#";
        const std::string c14n = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
        return "<Signature xmlns=\"" + ds + "\"><SignedInfo><CanonicalizationMethod Algorithm=\"" +
               c14n + "\"/><SignatureMethod Algorithm=\"" + ds + "rsa-sha1\"/><Reference URI=\"#" +
               id + "\"><Transforms><Transform Algorithm=\"" + ds +
               "enveloped-signature\"/><Transform Algorithm=\"" + c14n +
               "\"/></Transforms><DigestMethod Algorithm=\"" + ds +
               "sha1\"/><DigestValue>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</DigestValue></Reference>"
               "</SignedInfo><SignatureValue>AAAA</SignatureValue><KeyInfo><X509Data>"
               "<X509Certificate>AAAA</X509Certificate></X509Data></KeyInfo></Signature>";
    }

    std::string xml_;
    xmlDocPtr doc_ = nullptr;
    xmlXPathContextPtr xpath_ = nullptr;
};

} // namespace qv::test
