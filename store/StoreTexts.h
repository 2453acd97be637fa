#pragma once

#include <QString>

// Every text the store operations write into the status line.
namespace StoreTexts {

// Failures before an operation's own error handling takes over.
inline const QString fileMissing =
    QStringLiteral("データベースファイル wordlark.mdb が見つかりません。");
inline const QString fileUnopenable =
    QStringLiteral("データベースファイル wordlark.mdb を開けません。");
inline const QString fileDamaged = QStringLiteral(
    "データベースファイル wordlark.mdb が壊れているか、単語帳のデータベースではありません。");
inline const QString fileBusy =
    QStringLiteral("データベースファイル wordlark.mdb は他のプログラムが使用中です。");
inline const QString statementRefused =
    QStringLiteral("データベースが命令を受け付けませんでした。");

inline const QString noCategories = QStringLiteral("カテゴリデータがありません。");
// A category without titles.
inline QString noTitlesIn(const QString& category)
{
    return QStringLiteral("カテゴリ＝") + category +
           QStringLiteral("には、まだ、タイトル・データがありません。");
}
inline const QString noMatch = QStringLiteral("検索結果が０件です。");
inline const QString titleMissing = QStringLiteral("タイトル・データがありません。");
// The input box's prompts for the title in the other language.
inline const QString askJapaneseTitle = QStringLiteral("タイトル名・日本語を入力してください。");
inline const QString askEnglishTitle = QStringLiteral("タイトル名・英語を半角入力してください。");

inline const QString listCategoriesFailed =
    QStringLiteral("「カテゴリ全検索」でエラーが発生しています。");
inline const QString listTitlesFailed =
    QStringLiteral("「タイトル検索」でエラーが発生しています。");
inline const QString filterTitlesFailed =
    QStringLiteral("「タイトル絞込み検索」でエラーが発生しています。");
// A search text the matcher can't read, such as an unclosed "[".
inline const QString searchPatternMalformed =
    QStringLiteral("絞込み検索文字列のパターンが正しくありません。");
inline const QString loadTitleFailed =
    QStringLiteral("「タイトルデータの取得」でエラーが発生しています。");
inline const QString addCategoryFailed =
    QStringLiteral("「カテゴリ登録」で重複キー等のエラーが発生しました。");
inline const QString addTitleFailed =
    QStringLiteral("「タイトル登録」で重複キー等のエラーが発生しました。");
inline const QString updateTitleFailed = QStringLiteral("「タイトル更新」でエラーが発生しました。");
inline const QString deleteTitleFailed = QStringLiteral("「タイトル削除」でエラーが発生しました。");
inline const QString deleteCategoryFailed =
    QStringLiteral("「カテゴリ削除」でエラーが発生しました。");
inline const QString deleteCategoryTitlesFailed =
    QStringLiteral("「カテゴリ→タイトル削除」でエラーが発生しました。");

// What a review lists: the titles due, then the new ones.
inline QString dueTitles(qsizetype due, qsizetype fresh)
{
    return QStringLiteral("復習するタイトルが%1件、新しいタイトルが%2件あります。")
        .arg(due)
        .arg(fresh);
}
inline const QString nothingDue = QStringLiteral("いま復習するタイトルはありません。");
inline const QString listDueTitlesFailed =
    QStringLiteral("「復習タイトル検索」でエラーが発生しています。");
inline const QString readStatsFailed = QStringLiteral("「成績」でエラーが発生しています。");
// Said after the verdict of a Check whose review could not be kept.
inline const QString recordReviewFailed = QStringLiteral("復習の記録でエラーが発生しました。");

inline const QString added = QStringLiteral("正常に登録しました。");
inline const QString updated = QStringLiteral("正常に更新しました。");
inline const QString deleted = QStringLiteral("正常に削除しました。");
inline const QString notFound = QStringLiteral("レコードが見つかりません。");

} // namespace StoreTexts
