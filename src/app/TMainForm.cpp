#include "app/TMainForm.h"

#include <QAccessible>
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QStyleFactory>
#include <QToolBar>
#include <QTranslator>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/PlatformChoice.h"
#include "app/SettingsFile.h"
#include "app/WindowCaption.h"
#include "app/WindowPlacement.h"
#include "controls/Glyphs.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "controls/TStatusProgressBar.h"
#include "controls/ToolBarSeparator.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "picture/ColourProfile.h"
#include "picture/ExifOrientation.h"
#include "platform/Desktop.h"
#include "platform/DisplayProfile.h"
#include "platform/ErrorReport.h"
#include "platform/LoopTimer.h"
#include "platform/QirvaError.h"
#include "slideshow/SlideCourse.h"
#include "view/PhotoImage.h"
#include "view/ViewInputFilter.h"

namespace {

constexpr int kDesignWidth = 617;
constexpr int kDesignHeight = 475;
// The window manager's frame is not known before the window is first shown; a title bar is
// about this high.
constexpr int kTitleBarHeight = 24;

QAction* menuItem(QMenu* menu, const char* name, const QString& caption, bool enabled = true)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    return action;
}

QAction* separator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

void TMainForm::initApplication(QApplication& app)
{
    // The task-bar text and window class; the display name would be appended to captions.
    app.setApplicationName(QStringLiteral("QIRVA"));
    // The program speaks Japanese; so do Qt's own dialogs (the folder browser).
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    // The classic look the window was drawn for: bevelled panels, dotted tree lines.
    app.setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    app.setProperty("helpFile", helpFileName());
    app.setWindowIcon(Glyphs::programIcon());
    // The window's font is named as on Windows; IPA P Gothic stands in for it.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    app.setFont(font);
}

TMainForm::TMainForm(const QString& appDir, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    AppDir = appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir;
    if (!AppDir.endsWith(QLatin1Char('/')))
        AppDir += QLatin1Char('/');
    createControls();
    connectCommands();
    FormCreate();
}

TMainForm::~TMainForm()
{
    // The key preview reads this window's members for every event; children are destroyed
    // after this object has stopped being a TMainForm, and their removal sends events.
    delete findChild<ViewInputFilter*>(QString(), Qt::FindDirectChildrenOnly);
}

void TMainForm::createControls()
{
    resize(kDesignWidth, kDesignHeight);
    createToolBar();
    createMenus();
    createPopupMenus();
    createClientArea();

    ImageTimer = new LoopTimer(QStringLiteral("ImageTimer"), 50, this);
    SlideTimer = new LoopTimer(QStringLiteral("SlideTimer"), 0, this);
    ProgressTimer = new LoopTimer(QStringLiteral("ProgressTimer"), 1000, this);
}

void TMainForm::createToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFixedHeight(26);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(0);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto button = [this](const char* name, int glyph, const QString& hint, bool check,
                         bool enabled) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(Glyphs::toolIcon(glyph));
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setCheckable(check);
        b->setEnabled(enabled);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(23, 22);
        ToolBar1->addWidget(b);
        return b;
    };
    auto gap = [this] {
        auto* line = new ToolBarSeparator(ToolBar1);
        line->setFixedSize(8, 22);
        ToolBar1->addWidget(line);
    };
    FolderToolBtn = button("FolderToolBtn", 0, QStringLiteral("フォルダ・プレビュー表示"), true, true);
    gap();
    PrevToolBtn = button("PrevToolBtn", 1, QStringLiteral("前のイメージ"), false, false);
    AutoNextToolBtn = button("AutoNextToolBtn", 2, QStringLiteral("自動進行"), true, false);
    NextToolBtn = button("NextToolBtn", 3, QStringLiteral("次のイメージ"), false, false);
    gap();
    FitWinToolBtn = button("FitWinToolBtn", 4, QStringLiteral("表示最適化"), true, true);
    ZoomOutToolBtn = button("ZoomOutToolBtn", 5, QStringLiteral("縮小"), false, false);
    UnZoomToolBtn = button("UnZoomToolBtn", 6, QString(), false, false);
    // No hint is shown for this one; assistive technology still gets a name.
    UnZoomToolBtn->setAccessibleName(QStringLiteral("実物サイズ"));
    ZoomInToolBtn = button("ZoomInToolBtn", 7, QStringLiteral("拡大"), false, false);
    gap();
    IndexToolBtn = button("IndexToolBtn", 8, QStringLiteral("アルバム表示"), false, false);
    ClipCopyToolBtn = button("ClipCopyToolBtn", 9, QStringLiteral("イメージをクリップボードにコピー"),
                             false, false);
    PrintToolBtn = button("PrintToolBtn", 10, QStringLiteral("表示中の画像を印刷"), false, false);
    gap();
    SettingToolBtn = button("SettingToolBtn", 11, QStringLiteral("設定・印刷設定"), false, true);
    AboutToolBtn = button("AboutToolBtn", 12, QStringLiteral("Ａｂｏｕｔ"), false, true);
}

