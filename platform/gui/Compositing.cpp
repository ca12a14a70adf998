#include "Compositing.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QHash>

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
// The compositing selection's atom for screen `screen`. An atom never changes
// while the connection lasts, so it is asked for once (a round trip to the
// server) and kept; asked on the GUI thread only.
xcb_atom_t selectionAtom(xcb_connection_t* connection, int screen)
{
    static xcb_connection_t* knownConnection = nullptr;
    static QHash<int, xcb_atom_t> known;
    if (connection != knownConnection) {
        known.clear();
        knownConnection = connection;
    }
    if (const auto found = known.constFind(screen); found != known.constEnd())
        return found.value();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    if (!reply)
        return XCB_NONE;
    const xcb_atom_t atom = reply->atom;
    free(reply);
    known.insert(screen, atom);
    return atom;
}

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
    const xcb_atom_t atom = selectionAtom(connection, screen);
    if (atom == XCB_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
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
