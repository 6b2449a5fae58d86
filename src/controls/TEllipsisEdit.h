#pragma once

#include "controls/TCustomEllipsisEdit.h"

// The ellipsis edit as forms place it; all of its interface is the base class's.
class TEllipsisEdit : public TCustomEllipsisEdit
{
    Q_OBJECT
public:
    using TCustomEllipsisEdit::TCustomEllipsisEdit;
};
