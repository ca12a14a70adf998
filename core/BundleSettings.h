#pragma once
// The bundle settings file "NullvaneBase.plist": interface font names, the
// unseen-history flags, "USERNAME", the named links ("Link") and the local
// build number ("VersionCheck").
//
// A read-only copy ships inside the application. What the program writes goes
// to a user copy in the per-user config folder, which holds only the keys that
// were ever written; every other key is taken from the shipped copy of the
// running version, so a new release's links and build number are seen.
// Nothing is cached: every call reads the files afresh, and every write
// replaces the user copy atomically, keeping all its other keys.

#include <QString>
#include <QVariant>
#include <QVariantMap>

class BundleSettings {
public:
    // The value under `key`: the user copy's if it has the key, else the
    // shipped copy's, else an invalid QVariant.
    static QVariant value(const QString& key);

    // Stores `value` under `key` in the user copy (an invalid QVariant removes
    // the key, so the shipped value shows again). False, with nothing changed,
    // when the user copy exists but cannot be read as a dictionary, or the
    // write fails.
    static bool setValue(const QString& key, const QVariant& value);

    // The "Link" dictionary of named links; empty when there is none.
    static QVariantMap links();

    // Where the two copies are.
    static QString shippedFilePath();
    static QString userFilePath();

    // Points the shipped copy elsewhere (an empty text restores the copy built
    // into the application). Lets tests run without a shipped file, or with
    // one of an older or newer release.
    static void setShippedFilePath(const QString& path);
};
