#include "Apostrophes.h"
#include "JetLike.h"
#include "PhraseBook.h"
#include "Result.h"
#include "StoreTexts.h"
#include "TitleList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include <vector>

using namespace Qt::StringLiterals;

void PhraseBook::fillTitleList(Result& result)
{
    // Added in one go, straight from the result; the guard also adds the titles read before a
    // failure.
    std::vector<QStringView> titles;
    titles.reserve(static_cast<std::size_t>(result.recordCount()));
    const auto addTitles = qScopeGuard([&] { m_c.List1->addTitles(titles); });
    walkRows(
        result, kLookupRowLimit, [this] { m_c.List1->clear(); },
        [&](Result& row) { titles.push_back(requireView(row, 0)); });
    m_c.Label5->setText(QString::number(titles.size()));
}

void PhraseBook::ListTitles(TitleMode mode)
{
    const QString statement = u"SELECT %1  FROM タイトル WHERE カテゴリ名 = '%2' ORDER BY %1"_s.arg(
        titleColumn(mode), categoryLiteral());
    run(StoreTexts::listTitlesFailed, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            m_c.List1->clear();
            m_c.Text5->setText(StoreTexts::noTitlesIn(m_c.Combo1->currentText()));
            m_c.Label5->setText(u"0"_s);
            return;
        }
        fillTitleList(result);
    });
}

void PhraseBook::FilterTitles(TitleMode mode)
{
    // The search text keeps its pattern characters: "?", "#" and "[" match as patterns. One
    // the matcher can't read finds nothing, and says why.
    if (!LikePattern::compile(u'*' + m_c.Text1->text() + u'*')) {
        m_c.Text5->setText(StoreTexts::searchPatternMalformed);
        m_c.Label5->setText(u"0"_s);
        return;
    }
    const QString statement =
        u"SELECT %1  FROM タイトル WHERE カテゴリ名 = '%2' AND %1 LIKE '*%3*'"_s.arg(
            titleColumn(mode), categoryLiteral(), escapeApostrophes(m_c.Text1->text()));
    run(StoreTexts::filterTitlesFailed, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            // The titles listed before stay in view.
            m_c.Text5->setText(StoreTexts::noMatch);
            m_c.Label5->setText(u"0"_s);
            return;
        }
        fillTitleList(result);
    });
}

bool PhraseBook::LoadTitle(TitleMode mode)
{
    const QString title = m_c.List1->selectedTitle();
    const QString statement = u"SELECT %1,  英文, 和訳 FROM タイトル WHERE %1 = '%2'"_s.arg(
        titleColumn(mode), escapeApostrophes(title));
    const auto shown = run(StoreTexts::loadTitleFailed, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            m_c.Text5->setText(StoreTexts::titleMissing);
            return false;
        }
        walkRows(result, kLookupRowLimit, {}, [this](Result& row) {
            m_c.Text4->setText(withoutLeadingSpaces(requireText(row, 0)));
            m_c.Text3->setPlainText(withoutLeadingSpaces(requireText(row, 1)));
            m_c.Text6->setPlainText(withoutLeadingSpaces(requireText(row, 2)));
        });
        return true;
    });
    return shown.value_or(false);
}
