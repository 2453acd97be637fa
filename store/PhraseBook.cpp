#include "PhraseBook.h"

#include "Apostrophes.h"
#include "DatabasePath.h"
#include "Result.h"
#include "StoreTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

PhraseBook::PhraseBook(BookPlaces places, StoreControls controls)
    : m_places(std::move(places))
    , m_c(controls)
{
}

QString PhraseBook::path() const
{
    return DatabasePath(m_places);
}

QString PhraseBook::categoryLiteral() const
{
    return escapeApostrophes(m_c.Combo1->currentText());
}

void PhraseBook::reportFailure(FrameFailure failure, const QString& errorText)
{
    if (!failure)
        return m_c.Text5->setText(errorText);
    switch (*failure) {
    case OpenFailure::Missing:
        return m_c.Text5->setText(StoreTexts::fileMissing);
    case OpenFailure::Unopenable:
        return m_c.Text5->setText(StoreTexts::fileUnopenable);
    case OpenFailure::Damaged:
        return m_c.Text5->setText(StoreTexts::fileDamaged);
    case OpenFailure::Busy:
        return m_c.Text5->setText(StoreTexts::fileBusy);
    case OpenFailure::Refused:
        break;
    }
    m_c.Text5->setText(StoreTexts::statementRefused);
}

void PhraseBook::ListCategories()
{
    run(StoreTexts::listCategoriesFailed, query(u"SELECT カテゴリ名 FROM カテゴリ"_s),
        [this](Result& result) {
            if (result.recordCount() == 0) {
                m_c.Text5->setText(StoreTexts::noCategories);
                return;
            }
            // Added in one go, which is far faster than one by one; the guard also
            // adds the names read before a failure.
            QStringList names;
            const auto addNames = qScopeGuard([&] { m_c.Combo1->addItems(names); });
            walkRows(
                result, kLookupRowLimit, [this] { m_c.Combo1->clear(); },
                [&](Result& row) {
                    names << requireText(row, 0);
                    if (names.size() == 1)
                        m_c.Combo1->setEditText(names.front());
                });
        });
}

bool PhraseBook::categoryExists(const QString& errorText)
{
    const auto exists = run(
        errorText,
        query(u"SELECT カテゴリ名 FROM カテゴリ WHERE カテゴリ名 = '%1'"_s.arg(categoryLiteral())),
        [&](Result& result) {
            if (result.recordCount() == 0)
                m_c.Text5->setText(errorText);
            return result.recordCount() > 0;
        });
    return exists.value_or(false);
}

EditOutcome PhraseBook::deleteFirstRow(const QString& statement, const QString& errorText)
{
    return edit(errorText, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            m_c.Text5->setText(StoreTexts::notFound);
            return EditOutcome::NotFound;
        }
        result.deleteCurrent();
        m_c.Text5->setText(StoreTexts::deleted);
        return EditOutcome::Done;
    });
}
