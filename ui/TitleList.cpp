#include "TitleList.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

#include <vector>

class TitleList::Titles : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_ends.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!checkIndex(index,
                        CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
            role != Qt::DisplayRole)
            return {};
        return title(index.row()).toString();
    }

    QStringView title(int row) const
    {
        const auto at = static_cast<std::size_t>(row);
        const qsizetype begin = row == 0 ? 0 : m_ends[at - 1];
        return QStringView(m_text).sliced(begin, m_ends[at] - begin);
    }

    // Adds after the titles listed, as one change of the whole list, which also leaves
    // nothing selected.
    void append(std::span<const QStringView> titles)
    {
        if (titles.empty())
            return;
        qsizetype size = m_text.size();
        for (const QStringView title : titles)
            size += title.size();
        beginResetModel();
        m_text.reserve(size);
        m_ends.reserve(m_ends.size() + titles.size());
        for (const QStringView title : titles) {
            m_text += title;
            m_ends.push_back(m_text.size());
        }
        endResetModel();
    }

    void clear()
    {
        if (m_ends.empty())
            return;
        beginResetModel();
        m_text = QString();
        m_ends = {};
        endResetModel();
    }

private:
    QString m_text;
    std::vector<qsizetype> m_ends; // where each title ends in m_text
};

TitleList::TitleList(QWidget* parent)
    : QListView(parent)
    , m_titles(new Titles(this))
{
    setModel(m_titles);
    // Titles are chosen here, never edited or dragged.
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setUniformItemSizes(true);
}

void TitleList::addItems(const QStringList& titles)
{
    const std::vector<QStringView> views(titles.begin(), titles.end());
    m_titles->append(views);
}

void TitleList::addTitles(std::span<const QStringView> titles)
{
    m_titles->append(titles);
}

void TitleList::clear()
{
    m_titles->clear();
}

int TitleList::count() const
{
    return m_titles->rowCount();
}

void TitleList::setCurrentRow(int row)
{
    setCurrentIndex(m_titles->index(row));
}

bool TitleList::currentIsSelected() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current);
}

QString TitleList::selectedTitle() const
{
    if (!currentIsSelected())
        return {};
    return m_titles->title(currentIndex().row()).toString();
}

void TitleList::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    // The press selected the title, or it was selected already: either way, released on it,
    // it is chosen.
    if (event->button() == Qt::LeftButton && currentIsSelected() &&
        indexAt(event->position().toPoint()) == currentIndex())
        emit titleChosen();
}

void TitleList::keyPressEvent(QKeyEvent* event)
{
    const QPersistentModelIndex before = currentIndex();
    const bool wasSelected = currentIsSelected();
    QListView::keyPressEvent(event);
    if (currentIsSelected() && (currentIndex() != before || !wasSelected))
        emit titleChosen();
}
