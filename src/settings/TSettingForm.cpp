#include "settings/TSettingForm.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

#include "app/TMainForm.h"
#include "controls/TEllipsisEdit.h"
#include "library/FolderTree.h"
#include "output/ApplicationPrinter.h"
#include "platform/Desktop.h"
#include "platform/ErrorReport.h"
#include "platform/LoopTimer.h"
#include "slideshow/SlideCourse.h"
#include "view/PhotoImage.h"

namespace {

constexpr int kMaxPosition = 1200;
constexpr int kDefaultPosition = 50;

QString intervalText(int position)
{
    return QString::number(qint64(position) * 100) + QStringLiteral("ミリ秒");
}

template <typename Widget> Widget* place(Widget* widget, const char* name, int left, int top)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->move(left, top);
    return widget;
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* label(QWidget* page, const char* name, int left, int top, const QString& text)
{
    auto* result = place(new QLabel(text, page), name, left, top);
    result->adjustSize();
    return result;
}

// The track bar's thumb is 15 pixels long across the track, whatever the style would give it.
class TrackBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_SliderControlThickness)
            return 15;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QToolButton* flatButton(QWidget* page, const char* name, int left, int top, int width,
                        const QString& text)
{
    auto* button = place(new QToolButton(page), name, left, top, width, 22);
    button->setText(text);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus); // a speed button never takes the keyboard
    return button;
}

} // namespace

TSettingForm::TSettingForm(TMainForm& mainForm, QWidget* parent) : QDialog(parent), m_main(mainForm)
{
    setObjectName(QStringLiteral("SettingForm"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(484, 366);
    move(234, 130);

    PageControl1 = place(new QTabWidget(this), "PageControl1", 16, 16, 457, 313);
    createSettingPage();
    createPrintPage();
    PageControl1->setCurrentIndex(0);

    Button1 = place(new QPushButton(QStringLiteral("OK"), this), "Button1", 304, 336, 75, 25);
    Button2 = place(new QPushButton(QStringLiteral("Cancel"), this), "Button2", 392, 336, 75, 25);
    // Neither button answers Enter: the dialog has no default button.
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // Made after the pages, the buttons follow them in the tab order.

    connectHandlers();
    FormCreate();
}

void TSettingForm::createSettingPage()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("設定"));

    Label1 = label(TabSheet1, "Label1", 16, 8, QStringLiteral("Pictavault保存先"));
    LoadEllipsisEdit = place(new TEllipsisEdit(TabSheet1), "LoadEllipsisEdit", 16, 32, 401, 20);
    LoadEllipsisEdit->setReadOnly(true);
    LoadEllipsisEdit->setAccessibleName(Label1->text());

    Bevel1 = place(new QFrame(TabSheet1), "Bevel1", 16, 56, 401, 2);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    Label2 = label(TabSheet1, "Label2", 16, 64, QStringLiteral("スライドショー間隔"));
    Label5 = place(new QLabel(TabSheet1), "Label5", 288, 64, 129, 12);
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    TimeTrackBar = place(new QSlider(Qt::Horizontal, TabSheet1), "TimeTrackBar", 16, 80, 401, 25);
    TimeTrackBar->setRange(0, kMaxPosition);
    // The arrow keys move it one position through TimeTrackBarKeyDown, nothing else.
    TimeTrackBar->setSingleStep(0);
    TimeTrackBar->setPageStep(5);
    TimeTrackBar->setTickInterval(10);
    TimeTrackBar->setTickPosition(QSlider::TicksAbove);
    TimeTrackBar->setCursor(Qt::PointingHandCursor);
    auto* trackBarStyle = new TrackBarStyle(QApplication::style()->name());
    trackBarStyle->setParent(TimeTrackBar);
    TimeTrackBar->setStyle(trackBarStyle);
    TimeTrackBar->setAccessibleName(Label2->text());
    TimeTrackBar->installEventFilter(this);

    SlideLoopCheckBox =
        place(new QCheckBox(QStringLiteral("スライドショーをループさせる"), TabSheet1),
              "SlideLoopCheckBox", 24, 112, 177, 17);

    IncrementalRadioGroup = place(new QGroupBox(QStringLiteral("画像表示設定"), TabSheet1),
                                  "IncrementalRadioGroup", 16, 208, 225, 65);
    m_incrementalGroup = new QButtonGroup(this);
    const QString items[2] = {QStringLiteral("読み込み完了してから表示"),
                              QStringLiteral("読み込み途中の経過を表示（遅い）")};
    // Two rows sharing the height below the caption, as the group lays out its items.
    for (int i = 0; i < 2; ++i) {
        IncrementalItems[i] =
            place(new QRadioButton(items[i], IncrementalRadioGroup),
                  i == 0 ? "IncrementalItem0" : "IncrementalItem1", 8, 13 + 24 * i, 215, 24);
        m_incrementalGroup->addButton(IncrementalItems[i], i);
    }

    FileSizeViewCheckBox =
        place(new QCheckBox(QStringLiteral("ファイルサイズをＫＢ表示にする"), TabSheet1),
              "FileSizeViewCheckBox", 248, 232, 185, 17);
    SpeedButton2 =
        flatButton(TabSheet1, "SpeedButton2", 352, 256, 87, QStringLiteral("デフォルト設定"));

    setTabOrder(LoadEllipsisEdit, TimeTrackBar);
    setTabOrder(TimeTrackBar, FileSizeViewCheckBox);
    setTabOrder(FileSizeViewCheckBox, SlideLoopCheckBox);
    setTabOrder(SlideLoopCheckBox, IncrementalItems[0]);
    setTabOrder(IncrementalItems[0], IncrementalItems[1]);
}

