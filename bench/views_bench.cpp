// Viewer benchmarks, measured against floors in the same run.
//   views-bench sync-all DATABASE
//   views-bench log-open FILE
//   views-bench log-memory FILE
#include "db/Statements.h"
#include "views/TFUltRegSincro.h"
#include "views/TFVisualizarLog.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>

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

// Reading and converting the whole file to text, nothing else: the floor of
// any viewer.
qsizetype readAndConvert(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        dst[i] = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
    }
    return text.size();
}

void showLog(views::TFVisualizarLog& w, const QString& path) {
    w.Arquivo->setText(path);
    w.carregar();
    w.visao->scrollToEnd();
    w.visao->viewport()->grab(); // the first paint of the last page
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: views-bench sync-all|log-open|log-memory PATH\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string name = argv[1];
    const QString path = QString::fromLocal8Bit(argv[2]);

    if (name == "sync-all") {
        db::Connection cn;
        cn.setSettings({path.toStdString(), "SYSDBA", "masterkey"});
        views::TFUltRegSincro w(cn);
        w.CodigoFilial = "01";
        w.show();
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            const double window = seconds([&] { w.btTodosClick(); });
            std::size_t rows = 0;
            const double bare = seconds([&] {
                rows = cn.query(db::sql::PrxRegTodos(), {{"PMaquina", "01"}}).rows.size();
            });
            std::printf("  run %d: list %.3f s (%zu rows), bare statement %.3f s (%zu rows)\n",
                        i + 1, window, w.cdsPrxReg().size(), bare, rows);
            ratios.push_back(window / bare);
        }
        std::printf("sync-all: ratio %.3f (target 2)\n", median(ratios));
        return 0;
    }
    if (name == "log-open") {
        views::TFVisualizarLog w;
        w.show();
        std::vector<double> ratios;
        for (int i = 0; i < 5; ++i) {
            const double floor = seconds([&] { readAndConvert(path); });
            const double viewer = seconds([&] { showLog(w, path); });
            std::printf("  run %d: viewer %.3f s, read and convert %.3f s\n", i + 1, viewer, floor);
            ratios.push_back(viewer / floor);
        }
        std::printf("log-open: ratio %.3f (target 3)\n", median(ratios));
        return 0;
    }
    if (name == "log-memory") {
        // One opening per process: the peak is the process's high-water mark.
        views::TFVisualizarLog w;
        w.show();
        showLog(w, path);
        const double size = static_cast<double>(QFile(path).size()) / 1024.0;
        const long peak = statusKb("VmHWM:");
        std::printf("  peak %ld kB for a file of %.0f kB\n", peak, size);
        std::printf("RATIO %.3f\n", static_cast<double>(peak) / size);
        return 0;
    }
    std::fprintf(stderr, "unknown benchmark %s\n", name.c_str());
    return 2;
}
