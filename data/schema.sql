-- The phrase book. Every column holds text. Keys compare without regard to case, and each
-- title names exactly one row in either language.

CREATE TABLE オプション (
    Option_Name  TEXT COLLATE NOCASE,
    Option_Value TEXT
);
CREATE INDEX オプション_名前 ON オプション (Option_Name);

CREATE TABLE カテゴリ (
    カテゴリ名 TEXT NOT NULL COLLATE NOCASE UNIQUE CHECK (カテゴリ名 <> '')
);

CREATE TABLE タイトル (
    タイトル名_英語   TEXT NOT NULL COLLATE NOCASE UNIQUE CHECK (タイトル名_英語 <> ''),
    タイトル名_日本語 TEXT NOT NULL COLLATE NOCASE UNIQUE CHECK (タイトル名_日本語 <> ''),
    英文             TEXT NOT NULL,
    和訳             TEXT NOT NULL,
    カテゴリ名        TEXT NOT NULL COLLATE NOCASE
);
-- Listing a category sorted by either title.
CREATE INDEX タイトル_カテゴリ_英語 ON タイトル (カテゴリ名, タイトル名_英語);
CREATE INDEX タイトル_カテゴリ_日本語 ON タイトル (カテゴリ名, タイトル名_日本語);
