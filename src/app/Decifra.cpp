#include "Decifra.h"

#include <cstdint>
#include <random>

namespace app {
namespace {

constexpr std::string_view AlfabetoDigitos = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view ChaveDecifra = "QUORVA";

unsigned valueOf(char c) {
    const auto pos = AlfabetoDigitos.find(c);
    return pos == std::string_view::npos ? 0 : static_cast<unsigned>(pos);
}

// The running state step after pair number n (1-based) produced byte b.
std::uint16_t nextState(std::uint16_t w, unsigned char b, std::size_t n) {
    w ^= b;
    const std::uint32_t k = static_cast<unsigned char>(ChaveDecifra[n % ChaveDecifra.size()]);
    return static_cast<std::uint16_t>(((k + w) * 17u) % 17185u);
}

} // namespace

std::string Decifra(std::string_view s) {
    std::string r;
    std::uint16_t w = 0;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        unsigned char b = 0;
        if (i + 1 < s.size()) {
            const unsigned h = (w >> 8) % 19;
            const unsigned l = (valueOf(s[i]) - h) & 0xFF;
            const unsigned u = (valueOf(s[i + 1]) - h) & 0xFF;
            b = static_cast<unsigned char>(((l + 16 * u) & 0xFF) ^ (w & 0xFF));
        }
        if (b == 0)
            break; // a code 0 ends the clear text; nothing after it survives
        r += static_cast<char>(b);
        w = nextState(w, b, i / 2 + 1);
    }
    return r;
}

std::string Cifra(std::string_view clear, unsigned seed) {
    std::mt19937 random(seed);
    std::string out;
    std::uint16_t w = 0;
    std::size_t n = 0;
    for (char ch : clear) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == 0)
            break;
        const unsigned h = (w >> 8) % 19;
        // first + 16 * second must equal this, modulo 256.
        const unsigned target = ((b ^ (w & 0xFF)) + 17 * h) & 0xFF;
        // Every pair of alphabet values (p1, p2) with p1 + 16*p2 = target
        // (mod 256); p1 and p2 range over 0..35, which always leaves one.
        unsigned p1 = target % 16, p2 = target / 16;
        if (seed != 0) {
            unsigned choices[8][2];
            int count = 0;
            for (unsigned a = 0; a < 36; ++a)
                for (unsigned c = 0; c < 36 && count < 8; ++c)
                    if (((a + 16 * c) & 0xFF) == target) {
                        choices[count][0] = a;
                        choices[count][1] = c;
                        ++count;
                    }
            const auto pick = random() % static_cast<unsigned>(count);
            p1 = choices[pick][0];
            p2 = choices[pick][1];
        }
        out += AlfabetoDigitos[p1];
        out += AlfabetoDigitos[p2];
        w = nextState(w, b, ++n);
    }
    return out;
}

} // namespace app
