#pragma once

class QWidget;

// How a text box treats the input method.
enum class ImeMode {
    NoControl = 0, // the user switches the input method freely
    On = 1,        // Japanese entry
    Disabled = 3,  // direct alphanumeric entry
};

void setImeMode(QWidget* box, ImeMode mode);
ImeMode imeModeOf(const QWidget* box);
