#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;
class TEllipsisEdit;
class TMainForm;

// The settings dialog: the library folder, the slide interval, looping, the display while
// loading, the file-size unit and the printer. It edits the main window's settings fields in
// memory when OK is pressed; nothing is written to the settings file here.
class TSettingForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSettingForm(TMainForm& mainForm, QWidget* parent = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QLabel* Label1 = nullptr;
    TEllipsisEdit* LoadEllipsisEdit = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label5 = nullptr;
    QSlider* TimeTrackBar = nullptr;
    QCheckBox* SlideLoopCheckBox = nullptr;
    QGroupBox* IncrementalRadioGroup = nullptr;
    QRadioButton* IncrementalItems[2] = {};
    QCheckBox* FileSizeViewCheckBox = nullptr;
    QToolButton* SpeedButton2 = nullptr;

    QWidget* TabSheet2 = nullptr;
    QCheckBox* AllAdjustPrint = nullptr;
    QCheckBox* AutoOrientationPrint = nullptr;
    QToolButton* SpeedButton1 = nullptr;

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // The checked item of IncrementalRadioGroup: 0 or 1.
    int incrementalItemIndex() const;
    void setIncrementalItemIndex(int index);

    void Button1Click();
    void Button2Click();
    void TimeTrackBarChange();
    // True when the key was one this handler moves the track bar for.
    bool TimeTrackBarKeyDown(int key);
    void LoadEllipsisEditEllipsisClick();
    void LoadEllipsisEditDblClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void AllAdjustPrintClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createSettingPage();
    void createPrintPage();
    void connectHandlers();
    void FormCreate();
    void browseForLibrary();

    TMainForm& m_main;
    QButtonGroup* m_incrementalGroup = nullptr;
};
