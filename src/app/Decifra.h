#pragma once

#include <string>
#include <string_view>

namespace app {

// Turns a scrambled credential of Caminho.ini (two alphabet characters per
// clear character) back into clear text. Bytes in, bytes out (Windows-1252).
std::string Decifra(std::string_view scrambled);

// The inverse, for the operators' tool and for tests: a text that Decifra
// turns back into `clear`. `seed` picks among the many equivalent forms (0
// gives the plainest). Clear text stops at its first NUL byte, which the
// scrambled form cannot carry.
std::string Cifra(std::string_view clear, unsigned seed = 0);

} // namespace app
