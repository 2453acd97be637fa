#pragma once

#include "MainWindowLink.h"
#include "OptionStore.h"
#include "ui_Form2.h"

#include <QWidget>

// The settings window: shows the seven stored options, saves them and brings the main window
// in line. Not modal; it deletes itself when closed.
class Form2 : public QWidget {
    Q_OBJECT

public:
    Form2(OptionStore options, MainWindowLink mainWindow, QWidget* parent = nullptr);

    // Fills the window from the store and shows it; the main window has already disabled its
    // Command9 and emptied its status line, and gets Command9 back from here.
    void Open();

private:
    void Option1_Click();
    void Option2_Click();
    void Command2_Click();
    void Command3_Click();

    Ui::Form2 ui;
    OptionStore m_options;
    MainWindowLink m_main;
};
