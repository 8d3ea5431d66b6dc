#include "Xml.h"

#include "server/Soap.h"

#include "platform/Error.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
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
constexpr std::uint32_t kBlockShift = 13; // 8192 nodes of 8 bytes: 64 KiB from the heap
constexpr std::uint32_t kBlockNodes = 1u << kBlockShift;
constexpr std::uint32_t kTypeMask = 7;
constexpr std::uint32_t kInlineText = 8;  // element: `first` is its text
constexpr std::uint32_t kAttributes = 16; // element: has attributes
constexpr std::uint32_t kData = 32;       // instruction: data given (even empty)
// The next sibling is most often the next node; any other stands in a table.
constexpr std::uint32_t kNextFollows = 64;
constexpr std::uint32_t kNextElsewhere = 128;
constexpr std::uint32_t kValueShift = 8; // element: its name
constexpr std::uint32_t kMaxValue = (1u << (32 - kValueShift)) - 1;
} // namespace

struct TreeBuilder {
    using Id = XmlTree::Id;
    using Node = XmlTree::Node;
    using Type = XmlTree::Type;

    explicit TreeBuilder(XmlTree& t) : tree(t) {
        newNode(Type::Document);
        stack.push_back({0, 0});
    }

    XmlTree& tree;
    struct Open {
        Id node;
        Id last; // last child so far
    };
    std::vector<Open> stack;
    Id text = 0;     // the text node being filled, or the element holding it inline
    Id textPrev = 0; // the sibling before a text node
    bool inlineText = false;
    std::array<std::uint32_t, 256> nameCache{}; // index + 1 into tree.names_

    Node& at(Id n) { return tree.blocks_[n >> kBlockShift][n & (kBlockNodes - 1)]; }

    Id newNode(Type type, std::uint32_t value = 0) {
        if (tree.count_ == std::size_t{UINT32_MAX} || value > kMaxValue)
            throw platform::Error("SOAP response too large");
        if (tree.count_ == tree.blocks_.size() * kBlockNodes)
            tree.blocks_.push_back(std::make_unique<Node[]>(kBlockNodes));
        const auto id = static_cast<Id>(tree.count_++);
        at(id).bits = static_cast<std::uint32_t>(type) | value << kValueShift;
        return id;
    }

    void setNext(Id n, Id next) {
        Node& node = at(n);
        if (node.bits & kNextElsewhere)
            tree.next_.erase(n);
        node.bits &= ~(kNextFollows | kNextElsewhere);
        if (!next)
            return;
        if (next == n + 1) {
            node.bits |= kNextFollows;
        } else {
            tree.next_[n] = next;
            node.bits |= kNextElsewhere;
        }
    }

    void append(Id n) {
        Open& top = stack.back();
        if (top.last)
            setNext(top.last, n);
        else
            at(top.node).first = n;
        top.last = n;
    }

    std::uint32_t offset() const {
        if (tree.text_.size() > UINT32_MAX)
            throw platform::Error("SOAP response too large");
        return static_cast<std::uint32_t>(tree.text_.size());
    }

