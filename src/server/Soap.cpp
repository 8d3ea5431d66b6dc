#include "Soap.h"

#include "server/Xml.h"

#include "platform/Error.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

namespace server {
namespace {

const xmlChar* X(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}
const xmlChar* X(const std::string& s) {
    return X(s.c_str());
}
std::string S(const xmlChar* s) {
    return s ? reinterpret_cast<const char*>(s) : "";
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// ---------------------------------------------------------------- writing

class Writer {
public:
    Writer() : doc_(xmlNewDoc(X("1.0"))) {
        root_ = xmlNewDocNode(doc_.get(), nullptr, X("Envelope"), nullptr);
        xmlDocSetRootElement(doc_.get(), root_);
        env_ = xmlNewNs(root_, X(std::string(kEnvelopeNamespace)), X("SOAP-ENV"));
        xmlNewNs(root_, X(std::string(kXsdNamespace)), X("xsd"));
        xsi_ = xmlNewNs(root_, X(std::string(kXsiNamespace)), X("xsi"));
        enc_ = xmlNewNs(root_, X(std::string(kEncodingNamespace)), X("SOAP-ENC"));
        xmlSetNs(root_, env_);
        body_ = xmlNewChild(root_, env_, X("Body"), nullptr);
    }

    // The operation (or response) element, with its own namespace declaration.
    xmlNodePtr operationElement(const std::string& name, std::string_view ns) {
        xmlNodePtr op = xmlNewChild(body_, nullptr, X(name), nullptr);
        xmlSetNs(op, namespaceFor(op, op, std::string(ns)));
        return op;
    }

    void setEncodingStyle() {
        xmlNewNsProp(body_, env_, X("encodingStyle"), X(std::string(kEncodingNamespace)));
    }

    void writeValue(xmlNodePtr parent, const std::string& name, const TypeInfo& type,
                    const SoapValue& value) {
        switch (type.kind) {
        case Kind::String:
        case Kind::Integer:
        case Kind::Boolean:
        case Kind::Enum: {
            xmlNodePtr el = type.kind == Kind::String
                                ? textChild(parent, name, value.text())
                                : textChild(parent, name, scalarText(type, value));
            xmlNewNsProp(el, xsi_, X("type"), X(qualifiedType(type, el)));
            break;
        }
        case Kind::Array: {
            xmlNodePtr el = child(parent, name);
            writeArray(el, type, value);
            break;
        }
        case Kind::Struct: {
            xmlNodePtr el = child(parent, name);
            writeReference(el, type, value);
            break;
        }
        }
    }

    std::string serialize() {
        xmlBufferPtr buffer = xmlBufferCreate();
        xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
        xmlSaveDoc(save, doc_.get());
        xmlSaveClose(save);
        std::string out = "<?xml version=\"1.0\"?>\n";
        out.append(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                   static_cast<std::size_t>(xmlBufferLength(buffer)));
        xmlBufferFree(buffer);
        return out;
    }

    xmlNodePtr body() const { return body_; }
    xmlNsPtr env() const { return env_; }

    // Values, array items and fields are written without a namespace (unlike
    // xmlNewChild, which hands the parent's namespace down).
    xmlNodePtr child(xmlNodePtr parent, const std::string& name) {
        xmlNodePtr el = xmlNewDocNode(doc_.get(), nullptr, X(name), nullptr);
        xmlAddChild(parent, el);
        return el;
    }

    xmlNodePtr textChild(xmlNodePtr parent, const std::string& name, const std::string& text) {
        xmlNodePtr el = child(parent, name);
        if (!text.empty()) // empty text gives an empty element
            xmlNodeAddContentLen(el, X(text), static_cast<int>(text.size()));
        return el;
    }

private:
    // The prefix of `uri` in scope at `scope`, or a new NSn declared on
    // `declareOn` (passing over prefixes already bound there).
    xmlNsPtr namespaceFor(xmlNodePtr declareOn, xmlNodePtr scope, const std::string& uri) {
        if (xmlNsPtr ns = xmlSearchNsByHref(doc_.get(), scope, X(uri)))
            return ns;
        for (;;) {
            const std::string prefix = "NS" + std::to_string(++counter_);
            if (!xmlSearchNs(doc_.get(), declareOn, X(prefix)))
                return xmlNewNs(declareOn, X(uri), X(prefix));
        }
    }

    std::string qualifiedType(const TypeInfo& type, xmlNodePtr scope) {
        switch (type.kind) {
        case Kind::String:
            return "xsd:string";
        case Kind::Integer:
            return "xsd:int";
        case Kind::Boolean:
            return "xsd:boolean";
        case Kind::Array:
            return "SOAP-ENC:Array";
        case Kind::Enum:
        case Kind::Struct:
            break;
        }
        xmlNsPtr ns = namespaceFor(body_, scope, type.ns);
        return S(ns->prefix) + ":" + type.name;
    }

    static std::string scalarText(const TypeInfo& type, const SoapValue& value) {
        switch (type.kind) {
        case Kind::String:
            return value.text();
        case Kind::Integer:
            return std::to_string(value.integer());
        case Kind::Boolean:
            return value.boolean() ? "true" : "false";
        case Kind::Enum:
            return type.enumNames.at(static_cast<std::size_t>(value.enumIndex()));
        default:
            return {};
        }
    }

    void writeArray(xmlNodePtr el, const TypeInfo& type, const SoapValue& value) {
        if (const auto* texts = std::get_if<SoapValue::Texts>(&value.data)) {
            xmlNewNsProp(el, xsi_, X("type"), X("SOAP-ENC:Array"));
            xmlNewNsProp(el, enc_, X("arrayType"),
                         X("xsd:string[" + std::to_string(texts->size()) + "]"));
            for (const std::string& t : *texts)
                textChild(el, "item", t);
            return;
        }
        const SoapValue::Array empty;
        const SoapValue::Array& items =
            std::holds_alternative<std::monostate>(value.data) ? empty : value.array();
        const TypeInfo& element = *type.element;
        xmlNewNsProp(el, xsi_, X("type"), X("SOAP-ENC:Array"));
        if (element.kind == Kind::Array) {
            writeArrayOfArrays(el, element, items);
            return;
        }
        xmlNewNsProp(el, enc_, X("arrayType"),
                     X(qualifiedType(element, el) + "[" + std::to_string(items.size()) + "]"));
        for (const SoapValue& item : items) {
            if (element.kind == Kind::Struct) {
                writeReference(child(el, "item"), element, item);
            } else if (element.kind == Kind::String) {
                textChild(el, "item", item.text());
            } else {
                textChild(el, "item", scalarText(element, item));
            }
        }
    }

    // Column entries go as a rectangular array when every row has the same
    // length, as nested arrays otherwise.
    void writeArrayOfArrays(xmlNodePtr el, const TypeInfo& inner, const SoapValue::Array& rows) {
        const auto length = [](const SoapValue& r) {
            const auto* t = std::get_if<SoapValue::Texts>(&r.data);
            return t ? t->size() : r.array().size();
        };
        std::size_t columns = rows.empty() ? 0 : length(rows.front());
        const bool rectangular = std::all_of(
            rows.begin(), rows.end(), [&](const SoapValue& r) { return length(r) == columns; });
        const std::string elementType = qualifiedType(*inner.element, el);
        if (rectangular) {
            xmlNewNsProp(el, enc_, X("arrayType"),
                         X(elementType + "[" + std::to_string(rows.size()) + "," +
                           std::to_string(columns) + "]"));
            for (const SoapValue& row : rows) {
                if (const auto* t = std::get_if<SoapValue::Texts>(&row.data)) {
                    for (const std::string& cell : *t)
                        textChild(el, "item", cell);
                } else {
                    for (const SoapValue& cell : row.array())
                        textChild(el, "item", scalarText(*inner.element, cell));
                }
            }
            return;
        }
        xmlNewNsProp(el, enc_, X("arrayType"),
                     X(elementType + "[][" + std::to_string(rows.size()) + "]"));
        for (const SoapValue& row : rows) {
            writeArray(child(el, "item"), inner, row);
        }
    }

    void writeReference(xmlNodePtr el, const TypeInfo& type, const SoapValue& value) {
        const SoapValue::StructPtr* s = std::get_if<SoapValue::StructPtr>(&value.data);
        if (!s || !*s) {
            xmlNewNsProp(el, xsi_, X("nil"), X("true"));
            return;
        }
        const int k = writeStruct(type, **s);
        xmlNewProp(el, X("href"), X("#" + std::to_string(k)));
    }

    int writeStruct(const TypeInfo& type, const SoapStruct& s) {
        const void* identity = s.identity ? s.identity : &s;
        if (auto it = numbers_.find(identity); it != numbers_.end())
            return it->second;
        const int k = ++references_;
        numbers_[identity] = k;
        xmlNodePtr el = xmlNewNode(nullptr, X(type.name));
        xmlAddChild(body_, el);
        const std::string qualified = qualifiedType(type, el);
        xmlSetNs(el, xmlSearchNsByHref(doc_.get(), el, X(type.ns)));
        xmlNewProp(el, X("id"), X(std::to_string(k)));
        xmlNewNsProp(el, xsi_, X("type"), X(qualified));
        for (std::size_t i = 0; i < type.fields.size(); ++i)
            writeValue(el, type.fields[i].name, *type.fields[i].type,
                       i < s.fields.size() ? s.fields[i] : emptyValue(*type.fields[i].type));
        return k;
    }

    DocPtr doc_;
    xmlNodePtr root_ = nullptr;
    xmlNodePtr body_ = nullptr;
    xmlNsPtr env_ = nullptr;
    xmlNsPtr xsi_ = nullptr;
    xmlNsPtr enc_ = nullptr;
    int counter_ = 0;
    int references_ = 0;
    std::map<const void*, int> numbers_;
};

// ---------------------------------------------------------------- reading

std::string nodeXml(xmlDocPtr doc, xmlNodePtr node) {
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlNodeDump(buffer, doc, node, 0, 0);
    std::string out(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                    static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return out;
}

bool isWhitespace(const xmlChar* s) {
    for (; s && *s; ++s)
        if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n')
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
};

void refuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    auto* state = static_cast<ParseState*>(ctxt->_private);
    state->doctype = true;
    state->doctypeLine = xmlSAX2GetLineNumber(ctx);
    xmlStopParser(ctxt);
}

} // namespace

DocPtr parseUntrusted(std::string_view body) {
    if (body.size() > kMaxResponseBytes)
        throw platform::Error("SOAP response too large: " + std::to_string(body.size()) +
                              " bytes (limit " + std::to_string(kMaxResponseBytes) + ")");
    xmlParserCtxtPtr ctxt = xmlCreateMemoryParserCtxt(body.data(), static_cast<int>(body.size()));
    if (!ctxt)
        throw platform::Error("Invalid SOAP Response");
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->internalSubset = refuseDoctype;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR |
                                XML_PARSE_NOWARNING);
    xmlParseDocument(ctxt);
    DocPtr doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    const bool wellFormed = ctxt->wellFormed;
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    const std::string reason = error && error->message ? error->message : "XML parse error";
    const int line = error ? error->line : 1;
    xmlFreeParserCtxt(ctxt);
    if (state.doctype)
        parseFailure(body, "A document type declaration is not allowed in a SOAP message",
                     state.doctypeLine);
    if (!wellFormed)
        parseFailure(body, reason, line);
    if (doc && doc->children)
        for (xmlNodePtr n = doc->children; n; n = n->next)
            if (n->type == XML_ELEMENT_NODE)
                dropBlankText(n);
    return doc;
}

namespace {

bool inNamespace(xmlNodePtr node, std::string_view ns) {
    return node->ns && S(node->ns->href) == ns;
}

std::string localName(xmlNodePtr node) {
    return S(node->name);
}

std::vector<xmlNodePtr> elementChildren(xmlNodePtr node) {
    std::vector<xmlNodePtr> out;
    for (xmlNodePtr c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE)
            out.push_back(c);
    return out;
}

xmlNodePtr firstElementChild(xmlNodePtr node) {
    for (xmlNodePtr c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE)
            return c;
    return nullptr;
}

std::string attribute(xmlNodePtr node, const char* name, const char* ns = nullptr) {
    xmlChar* v = ns ? xmlGetNsProp(node, X(name), X(ns)) : xmlGetNoNsProp(node, X(name));
    std::string out = S(v);
    xmlFree(v);
    return out;
}

bool hasAttribute(xmlNodePtr node, const char* name, const char* ns = nullptr) {
    return ns ? xmlHasNsProp(node, X(name), X(ns)) != nullptr
              : xmlHasNsProp(node, X(name), nullptr) != nullptr;
}

bool isTrue(const std::string& s) {
    return s == "1" || equalsNoCase(s, "true");
}

std::string trim(std::string s) {
    const char* blanks = " \t\r\n";
    s.erase(s.find_last_not_of(blanks) + 1);
    s.erase(0, s.find_first_not_of(blanks));
    return s;
}

// Text of a node that must hold text only.
std::string singleText(xmlNodePtr node) {
    if (!node->children)
        return {};
    if (node->children == node->last && node->children->type == XML_TEXT_NODE)
        return S(node->children->content);
    std::string text;
    for (xmlNodePtr c = node->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE)
            text += S(c->content);
        else if (c->type != XML_COMMENT_NODE)
            throw platform::Error("Element does not contain a single text node");
    }
    return text;
}

std::int32_t parseInteger(const std::string& raw) {
    const std::string s = trim(raw);
    const auto invalid = [&] {
        return platform::Error("'" + s + "' is not a valid integer value");
    };
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    }
    if (i >= s.size())
        throw invalid();
    long long value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            throw invalid();
        value = value * base + d;
        if (value > 2147483648LL)
            throw invalid();
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        throw invalid();
    return static_cast<std::int32_t>(value);
}

