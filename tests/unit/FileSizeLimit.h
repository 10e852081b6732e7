// Makes the kernel refuse this process's writes into regular files past a
// size, the way a full disk refuses them, whoever runs the test (root too).
// With kill set the kernel instead ends the process with SIGXFSZ in the
// middle of the write that crosses the limit.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace ralu::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes, bool kill = false)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, kill ? SIG_DFL : SIG_IGN);
        if (kill) {
            const rlimit noCore { 0, 0 };
            setrlimit(RLIMIT_CORE, &noCore);
        }
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_ok; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace ralu::testing
