#include "UpdateViewController.h"

#include "DialogViews.h"
#include "UpdateManifest.h"

#include "core/EULinkUrl.h"
#include "core/PublicUtilities.h"
#include "platform/Dispatch.h"
#include "platform/gui/Workspace.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QApplication>
#include <cmath>
#include <QFontMetricsF>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace {


// The font the row heights are measured in: the system font at 10.
QFont measuringFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(10);
    return font;
}

QWidget* stateView(QWidget* parent)
{
    auto* view = new QWidget(parent);
    view->setGeometry(0, 0, UpdateViewController::kWidth, UpdateViewController::kHeight);
    view->hide();
    return view;
}

QLabel* logo(QWidget* parent, const QRect& frame)
{
    auto* label = new QLabel(parent);
    label->setGeometry(frame);
    label->setScaledContents(true);
    label->setPixmap(toolkit::ImageCache::pixmapNamed(QStringLiteral("app_logo"), QSizeF(frame.size()), 2.0));
    return label;
}

} // namespace

UpdateViewController::UpdateViewController(QObject* parent)
    : QObject(parent)
{
    buildViews();
    awakeFromNib();
}

UpdateViewController::~UpdateViewController()
{
    lifeline_.cut();
}

void UpdateViewController::buildViews()
{
    view_ = std::make_unique<QWidget>();
    view_->resize(kWidth, kHeight);
    const QColor strong = toolkit::whiteAlpha(0.9f);
    const QColor faint = toolkit::whiteAlpha(0.6f);

    checkProgressView = stateView(view_.get());
    logo(checkProgressView, QRect(202, 60, 56, 56));
    toolkit::makeLabel(checkProgressView, QRect(20, 136, 420, 24), QStringLiteral("正在检查更新…"),
                       toolkit::regularFont(16), strong, Qt::AlignCenter);
    toolkit::makeLabel(checkProgressView, QRect(20, 166, 420, 20), QStringLiteral("正在连接更新服务器，请稍候。"),
                       toolkit::lightFont(13), faint, Qt::AlignCenter);
    proClose = new TextImageButton(QRect(180, 256, 100, 32), checkProgressView);

    noNetworkView = stateView(view_.get());
    logo(noNetworkView, QRect(202, 60, 56, 56));
    toolkit::makeLabel(noNetworkView, QRect(20, 136, 420, 24), QStringLiteral("无法连接到网络"),
                       toolkit::regularFont(16), strong, Qt::AlignCenter);
    toolkit::makeLabel(noNetworkView, QRect(20, 166, 420, 20), QStringLiteral("请检查网络连接后再试。"),
                       toolkit::lightFont(13), faint, Qt::AlignCenter);
    noNetClose = new TextImageButton(QRect(180, 256, 100, 32), noNetworkView);

    noUpdateView = stateView(view_.get());
    logo(noUpdateView, QRect(202, 60, 56, 56));
    toolkit::makeLabel(noUpdateView, QRect(20, 136, 420, 24), QStringLiteral("当前已是最新版本"),
                       toolkit::regularFont(16), strong, Qt::AlignCenter);
    toolkit::makeLabel(noUpdateView, QRect(20, 166, 420, 20),
                       QStringLiteral("Nullvane %1 是目前可用的最新版本。").arg(QStringLiteral(NULLVANE_VERSION)),
                       toolkit::lightFont(13), faint, Qt::AlignCenter);
    noUpdateClose = new TextImageButton(QRect(180, 256, 100, 32), noUpdateView);

    haveUpdateView = stateView(view_.get());
    logo(haveUpdateView, QRect(22, 20, 40, 40));
    titleLable = toolkit::makeLabel(haveUpdateView, QRect(74, 18, 370, 24), QString(), toolkit::regularFont(16), strong);
    versionLabel = toolkit::makeLabel(haveUpdateView, QRect(74, 44, 370, 18), QString(), toolkit::lightFont(13), faint);
    auto* listBackdrop = new UpdateScBgView(haveUpdateView);
    listBackdrop->setGeometry(22, 76, kListWidth, kListHeight);
    changeValueScrollView = new QScrollArea(haveUpdateView);
    changeValueScrollView->setGeometry(22, 76, kListWidth, kListHeight);
    changeValueScrollView->setFrameShape(QFrame::NoFrame);
    changeValueScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    changeValueScrollView->setStyleSheet(QStringLiteral(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,70); border-radius: 2px; min-height: 20px; }"
        "QScrollBar::add-line, QScrollBar::sub-line, QScrollBar::add-page, QScrollBar::sub-page "
        "{ background: none; height: 0; }"));
    showVersionScrollView = new QWidget;
    showVersionScrollView->resize(kListWidth, kListHeight);
    changeValueScrollView->setWidget(showVersionScrollView);
    haveClose = new TextImageButton(QRect(218, 268, 104, 32), haveUpdateView);
    updateButton = new TextImageButton(QRect(334, 268, 104, 32), haveUpdateView);

    checkProgressView->show();
}

