#include "app/ServerConnection.h"
#include "platform/Error.h"
#include "server/CentralServer.h"
#include "server/Soap.h"
#include "server/Wsdl.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <thread>

using testing_support::TestDatabase;

namespace {

const std::string kPrefix = "Erro ao conectar ao servidor central: ";

// A loopback HTTP server whose answers a test scripts.
struct LoopServer {
    httplib::Server http;
    std::thread thread;
    int port = 0;
    std::atomic<int> gets{0}, posts{0};
    std::string lastAction, lastContentType, lastLength, lastUserAgent;
    std::size_t lastBodySize = 0;

    LoopServer() = default;
    void start() {
        port = http.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { http.listen_after_bind(); });
    }
    ~LoopServer() {
        http.stop();
        if (thread.joinable())
            thread.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    void record(const httplib::Request& req) {
        ++posts;
        lastAction = req.get_header_value("SOAPAction");
        lastContentType = req.get_header_value("Content-Type");
        lastLength = req.get_header_value("Content-Length");
        lastUserAgent = req.get_header_value("User-Agent");
        lastBodySize = req.body.size();
    }
};

struct Scenario {
    TestDatabase database;
    db::Connection cn;
    server::ServidorOffLine servidor;
    Scenario() { cn.setSettings(database.connection().settings()); }
    void paraOffLine(const std::string& wsdl, const std::string& service = "",
                     const std::string& port = "", const std::string& user = "",
                     const std::string& password = "") {
        cn.execute("delete from ParaOffLine");
        cn.execute("insert into ParaOffLine values (:W, :S, :P, '', :U, :X)",
                   {{"W", wsdl}, {"S", service}, {"P", port}, {"U", user}, {"X", password}});
    }
    std::string test() {
        std::string message;
        app::testarConexao(cn, servidor, message);
        return message;
    }
};

std::string testaConexaoResponse(bool value) {
    return server::encodeResponse(server::operation("FTestaConexao"), value,
                                  server::kInterfaceNamespace);
}

} // namespace

TEST(ConexaoServidor, ReferenceServerAndTheDescriptionRules) {
    Scenario s;
    s.database.run("create table CLIENTE (A integer not null primary key, B varchar(10));");
    server::CentralServer central({s.database.path(), "", "", false});
    central.start();
    const std::string wsdl = central.descriptionUrl();

    s.paraOffLine(wsdl, "IServidorOffLineservice", "IServidorOffLinePort");
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    // Service and port chosen from the description when empty; blanks around
    // the location do not matter.
    s.paraOffLine("  " + wsdl + "  ");
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    EXPECT_EQ(s.servidor.Service, "IServidorOffLineservice");
    EXPECT_EQ(s.servidor.soapAction(), "urn:ServidorOffLineIntf-IServidorOffLine#FTestaConexao");
    // Names compare exactly.
    s.paraOffLine(wsdl, "iservidorofflineservice", "IServidorOffLinePort");
    EXPECT_EQ(s.test(), kPrefix +
                            "Unable to retrieve the URL endpoint for Service/Port "
                            "'iservidorofflineservice'/'IServidorOffLinePort' from WSDL '" +
                            wsdl + "'");
    // The metadata of the named tables, read from the server's own database.
    s.paraOffLine(wsdl);
    const auto tables =
        app::ConectarServidor(s.cn, s.servidor).FRetornaMetaDadosTabelas({"CLIENTE", "NAOEXISTE"});
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_EQ(tables[0]->ColecaoMetadadosCampos.size(), 2u);
    const auto& a = tables[0]->ColecaoMetadadosCampos[0];
    EXPECT_EQ(a[0], "A" + std::string(30, ' '));
    EXPECT_EQ(a[1].substr(0, 7), "INTEIRO");
    EXPECT_EQ(std::vector<std::string>(a.begin() + 2, a.end()),
              (std::vector<std::string>{"4", "S", "S", "N", "1"}));
    EXPECT_EQ(tables[0]->ColecaoMetadadosCampos[1][6], "");
    // Other operations are refused with a fault.
    try {
        app::ConectarServidor(s.cn, s.servidor).PGravarErro("01", "x", "0001");
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Operação PGravarErro não é atendida por este servidor central.");
    }
}

