#pragma once
// The update manifest published at the "IniURL" link: a property-list
// dictionary with the build number "VersionCheck", the version text "Version"
// and the change-list lines under the keys "1", "2", ... The comparison with
// the local build number is decided here, apart from any window.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

// What a manifest says compared with the running build.
struct VersionDiff {
    bool haveUpdate = false;   // a newer build is published
    QString version;           // its version text, as published
    QStringList lines;         // its change list, key "1" first
};

// At most this many change-list lines are taken; the list is meant for a
// small pop-up.
constexpr int kMaxChangeLines = 100;

// Compares a downloaded manifest with the local build number. Anything that
// is not a well-formed manifest (not a dictionary, a build number that is not
// a whole number, a newer build without a version text) means no update. The
// change list is read from "1" on while the keys exist and hold text.
VersionDiff compareManifest(const QVariant& manifest, qint64 localVersionCheck);

// The manifest's build number: an integer, or text holding only a whole
// number. 0 when absent; -1 when present but not a whole number.
qint64 manifestVersionCheck(const QVariant& manifest);

// Reads a property list (XML or binary) into a manifest; an invalid value
// when the bytes are none.
QVariant parseManifest(const QByteArray& bytes);

// The local build number, "VersionCheck" of the bundle settings file; 0 when
// missing.
qint64 localVersionCheck();

// Downloads and parses the manifest from the "IniURL" link. Blocks for at
// most `timeoutMs`; an invalid value when the link is missing or the download
// fails. Call it off the main thread.
QVariant fetchManifest(int timeoutMs = 10000);
