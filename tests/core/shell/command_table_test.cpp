#include "shell/command_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace tanvex::shell;

namespace {

void collect(const std::vector<MenuNode>& nodes, std::vector<int>& ids) {
    for (const MenuNode& n : nodes) {
        if (n.kind == MenuNode::Command) ids.push_back(n.id);
        if (n.kind == MenuNode::Popup) collect(n.items, ids);
    }
}

} // namespace

TEST(CommandTable, EveryCommandHasItsTextAndAPlaceInTheMenu) {
    std::vector<int> inMenu;
    collect(mainMenu(), inMenu);
    std::set<int> unique(inMenu.begin(), inMenu.end());
    EXPECT_EQ(unique.size(), inMenu.size()) << "a command appears twice";
    std::vector<int> ids = menuCommandIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), unique);
    for (int id = 101; id <= 167; ++id) {
        bool expected = id != 156 && id != 162;
        EXPECT_EQ(!commandText(id).empty(), expected) << id;
    }
    EXPECT_EQ(commandText(101), "set &File name");
    EXPECT_EQ(commandText(134), "** COMMON PRESET &BANDPASS TYPES **");
    EXPECT_EQ(commandText(152), "LC --> &Coaxial");
    EXPECT_EQ(commandText(159), "Set &Q of all 3");
    EXPECT_EQ(commandText(165), "Set Trans. line Q&T");
    EXPECT_EQ(commandText(115), "&Pole placer / Synthesizer (conventional)");
}

TEST(CommandTable, StatusLettersFindTheirPopups) {
    ASSERT_NE(popupForKey('D'), nullptr);
    ASSERT_NE(popupForKey('F'), nullptr);
    ASSERT_NE(popupForKey('U'), nullptr);
    EXPECT_EQ(popupForKey('D')->text, "&Design");
    EXPECT_EQ(popupForKey('X'), nullptr);
    std::vector<int> design;
    collect(popupForKey('D')->items, design);
    for (int id = 106; id <= 131; ++id)
        EXPECT_NE(std::find(design.begin(), design.end(), id), design.end()) << id;
}

TEST(CommandTable, AcceleratorsTakeEitherCase) {
    EXPECT_EQ(acceleratorCommand('T'), 155);
    EXPECT_EQ(acceleratorCommand('t'), 155);
    EXPECT_EQ(acceleratorCommand('c'), 136);
    EXPECT_EQ(acceleratorCommand('P'), 137);
    EXPECT_EQ(acceleratorCommand('a'), 133);
    EXPECT_EQ(acceleratorCommand('E'), 135);
    EXPECT_EQ(acceleratorCommand('n'), 138);
    EXPECT_EQ(acceleratorCommand('Q'), 159);
    EXPECT_EQ(acceleratorCommand('h'), 150);
    EXPECT_EQ(acceleratorCommand('O'), 139);
    EXPECT_EQ(acceleratorCommand('b'), 166);
    EXPECT_EQ(acceleratorCommand(kKeyF12), 166);
    EXPECT_EQ(acceleratorCommand('?'), 104);
    EXPECT_EQ(acceleratorCommand('D'), 0); // D opens a pop-up instead
    EXPECT_EQ(recentMenuText(0, "/home/u", "bp"), "&1 /home/u/bp");
}
