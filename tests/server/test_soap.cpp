#include "platform/Error.h"
#include "server/IServidorOffLine.h"
#include "server/Soap.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace server;

using testing_support::failureOf;

namespace {

const std::string kEnvelopeOpen =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">";
const std::string kBodyOpen =
    "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
const std::string kClose = "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
const std::string ns(kInterfaceNamespace);

std::string fixture(const std::string& name) {
    return testing_support::readFile(PAINEL_FIXTURES_DIR "/soap/" + name);
}

// A response document around a body's content.
std::string response(const std::string& bodyContent) {
    return "<?xml version=\"1.0\"?>" + kEnvelopeOpen + "<SOAP-ENV:Body>" + bodyContent + kClose;
}

TColMetaDadosTabelas metadata(const std::string& body) {
    return metaDadosTabelasFrom(decodeResponse(operation("FRetornaMetaDadosTabelas"), body));
}

bool testaConexao(const std::string& body) {
    return decodeResponse(operation("FTestaConexao"), body).boolean();
}

} // namespace

TEST(SoapEncoder, WorkedExamplesByteForByte) {
    EXPECT_EQ(encodeRequest(operation("FTestaConexao"), {}, ns),
              "<?xml version=\"1.0\"?>\n" + kEnvelopeOpen + kBodyOpen +
                  "<NS1:FTestaConexao xmlns:NS1=\"urn:ServidorOffLineIntf-IServidorOffLine\"/>" +
                  kClose);
    EXPECT_EQ(encodeRequest(operation("FRetornaMetaDadosTabelas"),
                            {toSoap(TListaTabelas{"MVGERAL", "TRANSFESTOQUE"})}, ns),
              "<?xml version=\"1.0\"?>\n" + kEnvelopeOpen + kBodyOpen +
                  "<NS1:FRetornaMetaDadosTabelas "
                  "xmlns:NS1=\"urn:ServidorOffLineIntf-IServidorOffLine\">"
                  "<VFListaTabelas xsi:type=\"SOAP-ENC:Array\" "
                  "SOAP-ENC:arrayType=\"xsd:string[2]\"><item>MVGERAL</item>"
                  "<item>TRANSFESTOQUE</item></VFListaTabelas></NS1:FRetornaMetaDadosTabelas>" +
                  kClose);
    EXPECT_EQ(encodeRequest(operation("FRetornaMetaDadosTabelas"), {toSoap(TListaTabelas{})}, ns),
              "<?xml version=\"1.0\"?>\n" + kEnvelopeOpen + kBodyOpen +
                  "<NS1:FRetornaMetaDadosTabelas "
                  "xmlns:NS1=\"urn:ServidorOffLineIntf-IServidorOffLine\">"
                  "<VFListaTabelas xsi:type=\"SOAP-ENC:Array\" "
                  "SOAP-ENC:arrayType=\"xsd:string[0]\"/></NS1:FRetornaMetaDadosTabelas>" +
                  kClose);
    // The namespace the service description gives takes the interface's place.
    EXPECT_NE(encodeRequest(operation("FTestaConexao"), {}, "urn:outro")
                  .find("<NS1:FTestaConexao xmlns:NS1=\"urn:outro\"/>"),
              std::string::npos);
}

