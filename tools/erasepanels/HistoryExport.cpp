#include "HistoryExport.h"

#include <QSaveFile>
#include <algorithm>

namespace historyexport {

namespace {

const QString kHeaderItems = QStringLiteral("Items");
const QString kHeaderAlgorithm = QStringLiteral("Erasure Algorithm");
const QString kHeaderResult = QStringLiteral("Result");

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

QStringList sortedKeys(const HistoryRecords& records)
{
    QStringList keys = records.keys();
    std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) { return QString::compare(a, b) > 0; });
    return keys;
}

bool isHeaderRow(const HistoryRow& row)
{
    return row.value(QStringLiteral("Items")) == kHeaderItems
        && row.value(QStringLiteral("Erasure algorithm")) == kHeaderAlgorithm
        && row.value(QStringLiteral("Result")) == kHeaderResult;
}

CellTexts cellTexts(const HistoryRow& row)
{
    if (isHeaderRow(row))
        return {QStringLiteral("项目"), QStringLiteral("擦除标准"), QStringLiteral("结果")};
    return {row.value(QStringLiteral("Items")), row.value(QStringLiteral("Erasure algorithm")),
            row.value(QStringLiteral("Result"))};
}

QString proposedFileName(const QDateTime& moment)
{
    return QStringLiteral("擦除历史(%1)").arg(DoDataBase::recordKey(moment));
}

QString withHtmlSuffix(const QString& path)
{
    if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".html");
}

QString historyHtmlPage(const QString& key, const QList<HistoryRow>& rows)
{
    const QStringList head{
        QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">"),
        QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\">"),
        QStringLiteral("<head>"),
        QStringLiteral("<meta content=\"initial-scale=1.0,user-scalable=no,maximum-scale=1,width=device-width\" "
                       "name=\"viewport\" />"),
        QStringLiteral("<meta content=\"telephone=no\" name=\"format-detection\" />"),
        QStringLiteral("<meta content=\"black\" name=\"apple-mobile-web-app-status-bar-style\" />"),
        QStringLiteral("<meta content=\"yes\" name=\"apple-mobile-web-app-capable\" />"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"),
        QStringLiteral("<title>擦除历史</title>"),
        QStringLiteral("<style>"),
        QStringLiteral("table,table tr th, table tr td { border:1px solid #2A304E; font-family:Segoe,  \"Segoe UI \",  "
                       "\"DejaVu Sans \",  \"Trebuchet MS \", Verdana, sans-serif; }"),
        QStringLiteral("table { width: 800px; min-height: 25px; line-height: 25px; border-collapse: collapse; "
                       "margin:0 auto; font-size:12px; color:#2A304E;}"),
        QStringLiteral("td { padding:4px 12px;}"),
        QStringLiteral("th { padding:4px 12px; background-color:#767C9A; color:#fff;}"),
        QStringLiteral(".title { background-color:#7FCFDC; text-align:center; color:#fff;}"),
        QStringLiteral("</style>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<!-- toplink -->"),
        QStringLiteral("<table width=\"200\" border=\"1\">"),
    };
    QString page = head.join(spaces(5));
    page += QStringLiteral("<tr>") + spaces(24) + QStringLiteral("<th colspan=\"3\">%1</th>").arg(escaped(key))
        + spaces(25) + QStringLiteral("</tr>");
    for (const HistoryRow& row : rows) {
        const CellTexts texts = cellTexts(row);
        page += isHeaderRow(row) ? QStringLiteral("<tr class=\"title\">") : QStringLiteral("<tr>");
        page += spaces(22);
        for (const QString& cell : {texts.name, texts.type, texts.state})
            page += QStringLiteral("<td>%1</td>").arg(escaped(cell)) + spaces(23);
        page += QStringLiteral("</tr>");
    }
    page += QStringLiteral("</table>") + spaces(5) + QStringLiteral("</body>") + spaces(6) + QStringLiteral("</html>");
    return page;
}

bool writeHistoryHtml(const QString& path, const QString& page, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = page.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace historyexport
