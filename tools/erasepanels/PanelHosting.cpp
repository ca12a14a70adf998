#include "PanelHosting.h"

#include "core/PublicUtilities.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/ToolArea.h"

#include "toolkit/Label.h"

#include <QFontMetrics>
#include <QLabel>

namespace erasepanels {

namespace {

TCImageButton* toolButton(QWidget* parent, int x, const QString& image, const QString& tip)
{
    return toolkit::makeIconButton(parent, QRect(x, 2, 24, 24), {image, image, image, image}, tip);
}

// A panel's view, laid over the whole of the pane that hosts it.
void showInPane(QWidget* view, QWidget* pane)
{
    view->setParent(pane);
    view->setGeometry(pane->rect());
    view->show();
}

} // namespace

EraseToolbar buildEraseToolbar(QWidget* parent)
{
    EraseToolbar t;
    t.bar = new QWidget(parent);
    t.bar->setGeometry(toolkit::kToolWidth - 130, 24, 110, 28);
    t.historyButton = toolButton(t.bar, 0, QStringLiteral("ic_history_none"), QStringLiteral("擦除历史"));
    t.setButton = toolButton(t.bar, 42, QStringLiteral("ic_setting"), QStringLiteral("擦除次数"));
    t.aboutButton = toolButton(t.bar, 84, QStringLiteral("ic_help"), QStringLiteral("联系支持"));
    return t;
}

void changeHistoryButtonState(TCImageButton* button, const QString& flagKey)
{
    const bool unseen = PublicUtilities::getUpDataHistoryStr(flagKey).toInt() != 0;
    const QString name = unseen ? QStringLiteral("ic_history") : QStringLiteral("ic_history_none");
    button->setImageFromFileNormalName(name, name, name, name);
}

std::unique_ptr<HistoryViewController> openHistoryPanel(QWidget* pane, HistoryVCDelegate* delegate, const QString& type,
                                                        TCImageButton* historyButton, const QString& flagKey)
{
    PublicUtilities::writeUpDataHistoryStr(flagKey, QStringLiteral("0"));
    changeHistoryButtonState(historyButton, flagKey);
    auto history = std::make_unique<HistoryViewController>();
    history->setDelegate(delegate);
    history->setTypeStr(type);
    showInPane(history->view(), pane);
    history->getEraserHistory();
    toolkit::slideIn(pane);
    return history;
}

std::unique_ptr<SetEraserLevelVC> openPassCountPanel(QWidget* pane, SetEraserLevelVCDelegate* delegate)
{
    auto panel = std::make_unique<SetEraserLevelVC>();
    panel->setDelegate(delegate);
    showInPane(panel->view(), pane);
    panel->setEraserLevelSelect();
    toolkit::slideIn(pane);
    return panel;
}

void styleLinkLabel(QLabel* label, QAbstractButton* button, const QColor& color)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    toolkit::setLabelColor(label, color);
    const QFontMetrics metrics(font);
    const int width = std::min(label->width(), metrics.horizontalAdvance(label->text()) + 2);
    button->setGeometry(label->x(), label->y(), width, label->height());
    button->raise();
}

} // namespace erasepanels