TEST(SoapEncoder, StructuresNestedInArraysAndExactParameterNames) {
    auto t = std::make_shared<TTabela>();
    t->ID = 7;
    t->NomeTabela = "CLIENTE";
    t->TipoAcao = TAcao::TaAlterar;
    t->ValorCampos = {"884", "Bruno & <Lima>", ""};
    t->ChavePrimaria = {"884"};
    auto e = std::make_shared<TEstruturaTabela>();
    e->NomeTabela = "CLIENTE";
    e->CamposTabela = {"CODCLIENTE", "NOME"};
    e->TiposCampoTabela = {TFieldType::ftInteger, TFieldType::ftString};
    // The same row twice is written once; an absent one is nil.
    EXPECT_EQ(encodeRequest(operation("EnviaTabelas"),
                            {"02", toSoap(TColecaoTabela{t, nullptr, t}),
                             toSoap(TColecaoEstruturaTabela{e}), "0001"},
                            ns),
              fixture("request-EnviaTabelas.xml"));
    EXPECT_EQ(encodeRequest(operation("PConfirmaSincronizacao"), {"02", "1006", "Ação"}, ns),
              fixture("request-PConfirmaSincronizacao.xml"));
    // Every operation, every parameter, by name as declared.
    for (const Operation& op : operations()) {
        std::vector<SoapValue> args;
        for (const ParamInfo& p : op.params)
            args.push_back(emptyValue(*p.type));
        const std::string request = encodeRequest(op, args, ns);
        EXPECT_NE(request.find("<NS1:" + op.name + " xmlns:NS1="), std::string::npos) << op.name;
        for (const ParamInfo& p : op.params)
            EXPECT_NE(request.find("<" + p.name + " "), std::string::npos) << p.name;
        std::vector<SoapValue> back;
        EXPECT_EQ(&decodeRequest(request, back), &op);
        EXPECT_EQ(back.size(), op.params.size());
    }
    EXPECT_EQ(operations().size(), 10u);
    EXPECT_EQ(defaultSoapAction("FTestaConexao"),
              "urn:ServidorOffLineIntf-IServidorOffLine#FTestaConexao");
}

TEST(SoapEncoder, RequestsRoundTripThroughTheDecoder) {
    auto t = std::make_shared<TTabela>();
    t->ID = -5;
    t->NomeTabela = "Ação €";
    t->TipoAcao = TAcao::TaExcluir;
    t->ValorCampos = {"a", "", "  spaced  "};
    auto e = std::make_shared<TEstruturaTabela>();
    e->TiposCampoTabela = {TFieldType::ftFMTBcd, TFieldType::ftUnknown};
    const std::string request = encodeRequest(
        operation("EnviaTabelas"),
        {"01", toSoap(TColecaoTabela{t}), toSoap(TColecaoEstruturaTabela{e}), "X"}, ns);
    std::vector<SoapValue> args;
    decodeRequest(request, args);
    const auto tabelas = colecaoTabelaFrom(args[1]);
    ASSERT_EQ(tabelas.size(), 1u);
    EXPECT_EQ(tabelas[0]->ID, -5);
    EXPECT_EQ(tabelas[0]->NomeTabela, "Ação €");
    EXPECT_EQ(tabelas[0]->TipoAcao, TAcao::TaExcluir);
    // White space alone is not significant on the wire: "  spaced  " keeps
    // its blanks because it holds other text.
    EXPECT_EQ(tabelas[0]->ValorCampos, (std::vector<std::string>{"a", "", "  spaced  "}));
    EXPECT_EQ(colecaoEstruturaFrom(args[2])[0]->TiposCampoTabela, e->TiposCampoTabela);
}

TEST(SoapDecoder, TheResponseFormOfThisContract) {
    const auto tables = metadata(fixture("response-FRetornaMetaDadosTabelas.xml"));
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0]->NomeTabela, "MVGERAL");
    EXPECT_EQ(tables[0]->ColecaoMetadadosCampos,
              (TColMetaDadosCampos{{"ORDEM", "INTEIRO", "4", "S", "S", "N", "1"},
                                   {"TABELA", "VARCHAR", "30", "N", "N", "N", ""}}));
}