void TMainForm::createMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    mFile = MainMenu1->addMenu(QStringLiteral("ファイル(&F)"));
    mFile->setObjectName(QStringLiteral("mFile"));
    Folder1 = menuItem(mFile, "Folder1", QStringLiteral("フォルダ・プレビュー表示"));
    Folder1->setCheckable(true);
    N5 = separator(mFile, "N5");
    mPrint = menuItem(mFile, "mPrint", QStringLiteral("表示中の画像を印刷    Ctrl+P"), false);
    mClipCopy = menuItem(mFile, "mClipCopy", QStringLiteral("表示中の画像をコピー  Ctrl+C"), false);
    mIndex = menuItem(mFile, "mIndex", QStringLiteral("アルパム表示"), false);
    N9 = separator(mFile, "N9");
    N22 = menuItem(mFile, "N22", QStringLiteral("設定"));
    N23 = separator(mFile, "N23");
    Exit1 = menuItem(mFile, "Exit1", QStringLiteral("終了                        Alt+F4"));

    mImage = MainMenu1->addMenu(QStringLiteral("画像(&I)"));
    mImage->setObjectName(QStringLiteral("mImage"));
    mNext = menuItem(mImage, "mNext", QStringLiteral("次の画像               Num6"), false);
    mPrev = menuItem(mImage, "mPrev", QStringLiteral("前の画像               Num4"), false);
    mFirst = menuItem(mImage, "mFirst", QStringLiteral("最初の画像            Num7"), false);
    mLast = menuItem(mImage, "mLast", QStringLiteral("最後の画像            Num9"), false);
    N21 = separator(mImage, "N21");
    NextFolder = menuItem(mImage, "NextFolder", QStringLiteral("次のフォルダの画像 Num3"), false);
    PrevFolder = menuItem(mImage, "PrevFolder", QStringLiteral("前のフォルダの画像 Num1"), false);
    N28 = separator(mImage, "N28");
    mAutoNext = menuItem(mImage, "mAutoNext", QStringLiteral("自動進行               Num5"), false);
    mAutoNext->setCheckable(true);
    N19 = separator(mImage, "N19");
    N19->setVisible(false);
    mSlideShow = menuItem(mImage, "mSlideShow", QStringLiteral("スライドショー"), false);
    mSlideShow->setVisible(false);
    mAllSlideShow =
        menuItem(mImage, "mAllSlideShow", QStringLiteral("全ファルダスライドショー"), false);
    mAllSlideShow->setVisible(false);

    mView = MainMenu1->addMenu(QStringLiteral("表示(&V)"));
    mView->setObjectName(QStringLiteral("mView"));
    FitWin = menuItem(mView, "FitWin", QStringLiteral("表示最適化"));
    FitWin->setCheckable(true);
    N14 = separator(mView, "N14");
    mZoomIn = menuItem(mView, "mZoomIn", QStringLiteral("拡大"), false);
    mUnZoom = menuItem(mView, "mUnZoom", QStringLiteral("実物サイズ"), false);
    mZoomOut = menuItem(mView, "mZoomOut", QStringLiteral("縮小"), false);
    N26 = separator(mView, "N26");
    mFullScreen = menuItem(mView, "mFullScreen", QStringLiteral("フルスクリーン　Ctrl+F"));
    mFullScreen->setCheckable(true);

    mHelp = MainMenu1->addMenu(QStringLiteral("ヘルプ(&H)"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    Help2 = menuItem(mHelp, "Help2", QStringLiteral("ヘルプ"));
    N12 = separator(mHelp, "N12");
    About1 = menuItem(mHelp, "About1", QStringLiteral("About"));
}

void TMainForm::createPopupMenus()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N1 = menuItem(PopupMenu1, "N1", QStringLiteral("最新の状態"), false);
    N2 = separator(PopupMenu1, "N2");
    pSlideShow = menuItem(PopupMenu1, "pSlideShow", QStringLiteral("スライドショー"), false);
    pAllSlideShow = menuItem(PopupMenu1, "pAllSlideShow", QStringLiteral("全スライドショー"), false);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    pNext = menuItem(PopupMenu2, "pNext", QStringLiteral("次の画像               Num6"), false);
    pPrev = menuItem(PopupMenu2, "pPrev", QStringLiteral("前の画像               Num4"), false);
    N4 = separator(PopupMenu2, "N4");
    pFirst = menuItem(PopupMenu2, "pFirst", QStringLiteral("最初の画像            Num7"), false);
    pLast = menuItem(PopupMenu2, "pLast", QStringLiteral("最後の画像            Num9"), false);
    N8 = separator(PopupMenu2, "N8");
    pNextFol = menuItem(PopupMenu2, "pNextFol", QStringLiteral("次のフォルダの画像 Num3"), false);
    pPrevFol = menuItem(PopupMenu2, "pPrevFol", QStringLiteral("前のフォルダの画像 Num1"), false);
    N29 = separator(PopupMenu2, "N29");
    pAutoNext = menuItem(PopupMenu2, "pAutoNext", QStringLiteral("自動進行               Num5"), false);
    pAutoNext->setCheckable(true);
    N3 = separator(PopupMenu2, "N3");
    pFullScreen =
        menuItem(PopupMenu2, "pFullScreen", QStringLiteral("フルスクリーン　      Ctrl+F"));
    pFullScreen->setCheckable(true);
    pViewToolBar = menuItem(PopupMenu2, "pViewToolBar", QString());
    pViewToolBar->setVisible(false);
    pViewMenuBar = menuItem(PopupMenu2, "pViewMenuBar", QString());
    pViewMenuBar->setVisible(false);
}

