#include "FailurePolicy.h"

#include "analytics/Analytics.h"
#include "app/Database.h"
#include "app/Formats.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

namespace app {
namespace {
bool ending = false;
}

bool processEnding() {
    return ending;
}

void reportFailure(const std::string& message) {
    if (ending)
        return;
    if (isEndingFailure(message)) {
        ending = true;
        // exit() ends the loops running now; the queued call covers a failure
        // raised before the main loop started (during start-up).
        QCoreApplication::exit(kExitEndedByFailure);
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(kExitEndedByFailure); }, Qt::QueuedConnection);
        return;
    }
    platform::dialogs().message(QApplication::activeWindow(), platform::Dialogs::Icon::Error,
                                QStringLiteral("Erro"), QString::fromStdString(message),
                                platform::Dialogs::Buttons::OkCancel);
}

void usageEvent(const QString& caption) {
    analytics::TThreadDataAnalyticsRest::enviarRotina(caption.toStdString(), VersaoSistema);
}

} // namespace app
