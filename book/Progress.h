#pragma once

#include <QElapsedTimer>

#include <cstdio>

// A progress line on a terminal, redrawn a few times a second; silent when disabled.
class Progress {
public:
    Progress(std::FILE* terminal, const char* doing);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // done of total, where total is 0 when unknown.
    void show(long long done, long long total, const char* unit);

private:
    std::FILE* m_terminal;
    const char* m_doing;
    QElapsedTimer m_sinceShown;
    bool m_shown = false;
};
