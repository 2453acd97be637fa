#pragma once

#include "BookPlaces.h"
#include "OperationFrame.h"
#include "ReviewStats.h"
#include "Rows.h"
#include "StoreControls.h"
#include "TitleMode.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class Result;

// How an edit ended; the status line has already told the user, except of a cancel.
enum class EditOutcome { Done, NotFound, Failed, Cancelled };

// The category and title operations. They read their inputs from the main window's controls,
// write their results back into them and report only through the status line.
class PhraseBook {
public:
    PhraseBook(BookPlaces places, StoreControls controls);

    // Fills the category box with every category, the first one as its text.
    void ListCategories();

    // Lists the titles of the category in Combo1, sorted by the mode's title column.
    void ListTitles(TitleMode mode);
    // Lists the category's titles that contain the search text of Text1.
    void FilterTitles(TitleMode mode);
    // Shows the title selected in List1 with its English sentence and translation; whether it
    // did.
    bool LoadTitle(TitleMode mode);

    // Adds the category named in Combo1.
    EditOutcome AddCategory();
    // Deletes the category named in Combo1; its titles are left to DeleteCategoryTitles.
    EditOutcome DeleteCategory();
    // Deletes every title filed under the category in Combo1, all of them or, on a failure,
    // none. Writes nothing when it succeeds.
    EditOutcome DeleteCategoryTitles(TitleMode mode);

    // Asks for the title in the other language with a prompt; nothing when cancelled.
    using TitleInput = std::function<std::optional<QString>(const QString& prompt)>;
    // Adds the title of Text4 with its sentence, translation and category. Cancelling the
    // input box ends it with nothing written or said.
    EditOutcome AddTitle(TitleMode mode, const TitleInput& askOtherTitle);
    // Rewrites the sentence, translation and category of the title named by Text4. A title
    // goes only into a category the book holds, so that it stays listed.
    EditOutcome UpdateTitle(TitleMode mode);
    // Deletes the title named by Text4.
    EditOutcome DeleteTitle(TitleMode mode);

    // Lists the titles to review of the category in Combo1, or of the whole book when it is
    // empty: those due at now, the most overdue first, then a few never reviewed.
    void ListDueTitles(TitleMode mode, std::int64_t now);
    // Records a right or wrong answer for the title named in the mode's title column and
    // reschedules it. Says nothing; false when it could not be recorded.
    bool RecordReview(TitleMode mode, const QString& title, bool right, std::int64_t now);
    // The review figures of the category in Combo1, or of the whole book when it is empty;
    // nothing, with the status line telling why, when the book could not be read.
    std::optional<ReviewStats> ReadStats(std::int64_t now);

private:
    QString path() const;
    // The category of Combo1, ready to stand between apostrophes in a statement.
    QString categoryLiteral() const;
    // Replaces the title list by the title column of every row.
    void fillTitleList(Result& result);
    // Runs work in the operation frame on the rows that open gives, reporting failures in the
    // status line; what the work produced, or nothing after a failure.
    template <typename Open, typename Work>
    auto run(const QString& errorText, Open&& open, Work&& work)
    {
        return runFrame(path(), std::forward<Open>(open), std::forward<Work>(work),
                        [&](FrameFailure failure) { reportFailure(failure, errorText); });
    }
    // Writes a failure's text into the status line: the fixed text of a failure to open, else
    // the operation's own error text.
    void reportFailure(FrameFailure failure, const QString& errorText);
    // The same for an edit, whose work tells how it ended.
    template <typename Open, typename Work>
    EditOutcome edit(const QString& errorText, Open&& open, Work&& work)
    {
        return run(errorText, std::forward<Open>(open), std::forward<Work>(work))
            .value_or(EditOutcome::Failed);
    }
    // Deletes the first row of the statement's result, if any.
    EditOutcome deleteFirstRow(const QString& statement, const QString& errorText);
    // Whether the category of Combo1 is in the book; if not, errorText says so.
    bool categoryExists(const QString& errorText);
    // An empty English sentence is stored, and shown, as one blank.
    QString englishSentence();
    // Saves the row being added or edited with the sentence, the translation of Text6 and the
    // category of Combo1, and says so with doneText.
    void saveTitle(Result& row, const QString& english, const QString& doneText);

    BookPlaces m_places;
    StoreControls m_c;
};
