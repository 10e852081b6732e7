#include "windows/MainSkin.h"

#include "skin/Accessibility.h"
#include "skin/FaceCaptions.h"
#include "skin/HoverHighlight.h"
#include "skin/PictureButton.h"
#include "skin/SkinPictures.h"
#include "skin/Tooltip.h"
#include "windows/MainHolders.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace ralu {

namespace {

// The tools of the main window's tips, in the order they are added.
const MainControl kTooltipOrder[] = {
    MainControl::HoldButton,
    MainControl::DialButton,
    MainControl::HiddenPhoneBookButton,
    MainControl::LoginButton,
    MainControl::HistoryButton,
    MainControl::ClearButton,
    MainControl::EndButton,
    MainControl::HiddenAudioButton,
    MainControl::HideButton,
    MainControl::CloseButton,
    MainControl::NumberBox,
    MainControl::PhoneBookButton,
    MainControl::BackspaceButton,
    MainControl::ForwardButton,
    MainControl::HiddenHistoryButton,
    MainControl::TransferButton,
    MainControl::DndButton,
};

// The keyboard's way through the window: the number box and the call
// buttons, the dial pad, the level knobs, the bottom row, the two side
// columns top to bottom, and the close button.
const MainControl kTabOrder[] = {
    MainControl::NumberBox,
    MainControl::DialButton,
    MainControl::ClearButton,
    MainControl::EndButton,
    MainControl::Key1,
    MainControl::Key2,
    MainControl::Key3,
    MainControl::Key4,
    MainControl::Key5,
    MainControl::Key6,
    MainControl::Key7,
    MainControl::Key8,
    MainControl::Key9,
    MainControl::KeyStar,
    MainControl::Key0,
    MainControl::KeyPound,
    MainControl::MicIcon,
    MainControl::SpeakerIcon,
    MainControl::DndButton,
    MainControl::ForwardButton,
    MainControl::HoldButton,
    MainControl::TransferButton,
    MainControl::PhoneBookButton,
    MainControl::HistoryButton,
    MainControl::Small18,
    MainControl::Small19,
    MainControl::Small23,
    MainControl::Small33,
    MainControl::Small28,
    MainControl::Small29,
    MainControl::AudioSetupButton,
    MainControl::AccountButton,
    MainControl::Small39,
    MainControl::Small42,
    MainControl::Small43,
    MainControl::WebButton,
    MainControl::Small45,
    MainControl::Small44,
    MainControl::CloseButton,
};

// The level knobs move rather than light up.
constexpr MainControl kKnobs[] = { MainControl::SpeakerIcon, MainControl::MicIcon };

template <typename Row, std::size_t N>
const Row *rowOf(const Row (&table)[N], MainControl key, MainControl Row::*column)
{
    for (const Row &row : table)
        if (row.*column == key)
            return &row;
    return nullptr;
}

QPixmap holder(const char *name)
{
    return skin::holderPicture(QString::fromLatin1(name));
}

bool insideOutline(const ControlSpec &spec)
{
    return spec.left + spec.width <= kMainWidth && spec.top + spec.height <= kMainHeight;
}

} // namespace

MainSkin::MainSkin(QWidget *window)
    : m_window(window)
{
    createControls();
    applyLayout();
    setPictures();
    describeForAssistiveTechnology();
}

void MainSkin::createControls()
{
    QFont labelFont = m_window->font();
    labelFont.setPixelSize(11);
    for (const ControlSpec &spec : kMainControls) {
        QWidget *made = nullptr;
        switch (spec.kind) {
        case ControlKind::Background: {
            auto *background = new QLabel(m_window);
            background->setPixmap(skin::mainBackground());
            background->setAttribute(Qt::WA_TransparentForMouseEvents);
            made = background;
            break;
        }
        case ControlKind::NumberBox:
            m_number = new QLineEdit(m_window);
            made = m_number;
            break;
        case ControlKind::Label: {
            auto *label = new QLabel(m_window);
            label->setFont(labelFont);
            label->setTextFormat(Qt::PlainText); // balance and caller come from the network: never markup
            label->setAttribute(Qt::WA_TransparentForMouseEvents); // the window's grab area
            made = label;
            break;
        }
        case ControlKind::Picture: {
            auto *picture = new QLabel(m_window);
            picture->setPixmap(skin::picture(QLatin1String(spec.face)));
            picture->setAttribute(Qt::WA_TransparentForMouseEvents);
            made = picture;
            break;
        }
        case ControlKind::Button:
            made = new PictureButton(m_window);
            break;
        }
        made->setObjectName(QString::fromLatin1(spec.name));
        m_controls[static_cast<std::size_t>(spec.key)] = made;
    }
    control(MainControl::Background)->lower();
    QFont bold = labelFont;
    bold.setBold(true);
    auto *balance = static_cast<QLabel *>(control(MainControl::BalanceLabel));
    balance->setFont(bold);
    balance->setStyleSheet(QStringLiteral("color: #404040"));
}

