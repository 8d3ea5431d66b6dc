#include "Xml.h"

#include "server/Soap.h"

#include "platform/Error.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <array>
#include <cstring>
#include <exception>
#include <map>

namespace server {
namespace {

const xmlChar* X(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}
const char* C(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isWhitespace(const xmlChar* s) {
    for (; s && *s; ++s)
        if (!isBlank(static_cast<char>(*s)))
            return false;
    return true;
}

// White space between elements is never significant: text nodes that hold
// only white space go, wherever they are.
void dropBlankText(xmlNodePtr node) {
    for (xmlNodePtr child = node->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_TEXT_NODE && isWhitespace(child->content)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            dropBlankText(child);
        }
        child = next;
    }
}

std::string firstCharacters(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; ++count) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            ++i;
    }
    return std::string(s.substr(0, i));
}

[[noreturn]] void parseFailure(std::string_view body, std::string reason, int line) {
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    std::size_t start = 0;
    for (int l = 1; l < line && start != std::string_view::npos; ++l) {
        start = body.find('\n', start);
        if (start != std::string_view::npos)
            ++start;
    }
    std::string text;
    if (start != std::string_view::npos && start <= body.size()) {
        const std::size_t end = body.find_first_of("\r\n", start);
        text = firstCharacters(
            body.substr(start, end == std::string_view::npos ? end : end - start), 40);
    }
    throw platform::Error(reason + "\r\nLine: " + std::to_string(line) + "\r\n" + text);
}

struct ParseState {
    bool doctype = false;
    int doctypeLine = 0;
    std::exception_ptr error; // raised inside a callback, rethrown after parsing
    void* builder = nullptr;
};

ParseState& stateOf(void* ctx) {
    return *static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

void refuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    ParseState& state = stateOf(ctx);
    state.doctype = true;
    state.doctypeLine = xmlSAX2GetLineNumber(ctx);
    xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
}

// Runs libxml2's parser over the body with the given options and callbacks
// (`setup` changes the handler); returns the document the handler built, if
// any. Any document type declaration stops the parser at its first callback,
// before anything it declares is read.
template <typename Setup>
DocPtr runParser(std::string_view body, int options, ParseState& state, Setup setup) {
    if (body.size() > kMaxResponseBytes)
        throw platform::Error("SOAP response too large: " + std::to_string(body.size()) +
                              " bytes (limit " + std::to_string(kMaxResponseBytes) + ")");
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(body.data(), static_cast<int>(body.size()));
    if (!ctxt)
        throw platform::Error("Invalid SOAP Response");
    ctxt->_private = &state;
    xmlCtxtUseOptions(ctxt, options | XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR |
                                XML_PARSE_NOWARNING);
    ctxt->sax->internalSubset = refuseDoctype;
    setup(*ctxt->sax);
    xmlParseDocument(ctxt);
    DocPtr doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    const bool wellFormed = ctxt->wellFormed;
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    const std::string reason = error && error->message ? error->message : "XML parse error";
    const int line = error ? error->line : 1;
    xmlFreeParserCtxt(ctxt);
    if (state.error)
        std::rethrow_exception(state.error);
    if (state.doctype)
        parseFailure(body, "A document type declaration is not allowed in a SOAP message",
                     state.doctypeLine);
    if (!wellFormed)
        parseFailure(body, reason, line);
    return doc;
}

} // namespace

DocPtr parseUntrusted(std::string_view body) {
    ParseState state;
    DocPtr doc = runParser(body, 0, state, [](xmlSAXHandler&) {});
    if (doc && doc->children)
        for (xmlNodePtr n = doc->children; n; n = n->next)
            if (n->type == XML_ELEMENT_NODE)
                dropBlankText(n);
    return doc;
}

// ------------------------------------------------------------- the tree

namespace {
constexpr std::size_t kBlockNodes = 2048; // 64 KiB blocks: taken from the heap, not mapped
} // namespace

struct TreeBuilder {
    using Node = XmlTree::Node;
    using Type = XmlTree::Type;

    explicit TreeBuilder(XmlTree& t) : tree(t) { stack.push_back({t.document_, nullptr}); }

