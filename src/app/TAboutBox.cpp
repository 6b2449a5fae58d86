#include "app/TAboutBox.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/ProductLinks.h"
#include "controls/Glyphs.h"
#include "platform/Desktop.h"

namespace {

constexpr int kClientWidth = 298;
constexpr int kClientHeight = 260;

QFrame* framedPanel(QWidget* parent, const char* name, const QRect& geometry)
{
    // An etched frame: a lowered outer bevel around a raised inner one.
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setGeometry(geometry);
    return panel;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(at);
    l->adjustSize();
    return l;
}

// A line of blue text that opens an address, a button underneath so that the keyboard and
// assistive technology can press it too.
QPushButton* link(QWidget* parent, const char* name, const QString& text, QPoint at,
                  const QUrl& target)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setAutoDefault(false);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QPushButton { color: blue; border: none; padding: 0;"
                                    " background: transparent; text-align: left; }"
                                    "QPushButton:focus { text-decoration: underline; }"));
    b->move(at);
    b->adjustSize();
    QObject::connect(b, &QPushButton::clicked, parent,
                     [target] { Desktop::instance().openUrl(target); });
    return b;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    QFont boxFont(QStringLiteral("ＭＳ Ｐゴシック"));
    boxFont.setPixelSize(12);
    setFont(boxFont);
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = framedPanel(this, "Panel1", QRect(8, 8, 281, 145));
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(16, 16, 32, 32);
    ProgramIcon->setPixmap(Glyphs::programIcon().pixmap(32, 32));
    ProductName = label(Panel1, "ProductName", ProductLinks::productName(), QPoint(64, 16));
    Version = label(Panel1, "Version", QStringLiteral("Ver0.5"), QPoint(64, 40));
    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(8, 80, 265, 2);
    DisclaimerHeading = label(Panel1, "DisclaimerHeading", QStringLiteral("免責"), QPoint(8, 88));
    QPalette red = DisclaimerHeading->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    DisclaimerHeading->setPalette(red);
    Disclaimer1 = label(Panel1, "Disclaimer1", QStringLiteral("当ソフトで発生したいかなる障害も"),
                        QPoint(8, 104));
    Disclaimer2 =
        label(Panel1, "Disclaimer2", QStringLiteral("当方は一切責任を負いません"), QPoint(8, 120));

    Panel2 = framedPanel(this, "Panel2", QRect(8, 160, 281, 57));
    HomePageLink = link(Panel2, "HomePageLink", ProductLinks::homePageText(), QPoint(72, 8),
                        ProductLinks::homePage());
    MailLink = link(Panel2, "MailLink", ProductLinks::mailAddress(), QPoint(72, 32),
                    ProductLinks::mailMessage());

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 228, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // The middle of the screen, not of the main window.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
