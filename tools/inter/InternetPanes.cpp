#include "InternetPanes.h"

#include "toolkit/Coordinates.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr int kW = toolkit::kToolWidth;
constexpr int kH = toolkit::kToolHeight;

// A rectangle the system gives with its origin at the bottom left of a pane.
QRect fromSystem(int x, int y, int w, int h, int paneHeight = kH)
{
    return toolkit::flipRect(QRectF(x, y, w, h), paneHeight).toRect();
}

// "btn_main" with its pressed, hover and disabled images, titled at 16.
TextImageButton* mainButton(QWidget* parent, const QRect& frame, const QString& title)
{
    auto* button = new TextImageButton(frame, parent);
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(QStringLiteral("btn_main"), QStringLiteral("btn_main_press"),
                                       QStringLiteral("btn_main_press"), QStringLiteral("btn_main_disable"));
    button->setTextWithName(title, 16);
    return button;
}

TCImageButton* backButton(QWidget* parent, const QRect& frame)
{
    auto* button = new TCImageButton(frame, parent);
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(QStringLiteral("back"), QStringLiteral("back_press"), QStringLiteral("back_hover"),
                                       QStringLiteral("back_disable"));
    return button;
}

QScrollArea* listIn(QWidget* parent, const QRect& frame, BroTableView* list)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setGeometry(frame);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    list->resize(frame.width(), frame.height());
    scroll->setWidget(list);
    scroll->setWidgetResizable(false);
    return scroll;
}

void buildStart(InternetPanes& p, QWidget* root)
{
    p.loadBgView = new RightBgView(root);
    p.loadBgView->setGeometry(0, 0, kW, kH);
    p.scanNodeView = new RightBgView(root);
    p.scanNodeView->setGeometry(0, 0, kW, kH);
    toolkit::makeLabel(p.scanNodeView, fromSystem(64, 330, 420, 34), QStringLiteral("清理浏览器痕迹"),
                       toolkit::regularFont(24), toolkit::whiteAlpha(1.0f));
    QLabel* note = toolkit::makeLabel(p.scanNodeView, fromSystem(64, 258, 400, 62),
                                      QStringLiteral("找出 Google Chrome、Firefox、Opera 留下的浏览记录、Cookies、"
                                                     "缓存、会话和保存的密码，选中后一次清除。"),
                                      toolkit::lightFont(14), toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);
    p.scanButton = mainButton(p.scanNodeView, fromSystem(64, 200, 120, 32), QStringLiteral("扫描"));
    auto* art = new NamedImageView(fromSystem(480, 210, 180, 180), p.scanNodeView);
    art->setImageName(QStringLiteral("ic_internet_sel"));
}

void buildLoading(InternetPanes& p, QWidget* root)
{
    p.loadAnView = new QWidget(root);
    p.loadAnView->setGeometry(0, 0, kW, kH);
    p.loadImageView = new LoadImageView(p.loadAnView);
    p.loadImageView->setGeometry((kW - 64) / 2, 220, 64, 64);
    toolkit::makeLabel(p.loadAnView, QRect(0, 300, kW, 24), QStringLiteral("正在扫描浏览器数据…"),
                       toolkit::lightFont(14), toolkit::whiteAlpha(0.8f), Qt::AlignCenter);
    p.loadAnView->hide();
}

void buildResult(InternetPanes& p, QWidget* root)
{
    p.detailBGView = new RightBgView(root);
    p.detailBGView->setGeometry(kW, 0, kW, kH);
    p.backHomeButton = backButton(p.detailBGView, QRect(20, 18, 32, 32));
    toolkit::makeLabel(p.detailBGView, QRect(64, 18, 300, 32), QStringLiteral("浏览器"), toolkit::regularFont(16),
                       toolkit::whiteAlpha(1.0f));

    p.leftTableView = new BroTableView;
    p.leftTableView->setColumns({{QStringLiteral("FSelect"), 40, true}, {QStringLiteral("FName"), 200, false}});
    p.leftTableView->setRowHeight(40);
    p.leftScroll = listIn(p.detailBGView, QRect(20, 66, 240, 430), p.leftTableView);

    p.nameLabel = toolkit::makeLabel(p.detailBGView, QRect(290, 66, 420, 30), QString(), toolkit::regularFont(16),
                                     toolkit::whiteAlpha(1.0f));
    p.rightTableView = new BroTableView;
    p.rightTableView->setColumns({{QStringLiteral("SSelect"), 40, true},
                                  {QStringLiteral("SName"), 280, false},
                                  {QStringLiteral("SSize"), 110, false}});
    p.rightTableView->setRowHeight(40);
    p.rightScroll = listIn(p.detailBGView, QRect(280, 106, 430, 390), p.rightTableView);

    p.cleanButton = mainButton(p.detailBGView, QRect(kW - 20 - 120, kH - 24 - 32, 120, 32), QStringLiteral("清理"));
    p.detailBGView->hide();
}

void buildEnd(InternetPanes& p, QWidget* root)
{
    p.cleanEndView = new RightBgView(root);
    p.cleanEndView->setGeometry(kW, 0, kW, kH);
    p.cleanEndBack = backButton(p.cleanEndView, QRect(20, 18, 32, 32));
    auto* image = new NamedImageView(QRect((kW - 100) / 2, 150, 100, 100), p.cleanEndView);
    image->setImageName(QStringLiteral("result_success"));
    toolkit::makeLabel(p.cleanEndView, QRect(0, 276, kW, 32), QStringLiteral("清理完成"), toolkit::regularFont(22),
                       toolkit::whiteAlpha(1.0f), Qt::AlignCenter);
    toolkit::makeLabel(p.cleanEndView, QRect(0, 314, kW, 22), QStringLiteral("选中的浏览器数据已清除。"),
                       toolkit::lightFont(14), toolkit::whiteAlpha(0.6f), Qt::AlignCenter);
    p.cleanEndOkBut = mainButton(p.cleanEndView, QRect((kW - 120) / 2, 372, 120, 32), QStringLiteral("好"));
    p.cleanEndView->hide();
}

} // namespace

LoadImageView::LoadImageView(QWidget* parent) : QWidget(parent)
{
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 12) % 360;
        update();
    });
}

void LoadImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(6, 6, -6, -6);
    painter.setPen(QPen(toolkit::whiteAlpha(0.12f), 5));
    painter.drawEllipse(box);
    QPen arc(toolkit::colorOf(31, 167, 242, 1.0f), 5);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(box, -angle_ * 16, 100 * 16);
}

void LoadImageView::showEvent(QShowEvent*)
{
    timer_.start();
}

void LoadImageView::hideEvent(QHideEvent*)
{
    timer_.stop();
}

InternetPanes buildInternetPanes(QWidget* root)
{
    InternetPanes p;
    buildStart(p, root);
    buildLoading(p, root);
    buildResult(p, root);
    buildEnd(p, root);
    // The start panel lies over the loading backdrop.
    p.loadBgView->lower();
    p.scanNodeView->raise();
    return p;
}
