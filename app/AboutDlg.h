#pragma once
// The About box: the program's icon, name and version.
#include "Dialog.h"

class CAboutDialog : public framework::CDialog {
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
