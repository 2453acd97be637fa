#pragma once

#include "FakeDialogs.h"
#include "FakeSpeech.h"
#include "Form1.h"
#include "Form2.h"
#include "TestFolder.h"
#include "TitleList.h"

#include <QTest>

// A control of a window by its name; both windows hold their controls directly.
template <typename T = QWidget> T* child(QWidget* window, const char* name)
{
    T* control = window->findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// The property that holds what a control shows as its text; an editable combo box's
// currentText is its edit text.
inline const char* textProperty(const QWidget* control)
{
    for (const char* name : {"plainText", "currentText", "text"})
        if (control->property(name).isValid())
            return name;
    qFatal("%s has no text", qPrintable(control->objectName()));
}

inline QString textOf(QWidget* window, const char* name)
{
    const QWidget* control = child(window, name);
    return control->property(textProperty(control)).toString();
}

// Near the left edge: on the indicator of check boxes and option buttons.
inline void clickOn(QWidget* window, const char* name)
{
    auto* button = child<QAbstractButton>(window, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// The states of buttons as 0s and 1s.
inline QString checks(QWidget* window, std::initializer_list<const char*> names)
{
    QString states;
    for (const char* name : names)
        states += child<QAbstractButton>(window, name)->isChecked() ? u'1' : u'0';
    return states;
}

// The main window on a test folder (or on given places), with scripted dialogs and recording
// speech, and its controls reached by name.
struct TestWindow {
    FakeDialogs dialogs;
    FakeSpeech speech;
    Form1 form;

    explicit TestWindow(const TestFolder& folder)
        : TestWindow(BookPlaces(folder.path()))
    {
    }
    explicit TestWindow(const BookPlaces& places)
        : form(places, dialogs, speech)
    {
    }

    template <typename T> T* get(const char* name) { return child<T>(&form, name); }
    QString text(const char* name) { return textOf(&form, name); }
    void setText(const char* name, const QString& text)
    {
        QWidget* control = get<QWidget>(name);
        control->setProperty(textProperty(control), text);
    }
    // What a list or a combo box shows, row by row.
    QStringList items(const char* name)
    {
        auto* combo = qobject_cast<QComboBox*>(get<QWidget>(name));
        const QAbstractItemModel* model = combo ? combo->model() : get<TitleList>(name)->model();
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown << model->index(row, 0).data().toString();
        return shown;
    }
    void setChecked(const char* name, bool on) { get<QCheckBox>(name)->setChecked(on); }
    bool shown(const char* name) { return get<QWidget>(name)->isVisibleTo(&form); }
    void click(const char* name) { clickOn(&form, name); }
    // Clicks the item of List1 with this text, as a user would.
    void clickTitle(const QString& title)
    {
        auto* list = get<TitleList>("List1");
        const QModelIndex index = list->model()->index(int(items("List1").indexOf(title)), 0);
        if (!index.isValid())
            qFatal("no title %s in the list", qPrintable(title));
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    // Runs the category action "選択" for a category, optionally narrowed by a search text.
    void listCategory(const QString& category, const QString& search = {})
    {
        setText("Combo1", category);
        setText("Combo2", QStringLiteral("選択"));
        setText("Text1", search);
        click("Command3");
    }
    // Runs a category action, the question answered Yes.
    void categoryAction(const QString& category, const QString& action)
    {
        setText("Combo1", category);
        setText("Combo2", action);
        dialogs.answers = {true};
        click("Command3");
    }
    // Fills the title boxes as a user would before pressing a title button.
    void typeTitle(const QString& category, const QString& title, const QString& english,
                   const QString& translation)
    {
        setText("Combo1", category);
        setText("Text4", title);
        setText("Text3", english);
        setText("Text6", translation);
    }
    // The open settings window, or null once it has closed (or if there were two).
    Form2* settings()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QList<Form2*> open = form.findChildren<Form2*>();
        return open.size() == 1 ? open[0] : nullptr;
    }
    Form2* openSettings()
    {
        click("Command9");
        return settings();
    }
};
