#pragma once
// The disk wipe's two confirmations, twins of one another that differ only in
// their texts and in what "继续" tells the screen, and the notice shown
// instead of Wipe Volume for the volume that holds the running system.

#include "tools/erasepanels/StandardConfirmViewController.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class EUHandButton;
class QLabel;
class TextImageButton;

class MakeSureWipeDiskVCDelegate {
public:
    virtual ~MakeSureWipeDiskVCDelegate() = default;
    virtual void makeSureToWipeSelectVolume() {}
};

class MakeSureWipeFreeSpaceVCDelegate {
public:
    virtual ~MakeSureWipeFreeSpaceVCDelegate() = default;
    virtual void makeSureToWipeFreeSpaceSelectVolume() {}
};

// Before Wipe Volume.
class MakeSureWipeDiskViewController : public StandardConfirmViewController {
    Q_OBJECT
public:
    explicit MakeSureWipeDiskViewController(QObject* parent = nullptr);
    void setDelegate(MakeSureWipeDiskVCDelegate* delegate) { delegate_ = delegate; }

protected:
    void confirmed() override;

private:
    MakeSureWipeDiskVCDelegate* delegate_ = nullptr;
};

// Before Wipe Free Space.
class MakeSureWipeFreeSpaceViewController : public StandardConfirmViewController {
    Q_OBJECT
public:
    explicit MakeSureWipeFreeSpaceViewController(QObject* parent = nullptr);
    void setDelegate(MakeSureWipeFreeSpaceVCDelegate* delegate) { delegate_ = delegate; }

protected:
    void confirmed() override;

private:
    MakeSureWipeFreeSpaceVCDelegate* delegate_ = nullptr;
};

// The notice for the volume mounted at "/": it cannot be wiped whole; the
// words "文件擦除" and "剩余空间擦除" name the two tools left for it.
class SystemEraserViewController : public QObject {
    Q_OBJECT
public:
    static const QString kFileEraserWords;   // "文件擦除"
    static const QString kFreeSpaceWords;    // "剩余空间擦除"

    explicit SystemEraserViewController(QObject* parent = nullptr);
    ~SystemEraserViewController() override;

    QWidget* view() const;
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    void okButtonAction();
    void linkButtonAction();
    static QUrl helpPageUrl();

    // Underlines `linkLabel` in the link colour.
    void setLinkLabelStyle();
    // Draws each of the two words inside `nodeLabel` in the emphasis colour and
    // the bold font; a word the text lacks is left out. Answers how many of
    // the two were found.
    int setNodeLabelStyle();

    TextImageButton* okButton() const { return okButton_; }
    EUHandButton* linkButton() const { return linkButton_; }
    QLabel* linkLabel() const { return linkLabel_; }
    QLabel* nodeLabel() const { return nodeLabel_; }

    void setUrlOpener(std::function<void(const QUrl&)> opener) { opener_ = std::move(opener); }

private:
    void loadView();

    QPointer<QWidget> view_;
    TextImageButton* okButton_ = nullptr;
    EUHandButton* linkButton_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QLabel* nodeLabel_ = nullptr;
    QString nodeText_;
    QPointer<StatusAttachedWindow> superDelegate_;
    std::function<void(const QUrl&)> opener_;
};
