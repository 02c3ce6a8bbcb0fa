// The Transfer menu and what keyboard and screen-reader users are given: the device commands
// with the toolbar's words and order, keys that clash with none of the window's others, items
// enabled exactly as their buttons, and names for every button and menu item.
#include "AppFixture.h"

#include "Resources.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <set>

namespace {

// The window's keys before the Transfer menu came, and those of the windows beside it.
const std::set<QString> kTakenKeys = {"Ctrl+N", "Ctrl+O",    "Ctrl+S", "Ctrl+P",   "Ctrl+Z", "Alt+Backspace", "Ctrl+X",
                                      "Shift+Del", "Ctrl+C", "Ctrl+Ins", "Ctrl+V", "Shift+Ins", "F6", "Shift+F6",
                                      "F1",     "Shift+F1",  "Ctrl+F", "F3",       "Shift+F3", "Esc"};

// The menu's commands: the transfers in toolbar order, the comparison with the device (a menu
// command only) behind the downloads.
std::vector<unsigned> MenuCommands()
{
    std::vector<unsigned> ids = kTransferCommands;
    ids.insert(std::find(ids.begin(), ids.end(), ID_DELIVERY_MODE), ID_COMPARE_DEVICE);
    return ids;
}

}  // namespace

using TransferMenuTest = AppTest;

TEST_F(TransferMenuTest, HoldsTheDeviceCommandsInToolbarOrderWithTheToolbarsWordsAndFreeKeys)
{
    ASSERT_TRUE(Start());
    QAction* popup = frame->menuBar()->actions().value(1);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->text(), "&Transfer");
    std::vector<QAction*> items;
    for (QAction* action : popup->menu()->actions()) {
        if (!action->isSeparator())
            items.push_back(action);
    }
    const std::vector<unsigned> commands = MenuCommands();
    ASSERT_EQ(items.size(), commands.size());
    std::set<QString> mnemonics, keys;
    for (size_t i = 0; i < items.size(); ++i) {
        const unsigned id = commands[i];
        SCOPED_TRACE(testing::Message() << "command " << id);
        EXPECT_EQ(frame->MenuAction(id), items[i]);
        EXPECT_EQ(framework::MenuItemName(items[i]->text()), framework::CommandTip(id).trimmed());
        EXPECT_TRUE(mnemonics.insert(QKeySequence::mnemonic(items[i]->text()).toString()).second);
        const QKeySequence key = items[i]->shortcut();
        if (id == ID_DELIVERY_MODE) {
            EXPECT_TRUE(key.isEmpty()) << "erasing the device takes no key";
            continue;
        }
        EXPECT_FALSE(key.isEmpty());
        EXPECT_EQ(kTakenKeys.count(key.toString()), 0u) << key.toString().toStdString();
        EXPECT_TRUE(keys.insert(key.toString()).second) << key.toString().toStdString();
        // The key is the window's accelerator, once.
        int accelerators = 0;
        for (const QShortcut* shortcut : frame->findChildren<QShortcut*>())
            accelerators += shortcut->key() == key;
        EXPECT_EQ(accelerators, 1);
    }
    EXPECT_FALSE(mnemonics.count(QString()));
}

TEST_F(TransferMenuTest, ItemsAreEnabledExactlyAsTheirButtons)
{
    StartDevice();
    ASSERT_TRUE(Start());
    const auto expectSame = [this](const char* when) {
        Idle();
        for (unsigned id : kTransferCommands)
            EXPECT_EQ(frame->MenuAction(id)->isEnabled(), Button(id)->isEnabled()) << when << ", command " << id;
    };
    expectSame("at start");
    ASSERT_NO_FATAL_FAILURE(Identify());
    expectSame("identified");
    Click(ID_ADJUSTMENT_DATA);
    expectSame("during a download");
    TickToIdle();
    ASSERT_EQ(boxes.texts.back(), kCapturedMessage);
    expectSame("data captured");
}

// As a user without a mouse: the menu by Alt+T, ALL DATA by its letter, then Ctrl+S, which must
// reach the window again rather than the menu bar; a disabled command's key is refused.
TEST_F(TransferMenuTest, MenuAndKeysServeAKeyboardUser)
{
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    QTest::keySequence(frame, frame->MenuAction(ID_ALL_DATA)->shortcut());
    EXPECT_EQ(traces, std::vector<QString>{"Warning: not executing disabled command 32774\n"});
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();

    QTest::keyClick(frame, Qt::Key_T, Qt::AltModifier);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr) << "Alt+T opened no menu";
    QTest::keyClick(menu, Qt::Key_D);
    EXPECT_EQ(State(), kStateRequestAllData);
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileRequests.size(), 1u) << "Ctrl+S after the menu asked for no file name";
}

TEST_F(TransferMenuTest, ButtonsAndMenuItemsAreNamedForScreenReaders)
{
    ASSERT_TRUE(Start());
    const std::vector<std::pair<unsigned, QString>> buttons = {
        {ID_FILE_NEW, "New"}, {ID_FILE_OPEN, "Open"}, {ID_FILE_SAVE, "Save"}, {ID_PUT_DATA, "PUT DATA FROM PC TO VEQ"},
        {ID_ALL_DATA, "ALL DATA FROM VEQ TO PC"}, {ID_HISTORICAL_TEMPERAMENTS, "HISTORICAL TEMPERAMENTS FROM VEQ TO PC"},
        {ID_ADJUSTMENT_DATA, "AJUSTMENT DATA FROM VEQ TO PC"}, {ID_ACTUAL_INSTRUMENT, "ACTUAL INSTURMENT FROM VEQ TO PC"},
        {ID_DELIVERY_MODE, "SET VEQ-32-C DELIVERY MODE"}};
    for (const auto& [id, name] : buttons) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(Button(id));
        EXPECT_EQ(button->text(QAccessible::Name), name);
        EXPECT_EQ(button->text(QAccessible::Description), framework::CommandPrompt(id).trimmed()) << id;
    }

    // The key stands as the item's shortcut, not after a tab in its name.
    const std::vector<std::tuple<unsigned, QString, QString>> items = {
        {ID_FILE_NEW, "New", "Ctrl+N"}, {ID_FILE_SAVE_AS, "Save As..", ""}, {ID_ALL_DATA, "ALL DATA FROM VEQ TO PC", "Ctrl+D"}};
    for (const auto& [id, name, key] : items) {
        QAction* action = frame->MenuAction(id);
        auto* menu = qobject_cast<QMenu*>(action->associatedObjects().value(0));
        ASSERT_NE(menu, nullptr) << id;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(menu);
        QAccessibleInterface* entry = list->child(static_cast<int>(menu->actions().indexOf(action)));
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_EQ(entry->role(), QAccessible::MenuItem);
        EXPECT_EQ(entry->parent(), list);
        EXPECT_EQ(entry->text(QAccessible::Name), name);
        EXPECT_EQ(entry->text(QAccessible::Accelerator), key);
        EXPECT_EQ(entry->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                  key.isEmpty() ? QStringList() : QStringList{key});
    }
    EXPECT_EQ(frame->MenuAction(ID_FILE_NEW)->text(), "&New\tStrg+N");
}
