#pragma once

#include <QApplication>

namespace app {

// The panel's application object: fixes the process-wide settings start-up
// needs and is the last net for failures that reach the event loop.
class PanelApplication : public QApplication {
public:
    PanelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace app
