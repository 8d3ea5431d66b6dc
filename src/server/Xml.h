#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

// The same document, read into a compact tree of its own instead of
// libxml2's: 8-byte nodes in large blocks, texts in one buffer, names
// shared with the parser's dictionary, and the text of an element that holds
// only text kept on the element itself. SOAP messages are read through it,
// being large and read once; the same rules and the same errors as
// parseUntrusted.
class XmlTree {
public:
    enum class Type : std::uint8_t { Document, Element, Text, Comment, Instruction };
    // A node by its number; 0 stands for none (the document itself is never
    // a child, a sibling or a reference).
    using Id = std::uint32_t;

    XmlTree(XmlTree&&) noexcept;
    XmlTree& operator=(XmlTree&&) noexcept;
    ~XmlTree();

    // The document element; 0 when there is none.
    Id root() const;

    Type type(Id n) const;
    Id firstChild(Id n) const;
    Id nextSibling(Id n) const;
    Id firstElementChild(Id n) const;
    Id nextElementSibling(Id n) const;
    // Whether the node has child nodes (text included).
    bool hasChildNodes(Id n) const;
    // The text of an element whose only child is text.
    std::optional<std::string_view> onlyText(Id element) const;

    std::string_view localName(Id element) const;
    // Empty when the element has no namespace.
    std::string_view namespaceUri(Id element) const;
    // Text of a text node or comment, or of an element holding only text.
    std::string_view text(Id node) const;

    bool hasAttributes(Id element) const;
    // The attribute named `name` without a namespace (ns null) or in namespace
    // `ns`; none when absent.
    std::optional<std::string_view> attribute(Id element, std::string_view name,
                                              const char* ns = nullptr) const;

    // The element whose `id` attribute makes "#" + id; the first one wins.
    Id byReference(const std::string& href) const;

    // The node written as XML the way libxml2 writes it (namespace
    // declarations and attributes in document order, empty elements as
    // "<a/>").
    std::string xml(Id node) const;

private:
    friend struct TreeBuilder;
    friend XmlTree parseTree(std::string_view body);
    XmlTree();

    struct Node {
        std::uint32_t first = 0; // first child; offset of the text (texts, inline text)
        std::uint32_t bits = 0;  // type, flags, and the name of an element
        // The next sibling: see nextSibling.
    };
    struct Name {
        const xmlChar* local;
        const xmlChar* prefix;
        const xmlChar* uri;
    };
    struct Attribute {
        const xmlChar* local; // null: a namespace declaration
        const xmlChar* prefix;
        const xmlChar* uri;
        std::uint32_t offset, length; // of the value in text_
    };

    const Node& node(Id n) const;
    std::pair<std::size_t, std::size_t> attributeRange(Id element) const;

    DocPtr doc_; // holds the parser's dictionary; the home of serialized copies
    std::vector<std::unique_ptr<Node[]>> blocks_;
    std::size_t count_ = 0; // nodes in use
    std::vector<Name> names_;
    std::vector<Attribute> attributes_;
    // Elements with attributes, in node order, with their first attribute.
    std::vector<std::pair<Id, std::uint32_t>> attributeStarts_;
    std::string text_;
    std::unordered_map<std::string, Id> ids_;
    std::unordered_map<Id, Id> next_; // next siblings that are not the next node
};

XmlTree parseTree(std::string_view body);

} // namespace server
