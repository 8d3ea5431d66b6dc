// SOAP codec benchmarks, measured against libxml2 alone in the same run.
//   soap-bench soap-decode|soap-encode|soap-decode-memory
#include "server/Soap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include "BenchUtil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace server;

namespace {

using bench::median;
using bench::seconds;
using bench::statusKb;

// The metadata of 500 tables of 30 columns, as this contract's server writes it.
std::string bigResponse() {
    TColMetaDadosTabelas tables;
    for (int t = 0; t < 500; ++t) {
        auto table = std::make_shared<TMetaDadosTabela>();
        table->NomeTabela = "TABELA_" + std::to_string(t);
        for (int c = 0; c < 30; ++c)
            table->ColecaoMetadadosCampos.push_back(
                {"COLUNA_" + std::to_string(c), c % 2 ? "VARCHAR" : "INTEIRO",
                 std::to_string(4 + c), "N", c == 0 ? "S" : "N", "N", c == 0 ? "1" : ""});
        tables.push_back(table);
    }
    const Operation& op = operation("FRetornaMetaDadosTabelas");
    return encodeResponse(op, toSoap(tables), kInterfaceNamespace);
}

void parseOnly(const std::string& body) {
    xmlDocPtr doc = xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOCDATA);
    xmlFreeDoc(doc);
}

// The typed tables, as the integrity check reads them.
std::size_t decode(const std::string& body) {
    return metaDadosTabelasFrom(decodeResponse(operation("FRetornaMetaDadosTabelas"), body)).size();
}

// The same request tree built with libxml2 calls alone, then serialized.
std::string buildTree(const std::vector<std::string>& names) {
    const auto X = [](const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); };
    xmlDocPtr doc = xmlNewDoc(X("1.0"));
    xmlNodePtr root = xmlNewDocNode(doc, nullptr, X("Envelope"), nullptr);
    xmlDocSetRootElement(doc, root);
    xmlNsPtr env = xmlNewNs(root, X(std::string(kEnvelopeNamespace)), X("SOAP-ENV"));
    xmlNewNs(root, X(std::string(kXsdNamespace)), X("xsd"));
    xmlNsPtr xsi = xmlNewNs(root, X(std::string(kXsiNamespace)), X("xsi"));
    xmlNsPtr enc = xmlNewNs(root, X(std::string(kEncodingNamespace)), X("SOAP-ENC"));
    xmlSetNs(root, env);
    xmlNodePtr body = xmlNewChild(root, env, X("Body"), nullptr);
    xmlNodePtr op = xmlNewDocNode(doc, nullptr, X("FRetornaMetaDadosTabelas"), nullptr);
    xmlAddChild(body, op);
    xmlSetNs(op, xmlNewNs(op, X(std::string(kInterfaceNamespace)), X("NS1")));
    xmlNewNsProp(body, env, X("encodingStyle"), X(std::string(kEncodingNamespace)));
    xmlNodePtr list = xmlNewDocNode(doc, nullptr, X("VFListaTabelas"), nullptr);
    xmlAddChild(op, list);
    xmlNewNsProp(list, xsi, X("type"), X("SOAP-ENC:Array"));
    xmlNewNsProp(list, enc, X("arrayType"), X("xsd:string[" + std::to_string(names.size()) + "]"));
    for (const std::string& n : names) {
        xmlNodePtr item = xmlNewDocNode(doc, nullptr, X("item"), nullptr);
        xmlAddChild(list, item);
        xmlNodeAddContentLen(item, X(n), static_cast<int>(n.size()));
    }
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    xmlSaveDoc(save, doc);
    xmlSaveClose(save);
    std::string out = "<?xml version=\"1.0\"?>\n";
    out.append(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
               static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    xmlFreeDoc(doc);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "";
    if (name == "soap-decode") {
        const std::string body = bigResponse();
        decode(body); // warm up
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            const double floor = seconds([&] { parseOnly(body); });
            std::size_t tables = 0;
            const double ours = seconds([&] { tables = decode(body); });
            std::printf(
                "  run %d: decode %.3f s (%zu tables), libxml2 parse alone %.3f s, %zu bytes\n",
                i + 1, ours, tables, floor, body.size());
            ratios.push_back(ours / floor);
        }
        std::printf("soap-decode: ratio %.3f (target 2)\n", median(ratios));
        return 0;
    }
    if (name == "write-response" && argc > 2) {
        std::ofstream(argv[2], std::ios::binary) << bigResponse();
        return 0;
    }
    if (name == "soap-decode-memory" && argc > 2) {
        // One decode in a fresh process that has only read the document (so
        // no memory freed earlier is reused): the growth of the high-water
        // mark over the memory in use before, against the document's size.
        // The decoded tables are part of it.
        std::ifstream in(argv[2], std::ios::binary | std::ios::ate);
        std::string body(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(body.data(), static_cast<std::streamsize>(body.size()));
        const long before = statusKb("VmRSS:");
        const std::size_t tables = decode(body);
        const long peak = statusKb("VmHWM:");
        const double size = static_cast<double>(body.size()) / 1024.0;
        std::printf("  %ld kB in use before, peak %ld kB, document %.0f kB, %zu tables\n", before,
                    peak, size, tables);
        std::printf("RATIO %.3f\n", static_cast<double>(peak - before) / size);
        return 0;
    }
    if (name == "soap-encode") {
        std::vector<std::string> names;
        for (int i = 0; i < 5000; ++i)
            names.push_back("TABELA_REPLICADA_" + std::to_string(i));
        const Operation& op = operation("FRetornaMetaDadosTabelas");
        const std::vector<SoapValue> args = {toSoap(names)};
        if (encodeRequest(op, args, kInterfaceNamespace) != buildTree(names)) {
            std::fprintf(stderr, "the floor does not build the same document\n");
            return 1;
        }
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            const double floor = seconds([&] { buildTree(names); });
            const double ours = seconds([&] { encodeRequest(op, args, kInterfaceNamespace); });
            std::printf("  run %d: encode %.4f s, libxml2 tree alone %.4f s\n", i + 1, ours, floor);
            ratios.push_back(ours / floor);
        }
        std::printf("soap-encode: ratio %.3f (target 2)\n", median(ratios));
        return 0;
    }
    std::fprintf(stderr, "usage: soap-bench soap-decode|soap-encode|write-response FILE|"
                         "soap-decode-memory FILE\n");
    return 2;
}
