// The arithmetic of the vertical level sliders (microphone and speaker): a
// knob picture on a track picture, the knob's top at the track's top for the
// loudest level (65535) and at the track's bottom bound for silence. No
// widgets here: positions and heights are pixels handed in by the view.
//
// Placing a knob from a level uses the whole track height, dragging uses the
// track height less the knob height, so a level placed and dragged back to
// the same spot does not come back unchanged (32768 places the knob 48 px
// down a 97 px track; 48 px down sends 27635). Both round halves to even.
#pragma once

#include <optional>

namespace ralu {

struct SliderTrack {
    int trackTop = 0;
    int trackHeight = 0;
    int knobHeight = 0;
    // The lowest top the knob can take.
    int bottomBound() const { return trackTop + trackHeight - knobHeight; }
};

class LevelSlider {
public:
    // Which bound wins when the knob is taller than its track: the
    // microphone's knob ends at the bottom bound, the speaker's at the top.
    enum class ClampOrder { TopThenBottom, BottomThenTop };

    // The mouse buttons as the view reports them: 1 is the left button
    // alone; a press with another button, or a move with two held, is not.
    static constexpr int kLeftButtonOnly = 1;

    static constexpr long kMaxLevel = 65535;

    // The knob's top for a client level; none when the result does not fit
    // a pixel position (a level far out of range).
    static std::optional<int> knobTopForLevel(long level, const SliderTrack &track, ClampOrder order);

    // A knob was pressed at y (pixels from its top): the left button alone
    // keeps where it was grabbed. One grab serves both sliders.
    void press(int button, double y);
    int grabY() const { return m_grabY; }

    struct Drag {
        int knobTop = 0;
        // The level to send; none when it cannot be computed (a track no
        // taller than its knob, a level beyond 32 bits). The knob has moved
        // all the same.
        std::optional<long> level;
    };
    // The mouse moved over a pressed knob at y (pixels from the knob's top)
    // with buttons held: the knob's new top and the level it stands for.
    // None (nothing moves) unless the left button alone is held.
    std::optional<Drag> drag(int buttons, int knobTop, double y, const SliderTrack &track) const;

    // The level of a knob top: 65535 at the track's top, 0 at its bottom bound.
    static std::optional<long> levelForKnobTop(int knobTop, const SliderTrack &track);

    // Nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4).
    static double roundHalfEven(double value);

private:
    int m_grabY = 0;
};

} // namespace ralu