class Reader {
public:
    explicit Reader(xmlDocPtr doc) : doc_(doc) { index(xmlDocGetRootElement(doc)); }

    // Follows href references (wherever the target stands) to the element
    // that takes the node's place.
    xmlNodePtr resolve(xmlNodePtr node) const {
        if (!node || !node->properties)
            return node; // no attributes, no reference
        std::set<xmlNodePtr> seen;
        while (node && hasAttribute(node, "href")) {
            const std::string href = attribute(node, "href");
            if (!seen.insert(node).second)
                throw platform::Error("Circular SOAP reference " + href);
            const auto it = ids_.find(href);
            if (it == ids_.end())
                throw platform::Error("SOAP reference " + href + " not found");
            node = it->second;
        }
        return node;
    }

    SoapValue decode(xmlNodePtr original, const TypeInfo& type) {
        xmlNodePtr v = resolve(original);
        const bool null = isNull(v);
        switch (type.kind) {
        case Kind::String:
        case Kind::Integer:
        case Kind::Boolean:
        case Kind::Enum:
            return null ? emptyValue(type) : scalar(type, valueText(v));
        case Kind::Array:
            return null ? emptyValue(type) : array(original, v, type);
        case Kind::Struct:
            return null ? emptyValue(type) : structure(v, type);
        }
        return {};
    }

