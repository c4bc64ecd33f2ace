#include "nfce/signature.h"

#include "nfce/digest.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <optional>

namespace qv::nfce {

namespace {

constexpr const char* kDs = "http://www.w3.org/2000/09/xmldsig#";
constexpr const char* kC14n = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
constexpr const char* kRsaSha1 = "http://www.w3.org/2000/09/xmldsig#rsa-sha1";
constexpr const char* kEnveloped = "http://www.w3.org/2000/09/xmldsig#enveloped-signature";
constexpr const char* kSha1 = "http://www.w3.org/2000/09/xmldsig#sha1";

const xmlChar* x(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

struct DocFree {
    void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
using Document = std::unique_ptr<xmlDoc, DocFree>;

Document parse(std::string_view xml) {
    return Document(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "documento.xml",
                                  nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string attribute(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, x(name));
    std::string out = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

std::string content(xmlNodePtr node) {
    xmlChar* value = xmlNodeGetContent(node);
    std::string out = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

bool named(xmlNodePtr node, std::string_view name) {
    return node->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(node->name);
}

bool in_ds(xmlNodePtr node, std::string_view name) {
    return named(node, name) && node->ns != nullptr &&
           std::string_view(reinterpret_cast<const char*>(node->ns->href)) == kDs;
}

// The first element, in document order, that `match` accepts.
template <typename Match> xmlNodePtr find(xmlNodePtr node, const Match& match) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (match(node)) return node;
        if (xmlNodePtr found = find(node->children, match)) return found;
    }
    return nullptr;
}

xmlNodePtr child(xmlNodePtr parent, std::string_view name) {
    for (xmlNodePtr c = parent != nullptr ? parent->children : nullptr; c != nullptr; c = c->next)
        if (in_ds(c, name)) return c;
    return nullptr;
}

enum class Transform { c14n, enveloped_then_c14n };

// The C14N 1.0 form (without comments) of `node` and all beneath it; after
// the enveloped-signature transform, less any Signature inside.
std::optional<std::string> canonical(xmlDocPtr doc, xmlNodePtr node, Transform transform) {
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    if (ctx == nullptr) return std::nullopt;
    xmlXPathRegisterNs(ctx, x("ds"), x(kDs));
    ctx->node = node;
    const char* subtree = "(descendant-or-self::node() | descendant-or-self::node()/@* | "
                          "descendant-or-self::node()/namespace::*)";
    const std::string path = transform == Transform::c14n
                                 ? std::string(subtree)
                                 : std::string(subtree) + "[not(ancestor-or-self::ds:Signature)]";
    xmlXPathObjectPtr set = xmlXPathEvalExpression(x(path.c_str()), ctx);
    std::optional<std::string> out;
    xmlChar* text = nullptr;
    if (set != nullptr && set->nodesetval != nullptr) {
        const int size =
            xmlC14NDocDumpMemory(doc, set->nodesetval, XML_C14N_1_0, nullptr, 0, &text);
        if (size >= 0)
            out = std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
    }
    xmlFree(text);
    xmlXPathFreeObject(set);
    xmlXPathFreeContext(ctx);
    return out;
}

std::string sha1_base64(std::string_view data) {
    const auto digest = sha1(data);
    return detail::base64(
        std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

xmlNodePtr add(xmlNodePtr parent, xmlNsPtr ns, const char* name, const std::string& text = {}) {
    return xmlNewTextChild(parent, ns, x(name), text.empty() ? nullptr : x(text.c_str()));
}

void add_algorithm(xmlNodePtr parent, xmlNsPtr ns, const char* name, const char* algorithm) {
    xmlNewProp(add(parent, ns, name), x("Algorithm"), x(algorithm));
}

std::string dump(xmlDocPtr doc) {
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &text, &size, "UTF-8");
    std::string out = text != nullptr ? std::string(reinterpret_cast<const char*>(text),
                                                    static_cast<std::size_t>(size))
                                      : std::string();
    xmlFree(text);
    return out;
}

bool verify_sha1(const std::string& der, std::string_view data, const std::string& signature) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<X509, decltype(&X509_free)> cert(
        d2i_X509(nullptr, &p, static_cast<long>(der.size())), X509_free);
    EVP_PKEY* key = cert != nullptr ? X509_get0_pubkey(cert.get()) : nullptr;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return key != nullptr && ctx != nullptr &&
           EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key) == 1 &&
           EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                            data.size()) == 1;
}

} // namespace

SignResult sign(std::string_view xml, std::string_view element, const Certificate& certificate) {
    Document doc = parse(xml);
    if (doc == nullptr) return {{}, "assinatura: o XML não pôde ser lido"};
    xmlNodePtr target = find(xmlDocGetRootElement(doc.get()), [&](xmlNodePtr n) {
        return named(n, element) && xmlHasProp(n, x("Id")) != nullptr;
    });
    const std::string what = "assinatura: " + std::string(element);
    if (target == nullptr || target->parent == nullptr || target->parent->type != XML_ELEMENT_NODE)
        return {{}, what + ": elemento com Id não encontrado"};
    const std::string id = attribute(target, "Id");
    const std::optional<std::string> signed_part =
        canonical(doc.get(), target, Transform::enveloped_then_c14n);
    if (!signed_part) return {{}, what + ": falha na canonicalização"};

    xmlNodePtr signature = xmlNewDocNode(doc.get(), nullptr, x("Signature"), nullptr);
    xmlNsPtr ns = xmlNewNs(signature, x(kDs), nullptr);
    xmlSetNs(signature, ns);
    xmlAddChild(target->parent, signature);
    xmlNodePtr info = add(signature, ns, "SignedInfo");
    add_algorithm(info, ns, "CanonicalizationMethod", kC14n);
    add_algorithm(info, ns, "SignatureMethod", kRsaSha1);
    xmlNodePtr reference = add(info, ns, "Reference");
    xmlNewProp(reference, x("URI"), x(("#" + id).c_str()));
    xmlNodePtr transforms = add(reference, ns, "Transforms");
    add_algorithm(transforms, ns, "Transform", kEnveloped);
    add_algorithm(transforms, ns, "Transform", kC14n);
    add_algorithm(reference, ns, "DigestMethod", kSha1);
    add(reference, ns, "DigestValue", sha1_base64(*signed_part));

    const std::optional<std::string> signed_info = canonical(doc.get(), info, Transform::c14n);
    const std::string value = signed_info ? certificate.sign_sha1(*signed_info) : std::string();
    if (value.empty()) return {{}, what + ": falha ao assinar com a chave do certificado"};
    add(signature, ns, "SignatureValue", detail::base64(value));
    add(add(add(signature, ns, "KeyInfo"), ns, "X509Data"), ns, "X509Certificate",
        certificate.der_base64());
    return {dump(doc.get()), {}};
}

VerifyResult verify(std::string_view xml) {
    VerifyResult r;
    Document doc = parse(xml);
    if (doc == nullptr) return {false, {}, "o XML não pôde ser lido"};
    xmlNodePtr signature =
        find(xmlDocGetRootElement(doc.get()), [](xmlNodePtr n) { return in_ds(n, "Signature"); });
    xmlNodePtr info = child(signature, "SignedInfo");
    xmlNodePtr reference = child(info, "Reference");
    xmlNodePtr certificate =
        child(child(child(signature, "KeyInfo"), "X509Data"), "X509Certificate");
    if (reference == nullptr || certificate == nullptr)
        return {false, {}, "sem assinatura completa"};
    if (attribute(child(info, "CanonicalizationMethod"), "Algorithm") != kC14n ||
        attribute(child(info, "SignatureMethod"), "Algorithm") != kRsaSha1 ||
        attribute(child(reference, "DigestMethod"), "Algorithm") != kSha1)
        return {false, {}, "algoritmo de assinatura não aceito"};
    const std::string uri = attribute(reference, "URI");
    const std::string id = uri.starts_with('#') ? uri.substr(1) : std::string();
    xmlNodePtr target = id.empty() ? nullptr
                                   : find(xmlDocGetRootElement(doc.get()),
                                          [&](xmlNodePtr n) { return attribute(n, "Id") == id; });
    if (target == nullptr) return {false, {}, "elemento assinado não encontrado: " + uri};
    r.digest_value = content(child(reference, "DigestValue"));
    const std::optional<std::string> signed_part =
        canonical(doc.get(), target, Transform::enveloped_then_c14n);
    if (!signed_part || sha1_base64(*signed_part) != r.digest_value) {
        r.error = "o conteúdo assinado foi alterado (DigestValue)";
        return r;
    }
    const std::optional<std::string> signed_info = canonical(doc.get(), info, Transform::c14n);
    const std::optional<std::string> der = detail::from_base64(content(certificate));
    const std::optional<std::string> value =
        detail::from_base64(content(child(signature, "SignatureValue")));
    if (!signed_info || !der || !value || !verify_sha1(*der, *signed_info, *value)) {
        r.error = "o valor da assinatura não confere (SignatureValue)";
        return r;
    }
    r.valid = true;
    return r;
}

QrSigner qr_signer(const Certificate& certificate) {
    return [certificate](std::string_view text) {
        return detail::base64(certificate.sign_sha1(text));
    };
}

} // namespace qv::nfce
