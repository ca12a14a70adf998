#include "Language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyle>
#include <QTranslator>
#include <optional>

namespace platform {
namespace {

class ToolTipDelayStyle : public QProxyStyle {
public:
    ToolTipDelayStyle(const QString& baseKey, int delayMs)
        : QProxyStyle(baseKey)
        , delayMs_(delayMs)
    {
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return delayMs_;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    int delayMs_;
};

} // namespace

bool useSimplifiedChinese()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China));
    // Looked for once the application exists; a missing translation does not
    // appear while the program runs, so it is not looked for again either.
    static std::optional<bool> found;
    if (found)
        return *found;
    if (!QCoreApplication::instance())
        return false;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        found = false;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    found = true;
    return true;
}

void setToolTipDelay(int milliseconds)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Keep the look of whatever style is in use; only the delay changes.
    QString base = QApplication::style()->name();
    if (auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style()); proxy && proxy->baseStyle())
        base = proxy->baseStyle()->name();
    QApplication::setStyle(new ToolTipDelayStyle(base, milliseconds));
}

} // namespace platform

namespace platform {

void preferPlaceableWindows()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void preferChineseDates()
{
    qputenv("LC_TIME", "zh_CN.UTF-8");
}

} // namespace platform
