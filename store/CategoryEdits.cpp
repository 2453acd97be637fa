#include "PhraseBook.h"
#include "Result.h"
#include "StoreTexts.h"

#include <QComboBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

EditOutcome PhraseBook::AddCategory()
{
    return edit(StoreTexts::addCategoryFailed, appendTo(u"カテゴリ"_s), [this](Result& table) {
        table.addNew();
        table.setField(u"カテゴリ名"_s, m_c.Combo1->currentText());
        table.update();
        m_c.Text5->setText(StoreTexts::added);
        return EditOutcome::Done;
    });
}

EditOutcome PhraseBook::DeleteCategory()
{
    const QString statement =
        u"SELECT カテゴリ名 FROM カテゴリ WHERE カテゴリ名 = '%1'"_s.arg(categoryLiteral());
    return deleteFirstRow(statement, StoreTexts::deleteCategoryFailed);
}

EditOutcome PhraseBook::DeleteCategoryTitles(TitleMode mode)
{
    const QString statement = u"SELECT %1 FROM タイトル WHERE カテゴリ名 = '%2'"_s.arg(
        titleColumn(mode), categoryLiteral());
    return edit(StoreTexts::deleteCategoryTitlesFailed, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            m_c.Text5->setText(StoreTexts::notFound);
            return EditOutcome::NotFound;
        }
        // One transaction: a failure part-way deletes nothing, so the category keeps all its
        // titles and is not deleted after them.
        walkRows(
            result, kDeleteRowLimit, [&result] { result.beginTransaction(); },
            [](Result& row) { row.deleteCurrent(); });
        result.commit();
        return EditOutcome::Done;
    });
}
