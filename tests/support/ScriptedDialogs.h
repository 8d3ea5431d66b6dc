#pragma once

#include "platform/Dialogs.h"

#include <QStringList>
#include <deque>

namespace testing_support {

// Records every prompt instead of showing it and answers as scripted.
// Installs itself for its lifetime.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Shown {
        QString kind; // "Erro", "Alerta", "Informação", "Confirmação", "Arquivo"
        QString text;
    };

    ScriptedDialogs() { platform::setDialogs(this); }
    ~ScriptedDialogs() override { platform::setDialogs(nullptr); }

    std::deque<bool> questionAnswers; // default: "Sim"
    std::deque<QString> fileAnswers;  // default: cancelled
    QList<Shown> shown;

    QStringList texts(const QString& kind) const {
        QStringList out;
        for (const auto& s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }

    void error(QWidget*, const QString& text) override { shown.append({"Erro", text}); }
    void warning(QWidget*, const QString& text) override { shown.append({"Alerta", text}); }
    void information(QWidget*, const QString& text) override {
        shown.append({QStringLiteral("Informação"), text});
    }
    bool question(QWidget*, const QString& text) override {
        shown.append({QStringLiteral("Confirmação"), text});
        if (questionAnswers.empty())
            return true;
        const bool a = questionAnswers.front();
        questionAnswers.pop_front();
        return a;
    }
    QString openFile(QWidget*, const QString& caption, const QString&,
                     const QString& filter) override {
        shown.append({"Arquivo", caption + "|" + filter});
        if (fileAnswers.empty())
            return {};
        QString a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
};

} // namespace testing_support
