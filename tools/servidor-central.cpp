// A central server of the integration contract on loopback, for trying the
// panel and for tests.
//   servidor-central --porta N --banco PATH [--usuario U --senha S]
// --porta 0 takes any free port; the first line on standard output names
// the service description's address.
#include "server/CentralServer.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}
} // namespace

int main(int argc, char** argv) {
    server::CentralServer::Options options;
    int port = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--porta")
            port = std::atoi(argv[i + 1]);
        else if (key == "--banco")
            options.database = argv[i + 1];
        else if (key == "--usuario")
            options.user = argv[i + 1];
        else if (key == "--senha")
            options.password = argv[i + 1];
    }
    if (port < 0 || options.database.empty() || argc % 2 == 0) {
        std::fputs("uso: servidor-central --porta N --banco CAMINHO [--usuario U --senha S]\n",
                   stderr);
        return 2;
    }
    try {
        server::CentralServer central(options);
        central.start(port);
        std::printf("%s\n", central.descriptionUrl().c_str());
        std::fflush(stdout);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        while (!stopRequested)
            pause();
        central.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "servidor-central: %s\n", e.what());
        return 1;
    }
    return 0;
}
