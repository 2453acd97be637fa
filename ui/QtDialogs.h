#pragma once

#include "Dialogs.h"

// The program's dialogs as Qt's message and input boxes over the active window.
class QtDialogs final : public Dialogs {
public:
    bool ask(const QString& title, const QString& question) override;
    void tell(const QString& text) override;
    std::optional<QString> input(const QString& prompt) override;
};
