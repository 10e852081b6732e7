// linphonec (Debian's linphone-cli) as a far end (see ConsolePeer),
// registered as a demo account: its own configuration file, sound from and
// to files (its "soundcard use files" mode), no database, no video.
#pragma once

#include "ConsolePeer.h"

namespace ralu::e2e {

class LinphonecFarEnd : public ConsolePeer {
public:
    explicit LinphonecFarEnd(PeerSetup setup);

    bool start() override;
    const PeerDialect &dialect() const override;
};

} // namespace ralu::e2e
