#include "CustomWindowButtonView.h"

#include <QGuiApplication>
#include <QWindow>

CustomWindowButtonView::CustomWindowButtonView(QWidget* parent) : QWidget(parent)
{
    stateConnection_ = connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                               [this](Qt::ApplicationState state) {
                                   if (state == Qt::ApplicationActive)
                                       applicationWillBecomeActive();
                                   else
                                       applicationDidResignActive();
                               });
    focusConnection_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window)
            windowActiveChanged();
    });
}

CustomWindowButtonView::~CustomWindowButtonView()
{
    disconnect(stateConnection_);
    disconnect(focusConnection_);
}

void CustomWindowButtonView::setNeedsDisplayForStandardWindowButtons(bool now)
{
    for (QAbstractButton* b : {closeButton_.data(), minitButton_.data(), zoomButton_.data()}) {
        if (!b)
            continue;
        if (now)
            b->repaint();
        else
            b->update();
    }
}

void CustomWindowButtonView::applicationWillBecomeActive()
{
    // Drawn once as if the pointer were inside, then without symbols: the
    // buttons come back to the front plain.
    mouseInside_ = true;
    setNeedsDisplayForStandardWindowButtons(true);
    mouseInside_ = false;
    setNeedsDisplayForStandardWindowButtons();
}

void CustomWindowButtonView::applicationDidResignActive()
{
    mouseInside_ = false;
    setNeedsDisplayForStandardWindowButtons();
}

void CustomWindowButtonView::windowActiveChanged()
{
    mouseInside_ = false;
    setNeedsDisplayForStandardWindowButtons();
}

void CustomWindowButtonView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    mouseInside_ = true;
    setNeedsDisplayForStandardWindowButtons();
}

void CustomWindowButtonView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseInside_ = false;
    setNeedsDisplayForStandardWindowButtons();
}
