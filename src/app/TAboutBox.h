#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The About box: product name, version and disclaimer, the maker's two links and OK.
// Built afresh for every opening; a fixed 298 x 260 box in the middle of the screen.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* DisclaimerHeading = nullptr;
    QLabel* Disclaimer1 = nullptr;
    QLabel* Disclaimer2 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* HomePageLink = nullptr;
    QPushButton* MailLink = nullptr;
    QPushButton* OKButton = nullptr;
};
