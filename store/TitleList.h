#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

// The list of a category's titles. It holds the titles as one list of texts that the view
// shows, so tens of thousands of titles are put in and taken out at once, without an item
// object for each.
class TitleList : public QListView {
    Q_OBJECT

public:
    explicit TitleList(QWidget* parent = nullptr);

    // Adds the titles after those listed; nothing stays selected.
    void addItems(const QStringList& titles);
    void clear();
    int count() const;
    QStringList items() const;
    void setCurrentRow(int row);
    // The current title when it is selected; otherwise nothing.
    QString selectedTitle() const;

private:
    QStringListModel* m_titles;
};
