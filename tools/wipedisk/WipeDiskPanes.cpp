#include "WipeDiskPanes.h"

#include "FreeSpaceFillEngine.h"

#include "tools/erasepanels/ResultPane.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QTimer>

using toolkit::kToolHeight;
using toolkit::kToolWidth;
using toolkit::makeLabel;

namespace {

const QStringList kCancelSkin{QStringLiteral("btn_secl_normal"), QStringLiteral("btn_secl_hover"),
                              QStringLiteral("btn_secl_hover"), QStringLiteral("btn_secl_disable")};

bool isWipeVolume(int mode) { return mode == FreeSpaceFillEngine::kWipeVolume; }

} // namespace

namespace wipepanes {

QWidget* buildNodeView(QWidget* parent, int mode, const std::function<void()>& more)
{
    auto* node = new QWidget(parent);
    node->setGeometry(48, 24, 560, 78);
    const bool volume = isWipeVolume(mode);
    makeLabel(node, QRect(0, 0, 520, 30), volume ? QStringLiteral("擦除磁盘") : QStringLiteral("擦除剩余空间"),
              toolkit::regularFont(20), toolkit::whiteAlpha(1.0f));
    makeLabel(node, QRect(0, 36, 560, 22),
              volume ? QStringLiteral("重新格式化所选磁盘并覆盖它的全部空间，磁盘上的所有数据都将无法恢复。")
                     : QStringLiteral("覆盖所选磁盘的剩余空间，已删除文件留下的数据将无法恢复，现有文件不受影响。"),
              toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));
    if (!volume) {
        QFont font = toolkit::lightFont(13);
        font.setUnderline(true);
        const QString text = QStringLiteral("了解剩余空间擦除");
        QLabel* link = makeLabel(node, QRect(0, 58, 300, 20), text, font, toolkit::colorOf(0, 182, 255, 1.0));
        auto* button = new EUHandButton(node);
        button->setGeometry(link->x(), link->y(), QFontMetrics(font).horizontalAdvance(text) + 2, link->height());
        QObject::connect(button, &QAbstractButton::clicked, node, [more] {
            if (more)
                more();
        });
    }
    return node;
}

WipeProgressPane buildProgressPane(QWidget* parent, int mode)
{
    const bool volume = isWipeVolume(mode);
    WipeProgressPane p;
    p.pane = new RightBgView(parent);
    p.pane->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    p.pane->hide();

    auto* art = new NamedImageView(QRect((kToolWidth - 56) / 2, 28, 56, 56), p.pane);
    art->setImageName(volume ? QStringLiteral("ic_wipe_hdd_sel") : QStringLiteral("ic_wipe_free_sel"));
    p.startLabel = makeLabel(p.pane, QRect(0, 88, kToolWidth, 28),
                             volume ? QStringLiteral("正在擦除磁盘，请稍候…") : QStringLiteral("正在擦除剩余空间，请稍候…"),
                             toolkit::regularFont(18), toolkit::whiteAlpha(1.0f), Qt::AlignCenter);
    // The step indicator sits between the title and the facts of the run.
    const int factsTop = 218;
    makeLabel(p.pane, QRect(48, factsTop, 110, 24), QStringLiteral("磁盘"), toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));
    p.diskNameLabel = makeLabel(p.pane, QRect(160, factsTop, 522, 24), QString(), toolkit::regularFont(14),
                                toolkit::whiteAlpha(1.0f));
    makeLabel(p.pane, QRect(48, factsTop + 30, 110, 24), QStringLiteral("擦除标准"), toolkit::lightFont(13),
              toolkit::whiteAlpha(0.6f));
    p.typeLabel = makeLabel(p.pane, QRect(160, factsTop + 30, 522, 24), QString(), toolkit::lightFont(13),
                            toolkit::whiteAlpha(0.9f));
    makeLabel(p.pane, QRect(48, factsTop + 60, 110, 24), QStringLiteral("已用时间"), toolkit::lightFont(13),
              toolkit::whiteAlpha(0.6f));
    p.clockLabel = makeLabel(p.pane, QRect(160, factsTop + 60, 200, 24), QString(), toolkit::lightFont(13),
                             toolkit::whiteAlpha(0.9f));

    p.roundLabel = makeLabel(p.pane, QRect(48, kToolHeight - 102 - 16 - 30, 634, 22), QStringLiteral(" "),
                             toolkit::lightFont(13), toolkit::whiteAlpha(0.9f));
    // The system places the bar at (48, 102) from the pane's bottom edge.
    p.bar = new ITProgressBar(QRect(48, kToolHeight - 102 - 16, 634, 16), p.pane);
    p.bar->setFloatValue(0.01);
    p.cancelLabel = makeLabel(p.pane, QRect(48, kToolHeight - 80, 634, 20), QStringLiteral("正在取消，请稍候…"),
                              toolkit::lightFont(12), toolkit::whiteAlpha(0.6f), Qt::AlignCenter);
    p.cancelLabel->hide();
    p.cancelButton = toolkit::makeTextButton(p.pane, QRect((kToolWidth - 120) / 2, kToolHeight - 54, 120, 36), kCancelSkin,
                                             QStringLiteral("取消"), 14);
    return p;
}

WipeEndPane buildEndPane(QWidget* parent, bool success)
{
    WipeEndPane e;
    e.pane = new RightBgView(parent);
    const erasepanels::ResultPane r =
        erasepanels::buildResultPane(e.pane, success, success ? QString() : QStringLiteral("磁盘没有被完整擦除，详情请查看擦除历史。"),
                                     kCancelNote);
    e.message = r.message;
    e.note = r.note;
    e.backButton = r.backButton;
    e.okButton = r.okButton;
    return e;
}

} // namespace wipepanes
