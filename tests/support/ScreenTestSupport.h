#pragma once
// Helpers of the tool screens' widget tests: pictures for people, and acting
// on a modal dialog while its run is under way. A test program names its
// picture folder with SCREENTEST_PNG_FOLDER (a compile definition).

#include "DialogGuard.h"
#include "DialogLookup.h"
#include "TestSupport.h"

#include "toolkit/Animation.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#ifndef SCREENTEST_PNG_FOLDER
#define SCREENTEST_PNG_FOLDER "screens"
#endif

namespace screentest {

// Saves what `widget` shows as <test-output>/<folder>/<name>.png.
inline QString savePng(QWidget* widget, const QString& name)
{
    const QString path = nvtest::outputFolder(QStringLiteral(SCREENTEST_PNG_FOLDER)) + QLatin1Char('/') + name + QStringLiteral(".png");
    QImage image = widget->grab().toImage();
    EXPECT_FALSE(image.isNull()) << name;
    // A translucent window is seen over the main window's dark body.
    if (widget->isWindow() && widget->testAttribute(Qt::WA_TranslucentBackground)) {
        QImage backdrop(image.size(), QImage::Format_ARGB32_Premultiplied);
        backdrop.setDevicePixelRatio(image.devicePixelRatio());
        backdrop.fill(QColor(50, 50, 62));
        QPainter painter(&backdrop);
        painter.drawImage(QPointF(0, 0), image);
        painter.end();
        image = backdrop;
    }
    EXPECT_TRUE(image.save(path)) << path;
    return path;
}

// What a label shows, as text, whether it holds plain or rich text.
inline QString plainText(QLabel* label)
{
    if (label->textFormat() != Qt::RichText)
        return label->text();
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

// The colour of one point of what `widget` shows.
inline QColor pixelAt(QWidget* widget, const QPoint& point)
{
    return widget->grab().toImage().pixelColor(point);
}

// A label's text colour.
inline QColor labelColor(QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// The drop-down window's body colour behind a list drawn on its own.
inline void darkBackdrop(QWidget& w)
{
    w.setAutoFillBackground(true);
    QPalette palette = w.palette();
    palette.setColor(QPalette::Window, QColor(50, 50, 57));
    w.setPalette(palette);
}

// The window body's colour behind a view shown on its own, as a dialog
// shows it.
inline void bodyBackdrop(QWidget& w)
{
    w.setAutoFillBackground(true);
    QPalette palette = w.palette();
    palette.setColor(QPalette::Window, QColor(50, 50, 62));
    w.setPalette(palette);
}

// The pointer entering and leaving a widget, as the window server tells it.
inline void sendEnter(QWidget* w)
{
    QEnterEvent enter(QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &enter);
}

inline void sendLeave(QWidget* w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

using nvtest::buttonTitled;
using nvtest::runningDialog;

// Top-level widgets of a type that are visible now.
template <class T> T* visibleTopLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Runs `act` once a widget answers `find`, from the event loop (so also
// while a modal run is under way). Gives up after `timeoutMs`. Until then a
// modal dialog may open: this is the answer it waits for.
template <class T>
void whenShown(std::function<T*()> find, std::function<void(T*)> act, int timeoutMs = 8000)
{
    auto* timer = new QTimer;
    auto started = std::make_shared<qint64>(0);
    auto expecting = std::make_shared<std::unique_ptr<nvtest::ExpectDialogs>>(std::make_unique<nvtest::ExpectDialogs>());
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, find, act, started, timeoutMs, expecting] {
        *started += 20;
        if (T* found = find()) {
            timer->stop();
            timer->deleteLater();
            act(found);
            expecting->reset();
        } else if (*started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            expecting->reset();
            ADD_FAILURE() << "the expected window never showed";
        }
    });
    timer->start();
}

inline void whenDialogShown(std::function<void(StatusAttachedWindow*)> act)
{
    whenShown<StatusAttachedWindow>([] { return runningDialog(); }, std::move(act));
}

// Closes the next message box with `button`, after saving its picture, and
// hands its text to `seen`.
inline void answerNextMessageBox(const QString& pngName, QMessageBox::StandardButton button,
                                 std::function<void(const QString&)> seen = {})
{
    whenShown<QMessageBox>([] { return visibleTopLevel<QMessageBox>(); }, [=](QMessageBox* box) {
        if (!pngName.isEmpty())
            savePng(box, pngName);
        if (seen)
            seen(box->text());
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->close();
    });
}

// Animations jump to their end in every widget test.
class NoAnimations : public ::testing::Environment {
public:
    void SetUp() override { toolkit::setAnimationScale(0); }
};

} // namespace screentest
