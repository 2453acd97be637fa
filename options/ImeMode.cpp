#include "ImeMode.h"

#include <QEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kProperty = "imeMode";

// QLineEdit and QPlainTextEdit answer the input method's Qt::ImEnabled query themselves and
// ignore Qt::WA_InputMethodEnabled, and input methods such as fcitx5 ignore the Latin-only
// hints. So a disabled box must answer that query with false itself; then no key reaches the
// input method and every key arrives as a plain character.
class DisabledAnswer final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::InputMethodQuery ||
            imeModeOf(static_cast<QWidget*>(watched)) != ImeMode::Disabled)
            return false;
        // The box answers the other queries of the same event as usual.
        watched->event(event);
        auto* query = static_cast<QInputMethodQueryEvent*>(event);
        if (query->queries() & Qt::ImEnabled)
            query->setValue(Qt::ImEnabled, false);
        return true;
    }
};

} // namespace

void setImeMode(QWidget* box, ImeMode mode)
{
    // One filter serves every box; installing it again doesn't add it twice.
    static DisabledAnswer filter;
    box->installEventFilter(&filter);
    // The mode first: changing the attribute may already make the input method ask.
    box->setProperty(kProperty, static_cast<int>(mode));
    box->setAttribute(Qt::WA_InputMethodEnabled, mode != ImeMode::Disabled);
    // Qt has no hint for "prefer native text": On and NoControl both leave the input method
    // enabled and free. Switching it on is the user's key (such as 半角/全角).
    box->setInputMethodHints(mode == ImeMode::Disabled ? Qt::ImhLatinOnly : Qt::ImhNone);
    if (QGuiApplication::focusObject() == box)
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
}

ImeMode imeModeOf(const QWidget* box)
{
    return static_cast<ImeMode>(box->property(kProperty).toInt());
}
