#include "ImeMode.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kProperty = "imeMode";

} // namespace

void setImeMode(QWidget* box, ImeMode mode)
{
    // Qt has no hint for "prefer native text": On and NoControl both leave the input method
    // enabled and free; the mode itself is kept on the box.
    box->setAttribute(Qt::WA_InputMethodEnabled, mode != ImeMode::Disabled);
    box->setInputMethodHints(mode == ImeMode::Disabled ? Qt::ImhLatinOnly : Qt::ImhNone);
    box->setProperty(kProperty, static_cast<int>(mode));
}

ImeMode imeModeOf(const QWidget* box)
{
    return static_cast<ImeMode>(box->property(kProperty).toInt());
}