void TMainForm::createClientArea()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(client);

    MainSplitter = new QSplitter(Qt::Horizontal, client);
    MainSplitter->setObjectName(QStringLiteral("MainSplitter"));
    MainSplitter->setHandleWidth(4);
    MainSplitter->setChildrenCollapsible(false);
    layout->addWidget(MainSplitter, 1);

    FolderPanel = new QWidget(MainSplitter);
    FolderPanel->setObjectName(QStringLiteral("FolderPanel"));
    FolderPanel->setMinimumWidth(150); // the splitter keeps 150 px on either side
    auto* folderLayout = new QVBoxLayout(FolderPanel);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    PanelSplitter = new QSplitter(Qt::Vertical, FolderPanel);
    PanelSplitter->setObjectName(QStringLiteral("PanelSplitter"));
    PanelSplitter->setHandleWidth(5);
    PanelSplitter->setChildrenCollapsible(false);
    folderLayout->addWidget(PanelSplitter);

    TreeView = new FolderTreeView(PanelSplitter);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setAccessibleName(QStringLiteral("フォルダ"));
    TreeView->setIndentation(19);
    TreeView->setRootIsDecorated(true);
    TreeView->setMinimumHeight(75);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    QPalette treePalette = TreeView->palette();
    // The selection stays visible when the tree loses the focus.
    treePalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         treePalette.color(QPalette::Active, QPalette::Highlight));
    treePalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         treePalette.color(QPalette::Active, QPalette::HighlightedText));
    TreeView->setPalette(treePalette);
    TreeModel = new FolderTreeModel(Tree, this);
    TreeView->setModel(TreeModel);

    ImagePanel = new ResizeNotifyPanel(PanelSplitter);
    ImagePanel->setObjectName(QStringLiteral("ImagePanel"));
    ImagePanel->setMinimumSize(150, 75);
    ImagePanel->setAccessibleName(QStringLiteral("プレビュー"));
    PanelSplitter->setSizes({1000, 126});
    PanelSplitter->setStretchFactor(0, 1);
    PanelSplitter->setStretchFactor(1, 0);
    Splitter2 = PanelSplitter->handle(1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));

    PrevPanel = new QFrame(ImagePanel);
    PrevPanel->setObjectName(QStringLiteral("PrevPanel"));
    static_cast<QFrame*>(PrevPanel)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    static_cast<QFrame*>(PrevPanel)->setLineWidth(2);
    PrevPanel->setAutoFillBackground(true);
    PrevPanel->setBackgroundRole(QPalette::Dark);
    PrevPanel->setGeometry(0, 0, 225, 126);
    PrevPanel->hide();
    Image2 = new PhotoImage(PrevPanel);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(48, 0, 105, 105);
    Image2->setIncrementalDisplay(true);
    Image2->setDecodeToDrawnSize(true);

    // The view area's 2-pixel sunken border; ScrollBox is the client area inside it, the box
    // that fit, centring and panning work in.
    ScrollBoxFrame = new QFrame(MainSplitter);
    ScrollBoxFrame->setObjectName(QStringLiteral("ScrollBoxFrame"));
    ScrollBoxFrame->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    ScrollBoxFrame->setMinimumWidth(150);
    auto* frameLayout = new QVBoxLayout(ScrollBoxFrame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    ScrollBox = new ResizeNotifyPanel(ScrollBoxFrame);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setAutoFillBackground(true);
    ScrollBox->setBackgroundRole(QPalette::Dark); // the button-shadow colour
    frameLayout->addWidget(ScrollBox);
    ScrollBox->setContextMenuPolicy(Qt::CustomContextMenu);
    ScrollBox->setAccessibleName(QStringLiteral("表示エリア"));
    // The stepping keys need no control of their own to land on; with the folder panel
    // hidden the view area has the focus (the tree has it while the panel is shown).
    ScrollBox->setFocusPolicy(Qt::StrongFocus);
    ScrollBox->setFocus();
    Image1 = new PhotoImage(ScrollBox);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setDecodeToDrawnSize(true);
    Image1->setGeometry(0, 0, 376, 249);
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    Image1->hide();

    MainSplitter->setSizes({225, 1000});
    MainSplitter->setStretchFactor(0, 0);
    MainSplitter->setStretchFactor(1, 1);
    Splitter1 = MainSplitter->handle(1);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setCursor(Qt::SplitHCursor);
    FolderPanel->hide();

    StatusBar1 = new PanelStatusBar({75, 100, 100, 75, 65, 50}, client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    StatusBar1->setPanelText(0, QStringLiteral("イメージなし"));
    layout->addWidget(StatusBar1);

    StatusProgressBar1 = new TStatusProgressBar(StatusBar1);
    StatusProgressBar1->setObjectName(QStringLiteral("StatusProgressBar1"));
    StatusProgressBar1->setRange(0, 100);
    StatusProgressBar1->setValue(0);
    StatusProgressBar1->setAccessibleName(QStringLiteral("読み込み"));
    // Placed once, at the status bar's design size; it keeps that place afterwards.
    StatusBar1->resize(609, 19);
    StatusProgressBar1->setStatusBar(StatusBar1);
    StatusProgressBar1->setPanelIndex(5);
}

void TMainForm::connectCommands()
{
    auto guarded = [this](auto handler) {
        return [this, handler] { ErrorReport::guard(this, [this, handler] { (this->*handler)(); }); };
    };
    auto originated = [this](void (TMainForm::*handler)(CommandOrigin)) {
        return [this, handler] {
            ErrorReport::guard(this, [this, handler] { (this->*handler)(CommandOrigin::Control); });
        };
    };

    connect(Exit1, &QAction::triggered, this, guarded(&TMainForm::Exit1Click));

    // Check buttons follow their state, however it changed: a click, a key, or an assistive
    // technology's Toggle. The program's own changes go through setButtonDown, which is quiet.
    connect(FolderToolBtn, &QToolButton::toggled, this, guarded(&TMainForm::FolderToolBtnClick));
    connect(Folder1, &QAction::triggered, this, guarded(&TMainForm::Folder1Click));
    connect(TreeView, &FolderTreeView::pressedOnRow, this, guarded(&TMainForm::TreeViewPress));
    connect(TreeView, &FolderTreeView::clickedAnywhere, this, guarded(&TMainForm::TreeViewClick));
    connect(TreeView, &FolderTreeView::doubleClickedAnywhere, this,
            guarded(&TMainForm::TreeViewDblClick));
    // The keyboard's ways to the same two commands.
    connect(TreeView, &FolderTreeView::selectedByKey, this, guarded(&TMainForm::TreeViewClick));
    connect(TreeView, &FolderTreeView::photoChosenByKey, this,
            guarded(&TMainForm::TreeViewDblClick));
    connect(ImagePanel, &ResizeNotifyPanel::resized, this,
            guarded(&TMainForm::ImagePanelCanResize));

    for (auto [button, item, popup, handler] :
         {std::tuple{NextToolBtn, mNext, pNext, &TMainForm::NextToolBtnClick},
          std::tuple{PrevToolBtn, mPrev, pPrev, &TMainForm::PrevToolBtnClick}}) {
        connect(button, &QToolButton::clicked, this, originated(handler));
        connect(item, &QAction::triggered, this, originated(handler));
        connect(popup, &QAction::triggered, this, originated(handler));
    }
    for (auto [item, popup, handler] :
         {std::tuple{mFirst, pFirst, &TMainForm::mFirstClick},
          std::tuple{mLast, pLast, &TMainForm::mLastClick},
          std::tuple{NextFolder, pNextFol, &TMainForm::NextFolderClick},
          std::tuple{PrevFolder, pPrevFol, &TMainForm::PrevFolderClick}}) {
        connect(item, &QAction::triggered, this, originated(handler));
        connect(popup, &QAction::triggered, this, originated(handler));
    }

    connect(FitWinToolBtn, &QToolButton::toggled, this, guarded(&TMainForm::FitWinToolBtnClick));
    connect(FitWin, &QAction::triggered, this, guarded(&TMainForm::FitWinClick));
    connect(ZoomInToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::ZoomInToolBtnClick));
    connect(mZoomIn, &QAction::triggered, this, guarded(&TMainForm::ZoomInToolBtnClick));
    connect(ZoomOutToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::ZoomOutToolBtnClick));
    connect(mZoomOut, &QAction::triggered, this, guarded(&TMainForm::ZoomOutToolBtnClick));
    connect(UnZoomToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::UnZoomToolBtnClick));
    connect(mUnZoom, &QAction::triggered, this, guarded(&TMainForm::UnZoomToolBtnClick));
    attachScrollBoxResize(true);

    connect(AutoNextToolBtn, &QToolButton::toggled, this,
            guarded(&TMainForm::AutoNextToolBtnClick));
    connect(mAutoNext, &QAction::triggered, this, guarded(&TMainForm::mAutoNextClick));
    connect(pAutoNext, &QAction::triggered, this, guarded(&TMainForm::pAutoNextClick));
    connect(mSlideShow, &QAction::triggered, this, guarded(&TMainForm::mSlideShowClick));
    connect(pSlideShow, &QAction::triggered, this, guarded(&TMainForm::mSlideShowClick));
    connect(mAllSlideShow, &QAction::triggered, this, guarded(&TMainForm::mAllSlideShowClick));
    connect(pAllSlideShow, &QAction::triggered, this, guarded(&TMainForm::mAllSlideShowClick));
    connect(SlideTimer, &LoopTimer::timeout, this, guarded(&TMainForm::SlideTimerTimer));

    // Reported from inside the decode, which must not be interrupted by a message box; the
    // handler only moves the bar and arms timers.
    connect(Image1, &PhotoImage::progress, this, &TMainForm::Image1Progress);
    Image1->setDecodeElsewhere([this] {
        const bool ordered = m_aheadPlan.largerWanted();
        if (!m_aheadPlan.wantLarger(Image1->picture()->isDecoded()))
            return false;
        // Started after the frame that draws the pixels held larger, which has the cores.
        if (!ordered)
            scheduleNextAhead();
        return true;
    });
    // From the worker's thread: only a message to this one.
    m_aheadPlan.setOnOtherSettled([this] {
        QMetaObject::invokeMethod(
            this, [this] { ErrorReport::guard(this, [this] { otherAheadSettled(); }); },
            Qt::QueuedConnection);
    });
    connect(ProgressTimer, &LoopTimer::timeout, this, guarded(&TMainForm::ProgressTimerTimer));

    connect(PrintToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::PrintToolBtnClick));
    connect(mPrint, &QAction::triggered, this, guarded(&TMainForm::PrintToolBtnClick));
    connect(ClipCopyToolBtn, &QToolButton::clicked, this,
            guarded(&TMainForm::ClipCopyToolBtnClick));
    connect(mClipCopy, &QAction::triggered, this, guarded(&TMainForm::ClipCopyToolBtnClick));
    connect(IndexToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::IndexToolBtnClick));
    connect(mIndex, &QAction::triggered, this, guarded(&TMainForm::IndexToolBtnClick));

    connect(Help2, &QAction::triggered, this, guarded(&TMainForm::Help2Click));
    connect(AboutToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::AboutToolBtnClick));
    connect(About1, &QAction::triggered, this, guarded(&TMainForm::AboutToolBtnClick));

    connect(SettingToolBtn, &QToolButton::clicked, this, guarded(&TMainForm::SettingToolBtnClick));
    connect(N22, &QAction::triggered, this, guarded(&TMainForm::SettingToolBtnClick));

    connectDirectInput();
    connectFullScreen();

    connect(TreeView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(TreeView->viewport()->mapToGlobal(at)); });
    connect(ScrollBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(ScrollBox->mapToGlobal(at)); });
    connect(Image1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(Image1->mapToGlobal(at)); });

    // A photo whose data is damaged shows what could be decoded and is reported once,
    // after the paint that found it.
    for (PhotoImage* image : {Image1, Image2})
        connect(image, &PhotoImage::decodeFailed, this, [this](const QString& text) {
            QMetaObject::invokeMethod(this, [this, text] { ErrorReport::show(this, text); },
                                      Qt::QueuedConnection);
        });
}