// Responses of other toolkits: inline structures, other prefixes, white
// space and comments between elements, arrays of arrays.
TEST(SoapDecoder, OtherToolkitsForms) {
    const std::string inlineNested =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"\n"
        "  xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\">\n"
        "  <!-- a comment -->\n"
        "  <soap:Body>\n"
        "    <m:FRetornaMetaDadosTabelasResponse xmlns:m=\"urn:x\">\n"
        "      <Result enc:arrayType=\"tns:TMetaDadosTabela[2]\">\n"
        "        <t>\n"
        "          <NomeTabela>MVGERAL</NomeTabela>\n"
        "          <ColecaoMetadadosCampos enc:arrayType=\"xsd:string[][7]\">\n"
        "            "
        "<row><c>ORDEM</c><c>INTEIRO</c><c>4</c><c>S</c><c>S</c><c>N</c><c>1</c></row>\n"
        "            <!-- between rows -->\n"
        "            <row href=\"#r2\"/>\n"
        "          </ColecaoMetadadosCampos>\n"
        "        </t>\n"
        "        <t><NomeTabela>VAZIA</NomeTabela><ColecaoMetadadosCampos "
        "enc:arrayType=\"SOAP-ENC:Array[0]\"/></t>\n"
        "      </Result>\n"
        "      <other>ignored</other>\n"
        "    </m:FRetornaMetaDadosTabelasResponse>\n"
        "    <x id=\"r2\"><c>TABELA</c><c>VARCHAR</c><c>30</c></x>\n"
        "  </soap:Body>\n"
        "</soap:Envelope>\n";
    const auto tables = metadata(inlineNested);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->ColecaoMetadadosCampos,
              (TColMetaDadosCampos{{"ORDEM", "INTEIRO", "4", "S", "S", "N", "1"},
                                   {"TABELA", "VARCHAR", "30"}}));
    EXPECT_EQ(tables[1]->NomeTabela, "VAZIA");
    EXPECT_TRUE(tables[1]->ColecaoMetadadosCampos.empty());

    // The rectangular arrayType is read where the array stands, before its
    // reference is followed.
    const std::string referencedArray =
        response("<r><return><item href=\"#t\"/></return></r>"
                 "<T id=\"t\"><NomeTabela>A</NomeTabela><ColecaoMetadadosCampos "
                 "SOAP-ENC:arrayType=\"xsd:string[1,2]\" href=\"#cols\"/></T>"
                 "<C id=\"cols\"><i>X</i><i>Y</i></C>");
    EXPECT_EQ(metadata(referencedArray)[0]->ColecaoMetadadosCampos,
              (TColMetaDadosCampos{{"X", "Y"}}));

    // A structure referenced twice is one object.
    const std::string twice =
        response("<r><return><item href=\"#1\"/><item href=\"#1\"/></return></r>"
                 "<T id=\"1\"><NomeTabela>A</NomeTabela></T>");
    const SoapValue v = decodeResponse(operation("FRetornaMetaDadosTabelas"), twice);
    EXPECT_EQ(v.array()[0].structure(), v.array()[1].structure());
}

