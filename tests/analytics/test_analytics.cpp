#include "analytics/Analytics.h"
#include "analytics/Rest.h"
#include "platform/Error.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace analytics;

using testing_support::failureOf;

namespace {

void waitForWorkers() {
    for (int i = 0; i < 200 && TThreadDataAnalyticsRest::workersRunning() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

std::string argv0;

} // namespace

TEST(Rest, BuilderAndExecutorChecks) {
    struct Case {
        const char* name;
        std::function<void(TRESTBuilder&)> setup;
        std::string message;
    };
    const Case cases[] = {
        {"no setter at all", [](TRESTBuilder&) {}, "URL base da requisição não foi informada."},
        {"blank base URL", [](TRESTBuilder& b) { b.WithType(2).WithBaseUrl(" \t\r\n "); },
         "URL base da requisição não foi informada."},
        {"blank route",
         [](TRESTBuilder& b) { b.WithType(2).WithBaseUrl("http://x").WithRoute("   "); },
         "Rota da requisição não foi informado."},
        {"type 0", [](TRESTBuilder& b) { b.WithBaseUrl("http://x"); },
         "Tipo da requisição não foi informado."},
        {"complete", [](TRESTBuilder& b) { b.WithType(2).WithBaseUrl("http://x"); },
         "(no failure)"},
    };
    for (const Case& c : cases) {
        TRESTBuilder b;
        c.setup(b);
        EXPECT_EQ(failureOf([&] { b.Build(); }), c.message) << c.name;
    }
    TRESTBuilder b;
    EXPECT_EQ(platform::textOf(b.record().dto().Route), "/");
    EXPECT_EQ(platform::textOf(b.record().dto().Agent), "curl");
    EXPECT_EQ(b.record().dto().BodyKind, 0);
    b.WithBody("  \x01 ").WithBaseUrl("\t http://a \n").WithAuxText(" t ");
    EXPECT_EQ(b.record().dto().BodyKind, 2); // even for a body that trims to nothing
    EXPECT_EQ(platform::SysStringLen(b.record().dto().Body), 0u);
    EXPECT_EQ(platform::textOf(b.record().dto().BaseUrl), "http://a");
    EXPECT_EQ(platform::textOf(b.record().dto().AuxText), "t");
}

TEST(Rest, TextHandlesKeepTheirLayout) {
    platform::TextHandle t = platform::allocText("Ação €");
    ASSERT_NE(t, nullptr);
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(t) - 4, 4);
    EXPECT_EQ(bytes, 12u);
    EXPECT_EQ(t[6], u'\0');
    EXPECT_EQ(platform::textOf(t), "Ação €");
    platform::SysFreeString(t);
    platform::SysFreeString(nullptr);
    EXPECT_EQ(platform::textOf(nullptr), "");
}

TEST(Analytics, CpfCnpjFormatting) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"12345678901", "123.456.789-01"},
        {"12345678000199", "12.345.678/0001-99"},
        {"", "   .   .   -  "},
        {"123.456.789-01", "12.3.4.56./789--01"}, // separators go in among separators
        {"1234567800019988", "12.345.678/0001-9988"},
        {"123", "123.   .   -  "},
    };
    for (const auto& [value, formatted] : cases)
        EXPECT_EQ(TFuncoes::FormatarCpfCnpj(value), formatted) << value;
}

TEST(Analytics, WithoutALoggedBranchNothingIsSent) {
    TSessao::getInstancia().setFilialLogada(std::nullopt);
    const int before = TThreadDataAnalyticsRest::workersStarted();
    EXPECT_EQ(failureOf([] { TSessao::getInstancia().getFilialLogada(); }),
              "Filial Logada não definida.");
    TThreadDataAnalyticsRest::enviarRotina("Visualizar Log", "v.29.05ed0");
    EXPECT_EQ(TThreadDataAnalyticsRest::workersStarted(), before);
    EXPECT_EQ(TRESTBO::loads(), 0);
    EXPECT_FALSE(TSessao::getInstancia().getNomeMaquina().empty());
}

