#include "CentralServer.h"

#include "db/Statements.h"
#include "platform/Error.h"
#include "server/Soap.h"
#include "server/Wsdl.h"

#include <httplib.h>

#include <cstdio>
#include <mutex>
#include <thread>

namespace server {
namespace {

std::string base64(const std::string& in) {
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int val = 0, bits = -6;
    for (unsigned char c : in) {
        val = (val << 8) + c;
        bits += 8;
        while (bits >= 0) {
            out.push_back(table[(val >> bits) & 0x3F]);
            bits -= 6;
        }
    }
    if (bits > -6)
        out.push_back(table[((val << 8) >> (bits + 8)) & 0x3F]);
    while (out.size() % 4)
        out.push_back('=');
    return out;
}

} // namespace

struct CentralServer::Impl {
    Options options;
    httplib::Server http;
    std::thread thread;
    std::mutex dbMutex;
    db::Connection connection;
    int port = 0;

    SoapValue metadata(const std::vector<std::string>& tables) {
        TColMetaDadosTabelas out;
        std::lock_guard lock(dbMutex);
        for (const std::string& name : tables) {
            const db::Result r = connection.query(db::sql::SqlTabelas, {{"NomeTabela", name}});
            if (r.rows.empty())
                continue; // a table it lacks is left out
            auto t = std::make_shared<TMetaDadosTabela>();
            t->NomeTabela = name;
            for (const auto& row : r.rows) {
                std::vector<std::string> entry;
                for (const auto& v : row)
                    entry.push_back(v.toText()); // as the statement returns it, blanks included
                t->ColecaoMetadadosCampos.push_back(std::move(entry));
            }
            out.push_back(std::move(t));
        }
        return toSoap(out);
    }

    void answer(const httplib::Request& req, httplib::Response& res) {
        std::vector<SoapValue> args;
        std::string name = "?";
        try {
            const Operation& op = decodeRequest(req.body, args);
            name = op.name;
            SoapValue result;
            if (op.name == "FTestaConexao")
                result = true;
            else if (op.name == "FRetornaMetaDadosTabelas")
                result = metadata(stringsFrom(args.at(0)));
            else
                throw platform::Error("Operação " + op.name +
                                      " não é atendida por este servidor central.");
            res.set_content(encodeResponse(op, result, kInterfaceNamespace),
                            "text/xml; charset=utf-8");
        } catch (const std::exception& e) {
            res.status = 500;
            res.set_content(encodeFault("SOAP-ENV:Server", e.what()), "text/xml; charset=utf-8");
        }
        if (options.log)
            std::fprintf(stderr, "servidor-central: %s %s %s -> %d\n", req.method.c_str(),
                         req.path.c_str(), name.c_str(), res.status);
    }

    bool authorized(const httplib::Request& req, httplib::Response& res) {
        if (options.user.empty())
            return true;
        const std::string expected = "Basic " + base64(options.user + ":" + options.password);
        if (req.get_header_value("Authorization") == expected)
            return true;
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"servidor-central\"");
        if (options.log)
            std::fprintf(stderr, "servidor-central: %s %s -> 401\n", req.method.c_str(),
                         req.path.c_str());
        return false;
    }
};

CentralServer::CentralServer(Options options) : d(std::make_unique<Impl>()) {
    d->options = std::move(options);
    d->connection.setSettings({d->options.database, "SYSDBA", "masterkey"});
    d->http.Get("/wsdl/IServidorOffLine",
                [this](const httplib::Request& req, httplib::Response& res) {
                    if (!d->authorized(req, res))
                        return;
                    res.set_content(describeService("http://127.0.0.1:" + std::to_string(d->port) +
                                                    "/soap/IServidorOffLine"),
                                    "text/xml; charset=utf-8");
                    if (d->options.log)
                        std::fprintf(stderr, "servidor-central: GET %s -> 200\n", req.path.c_str());
                });
    d->http.Post("/soap/IServidorOffLine",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     if (d->authorized(req, res))
                         d->answer(req, res);
                 });
}

CentralServer::~CentralServer() {
    stop();
}

int CentralServer::start(int port) {
    d->port = port == 0 ? d->http.bind_to_any_port("127.0.0.1")
                        : (d->http.bind_to_port("127.0.0.1", port) ? port : -1);
    if (d->port <= 0)
        throw platform::Error("não foi possível abrir a porta " + std::to_string(port));
    d->thread = std::thread([this] { d->http.listen_after_bind(); });
    return d->port;
}

void CentralServer::stop() {
    if (d->thread.joinable()) {
        d->http.stop();
        d->thread.join();
    }
}

int CentralServer::port() const {
    return d->port;
}

std::string CentralServer::descriptionUrl() const {
    return "http://127.0.0.1:" + std::to_string(d->port) + "/wsdl/IServidorOffLine";
}

} // namespace server
