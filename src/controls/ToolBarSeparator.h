#pragma once

#include <QFrame>

// The sunken line between groups of tool buttons. Assistive technology is told it is a
// separator; a plain frame would be announced as an unnamed one.
class ToolBarSeparator : public QFrame
{
    Q_OBJECT
public:
    explicit ToolBarSeparator(QWidget* parent = nullptr);
};
