#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string_view>

namespace server {

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

// Parses a document that came from outside (a response, a service
// description): no network, no document type declaration (so no external
// or expanding entities), bounded size and depth; white-space-only text is
// dropped. Raises platform::Error with the parser's reason, "Line: " and the
// start of the offending line.
DocPtr parseUntrusted(std::string_view body);

} // namespace server