void MainSkin::applyLayout()
{
    for (const ControlSpec &spec : kMainControls)
        control(spec.key)->setGeometry(spec.left, spec.top, spec.width, spec.height);
}

void MainSkin::setPictures()
{
    for (const ControlSpec &spec : kMainControls) {
        if (spec.kind != ControlKind::Button || spec.width <= 0 || spec.height <= 0)
            continue;
        auto *button = static_cast<PictureButton *>(control(spec.key));
        const QString face = QLatin1String(spec.face);
        if (const HoverHolders *hover = rowOf(kHoverHolders, spec.key, &HoverHolders::element)) {
            std::optional<skin::HoverPicture::Pictures> pictures;
            if (hover->hovered)
                pictures = skin::HoverPicture::Pictures { holder(hover->hovered), holder(hover->normal) };
            else
                button->setPicture(skin::buttonPicture(face, skin::Look::Normal));
            new skin::HoverPicture(button, m_hover, pictures);
            continue; // lit by its own rule only
        }
        QPixmap hovered; // the light look; null: drawn from the resting picture
        if (const PressHolders *press = rowOf(kPressHolders, spec.key, &PressHolders::button)) {
            using Check = skin::PressPicture::Check;
            button->setPictures(holder(press->released), holder(press->pressed),
                press->pressInside ? Check::PressInside : Check::None);
            hovered = skin::hoveredPicture(QString::fromLatin1(press->released));
        } else {
            button->setPictures(skin::buttonPicture(face, skin::Look::Normal),
                skin::buttonPicture(face, skin::Look::Pressed));
            hovered = skin::buttonPicture(face, skin::Look::Hovered);
        }
        const bool knob = std::find(std::begin(kKnobs), std::end(kKnobs), spec.key) != std::end(kKnobs);
        if (insideOutline(spec) && !knob)
            new skin::HoverHighlight(button, button->releasedPicture(), hovered);
    }
}

void MainSkin::describeForAssistiveTechnology()
{
    for (const ControlSpec &spec : kMainControls) {
        QWidget *widget = control(spec.key);
        const bool decoration = spec.kind == ControlKind::Background || spec.kind == ControlKind::Picture;
        if (decoration || !insideOutline(spec)) {
            skin::hideFromAssistiveTechnology(widget);
            continue;
        }
        if (spec.kind != ControlKind::Button)
            continue;
        // A button is named by its tip, else by the words on its face.
        const QString tip = QString::fromLatin1(spec.tooltip).trimmed();
        widget->setAccessibleName(tip.isEmpty() ? QString::fromLatin1(skin::faceCaption(spec.face)) : tip);
    }
    m_number->setAccessibleName(QStringLiteral("Number"));
    m_number->setAccessibleDescription(QString::fromLatin1(specOf(MainControl::NumberBox).tooltip));
    for (std::size_t i = 1; i < std::size(kTabOrder); ++i)
        QWidget::setTabOrder(control(kTabOrder[i - 1]), control(kTabOrder[i]));
}

void MainSkin::addTooltips()
{
    m_tooltip = new skin::Tooltip(m_window); // released with the window
    skin::ToolOptions options;
    options.showMode = 1;
    options.margin = 5;
    options.centred = true;
    for (MainControl key : kTooltipOrder)
        m_tooltip->addTool(control(key), QString::fromLatin1(specOf(key).tooltip), options);
}

} // namespace ralu
