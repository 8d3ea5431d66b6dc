// The schema integrity check without a window, for scheduled monitoring.
// Reads Caminho.ini from its own folder, like the panel.
//   painel-integridade           divergences as "Tabela<TAB>Erro" lines
//   painel-integridade --csv     the same as CSV with a header line
//   painel-integridade --conexao only the connection test
// Exit status: 0 nothing diverges (or the connection works), 1 something
// diverges, 2 the check could not run (message on standard error).
#include "app/Database.h"
#include "app/ServerConnection.h"
#include "integrity/IntegrityCheck.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc > 2 || (!mode.empty() && mode != "--csv" && mode != "--conexao")) {
        std::fputs("uso: painel-integridade [--csv | --conexao]\n", stderr);
        return 2;
    }
    const std::string folder = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    db::Connection connection;
    server::ServidorOffLine servidor;
    try {
        app::ConectarBanco(connection, folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    if (mode == "--conexao") {
        std::string message;
        const bool ok = app::testarConexao(connection, servidor, message);
        std::fprintf(ok ? stdout : stderr, "%s\n", message.c_str());
        return ok ? 0 : 2;
    }
    const integrity::Outcome outcome = integrity::run(connection, servidor);
    switch (outcome.kind) {
    case integrity::Outcome::Kind::Connection:
    case integrity::Outcome::Kind::Failed:
        std::fprintf(stderr, "%s\n", outcome.message.c_str());
        return 2;
    default:
        break;
    }
    if (mode == "--csv")
        std::printf("Tabela,Erro\r\n");
    for (const auto& d : outcome.divergences) {
        if (mode == "--csv")
            std::printf("%s,%s\r\n", csvField(d.Tabela).c_str(), csvField(d.Erro).c_str());
        else
            std::printf("%s\t%s\n", d.Tabela.c_str(), d.Erro.c_str());
    }
    return outcome.divergences.empty() ? 0 : 1;
}