TEST(SoapDecoder, ScalarsAndTheReturnElement) {
    struct Case {
        const char* name;
        std::string body;
        bool result;
    };
    const Case cases[] = {
        {"true", response("<r><return>true</return></r>"), true},
        {"upper case", response("<r><return>TRUE</return></r>"), true},
        {"digit", response("<r><return>1</return></r>"), true},
        {"blanks", response("<r><return>  true  </return></r>"), true},
        {"false", response("<r><return>False</return></r>"), false},
        {"zero", response("<r><return>0</return></r>"), false},
        {"nil", response("<r><return xsi:nil=\"true\">true</return></r>"), false},
        {"NULL attribute", response("<r><return xsi:NULL=\"1\">true</return></r>"), false},
        {"empty element", response("<r><return/></r>"), false},
        {"one child, any name", response("<r><qualquer>true</qualquer></r>"), true},
        {"Result among others", response("<r><a>x</a><RESULT>true</RESULT></r>"), true},
        {"empty body", response(""), false},
        {"text-only body", response("texto"), false},
        {"reference", response("<r><return href=\"#b\"/></r><v id=\"b\">true</v>"), true},
        {"reference into the header",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen +
             "<SOAP-ENV:Header><v id=\"b\">1</v></SOAP-ENV:Header>"
             "<SOAP-ENV:Body><r><return href=\"#b\"/></r>" +
             kClose,
         true},
        {"header entry ignored",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen +
             "<SOAP-ENV:Header><h SOAP-ENV:mustUnderstand=\"0\"/></SOAP-ENV:Header>"
             "<SOAP-ENV:Body><r><return>1</return></r>" +
             kClose,
         true},
        {"other root children ignored",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen +
             "<x/><SOAP-ENV:Body><r><return>1</return></r>" + kClose,
         true},
    };
    for (const Case& c : cases) {
        std::string failure;
        bool got = false;
        try {
            got = testaConexao(c.body);
        } catch (const platform::Error& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, "") << c.name;
        EXPECT_EQ(got, c.result) << c.name;
    }

    const Operation& ultimo = operation("FRetornaUltimoId");
    EXPECT_EQ(decodeResponse(ultimo, response("<r><return> -42 </return></r>")).integer(), -42);
    EXPECT_EQ(decodeResponse(ultimo, response("<r><return/></r>")).integer(), 0);
    EXPECT_EQ(decodeResponse(ultimo, response("<r><return>$1F</return></r>")).integer(), 31);
    // Operations without result read nothing.
    EXPECT_EQ(
        failureOf([] { decodeResponse(operation("PGravarErro"), response("<r><a/><b/></r>")); }),
        "(no failure)");
    // An absent structure result is no structure.
    EXPECT_EQ(retornoClienteFrom(
                  decodeResponse(operation("FRetornaAtualizacao"), response("<r><a/><b/></r>"))),
              nullptr);
    const auto retorno = retornoClienteFrom(decodeResponse(
        operation("FRetornaAtualizacao"),
        response("<r><return><Processado>1</Processado><IDSnc>9</IDSnc><ColecaoTabela>"
                 "<item><ID>1</ID><TipoAcao>TaExcluir</TipoAcao></item><item xsi:nil=\"1\"/>"
                 "</ColecaoTabela><idsnc>5</idsnc></return></r>")));
    ASSERT_NE(retorno, nullptr);
    EXPECT_TRUE(retorno->Processado);
    EXPECT_EQ(retorno->IDSnc, 9); // the lower-case field is not read
    ASSERT_EQ(retorno->ColecaoTabela.size(), 2u);
    EXPECT_EQ(retorno->ColecaoTabela[0]->TipoAcao, TAcao::TaExcluir);
    EXPECT_EQ(retorno->ColecaoTabela[1], nullptr);
}