void TSettingForm::createPrintPage()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("印刷"));

    AllAdjustPrint = place(new QCheckBox(QStringLiteral("画像を紙全体的に印刷する"), TabSheet2),
                           "AllAdjustPrint", 16, 16, 169, 17);
    AllAdjustPrint->setEnabled(false);
    AllAdjustPrint->setToolTip(QStringLiteral("今のところ設定できません"));
    AutoOrientationPrint = place(
        new QCheckBox(QStringLiteral("自動で紙の向きを決める(全体的に印刷のみ有効)"), TabSheet2),
        "AutoOrientationPrint", 16, 40, 281, 17);
    AutoOrientationPrint->setToolTip(
        QStringLiteral("自動で紙の向きを決めます。プリンターの設定は無視されます"));
    SpeedButton1 =
        flatButton(TabSheet2, "SpeedButton1", 352, 256, 89, QStringLiteral("プリンター設定"));
    setTabOrder(AllAdjustPrint, AutoOrientationPrint);
}

void TSettingForm::connectHandlers()
{
    auto guarded = [this](void (TSettingForm::*handler)()) {
        return
            [this, handler] { ErrorReport::guard(this, [this, handler] { (this->*handler)(); }); };
    };
    connect(Button1, &QPushButton::clicked, this, guarded(&TSettingForm::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guarded(&TSettingForm::Button2Click));
    connect(TimeTrackBar, &QSlider::valueChanged, this, guarded(&TSettingForm::TimeTrackBarChange));
    connect(LoadEllipsisEdit, &TEllipsisEdit::OnEllipsisClick, this,
            guarded(&TSettingForm::LoadEllipsisEditEllipsisClick));
    connect(LoadEllipsisEdit, &TEllipsisEdit::doubleClicked, this,
            guarded(&TSettingForm::LoadEllipsisEditDblClick));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TSettingForm::SpeedButton1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded(&TSettingForm::SpeedButton2Click));
    connect(AllAdjustPrint, &QCheckBox::toggled, this, guarded(&TSettingForm::AllAdjustPrintClick));
}

int TSettingForm::incrementalItemIndex() const
{
    return m_incrementalGroup->checkedId();
}

void TSettingForm::setIncrementalItemIndex(int index)
{
    IncrementalItems[index == 1 ? 1 : 0]->setChecked(true);
}

