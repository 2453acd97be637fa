#include "TitleList.h"

#include <QItemSelectionModel>
#include <QStringListModel>

TitleList::TitleList(QWidget* parent)
    : QListView(parent)
    , m_titles(new QStringListModel(this))
{
    setModel(m_titles);
    // Titles are chosen here, never edited or dragged.
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setUniformItemSizes(true);
}

void TitleList::addItems(const QStringList& titles)
{
    if (titles.isEmpty())
        return;
    // An empty list takes the titles as they are, shared rather than copied.
    m_titles->setStringList(count() == 0 ? titles : items() + titles);
}

void TitleList::clear()
{
    if (m_titles->rowCount() != 0)
        m_titles->setStringList({});
}

int TitleList::count() const
{
    return m_titles->rowCount();
}

QStringList TitleList::items() const
{
    return m_titles->stringList();
}

void TitleList::setCurrentRow(int row)
{
    setCurrentIndex(m_titles->index(row));
}

QString TitleList::selectedTitle() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return {};
    return current.data().toString();
}
