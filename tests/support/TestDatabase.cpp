#include "TestDatabase.h"

#include "db/Script.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("painel-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            std::filesystem::permissions(path_, std::filesystem::perms::all);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TestDatabase::TestDatabase() : path_(dir_.file("branch.fdb")) {
    db::Connection::createDatabase(path_, "SYSDBA", "masterkey");
    connection_.setSettings({path_, "SYSDBA", "masterkey"});
    db::runScript(connection_, readFile(PAINEL_FIXTURES_DIR "/schema.sql"));
}

void TestDatabase::run(const std::string& script) {
    db::runScript(connection_, script);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string remoteServer() {
    const char* v = std::getenv("PAINEL_TEST_FB_SERVER");
    return v ? v : "";
}

std::string remotePassword() {
    const char* v = std::getenv("PAINEL_TEST_FB_PASSWORD");
    return v ? v : "";
}

} // namespace testing_support
