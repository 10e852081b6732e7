#include "windows/PortalButtons.h"

#include "engine/CallEngine.h"
#include "windows/MainWindow.h"
#include "windows/WindowLayer.h"

namespace ralu {

namespace {

// Each button's path after the portal base address, letter case as it is.
const std::pair<MainControl, const char *> kPages[] = {
    { MainControl::Small18, "/Photo" },
    { MainControl::Small19, "/VIDEO" },
    { MainControl::Small29, "/TV" },
    { MainControl::Small33, "/RADIO" },
    { MainControl::Small44, "/Vmail" },
    { MainControl::Small45, "/Info" },
    { MainControl::WebButton, "/Freeaccount" },
};

} // namespace

PortalButtons::PortalButtons(MainWindow &window, CallEngine &engine, QString portalBase, OpenAddress open)
    : QObject(&window)
    , m_window(window)
    , m_engine(engine)
    , m_portalBase(std::move(portalBase))
    , m_open(std::move(open))
{
    for (const auto &[key, path] : kPages) {
        const QString page = QString::fromLatin1(path);
        connect(window.button(key), &PictureButton::clicked, this, [this, page] { pageChosen(page); });
    }
}

void PortalButtons::pageChosen(const QString &path)
{
    if (m_open)
        m_open(weblinks::portalAddress(m_portalBase, path));
    windowlayer::placeOnTop(&m_window);
    m_engine.presenter().focusNumberBox();
}

} // namespace ralu
