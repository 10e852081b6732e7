#include "sip/NssHold.h"

#include <dlfcn.h>

namespace ralu {

namespace {

// NSS_InitContext's flags (nss.h): the ones libsrtp2 opens NSS with, no
// certificate or module database.
constexpr unsigned kReadOnly = 0x1;
constexpr unsigned kNoCertDb = 0x2;
constexpr unsigned kNoModDb = 0x4;
constexpr unsigned kForceOpen = 0x8;
constexpr unsigned kOptimizeSpace = 0x20;

using InitContext = void *(*)(const char *, const char *, const char *, const char *, void *, unsigned);
using ShutdownContext = int (*)(void *);

} // namespace

NssHold::NssHold()
{
    // Only an NSS the SIP stack already loaded: looked up, never loaded here.
    m_library = ::dlopen("libnss3.so", RTLD_NOW | RTLD_NOLOAD);
    if (!m_library)
        return;
    if (auto init = reinterpret_cast<InitContext>(::dlsym(m_library, "NSS_InitContext")))
        m_context
            = init("", "", "", "", nullptr, kReadOnly | kNoCertDb | kNoModDb | kForceOpen | kOptimizeSpace);
}

NssHold::~NssHold()
{
    if (m_context)
        if (auto shutdown = reinterpret_cast<ShutdownContext>(::dlsym(m_library, "NSS_ShutdownContext")))
            shutdown(m_context);
    if (m_library)
        ::dlclose(m_library);
}

} // namespace ralu