    SoapValue scalar(const TypeInfo& type, const std::string& text) const {
        switch (type.kind) {
        case Kind::String:
            return text;
        case Kind::Integer:
            return parseInteger(text);
        case Kind::Boolean: {
            const std::string t = trim(text);
            if (t == "1" || equalsNoCase(t, "true"))
                return true;
            if (t == "0" || equalsNoCase(t, "false"))
                return false;
            throw platform::Error("'" + t + "' is not a valid boolean value");
        }
        case Kind::Enum: {
            const std::string t = trim(text);
            const auto& names = type.enumNames;
            const auto it = std::find(names.begin(), names.end(), t);
            if (it == names.end())
                throw platform::Error("'" + t + "' is not a valid " + type.name + " value");
            return SoapValue::Enum{static_cast<int>(it - names.begin())};
        }
        default:
            return {};
        }
    }

private:
    void index(xmlNodePtr node) {
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE)
                continue;
            for (xmlAttrPtr a = node->properties; a; a = a->next)
                if (!a->ns && a->name &&
                    std::strcmp(reinterpret_cast<const char*>(a->name), "id") == 0)
                    ids_.emplace("#" + attribute(node, "id"), node);
            index(node->children);
        }
    }

    static bool isNull(xmlNodePtr v) {
        if (!v->properties)
            return v->children == nullptr;
        for (const char* name : {"nil", "NULL"})
            if (hasAttribute(v, name, kXsiNamespace.data()) &&
                isTrue(attribute(v, name, kXsiNamespace.data())))
                return true;
        return v->children == nullptr && !hasAttribute(v, "href");
    }

    // The node's text when it holds only text; its inner XML otherwise.
    std::string valueText(xmlNodePtr v) const {
        bool onlyText = true;
        for (xmlNodePtr c = v->children; c; c = c->next)
            if (c->type != XML_TEXT_NODE)
                onlyText = false;
        std::string out;
        for (xmlNodePtr c = v->children; c; c = c->next)
            out += onlyText ? S(c->content) : nodeXml(doc_, c);
        return out;
    }

    SoapValue array(xmlNodePtr original, xmlNodePtr v, const TypeInfo& type) {
        const TypeInfo& element = *type.element;
        const std::vector<xmlNodePtr> children = elementChildren(v);
        SoapValue::Array out;
        if (element.kind == Kind::Array)
            return arrayOfArrays(original, children, element);
        if (element.kind == Kind::String) {
            SoapValue::Texts texts;
            texts.reserve(children.size());
            for (xmlNodePtr item : children)
                texts.push_back(singleText(resolve(item)));
            return texts;
        }
        out.reserve(children.size());
        for (xmlNodePtr item : children) {
            if (element.kind == Kind::Struct)
                out.push_back(decode(item, element));
            else
                out.push_back(scalar(element, singleText(resolve(item))));
        }
        return out;
    }

    SoapValue arrayOfArrays(xmlNodePtr original, const std::vector<xmlNodePtr>& children,
                            const TypeInfo& /*inner: arrays of text*/) {
        const std::string arrayType = attribute(original, "arrayType", kEncodingNamespace.data());
        SoapValue::Array rows;
        const auto open = arrayType.rfind('[');
        const auto comma = arrayType.find(',', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && comma != std::string::npos) {
            const long r = parseInteger(arrayType.substr(open + 1, comma - open - 1));
            const long c =
                parseInteger(arrayType.substr(comma + 1, arrayType.find(']', comma) - comma - 1));
            if (r < 0 || c < 0 ||
                static_cast<std::size_t>(r) * static_cast<std::size_t>(c) > children.size())
                throw platform::Error("SOAP array " + arrayType + " announces " +
                                      std::to_string(static_cast<long long>(r) * c) +
                                      " elements but holds " + std::to_string(children.size()));
            std::size_t next = 0;
            rows.reserve(static_cast<std::size_t>(r));
            for (long row = 0; row < r; ++row) {
                SoapValue::Texts cells;
                cells.reserve(static_cast<std::size_t>(c));
                for (long col = 0; col < c; ++col)
                    cells.push_back(singleText(resolve(children[next++])));
                rows.push_back(std::move(cells));
            }
            return rows;
        }
        rows.reserve(children.size());
        for (xmlNodePtr child : children) {
            xmlNodePtr row = resolve(child);
            SoapValue::Texts cells;
            for (xmlNodePtr cell : elementChildren(row))
                cells.push_back(singleText(resolve(cell)));
            rows.push_back(std::move(cells));
        }
        return rows;
    }

    SoapValue structure(xmlNodePtr v, const TypeInfo& type) {
        const auto key = std::make_pair(v, &type);
        if (auto it = structs_.find(key); it != structs_.end())
            return it->second;
        auto s = std::make_shared<SoapStruct>();
        s->type = &type;
        structs_[key] = s;
        std::vector<xmlNodePtr> children = elementChildren(v);
        std::vector<bool> used(children.size(), false);
        for (const FieldInfo& field : type.fields) {
            SoapValue value = emptyValue(*field.type);
            for (std::size_t i = 0; i < children.size(); ++i) {
                if (!used[i] && localName(children[i]) == field.name) {
                    used[i] = true;
                    value = decode(children[i], *field.type);
                    break;
                }
            }
            s->fields.push_back(std::move(value));
        }
        return SoapValue::StructPtr(s);
    }

    xmlDocPtr doc_;
    std::unordered_map<std::string, xmlNodePtr> ids_;
    std::map<std::pair<xmlNodePtr, const TypeInfo*>, SoapValue::StructPtr> structs_;
};

} // namespace

