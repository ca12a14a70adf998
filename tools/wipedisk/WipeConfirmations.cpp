#include "WipeConfirmations.h"

#include "core/CommUti.h"
#include "tools/erasepanels/PanelHosting.h"
#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QFontMetrics>
#include <QLabel>

namespace {
// Under the middle of the standard's box, from the dialog view's origin.
const QPointF kMenuAnchor(369, 100);
} // namespace

MakeSureWipeDiskViewController::MakeSureWipeDiskViewController(QObject* parent)
    : StandardConfirmViewController(QStringLiteral("确定要擦除整个磁盘吗？"),
                                    QStringLiteral("磁盘将被重新格式化，其上的所有数据都将被擦除且无法恢复。"), kMenuAnchor,
                                    parent)
{
}

void MakeSureWipeDiskViewController::confirmed()
{
    if (delegate_)
        delegate_->makeSureToWipeSelectVolume();
}

MakeSureWipeFreeSpaceViewController::MakeSureWipeFreeSpaceViewController(QObject* parent)
    : StandardConfirmViewController(QStringLiteral("确定要擦除剩余空间吗？"),
                                    QStringLiteral("已删除文件留下的数据将被覆盖，磁盘上现有的文件不受影响。"), kMenuAnchor,
                                    parent)
{
}

void MakeSureWipeFreeSpaceViewController::confirmed()
{
    if (delegate_)
        delegate_->makeSureToWipeFreeSpaceSelectVolume();
}

// ---------------------------------------------------------------- system notice

const QString SystemEraserViewController::kFileEraserWords = QStringLiteral("文件擦除");
const QString SystemEraserViewController::kFreeSpaceWords = QStringLiteral("剩余空间擦除");

namespace {
constexpr int kWidth = 500;
constexpr int kHeight = 236;
const QColor kLinkColor = toolkit::colorOf(0, 182, 255, 1.0);
const QColor kEmphasisColor = toolkit::colorOf(0, 196, 255, 1.0);
} // namespace

SystemEraserViewController::SystemEraserViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

SystemEraserViewController::~SystemEraserViewController()
{
    delete view_.data();
}

QWidget* SystemEraserViewController::view() const
{
    return view_;
}

QUrl SystemEraserViewController::helpPageUrl()
{
    return QUrl(EULinkUrl::sitePage(QStringLiteral("/articles/wipe-system-drive.html")));
}

void SystemEraserViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QStringLiteral("无法擦除系统磁盘"), toolkit::regularFont(16),
                       toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(28, 58, kWidth - 56, 22), QStringLiteral("正在运行的系统位于这个磁盘上，它不能被整个擦除。"),
                       toolkit::lightFont(13), toolkit::whiteAlpha(0.7f));
    nodeLabel_ = new QLabel(view_);
    nodeLabel_->setGeometry(28, 86, kWidth - 56, 44);
    nodeLabel_->setFont(toolkit::lightFont(13));
    nodeLabel_->setWordWrap(true);
    nodeLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    nodeLabel_->setTextFormat(Qt::PlainText);
    nodeLabel_->setText(QStringLiteral("您可以用%1擦除其上的文件，用%2擦除已删除文件留下的数据。").arg(kFileEraserWords, kFreeSpaceWords));
    toolkit::setLabelColor(nodeLabel_, toolkit::whiteAlpha(0.7f));

    linkLabel_ = new QLabel(view_);
    linkLabel_->setGeometry(28, 136, kWidth - 56, 22);
    linkLabel_->setFont(toolkit::lightFont(13));
    linkLabel_->setTextFormat(Qt::PlainText);
    linkLabel_->setText(QStringLiteral("了解如何擦除系统磁盘"));
    linkButton_ = new EUHandButton(view_);
    connect(linkButton_, &QAbstractButton::clicked, this, &SystemEraserViewController::linkButtonAction);

    okButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 110, kHeight - 60, 110, 36), toolkit::primaryButtonSkin(),
                                        QStringLiteral("关闭"));
    connect(okButton_, &QAbstractButton::clicked, this, &SystemEraserViewController::okButtonAction);

    setLinkLabelStyle();
    setNodeLabelStyle();
}

void SystemEraserViewController::setLinkLabelStyle()
{
    erasepanels::styleLinkLabel(linkLabel_, linkButton_, kLinkColor);
}

int SystemEraserViewController::setNodeLabelStyle()
{
    // Styled once already: the words are found in the text as written.
    if (nodeLabel_->textFormat() != Qt::RichText)
        nodeText_ = nodeLabel_->text();
    const QString text = nodeText_;
    struct Range {
        qsizetype at;
        const QString* words;
    };
    QList<Range> ranges;
    for (const QString* words : {&kFileEraserWords, &kFreeSpaceWords}) {
        const qsizetype at = text.indexOf(*words);
        if (at >= 0)
            ranges.append({at, words});
    }
    if (ranges.isEmpty()) {
        nodeLabel_->setTextFormat(Qt::PlainText);
        nodeLabel_->setText(text);
        return 0;
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.at < b.at; });
    // Our own fixed text, escaped all the same.
    QString html;
    qsizetype from = 0;
    const QString style = QStringLiteral("color:%1; font-family:'%2'; font-weight:bold; font-size:14px;")
                              .arg(kEmphasisColor.name(), CommUti::getBoldFontName().toHtmlEscaped());
    for (const Range& r : std::as_const(ranges)) {
        if (r.at < from)
            continue;
        html += text.mid(from, r.at - from).toHtmlEscaped();
        html += QStringLiteral("<span style=\"%1\">%2</span>").arg(style, r.words->toHtmlEscaped());
        from = r.at + r.words->size();
    }
    html += text.mid(from).toHtmlEscaped();
    nodeLabel_->setTextFormat(Qt::RichText);
    nodeLabel_->setText(html);
    return static_cast<int>(ranges.size());
}

void SystemEraserViewController::linkButtonAction()
{
    const QUrl url = helpPageUrl();
    if (url.isEmpty() || !url.isValid())
        return;
    if (opener_)
        opener_(url);
    else
        platform::workspace::openUrl(url);
}

void SystemEraserViewController::okButtonAction()
{
    if (superDelegate_)
        superDelegate_->close();
}
