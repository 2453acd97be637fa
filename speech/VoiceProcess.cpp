#include "VoiceProcess.h"

#include "VoiceProtocol.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

using VoiceProtocol::receiveAll;
using VoiceProtocol::sendAll;

VoiceProcess::VoiceProcess(std::string program)
    : m_program(std::move(program))
{
}

VoiceProcess::~VoiceProcess()
{
    end();
}

VoiceProcess::Outcome VoiceProcess::make(const std::string& text, float stretch,
                                         std::stop_token stop, FliteVoice::SampleSink& sink)
{
    if (m_pid < 0 && !start())
        return Outcome::Unavailable;
    Outcome outcome;
    {
        // Killed, the process closes its end of the socket, which ends the exchange below.
        const std::stop_callback kill(stop, [pid = m_pid] { ::kill(pid, SIGKILL); });
        outcome = exchange(text, stretch, sink);
    }
    if (stop.stop_requested())
        outcome = Outcome::Stopped;
    // A program that ends before it ever answers can't make speech at all (a broken install,
    // say): from then on every utterance is made here.
    if (outcome == Outcome::Failed && !m_answered) {
        outcome = Outcome::Unavailable;
        m_unavailable = true;
    }
    if (outcome != Outcome::Made)
        end(); // stopped mid-way, or lost: the next utterance starts a new process
    return outcome;
}

VoiceProcess::Outcome VoiceProcess::exchange(const std::string& text, float stretch,
                                             FliteVoice::SampleSink& sink)
{
    const VoiceProtocol::Request request{stretch, std::uint32_t(text.size())};
    if (text.size() > VoiceProtocol::kMaxTextBytes ||
        !sendAll(m_socket, &request, sizeof request) ||
        !sendAll(m_socket, text.data(), text.size()))
        return Outcome::Failed;
    VoiceProtocol::Reply reply{};
    while (receiveAll(m_socket, &reply, sizeof reply)) {
        m_answered = true;
        if (reply.kind != VoiceProtocol::Kind::Samples)
            return reply.kind == VoiceProtocol::Kind::Made ? Outcome::Made : Outcome::Failed;
        m_samples.resize(reply.size);
        if (!receiveAll(m_socket, m_samples.data(), m_samples.size() * sizeof(std::int16_t)))
            break;
        if (!sink.take({long(reply.lead), long(reply.trailStart)}, reply.sampleRate,
                       m_samples.data(), long(reply.start), long(reply.size)))
            return Outcome::Stopped;
    }
    return Outcome::Failed;
}

bool VoiceProcess::start()
{
    if (m_unavailable)
        return false;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // The process's standard input and output are its end of the socket, and nothing else of
    // this process; it starts with every signal as a new program has it.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, ends[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(m_program.c_str()), nullptr};
    const int spawned =
        ::posix_spawn(&m_pid, m_program.c_str(), &files, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    ::close(ends[1]);
    if (spawned != 0) {
        ::close(ends[0]);
        m_pid = -1;
        m_unavailable = true; // no such program here: every utterance is made in this process
        return false;
    }
    m_socket = ends[0];
    m_answered = false;
    return true;
}

void VoiceProcess::end()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
}
