// The File Eraser's toolbar and the panels that slide over the screen: the
// erase history, the pass count, and the support link.
#include "FileEraserViewController.h"

#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/ToolArea.h"
#include "tools/erasepanels/PanelHosting.h"

#include <QUrl>

void FileEraserViewController::setupToolbar()
{
    const erasepanels::EraseToolbar bar = erasepanels::buildEraseToolbar(view_);
    toolbar_ = bar.bar;
    historyButton_ = bar.historyButton;
    setButton_ = bar.setButton;
    aboutButton_ = bar.aboutButton;
    connect(historyButton_, &QAbstractButton::clicked, this, &FileEraserViewController::historyButtonAction);
    connect(setButton_, &QAbstractButton::clicked, this, &FileEraserViewController::setButtonAction);
    connect(aboutButton_, &QAbstractButton::clicked, this, &FileEraserViewController::aboutButtonAction);
}

// ---------------------------------------------------------------- side panels

void FileEraserViewController::changeHistoryButtonState()
{
    erasepanels::changeHistoryButtonState(historyButton_, QStringLiteral("WipeFileHistory"));
}

void FileEraserViewController::historyButtonAction()
{
    historyVC_ = erasepanels::openHistoryPanel(historyView_, this, QStringLiteral("WipeFile"), historyButton_,
                                               QStringLiteral("WipeFileHistory"));
}

void FileEraserViewController::closeHistoryView()
{
    toolkit::slideOut(historyView_);
}

void FileEraserViewController::setButtonAction()
{
    setEraserLevelVC_ = erasepanels::openPassCountPanel(setEraserLevelView_, this);
}

void FileEraserViewController::closeSetEraserLevelView()
{
    toolkit::slideOut(setEraserLevelView_);
}

void FileEraserViewController::aboutButtonAction()
{
    const QString address = EULinkUrl::GetUrl(QStringLiteral("SupportTeam"));
    if (address.isEmpty())
        return;
    if (openUrl_)
        openUrl_(QUrl(address));
    else
        platform::workspace::openUrl(QUrl(address));
}
