#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
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
// libxml2's: nodes in large blocks, texts in one buffer, names shared with
// the parser's dictionary. SOAP messages are read through it, being large
// and read once; the same rules and the same errors as parseUntrusted.
class XmlTree {
public:
    enum class Type : std::uint8_t { Document, Element, Text, Comment, Instruction };
    struct Node {
        const Node* next = nullptr;  // next sibling
        const Node* first = nullptr; // first child
        std::uint32_t begin = 0;     // element: first attribute; others: offset of the text
        std::uint32_t size = 0;      // element: number of attributes; others: text length
        std::uint32_t name = 0;      // element: its name; instruction: length of the target
        Type type = Type::Element;
        bool hasData = false; // instruction: data given (even empty)
    };

    XmlTree(XmlTree&&) noexcept;
    XmlTree& operator=(XmlTree&&) noexcept;
    ~XmlTree();

    // The document element; null when there is none.
    const Node* root() const;

    std::string_view localName(const Node& element) const;
    // Empty when the element has no namespace.
    std::string_view namespaceUri(const Node& element) const;
    // Text of a text node or comment.
    std::string_view text(const Node& node) const;

    bool hasAttributes(const Node& element) const { return element.size != 0; }
    // The attribute named `name` without a namespace (ns null) or in namespace
    // `ns`; null when absent.
    const std::string_view* attribute(const Node& element, std::string_view name,
                                      const char* ns = nullptr) const;

    // The element whose `id` attribute makes "#" + id; the first one wins.
    const Node* byReference(const std::string& href) const;

    // The node written as XML the way libxml2 writes it (namespace
    // declarations and attributes in document order, empty elements as
    // "<a/>").
    std::string xml(const Node& node) const;

private:
    friend struct TreeBuilder;
    friend XmlTree parseTree(std::string_view body);
    XmlTree();

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
        std::string_view value;       // set once the text stops growing
    };

    DocPtr doc_; // holds the parser's dictionary; the home of serialized copies
    std::vector<std::unique_ptr<Node[]>> blocks_;
    std::size_t used_ = 0; // nodes used in the last block
    std::vector<Name> names_;
    std::vector<Attribute> attributes_;
    std::string text_;
    std::unordered_map<std::string, const Node*> ids_;
    Node* document_ = nullptr;
};

XmlTree parseTree(std::string_view body);

} // namespace server
