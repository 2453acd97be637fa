-- What the learner knows: every Check of a title, and each title's memory state replayed from
-- them. Added to a book that lacks it by the first operation that needs it; titles are keyed
-- by their English title, which stays the same while the title exists.
CREATE TABLE IF NOT EXISTS 復習記録 (
    タイトル名_英語 TEXT NOT NULL COLLATE NOCASE,
    評価           INTEGER NOT NULL,
    日時           TEXT NOT NULL
);
-- A title's reviews in order with their ratings, for its replay and its days of answers,
-- without reading the table.
CREATE INDEX IF NOT EXISTS 復習記録_タイトル ON 復習記録 (タイトル名_英語, 日時, 評価);
-- The reviews of a stretch of time with their ratings, for the whole book's weeks, without
-- reading the table.
CREATE INDEX IF NOT EXISTS 復習記録_日時 ON 復習記録 (日時, 評価);

CREATE TABLE IF NOT EXISTS 記憶 (
    タイトル名_英語 TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    安定度         REAL NOT NULL,
    難易度         REAL NOT NULL,
    次回           TEXT NOT NULL,
    前回           TEXT NOT NULL,
    回数           INTEGER NOT NULL,
    忘却           INTEGER NOT NULL
) WITHOUT ROWID;
-- The titles due, the most overdue first, read from the index alone.
CREATE INDEX IF NOT EXISTS 記憶_次回 ON 記憶 (次回, タイトル名_英語);

-- Each category's answers by UTC day, kept with the log, for the statistics' weeks: a
-- category's half year is a few hundred rows however many it holds.
CREATE TABLE IF NOT EXISTS 日別成績 (
    カテゴリ名 TEXT NOT NULL COLLATE NOCASE,
    日付      TEXT NOT NULL,
    正解数     INTEGER NOT NULL,
    復習数     INTEGER NOT NULL,
    PRIMARY KEY (カテゴリ名, 日付)
) WITHOUT ROWID;

CREATE TRIGGER IF NOT EXISTS 復習記録_日別成績 AFTER INSERT ON 復習記録
    WHEN NEW.評価 BETWEEN 1 AND 4 BEGIN
    INSERT INTO 日別成績
        SELECT カテゴリ名, substr(NEW.日時, 1, 10), NEW.評価 >= 2, 1 FROM タイトル
        WHERE タイトル名_英語 = NEW.タイトル名_英語
        ON CONFLICT DO UPDATE SET 正解数 = 正解数 + excluded.正解数, 復習数 = 復習数 + 1;
END;

-- A title's memory goes with it, in the same transaction, whatever deletes it, and its answers
-- leave its category's days; a title whose English title is rewritten keeps its memory.
CREATE TRIGGER IF NOT EXISTS タイトル_記憶削除 AFTER DELETE ON タイトル BEGIN
    INSERT INTO 日別成績
        SELECT OLD.カテゴリ名, substr(日時, 1, 10), -sum(評価 >= 2), -count(*) FROM 復習記録
        WHERE タイトル名_英語 = OLD.タイトル名_英語 AND 評価 BETWEEN 1 AND 4 GROUP BY 2
        ON CONFLICT DO UPDATE SET 正解数 = 正解数 + excluded.正解数,
            復習数 = 復習数 + excluded.復習数;
    DELETE FROM 復習記録 WHERE タイトル名_英語 = OLD.タイトル名_英語;
    DELETE FROM 記憶 WHERE タイトル名_英語 = OLD.タイトル名_英語;
END;
CREATE TRIGGER IF NOT EXISTS タイトル_記憶改名 AFTER UPDATE OF タイトル名_英語 ON タイトル
    WHEN OLD.タイトル名_英語 IS NOT NEW.タイトル名_英語 BEGIN
    UPDATE 復習記録 SET タイトル名_英語 = NEW.タイトル名_英語
        WHERE タイトル名_英語 = OLD.タイトル名_英語;
    UPDATE 記憶 SET タイトル名_英語 = NEW.タイトル名_英語
        WHERE タイトル名_英語 = OLD.タイトル名_英語;
END;
-- A title moved to another category takes its answers along. Its log may be under either
-- English title, whichever of the two triggers runs first.
CREATE TRIGGER IF NOT EXISTS タイトル_成績移動 AFTER UPDATE OF カテゴリ名 ON タイトル
    WHEN OLD.カテゴリ名 IS NOT NEW.カテゴリ名 BEGIN
    INSERT INTO 日別成績
        SELECT OLD.カテゴリ名, substr(日時, 1, 10), -sum(評価 >= 2), -count(*) FROM 復習記録
        WHERE タイトル名_英語 IN (OLD.タイトル名_英語, NEW.タイトル名_英語)
            AND 評価 BETWEEN 1 AND 4 GROUP BY 2
        ON CONFLICT DO UPDATE SET 正解数 = 正解数 + excluded.正解数,
            復習数 = 復習数 + excluded.復習数;
    INSERT INTO 日別成績
        SELECT NEW.カテゴリ名, substr(日時, 1, 10), sum(評価 >= 2), count(*) FROM 復習記録
        WHERE タイトル名_英語 IN (OLD.タイトル名_英語, NEW.タイトル名_英語)
            AND 評価 BETWEEN 1 AND 4 GROUP BY 2
        ON CONFLICT DO UPDATE SET 正解数 = 正解数 + excluded.正解数,
            復習数 = 復習数 + excluded.復習数;
END;
