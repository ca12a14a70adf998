#pragma once
// The notice shown instead of adding items that lie on an NTFS volume, with
// a link to the help page about NTFS volumes and one to the maker's home
// page through the words "NullvaneWindows版本".

#include <QObject>
#include <QPointer>

#include "toolkit/StatusAttachedWindow.h"
#include <QUrl>
#include <functional>

class EUHandButton;
class QLabel;
class TextImageButton;

class NTFSViewController : public QObject {
    Q_OBJECT
public:
    // The words of the notice that lead to the maker's home page.
    static const QString kWindowsVersionWords;

    explicit NTFSViewController(QObject* parent = nullptr);
    ~NTFSViewController() override;

    QWidget* view() const;

    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    void okButtonAction();
    void linkToHelpButtonAction();
    void linkToWinButtonAction();

    // The help page about NTFS volumes, and the maker's home page.
    static QUrl helpPageUrl();
    static QUrl homePageUrl();

    // Underlines `linkLabel` in the link colour.
    void setLinkLabelStyle();
    // Underlines the words "NullvaneWindows版本" inside `nodeTLabel` in the link
    // colour (the text stays plain when it does not contain them) and puts
    // `linkToWinBut` over them. Returns whether the words were found.
    bool setTwoLinkLabelStyle();

    TextImageButton* okButton() const { return okButton_; }
    EUHandButton* linkToHelp() const { return linkToHelp_; }
    EUHandButton* linkToWinBut() const { return linkToWinBut_; }
    QLabel* linkLabel() const { return linkLabel_; }
    QLabel* nodeTLabel() const { return nodeTLabel_; }

    // Opens addresses; tests watch what would be opened.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { opener_ = std::move(opener); }

private:
    void loadView();
    void open(const QUrl& url);

    QPointer<QWidget> view_;
    TextImageButton* okButton_ = nullptr;
    EUHandButton* linkToHelp_ = nullptr;
    EUHandButton* linkToWinBut_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QLabel* nodeTLabel_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    std::function<void(const QUrl&)> opener_;
};
