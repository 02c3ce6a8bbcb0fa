// The Transfer menu and what keyboard and screen-reader users are given: the device commands
// with the toolbar's words and order, keys that clash with none of the window's other keys,
// items enabled exactly as their buttons, and names for every button and menu item.
#include "AppFixture.h"

#include "Resources.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTest>
#include <QToolButton>

#include <set>

namespace {

QMenu* Popup(QMenuBar* bar, const QString& title)
{
    for (QAction* popup : bar->actions()) {
        if (popup->text() == title)
            return popup->menu();
    }
    return nullptr;
}

std::vector<QAction*> Items(QMenu* menu)
{
    std::vector<QAction*> items;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            items.push_back(action);
    }
    return items;
}

// The keys the window had before the Transfer menu came, and those of the windows beside it.
const std::set<QString> kTakenKeys = {"Ctrl+N", "Ctrl+O",  "Ctrl+S",    "Ctrl+P",       "Ctrl+Z",   "Alt+Backspace",
                                      "Ctrl+X", "Shift+Del", "Ctrl+C",  "Ctrl+Ins",     "Ctrl+V",   "Shift+Ins",
                                      "F6",     "Shift+F6", "F1",       "Shift+F1",     "Ctrl+F",   "F3",
                                      "Shift+F3", "Esc"};

// How many of the window's accelerators answer to the key.
int Accelerators(const QWidget* frame, const QKeySequence& key)
{
    int count = 0;
    for (const QShortcut* shortcut : frame->findChildren<QShortcut*>())
        count += shortcut->key() == key;
    return count;
}

}  // namespace

using TransferMenuTest = AppTest;

TEST_F(TransferMenuTest, HoldsTheDeviceCommandsInToolbarOrderWithTheToolbarsWordsAndFreeKeys)
{
    ASSERT_TRUE(Start());
    const QList<QAction*> popups = frame->menuBar()->actions();
    ASSERT_GE(popups.size(), 2);
    EXPECT_EQ(popups[1]->text(), "&Transfer");
    QMenu* transfer = Popup(frame->menuBar(), "&Transfer");
    ASSERT_NE(transfer, nullptr);

    const std::vector<QAction*> items = Items(transfer);
    ASSERT_EQ(items.size(), kTransferCommands.size());
    std::set<QString> mnemonics;
    std::set<QString> keys;
    for (size_t i = 0; i < items.size(); ++i) {
        const unsigned id = kTransferCommands[i];
        QAction* item = items[i];
        SCOPED_TRACE(testing::Message() << "command " << id);
        EXPECT_EQ(frame->MenuAction(id), item);
        EXPECT_EQ(framework::MenuItemName(item->text()), framework::CommandTip(id).trimmed());
        const QKeySequence mnemonic = QKeySequence::mnemonic(item->text());
        EXPECT_FALSE(mnemonic.isEmpty());
        EXPECT_TRUE(mnemonics.insert(mnemonic.toString()).second) << "mnemonic used twice";
        EXPECT_EQ(item->statusTip(), framework::CommandPrompt(id));
        const QString key = item->shortcut().toString();
        if (id == ID_DELIVERY_MODE) {
            EXPECT_EQ(key, "") << "erasing the device takes no key";
            continue;
        }
        EXPECT_NE(key, "");
        EXPECT_EQ(kTakenKeys.count(key), 0u) << key.toStdString() << " is taken";
        EXPECT_TRUE(keys.insert(key).second) << key.toStdString() << " twice";
        EXPECT_EQ(Accelerators(frame, item->shortcut()), 1) << key.toStdString();
    }
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

TEST_F(TransferMenuTest, KeysGiveTheCommandAndADisabledOneIsRefusedAsByTheFramework)
{
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    const QKeySequence allData = frame->MenuAction(ID_ALL_DATA)->shortcut();
    ASSERT_FALSE(allData.isEmpty());

    QTest::keySequence(frame, allData);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(traces, std::vector<QString>{"Warning: not executing disabled command 32774\n"});

    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    QTest::keySequence(frame, allData);
    EXPECT_EQ(State(), kStateRequestAllData);

    // New gives the downloads back; then one from the open menu by its mnemonic, as a user
    // without a mouse does.
    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    Tick();
    Idle();
    QMenu* transfer = Popup(frame->menuBar(), "&Transfer");
    transfer->popup(frame->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(transfer));
    QTest::keyClick(transfer, Qt::Key_J);
    EXPECT_EQ(State(), kStateRequestAdjustment);
}

TEST_F(TransferMenuTest, EveryToolbarButtonIsNamedForScreenReaders)
{
    ASSERT_TRUE(Start());
    const std::vector<std::pair<unsigned, QString>> fileButtons = {
        {ID_FILE_NEW, "New"}, {ID_FILE_OPEN, "Open"}, {ID_FILE_SAVE, "Save"}};
    for (const auto& [id, name] : fileButtons) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(Button(id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(QAccessible::Name), name);
        EXPECT_EQ(button->text(QAccessible::Description), framework::CommandPrompt(id));
    }
    for (unsigned id : kTransferCommands) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(Button(id));
        EXPECT_EQ(button->text(QAccessible::Name), framework::CommandTip(id).trimmed()) << id;
    }
}

