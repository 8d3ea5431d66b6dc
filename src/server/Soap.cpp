#include "Soap.h"

#include "server/Xml.h"

#include "platform/Error.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

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
        if (const auto* rows = std::get_if<SoapValue::Rows>(&value.data)) {
            xmlNewNsProp(el, xsi_, X("type"), X("SOAP-ENC:Array"));
            writeRows(el, *type.element, *rows);
            return;
        }
        const SoapValue::Array empty;
        const SoapValue::Array& items =
            std::holds_alternative<std::monostate>(value.data) ? empty : value.array();
        const TypeInfo& element = *type.element;
        xmlNewNsProp(el, xsi_, X("type"), X("SOAP-ENC:Array"));
        if (element.kind == Kind::Array) { // rows given as an array of arrays
            writeRows(el, element, metaDadosCamposFrom(value));
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
    void writeRows(xmlNodePtr el, const TypeInfo& inner, const SoapValue::Rows& rows) {
        const std::size_t columns = rows.empty() ? 0 : rows.front().size();
        const bool rectangular = std::all_of(rows.begin(), rows.end(),
                                             [&](const auto& r) { return r.size() == columns; });
        const std::string elementType = qualifiedType(*inner.element, el);
        if (rectangular) {
            xmlNewNsProp(el, enc_, X("arrayType"),
                         X(elementType + "[" + std::to_string(rows.size()) + "," +
                           std::to_string(columns) + "]"));
            for (const auto& row : rows)
                for (const std::string& cell : row)
                    textChild(el, "item", cell);
            return;
        }
        xmlNewNsProp(el, enc_, X("arrayType"),
                     X(elementType + "[][" + std::to_string(rows.size()) + "]"));
        for (const auto& row : rows)
            writeArray(child(el, "item"), inner, SoapValue::Texts(row));
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

using Id = XmlTree::Id;

bool isTrue(std::string_view s) {
    return s == "1" || equalsNoCase(s, "true");
}

std::string trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(blanks) + 1 - first));
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
    explicit Reader(const XmlTree& tree) : tree_(tree) {}

    std::string_view name(Id n) const { return tree_.localName(n); }

    std::string attribute(Id n, std::string_view name, const char* ns = nullptr) const {
        const auto v = tree_.attribute(n, name, ns);
        return v ? std::string(*v) : std::string();
    }

    std::size_t countElementChildren(Id n) const {
        std::size_t count = 0;
        for (Id c = tree_.firstElementChild(n); c; c = tree_.nextElementSibling(c))
            ++count;
        return count;
    }

    // Text of a node that must hold text only.
    std::string singleText(Id node) const {
        if (const auto only = tree_.onlyText(node))
            return std::string(*only);
        std::string text;
        for (Id c = tree_.firstChild(node); c; c = tree_.nextSibling(c)) {
            if (tree_.type(c) == XmlTree::Type::Text)
                text += tree_.text(c);
            else if (tree_.type(c) != XmlTree::Type::Comment)
                throw platform::Error("Element does not contain a single text node");
        }
        return text;
    }

    // Follows href references (wherever the target stands) to the element
    // that takes the node's place.
    Id resolve(Id node) const {
        if (!node || !tree_.hasAttributes(node))
            return node;   // no attributes, no reference
        std::set<Id> seen; // empty until a reference is followed
        for (;;) {
            const auto href = tree_.attribute(node, "href");
            if (!href)
                return node;
            const std::string ref(*href);
            if (!seen.insert(node).second)
                throw platform::Error("Circular SOAP reference " + ref);
            node = tree_.byReference(ref);
            if (!node)
                throw platform::Error("SOAP reference " + ref + " not found");
        }
    }

    SoapValue decode(Id original, const TypeInfo& type) {
        const Id v = resolve(original);
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

    SoapValue scalar(const TypeInfo& type, std::string text) const {
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
    bool isNull(Id v) const {
        if (!tree_.hasAttributes(v))
            return !tree_.hasChildNodes(v);
        for (const char* name : {"nil", "NULL"})
            if (const auto a = tree_.attribute(v, name, kXsiNamespace.data()); a && isTrue(*a))
                return true;
        return !tree_.hasChildNodes(v) && !tree_.attribute(v, "href");
    }

    // The node's text when it holds only text; its inner XML otherwise.
    std::string valueText(Id v) const {
        if (const auto only = tree_.onlyText(v))
            return std::string(*only);
        bool onlyText = true;
        for (Id c = tree_.firstChild(v); c; c = tree_.nextSibling(c))
            if (tree_.type(c) != XmlTree::Type::Text)
                onlyText = false;
        std::string out;
        for (Id c = tree_.firstChild(v); c; c = tree_.nextSibling(c))
            out += onlyText ? std::string(tree_.text(c)) : tree_.xml(c);
        return out;
    }

    SoapValue array(Id original, Id v, const TypeInfo& type) {
        const TypeInfo& element = *type.element;
        if (element.kind == Kind::Array)
            return arrayOfArrays(original, v);
        const std::size_t count = countElementChildren(v);
        if (element.kind == Kind::String) {
            SoapValue::Texts texts;
            texts.reserve(count);
            for (Id item = tree_.firstElementChild(v); item; item = tree_.nextElementSibling(item))
                texts.push_back(singleText(resolve(item)));
            return texts;
        }
        SoapValue::Array out;
        out.reserve(count);
        for (Id item = tree_.firstElementChild(v); item; item = tree_.nextElementSibling(item)) {
            if (element.kind == Kind::Struct)
                out.push_back(decode(item, element));
            else
                out.push_back(scalar(element, singleText(resolve(item))));
        }
        return out;
    }

    // Arrays of arrays of text (the column entries).
    SoapValue arrayOfArrays(Id original, Id v) {
        const std::string arrayType = attribute(original, "arrayType", kEncodingNamespace.data());
        const std::size_t count = countElementChildren(v);
        SoapValue::Rows rows;
        const auto open = arrayType.rfind('[');
        const auto comma = arrayType.find(',', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && comma != std::string::npos) {
            const long r = parseInteger(arrayType.substr(open + 1, comma - open - 1));
            const long c =
                parseInteger(arrayType.substr(comma + 1, arrayType.find(']', comma) - comma - 1));
            if (r < 0 || c < 0 || static_cast<std::size_t>(r) * static_cast<std::size_t>(c) > count)
                throw platform::Error("SOAP array " + arrayType + " announces " +
                                      std::to_string(static_cast<long long>(r) * c) +
                                      " elements but holds " + std::to_string(count));
            Id next = tree_.firstElementChild(v);
            rows.reserve(static_cast<std::size_t>(r));
            for (long row = 0; row < r; ++row) {
                std::vector<std::string> cells;
                cells.reserve(static_cast<std::size_t>(c));
                for (long col = 0; col < c; ++col, next = tree_.nextElementSibling(next))
                    cells.push_back(singleText(resolve(next)));
                rows.push_back(std::move(cells));
            }
            return rows;
        }
        rows.reserve(count);
        for (Id child = tree_.firstElementChild(v); child;
             child = tree_.nextElementSibling(child)) {
            const Id row = resolve(child);
            std::vector<std::string> cells;
            cells.reserve(countElementChildren(row));
            for (Id cell = tree_.firstElementChild(row); cell;
                 cell = tree_.nextElementSibling(cell))
                cells.push_back(singleText(resolve(cell)));
            rows.push_back(std::move(cells));
        }
        return rows;
    }

    SoapValue structure(Id v, const TypeInfo& type) {
        const auto key = std::make_pair(v, &type);
        if (auto it = structs_.find(key); it != structs_.end())
            return it->second;
        auto s = std::make_shared<SoapStruct>();
        s->type = &type;
        structs_[key] = s;
        std::vector<Id> children;
        for (Id c = tree_.firstElementChild(v); c; c = tree_.nextElementSibling(c))
            children.push_back(c);
        std::vector<bool> used(children.size(), false);
        s->fields.reserve(type.fields.size());
        for (const FieldInfo& field : type.fields) {
            SoapValue value = emptyValue(*field.type);
            for (std::size_t i = 0; i < children.size(); ++i) {
                if (!used[i] && name(children[i]) == field.name) {
                    used[i] = true;
                    value = decode(children[i], *field.type);
                    break;
                }
            }
            s->fields.push_back(std::move(value));
        }
        return SoapValue::StructPtr(s);
    }

    const XmlTree& tree_;
    std::map<std::pair<Id, const TypeInfo*>, SoapValue::StructPtr> structs_;
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
    const XmlTree tree = parseTree(body);
    Id root = tree.root();
    if (!root)
        throw platform::Error("Invalid SOAP Response");
    if (tree.localName(root) != "Envelope" || tree.namespaceUri(root) != kEnvelopeNamespace)
        throw platform::Error("DocumentElement " + std::string(kEnvelopeNamespace) +
                              ":Envelope expected, " + std::string(tree.namespaceUri(root)) + ":" +
                              std::string(tree.localName(root)) + " found");
    if (!tree.hasChildNodes(root))
        throw platform::Error("Invalid SOAP request");
    Reader reader(tree);
    SoapValue result = op.result ? emptyValue(*op.result) : SoapValue();
    bool header = false, bodySeen = false;
    for (Id child = tree.firstElementChild(root); child; child = tree.nextElementSibling(child)) {
        const std::string_view name = reader.name(child);
        if (name == "Header") {
            if (header)
                throw platform::Error("Invalid SOAP response");
            header = true;
            for (Id entry = tree.firstElementChild(child); entry;
                 entry = tree.nextElementSibling(entry)) {
                const std::string mu =
                    reader.attribute(entry, "mustUnderstand", kEnvelopeNamespace.data());
                if (isTrue(mu) || isTrue(reader.attribute(entry, "mustUnderstand")))
                    throw platform::Error("Soap header " + std::string(reader.name(entry)) +
                                          " with attribute 'mustUnderstand' set to true was "
                                          "not handled");
            }
        } else if (name == "Body") {
            if (bodySeen)
                throw platform::Error("Invalid SOAP response");
            bodySeen = true;
            Id r = tree.firstElementChild(child);
            if (!r)
                continue; // an empty body leaves the empty result
            if (reader.name(r) == "Fault") {
                std::string faultString;
                for (Id f = tree.firstElementChild(r); f; f = tree.nextElementSibling(f))
                    if (equalsNoCase(reader.name(f), "faultstring"))
                        faultString = reader.singleText(f);
                throw platform::Error(faultString);
            }
            if (!op.result)
                continue;
            Id ret = 0;
            if (reader.countElementChildren(r) == 1) {
                ret = tree.firstElementChild(r);
            } else {
                for (Id c = tree.firstElementChild(r); c; c = tree.nextElementSibling(c))
                    if (equalsNoCase(reader.name(c), "Result") ||
                        equalsNoCase(reader.name(c), "Return")) {
                        ret = c;
                        break;
                    }
            }
            if (!ret) {
                if (op.result->kind == Kind::Struct)
                    continue;
                throw platform::Error("SOAP Response Packet: result element expected, received \"" +
                                      tree.xml(r) + "\"");
            }
            result = reader.decode(ret, *op.result);
        }
    }
    return result;
}

const Operation& decodeRequest(std::string_view body, std::vector<SoapValue>& args) {
    const XmlTree tree = parseTree(body);
    Id root = tree.root();
    if (!root || tree.localName(root) != "Envelope" ||
        tree.namespaceUri(root) != kEnvelopeNamespace)
        throw platform::Error("Invalid SOAP request");
    Id bodyEl = 0;
    for (Id c = tree.firstElementChild(root); c; c = tree.nextElementSibling(c))
        if (tree.localName(c) == "Body")
            bodyEl = c;
    Id opEl = bodyEl ? tree.firstElementChild(bodyEl) : 0;
    if (!opEl)
        throw platform::Error("Invalid SOAP request");
    const Operation& op = operation(std::string(tree.localName(opEl)));
    Reader reader(tree);
    args.clear();
    for (const ParamInfo& p : op.params) {
        SoapValue value = emptyValue(*p.type);
        for (Id c = tree.firstElementChild(opEl); c; c = tree.nextElementSibling(c))
            if (reader.name(c) == p.name) {
                value = reader.decode(c, *p.type);
                break;
            }
        args.push_back(std::move(value));
    }
    return op;
}

} // namespace server
