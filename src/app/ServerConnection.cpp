#include "ServerConnection.h"

#include "db/Statements.h"
#include "platform/Error.h"

namespace app {

server::IServidorOffLine& ConectarServidor(db::Connection& connection,
                                           server::ServidorOffLine& servidor) {
    const db::Result r = connection.query(db::sql::ParaOffLine);
    const auto text = [&](const char* column) {
        return r.rows.empty() ? std::string() : r.at(0, column).toText();
    };
    servidor.setWSDLLocation(text("WSDLServ"));
    servidor.Service = text("ServicoServ");
    servidor.Port = text("PortaServ");
    servidor.http.proxy = text("IPProxy");
    servidor.http.user = text("UsuarioProxy");
    servidor.http.password = text("SenhaProxy");
    return servidor.GetIServidorOffLine();
}

bool testarConexao(db::Connection& connection, server::ServidorOffLine& servidor,
                   std::string& message) {
    try {
        ConectarServidor(connection, servidor).FTestaConexao(); // false counts as success
        message = "Conexão efetuada com sucesso.";
        return true;
    } catch (const std::exception& e) {
        message = std::string("Erro ao conectar ao servidor central: ") + e.what();
        return false;
    }
}

} // namespace app
