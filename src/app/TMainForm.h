#pragma once

#include <QMainWindow>

class QApplication;

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    static void initApplication(QApplication& app);
    explicit TMainForm(QWidget* parent = nullptr);
};
