// Scrambles a credential for Caminho.ini, or shows the clear text of one.
//   painel-cifra TEXT
//   painel-cifra --decifra SCRAMBLED
#include "app/Decifra.h"
#include "platform/Cp1252.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--decifra") == 0) {
        const std::string clear = platform::cp1252ToUtf8(app::Decifra(argv[2]));
        std::printf("%s\n", clear.c_str());
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--decifra") != 0) {
        const std::string text = platform::utf8ToCp1252(argv[1]);
        std::printf("%s\n", app::Cifra(text, std::random_device{}() | 1u).c_str());
        return 0;
    }
    std::fputs("uso: painel-cifra TEXTO\n     painel-cifra --decifra CIFRADO\n", stderr);
    return 2;
}
