// Panel refresh benchmarks, measured against floors in the same run.
//   panel-bench DATABASE panel-refresh|panel-speedup|panel-memory
#include "app/StatusRows.h"
#include "app/TFPainel.h"
#include "db/Statements.h"

#include <QApplication>

#include "BenchUtil.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::median;
using bench::seconds;
using bench::statusKb;

void report(const char* name, double ratio, double target) {
    std::printf("%s: ratio %.3f (target %g)\n", name, ratio, target);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: panel-bench DATABASE NAME\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string path = argv[1];
    const std::string name = argv[2];
    const std::string folder = path.substr(0, path.rfind('/'));

    app::TFPainel painel(QString::fromStdString(folder));
    db::Connection floor;
    floor.setSettings(painel.cnTarvesk().settings());
    // Warm the page cache and the prepared statements before measuring.
    painel.AtualizarPainel();
    floor.query(db::sql::FiliaisFila);
    floor.query(db::sql::FiliaisMaquinas);

    if (name == "panel-refresh" || name == "panel-speedup") {
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            const double panel = seconds([&] { painel.AtualizarPainel(); });
            const double base = name == "panel-refresh"
                                    ? seconds([&] {
                                          floor.query(db::sql::FiliaisFila);
                                          floor.query(db::sql::FiliaisMaquinas);
                                      })
                                    : seconds([&] { floor.query(db::sql::Filiais); });
            std::printf("  run %d: panel %.3f s, %s %.3f s (%zu rows)\n", i + 1, panel,
                        name == "panel-refresh" ? "bare fetch" : "reference statement", base,
                        painel.cdsPainel().size());
            std::fflush(stdout);
            ratios.push_back(panel / base);
        }
        report(name.c_str(), median(ratios), name == "panel-refresh" ? 1.2 : 0.05);
        return 0;
    }
    if (name == "panel-memory") {
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            painel.AtualizarPainel();
            const long first = statusKb("VmRSS:");
            for (int k = 0; k < 20; ++k)
                painel.AtualizarPainel();
            const long after = statusKb("VmRSS:");
            std::printf("  run %d: resident %ld kB after one refresh, %ld kB after 20 more\n",
                        i + 1, first, after);
            ratios.push_back(static_cast<double>(after) / static_cast<double>(first));
        }
        report("panel-memory", median(ratios), 1.10);
        return 0;
    }
    std::fprintf(stderr, "unknown benchmark %s\n", name.c_str());
    return 2;
}
