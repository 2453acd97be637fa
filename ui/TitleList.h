#pragma once

#include <QListView>
#include <QStringList>

#include <span>

// The list of a category's titles. It keeps the titles' texts one after another in a single
// buffer and makes a text only for a row that is shown or asked for, so tens of thousands of
// titles are put in and taken out at once, without an object for each.
class TitleList : public QListView {
    Q_OBJECT

public:
    explicit TitleList(QWidget* parent = nullptr);

    // Adds the titles after those listed; nothing stays selected.
    void addItems(const QStringList& titles);
    void addTitles(std::span<const QStringView> titles);
    void clear();
    int count() const;
    void setCurrentRow(int row);
    // The current title when it is selected; otherwise nothing.
    QString selectedTitle() const;

signals:
    // The user chose the selected title: clicked it, again too, or moved to it with the keys.
    // Focus alone chooses nothing.
    void titleChosen();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool currentIsSelected() const;

    class Titles;
    Titles* m_titles;
};