    XmlTree& tree;
    struct Open {
        Node* node;
        Node* last; // last child so far
    };
    std::vector<Open> stack;
    Node* text = nullptr;                       // the text node being filled
    Node* textPrev = nullptr;                   // the sibling before it
    std::array<std::uint32_t, 256> nameCache{}; // index + 1 into tree.names_

    Node* newNode(Type type) {
        if (tree.blocks_.empty() || tree.used_ == kBlockNodes) {
            tree.blocks_.push_back(std::make_unique<Node[]>(kBlockNodes));
            tree.used_ = 0;
        }
        Node* n = &tree.blocks_.back()[tree.used_++];
        n->type = type;
        return n;
    }

    void append(Node* n) {
        Open& top = stack.back();
        if (top.last)
            top.last->next = n;
        else
            top.node->first = n;
        top.last = n;
    }

    std::uint32_t offset() const {
        if (tree.text_.size() > UINT32_MAX)
            throw platform::Error("SOAP response too large");
        return static_cast<std::uint32_t>(tree.text_.size());
    }

    // A text node is complete when anything else begins or its element
    // ends; one of white space only goes (it is always the newest node).
    void closeText() {
        if (!text)
            return;
        const char* p = tree.text_.data() + text->begin;
        bool blank = true;
        for (std::uint32_t i = 0; i < text->size && blank; ++i)
            blank = isBlank(p[i]);
        if (blank) {
            Open& top = stack.back();
            top.last = textPrev;
            if (textPrev)
                textPrev->next = nullptr;
            else
                top.node->first = nullptr;
            tree.text_.resize(text->begin);
            *text = Node{};
            --tree.used_;
        }
        text = nullptr;
    }

    std::uint32_t nameIndex(const xmlChar* local, const xmlChar* prefix, const xmlChar* uri) {
        // Names come from the parser's dictionary: equal names, equal pointers.
        const auto bits = [](const xmlChar* p) { return reinterpret_cast<std::uintptr_t>(p); };
        const std::size_t h =
            ((bits(local) >> 4) ^ (bits(prefix) >> 6) ^ (bits(uri) >> 8)) % nameCache.size();
        std::uint32_t& slot = nameCache[h];
        if (slot) {
            const XmlTree::Name& n = tree.names_[slot - 1];
            if (n.local == local && n.prefix == prefix && n.uri == uri)
                return slot - 1;
        }
        tree.names_.push_back({local, prefix, uri});
        slot = static_cast<std::uint32_t>(tree.names_.size());
        return slot - 1;
    }

    void startElement(xmlParserCtxtPtr ctxt, const xmlChar* local, const xmlChar* prefix,
                      const xmlChar* uri, int nbNamespaces, const xmlChar** namespaces,
                      int nbAttributes, const xmlChar** attributes) {
        closeText();
        // An undeclared prefix stays part of the name, as in libxml2's tree.
        if (prefix && !uri) {
            if (const xmlChar* full = xmlDictQLookup(ctxt->dict, prefix, local)) {
                local = full;
                prefix = nullptr;
            }
        }
        Node* n = newNode(Type::Element);
        n->name = nameIndex(local, prefix, uri);
        n->begin = static_cast<std::uint32_t>(tree.attributes_.size());
        for (int i = 0; i < nbNamespaces; ++i)
            tree.attributes_.push_back(
                {nullptr, namespaces[2 * i], namespaces[2 * i + 1], 0, 0, {}});
        for (int i = 0; i < nbAttributes; ++i) {
            const xmlChar** a = attributes + 5 * i;
            const xmlChar* aLocal = a[0];
            const xmlChar* aPrefix = a[1];
            if (aPrefix && !a[2]) {
                if (const xmlChar* full = xmlDictQLookup(ctxt->dict, aPrefix, aLocal)) {
                    aLocal = full;
                    aPrefix = nullptr;
                }
            }
            const std::uint32_t at = offset();
            const auto length = static_cast<std::uint32_t>(a[4] - a[3]);
            tree.text_.append(C(a[3]), length);
            tree.attributes_.push_back({aLocal, aPrefix, a[2], at, length, {}});
            if (!a[2] && std::strcmp(C(aLocal), "id") == 0) {
                std::string key(1, '#');
                key.append(C(a[3]), length);
                tree.ids_.emplace(std::move(key), n);
            }
        }
        n->size = static_cast<std::uint32_t>(tree.attributes_.size()) - n->begin;
        append(n);
        stack.push_back({n, nullptr});
    }

