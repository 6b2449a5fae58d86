// The folder panel: showing and hiding it, the tree click and the preview.
#include "app/TMainForm.h"

#include <QSplitter>
#include <QToolButton>

#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderScan.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "library/PreviewGeometry.h"
#include "picture/ExifOrientation.h"
#include "picture/FileStamp.h"
#include "platform/LoopTimer.h"
#include "platform/QirvaError.h"
#include "view/PhotoImage.h"

#include <exception>

void TMainForm::MakeFolderTree()
{
    m_aheadPlan.dropAll();
    m_libraryNames.clear();
    TreeModel->beginRebuild();
    try {
        FolderScan::MakeFolderTree(LoadSetPath, Tree);
    } catch (...) {
        TreeModel->endRebuild();
        throw;
    }
    TreeModel->endRebuild();
}

void TMainForm::FolderToolBtnClick()
{
    if (FolderToolBtn->isChecked()) {
        // A preview that cannot be loaded is reported, but the panel still opens whole: a
        // pressed button over a hidden panel would be stuck.
        std::exception_ptr previewError;
        try {
            if (photoOnShow() && isPhotoNode(CurrentNodeIndex))
                FollowInTree();
            // The preview was let go when the panel closed; the one last seen comes back. The
            // user asked for no photo here: a file gone meanwhile leaves the preview empty,
            // without a message.
            if (!Image2->hasPicture() && !PrevPanel->isHidden() && !m_previewFile.isEmpty()) {
                PrevPanel->hide();
                try {
                    loadPreview(m_previewFile, m_previewPhoto);
                    PrevPanel->show();
                    FitPreview();
                } catch (const QirvaError&) {
                }
            }
        } catch (...) {
            previewError = std::current_exception();
        }
        Splitter1->show();
        FolderPanel->show();
        MainSplitter->refresh(); // lay the view area out now, not after this handler
        // The keys beside the keypad now move the tree's selection.
        TreeView->setFocus();
        Folder1->setChecked(true);
        mSlideShow->setVisible(true);
        mAllSlideShow->setVisible(true);
        N19->setVisible(true);
        SlideMode = 0;
        AutoNextToolBtn->setEnabled(false);
        setButtonDown(AutoNextToolBtn, false);
        mAutoNext->setChecked(false);
        mAutoNext->setEnabled(false);
        pAutoNext->setChecked(false);
        pAutoNext->setEnabled(false);
        SlideTimer->setEnabled(false);
        if (previewError)
            std::rethrow_exception(previewError);
    } else {
        Splitter1->hide();
        FolderPanel->hide();
        MainSplitter->refresh();
        ScrollBox->setFocus(); // where the stepping keys are expected
        Folder1->setChecked(false);
        mSlideShow->setVisible(false);
        mAllSlideShow->setVisible(false);
        N19->setVisible(false);
        // Nobody sees the preview now; a photo's picture can be large.
        Image2->setPicture(nullptr);
        // Unless a double-click takes the selected photo first, "next photo" is what may come.
        scheduleNextAhead();
        // After a rebuild from another library the index may name no photo; then the panel
        // still hides, and the automatic-advance controls keep their state.
        if (photoOnShow() && isPhotoNode(CurrentNodeIndex)) {
            const bool several = photoRecord(CurrentNodeIndex).FileCount >= 2;
            AutoNextToolBtn->setEnabled(several);
            pAutoNext->setEnabled(several);
            mAutoNext->setEnabled(several);
        }
    }
}

void TMainForm::Folder1Click()
{
    setButtonDown(FolderToolBtn, !FolderToolBtn->isChecked());
    FolderToolBtnClick();
}

void TMainForm::TreeViewPress()
{
    if (!isPhotoNode(TreeView->selectedNode()))
        return;
    const TFileNameRec& rec = photoRecord(TreeView->selectedNode());
    startSelectedAhead(rec);
    preparePreview(rec);
}

void TMainForm::preparePreview(const TFileNameRec& rec)
{
    m_preparedPreview.reset();
    const QString path = PreviewPath(rec);
    const QString photoPath = PhotoPath(rec);
    // On show already: the second press of a double-click, or a click on the same row.
    if (path == m_previewFile && photoPath == m_previewPhoto && Image2->hasPicture())
        return;
    try {
        std::unique_ptr<JpegPicture> picture = loadPreviewPicture(path, photoPath);
        // At the scale the preview would decode at when shown.
        const QSize natural(picture->width(), picture->height());
        picture->setMinimumDecodeSize(fitPreview(ImagePanel->size(), natural).picture.size() *
                                      Image2->devicePixelRatioF());
        if (!picture->decode().isEmpty())
            return; // the click loads it again and reports the error
        m_preparedPreview = std::move(picture);
        m_preparedPreviewFile = path;
    } catch (const std::exception&) {
        // As above: the click reports it.
    }
}

