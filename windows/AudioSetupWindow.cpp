#include "windows/AudioSetupWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace ralu {

namespace {

constexpr int kMeterMs = 100; // ten readings a second: lively and cheap
constexpr double kMeterFloorDb = -60.0;

const QString kNoDevice = QStringLiteral("(no device found)");

} // namespace

AudioSetupWindow::AudioSetupWindow(RtcClient &client, QWidget *parent)
    : SkinnedDialog("frmAudioSetup", QStringLiteral("Audio Set-up"), skin::Background::AudioSetup, parent)
    , m_client(client)
{
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPointSizeF(9.75);
    QFont boxFont(QStringLiteral("Microsoft Sans Serif"));
    boxFont.setPointSizeF(8.25);

    PictureButton *closeImage = addCloseImage("imgClose", QRect(209, 3, 12, 14));
    m_capture = new QComboBox(this);
    m_capture->setObjectName(QStringLiteral("cmbCapture"));
    m_capture->setGeometry(14, 40, 203, 21);
    addCaption(QStringLiteral("Microphone"), QRect(14, 22, 120, 17), captionFont, m_capture);
    m_meter = new QProgressBar(this);
    m_meter->setObjectName(QStringLiteral("prgInputLevel"));
    m_meter->setGeometry(14, 66, 203, 9);
    m_meter->setRange(0, 100);
    m_meter->setTextVisible(false);
    m_meter->setStyleSheet(
        QStringLiteral("QProgressBar { background: rgb(224,224,224); border: 1px solid "
                       "rgb(20,24,30); } QProgressBar::chunk { background: rgb(40,140,60); }"));

    m_playback = new QComboBox(this);
    m_playback->setObjectName(QStringLiteral("cmbPlayback"));
    m_playback->setGeometry(14, 102, 203, 21);
    addCaption(QStringLiteral("Speaker"), QRect(14, 84, 120, 17), captionFont, m_playback);
    m_test = addPictureButton("cmdTestTone", QRect(14, 130, 80, 24), QStringLiteral("test_tone"));

    m_message = addCaption(QString(), QRect(14, 158, 203, 16), boxFont);
    m_message->setTextFormat(Qt::PlainText); // device names come from the system
    PictureButton *close
        = addPictureButton("cmdClose", QRect(84, 176, 64, 24), QStringLiteral("close_dialog"));

    setTabOrder(close, closeImage); // the picture at the top comes last

    for (QComboBox *box : { m_capture, m_playback }) {
        box->setStyleSheet(boxStyle());
        box->setFont(boxFont);
    }
    fill(m_capture, RTCAD_MICROPHONE);
    fill(m_playback, RTCAD_SPEAKER);
    // activated: the user's pick only, not the filling above.
    connect(m_capture, &QComboBox::activated, this, [this] { choose(m_capture, RTCAD_MICROPHONE); });
    connect(m_playback, &QComboBox::activated, this, [this] { choose(m_playback, RTCAD_SPEAKER); });
    connect(m_test, &PictureButton::clicked, this, [this] {
        m_message->setText(
            m_client.playTestTone() ? QString() : QStringLiteral("The speaker could not play."));
    });
    connect(close, &PictureButton::clicked, this, &QDialog::accept);
    m_meterTimer.setInterval(kMeterMs);
    connect(&m_meterTimer, &QTimer::timeout, this, &AudioSetupWindow::readMeter);
}

AudioSetupWindow::~AudioSetupWindow()
{
    if (m_meterTimer.isActive())
        m_client.stopInputMeter();
}

void AudioSetupWindow::fill(QComboBox *box, RtcAudioDevice direction)
{
    box->clear();
    const std::string current = m_client.soundDevice(direction);
    for (const RtcSoundDevice &device : m_client.availableSoundDevices(direction)) {
        box->addItem(QString::fromStdString(device.name), QString::fromStdString(device.id));
        if (device.id == current)
            box->setCurrentIndex(box->count() - 1);
    }
    if (box->count() == 0)
        box->addItem(kNoDevice);
    box->setEnabled(box->itemData(0).isValid());
}

void AudioSetupWindow::choose(QComboBox *box, RtcAudioDevice direction)
{
    const std::string id = box->currentData().toString().toStdString();
    if (m_client.setSoundDevice(direction, id)) {
        m_message->clear();
        return;
    }
    m_message->setText(direction == RTCAD_MICROPHONE ? QStringLiteral("That microphone could not be used.")
                                                     : QStringLiteral("That speaker could not be used."));
    fill(box, direction); // back to the device still in use
}

int AudioSetupWindow::meterPercent(double level)
{
    if (!(level > 0))
        return 0;
    const double db = 20.0 * std::log10(std::min(level, 1.0));
    if (db <= kMeterFloorDb)
        return 0;
    return int(std::lround(100.0 * (db - kMeterFloorDb) / -kMeterFloorDb));
}

void AudioSetupWindow::readMeter()
{
    double level = 0;
    if (m_client.inputMeterLevel(&level))
        m_meter->setValue(meterPercent(level));
}

void AudioSetupWindow::showEvent(QShowEvent *event)
{
    SkinnedDialog::showEvent(event);
    if (m_meterTimer.isActive())
        return;
    if (m_client.startInputMeter()) {
        m_meterTimer.start();
    } else {
        m_meter->setEnabled(false);
        m_message->setText(QStringLiteral("The microphone could not be opened."));
    }
}

void AudioSetupWindow::hideEvent(QHideEvent *event)
{
    if (m_meterTimer.isActive()) {
        m_meterTimer.stop();
        m_client.stopInputMeter();
    }
    m_meter->setValue(0);
    SkinnedDialog::hideEvent(event);
}

} // namespace ralu
