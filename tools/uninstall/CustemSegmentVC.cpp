#include "CustemSegmentVC.h"

#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/TCImageButton.h"

#include <QWidget>

CustemSegmentVC::CustemSegmentVC(QObject* parent) : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(3 * kTabWidth + 2 * kGap, kTabHeight);
    const QStringList titles{QStringLiteral("应用程序"), QStringLiteral("小部件"), QStringLiteral("插件")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new TCImageButton(QRect(i * (kTabWidth + kGap), 0, kTabWidth, kTabHeight), view_);
        button->setButtonEnabled(true);
        const QString id = QString::number(i);
        connect(button, &QAbstractButton::clicked, this, [this, id] { buttonSelectAction(id); });
        // The tab's icon sits at its left end; the title fills the rest.
        toolkit::makeLabel(button, QRect(30, 0, kTabWidth - 38, kTabHeight), titles.at(i), toolkit::regularFont(13),
                           toolkit::whiteAlpha(0.9f), Qt::AlignCenter);
        tabs_[i] = button;
    }
    showChosen(QStringLiteral("0"));
}

CustemSegmentVC::~CustemSegmentVC()
{
    delete view_.data();
}

TCImageButton* CustemSegmentVC::tab(int n) const
{
    return n >= 1 && n <= 3 ? tabs_[n - 1] : nullptr;
}

QStringList CustemSegmentVC::tabImages(const QString& identifier)
{
    if (identifier == QLatin1String("1"))
        return {toolkit::imageName("tab_app"), toolkit::imageName("tab_wid_sel"), toolkit::imageName("tab_plugin")};
    if (identifier == QLatin1String("2"))
        return {toolkit::imageName("tab_app"), toolkit::imageName("tab_wid"), toolkit::imageName("tab_plugin_sel")};
    return {toolkit::imageName("tab_app_sel"), toolkit::imageName("tab_wid"), toolkit::imageName("tab_plugin")};
}

void CustemSegmentVC::showChosen(const QString& identifier)
{
    shown_ = tabImages(identifier);
    for (int i = 0; i < 3; ++i) {
        const QString& name = shown_.at(i);
        tabs_[i]->setImageFromFileNormalName(name, name, name, name);
        tabs_[i]->update();
    }
}

void CustemSegmentVC::buttonSelectAction(const QString& identifier)
{
    if (!isEndit_)
        return;
    if (identifier != QLatin1String("0") && identifier != QLatin1String("1") && identifier != QLatin1String("2"))
        return;
    showChosen(identifier);
    if (delegate_)
        delegate_->segmentSelectWithIndex(identifier.toInt());
}
