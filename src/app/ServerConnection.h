#pragma once

#include "db/Connection.h"
#include "server/ServidorOffLine.h"

namespace app {

// Reads ParaOffLine (first row; none gives empty settings) and configures
// the SOAP client object, location first: assigning it clears service and
// port. Returns the service interface.
server::IServidorOffLine& ConectarServidor(db::Connection& connection,
                                           server::ServidorOffLine& servidor);

// The connection test: "Conexão efetuada com sucesso." or the failure's
// message after "Erro ao conectar ao servidor central: ". True on success.
bool testarConexao(db::Connection& connection, server::ServidorOffLine& servidor,
                   std::string& message);

} // namespace app
