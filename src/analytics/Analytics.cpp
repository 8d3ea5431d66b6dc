#include "Analytics.h"

#include "analytics/Rest.h"
#include "platform/Error.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace analytics {
namespace {

std::mutex settingsMutex;
std::string baseUrl, auxText;
std::atomic<int> started{0}, running{0};

// Values go into the JSON body escaped, so any text gives valid JSON.
std::string jsonText(const std::string& s) {
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string line(const char* key, const std::string& value, bool comma, int blanks) {
    return " \"" + std::string(key) + "\": \"" + jsonText(value) + "\"" + (comma ? "," : "") +
           std::string(static_cast<std::size_t>(blanks), ' ');
}

} // namespace

TSessao& TSessao::getInstancia() {
    static TSessao* session = new TSessao(); // lives as long as the process
    return *session;
}

std::string TSessao::getNomeMaquina() {
    if (nomeMaquina_.empty())
        nomeMaquina_ = TFuncoes::NomeComputador();
    return nomeMaquina_;
}

const Filial& TSessao::getFilialLogada() const {
    if (!filial_)
        throw platform::Error("Filial Logada não definida.");
    return *filial_;
}

std::string TFuncoes::NomeComputador() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::string TFuncoes::FormatarCpfCnpj(const std::string& value) {
    const std::string picture = value.size() < 12 ? "000.000.000-00" : "00.000.000/0000-00";
    std::string text = value;
    std::size_t pos = 0;
    for (char p : picture) {
        if (p != '0') {
            text.insert(pos, 1, p);
            ++pos;
        } else {
            if (pos >= text.size())
                text += ' ';
            ++pos;
        }
    }
    return text;
}

void setAnalyticsSettings(const std::string& url, const std::string& aux) {
    std::lock_guard lock(settingsMutex);
    baseUrl = url;
    auxText = aux;
}

std::string TThreadDataAnalyticsRest::composeBody(const std::string& rotina,
                                                  const std::string& versao) {
    TSessao& session = TSessao::getInstancia();
    const std::string maquina = session.getNomeMaquina();
    const std::string cnpj = TFuncoes::FormatarCpfCnpj(session.getFilialLogada().cnpj);
    const std::string empresa = session.getFilialLogada().nome;
    const std::string crlf = "\r\n";
    return "{" + std::string(71, ' ') + crlf + line("nomeUsuario", maquina, true, 19) + crlf +
           line("unit", kUnitMarker, true, 41) + crlf + line("rotina", rotina, true, 43) + crlf +
           line("cnpj", cnpj, true, 5) + crlf + line("nomeCnpj", empresa, true, 18) + crlf +
           line("versao", versao, false, 36) + crlf + "}";
}

void TThreadDataAnalyticsRest::enviarRotina(const std::string& rotina, const std::string& versao) {
    try {
        std::string body = composeBody(rotina, versao);
        std::string url, aux;
        {
            std::lock_guard lock(settingsMutex);
            url = baseUrl;
            aux = auxText;
        }
        ++started;
        ++running;
        std::thread([body = std::move(body), url, aux] {
            try {
                TRESTBuilder builder;
                builder.WithType(2)
                    .WithBaseUrl(url)
                    .WithRoute("/rotina")
                    .WithBody(body)
                    .WithAuxText(aux);
                builder.Build()->Execute();
            } catch (...) {
                // Fire and forget: nothing reads a failure.
            }
            --running;
        }).detach();
    } catch (...) {
        // Never towards the window that asked.
    }
}

int TThreadDataAnalyticsRest::workersStarted() {
    return started;
}
int TThreadDataAnalyticsRest::workersRunning() {
    return running;
}

} // namespace analytics