    void endElement() {
        closeText();
        stack.pop_back();
    }

    void characters(const xmlChar* ch, int len) {
        if (!text) {
            textPrev = stack.back().last;
            text = newNode(Type::Text);
            text->begin = offset();
            append(text);
        }
        tree.text_.append(C(ch), static_cast<std::size_t>(len));
        text->size += static_cast<std::uint32_t>(len);
    }

    void comment(const xmlChar* value) {
        closeText();
        Node* n = newNode(Type::Comment);
        n->begin = offset();
        tree.text_.append(C(value));
        n->size = offset() - n->begin;
        append(n);
    }

    void instruction(const xmlChar* target, const xmlChar* data) {
        closeText();
        Node* n = newNode(Type::Instruction);
        n->begin = offset();
        tree.text_.append(C(target));
        n->name = offset() - n->begin;
        n->hasData = data != nullptr;
        if (data)
            tree.text_.append(C(data));
        n->size = offset() - n->begin;
        append(n);
    }
};

namespace {

TreeBuilder& builderOf(void* ctx) {
    return *static_cast<TreeBuilder*>(stateOf(ctx).builder);
}

// Nothing may leave a callback through libxml2's C frames: a failure stops
// the parser and is raised again once it has returned.
template <typename F> void guarded(void* ctx, F f) {
    ParseState& state = stateOf(ctx);
    if (state.error)
        return;
    try {
        f(builderOf(ctx));
    } catch (...) {
        state.error = std::current_exception();
        xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
    }
}

void onStartElement(void* ctx, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri,
                    int nbNamespaces, const xmlChar** namespaces, int nbAttributes,
                    int /*nbDefaulted*/, const xmlChar** attributes) {
    guarded(ctx, [&](TreeBuilder& b) {
        b.startElement(static_cast<xmlParserCtxtPtr>(ctx), local, prefix, uri, nbNamespaces,
                       namespaces, nbAttributes, attributes);
    });
}
void onEndElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    guarded(ctx, [](TreeBuilder& b) { b.endElement(); });
}
void onCharacters(void* ctx, const xmlChar* ch, int len) {
    guarded(ctx, [&](TreeBuilder& b) { b.characters(ch, len); });
}
void onComment(void* ctx, const xmlChar* value) {
    guarded(ctx, [&](TreeBuilder& b) { b.comment(value); });
}
void onInstruction(void* ctx, const xmlChar* target, const xmlChar* data) {
    guarded(ctx, [&](TreeBuilder& b) { b.instruction(target, data); });
}

} // namespace

XmlTree::XmlTree() = default;
XmlTree::XmlTree(XmlTree&&) noexcept = default;
XmlTree& XmlTree::operator=(XmlTree&&) noexcept = default;
XmlTree::~XmlTree() = default;

XmlTree parseTree(std::string_view body) {
    XmlTree tree;
    // The document node stands first in the first block.
    tree.blocks_.push_back(std::make_unique<XmlTree::Node[]>(kBlockNodes));
    tree.used_ = 1;
    tree.document_ = &tree.blocks_.back()[0];
    tree.document_->type = XmlTree::Type::Document;
    TreeBuilder builder(tree);
    ParseState state;
    state.builder = &builder;
    // The handler's own document is kept (empty) for its dictionary, which
    // holds every name, and as the home of the copies `xml` writes.
    // Entities are replaced in attribute values as in text: with the document
    // type refused only the five predefined ones and character references
    // exist.
    tree.doc_ = runParser(body, XML_PARSE_NOENT, state, [](xmlSAXHandler& sax) {
        sax.startElementNs = onStartElement;
        sax.endElementNs = onEndElement;
        sax.characters = onCharacters;
        sax.ignorableWhitespace = onCharacters;
        sax.comment = onComment;
        sax.processingInstruction = onInstruction;
        sax.reference = nullptr;
    });
    if (!tree.doc_) // the handler always makes one; without it no name would stay valid
        throw platform::Error("Invalid SOAP Response");
    for (XmlTree::Attribute& a : tree.attributes_)
        a.value = std::string_view(tree.text_.data() + a.offset, a.length);
    return tree;
}

