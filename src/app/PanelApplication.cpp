#include "PanelApplication.h"

#include "app/FailurePolicy.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

PanelApplication::PanelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Dates show as dd/mm/yyyy whatever the machine's regional settings say.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

bool PanelApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace app
