#pragma once

#include "db/Connection.h"

#include <string>

namespace app {

// The version text and the caption of the main window.
inline constexpr const char* VersaoSistema = "v.29.05ed0";
inline constexpr const char* LegendaPainel =
    "Painel de Controle para Integração - Módulo Cliente - ";

// Reads Caminho.ini from `folder`, applies its location and descrambled
// credentials to the connection and opens it. Raises the missing-path or the
// connect-failure message; with no location the connection is not touched.
bool ConectarBanco(db::Connection& connection, const std::string& folder);

// True when PARAWEB says the web-service integration is in use ("S"
// exactly): the main grid then shows the "Maq. ECF" column.
bool AjustarColunaMaquinaECF(db::Connection& connection);

// The transaction guards every writer goes through: at most one explicit
// transaction in the process.
class TransactionGuards {
public:
    explicit TransactionGuards(db::Connection& connection) : connection_(connection) {}

    void IniciarTransacao();
    void ConfirmarTransacao();
    void CancelarTransacao();

    // The descriptor shared by start, commit and rollback.
    struct Descriptor {
        unsigned id = 0;
        bool readCommitted = false;
    };
    const Descriptor& descriptor() const { return descriptor_; }

private:
    db::Connection& connection_;
    Descriptor descriptor_;
};

} // namespace app
