// The interface dialog's fields are named by their labels: the label's mnemonic moves the focus
// to its field, and assistive tools read the label as the field's name.
#include "Einstell1.h"
#include "TempDir.h"
#include "resource.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

TEST(FieldLabelsTest, EachLabelNamesItsFieldAndItsMnemonicFocusesIt)
{
    TempWorkDir dir;
    CEinstell1 dlg;
    ASSERT_TRUE(dlg.Create());
    QDialog* window = dlg.GetWindow();
    window->show();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    const struct {
        QString label;
        int field;
        Qt::Key mnemonic;
        QString name;  // as the label reads
    } fields[] = {{"&Device file", IDC_DEVICE_FILE, Qt::Key_D, "Device file"}, {"&Port", IDC_COMBO1, Qt::Key_P, "Port"}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.name.toStdString());
        QLabel* label = nullptr;
        for (QLabel* candidate : window->findChildren<QLabel*>()) {
            if (candidate->text() == f.label)
                label = candidate;
        }
        ASSERT_NE(label, nullptr);
        QWidget* field = dlg.GetDlgItem(f.field);
        EXPECT_EQ(label->buddy(), field);
        // A screen reader reads the label as the field's: Qt gives it as the field's label
        // relation (a combo box's name is its text).
        QAccessibleInterface* labelIface = QAccessible::queryAccessibleInterface(label);
        bool labelled = false;
        for (const auto& [other, relation] : QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label))
            labelled = labelled || other == labelIface;
        EXPECT_TRUE(labelled);
        EXPECT_EQ(labelIface->text(QAccessible::Name), f.name);
        QTest::keyClick(window, f.mnemonic, Qt::AltModifier);
        EXPECT_TRUE(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()));
    }
    dlg.DestroyWindow();
}
