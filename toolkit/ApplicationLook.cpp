#include "ApplicationLook.h"

#include "InterfaceStyle.h"

#include "platform/Log.h"
#include "platform/gui/Language.h"

#include <QApplication>
#include <QEvent>
#include <QToolTip>

namespace toolkit {

QPalette darkPalette()
{
    const QColor body(50, 50, 62);
    const QColor list(50, 50, 61);
    const QColor text(237, 239, 240);
    const QColor faint(255, 255, 255, 110);
    const QColor blue(10, 103, 230);

    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, body);
        p.setColor(group, QPalette::WindowText, off ? faint : text);
        p.setColor(group, QPalette::Base, list);
        p.setColor(group, QPalette::AlternateBase, QColor(54, 54, 66));
        p.setColor(group, QPalette::Text, off ? faint : text);
        p.setColor(group, QPalette::PlaceholderText, faint);
        p.setColor(group, QPalette::Button, QColor(64, 64, 78));
        p.setColor(group, QPalette::ButtonText, off ? faint : text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Light, QColor(90, 90, 106));
        p.setColor(group, QPalette::Midlight, QColor(74, 74, 88));
        p.setColor(group, QPalette::Mid, QColor(44, 44, 54));
        p.setColor(group, QPalette::Dark, QColor(34, 34, 42));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        p.setColor(group, QPalette::Highlight, off ? QColor(70, 70, 84) : blue);
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, QColor(58, 58, 72));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::Link, QColor(0, 182, 255));
        p.setColor(group, QPalette::LinkVisited, QColor(0, 150, 220));
    }
    return p;
}

QString applicationStyleSheet()
{
    const QFont font = regularFont(13);
    const QString family = font.family();
    return QStringLiteral(
               "QMenu, QToolTip, QMessageBox, QFileDialog, QInputDialog,"
               " QMessageBox *, QFileDialog *, QInputDialog * { font-family: \"%1\"; font-size: 13px; }"
               "QToolTip { background: rgb(58,58,72); color: rgb(237,239,240);"
               " border: 1px solid rgba(255,255,255,40); padding: 3px 6px; }"
               "QMenu { background: rgb(58,58,72); color: white; border: 1px solid rgba(255,255,255,40); padding: 4px 0; }"
               "QMenu::item { padding: 5px 24px 5px 18px; }"
               "QMenu::item:selected { background: rgb(10,103,230); }"
               "QMenu::item:disabled { color: rgba(255,255,255,90); }"
               "QMenu::separator { height: 1px; background: rgba(255,255,255,30); margin: 4px 8px; }"
               "QMessageBox, QFileDialog, QInputDialog { background: rgb(50,50,62); }"
               "QMessageBox QLabel, QFileDialog QLabel { color: rgb(237,239,240); }"
               "QMessageBox QPushButton, QFileDialog QPushButton, QInputDialog QPushButton {"
               " background: rgb(64,64,78); color: white; border: 1px solid rgba(255,255,255,60);"
               " border-radius: 4px; padding: 4px 16px; min-width: 64px; min-height: 22px; }"
               "QMessageBox QPushButton:hover, QFileDialog QPushButton:hover, QInputDialog QPushButton:hover {"
               " background: rgb(74,74,90); }"
               "QMessageBox QPushButton:default, QFileDialog QPushButton:default, QInputDialog QPushButton:default {"
               " background: rgb(10,103,230); border-color: rgb(31,167,242); }"
               "QMessageBox QPushButton:disabled, QFileDialog QPushButton:disabled {"
               " color: rgba(255,255,255,90); background: rgb(56,56,68); }"
               "QFileDialog QLineEdit, QFileDialog QComboBox, QInputDialog QLineEdit {"
               " background: rgb(39,39,48); color: white; border: 1px solid rgba(255,255,255,50);"
               " border-radius: 3px; padding: 2px 4px; selection-background-color: rgb(10,103,230); }"
               "QFileDialog QComboBox QAbstractItemView { background: rgb(50,50,61); color: white;"
               " selection-background-color: rgb(10,103,230); }"
               "QFileDialog QTreeView, QFileDialog QListView { background: rgb(50,50,61); color: rgb(237,239,240);"
               " alternate-background-color: rgb(54,54,66); border: 1px solid rgba(255,255,255,30);"
               " selection-background-color: rgb(10,103,230); selection-color: white; }"
               "QFileDialog QHeaderView::section { background: rgb(61,73,110); color: rgb(194,200,230);"
               " border: none; padding-left: 6px; height: 22px; }"
               "QFileDialog QToolButton { background: transparent; border: none; color: white; }"
               "QFileDialog QToolButton:hover { background: rgba(255,255,255,25); border-radius: 3px; }")
        .arg(family);
}

namespace {

// Qt's own windows get the sheet one by one as they are made ready; set on the
// application it would also reach our own widgets and change how they resolve
// their fonts.
bool isQtsOwnWindow(const QWidget* w)
{
    if (w->inherits("QTipLabel"))
        return true;
    return w->isWindow() && (w->inherits("QMenu") || w->inherits("QMessageBox") || w->inherits("QFileDialog")
                             || w->inherits("QInputDialog") || w->inherits("QProgressDialog")
                             || w->inherits("QErrorMessage") || w->inherits("QColorDialog")
                             || w->inherits("QFontDialog"));
}

class QtWindowStyler : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->styleSheet().isEmpty() && isQtsOwnWindow(w)) {
                // The same sheet for every window: built once.
                static const QString sheet = applicationStyleSheet();
                w->setStyleSheet(sheet);
            }
        }
        return false;
    }
};

} // namespace

void setUpApplicationLook()
{
    static bool done = false;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (done || !app)
        return;
    done = true;
    if (!platform::useSimplifiedChinese())
        platform::log(QStringLiteral("Qt's Chinese translation is missing; its own dialogs stay in English"));
    // The desktop's own file dialog would ignore our palette and language.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setPalette(darkPalette());
    QToolTip::setPalette(darkPalette());
    QToolTip::setFont(regularFont(13));
    app->installEventFilter(new QtWindowStyler(app));
}

} // namespace toolkit
