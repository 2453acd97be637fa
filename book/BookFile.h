#pragma once

#include <QString>

#include <memory>

class Database;

// Opens the phrase book at path, waiting busyTimeoutMs at most for another program's lock.
// Throws BookError when there is no file, it can't be opened, it is not a phrase book, or it
// stays locked.
std::unique_ptr<Database> openBook(const QString& path, int busyTimeoutMs);

// The file a connection has open.
QString bookPath(Database& db);

// The message for a lock that outlasted the wait.
QString busyMessage(const QString& path);
