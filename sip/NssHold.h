// Keeps the NSS crypto library initialised while the SIP core is created.
#pragma once

namespace ralu {

// Debian's libsrtp2 does its crypto with NSS and opens an NSS context for
// every cipher and hash it allocates, closing it when it frees it. The
// self-tests srtp_init() runs while liblinphone creates its media factory
// allocate and free about a dozen one after the other, and each time the
// last context closes NSS shuts down: a dozen loads and unloads of NSS's
// soft token with its self-checks, the largest part of creating the core.
// A context held across the creation turns those into reference counts; it
// is closed afterwards, so NSS is unloaded as before (calls here use no
// SRTP). Nothing happens when NSS is not in the process (a SIP stack built
// without it).
class NssHold {
public:
    NssHold();
    ~NssHold();
    NssHold(const NssHold &) = delete;
    NssHold &operator=(const NssHold &) = delete;

    // Whether a context is held (NSS is in the process and initialised).
    bool holding() const { return m_context != nullptr; }

private:
    void *m_library = nullptr;
    void *m_context = nullptr;
};

} // namespace ralu
