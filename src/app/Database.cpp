#include "Database.h"

#include "app/Decifra.h"
#include "app/IniFile.h"
#include "db/Statements.h"
#include "platform/Cp1252.h"
#include "platform/Error.h"

namespace app {
namespace {

const std::string kLineBreak = "\r\n";

std::string descrambled(const IniFile& ini, const char* key) {
    // Scrambled values decode to Windows-1252 bytes.
    return platform::cp1252ToUtf8(
        Decifra(platform::utf8ToCp1252(ini.value("DATABASEESTOQUE", key))));
}

} // namespace

bool ConectarBanco(db::Connection& connection, const std::string& folder) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += "Caminho.ini";
    const IniFile ini = IniFile::load(path);
    const std::string location = ini.value("DATABASEESTOQUE", "CAMINHO");
    if (location.empty())
        throw platform::Error("Caminho do banco de dados não configurado no \"Caminho.Ini\"." +
                              kLineBreak + "Entre em contato com o suporte técnico.");
    connection.close();
    db::ConnectionSettings settings = connection.settings();
    settings.database = location;
    settings.user = descrambled(ini, "USUARIO");
    settings.password = descrambled(ini, "SENHA");
    connection.setSettings(settings);
    try {
        connection.open();
    } catch (const platform::Error& e) {
        throw platform::Error("Falha ao conectar banco de dados " + location + ". Motivo: " +
                              e.what() + kLineBreak + "Entre em contato com o suporte técnico.");
    }
    return true;
}

bool AjustarColunaMaquinaECF(db::Connection& connection) {
    const db::Result r = connection.query(db::sql::ParaWeb);
    return !r.rows.empty() && r.rows[0][0].toText() == "S";
}

void TransactionGuards::IniciarTransacao() {
    if (connection_.inTransaction())
        throw platform::Error(
            "Detectada falha no controle de inicia transação: Transação não fechada.");
    descriptor_ = {1, true};
    connection_.startTransaction();
}

void TransactionGuards::ConfirmarTransacao() {
    if (!connection_.inTransaction())
        throw platform::Error(
            "Detectada falha no controle de confirma transação: Transação não aberta.");
    connection_.commit();
}

void TransactionGuards::CancelarTransacao() {
    if (!connection_.inTransaction())
        throw platform::Error(
            "Detectada falha no controle de cancelamento de transação: Transação não aberta.");
    connection_.rollback();
}

} // namespace app