void UpdateViewController::awakeFromNib()
{
    struct Setup {
        TextImageButton* button;
        QStringList images;
        const char* title;
        void (UpdateViewController::*action)();
    };
    const QStringList secondary = toolkit::secondaryButtonSkin();
    QStringList proImages = secondary;
    proImages[2] = toolkit::imageName("btn_secl_press");
    const Setup setups[] = {
        {proClose, proImages, "关闭", &UpdateViewController::closeWindow},
        {noNetClose, secondary, "关闭", &UpdateViewController::closeWindow},
        {noUpdateClose, secondary, "完成", &UpdateViewController::closeWindow},
        {haveClose, secondary, "稍后提示", &UpdateViewController::closeWindow},
        {updateButton, toolkit::primaryButtonSkin(), "安装更新", &UpdateViewController::updateClickHereAction},
    };
    for (const Setup& s : setups) {
        s.button->setButtonEnabled(true);
        s.button->setImageFromFileNormalName(s.images[0], s.images[1], s.images[2], s.images[3]);
        s.button->setTextWithName(QString::fromUtf8(s.title), 14);
        connect(s.button, &QAbstractButton::clicked, this, s.action);
    }
    getVersionChange();
    changeValueScrollView->verticalScrollBar()->setValue(0);
}

void UpdateViewController::getVersionChange()
{
    const Lifeline::Handle self = lifeline_.handle();
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, self] {
        if (!PublicUtilities::isCanBeUseNetWork()) {
            self.post([this] { showOnly(noNetworkView, State::NoNetwork); });
            return;
        }
        const QVariant manifest = fetchManifest();
        self.post([this, manifest] { whatIsNewVersionDiff(manifest); });
    });
}

void UpdateViewController::showOnly(QWidget* visible, State state)
{
    for (QWidget* v : {checkProgressView, noNetworkView, noUpdateView, haveUpdateView})
        v->setVisible(v == visible);
    state_ = state;
    emit checkFinished();
}

double UpdateViewController::heightForStringDrawing(const QString& text, const QFont& font, double width)
{
    const QFontMetricsF metrics(font);
    return metrics.boundingRect(QRectF(0, 0, width, 1e7), Qt::TextWordWrap, text).height();
}

void UpdateViewController::whatIsNewVersionDiff(const QVariant& manifest)
{
    const VersionDiff diff = compareManifest(manifest, localVersionCheck());
    if (!diff.haveUpdate) {
        showOnly(noUpdateView, State::NoUpdate);
        return;
    }
    titleLable->setText(QStringLiteral("检测到新版本%1，是否更新？").arg(diff.version));
    versionLabel->setText(QStringLiteral("%1版本的新功能:").arg(diff.version));

    for (QObject* old : showVersionScrollView->children())
        delete old;
    const QColor text = toolkit::colorOf(237, 239, 240, 1);
    QList<QLabel*> rows;
    QList<double> heights;
    const QFont measure = measuringFont();
    for (int i = 0; i < diff.lines.size(); ++i) {
        const QString& value = diff.lines[i];
        QLabel* row = toolkit::makeLabel(showVersionScrollView, QRect(), QStringLiteral("%1.%2").arg(i + 1).arg(value),
                                         toolkit::lightFont(13), text);
        row->setWordWrap(true);
        // The row shows its whole text as a tooltip, so it takes the pointer.
        row->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        row->setContentsMargins(10, 0, 10, 0);
        row->setToolTip(QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(value.toHtmlEscaped()));
        // The measure at 10 points and 200 wide sets the row; the row never
        // gets less than its own text needs in the font it is shown in.
        heights << std::max(heightForStringDrawing(value, measure, 200), double(row->heightForWidth(kListWidth)));
        rows << row;
    }
    // Whole points, so the rows meet without gaps or overlaps.
    int total = 0;
    for (double h : heights)
        total += static_cast<int>(std::ceil(std::max(30.0, h)));
    const int documentHeight = std::max(kListHeight, total);
    showVersionScrollView->resize(kListWidth, documentHeight);
    int used = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const int rowHeight = static_cast<int>(std::ceil(std::max(25.0, heights[i])));
        // Rows stack from the top edge down.
        rows[i]->setGeometry(0, used, kListWidth, rowHeight);
        rows[i]->show();
        used += rowHeight;
    }
    showOnly(haveUpdateView, State::HaveUpdate);
    changeValueScrollView->verticalScrollBar()->setValue(0);
}

void UpdateViewController::closeWindow()
{
    if (superDelegate)
        superDelegate->close();
}

void UpdateViewController::updateClickHereAction()
{
    closeWindow();
    const QString link = EULinkUrl::GetUrl(QStringLiteral("UpdateURL"));
    if (!link.isEmpty())
        platform::workspace::openUrl(QUrl(link));
}
