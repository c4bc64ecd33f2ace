#include "nfce/xml_tree.h"

namespace qv::nfce {

xmlNodePtr find_element(xmlNodePtr node, std::string_view name) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (name == reinterpret_cast<const char*>(node->name)) return node;
        if (xmlNodePtr inner = find_element(node->children, name)) return inner;
    }
    return nullptr;
}

std::string element_text(xmlNodePtr node) {
    if (node == nullptr) return {};
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

} // namespace qv::nfce
