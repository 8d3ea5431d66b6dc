#include "Statements.h"

namespace db::sql {

std::string PrxRegTodos() {
    const std::string transf = "'TRANSFESTOQUE'";
    const std::string mvgeral = "'MVGERAL'";
    const std::string subselect = "( Select first 1 IgfMaquina.UltIdServer From IgfMaquina\n"
                                  "      Where IgfMaquina.Maquina = :PMaquina";
    return "Select MvIntegGeral.* From MvIntegGeral\n"
           "Where (( MvIntegGeral.Ordem > " +
           subselect +
           " )\n"
           "And MvIntegGeral.Tabela Not In ( " +
           transf + "," + mvgeral +
           ") )\n"
           "Or\n"
           "( MvIntegGeral.Ordem > " +
           subselect +
           ")\n"
           "And ( ( MvIntegGeral.Tabela = " +
           transf +
           "\n"
           "And MvIntegGeral.Chave3 = :PMaquina )\n"
           "Or ( MvIntegGeral.Tabela = " +
           mvgeral +
           "\n"
           "And MvIntegGeral.Chave0 = :PMaquina ) )\n"
           "))\n"
           "And MvIntegGeral.DATASINC is Null\n"
           "Order By MvIntegGeral.Ordem";
}

} // namespace db::sql
