#pragma once
// frmAbout, "Acerca de": the program's title and version, the issuing office
// and where to send questions. Modal over the questionnaire.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace korim::dialogs {

// "Version " and the program's major.minor.revision.
QString versionText();

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);

    void Form_Load();
    void cmdOK_Click();

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QFrame *Line1[2] = {nullptr, nullptr}; // the etched separator: grey, then white
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};

// Shows the box modally over owner and returns when it is closed.
void showAbout(QWidget *owner);

} // namespace korim::dialogs
