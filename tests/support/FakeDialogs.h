#pragma once

#include "Dialogs.h"

#include <QStringList>

#include <deque>

// Answers the program's questions from a script and records every box it was shown.
class FakeDialogs final : public Dialogs {
public:
    std::deque<bool> answers;                  // for ask(); No when the script runs out
    std::deque<std::optional<QString>> inputs; // for input(); cancel when it runs out
    QStringList shown; // "ask:<title>:<question>", "tell:<text>", "input:<prompt>"

    bool ask(const QString& title, const QString& question) override
    {
        shown << QStringLiteral("ask:%1:%2").arg(title, question);
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void tell(const QString& text) override { shown << QStringLiteral("tell:") + text; }
    std::optional<QString> input(const QString& prompt) override
    {
        shown << QStringLiteral("input:") + prompt;
        // Taken apart rather than copied whole: GCC 12 takes a copied optional QString for
        // uninitialized in some callers.
        if (inputs.empty())
            return std::nullopt;
        const bool given = inputs.front().has_value();
        QString answer = given ? std::move(*inputs.front()) : QString();
        inputs.pop_front();
        if (!given)
            return std::nullopt;
        return answer;
    }
};
