#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QRect>

#include "app/CommandOrigin.h"
#include "library/FolderTree.h"
#include "library/NameLookup.h"
#include "picture/AheadPlan.h"
#include "picture/JpegPicture.h"
#include "view/KeyMap.h"
#include "view/PanEngine.h"

class FolderTreeModel;
class FolderTreeView;
class LoopTimer;
class PanelStatusBar;
class PhotoImage;
class QAction;
class QApplication;
class QFrame;
class QMenu;
class QMenuBar;
class QSplitter;
class QToolBar;
class QToolButton;
class ResizeNotifyPanel;
class TStatusProgressBar;

// The main window: its controls under their form names, its state, and the handlers of
// every command. The handlers live in the files of their subsystem (library/FolderPanel.cpp,
// browse/ShowPhoto.cpp, browse/Stepping.cpp, browse/PhotoAhead.cpp, view/FitZoom.cpp,
// view/LoadProgress.cpp, view/DirectInput.cpp, view/FullScreen.cpp, slideshow/AutoNext.cpp,
// slideshow/SlideShow.cpp, output/OutputCommands.cpp, app/HelpAbout.cpp,
// settings/SettingCommand.cpp).
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Application title, font and help file, set once at program entry.
    static void initApplication(QApplication& app);
    static QString helpFileName() { return QStringLiteral("Qirva.html"); }

    // appDir: the folder of the settings file; empty for the program's own folder.
    explicit TMainForm(const QString& appDir = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Writes the settings back (normal mode only). Run once, when the program ends.
    void FormDestroy();
    // The first-run prompt was cancelled: the program ends at once, writing nothing.
    bool startCancelled() const { return m_startCancelled; }
    // The window's top, left, height and width as the settings and full screen keep them.
    QRect outerBounds() const;

    // --- state -----------------------------------------------------------------------------
    QString AppDir;
    QString LoadSetPath;
    qint32 SLISetInte = 0;
    quint8 Mode = 0;
    bool AllAdjust = false;
    bool AutoOrientation = false;
    bool FileSizeView = false;
    bool Incremental = false;
    bool SlideLoop = false;

    qint32 CurrentNodeIndex = 0;
    quint8 ZoomStep = 0;
    PanEngine Pan; // Dragging, KeyScrolling and the scroll ranges and positions
    bool WheelEdgeArmed = false;
    QRect SavedBounds; // the outer bounds before full screen
    quint8 SlideMode = 0;

    FolderTree Tree; // the nodes behind TreeView, by flat tree index

    // --- controls --------------------------------------------------------------------------
    QToolBar* ToolBar1 = nullptr;
    QToolButton* FolderToolBtn = nullptr;
    QToolButton* PrevToolBtn = nullptr;
    QToolButton* AutoNextToolBtn = nullptr;
    QToolButton* NextToolBtn = nullptr;
    QToolButton* FitWinToolBtn = nullptr;
    QToolButton* ZoomOutToolBtn = nullptr;
    QToolButton* UnZoomToolBtn = nullptr;
    QToolButton* ZoomInToolBtn = nullptr;
    QToolButton* IndexToolBtn = nullptr;
    QToolButton* ClipCopyToolBtn = nullptr;
    QToolButton* PrintToolBtn = nullptr;
    QToolButton* SettingToolBtn = nullptr;
    QToolButton* AboutToolBtn = nullptr;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* mFile = nullptr;
    QAction *Folder1, *N5, *mPrint, *mClipCopy, *mIndex, *N9, *N22, *N23, *Exit1;
    QMenu* mImage = nullptr;
    QAction *mNext, *mPrev, *mFirst, *mLast, *N21, *NextFolder, *PrevFolder, *N28, *mAutoNext,
        *N19, *mSlideShow, *mAllSlideShow;
    QMenu* mView = nullptr;
    QAction *FitWin, *N14, *mZoomIn, *mUnZoom, *mZoomOut, *N26, *mFullScreen;
    QMenu* mHelp = nullptr;
    QAction *Help2, *N12, *About1;

    QMenu* PopupMenu1 = nullptr;
    QAction *N1, *N2, *pSlideShow, *pAllSlideShow;
    QMenu* PopupMenu2 = nullptr;
    QAction *pNext, *pPrev, *N4, *pFirst, *pLast, *N8, *pNextFol, *pPrevFol, *N29, *pAutoNext,
        *N3, *pFullScreen, *pViewToolBar, *pViewMenuBar;

    PanelStatusBar* StatusBar1 = nullptr;
    TStatusProgressBar* StatusProgressBar1 = nullptr;
    QSplitter* MainSplitter = nullptr; // carries Splitter1 as its handle
    QWidget* FolderPanel = nullptr;
    QWidget* Splitter1 = nullptr;
    QSplitter* PanelSplitter = nullptr; // carries Splitter2 as its handle
    FolderTreeView* TreeView = nullptr;
    FolderTreeModel* TreeModel = nullptr;
    QWidget* Splitter2 = nullptr;
    ResizeNotifyPanel* ImagePanel = nullptr;
    QWidget* PrevPanel = nullptr;
    PhotoImage* Image2 = nullptr;
    QFrame* ScrollBoxFrame = nullptr; // ScrollBox's sunken border
    ResizeNotifyPanel* ScrollBox = nullptr; // the client area inside it
    PhotoImage* Image1 = nullptr;

    LoopTimer* ImageTimer = nullptr;
    LoopTimer* SlideTimer = nullptr;
    LoopTimer* ProgressTimer = nullptr;

    // --- handlers and operations -----------------------------------------------------------
    void Exit1Click();
    void MakeFolderTree();

    void FolderToolBtnClick();
    void Folder1Click();
    void TreeViewClick();
    // A press on a photo's row starts its decode ahead: the double-click it may begin then
    // finds it further along (a finger stays down some 60 ms).
    void TreeViewPress();
    QString PreviewPath(const TFileNameRec& rec) const;
    void FitPreview();
    void FollowInTree();
    void ImagePanelCanResize();

    void TreeViewDblClick();
    void LoadPhoto(const TFileNameRec& rec);
    void ShowPhotoInfo(const TFileNameRec& rec);
    void UpdatePositionCommands(const TFileNameRec& rec, bool withAutoAdvance);
    void UpdateFolderCommands(const TFileNameRec& rec);
    QString PhotoPath(const TFileNameRec& rec) const;

    void NextToolBtnClick(CommandOrigin origin);
    void PrevToolBtnClick(CommandOrigin origin);
    void mFirstClick(CommandOrigin origin);
    void mLastClick(CommandOrigin origin);
    void NextFolderClick(CommandOrigin origin);
    void PrevFolderClick(CommandOrigin origin);

    void SetZoomScale(qint64 scale);
    void FitImage();
    void CenterImage();
    void ResetZoom();
    void FitWinToolBtnClick();
    void applyFitMode();
    void FitWinClick();
    void ZoomInToolBtnClick();
    void ZoomOutToolBtnClick();
    void UnZoomToolBtnClick();
    void ScrollBoxCanResize();
    // After a zoom step the corner stays, unless the photo would then lie where panning cannot
    // reach it: it is moved by the least amount that brings it back.
    void keepWithinReach();

    // Load progress: the decoding of Image1 drives StatusProgressBar1.
    void Image1Progress(JpegPicture::ProgressStage Stage, int PercentDone);
    void ProgressTimerTimer();

    // Direct input and full screen (view/DirectInput.cpp, view/FullScreen.cpp).
    void FormKeyDown(const KeyStroke& key);
    void FormKeyUp(const KeyStroke& key);
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    // Positions are relative to the photo.
    void Image1MouseDown(Qt::MouseButton button, QPoint at);
    void Image1MouseMove(QPoint at);
    void Image1MouseUp(Qt::MouseButton button);
    void ScrollBoxMouseDown(Qt::MouseButton button);
    void ImageTimerTimer();
    void mFullScreenClick();
    void pViewToolBarClick();
    void pViewMenuBarClick();

    void AutoNextToolBtnClick();
    void mAutoNextClick();
    void pAutoNextClick();
    void StopAutoNext(CommandOrigin origin);

    // Slide shows: SlideMode 1 (one album) and 2 (all albums), stepped by SlideTimer.
    void mSlideShowClick();
    void mAllSlideShowClick();
    void SlideTimerTimer();

    // Output (output/OutputCommands.cpp): print, copy, album page. Never run by the slide
    // timer, so each one stops automatic advance.
    void PrintToolBtnClick();
    void ClipCopyToolBtnClick();
    void IndexToolBtnClick();
    QString AlbumPagePath(const TFileNameRec& rec) const;

    // Help and About (app/HelpAbout.cpp).
    void Help2Click();
    void AboutToolBtnClick();

    // Settings dialog (settings/SettingCommand.cpp).
    void SettingToolBtnClick();

    // The photo decoded ahead of need (browse/PhotoAhead.cpp).
    const DecodeAhead& ahead() const { return m_aheadPlan.ahead(); }
    // The photo just left and the other likely steps, decoded.
    const PictureKeep& kept() const { return m_aheadPlan.kept(); }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void createControls();
    void createToolBar();
    void createMenus();
    void createPopupMenus();
    void createClientArea();
    void connectCommands();
    void FormCreate();
    // False when the user cancelled the folder dialog.
    bool runFirstRunPrompt();
    // Window placement: the stored position, or the primary screen's corner when the title
    // bar would lie on no screen; the frame's outer size once the frame is known.
    void placeWindow(qint32 left, qint32 top);
    void applyOuterBounds();
    // The photo steps shared by the four within-album commands and the two album jumps.
    void showStepTarget(int target, bool acrossAlbums);
    const TFileNameRec& photoRecord(int index) const;
    bool isPhotoNode(int index) const;
    // The program's own change of a check button: runs no handler (the caller runs it when
    // the command says so).
    void setButtonDown(QToolButton* button, bool down);
    void setPhotoCommand(QToolButton* button, QAction* menuItem, QAction* popupItem, bool on);
    bool photoOnShow() const;
    void startSlideShow(int startNode, quint8 mode);
    // The first photo of the album at CurrentNodeIndex, as the slide timer shows it.
    void showSlideStart(bool withAutoAdvance);

    // --- direct input and full screen ------------------------------------------------------
    void connectDirectInput();
    void connectFullScreen();
    // What a key runs, with the enabled test of the control it stands for.
    void runKeyCommand(KeyMap::Command command, CommandOrigin origin);
    void keyPan(PanEngine::Arrow arrow);
    void wheelNotch(QToolButton* stepButton, QAction* albumItem,
                    void (TMainForm::*step)(CommandOrigin), void (TMainForm::*album)(CommandOrigin));
    void setFullScreenMarks(bool on);
    void attachScrollBoxResize(bool attached);
    void setMenuBarShown(bool shown);
    bool m_settingFullScreenMarks = false;
    QMetaObject::Connection m_scrollBoxResize;
    QRect m_savedGeometry; // the window's own geometry (inside the frame) before full screen

    // --- folder panel ----------------------------------------------------------------------
    // Loads the preview file of the photo at photoPath (the photo itself, or its Preview copy)
    // into Image2 and remembers both: the picture is let go while the panel is closed and
    // loaded again when it opens.
    void loadPreview(const QString& path, const QString& photoPath);
    std::unique_ptr<JpegPicture> loadPreviewPicture(const QString& path,
                                                    const QString& photoPath) const;
    QString m_previewFile;
    QString m_previewPhoto;
    // The preview of the photo pressed in the tree, decoded at the press for the click that
    // ends it: a double-click's second press then finds the window free.
    void preparePreview(const TFileNameRec& rec);
    std::unique_ptr<JpegPicture> m_preparedPreview;
    QString m_preparedPreviewFile;
    // Preview copies (and album pages) found also under another letter case.
    NameLookup m_libraryNames;

    // --- decoding ahead --------------------------------------------------------------------
    // The photo "next photo" would show (or the one selected in the tree), the photo just left
    // and the other likely steps; LoadPhoto takes from it.
    AheadPlan m_aheadPlan;
    int nextPhotoNode() const;
    std::vector<int> likelyPhotoNodes() const;
    // Plans the decodes ahead after the frames already asked for (PlanAheadEvent); a photo
    // on display not yet decoded and painted is planned for when it is.
    void scheduleNextAhead();
    static const QEvent::Type PlanAheadEvent;
    void startNextAhead();
    void startSelectedAhead(const TFileNameRec& rec);
    DecodeAhead::Size aheadSize(QSize box) const;
    void otherAheadSettled();

    // --- start-up --------------------------------------------------------------------------
    bool m_startCancelled = false;

    // --- window placement ------------------------------------------------------------------
    QPoint m_designPosition; // where the frame's top-left corner goes
    QPoint m_storedPosition; // Left and Top as read from the settings file
    bool m_boundsApplied = false;
    bool m_framePending = false;
};
