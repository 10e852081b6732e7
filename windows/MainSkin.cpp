#include "windows/MainSkin.h"

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

// The level knobs move rather than light up.
constexpr MainControl kKnobs[] = { MainControl::SpeakerIcon, MainControl::MicIcon };

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
        case ControlKind::Picture:
            made = new QLabel(m_window);
            made->setAttribute(Qt::WA_TransparentForMouseEvents);
            break;
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
    auto buttonOf = [this](MainControl key) { return static_cast<PictureButton *>(control(key)); };
    auto pressRow = [](MainControl key) {
        return std::find_if(std::begin(kPressHolders), std::end(kPressHolders),
            [key](const PressHolders &row) { return row.button == key; });
    };
    auto hoverRow = [](MainControl key) {
        return std::find_if(std::begin(kHoverHolders), std::end(kHoverHolders),
            [key](const HoverHolders &row) { return row.element == key; });
    };
    for (const ControlSpec &spec : kMainControls) {
        if (spec.kind != ControlKind::Button || spec.width <= 0 || spec.height <= 0)
            continue;
        PictureButton *button = buttonOf(spec.key);
        const QSize size(spec.width, spec.height);
        const QString caption = QString::fromLatin1(spec.caption);
        QPixmap hovered; // the light look; null: drawn from the resting picture
        if (const auto press = pressRow(spec.key); press != std::end(kPressHolders)) {
            const QString released = QString::fromLatin1(press->released);
            button->setPictures(skin::holderPicture(released),
                skin::holderPicture(QString::fromLatin1(press->pressed)),
                press->pressInside ? skin::PressPicture::Check::PressInside
                                   : skin::PressPicture::Check::None);
            hovered = skin::hoveredPicture(released);
        } else if (const auto hover = hoverRow(spec.key); hover != std::end(kHoverHolders)) {
            std::optional<skin::HoverPicture::Pictures> pictures;
            if (hover->hovered) {
                pictures
                    = skin::HoverPicture::Pictures { skin::holderPicture(QString::fromLatin1(hover->hovered)),
                          skin::holderPicture(QString::fromLatin1(hover->normal)) };
            } else {
                button->setPicture(skin::buttonPicture(size, spec.glyph, caption, false));
            }
            new skin::HoverPicture(button, m_hover, pictures);
            continue; // lit by its own rule only
        } else {
            button->setPictures(skin::buttonPicture(size, spec.glyph, caption, false),
                skin::buttonPicture(size, spec.glyph, caption, true));
        }
        if (insideOutline(spec)
            && std::find(std::begin(kKnobs), std::end(kKnobs), spec.key) == std::end(kKnobs))
            new skin::HoverHighlight(button, button->releasedPicture(), hovered);
    }
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
