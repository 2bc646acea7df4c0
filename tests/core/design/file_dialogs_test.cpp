#include "design/file_dialogs.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

using namespace tanvex;

TEST(FilenameList, FillsEachNameOnceFromTheListAndTheSlots) {
    Design d;
    setDesignName(d, "bandpass");
    d.fileList = {"alpha", "beta", "alpha", "", "", "", "", ""};
    const char* slots[8] = {"x", "gamma", "beta", "x", "", "x", "x", "x"};
    for (int i = 0; i < 8; ++i) d.record[3 + i].setText(slots[i]);
    FilenameList list(d);
    EXPECT_EQ(list.active(), "bandpass");
    EXPECT_EQ(list.field(0), "alpha");
    EXPECT_EQ(list.field(1), "beta");
    EXPECT_EQ(list.field(2), "gamma");
    EXPECT_EQ(list.field(3), "");

    ui::ScriptedToolkit tk;
    list.select(3);
    list.activeToSelected(tk); // empty field: no question
    EXPECT_EQ(list.field(3), "bandpass");
    EXPECT_TRUE(tk.log.empty());
    list.select(0);
    tk.answer("N");
    list.activeToSelected(tk);
    EXPECT_TRUE(tk.sawPrompt("Overwrite ?"));
    EXPECT_EQ(list.field(0), "alpha");
    tk.answer("Y");
    list.activeToSelected(tk);
    EXPECT_EQ(list.field(0), "bandpass");

    list.select(1);
    list.clearSelected();
    list.store(d);
    EXPECT_TRUE(d.listEdited);
    EXPECT_EQ(d.fileList[0], "bandpass");
    EXPECT_EQ(d.fileList[1], "gamma"); // compacted
    EXPECT_EQ(d.record[4].str(), "gamma");
    EXPECT_EQ(d.record[6].str(), "x");

    tk.answer("N");
    list.startOver(tk);
    EXPECT_EQ(list.field(0), "bandpass");
    tk.answer("Y");
    list.startOver(tk);
    EXPECT_EQ(list.field(0), "");
    EXPECT_TRUE(tk.log.back().find("Erase all the files names and start over?") !=
                std::string::npos);
}

TEST(FilenameList, OperationTakesTheSelectedName) {
    Design d;
    setDesignName(d, "first");
    d.fileList[0] = "second";
    FilenameList list(d);
    list.select(1);
    EXPECT_FALSE(list.selectedToOperation(d)); // empty field: nothing happens
    EXPECT_EQ(designName(d), "first");
    list.select(0);
    EXPECT_TRUE(list.selectedToOperation(d));
    EXPECT_EQ(designName(d), "second");
    EXPECT_EQ(d.record[3].str(), "second");
}

TEST(FileOpenDialog, FiltersAndNames) {
    auto f = openFileFilters(kOpenDesign);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].first, "Specification files  (.spk)");
    EXPECT_EQ(f[1].second, "*.dzn");
    EXPECT_EQ(openFileFilters(kOpenCurveFit)[0].first, "Impedance curve fit files (.fit)");
    EXPECT_EQ(nameWithoutDirectoryAndExtension("/home/a/designs/bp_144.spk"), "bp_144");
    EXPECT_EQ(nameWithoutDirectoryAndExtension("C:\\old\\NOTCH.DZN"), "NOTCH");
    EXPECT_EQ(nameWithoutDirectoryAndExtension("plain"), "plain");
}
