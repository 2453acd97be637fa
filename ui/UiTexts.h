#pragma once

#include <QLocale>
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
inline const QString actionStats = QStringLiteral("成績");

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

// The statistics window: its title, the captions of its charts and the words of its figures.
namespace Stats {

inline const QString windowTitle = QStringLiteral("成績");
inline const QString wholeBook = QStringLiteral("全カテゴリ");
inline const QString statesCaption =
    QStringLiteral("タイトルの状態：新規は未復習、学習中は安定度21日未満、定着は21日以上。");
inline const QString forecastCaption = QStringLiteral(
    "今後30日の日ごとの復習予定：日はUTCで区切り、今日の分には期限を過ぎたものも含む。");
inline const QString retentionCaption = QStringLiteral(
    "過去26週の週ごとの正答率と目標の90％（週は現在から7日ずつさかのぼって区切る）。");
inline const QString freshName = QStringLiteral("新規");
inline const QString learningName = QStringLiteral("学習中");
inline const QString knownName = QStringLiteral("定着");
inline const QString titlesSeries = QStringLiteral("タイトル数");
inline const QString dueSeries = QStringLiteral("復習予定");
inline const QString retentionSeries = QStringLiteral("正答率（％）");
inline const QString targetSeries = QStringLiteral("目標 90％");
inline const QString weeksAxis = QStringLiteral("週（0 が今週）");
inline const QString daysAxis = QStringLiteral("日（0 が今日）");

inline QString number(qsizetype n)
{
    return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(n));
}
// The first line: the titles by state and what is due; the second: the answers of 26 weeks.
inline QString titlesLine(const QString& category, qsizetype titles, qsizetype fresh,
                          qsizetype learning, qsizetype known, qsizetype today, qsizetype month)
{
    return QStringLiteral("%1：タイトル %2件（新規 %3件、学習中 %4件、定着 %5件）。"
                          "今日の復習 %6件、30日間で %7件。")
        .arg(category, number(titles), number(fresh), number(learning), number(known),
             number(today), number(month));
}
inline QString answersLine(qsizetype right, qsizetype total)
{
    if (total == 0)
        return QStringLiteral("過去26週に復習はありません。");
    return QStringLiteral("過去26週の正答率 %1％（%2回中 %3回正解、目標 90％）。")
        .arg(QString::number(100.0 * double(right) / double(total), 'f', 1), number(total),
             number(right));
}

} // namespace Stats

} // namespace UiTexts
