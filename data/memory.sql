-- What the learner knows: every Check of a title, and each title's memory state replayed from
-- them. Added to a book that lacks it by the first operation that needs it; titles are keyed
-- by their English title, which stays the same while the title exists. A review also carries
-- its title's category, which moves with the title, for a category's statistics.
CREATE TABLE IF NOT EXISTS 復習記録 (
    タイトル名_英語 TEXT NOT NULL COLLATE NOCASE,
    評価           INTEGER NOT NULL,
    日時           TEXT NOT NULL,
    カテゴリ名      TEXT COLLATE NOCASE
);
-- A title's reviews in order with their ratings, for its replay, without reading the table.
CREATE INDEX IF NOT EXISTS 復習記録_タイトル ON 復習記録 (タイトル名_英語, 日時, 評価);
-- The reviews of a stretch of time with their ratings, for the statistics' weeks of the whole
-- book and of a category, without reading the table.
CREATE INDEX IF NOT EXISTS 復習記録_日時 ON 復習記録 (日時, 評価);
CREATE INDEX IF NOT EXISTS 復習記録_カテゴリ ON 復習記録 (カテゴリ名, 日時, 評価);

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

-- A title's memory goes with it, in the same transaction, whatever deletes it; a title whose
-- English title is rewritten keeps its memory.
CREATE TRIGGER IF NOT EXISTS タイトル_記憶削除 AFTER DELETE ON タイトル BEGIN
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
-- A title moved to another category takes its reviews along. Its log may be under either
-- English title, whichever of the two triggers runs first.
CREATE TRIGGER IF NOT EXISTS タイトル_記録移動 AFTER UPDATE OF カテゴリ名 ON タイトル
    WHEN OLD.カテゴリ名 IS NOT NEW.カテゴリ名 BEGIN
    UPDATE 復習記録 SET カテゴリ名 = NEW.カテゴリ名
        WHERE タイトル名_英語 IN (OLD.タイトル名_英語, NEW.タイトル名_英語);
END;