void TSettingForm::FormCreate()
{
    LoadEllipsisEdit->setText(m_main.LoadSetPath);
    TimeTrackBar->setValue(std::clamp(m_main.SLISetInte, 0, kMaxPosition));
    Label5->setText(intervalText(TimeTrackBar->value()));
    AllAdjustPrint->setChecked(m_main.AllAdjust);
    AutoOrientationPrint->setChecked(m_main.AutoOrientation);
    FileSizeViewCheckBox->setChecked(m_main.FileSizeView);
    AutoOrientationPrint->setEnabled(AllAdjustPrint->isChecked());
    setIncrementalItemIndex(m_main.Incremental ? 1 : 0);
    SlideLoopCheckBox->setChecked(m_main.SlideLoop);
    if (m_main.Mode == 1)
        LoadEllipsisEdit->setEnabled(false);
}

void TSettingForm::Button1Click()
{
    TMainForm& main = m_main;
    // In library mode the library is the program's own folder, whatever the box says.
    if (main.Mode == 0 && LoadEllipsisEdit->text() != main.LoadSetPath) {
        main.LoadSetPath = LoadEllipsisEdit->text();
        main.MakeFolderTree();
        const bool enough = main.Tree.count() >= 3;
        main.mAllSlideShow->setEnabled(enough);
        main.pAllSlideShow->setEnabled(enough);
    }
    main.SLISetInte = TimeTrackBar->value();
    main.SlideTimer->setInterval(SlideCourse::slideTimerInterval(main.SLISetInte));
    main.AllAdjust = AllAdjustPrint->isChecked();
    main.AutoOrientation = AutoOrientationPrint->isChecked();
    main.FileSizeView = FileSizeViewCheckBox->isChecked();
    main.SlideLoop = SlideLoopCheckBox->isChecked();
    main.Incremental = incrementalItemIndex() == 1;
    main.Image1->setIncrementalDisplay(main.Incremental);
    accept();
}

void TSettingForm::Button2Click()
{
    reject();
}

void TSettingForm::TimeTrackBarChange()
{
    Label5->setText(intervalText(TimeTrackBar->value()));
}

bool TSettingForm::TimeTrackBarKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Left:
        TimeTrackBar->setValue(TimeTrackBar->value() - 1);
        return true;
    case Qt::Key_Right:
        TimeTrackBar->setValue(TimeTrackBar->value() + 1);
        return true;
    default:
        return false;
    }
}

void TSettingForm::browseForLibrary()
{
    const QString folder = Desktop::instance().browseForFolder(
        this, QStringLiteral("Pictavaultの保存先を指定してください"));
    if (!folder.isEmpty())
        LoadEllipsisEdit->setText(folder);
}

void TSettingForm::LoadEllipsisEditEllipsisClick()
{
    browseForLibrary();
}

void TSettingForm::LoadEllipsisEditDblClick()
{
    browseForLibrary();
}

void TSettingForm::SpeedButton1Click()
{
    // Acts on the application's printer at once; Cancel here does not undo it.
    Desktop::instance().setUpPrinter(this, applicationPrinter());
}

void TSettingForm::SpeedButton2Click()
{
    TimeTrackBar->setValue(kDefaultPosition);
    Label5->setText(intervalText(kDefaultPosition));
    FileSizeViewCheckBox->setChecked(true);
    setIncrementalItemIndex(0);
}

void TSettingForm::AllAdjustPrintClick()
{
    AutoOrientationPrint->setEnabled(AllAdjustPrint->isChecked());
}

void TSettingForm::keyPressEvent(QKeyEvent* event)
{
    // Esc does not close the dialog: it has no cancel button.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TSettingForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TimeTrackBar && event->type() == QEvent::KeyPress) {
        bool handled = false;
        ErrorReport::guard(
            this, [&] { handled = TimeTrackBarKeyDown(static_cast<QKeyEvent*>(event)->key()); });
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}
