#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace framework {
namespace {

MessageBoxHandler& handlerSlot()
{
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::StandardButtons buttonsFor(unsigned type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

int resultFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

}  // namespace

int AfxMessageBox(const QString& text, unsigned type)
{
    if (handlerSlot())
        return handlerSlot()(text, type);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QApplication::applicationName());
    box.setText(text);
    box.setIcon((type & 0xF0) == MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::Information);
    box.setStandardButtons(buttonsFor(type));
    return resultFor(box.exec());
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    handlerSlot() = std::move(handler);
}

}  // namespace framework
