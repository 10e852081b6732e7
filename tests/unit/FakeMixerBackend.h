// A sound card's mixer made of named controls, for SoundMixer: what a test
// puts on the card is what the mixer finds, and every device access is
// logged ("open", "volume Master", "setSwitch Capture 0", "close").
#pragma once

#include "audio/MixerBackend.h"

#include <QString>
#include <QStringList>
#include <map>
#include <utility>

namespace ralu::testing {

struct FakeMixerControl {
    bool hasVolume = true;
    long min = 0;
    long max = 100;
    long value = 50;
    bool hasSwitch = true;
    bool on = true;
};

class FakeMixerBackend : public MixerBackend {
public:
    using Control = FakeMixerControl;
    using Key = std::pair<std::string, MixerDirection>;

    std::map<Key, Control> card;
    bool openFails = false;
    bool readsFail = false;
    // Shared with the test, which may outlive the mixer that owns this.
    QStringList *log = nullptr;

    Control &put(const std::string &element, MixerDirection direction, Control control = {})
    {
        return card[{ element, direction }] = control;
    }
    Control &at(const std::string &element, MixerDirection direction)
    {
        return card.at({ element, direction });
    }

    bool open() override
    {
        note(QStringLiteral("open"));
        return !openFails;
    }
    void close() override { note(QStringLiteral("close")); }
    bool volumeRange(const MixerControl &c, long *min, long *max) override
    {
        const Control *found = find(c);
        if (!found || !found->hasVolume)
            return false;
        *min = found->min;
        *max = found->max;
        return true;
    }
    bool hasSwitch(const MixerControl &c) override
    {
        const Control *found = find(c);
        return found && found->hasSwitch;
    }
    bool volume(const MixerControl &c, long *value) override
    {
        note(QStringLiteral("volume ") + name(c));
        const Control *found = find(c);
        if (!found || readsFail)
            return false;
        *value = found->value;
        return true;
    }
    bool setVolume(const MixerControl &c, long value) override
    {
        note(QStringLiteral("setVolume %1 %2").arg(name(c)).arg(value));
        Control *found = find(c);
        if (!found)
            return false;
        found->value = value;
        return true;
    }
    bool switchOn(const MixerControl &c, bool *on) override
    {
        note(QStringLiteral("switch ") + name(c));
        const Control *found = find(c);
        if (!found || readsFail)
            return false;
        *on = found->on;
        return true;
    }
    bool setSwitch(const MixerControl &c, bool on) override
    {
        note(QStringLiteral("setSwitch %1 %2").arg(name(c)).arg(on ? 1 : 0));
        Control *found = find(c);
        if (!found)
            return false;
        found->on = on;
        return true;
    }

private:
    Control *find(const MixerControl &c)
    {
        auto it = card.find({ c.element, c.direction });
        return it == card.end() ? nullptr : &it->second;
    }
    static QString name(const MixerControl &c)
    {
        return QString::fromStdString(c.element)
            + (c.direction == MixerDirection::Capture ? QStringLiteral("/capture") : QString());
    }
    void note(const QString &entry)
    {
        if (log)
            *log << entry;
    }
};

} // namespace ralu::testing
