// Validates a whole XML document against one of the official schemas in
// nfce/schemas (the answers and requests of the web services).
#pragma once

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <string>

namespace qv::test {

// The schema's complaints about `xml`, one after another; empty when it is
// valid against `xsd` (a file name in the schema folder `folder`).
inline std::string schema_errors(const std::string& xml, const std::string& folder,
                                 const std::string& xsd) {
    std::string errors;
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "doc.xml", "UTF-8",
                                  XML_PARSE_NONET);
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt((folder + "/" + xsd).c_str());
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaValidCtxtPtr valid = schema ? xmlSchemaNewValidCtxt(schema) : nullptr;
    if (doc == nullptr || valid == nullptr) {
        errors = "the document or the schema " + xsd + " could not be read";
    } else {
        xmlSchemaSetValidStructuredErrors(
            valid,
            [](void* out, xmlErrorPtr e) {
                *static_cast<std::string*>(out) += e->message ? e->message : "?";
            },
            &errors);
        if (xmlSchemaValidateDoc(valid, doc) != 0 && errors.empty()) errors = "invalid";
    }
    if (valid != nullptr) xmlSchemaFreeValidCtxt(valid);
    if (schema != nullptr) xmlSchemaFree(schema);
    xmlSchemaFreeParserCtxt(parser);
    if (doc != nullptr) xmlFreeDoc(doc);
    return errors;
}

} // namespace qv::test