TEST(SoapDecoder, EveryFailureWithItsMessage) {
    struct Case {
        const char* name;
        std::string body;
        std::string message;
    };
    const std::string envNs = "http://schemas.xmlsoap.org/soap/envelope/";
    const Case cases[] = {
        {"no root", "<?xml version=\"1.0\"?>", ""}, // parse failure, checked below
        {"not the envelope", "<a:Envelope xmlns:a=\"urn:x\"/>",
         "DocumentElement " + envNs + ":Envelope expected, urn:x:Envelope found"},
        {"envelope without children", "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" + envNs + "\"/>",
         "Invalid SOAP request"},
        {"two bodies",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen + "<SOAP-ENV:Body/><SOAP-ENV:Body/>" +
             "</SOAP-ENV:Envelope>",
         "Invalid SOAP response"},
        {"two headers",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen + "<SOAP-ENV:Header/><SOAP-ENV:Header/>" +
             "</SOAP-ENV:Envelope>",
         "Invalid SOAP response"},
        {"mustUnderstand",
         "<?xml version=\"1.0\"?>" + kEnvelopeOpen +
             "<SOAP-ENV:Header><Sessao SOAP-ENV:mustUnderstand=\"TRUE\"/></SOAP-ENV:Header>" +
             "<SOAP-ENV:Body/></SOAP-ENV:Envelope>",
         "Soap header Sessao with attribute 'mustUnderstand' set to true was not handled"},
        {"fault",
         response("<SOAP-ENV:Fault><faultcode>Server</faultcode><FaultString>Tabela "
                  "bloqueada</FaultString><faultstring>Acesso negado</faultstring>"
                  "</SOAP-ENV:Fault>"),
         "Acesso negado"},
        {"empty fault", response("<SOAP-ENV:Fault><faultstring/></SOAP-ENV:Fault>"), ""},
        {"fault string with markup",
         response("<SOAP-ENV:Fault><faultstring>a<b/></faultstring></SOAP-ENV:Fault>"),
         "Element does not contain a single text node"},
        {"no return element", response("<r><a>1</a><b>2</b></r>"),
         "SOAP Response Packet: result element expected, received \"<r><a>1</a><b>2</b></r>\""},
        {"bad Boolean", response("<r><return>sim</return></r>"),
         "'sim' is not a valid boolean value"},
        {"self reference", response("<r><return href=\"#x\" id=\"x\"/></r>"),
         "Circular SOAP reference #x"},
        {"reference loop",
         response("<r><return href=\"#a\"/></r><p id=\"a\" href=\"#b\"/><q id=\"b\" href=\"#a\"/>"),
         "Circular SOAP reference #b"},
        {"missing reference", response("<r><return href=\"#nada\"/></r>"),
         "SOAP reference #nada not found"},
    };
    for (const Case& c : cases) {
        const std::string message = failureOf([&] { testaConexao(c.body); });
        if (std::string(c.name) == "no root")
            EXPECT_NE(message.find("\r\nLine: 1\r\n"), std::string::npos) << message;
        else
            EXPECT_EQ(message, c.message) << c.name;
    }
    EXPECT_EQ(failureOf([] {
                  decodeResponse(operation("FRetornaUltimoId"),
                                 response("<r><return>12a</return></r>"));
              }),
              "'12a' is not a valid integer value");
    EXPECT_EQ(failureOf([] {
                  metadata(response("<r><return><item><ColecaoMetadadosCampos "
                                    "SOAP-ENC:arrayType=\"xsd:string[2,7]\"><i>a</i></"
                                    "ColecaoMetadadosCampos></item></return></r>"));
              }),
              "SOAP array xsd:string[2,7] announces 14 elements but holds 1");
    EXPECT_EQ(failureOf([] {
                  decodeResponse(operation("FRetornaMetaDadosTabelas"),
                                 response("<r><return><item><NomeTabela>a</NomeTabela>"
                                          "<ColecaoMetadadosCampos><row><i>x<b/></i></row>"
                                          "</ColecaoMetadadosCampos></item></return></r>"));
              }),
              "Element does not contain a single text node");
}

// Text comes back with its references replaced; markup where text belongs
// comes back as the XML text libxml2 writes for it.
TEST(SoapDecoder, EntitiesMarkupAndLongReferenceChains) {
    const auto retorno = retornoClienteFrom(decodeResponse(
        operation("FRetornaAtualizacao"),
        response("<r><return><Processado>1</Processado><ColecaoTabela>"
                 "<item href=\"#a&amp;b\"/><item><NomeTabela>a &amp; &lt;b&gt; &#233; "
                 "<![CDATA[<c>]]></NomeTabela></item></ColecaoTabela></return></r>"
                 "<t id=\"a&amp;b\"><NomeTabela>A<b x=\"1&amp;2&quot;\">c</b><!--n-->"
                 "<?p d?></NomeTabela></t>")));
    ASSERT_NE(retorno, nullptr);
    ASSERT_EQ(retorno->ColecaoTabela.size(), 2u);
    EXPECT_EQ(retorno->ColecaoTabela[0]->NomeTabela,
              "A<b x=\"1&amp;2&quot;\">c</b><!--n--><?p d?>");
    EXPECT_EQ(retorno->ColecaoTabela[1]->NomeTabela, "a & <b> \u00e9 <c>");

    const std::string markup = "<r xmlns:q=\"urn:q\"><q:a q:x=\"&lt;1&gt;\" y=\"&#9;\">1 &amp; "
                               "2</q:a><!-- c --><b xmlns=\"urn:d\"><c/></b><?p?></r>";
    EXPECT_EQ(failureOf([&] { testaConexao(response(markup)); }),
              "SOAP Response Packet: result element expected, received \"" + markup + "\"");

    // Comments split text; blank text goes wherever it stands, other text stays whole.
    const auto tabelas =
        metadata(response("<r><return><t><NomeTabela>a<!--c-->b</NomeTabela>"
                          "<ColecaoMetadadosCampos>\n  <r><item>a<!--c-->b</item> <item>  "
                          "<!--c-->x </item><item> </item><item><!--c--></item></r>\n"
                          "</ColecaoMetadadosCampos></t></return></r>"));
    ASSERT_EQ(tabelas.size(), 1u);
    EXPECT_EQ(tabelas[0]->NomeTabela, "a<!--c-->b");
    EXPECT_EQ(tabelas[0]->ColecaoMetadadosCampos, (TColMetaDadosCampos{{"ab", "x ", "", ""}}));

    // e1 -> e2 -> ... -> e20 -> e5: the loop is found however long the chain.
    std::string chain = "<r><return href=\"#e1\"/></r>";
    for (int i = 1; i < 20; ++i)
        chain += "<e id=\"e" + std::to_string(i) + "\" href=\"#e" + std::to_string(i + 1) + "\"/>";
    chain += "<e id=\"e20\" href=\"#e5\"/>";
    EXPECT_EQ(failureOf([&] { testaConexao(response(chain)); }), "Circular SOAP reference #e6");
}

