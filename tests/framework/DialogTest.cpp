// Dialogs of the framework: an editable combo box hands over its text exactly as the user typed
// it, and Enter in its edit field presses the default button; a message box opens over the
// window that asks for it.
#include "Dialog.h"
#include "MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QValidator>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int kComboId = 100;

const framework::DialogTemplate& NameTemplate()
{
    using framework::DialogControl;
    static const framework::DialogTemplate dialogTemplate = {
        QStringLiteral("Name"), 120, 46, QStringLiteral("Sans"), 8,
        {{DialogControl::comboBox, kComboId, 7, 7, 100, 100, QString(), {"Alpha", "alpine", "Beta"}},
         {DialogControl::defPushButton, framework::IDOK, 7, 25, 50, 14, QStringLiteral("OK"), {}},
         {DialogControl::pushButton, framework::IDCANCEL, 60, 25, 50, 14, QStringLiteral("Cancel"), {}}}};
    return dialogTemplate;
}

class NameDialog : public framework::CDialog {
public:
    NameDialog() : framework::CDialog(NameTemplate()) {}
    void DoDataExchange(framework::CDataExchange* dx) override { framework::DDX_CBString(dx, kComboId, name); }
    QString name;
};

// Focuses the edit field of the running dialog, types keys and presses Enter there.
int TypeAndPressEnter(NameDialog& dlg, const QString& keys)
{
    QTimer::singleShot(0, [&dlg, keys] {
        QLineEdit* edit = qobject_cast<QComboBox*>(dlg.GetDlgItem(kComboId))->lineEdit();
        QApplication::setActiveWindow(dlg.GetWindow());
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, keys);
        QTest::keyClick(edit, Qt::Key_Return);
        if (dlg.GetWindow()->isVisible())
            dlg.GetWindow()->reject();  // Enter did not end the dialog
    });
    return dlg.DoModal();
}

TEST(Dialog, ComboTextIsHandedOverExactlyAsTypedAndEnterPressesOk)
{
    for (const QString typed : {"alpha", "ALPHA", "alp", "Beta", "b", "Gamma"}) {
        SCOPED_TRACE(typed.toStdString());
        NameDialog dlg;
        EXPECT_EQ(TypeAndPressEnter(dlg, typed), framework::IDOK);
        EXPECT_EQ(dlg.name.toStdString(), typed.toStdString());
    }
}

// A dialog whose text is exchanged into it again and again (each opening does it) keeps one
// limit on its field, which still stops typing at the limit.
TEST(Dialog, RepeatedExchangesKeepOneLimitOnTheField)
{
    class LimitedDialog : public NameDialog {
    public:
        void DoDataExchange(framework::CDataExchange* dx) override
        {
            NameDialog::DoDataExchange(dx);
            framework::DDV_MaxChars(dx, name, 5);
        }
    } dlg;
    ASSERT_TRUE(dlg.Create());
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(dlg.UpdateData(false));
    QLineEdit* edit = qobject_cast<QComboBox*>(dlg.GetDlgItem(kComboId))->lineEdit();
    EXPECT_EQ(edit->findChildren<QValidator*>().size(), 1);
    edit->clear();
    QTest::keyClicks(edit, "ABCDEFGH");
    EXPECT_EQ(edit->text(), "ABCDE");
}

}  // namespace

// Enter in a message box presses its default button: the first, unless the box names the
// second, as a question whose "yes" destroys something does.
TEST(MessageBox, EnterPressesTheDefaultButton)
{
    struct Row { unsigned type; int answer; };
    const std::vector<Row> rows = {{framework::MB_OKCANCEL, framework::IDOK},
                                   {framework::MB_OKCANCEL | framework::MB_DEFBUTTON2, framework::IDCANCEL},
                                   {framework::MB_YESNO, framework::IDYES},
                                   {framework::MB_YESNO | framework::MB_DEFBUTTON2, framework::IDNO}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(framework::AfxMessageBox(QStringLiteral("Go on?"), row.type), row.answer);
    }
}

// A box opens over the main window, over the window that asks while it asks and is shown, and
// over the main window again afterwards.
TEST(MessageBox, OpensOverTheWindowThatAsks)
{
    QWidget main, side, hidden;
    main.setGeometry(0, 0, 300, 200);
    side.setGeometry(380, 280, 400, 300);
    main.show();
    side.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main) && QTest::qWaitForWindowExposed(&side));
    framework::SetMessageBoxOwner(&main);
    // The window the box stood centred over.
    const auto standsOver = [] {
        QWidget* over = nullptr;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                look.stop();
                if ((box->geometry().center() - box->parentWidget()->geometry().center()).manhattanLength() < 40)
                    over = box->parentWidget();
                box->close();
            }
        });
        look.start(10);
        framework::AfxMessageBox(QStringLiteral("Where am I?"));
        return over;
    };
    EXPECT_EQ(standsOver(), &main);
    {
        const framework::CMessageBoxOwnerScope asking(&side);
        EXPECT_EQ(standsOver(), &side);
        const framework::CMessageBoxOwnerScope notShown(&hidden);
        EXPECT_EQ(standsOver(), &main);
    }
    EXPECT_EQ(standsOver(), &main);
    framework::SetMessageBoxOwner(nullptr);
}
