#pragma once

#include "PhraseBookFile.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <optional>

// A temporary folder with a fresh phrase book file made by the program's own schema code,
// and plain SQL access to it for preparing and checking what the program did.
class TestFolder {
public:
    explicit TestFolder(PhraseBookContents contents = PhraseBookContents::Options);

    QString path() const { return m_dir.path(); }
    QString file() const;

    // Runs statements that return nothing; fails the test on an error.
    void exec(const QString& sql) const;
    // Every row of a query, each row's columns joined by '|'; a Null reads as "<null>".
    QStringList rows(const QString& sql) const;

private:
    QTemporaryDir m_dir;
};

// How many descriptors this process holds open on files whose path ends in name.
int openFileCount(const QString& name = QStringLiteral("wordlark.mdb"));
