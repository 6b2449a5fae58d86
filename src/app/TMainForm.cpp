#include "app/TMainForm.h"

#include <QApplication>

void TMainForm::initApplication(QApplication& app)
{
    app.setApplicationName(QStringLiteral("QIRVA"));
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {}
