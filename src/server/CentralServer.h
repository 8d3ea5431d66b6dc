#pragma once

#include "db/Connection.h"

#include <memory>
#include <string>

namespace server {

// A central server of this contract over HTTP on loopback, for tests, the
// demo and operators trying the panel: its description at
// /wsdl/IServidorOffLine, SOAP at /soap/IServidorOffLine. FTestaConexao
// answers true; FRetornaMetaDadosTabelas answers the named tables' columns
// from its own database (catalogue statement SqlTabelas); every other
// operation is a fault.
class CentralServer {
public:
    struct Options {
        std::string database; // its own Firebird database
        std::string user;     // when set, HTTP Basic authentication is required
        std::string password;
        bool log = true; // one line per request on standard error
    };

    explicit CentralServer(Options options);
    ~CentralServer();

    // Binds 127.0.0.1:port (0: any free port) and serves on a thread of its own.
    int start(int port = 0);
    void stop();
    int port() const;
    std::string descriptionUrl() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace server