TEST(SoapDecoder, ParseFailuresNameReasonLineAndText) {
    const std::string body = "<?xml version=\"1.0\"?>\n<a>\n<b>texto com erro</c>\n</a>";
    const std::string message = failureOf([&] { testaConexao(body); });
    EXPECT_NE(message.find("\r\nLine: 3\r\n<b>texto com erro</c>"), std::string::npos) << message;
    EXPECT_NE(message.find("mismatch"), std::string::npos) << message;
}

TEST(SoapDecoder, UntrustedDocumentsReadNothingFromOutside) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir.file("segredo.txt"), "SEGREDO");
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE e [<!ENTITY s SYSTEM \"file://" +
        dir.file("segredo.txt") + "\">]>\n" + kEnvelopeOpen +
        "<SOAP-ENV:Body><r><return>&s;</return></r>" + kClose;
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE l [<!ENTITY a \"hahahahaha\">";
    for (char c = 'b'; c <= 'k'; ++c)
        laughs += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">";
    laughs += "]>\n<l>&k;</l>";
    const std::string network =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE e SYSTEM \"http://127.0.0.1:9/x.dtd\">\n<e/>";
    for (const std::string& body : {external, laughs, network}) {
        const std::string message = failureOf([&] { testaConexao(body); });
        EXPECT_EQ(message.rfind("A document type declaration is not allowed in a SOAP message\r\n"
                                "Line: 2\r\n<!DOCTYPE",
                                0),
                  0u)
            << message;
        EXPECT_EQ(message.find("SEGREDO"), std::string::npos);
    }
    // An undeclared entity is plain bad XML.
    EXPECT_NE(
        failureOf([] { testaConexao(response("<r><return>&s;</return></r>")); }).find("Line: 1"),
        std::string::npos);
}

// The typed interface over a caller that answers like a server.
TEST(SoapInterface, CallsCarryTheEncodedRequestAndReadTheAnswer) {
    struct Echo : SoapCaller {
        std::string lastRequest;
        std::string operationNamespace(const Operation&) override { return "urn:descricao"; }
        std::string call(const Operation& op, const std::string& request) override {
            lastRequest = request;
            if (op.name == "FTestaConexao")
                return encodeResponse(op, false, "urn:descricao");
            auto t = std::make_shared<TMetaDadosTabela>();
            t->NomeTabela = "X";
            t->ColecaoMetadadosCampos = {{"A", "INTEIRO", "4", "S", "S", "N", "1"}};
            return encodeResponse(op, toSoap(TColMetaDadosTabelas{t, t}), "urn:descricao");
        }
    } caller;
    IServidorOffLine servidor(caller);
    EXPECT_FALSE(servidor.FTestaConexao());
    EXPECT_NE(caller.lastRequest.find("xmlns:NS1=\"urn:descricao\""), std::string::npos);
    const auto tables = servidor.FRetornaMetaDadosTabelas({"X"});
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[1]->ColecaoMetadadosCampos[0][6], "1");
}