    // A text is complete when anything else begins or its element ends; one
    // of white space only goes (nothing was stored after it). Text kept on
    // its element becomes a child node once another child follows.
    void closeText(bool elementEnds) {
        if (!text)
            return;
        Node& t = at(text);
        bool blank = true;
        for (std::size_t i = t.first; i < tree.text_.size() && blank; ++i)
            blank = isBlank(tree.text_[i]);
        if (blank) {
            tree.text_.resize(t.first);
            if (inlineText) {
                t.first = 0;
                t.bits &= ~kInlineText;
            } else {
                Open& top = stack.back();
                top.last = textPrev;
                if (textPrev)
                    setNext(textPrev, 0);
                else
                    at(top.node).first = 0;
                t = Node{};
                --tree.count_; // the newest node
            }
        } else {
            tree.text_.push_back('\0'); // texts end as in C: XML text holds no NUL
            if (inlineText && !elementEnds) {
                const std::uint32_t begin = t.first;
                t.first = 0;
                t.bits &= ~kInlineText;
                const Id n = newNode(Type::Text);
                at(n).first = begin;
                append(n);
            }
        }
        text = 0;
        inlineText = false;
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
        closeText(false);
        // An undeclared prefix stays part of the name, as in libxml2's tree.
        if (prefix && !uri) {
            if (const xmlChar* full = xmlDictQLookup(ctxt->dict, prefix, local)) {
                local = full;
                prefix = nullptr;
            }
        }
        const Id n = newNode(Type::Element, nameIndex(local, prefix, uri));
        const auto begin = static_cast<std::uint32_t>(tree.attributes_.size());
        for (int i = 0; i < nbNamespaces; ++i)
            tree.attributes_.push_back({nullptr, namespaces[2 * i], namespaces[2 * i + 1], 0, 0});
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
            const std::uint32_t value = offset();
            const auto length = static_cast<std::uint32_t>(a[4] - a[3]);
            tree.text_.append(C(a[3]), length);
            tree.attributes_.push_back({aLocal, aPrefix, a[2], value, length});
            if (!a[2] && std::strcmp(C(aLocal), "id") == 0) {
                std::string key(1, '#');
                key.append(C(a[3]), length);
                tree.ids_.emplace(std::move(key), n);
            }
        }
        if (tree.attributes_.size() > begin) {
            at(n).bits |= kAttributes;
            tree.attributeStarts_.emplace_back(n, begin);
        }
        append(n);
        stack.push_back({n, 0});
    }

    void endElement() {
        closeText(true);
        stack.pop_back();
    }

    void characters(const xmlChar* ch, int len) {
        if (!text) {
            Open& top = stack.back();
            if (!top.last && top.node != 0) { // the element's first content: kept on it
                text = top.node;
                inlineText = true;
                at(text).bits |= kInlineText;
            } else {
                textPrev = top.last;
                text = newNode(Type::Text);
                append(text);
            }
            at(text).first = offset();
        }
        tree.text_.append(C(ch), static_cast<std::size_t>(len));
    }

    void comment(const xmlChar* value) {
        closeText(false);
        const Id n = newNode(Type::Comment);
        at(n).first = offset();
        tree.text_.append(C(value));
        tree.text_.push_back('\0');
        append(n);
    }

    void instruction(const xmlChar* target, const xmlChar* data) {
        closeText(false);
        const Id n = newNode(Type::Instruction);
        at(n).first = offset();
        tree.text_.append(C(target));
        tree.text_.push_back('\0');
        if (data) {
            at(n).bits |= kData;
            tree.text_.append(C(data));
            tree.text_.push_back('\0');
        }
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
    // Growth left spare room; the tree is kept while the answer is decoded.
    tree.text_.shrink_to_fit();
    tree.attributes_.shrink_to_fit();
    return tree;
}

const XmlTree::Node& XmlTree::node(Id n) const {
    return blocks_[n >> kBlockShift][n & (kBlockNodes - 1)];
}

XmlTree::Type XmlTree::type(Id n) const {
    return static_cast<Type>(node(n).bits & kTypeMask);
}

XmlTree::Id XmlTree::root() const {
    Id n = count_ ? node(0).first : 0;
    while (n && type(n) != Type::Element)
        n = nextSibling(n);
    return n;
}

XmlTree::Id XmlTree::firstChild(Id n) const {
    return node(n).bits & kInlineText ? 0 : node(n).first;
}

XmlTree::Id XmlTree::nextSibling(Id n) const {
    const std::uint32_t bits = node(n).bits;
    if (bits & kNextFollows)
        return n + 1;
    return bits & kNextElsewhere ? next_.at(n) : 0;
}

XmlTree::Id XmlTree::firstElementChild(Id n) const {
    const Id c = firstChild(n);
    return c && type(c) != Type::Element ? nextElementSibling(c) : c;
}