TEST(ConexaoServidor, DescriptionFailures) {
    Scenario s;
    s.cn.execute("delete from ParaOffLine");
    EXPECT_EQ(s.test(), kPrefix + "Unable to load WSDL File/Location: .  Error [Unable to open "
                                  "file \"\"]");
    testing_support::TempDir dir;
    testing_support::writeFile(dir.file("vazio.wsdl"), "");
    s.paraOffLine(dir.file("vazio.wsdl"));
    EXPECT_EQ(s.test(), kPrefix + "Unable to load WSDL File/Location: " + dir.file("vazio.wsdl") +
                            ".  Error [Empty document]");
    s.paraOffLine("http://127.0.0.1:1/wsdl");
    const std::string refused = s.test();
    EXPECT_EQ(refused.rfind(kPrefix + "Unable to load WSDL File/Location: http://127.0.0.1:1/wsdl."
                                      "  Error [Failed to connect to 127.0.0.1 port 1",
                            0),
              0u)
        << refused;
    EXPECT_NE(refused.find(" - URL:http://127.0.0.1:1/wsdl - SOAPAction:\"\"]"), std::string::npos)
        << refused;
    s.paraOffLine("http://servidor-central.invalid/wsdl");
    EXPECT_NE(s.test().find("Could not resolve host: servidor-central.invalid - URL:"),
              std::string::npos);
    LoopServer http;
    http.http.Get("/404",
                  [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    http.start();
    s.paraOffLine(http.url("/404"));
    EXPECT_EQ(s.test(), kPrefix + "Unable to load WSDL File/Location: " + http.url("/404") +
                            ".  Error [Not Found (404) - '" + http.url("/404") + "']");
}

TEST(ConexaoServidor, EndpointAnswersAndHeaders) {
    Scenario s;
    LoopServer http;
    std::string answer, contentType = "text/xml";
    int status = 200;
    std::atomic<bool> silent{false};
    http.http.Post("/soap", [&](const httplib::Request& req, httplib::Response& res) {
        http.record(req);
        // Silent until the test has seen its failure (at most 20 s).
        for (int i = 0; silent && i < 400; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        res.status = status;
        res.set_content(answer, contentType.c_str());
    });
    http.start();
    testing_support::TempDir dir;
    // A description whose binding gives an empty soapAction, one whose port
    // names a binding that does not exist, and one with an ftp address.
    std::string description = server::describeService(http.url("/soap"));
    const auto write = [&](const std::string& name, const std::string& text) {
        testing_support::writeFile(dir.file(name), text);
        return dir.file(name);
    };
    const std::string normal = write("normal.wsdl", description);
    const std::string emptyAction =
        write("vazia.wsdl", std::regex_replace(description, std::regex("soapAction=\"[^\"]*\""),
                                               "soapAction=\"\""));
    const std::string noBinding =
        write("semligacao.wsdl",
              std::regex_replace(description, std::regex("binding=\"tns:IServidorOffLinebinding\""),
                                 "binding=\"tns:Outra\""));
    const std::string ftp =
        write("ftp.wsdl", std::regex_replace(description, std::regex("http://127"), "ftp://127"));

    answer = testaConexaoResponse(false);
    s.paraOffLine(normal);
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso."); // false counts as success
    EXPECT_EQ(http.lastAction, "\"urn:ServidorOffLineIntf-IServidorOffLine#FTestaConexao\"");
    EXPECT_EQ(http.lastContentType, "text/xml");
    EXPECT_EQ(http.lastUserAgent, "PainelIntegracao SOAP 1.2");
    s.paraOffLine(emptyAction);
    s.test();
    EXPECT_EQ(http.lastAction, "\"urn:ServidorOffLineIntf-IServidorOffLine#FTestaConexao\"");
    s.paraOffLine(noBinding, "IServidorOffLineservice", "IServidorOffLinePort");
    s.test();
    EXPECT_EQ(http.lastAction, "\"urn:ServidorOffLineIntf-IServidorOffLine#\"");
    s.paraOffLine(ftp);
    EXPECT_EQ(s.test(), kPrefix + "Invalid url 'ftp://127.0.0.1:" + std::to_string(http.port) +
                            "/soap' - only supports 'http' and 'https' schemes");

    s.paraOffLine(normal);
    struct Case {
        int status;
        std::string contentType, body, message;
    };
    const std::string soapUrl = http.url("/soap");
    const Case cases[] = {
        {404, "text/xml", "", "Not Found (404) - '" + soapUrl + "'"},
        {500, "text/xml", server::encodeFault("SOAP-ENV:Server", "Tabela bloqueada"),
         "Tabela bloqueada"},
        {200, "text/html", "<html/>",
         "Received content of invalid Content-Type setting: text/html - SOAP expects "
         "\"text/xml\""},
        {200, "text/html; charset=utf-8", "<html/>",
         "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, :html "
         "found"},
    };
    for (const Case& c : cases) {
        status = c.status;
        contentType = c.contentType;
        answer = c.body;
        EXPECT_EQ(s.test(), kPrefix + c.message) << c.status << " " << c.contentType;
    }

    // A silent server fails with the transport error after the silence time-out.
    status = 200;
    contentType = "text/xml";
    answer = testaConexaoResponse(true);
    silent = true;
    app::ConectarServidor(s.cn, s.servidor);
    s.servidor.http.silenceTimeout = 1;
    try {
        s.servidor.GetIServidorOffLine().FTestaConexao();
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find(" - URL:" + soapUrl +
                                             " - SOAPAction:\"urn:ServidorOffLineIntf-"
                                             "IServidorOffLine#FTestaConexao\""),
                  std::string::npos)
            << e.what();
    }
    silent = false;
}

TEST(ConexaoServidor, ADescriptionThatImportsAnother) {
    Scenario s;
    server::CentralServer central({s.database.path(), "", "", false});
    central.start();
    testing_support::TempDir dir;
    // The service, port and binding stand in an imported description.
    testing_support::writeFile(
        dir.file("servico.wsdl"),
        server::describeService("http://127.0.0.1:" + std::to_string(central.port()) +
                                "/soap/IServidorOffLine"));
    testing_support::writeFile(dir.file("principal.wsdl"),
                               "<?xml version=\"1.0\"?><definitions "
                               "xmlns=\"http://schemas.xmlsoap.org/wsdl/\" "
                               "targetNamespace=\"urn:principal\"><import "
                               "namespace=\"http://tempuri.org/\" location=\"servico.wsdl\"/>"
                               "</definitions>");
    s.paraOffLine(dir.file("principal.wsdl"), "IServidorOffLineservice", "IServidorOffLinePort");
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    EXPECT_EQ(s.servidor.soapAction(), "urn:ServidorOffLineIntf-IServidorOffLine#FTestaConexao");
}

TEST(ConexaoServidor, LargeBodiesConnectionReuseAndDownloads) {
    Scenario s;
    LoopServer http;
    http.http.Post("/soap", [&](const httplib::Request& req, httplib::Response& res) {
        http.record(req);
        const server::Operation& op = server::operation("FRetornaMetaDadosTabelas");
        res.set_content(server::encodeResponse(op, server::toSoap(server::TColMetaDadosTabelas{}),
                                               server::kInterfaceNamespace),
                        "text/xml");
    });
    http.http.Get("/wsdl", [&](const httplib::Request&, httplib::Response& res) {
        ++http.gets;
        res.set_content(server::describeService(http.url("/soap")), "text/xml");
    });
    http.start();
    s.paraOffLine(http.url("/wsdl"));
    // A request of exactly 32,769 bytes: one byte over a single piece.
    const server::Operation& op = server::operation("FRetornaMetaDadosTabelas");
    server::TListaTabelas names(300, std::string(90, 'T'));
    const auto size = [&] {
        return server::encodeRequest(op, {server::toSoap(names)}, server::kInterfaceNamespace)
            .size();
    };
    names.back() += std::string(32769 - size(), 'X');
    ASSERT_EQ(size(), 32769u);
    auto& iface = app::ConectarServidor(s.cn, s.servidor);
    iface.FRetornaMetaDadosTabelas(names);
    EXPECT_EQ(http.lastBodySize, 32769u);
    EXPECT_EQ(http.lastLength, "32769");
    iface.FRetornaMetaDadosTabelas({"A"});
    EXPECT_EQ(s.servidor.connection().connectionsOpened(), 1); // kept open between calls
    EXPECT_EQ(http.gets, 1);
    s.test();
    s.test();
    EXPECT_EQ(http.gets, 3); // each set-up downloads the description again
}

TEST(ConexaoServidor, ServerAuthentication) {
    Scenario s;
    server::CentralServer central({s.database.path(), "integra", "s3nha", false});
    central.start();
    s.paraOffLine(central.descriptionUrl(), "", "", "integra", "s3nha");
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");

    // Refused credentials: the operator is asked; cancel aborts.
    int asked = 0;
    std::vector<std::optional<server::Credentials>> answers;
    s.servidor.http.prompt = [&](const std::string&, bool) {
        auto a = answers.at(static_cast<std::size_t>(asked++));
        return a;
    };
    s.paraOffLine(central.descriptionUrl(), "", "", "integra", "errada");
    answers = {std::nullopt};
    EXPECT_EQ(s.test(), kPrefix + "Unable to load WSDL File/Location: " + central.descriptionUrl() +
                            ".  Error [Operation aborted]");
    // The right answer on the second try goes on.
    asked = 0;
    answers = {server::Credentials{"x", "y"}, server::Credentials{"integra", "s3nha"},
               server::Credentials{"integra", "s3nha"}};
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    // Three refusals in a row end with the server's status; never more tries.
    asked = 0;
    answers = {server::Credentials{"a", "b"}, server::Credentials{"c", "d"},
               server::Credentials{"e", "f"}, server::Credentials{"g", "h"}};
    EXPECT_EQ(s.test(), kPrefix + "Unable to load WSDL File/Location: " + central.descriptionUrl() +
                            ".  Error [Unauthorized (401) - '" + central.descriptionUrl() + "']");
    EXPECT_EQ(asked, 2);
}

namespace {

// Runs a command line through the shell; true on success.
bool sh(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port nobody listens on right now.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool listening(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TEST(ConexaoServidor, HttpsWithASelfSignedCertificate) {
    testing_support::TempDir dir;
    const std::string cert = dir.file("cert.pem"), key = dir.file("key.pem");
    ASSERT_TRUE(sh("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=outro-nome "
                   "-keyout " +
                   key + " -out " + cert + " >/dev/null 2>&1"));
    httplib::SSLServer https(cert.c_str(), key.c_str());
    https.Post("/soap", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(testaConexaoResponse(true), "text/xml");
    });
    const int port = https.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { https.listen_after_bind(); });
    Scenario s;
    testing_support::writeFile(
        dir.file("s.wsdl"),
        server::describeService("https://127.0.0.1:" + std::to_string(port) + "/soap"));
    s.paraOffLine(dir.file("s.wsdl"));
    // Wrong host name, unknown authority: accepted all the same.
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    https.stop();
    thread.join();
}

TEST(ConexaoServidor, ThroughAProxyThatAsksForCredentials) {
    if (!sh("command -v tinyproxy >/dev/null"))
        GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
    testing_support::TempDir dir;
    const int proxyPort = freePort();
    testing_support::writeFile(dir.file("tinyproxy.conf"),
                               "Port " + std::to_string(proxyPort) +
                                   "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\n"
                                   "BasicAuth integra s3nha\nLogLevel Connect\nMaxClients 10\n"
                                   "PidFile \"" +
                                   dir.file("tinyproxy.pid") + "\"\n");
    ASSERT_TRUE(sh("tinyproxy -c " + dir.file("tinyproxy.conf") + " -d >" +
                   dir.file("tinyproxy.log") + " 2>&1 & echo $! >" + dir.file("pid")));
    for (int i = 0; i < 50 && !listening(proxyPort); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Scenario s;
    server::CentralServer central({s.database.path(), "", "", false});
    central.start();
    s.paraOffLine(central.descriptionUrl(), "", "", "integra", "s3nha");
    s.cn.execute("update ParaOffLine set IPProxy = :P",
                 {{"P", "127.0.0.1:" + std::to_string(proxyPort)}});
    EXPECT_EQ(s.test(), "Conexão efetuada com sucesso.");
    const std::string log = testing_support::readFile(dir.file("tinyproxy.log"));
    EXPECT_NE(log.find("127.0.0.1"), std::string::npos) << log; // the proxy carried it
    // Without credentials the proxy refuses with its own status (tinyproxy
    // answers 401 to plain HTTP requests, 407 to tunnels).
    s.cn.execute("update ParaOffLine set UsuarioProxy = '', SenhaProxy = ''");
    const std::string refused = s.test();
    EXPECT_TRUE(refused.find("(401)") != std::string::npos ||
                refused.find("(407)") != std::string::npos)
        << refused;
    sh("kill $(cat " + dir.file("pid") + ") 2>/dev/null");
}
