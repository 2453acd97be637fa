#pragma once

#include "DatabasePath.h"
#include "OpenFiles.h"
#include "PhraseBookFile.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Every row of a query on a phrase book file, as TestFolder::rows gives them.
QStringList rowsOf(const QString& file, const QString& sql);

// A temporary folder with a fresh phrase book file made by the program's own schema code,
// and plain SQL access to it for preparing and checking what the program did.
class TestFolder {
public:
    explicit TestFolder(PhraseBookContents contents = PhraseBookContents::Options);

    QString path() const { return m_dir.path(); }
    QString file() const { return DatabasePath(m_dir.path()); }

    // Runs statements that return nothing; fails the test on an error.
    void exec(const QString& sql) const;
    // Every row of a query, each row's columns joined by '|'; a Null reads as "<null>".
    QStringList rows(const QString& sql) const { return rowsOf(file(), sql); }

    // Makes the file read-only, or writable again; false if that failed. Permissions don't
    // bind root, so for root the file is made immutable, which must be undone before the
    // folder can go.
    bool setReadOnly(bool readOnly) const;
    // Sets the value of every option row of that name.
    void setOption(const QString& name, const QString& value) const;
    // Titles whose English and Japanese orders differ: four in 旅行, one each in 仕事 and
    // Don't, and the category 空 without titles.
    void addTitles() const;

private:
    QTemporaryDir m_dir;
};