void TMainForm::setButtonDown(QToolButton* button, bool down)
{
    const QSignalBlocker quiet(button);
    button->setChecked(down);
}

void TMainForm::FormCreate()
{
    const SettingsFile file(AppDir, SettingsFile::userCopyPath());
    const Settings settings = file.read();
    Mode = settings.Mode;
    m_storedPosition = QPoint(settings.Left, settings.Top);
    placeWindow(settings.Left, settings.Top);
    setWindowTitle(WindowCaption::toWindowTitle(settings.Caption));
    LoadSetPath = settings.LoadSetPath;
    SLISetInte = settings.SLISetInte;
    AllAdjust = settings.AllAdjust;
    AutoOrientation = settings.AutoOrientation;
    FileSizeView = settings.FileSizeView;
    Incremental = settings.Incremental;
    SlideLoop = settings.SlideLoop;
    // The picture layer applies both to every photo it loads from now on, in any thread.
    ExifOrientation::setEnabled(settings.ExifRotation != 0);
    ColourProfile::setDisplayProfile(DisplayProfile::read());
    if (Mode == 0 && LoadSetPath.isEmpty() && !runFirstRunPrompt()) {
        m_startCancelled = true;
        return;
    }

    Pan.stop();
    WheelEdgeArmed = false;
    Image1->setCursor(Glyphs::handCursor());
    SlideTimer->setInterval(SlideCourse::slideTimerInterval(SLISetInte));
    Image1->setIncrementalDisplay(Incremental);

    try {
        MakeFolderTree();
    } catch (const QirvaError& error) {
        ErrorReport::show(nullptr, error.text());
        return;
    } catch (const std::exception& error) {
        ErrorReport::show(nullptr, QString::fromLocal8Bit(error.what()));
        return;
    }
    if (Tree.count() > 2) {
        mAllSlideShow->setEnabled(true);
        pAllSlideShow->setEnabled(true);
    }
}