TEST_F(TransferMenuTest, MenuItemsTellTheirKeyAsAShortcutAndNotInTheirName)
{
    ASSERT_TRUE(Start());
    struct Item {
        unsigned id;
        QString name;
        QString key;
    };
    const std::vector<Item> expected = {{ID_FILE_NEW, "New", "Ctrl+N"},
                                        {ID_FILE_OPEN, "Open...", "Ctrl+O"},
                                        {ID_FILE_SAVE, "Save", "Ctrl+S"},
                                        {ID_FILE_SAVE_AS, "Save As..", ""},
                                        {ID_ALL_DATA, "ALL DATA FROM VEQ TO PC",
                                         frame->MenuAction(ID_ALL_DATA)->shortcut().toString()},
                                        {ID_DELIVERY_MODE, "SET VEQ-32-C DELIVERY MODE", ""}};
    for (const Item& item : expected) {
        QAction* action = frame->MenuAction(item.id);
        QMenu* menu = qobject_cast<QMenu*>(action->associatedObjects().value(0));
        ASSERT_NE(menu, nullptr) << item.id;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(menu);
        QAccessibleInterface* entry = list->child(static_cast<int>(menu->actions().indexOf(action)));
        ASSERT_NE(entry, nullptr) << item.id;
        EXPECT_EQ(entry->role(), QAccessible::MenuItem);
        EXPECT_EQ(entry->text(QAccessible::Name), item.name);
        EXPECT_EQ(entry->text(QAccessible::Accelerator), item.key);
        EXPECT_EQ(entry->parent(), list);
        const QStringList bindings = entry->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(bindings, item.key.isEmpty() ? QStringList() : QStringList{item.key}) << item.id;
    }
    // The menu still shows the key after a tab, as the File items always did.
    EXPECT_EQ(frame->MenuAction(ID_FILE_NEW)->text(), "&New\tStrg+N");
}

// A keyboard user opens the menu with Alt+T and gives ALL DATA by its mnemonic; the window's
// keys must work afterwards as before (the window holds the focus again, not the menu bar).
TEST_F(TransferMenuTest, AfterTheMenuIsUsedByKeyboardTheWindowsKeysStillWork)
{
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    QTest::keyClick(frame, Qt::Key_T, Qt::AltModifier);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr) << "Alt+T opened no menu";
    QTest::keyClick(menu, Qt::Key_D);
    EXPECT_EQ(State(), kStateRequestAllData);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileRequests.size(), 1u) << "Ctrl+S after the menu asked for no file name";
}
