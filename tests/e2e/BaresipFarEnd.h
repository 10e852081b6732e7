// baresip as a far end (see ConsolePeer): registered as a demo account, or
// on the telephone network side of the provider (127.0.0.1:5070, where calls
// to numbers that are not accounts go). It plays into ALSA's null device and
// keeps what it received (its sndfile filter writes the decoded audio of
// each call into a file); commands reach its menu through its stdio module.
#pragma once

#include "ConsolePeer.h"

#include <QByteArray>

namespace ralu::e2e {

class BaresipFarEnd : public ConsolePeer {
public:
    explicit BaresipFarEnd(PeerSetup setup);

    bool start() override;
    const PeerDialect &dialect() const override;

    // Digits of the telephone events it received, in order, one per event.
    QString receivedDigits() const;
    // The samples it received in the one call recorded, 16-bit mono at
    // kRate (empty when there is no such file or it is not 16-bit mono PCM).
    QByteArray receivedPcm() const;
    QString recordingFolder() const { return filePath(QStringLiteral("rec")); }
};

} // namespace ralu::e2e
