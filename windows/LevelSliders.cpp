#include "windows/LevelSliders.h"

#include "engine/CallEngine.h"
#include "skin/SkinPictures.h"

#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace ralu {

namespace {

// Buttons as the sliders count them: left 1, right 2, middle 4, others 8.
int buttonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton))
        code |= 8;
    return code;
}

} // namespace

LevelSliders::LevelSliders(
    CallEngine &engine, Slider mic, Slider speaker, std::function<void()> focusNumberBox, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_mic { mic, RTCAD_MICROPHONE, LevelSlider::ClampOrder::TopThenBottom }
    , m_speaker { speaker, RTCAD_SPEAKER, LevelSlider::ClampOrder::BottomThenTop }
    , m_focusNumberBox(std::move(focusNumberBox))
{
    for (const Slider &s : { mic, speaker }) {
        s.knob->installEventFilter(this);
        // The track takes its own clicks rather than letting them drag the window.
        s.track->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        s.track->installEventFilter(this);
    }
}

SliderTrack LevelSliders::trackOf(const Slider &slider)
{
    return SliderTrack { slider.track->y(), slider.track->height(), slider.knob->height() };
}

void LevelSliders::soundFailed()
{
    if (m_soundFailure)
        m_soundFailure();
}

void LevelSliders::placeKnobs()
{
    placeKnob(m_mic);
    placeKnob(m_speaker);
}

void LevelSliders::placeKnob(const Binding &binding)
{
    long level = 0;
    if (!m_engine.audioLevel(binding.device, &level)) {
        soundFailed();
        return;
    }
    const std::optional<int> top
        = LevelSlider::knobTopForLevel(level, trackOf(binding.slider), binding.order);
    if (!top) {
        soundFailed();
        return;
    }
    QWidget *knob = binding.slider.knob;
    knob->move(knob->x(), *top);
}

void LevelSliders::knobMoved(const Binding &binding, const QMouseEvent &event)
{
    QWidget *knob = binding.slider.knob;
    const std::optional<LevelSlider::Drag> drag = m_slider.drag(
        buttonCode(event.buttons()), knob->y(), event.position().y(), trackOf(binding.slider));
    if (!drag)
        return;
    knob->move(knob->x(), drag->knobTop); // stays moved even if the level fails
    if (!drag->level || !m_engine.setAudioLevel(binding.device, *drag->level))
        soundFailed();
}

bool LevelSliders::eventFilter(QObject *watched, QEvent *event)
{
    for (const Binding *binding : { &m_mic, &m_speaker }) {
        const Slider &s = binding->slider;
        if (watched == s.knob) {
            if (event->type() == QEvent::MouseButtonPress) {
                const auto *mouse = static_cast<QMouseEvent *>(event);
                m_slider.press(buttonCode(mouse->button()), mouse->position().y());
                if (m_focusNumberBox)
                    m_focusNumberBox();
            } else if (event->type() == QEvent::MouseMove) {
                knobMoved(*binding, *static_cast<QMouseEvent *>(event));
            }
        } else if (watched == s.track && event->type() == QEvent::MouseButtonPress) {
            return true; // the track's own: no window drag from it
        } else if (watched == s.track && event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && s.track->rect().contains(mouse->position().toPoint())
                && m_focusNumberBox)
                m_focusNumberBox();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ralu
