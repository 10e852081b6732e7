#include "windows/LevelSliders.h"

#include "engine/CallEngine.h"
#include "skin/SkinButton.h"
#include "skin/SkinPictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

// A key on a focused knob: how far it moves the knob, in steps of a
// twentieth of its travel (a whole travel: to the end); none for other keys.
std::optional<int> keySteps(int key)
{
    switch (key) {
    case Qt::Key_Up:
        return -1;
    case Qt::Key_Down:
        return 1;
    case Qt::Key_PageUp:
        return -5;
    case Qt::Key_PageDown:
        return 5;
    case Qt::Key_Home:
        return -20;
    case Qt::Key_End:
        return 20;
    default:
        return std::nullopt;
    }
}

constexpr int kStepsPerTravel = 20;

} // namespace

LevelSliders::LevelSliders(
    CallEngine &engine, Slider mic, Slider speaker, std::function<void()> focusNumberBox, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_mic { mic, RTCAD_MICROPHONE, LevelSlider::ClampOrder::TopThenBottom }
    , m_speaker { speaker, RTCAD_SPEAKER, LevelSlider::ClampOrder::BottomThenTop }
    , m_focusNumberBox(std::move(focusNumberBox))
{
    mic.knob->setAccessibleName(QStringLiteral("Microphone level"));
    speaker.knob->setAccessibleName(QStringLiteral("Speaker level"));
    for (const Binding *binding : { &m_mic, &m_speaker }) {
        if (auto *knob = qobject_cast<SkinButton *>(binding->slider.knob))
            connect(knob, &SkinButton::levelAsked, this, [this, binding](int percent) {
                const SliderTrack track = trackOf(binding->slider);
                moveKnobTo(*binding,
                    track.bottomBound()
                        - static_cast<int>(
                            std::lround((track.bottomBound() - track.trackTop) * percent / 100.0)));
            });
    }
    for (const Slider &s : { mic, speaker }) {
        showLevel(s); // where the layout put it, until the client's level places it
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
    showLevel(binding.slider);
}

void LevelSliders::showLevel(const Slider &slider)
{
    auto *button = qobject_cast<SkinButton *>(slider.knob);
    const SliderTrack track = trackOf(slider);
    const int travel = track.bottomBound() - track.trackTop;
    if (!button || travel <= 0)
        return;
    const int top = std::clamp(slider.knob->y(), track.trackTop, track.bottomBound());
    button->setLevel(static_cast<int>(std::lround(100.0 * (track.bottomBound() - top) / travel)));
}

void LevelSliders::moveKnobTo(const Binding &binding, int knobTop)
{
    QWidget *knob = binding.slider.knob;
    knob->move(knob->x(), knobTop);
    showLevel(binding.slider);
    const std::optional<long> level = LevelSlider::levelForKnobTop(knobTop, trackOf(binding.slider));
    if (!level || !m_engine.setAudioLevel(binding.device, *level))
        soundFailed();
}

bool LevelSliders::keyPressed(const Binding &binding, const QKeyEvent &event)
{
    const std::optional<int> steps = keySteps(event.key());
    const SliderTrack track = trackOf(binding.slider);
    const int travel = track.bottomBound() - track.trackTop;
    if (!steps || (event.modifiers() & ~Qt::KeypadModifier) || travel <= 0)
        return false;
    const int from = std::clamp(binding.slider.knob->y(), track.trackTop, track.bottomBound());
    const int by = static_cast<int>(std::lround(double(travel) * *steps / kStepsPerTravel));
    moveKnobTo(binding, std::clamp(from + (by == 0 ? *steps : by), track.trackTop, track.bottomBound()));
    return true;
}

void LevelSliders::knobMoved(const Binding &binding, const QMouseEvent &event)
{
    QWidget *knob = binding.slider.knob;
    const std::optional<LevelSlider::Drag> drag = m_slider.drag(
        buttonCode(event.buttons()), knob->y(), event.position().y(), trackOf(binding.slider));
    if (!drag)
        return;
    knob->move(knob->x(), drag->knobTop); // stays moved even if the level fails
    showLevel(binding.slider);
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
            } else if (event->type() == QEvent::KeyPress) {
                return keyPressed(*binding, *static_cast<QKeyEvent *>(event));
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
