#pragma once

#include <optional>
#include <string>

namespace analytics {

// The branch the process works for. Nothing in the panel sets it; a
// deployment that does gets its usage events sent.
struct Filial {
    std::string nome;
    std::string cnpj; // digits as text
};

class TSessao {
public:
    static TSessao& getInstancia();
    // The machine's network name, fetched again while it is empty.
    std::string getNomeMaquina();
    // Raises "Filial Logada não definida." when no branch is logged.
    const Filial& getFilialLogada() const;
    void setFilialLogada(std::optional<Filial> filial) { filial_ = std::move(filial); }

private:
    TSessao() = default;
    std::string nomeMaquina_;
    std::optional<Filial> filial_;
};

namespace TFuncoes {
std::string NomeComputador();
// "00.000.000/0000-00" for 12 characters or more, "000.000.000-00"
// otherwise; separators are inserted, missing digits become blanks.
std::string FormatarCpfCnpj(const std::string& value);
} // namespace TFuncoes

// The analytics endpoint; empty unless a deployment sets them.
void setAnalyticsSettings(const std::string& baseUrl, const std::string& auxText);

// Marker of the events of this program (the "unit" line).
inline constexpr const char* kUnitMarker = "PainelIntegracao.Cliente";

class TThreadDataAnalyticsRest {
public:
    // Composes the event of a shown window on the calling thread and sends
    // it from a worker of its own. Never fails towards its caller.
    static void enviarRotina(const std::string& rotina, const std::string& versao);
    // The body as composed (tests).
    static std::string composeBody(const std::string& rotina, const std::string& versao);
    // Workers started so far and still running (tests).
    static int workersStarted();
    static int workersRunning();
};

} // namespace analytics
