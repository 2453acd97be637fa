#pragma once

#include <QString>

// Every text the main window's commands write into the status line or show in a box.
namespace UiTexts {

inline const QString speechFailed = QStringLiteral("TextToSpeech でエラーが発生しました。");
inline const QString titleSelected = QStringLiteral("タイトルが選択されました。");
inline const QString right = QStringLiteral("正解！");
inline const QString wrong = QStringLiteral("まちがってます。");
// Between the verdict and the speech error that followed it.
inline const QString verdictSeparator = QStringLiteral("　");

// The answer box's heading in E-J and in J-E mode.
inline const QString answerInJapanese = QStringLiteral("解答欄（日本語）");
inline const QString answerInEnglish = QStringLiteral("解答欄（英語）");

inline const QString actionList = QStringLiteral("選択");
inline const QString actionAdd = QStringLiteral("登録");
inline const QString actionDelete = QStringLiteral("削除");
inline const QString actionReview = QStringLiteral("復習");

// The category questions end their title in "!", the title questions in a full-width "！".
inline const QString categoryQuestionTitle = QStringLiteral("確認!");
inline const QString titleQuestionTitle = QStringLiteral("確認！");
inline const QString askAdd = QStringLiteral(" を登録しますか？");
inline const QString askUpdate = QStringLiteral(" を更新しますか？");
inline const QString askDelete = QStringLiteral(" を削除しますか？");
inline const QString askDeleteCategory =
    QStringLiteral(" を削除しますか？\nこのカテゴリのタイトルは全て削除されます。");
inline const QString noCategory = QStringLiteral("カテゴリが指定されていません。");
inline const QString noTitle = QStringLiteral("タイトルに文字列を入力してください。");

} // namespace UiTexts
