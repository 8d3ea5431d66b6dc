#pragma once

#include <QString>

#include <exception>
#include <string>

namespace app {

// Process exit status when a failure ended the process.
inline constexpr int kExitEndedByFailure = 1;

// The last receiver of every failure nobody handled: an error box "Erro"
// with the message, or, for "SHUTDOWN"/"CONNECTION LOST" failures, the end
// of the process with no box. Once the process is ending nothing more shows.
void reportFailure(const std::string& message);

// True once a failure has told the process to end.
bool processEnding();

// Runs a handler body; a failure it raises goes to the failure policy and
// never unwinds into Qt's event loop.
// The usage event of a shown window (its caption names the routine).
void usageEvent(const QString& caption);

template <typename F> void guarded(F&& body) noexcept {
    try {
        body();
    } catch (const std::exception& e) {
        reportFailure(e.what());
    } catch (...) {
        reportFailure("Erro desconhecido.");
    }
}

} // namespace app
