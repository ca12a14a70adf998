#include "ResultPane.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QLabel>
#include <QStringList>

using toolkit::kToolHeight;
using toolkit::kToolWidth;
using toolkit::makeLabel;

namespace erasepanels {

ResultPane buildResultPane(QWidget* pane, bool success, const QString& message, const QString& note)
{
    static const QStringList kBackSkin{QStringLiteral("back"), QStringLiteral("back_press"), QStringLiteral("back_hover"),
                                       QStringLiteral("back_disable")};
    static const QStringList kMainSkin{QStringLiteral("btn_main"), QStringLiteral("btn_main_press"),
                                       QStringLiteral("btn_main_press"), QStringLiteral("btn_main_disable")};
    ResultPane r;
    pane->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    pane->hide();
    r.backButton = toolkit::makeIconButton(pane, QRect(20, 22, 32, 32), kBackSkin, QStringLiteral("返回"));
    auto* icon = new NamedImageView(QRect((kToolWidth - 100) / 2, 110, 100, 100), pane);
    icon->setImageName(success ? QStringLiteral("result_success") : QStringLiteral("result_fail"));
    makeLabel(pane, QRect(0, 232, kToolWidth, 32), success ? QStringLiteral("擦除完成") : QStringLiteral("擦除未完成"),
              toolkit::regularFont(20), toolkit::whiteAlpha(1.0f), Qt::AlignCenter);
    r.message = makeLabel(pane, QRect(0, 272, kToolWidth, 24), message, toolkit::lightFont(13), toolkit::whiteAlpha(0.6f),
                          Qt::AlignCenter);
    if (!success) {
        r.note = makeLabel(pane, QRect(0, 300, kToolWidth, 24), note, toolkit::lightFont(13),
                           toolkit::colorOf(255, 160, 120, 1.0), Qt::AlignCenter);
        r.note->hide();
    }
    r.okButton = toolkit::makeTextButton(pane, QRect((kToolWidth - 160) / 2, 370, 160, 46), kMainSkin, QStringLiteral("好"), 16);
    return r;
}

} // namespace erasepanels
