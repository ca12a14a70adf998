#include "PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTimeZone>
#include <cstdlib>
#include <limits>
#include <plist/plist.h>

namespace platform::plist {
namespace {

// Property-list dates count seconds from 1 January 2001 UTC.
constexpr qint64 kAppleEpochOffset = 978307200;

struct Holder {
    plist_t node = nullptr;
    ~Holder() { if (node) plist_free(node); }
};

QVariant toVariant(plist_t node, DictStyle style)
{
    if (!node)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        // Negative integers come back as their two's complement.
        return QVariant(static_cast<qint64>(v));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        QString text = QString::fromUtf8(s ? s : "");
        std::free(s);
        return QVariant(text);
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char* p = plist_get_data_ptr(node, &len);
        return QVariant(QByteArray(p, static_cast<qsizetype>(len)));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QVariant(QDateTime::fromMSecsSinceEpoch((qint64(sec) + kAppleEpochOffset) * 1000 + usec / 1000, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i)
            list << toVariant(plist_array_get_item(node, i), style);
        return list;
    }
    case PLIST_DICT: {
        OrderedDict ordered;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            const QString k = QString::fromUtf8(key);
            std::free(key);
            if (!ordered.values.contains(k))
                ordered.keys << k;
            ordered.values.insert(k, toVariant(value, style));
        }
        std::free(it);
        if (style == DictStyle::Ordered)
            return QVariant::fromValue(ordered);
        return ordered.values;
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return QVariant(static_cast<qint64>(v));
    }
    default:
        return {};
    }
}

plist_t toNode(const QVariant& v)
{
    if (v.canConvert<OrderedDict>() && v.metaType() == QMetaType::fromType<OrderedDict>()) {
        const OrderedDict od = v.value<OrderedDict>();
        plist_t dict = plist_new_dict();
        for (const QString& k : od.keys)
            if (plist_t child = toNode(od.values.value(k)))
                plist_dict_set_item(dict, xmlSafeText(k).toUtf8().constData(), child);
        return dict;
    }
    switch (v.metaType().id()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        plist_t dict = plist_new_dict();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            if (plist_t child = toNode(it.value()))
                plist_dict_set_item(dict, xmlSafeText(it.key()).toUtf8().constData(), child);
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : v.toList())
            if (plist_t child = toNode(item))
                plist_array_append_item(array, child);
        return array;
    }
    case QMetaType::QString:
        return plist_new_string(xmlSafeText(v.toString()).toUtf8().constData());
    case QMetaType::Bool:
        return plist_new_bool(v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return plist_new_uint(static_cast<uint64_t>(v.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return plist_new_uint(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return plist_new_data(b.constData(), static_cast<uint64_t>(b.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
        qint64 sec = ms / 1000;
        qint64 rem = ms % 1000;
        if (rem < 0) {
            rem += 1000;
            --sec;
        }
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(rem * 1000));
    }
    default:
        return nullptr;
    }
}

} // namespace

QVariant fromData(const QByteArray& data, DictStyle style)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max())
        return {};
    Holder h;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &h.node);
    return toVariant(h.node, style);
}

QVariant readFile(const QString& path, DictStyle style)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return fromData(f.readAll(), style);
}

QVariantMap readDictionary(const QString& path)
{
    const QVariant v = readFile(path);
    return v.metaType().id() == QMetaType::QVariantMap ? v.toMap() : QVariantMap{};
}

QString xmlSafeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const auto allowed = [](char32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
               || (c >= 0x10000 && c <= 0x10FFFF);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (allowed(QChar::surrogateToUcs4(c, text.at(i + 1))))
                out += c, out += text.at(i + 1);
            ++i;
            continue;
        }
        if (!c.isSurrogate() && allowed(c.unicode()))
            out += c;
    }
    return out;
}

QByteArray toXml(const QVariant& value)
{
    Holder h;
    h.node = toNode(value);
    if (!h.node)
        return {};
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(h.node, &xml, &len);
    QByteArray out(xml, static_cast<qsizetype>(len));
    plist_to_xml_free(xml);
    return out;
}

bool writeFile(const QString& path, const QVariant& value)
{
    const QByteArray xml = toXml(value);
    if (xml.isEmpty())
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(xml) != xml.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace platform::plist
