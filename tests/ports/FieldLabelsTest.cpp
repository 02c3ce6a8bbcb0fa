// The interface dialog's fields are named by their labels: the label's mnemonic moves the focus
// to its field, and assistive tools find the label as the field's.
#include "Einstell1.h"
#include "TempDir.h"
#include "resource.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

TEST(FieldLabelsTest, EachLabelNamesItsFieldAndItsMnemonicFocusesIt)
{
    TempWorkDir dir;
    CEinstell1 dlg;
    ASSERT_TRUE(dlg.Create());
    QDialog* window = dlg.GetWindow();
    window->show();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (const auto& [text, id, key] : {std::tuple{"&Device file", IDC_DEVICE_FILE, Qt::Key_D},
                                        std::tuple{"&Port", IDC_COMBO1, Qt::Key_P}}) {
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        const auto label = std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == text; });
        ASSERT_NE(label, labels.end()) << text;
        QWidget* field = dlg.GetDlgItem(id);
        EXPECT_EQ((*label)->buddy(), field);
        // Qt tells a combo box's label as its label relation (its name is its text).
        const auto relations = QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
        ASSERT_EQ(relations.size(), 1) << text;
        EXPECT_EQ(relations.first().first->object(), *label);
        QTest::keyClick(window, key, Qt::AltModifier);
        EXPECT_TRUE(field->isAncestorOf(QApplication::focusWidget()) || field->hasFocus()) << text;
    }
    dlg.DestroyWindow();
}