TEST(Analytics, TheEventReachesTheEndpointAsJson) {
    httplib::Server http;
    std::vector<std::string> bodies, paths, auths, types;
    std::mutex m;
    http.Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(m);
        bodies.push_back(req.body);
        paths.push_back(req.path);
        auths.push_back(req.get_header_value("Authorization"));
        types.push_back(req.get_header_value("Content-Type"));
        res.set_content("{}", "application/json");
    });
    const int port = http.bind_to_any_port("127.0.0.1");
    std::thread server([&] { http.listen_after_bind(); });

    TSessao::getInstancia().setFilialLogada(
        Filial{"Comércio \"Aspas\" \\ Barra\tLtda", "12345678000199"});
    setAnalyticsSettings("http://127.0.0.1:" + std::to_string(port) + "/", "");
    TThreadDataAnalyticsRest::enviarRotina("Visualizar Log", "v.29.05ed0");
    waitForWorkers();
    setAnalyticsSettings("http://127.0.0.1:" + std::to_string(port), "Bearer abc");
    TThreadDataAnalyticsRest::enviarRotina("Informação", "v.29.05ed0");
    waitForWorkers();
    // No base URL: the worker stops at Build, quietly.
    setAnalyticsSettings("", "");
    TThreadDataAnalyticsRest::enviarRotina("Visualizar Erros", "v.29.05ed0");
    waitForWorkers();
    TSessao::getInstancia().setFilialLogada(std::nullopt);
    http.stop();
    server.join();

    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(paths, (std::vector<std::string>{"/rotina", "/rotina"}));
    EXPECT_EQ(auths, (std::vector<std::string>{"", "Bearer abc"}));
    EXPECT_EQ(types[0].rfind("application/json", 0), 0u);
    EXPECT_EQ(TRESTBO::loads(), 1); // loaded once for every request
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(bodies[0]), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << bodies[0];
    const QJsonObject o = doc.object();
    EXPECT_EQ(o["rotina"].toString(), QStringLiteral("Visualizar Log"));
    EXPECT_EQ(o["versao"].toString(), QStringLiteral("v.29.05ed0"));
    EXPECT_EQ(o["cnpj"].toString(), QStringLiteral("12.345.678/0001-99"));
    EXPECT_EQ(o["nomeCnpj"].toString(), QStringLiteral("Comércio \"Aspas\" \\ Barra\tLtda"));
    EXPECT_EQ(o["unit"].toString(), QStringLiteral("PainelIntegracao.Cliente"));
    // Eight lines, their trailing blanks kept.
    const std::string& body = bodies[0];
    EXPECT_EQ(body.rfind("{" + std::string(71, ' ') + "\r\n \"nomeUsuario\": \"", 0), 0u);
    EXPECT_NE(body.find("\"v.29.05ed0\"" + std::string(36, ' ') + "\r\n}"), std::string::npos);
    EXPECT_EQ(body.back(), '}');
}

// The library is found beside the program, loaded once, and a missing one
// is tried again at the next request.
TEST(Rest, TheLibraryLoadsWhenPresent) {
    testing_support::TempDir dir;
    const std::string copy = dir.file("test_analytics");
    std::filesystem::copy_file(argv0, copy);
    // LD_LIBRARY_PATH stands in for the run path where a sanitizer's
    // interception of dlopen hides it.
    const std::string command = "LD_LIBRARY_PATH=" + dir.path().string() + " " + copy +
                                " --child-load " + dir.path().string();
    EXPECT_EQ(std::system(command.c_str()), 0);
}

static int childLoad(const std::string& folder) {
    TRESTBuilder b;
    b.WithType(1).WithBaseUrl("http://127.0.0.1:1").WithRoute("nada");
    auto executor = b.Build();
    const std::string missing = failureOf([&] { executor->Execute(); });
    if (missing != "Erro ao carregar a biblioteca libTarveskREST.so.") {
        std::fprintf(stderr, "unexpected: %s\n", missing.c_str());
        return 1;
    }
    std::filesystem::copy_file(PAINEL_BUILD_DIR "/libTarveskREST.so",
                               folder + "/libTarveskREST.so");
    executor->Execute(); // refused connection: done, nothing answered
    executor->Execute();
    return executor->Executed() && TRESTBO::loads() == 1 && executor->response().Done == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    argv0 = std::filesystem::canonical("/proc/self/exe").string();
    if (argc == 3 && std::string(argv[1]) == "--child-load")
        return childLoad(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
