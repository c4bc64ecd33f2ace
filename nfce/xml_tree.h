// Small helpers over libxml2's tree that the web services' client and the
// stand-in SEFAZ share: finding an element by name and reading its text.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace qv::nfce {

// The first element from `node` on (its following siblings and everything
// below them, `node` itself first) named `name`, in any namespace; nullptr
// when there is none.
xmlNodePtr find_element(xmlNodePtr node, std::string_view name);
// The element's text; empty for nullptr.
std::string element_text(xmlNodePtr node);

} // namespace qv::nfce