XmlTree::Id XmlTree::nextElementSibling(Id n) const {
    do
        n = nextSibling(n);
    while (n && type(n) != Type::Element);
    return n;
}

bool XmlTree::hasChildNodes(Id n) const {
    return node(n).bits & kInlineText || node(n).first;
}

std::optional<std::string_view> XmlTree::onlyText(Id element) const {
    if (!(node(element).bits & kInlineText))
        return std::nullopt;
    return text(element);
}

std::string_view XmlTree::localName(Id element) const {
    return C(names_[node(element).bits >> kValueShift].local);
}

std::string_view XmlTree::namespaceUri(Id element) const {
    const xmlChar* uri = names_[node(element).bits >> kValueShift].uri;
    return uri ? C(uri) : "";
}

std::string_view XmlTree::text(Id n) const {
    return text_.data() + node(n).first;
}

bool XmlTree::hasAttributes(Id element) const {
    return node(element).bits & kAttributes;
}

std::pair<std::size_t, std::size_t> XmlTree::attributeRange(Id element) const {
    if (!hasAttributes(element))
        return {0, 0};
    const auto it = std::lower_bound(attributeStarts_.begin(), attributeStarts_.end(),
                                     std::make_pair(element, std::uint32_t{0}));
    const std::size_t end =
        it + 1 == attributeStarts_.end() ? attributes_.size() : (it + 1)->second;
    return {it->second, end};
}

std::optional<std::string_view> XmlTree::attribute(Id element, std::string_view name,
                                                   const char* ns) const {
    const auto [begin, end] = attributeRange(element);
    for (std::size_t i = begin; i < end; ++i) {
        const Attribute& a = attributes_[i];
        if (!a.local || C(a.local) != name)
            continue;
        if (ns ? a.uri && std::strcmp(C(a.uri), ns) == 0 : !a.uri)
            return std::string_view(text_.data() + a.offset, a.length);
    }
    return std::nullopt;
}

XmlTree::Id XmlTree::byReference(const std::string& href) const {
    const auto it = ids_.find(href);
    return it == ids_.end() ? 0 : it->second;
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

std::string XmlTree::xml(Id id) const {
    Prefixes prefixes;
    xmlDocPtr doc = doc_.get();
    const auto copy = [&](const auto& self, Id n) -> xmlNodePtr {
        const Node& nd = node(n);
        switch (type(n)) {
        case Type::Text:
            return xmlNewDocText(doc, X(text_.data() + nd.first));
        case Type::Comment:
            return xmlNewDocComment(doc, X(text_.data() + nd.first));
        case Type::Instruction: {
            const char* target = text_.data() + nd.first;
            const char* data = target + std::strlen(target) + 1;
            return xmlNewDocPI(doc, X(target), nd.bits & kData ? X(data) : nullptr);
        }
        case Type::Document:
            return nullptr;
        case Type::Element:
            break;
        }
        const Name& name = names_[nd.bits >> kValueShift];
        xmlNodePtr e = xmlNewDocNode(doc, nullptr, name.local, nullptr);
        const auto [begin, end] = attributeRange(n);
        for (std::size_t i = begin; i < end; ++i)
            if (!attributes_[i].local)
                xmlNewNs(e, attributes_[i].uri, attributes_[i].prefix);
        e->ns = prefixes(name.prefix);
        for (std::size_t i = begin; i < end; ++i) {
            const Attribute& a = attributes_[i];
            if (a.local)
                xmlNewNsProp(e, prefixes(a.prefix), a.local,
                             X(std::string(text_.data() + a.offset, a.length).c_str()));
        }
        if (nd.bits & kInlineText)
            xmlAddChild(e, xmlNewDocText(doc, X(text_.data() + nd.first)));
        for (Id c = firstChild(n); c; c = nextSibling(c))
            if (xmlNodePtr child = self(self, c))
                xmlAddChild(e, child);
        return e;
    };
    xmlNodePtr out = copy(copy, id);
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
