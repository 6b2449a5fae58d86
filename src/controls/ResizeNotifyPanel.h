#pragma once

#include <QWidget>

// A plain panel that tells when its size changed.
class ResizeNotifyPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ResizeNotifyPanel(QWidget* parent = nullptr) : QWidget(parent) {}

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        emit resized();
    }
};
