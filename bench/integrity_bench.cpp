// The integrity check against its floor: the catalogue statements it must
// run, back to back through the same Firebird layer, plus one metadata
// round trip of the same size.
//   integrity-bench BRANCH CENTRAL
#include "app/ServerConnection.h"
#include "db/Statements.h"
#include "integrity/IntegrityCheck.h"
#include "server/CentralServer.h"

#include "BenchUtil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::median;
using bench::seconds;
using bench::statusKb;

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: integrity-bench BRANCH CENTRAL\n");
        return 2;
    }
    server::CentralServer central({argv[2], "", "", false});
    central.start();
    db::Connection cn;
    cn.setSettings({argv[1], "SYSDBA", "masterkey"});
    cn.execute("delete from ParaOffLine");
    cn.execute("insert into ParaOffLine (WSDLServ) values (:W)", {{"W", central.descriptionUrl()}});
    server::ServidorOffLine servidor;

    std::vector<double> ratios;
    for (int i = 0; i < 6; ++i) {
        std::size_t divergences = 0;
        const double check =
            seconds([&] { divergences = integrity::run(cn, servidor).divergences.size(); });
        std::size_t tables = 0;
        const double floor = seconds([&] {
            std::vector<std::string> names;
            for (const std::string& t : cn.tableNames())
                if (!cn.query(db::sql::Triggers, {{"TABELA", t},
                                                  {"INC", t + "_INC"},
                                                  {"ALT", t + "_ALT"},
                                                  {"EXC", t + "_EXC"}})
                         .rows.empty())
                    names.push_back(t);
            const auto answer = app::ConectarServidor(cn, servidor).FRetornaMetaDadosTabelas(names);
            for (const auto& t : answer)
                cn.query(db::sql::SqlTabelas, {{"NomeTabela", t->NomeTabela}});
            tables = answer.size();
        });
        if (i == 0)
            continue; // warm-up
        std::printf("  run %d: check %.3f s (%zu divergences), floor %.3f s (%zu tables)\n", i,
                    check, divergences, floor, tables);
        ratios.push_back(check / floor);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("integrity: ratio %.3f (target 1.5)\n", ratios[ratios.size() / 2]);
    return 0;
}