void TMainForm::placeWindow(qint32 left, qint32 top)
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    m_designPosition = WindowPlacement::place(left, top, kDesignWidth, kTitleBarHeight, screens,
                                              primary ? primary->geometry() : QRect());
    move(m_designPosition);
}

bool TMainForm::runFirstRunPrompt()
{
    Desktop& desktop = Desktop::instance();
    desktop.beep();
    desktop.showMessage(nullptr, QMessageBox::Information, QStringLiteral("情報"),
                        QStringLiteral("Pictavaultの保存先の設定をします"));
    // A cancel is the user's way out: asking again until a folder is chosen would leave them
    // no way to end the program but killing it.
    const QString folder =
        desktop.browseForFolder(nullptr, QStringLiteral("Pictavaultの保存先を指定してください"));
    if (folder.isEmpty())
        return false;
    LoadSetPath = folder;
    return true;
}

void TMainForm::FormDestroy()
{
    if (Mode != 0 || m_startCancelled)
        return;
    Settings settings;
    settings.Mode = Mode;
    // Where the platform cannot tell the window's position (Wayland), the stored one stays.
    const QRect frame = PlatformChoice::knowsWindowPositions(QGuiApplication::platformName())
                            ? outerBounds()
                            : QRect(m_storedPosition, QSize());
    settings.Top = frame.top();
    settings.Left = frame.left();
    settings.Caption = WindowCaption::fromWindowTitle(windowTitle());
    settings.LoadSetPath = LoadSetPath;
    settings.SLISetInte = SLISetInte;
    settings.AllAdjust = AllAdjust;
    settings.AutoOrientation = AutoOrientation;
    settings.FileSizeView = FileSizeView;
    settings.Incremental = Incremental;
    settings.SlideLoop = SlideLoop;
    SettingsFile(AppDir, SettingsFile::userCopyPath()).write(settings);
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (windowTitle().isEmpty() && windowHandle())
        WindowCaption::showEmpty(*windowHandle());
    if (!m_boundsApplied) {
        m_boundsApplied = true;
        m_framePending = true;
        // The outer size counts the window manager's frame, which is known only some time
        // after the window is first shown; give it a second, then keep what the user does.
        QTimer::singleShot(1000, this, [this] { m_framePending = false; });
        QMetaObject::invokeMethod(this, &TMainForm::applyOuterBounds, Qt::QueuedConnection);
    }
}

void TMainForm::applyOuterBounds()
{
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int extraWidth = frame.width() - client.width();
    const int extraHeight = frame.height() - client.height();
    if (extraWidth == 0 && extraHeight == 0)
        return;
    m_framePending = false;
    resize(kDesignWidth - extraWidth, kDesignHeight - extraHeight);
    move(m_designPosition);
}

bool TMainForm::event(QEvent* event)
{
    // Decode a newly shown photo just before the window paints, so the previous photo stays
    // on the screen until the new one can be drawn whole.
    if (event->type() == QEvent::UpdateRequest) {
        Image1->decodeIfNeeded();
        Image2->decodeIfNeeded();
    }
    if (event->type() == PlanAheadEvent) {
        ErrorReport::guard(this, [this] { startNextAhead(); });
        return true;
    }
    const bool result = QMainWindow::event(event);
    if (m_framePending && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        applyOuterBounds();
    return result;
}

QMenu* TMainForm::createPopupMenu()
{
    return nullptr; // no toolbar toggles on right-click
}
