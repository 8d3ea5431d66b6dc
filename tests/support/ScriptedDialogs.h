#pragma once

#include "platform/Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>

namespace testing_support {

// Records every prompt instead of showing it and answers as scripted.
// Installs itself for its lifetime.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Shown {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons;
    };

    ScriptedDialogs() { platform::setDialogs(this); }
    ~ScriptedDialogs() override { platform::setDialogs(nullptr); }

    std::deque<Answer> answers;      // default: Ok, or Yes for questions
    std::deque<QString> fileAnswers; // default: cancelled
    std::deque<std::optional<std::pair<QString, QString>>> loginAnswers; // default: cancel
    QStringList fileRequests; // caption|directory|filter of each chooser
    QList<Shown> shown;
    // Runs while a box is "open", before it answers (to let time pass under it).
    std::function<void(const Shown&)> whileOpen;

    QStringList texts(const QString& title) const {
        QStringList out;
        for (const auto& s : shown)
            if (s.title == title)
                out << s.text;
        return out;
    }

    Answer message(QWidget*, Icon icon, const QString& title, const QString& text,
                   Buttons buttons) override {
        shown.append({icon, title, text, buttons});
        if (whileOpen)
            whileOpen(shown.back());
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

    std::optional<std::pair<QString, QString>> login(QWidget*, const QString& text) override {
        shown.append({Icon::Question, QStringLiteral("Autenticação"), text, Buttons::OkCancel});
        if (loginAnswers.empty())
            return std::nullopt;
        auto a = loginAnswers.front();
        loginAnswers.pop_front();
        return a;
    }

    QString openFile(QWidget*, const QString& caption, const QString& directory,
                     const QString& filter) override {
        fileRequests << caption + "|" + directory + "|" + filter;
        if (fileAnswers.empty())
            return {};
        QString a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
};

} // namespace testing_support
