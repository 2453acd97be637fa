#pragma once

#include <stdexcept>
#include <string>

// A failure while the database, a query or a table is being opened. Store operations report
// these with a fixed text of their own kind, since their error texts cover only later failures.
enum class OpenFailure {
    Missing,    // no file at the path
    Unopenable, // a folder in its place, no permission, or the engine refused it
    Damaged,    // not a database, corrupt, or lacking the phrase book's tables
    Busy,       // another program holds a lock longer than the busy timeout
    Refused,    // the statement can't be run
};

class OpenError : public std::runtime_error {
public:
    OpenError(OpenFailure failure, const std::string& detail)
        : std::runtime_error(detail)
        , m_failure(failure)
    {
    }
    OpenFailure failure() const { return m_failure; }

private:
    OpenFailure m_failure;
};

// Any failure of the engine once a result or table is open: reading, moving, saving, deleting.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