const XmlTree::Node* XmlTree::root() const {
    for (const Node* n = document_ ? document_->first : nullptr; n; n = n->next)
        if (n->type == Type::Element)
            return n;
    return nullptr;
}

std::string_view XmlTree::localName(const Node& element) const {
    return C(names_[element.name].local);
}

std::string_view XmlTree::namespaceUri(const Node& element) const {
    const xmlChar* uri = names_[element.name].uri;
    return uri ? C(uri) : "";
}

std::string_view XmlTree::text(const Node& node) const {
    return std::string_view(text_.data() + node.begin, node.size);
}

const std::string_view* XmlTree::attribute(const Node& element, std::string_view name,
                                           const char* ns) const {
    for (std::uint32_t i = element.begin; i < element.begin + element.size; ++i) {
        const Attribute& a = attributes_[i];
        if (!a.local || C(a.local) != name)
            continue;
        if (ns ? a.uri && std::strcmp(C(a.uri), ns) == 0 : !a.uri)
            return &a.value;
    }
    return nullptr;
}

const XmlTree::Node* XmlTree::byReference(const std::string& href) const {
    const auto it = ids_.find(href);
    return it == ids_.end() ? nullptr : it->second;
}

namespace {

// Namespaces that only lend their prefix to a copy being written.
class Prefixes {
public:
    ~Prefixes() {
        for (auto& [prefix, ns] : map_)
            xmlFreeNs(ns);
    }
    xmlNsPtr operator()(const xmlChar* prefix) {
        if (!prefix)
            return nullptr;
        xmlNsPtr& ns = map_[C(prefix)];
        if (!ns) {
            // Built by hand: xmlNewNs refuses the "xml" prefix.
            ns = static_cast<xmlNsPtr>(xmlMalloc(sizeof(xmlNs)));
            std::memset(ns, 0, sizeof(xmlNs));
            ns->type = XML_LOCAL_NAMESPACE;
            ns->prefix = xmlStrdup(prefix);
        }
        return ns;
    }

private:
    std::map<std::string, xmlNsPtr> map_;
};

} // namespace

std::string XmlTree::xml(const Node& node) const {
    Prefixes prefixes;
    xmlDocPtr doc = doc_.get();
    const auto copy = [&](const auto& self, const Node& n) -> xmlNodePtr {
        switch (n.type) {
        case Type::Text:
            return xmlNewDocTextLen(doc, X(text_.data() + n.begin), static_cast<int>(n.size));
        case Type::Comment:
            return xmlNewDocComment(doc, X(std::string(text(n)).c_str()));
        case Type::Instruction: {
            const std::string target(text_.data() + n.begin, n.name);
            const std::string data(text_.data() + n.begin + n.name, n.size - n.name);
            return xmlNewDocPI(doc, X(target.c_str()), n.hasData ? X(data.c_str()) : nullptr);
        }
        case Type::Document:
            return nullptr;
        case Type::Element:
            break;
        }
        const Name& name = names_[n.name];
        xmlNodePtr e = xmlNewDocNode(doc, nullptr, name.local, nullptr);
        for (std::uint32_t i = n.begin; i < n.begin + n.size; ++i) {
            const Attribute& a = attributes_[i];
            if (!a.local)
                xmlNewNs(e, a.uri, a.prefix);
        }
        e->ns = prefixes(name.prefix);
        for (std::uint32_t i = n.begin; i < n.begin + n.size; ++i) {
            const Attribute& a = attributes_[i];
            if (a.local)
                xmlNewNsProp(e, prefixes(a.prefix), a.local, X(std::string(a.value).c_str()));
        }
        for (const Node* c = n.first; c; c = c->next)
            if (xmlNodePtr child = self(self, *c))
                xmlAddChild(e, child);
        return e;
    };
    xmlNodePtr out = copy(copy, node);
    if (!out)
        return {};
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlNodeDump(buffer, doc, out, 0, 0);
    std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    xmlFreeNode(out);
    return text;
}

} // namespace server
