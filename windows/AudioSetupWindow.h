// The audio set-up window behind the main window's "Audio" button: the
// microphone and speaker devices the RTC client can use, each choice handed
// to the client at once (it keeps it for later calls and runs), a test tone
// on the chosen speaker and a live level meter on the chosen microphone.
// Skinned like the other child windows; created afresh for every showing.
#pragma once

#include "engine/RtcClient.h"
#include "skin/SkinnedDialog.h"

#include <QTimer>

class QComboBox;
class QLabel;
class QProgressBar;

namespace ralu {

class AudioSetupWindow : public skin::SkinnedDialog {
    Q_OBJECT
public:
    AudioSetupWindow(RtcClient &client, QWidget *parent = nullptr);
    ~AudioSetupWindow() override;

    QComboBox *captureBox() const { return m_capture; }
    QComboBox *playbackBox() const { return m_playback; }
    QProgressBar *meter() const { return m_meter; }
    QLabel *messageLabel() const { return m_message; }
    PictureButton *testButton() const { return m_test; }

    // The meter's reading (0 silence to 1 full scale) as a bar from -60 dB
    // (empty) to 0 dB (full), in percent.
    static int meterPercent(double level);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fill(QComboBox *box, RtcAudioDevice direction);
    void choose(QComboBox *box, RtcAudioDevice direction);
    void readMeter();

    RtcClient &m_client;
    QComboBox *m_capture = nullptr;
    QComboBox *m_playback = nullptr;
    QProgressBar *m_meter = nullptr;
    QLabel *m_message = nullptr;
    PictureButton *m_test = nullptr;
    QTimer m_meterTimer;
};

} // namespace ralu
