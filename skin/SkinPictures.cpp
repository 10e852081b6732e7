#include "skin/SkinPictures.h"

#include "skin/FaceCaptions.h"
#include "skin/HoverHighlight.h"
#include "skin/PictureButton.h"

#include <QGuiApplication>
#include <QHash>
#include <QPixmapCache>

// The pictures are compiled into this static library, where the linker drops
// rcc's own registration as nothing names it: registered here instead, in
// the file every user of the pictures links.
static bool registerSkinPictures()
{
    Q_INIT_RESOURCE(resources);
    return true;
}
[[maybe_unused]] static const bool kSkinPicturesRegistered = registerSkinPictures();

namespace ralu::skin {

namespace {

struct HolderFace {
    QString face;
    Look look;
};

// The main window's image holders: which face, in which look, each supplies.
// Released pictures are the normal look, pressed ones the pressed look; the
// hover holders' lit pictures are the hovered look.
const QHash<QString, HolderFace> &holders()
{
    static const QHash<QString, HolderFace> table = [] {
        QHash<QString, HolderFace> t;
        auto pair = [&t](const QString &released, const QString &pressed, const QString &face) {
            t.insert(released, { face, Look::Normal });
            t.insert(pressed, { face, Look::Pressed });
        };
        // Key 1's holders carry names of their own; on1/off1 are their synonyms.
        pair("a1", "b1", "key_1");
        for (int d = 0; d <= 9; ++d)
            pair(QStringLiteral("off%1").arg(d), QStringLiteral("on%1").arg(d),
                QStringLiteral("key_%1").arg(d));
        pair("offy", "ony", "key_star");
        pair("offHash", "onHash", "key_hash");
        pair("offPC", "onPC", "call");
        pair("offCB", "onCB", "end");
        pair("onBack", "offBack", "clear");
        // The side buttons: the portal pages, the number box, audio set-up, login.
        pair("onImage21", "offImage7", "photo");
        pair("onImage22", "offImage14", "video");
        pair("onImage23", "offImage15", "number");
        pair("onImage24", "offImage16", "audio");
        pair("onImage3", "offImage17", "number");
        pair("onImage26", "offImage18", "tv");
        pair("onImage27", "offImage19", "radio");
        pair("onImage28", "offImage20", "account");
        pair("onImage34", "offImage29", "number");
        pair("onImage35", "offImage30", "number");
        pair("onImage36", "offImage31", "number");
        pair("onImage38", "offImage33", "vmail");
        pair("onImage37", "offImage32", "info");
        pair("oonImage3", "offImage4", "signup");
        // Hover holders: the normal picture, and the lit one.
        auto hover = [&t](const QString &normal, const QString &lit, const QString &face) {
            t.insert(normal, { face, Look::Normal });
            t.insert(lit, { face, Look::Hovered });
        };
        hover("offAdo", "onAdo", "server");
        hover("offDel", "onDel", "delete_digit");
        hover("offPB", "onPB", "book_small");
        return t;
    }();
    return table;
}

const char *suffix(Look look)
{
    switch (look) {
    case Look::Pressed:
        return "_pressed";
    case Look::Hovered:
        return "_hover";
    case Look::Normal:
        break;
    }
    return "";
}

const char *backgroundName(Background background)
{
    switch (background) {
    case Background::Login:
        return "bg_login";
    case Background::Recent:
        return "bg_recent";
    case Background::PhoneBook:
        return "bg_phonebook";
    case Background::AudioSetup:
        return "bg_audiosetup";
    case Background::Main:
        break;
    }
    return "bg_main";
}

QString path(const QString &name, int scale)
{
    return QStringLiteral(":/skin/") + name
        + (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

} // namespace

QPixmap picture(const QString &name)
{
    if (name.isEmpty())
        return QPixmap();
    // Qt does not pick "@2x" files for a plain QPixmap load: choose here.
    const int scale = qApp && qApp->devicePixelRatio() > 1 ? 2 : 1;
    const QString key = path(name, scale);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    if (!pixmap.load(key)) {
        if (scale == 1 || !pixmap.load(path(name, 1)))
            return QPixmap();
    } else {
        pixmap.setDevicePixelRatio(scale);
    }
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QPixmap backgroundPicture(Background background)
{
    return picture(QLatin1String(backgroundName(background)));
}

QImage outlinePicture(Background background)
{
    return QImage(path(QLatin1String(backgroundName(background)), 1));
}

QPixmap mainBackground()
{
    return backgroundPicture(Background::Main);
}

QPixmap loginBackground()
{
    return backgroundPicture(Background::Login);
}

QPixmap recentBackground()
{
    return backgroundPicture(Background::Recent);
}

QPixmap phoneBookBackground()
{
    return backgroundPicture(Background::PhoneBook);
}

QPixmap buttonPicture(const QString &face, Look look)
{
    if (face.isEmpty())
        return QPixmap();
    return picture(face + QLatin1String(suffix(look)));
}

QPixmap holderPicture(const QString &holder)
{
    const auto found = holders().constFind(holder);
    if (found == holders().constEnd())
        return QPixmap();
    return buttonPicture(found->face, found->look);
}

QPixmap hoveredPicture(const QString &releasedHolder)
{
    const auto found = holders().constFind(releasedHolder);
    if (found == holders().constEnd() || found->look != Look::Normal)
        return QPixmap();
    return buttonPicture(found->face, Look::Hovered);
}

PictureButton *makeButton(QWidget *parent, const char *name, QRect geometry, const QString &face)
{
    auto *button = new PictureButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setPictures(buttonPicture(face, Look::Normal), buttonPicture(face, Look::Pressed));
    button->setHoveredPicture(buttonPicture(face, Look::Hovered));
    button->setAccessibleName(QString::fromLatin1(faceCaption(face.toLatin1().constData())));
    return button;
}

} // namespace ralu::skin
