#include "app/PanelApplication.h"
#include "app/TFPainel.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Without a display Qt would abort with a long explanation; say it in one line.
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs("painel: o painel precisa de uma tela gráfica (DISPLAY não definido).\n",
                   stderr);
        return 2;
    }
    app::PanelApplication application(argc, argv);
    app::TFPainel painel(QCoreApplication::applicationDirPath());
    painel.show();
    return application.exec();
}
