// Creates a fresh dialect-1 database and runs SQL scripts in it.
//   painel-demo-db DATABASE SCRIPT.sql...
#include "db/Connection.h"
#include "db/Script.h"
#include "platform/Error.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("uso: painel-demo-db BANCO [SCRIPT.sql...]\n", stderr);
        return 2;
    }
    try {
        std::remove(argv[1]);
        db::Connection::createDatabase(argv[1], "SYSDBA", "masterkey");
        db::Connection connection;
        connection.setSettings({argv[1], "SYSDBA", "masterkey"});
        for (int i = 2; i < argc; ++i) {
            std::ifstream in(argv[i], std::ios::binary);
            if (!in)
                throw platform::Error(std::string("não foi possível ler ") + argv[i]);
            std::ostringstream text;
            text << in.rdbuf();
            db::runScript(connection, text.str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "painel-demo-db: %s\n", e.what());
        return 1;
    }
    return 0;
}
