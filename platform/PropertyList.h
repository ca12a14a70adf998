#pragma once
// Property lists (XML or binary) as Qt values, through libplist.
//   dict → QVariantMap (or OrderedDict, keys in file order), array → QVariantList,
//   string → QString, integer → qint64, real → double, boolean → bool,
//   data → QByteArray, date → QDateTime (UTC).

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace platform::plist {

// A dictionary that remembers the order of its keys, for the few callers to
// whom the file's order means something.
struct OrderedDict {
    QStringList keys;
    QVariantMap values;
    bool operator==(const OrderedDict& o) const { return keys == o.keys && values == o.values; }
};

enum class DictStyle { Map, Ordered };

// An invalid QVariant when the bytes are not a property list.
QVariant fromData(const QByteArray& data, DictStyle style = DictStyle::Map);
QVariant readFile(const QString& path, DictStyle style = DictStyle::Map);

// A dictionary or nothing: a file that holds anything else reads as empty.
QVariantMap readDictionary(const QString& path);

// XML form. Values that have no property-list form are left out. Strings and
// keys are written as xmlSafeText gives them, so the result is always XML that
// a reader accepts, whatever a volume label or a file name held.
QByteArray toXml(const QVariant& value);

// The text as XML 1.0 can carry it: the characters it does not allow (control
// characters, lone surrogates, U+FFFE and U+FFFF) are dropped.
QString xmlSafeText(const QString& text);

// Writes the XML form to a temporary file beside `path`, then renames it over
// `path`, so a reader never sees half a file.
bool writeFile(const QString& path, const QVariant& value);

} // namespace platform::plist

Q_DECLARE_METATYPE(platform::plist::OrderedDict)
