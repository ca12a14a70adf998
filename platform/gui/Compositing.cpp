#include "Compositing.h"

#include <QByteArray>
#include <QGuiApplication>

#ifdef NULLVANE_HAS_XCB
#include <xcb/xcb.h>
#endif

namespace platform {
namespace {

std::function<bool()>& probe()
{
    static std::function<bool()> value;
    return value;
}

#ifdef NULLVANE_HAS_XCB
bool xSelectionHasOwner()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return true;
    // The default screen's number: the one the application's windows use.
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (const int dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}
#endif

} // namespace

bool compositingManagerRunning()
{
    if (probe())
        return probe()();
#ifdef NULLVANE_HAS_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return xSelectionHasOwner();
#endif
    return true;
}

void setCompositingProbe(std::function<bool()> probe_)
{
    probe() = std::move(probe_);
}

} // namespace platform
