#include "Progress.h"

namespace {

constexpr qint64 kRedrawMs = 200;

} // namespace

Progress::Progress(std::FILE* terminal, const char* doing)
    : m_terminal(terminal)
    , m_doing(doing)
{
    m_sinceShown.start();
}

Progress::~Progress()
{
    // Clears the line, so the summary is not written over it.
    if (m_shown)
        std::fprintf(m_terminal, "\r\033[K");
}

void Progress::show(long long done, long long total, const char* unit)
{
    if (!m_terminal || m_sinceShown.elapsed() < kRedrawMs)
        return;
    m_sinceShown.restart();
    m_shown = true;
    if (total > 0)
        std::fprintf(m_terminal, "\r%s: %lld%%", m_doing, done * 100 / total);
    else
        std::fprintf(m_terminal, "\r%s: %lld %s", m_doing, done, unit);
    std::fflush(m_terminal);
}
