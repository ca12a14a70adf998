#include "NTFSViewController.h"
#include "PanelHosting.h"

#include "toolkit/Label.h"

#include "core/CommUti.h"
#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QFontMetrics>
#include <QLabel>

const QString NTFSViewController::kWindowsVersionWords = QStringLiteral("NullvaneWindows版本");

namespace {
constexpr int kWidth = 500;
constexpr int kHeight = 236;
const QColor kLinkColor = toolkit::colorOf(0, 182, 255, 1.0);
} // namespace

NTFSViewController::NTFSViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

NTFSViewController::~NTFSViewController()
{
    delete view_.data();
}

QWidget* NTFSViewController::view() const
{
    return view_;
}

QUrl NTFSViewController::helpPageUrl()
{
    return QUrl(EULinkUrl::sitePage(QStringLiteral("/articles/wipe-ntfs-on-mac.html")));
}

QUrl NTFSViewController::homePageUrl()
{
    return QUrl(EULinkUrl::GetUrl(QStringLiteral("HomePage")));
}

void NTFSViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QStringLiteral("无法擦除 NTFS 磁盘上的项目"),
                            toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(28, 58, kWidth - 56, 40),
                            QStringLiteral("所选项目位于 NTFS 格式的磁盘上，无法在这里安全擦除。"),
                            toolkit::lightFont(13), toolkit::whiteAlpha(0.7f), Qt::AlignLeft | Qt::AlignTop);
    const QFont bodyFont = toolkit::lightFont(13);
    nodeTLabel_ = new QLabel(view_);
    nodeTLabel_->setGeometry(28, 102, kWidth - 56, 22);
    nodeTLabel_->setFont(bodyFont);
    nodeTLabel_->setText(QStringLiteral("如需擦除 NTFS 磁盘上的文件，请使用%1。").arg(kWindowsVersionWords));
    nodeTLabel_->setTextFormat(Qt::PlainText);
    toolkit::setLabelColor(nodeTLabel_, toolkit::whiteAlpha(0.7f));

    linkLabel_ = new QLabel(view_);
    linkLabel_->setGeometry(28, 130, kWidth - 56, 22);
    linkLabel_->setFont(bodyFont);
    linkLabel_->setTextFormat(Qt::PlainText);
    linkLabel_->setText(QStringLiteral("了解如何擦除 NTFS 磁盘上的文件"));

    linkToHelp_ = new EUHandButton(view_);
    connect(linkToHelp_, &QAbstractButton::clicked, this, &NTFSViewController::linkToHelpButtonAction);
    linkToWinBut_ = new EUHandButton(view_);
    connect(linkToWinBut_, &QAbstractButton::clicked, this, &NTFSViewController::linkToWinButtonAction);

    okButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 110, kHeight - 60, 110, 36), toolkit::primaryButtonSkin(),
                                        QStringLiteral("好"));
    connect(okButton_, &QAbstractButton::clicked, this, &NTFSViewController::okButtonAction);

    setLinkLabelStyle();
    setTwoLinkLabelStyle();
}

void NTFSViewController::setLinkLabelStyle()
{
    erasepanels::styleLinkLabel(linkLabel_, linkToHelp_, kLinkColor);
}

bool NTFSViewController::setTwoLinkLabelStyle()
{
    const QString text = nodeTLabel_->text();
    const qsizetype at = text.indexOf(kWindowsVersionWords);
    if (at < 0) {
        linkToWinBut_->hide();
        return false;
    }
    // The words are drawn underlined in the link colour; the rest keeps the
    // label's colour. Our own fixed text, escaped all the same.
    const QString before = text.left(at).toHtmlEscaped();
    const QString words = kWindowsVersionWords.toHtmlEscaped();
    const QString after = text.mid(at + kWindowsVersionWords.size()).toHtmlEscaped();
    nodeTLabel_->setTextFormat(Qt::RichText);
    nodeTLabel_->setText(QStringLiteral("%1<span style=\"color:%2; text-decoration:underline;\">%3</span>%4")
                             .arg(before, kLinkColor.name(), words, after));
    const QFontMetrics metrics(nodeTLabel_->font());
    const int x = nodeTLabel_->x() + metrics.horizontalAdvance(text.left(at));
    linkToWinBut_->setGeometry(x, nodeTLabel_->y(), metrics.horizontalAdvance(kWindowsVersionWords) + 2,
                               nodeTLabel_->height());
    linkToWinBut_->show();
    linkToWinBut_->raise();
    return true;
}

void NTFSViewController::open(const QUrl& url)
{
    if (url.isEmpty() || !url.isValid())
        return;
    if (opener_)
        opener_(url);
    else
        platform::workspace::openUrl(url);
}

void NTFSViewController::linkToHelpButtonAction()
{
    open(helpPageUrl());
}

void NTFSViewController::linkToWinButtonAction()
{
    open(homePageUrl());
}

void NTFSViewController::okButtonAction()
{
    if (superDelegate_)
        superDelegate_->close();
}
