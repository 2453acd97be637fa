#pragma once

#include <QString>

#include <optional>

// The message and input boxes the windows show. Boxes without a title of their own carry the
// program's title, "wordlark".
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A question with Yes and No buttons, the question icon and Yes the default; true for Yes.
    virtual bool ask(const QString& title, const QString& question) = 0;
    // A notice with an OK button only and no icon.
    virtual void tell(const QString& text) = 0;
    // The input box; what the user confirmed, possibly empty, or nothing when cancelled.
    virtual std::optional<QString> input(const QString& prompt) = 0;
};