void TMainForm::TreeViewClick()
{
    const int selected = TreeView->selectedNode();
    if (selected < 0) {
        StatusBar1->setPanelText(0, QStringLiteral("イメージなし"));
        PrevPanel->hide();
        ImagePanel->setAccessibleDescription(QString());
        mSlideShow->setEnabled(false);
        pSlideShow->setEnabled(false);
        return;
    }
    const FolderTree::Node& node = Tree.node(selected);
    if (node.isAlbum) {
        StatusBar1->setPanelText(0, QString::number(node.dir.FileCount) + QStringLiteral("個"));
        PrevPanel->hide();
        ImagePanel->setAccessibleDescription(QString());
        mSlideShow->setEnabled(node.dir.FileCount != 1);
        pSlideShow->setEnabled(node.dir.FileCount != 1);
        return;
    }
    const TFileNameRec& rec = node.file;
    StatusBar1->setPanelText(0, QStringLiteral("(%1/%2)").arg(rec.FileNo).arg(rec.FileCount));
    // A double-click would open it: decoded on the other core while the preview decodes here.
    startSelectedAhead(rec);
    loadPreview(PreviewPath(rec), PhotoPath(rec));
    ImagePanel->setAccessibleDescription(rec.FileName);
    mSlideShow->setEnabled(rec.FileCount != 1);
    pSlideShow->setEnabled(rec.FileCount != 1);
    PrevPanel->show();
    FitPreview();
}

QString TMainForm::PreviewPath(const TFileNameRec& rec) const
{
    QString album = LoadSetPath;
    if (!album.endsWith(QLatin1Char('/')))
        album += QLatin1Char('/');
    album += rec.DiskDirName + QLatin1Char('/');
    const QString copy =
        m_libraryNames.findFile(album, {QStringLiteral("Preview"), rec.DiskFileName});
    return copy.isEmpty() ? album + rec.DiskFileName : copy;
}

std::unique_ptr<JpegPicture> TMainForm::loadPreviewPicture(const QString& path,
                                                       const QString& photoPath) const
{
    std::unique_ptr<JpegPicture> picture = JpegPicture::load(path);
    // A copy without an orientation of its own may have to take its photo's (read only then).
    if (path != photoPath && picture->exifOrientation() == 0 && ExifOrientation::enabled())
        picture->followPhotoOrientation(JpegPicture::storedShapeOf(photoPath));
    return picture;
}

void TMainForm::loadPreview(const QString& path, const QString& photoPath)
{
    std::unique_ptr<JpegPicture> picture = std::move(m_preparedPreview);
    if (!picture || m_preparedPreviewFile != path || FileStamp::of(path) != picture->fileStamp())
        picture = loadPreviewPicture(path, photoPath);
    Image2->setPicture(std::move(picture));
    m_previewFile = path;
    m_previewPhoto = photoPath;
}

void TMainForm::FitPreview()
{
    if (Image2->pictureWidth() <= 0 || Image2->pictureHeight() <= 0)
        return;
    const PreviewPlacement placement =
        fitPreview(ImagePanel->size(), QSize(Image2->pictureWidth(), Image2->pictureHeight()));
    Image2->setClientHeight(placement.picture.height());
    Image2->setClientWidth(placement.picture.width());
    Image2->move(placement.picture.topLeft());
    PrevPanel->setGeometry(placement.frame);
}

void TMainForm::FollowInTree()
{
    if (!FolderToolBtn->isChecked())
        return;
    const TFileNameRec& current = photoRecord(CurrentNodeIndex);
    const int selected = TreeView->selectedNode();
    if (selected >= 0) {
        const FolderTree::Node& node = Tree.node(selected);
        // By the names on disk: two names may look alike once decoded.
        if (!node.isAlbum && node.file.DiskDirName + QLatin1Char('/') + node.file.DiskFileName ==
                                 current.DiskDirName + QLatin1Char('/') + current.DiskFileName)
            return;
    }
    TreeView->selectNode(CurrentNodeIndex);
    loadPreview(PreviewPath(current), PhotoPath(current));
    ImagePanel->setAccessibleDescription(current.FileName);
    PrevPanel->show();
    FitPreview();
}

void TMainForm::ImagePanelCanResize()
{
    if (!PrevPanel->isHidden() && Image2->pictureWidth() > 0 && Image2->pictureHeight() > 0)
        FitPreview();
}
