#pragma once

#include "ReviewStats.h"
#include "ui_Form3.h"

#include <QWidget>

class QBarSet;
class QLineSeries;
class QValueAxis;

// The statistics window: a category's titles by state, the reviews due in the next 30 days
// and the right answers week by week, each chart under its caption and the figures in words
// above them. Not modal; it deletes itself when closed.
class Form3 : public QWidget {
    Q_OBJECT

public:
    explicit Form3(QWidget* parent = nullptr);

    // Shows the figures of the category (the whole book when empty) and the window; a window
    // already open is filled anew and raised.
    void Open(const ReviewStats& stats, const QString& category);

private:
    void Command1_Click();

    Ui::Form3 ui;
    // What Open fills anew; the charts own them.
    QBarSet* m_states;
    QValueAxis* m_statesAxis;
    QBarSet* m_forecast;
    QValueAxis* m_forecastAxis;
    QLineSeries* m_retention;
};
