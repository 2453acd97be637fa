#include "Apostrophes.h"
#include "PhraseBook.h"
#include "PlainText.h"
#include "Result.h"
#include "StoreTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

QString PhraseBook::englishSentence()
{
    if (plainTextOf(m_c.Text3).isEmpty())
        m_c.Text3->setPlainText(u" "_s);
    return plainTextOf(m_c.Text3);
}

void PhraseBook::saveTitle(Result& row, const QString& english, const QString& doneText)
{
    row.setField(u"英文"_s, english);
    row.setField(u"和訳"_s, plainTextOf(m_c.Text6));
    row.setField(u"カテゴリ名"_s, m_c.Combo1->currentText());
    row.update();
    m_c.Text5->setText(doneText);
}

EditOutcome PhraseBook::AddTitle(TitleMode mode, const TitleInput& askOtherTitle)
{
    if (!categoryExists(StoreTexts::addTitleFailed))
        return EditOutcome::Failed;
    return edit(StoreTexts::addTitleFailed, appendTo(u"タイトル"_s), [&](Result& table) {
        table.addNew();
        const bool ej = mode == TitleMode::EJ;
        const QString title = m_c.Text4->text();
        // Asked before anything else changes, so that a cancel leaves the boxes as typed.
        const std::optional<QString> answer =
            askOtherTitle(ej ? StoreTexts::askJapaneseTitle : StoreTexts::askEnglishTitle);
        if (!answer)
            return EditOutcome::Cancelled;
        const QString& other = *answer;
        const QString english = englishSentence();
        table.setField(u"タイトル名_英語"_s, ReplaceApostrophes(ej ? title : other));
        table.setField(u"タイトル名_日本語"_s, ej ? other : title);
        saveTitle(table, english, StoreTexts::added);
        return EditOutcome::Done;
    });
}

EditOutcome PhraseBook::UpdateTitle(TitleMode mode)
{
    if (!categoryExists(StoreTexts::updateTitleFailed))
        return EditOutcome::Failed;
    const QString statement = u"SELECT  英文, 和訳, カテゴリ名 FROM タイトル WHERE %1 = '%2'"_s.arg(
        titleColumn(mode), escapeApostrophes(m_c.Text4->text()));
    return edit(StoreTexts::updateTitleFailed, query(statement), [this](Result& result) {
        if (result.recordCount() == 0) {
            m_c.Text5->setText(StoreTexts::notFound);
            return EditOutcome::NotFound;
        }
        result.edit();
        saveTitle(result, englishSentence(), StoreTexts::updated);
        return EditOutcome::Done;
    });
}

EditOutcome PhraseBook::DeleteTitle(TitleMode mode)
{
    const QString statement = u"SELECT %1 FROM タイトル WHERE %1 = '%2'"_s.arg(
        titleColumn(mode), escapeApostrophes(m_c.Text4->text()));
    return deleteFirstRow(statement, StoreTexts::deleteTitleFailed);
}