std::string encodeRequest(const Operation& op, const std::vector<SoapValue>& args,
                          std::string_view operationNamespace) {
    Writer w;
    xmlNodePtr el = w.operationElement(op.name, operationNamespace);
    w.setEncodingStyle();
    for (std::size_t i = 0; i < op.params.size(); ++i)
        w.writeValue(el, op.params[i].name, *op.params[i].type,
                     i < args.size() ? args[i] : emptyValue(*op.params[i].type));
    return w.serialize();
}

std::string encodeResponse(const Operation& op, const SoapValue& result,
                           std::string_view operationNamespace) {
    Writer w;
    xmlNodePtr el = w.operationElement(op.name + "Response", operationNamespace);
    if (op.result)
        w.writeValue(el, "return", *op.result, result);
    return w.serialize();
}

std::string encodeFault(std::string_view faultCode, std::string_view faultString) {
    Writer w;
    xmlNodePtr fault = xmlNewChild(w.body(), w.env(), X("Fault"), nullptr);
    w.textChild(fault, "faultcode", std::string(faultCode));
    w.textChild(fault, "faultstring", std::string(faultString));
    return w.serialize();
}

SoapValue decodeResponse(const Operation& op, std::string_view body) {
    DocPtr doc = parseUntrusted(body);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root)
        throw platform::Error("Invalid SOAP Response");
    if (localName(root) != "Envelope" || !inNamespace(root, kEnvelopeNamespace))
        throw platform::Error("DocumentElement " + std::string(kEnvelopeNamespace) +
                              ":Envelope expected, " + S(root->ns ? root->ns->href : nullptr) +
                              ":" + localName(root) + " found");
    if (!root->children)
        throw platform::Error("Invalid SOAP request");
    Reader reader(doc.get());
    SoapValue result = op.result ? emptyValue(*op.result) : SoapValue();
    bool header = false, bodySeen = false;
    for (xmlNodePtr child : elementChildren(root)) {
        const std::string name = localName(child);
        if (name == "Header") {
            if (header)
                throw platform::Error("Invalid SOAP response");
            header = true;
            for (xmlNodePtr entry : elementChildren(child)) {
                const std::string mu =
                    attribute(entry, "mustUnderstand", kEnvelopeNamespace.data());
                if (isTrue(mu) || isTrue(attribute(entry, "mustUnderstand")))
                    throw platform::Error("Soap header " + localName(entry) +
                                          " with attribute 'mustUnderstand' set to true was "
                                          "not handled");
            }
        } else if (name == "Body") {
            if (bodySeen)
                throw platform::Error("Invalid SOAP response");
            bodySeen = true;
            xmlNodePtr r = firstElementChild(child);
            if (!r)
                continue; // an empty body leaves the empty result
            if (localName(r) == "Fault") {
                std::string faultString;
                for (xmlNodePtr f : elementChildren(r))
                    if (equalsNoCase(localName(f), "faultstring"))
                        faultString = singleText(f);
                throw platform::Error(faultString);
            }
            if (!op.result)
                continue;
            const std::vector<xmlNodePtr> children = elementChildren(r);
            xmlNodePtr ret = nullptr;
            if (children.size() == 1) {
                ret = children[0];
            } else {
                for (xmlNodePtr c : children)
                    if (equalsNoCase(localName(c), "Result") ||
                        equalsNoCase(localName(c), "Return")) {
                        ret = c;
                        break;
                    }
            }
            if (!ret) {
                if (op.result->kind == Kind::Struct)
                    continue;
                throw platform::Error("SOAP Response Packet: result element expected, received \"" +
                                      nodeXml(doc.get(), r) + "\"");
            }
            result = reader.decode(ret, *op.result);
        }
    }
    return result;
}

const Operation& decodeRequest(std::string_view body, std::vector<SoapValue>& args) {
    DocPtr doc = parseUntrusted(body);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || localName(root) != "Envelope" || !inNamespace(root, kEnvelopeNamespace))
        throw platform::Error("Invalid SOAP request");
    xmlNodePtr bodyEl = nullptr;
    for (xmlNodePtr c : elementChildren(root))
        if (localName(c) == "Body")
            bodyEl = c;
    xmlNodePtr opEl = bodyEl ? firstElementChild(bodyEl) : nullptr;
    if (!opEl)
        throw platform::Error("Invalid SOAP request");
    const Operation& op = operation(localName(opEl));
    Reader reader(doc.get());
    args.clear();
    const std::vector<xmlNodePtr> children = elementChildren(opEl);
    for (const ParamInfo& p : op.params) {
        SoapValue value = emptyValue(*p.type);
        for (xmlNodePtr c : children)
            if (localName(c) == p.name) {
                value = reader.decode(c, *p.type);
                break;
            }
        args.push_back(std::move(value));
    }
    return op;
}

} // namespace server
