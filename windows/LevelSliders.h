// The main window's microphone and speaker sliders: a knob picture dragged
// up and down its track picture sets the RTC client's level for the device
// (through the call engine), and at start-up the knobs are placed from the
// client's levels. The arithmetic is LevelSlider's; this is the mouse glue,
// and the keyboard's: a focused knob moves with the arrow keys (a twentieth
// of its travel), Page Up and Page Down (a quarter) and Home and End, and
// tells assistive technology its level.
//
// A failing level read or write (or arithmetic without a result) stops the
// step and is handed to the sound-failure report.
#pragma once

#include "audio/LevelSlider.h"
#include "engine/RtcClient.h"

#include <QObject>

#include <functional>

class QKeyEvent;
class QMouseEvent;
class QWidget;

namespace ralu {

class CallEngine;

class LevelSliders : public QObject {
    Q_OBJECT
public:
    struct Slider {
        QWidget *track = nullptr; // lbmic, lbspeaker
        QWidget *knob = nullptr; // picMic, picspeaker
    };
    // focusNumberBox runs after every knob press and track click.
    LevelSliders(CallEngine &engine, Slider mic, Slider speaker, std::function<void()> focusNumberBox,
        QObject *parent = nullptr);

    // The shared sound-failure report (the first one is shown; dialing is
    // refused from then on).
    void setSoundFailure(std::function<void()> report) { m_soundFailure = std::move(report); }

    // The last step of start-up: the microphone knob, then the speaker knob.
    void placeKnobs();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Binding {
        Slider slider;
        RtcAudioDevice device;
        LevelSlider::ClampOrder order;
    };
    void placeKnob(const Binding &binding);
    void knobMoved(const Binding &binding, const QMouseEvent &event);
    bool keyPressed(const Binding &binding, const QKeyEvent &event);
    void moveKnobTo(const Binding &binding, int knobTop);
    // The knob's place as a level from 0 (bottom) to 100, for assistive technology.
    void showLevel(const Slider &slider);
    static SliderTrack trackOf(const Slider &slider);
    void soundFailed();

    CallEngine &m_engine;
    Binding m_mic;
    Binding m_speaker;
    std::function<void()> m_focusNumberBox;
    std::function<void()> m_soundFailure;
    LevelSlider m_slider; // one grab serves both knobs
};

} // namespace ralu
