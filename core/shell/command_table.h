// The main menu: every command identifier with its menu text, the layout
// of the menu bar, and the accelerator table "main".
#pragma once

#include <string>
#include <vector>

namespace tanvex::shell {

// Command identifiers of the main window.
enum CommandId : int {
    kCmdSetFileName = 101,
    kCmdJoinDesigns = 102,
    kCmdBandpassHelp = 103,
    kCmdHelp = 104,
    kCmdExit = 105,
    kCmdDesignFirst = 106, // design types 106..131
    kCmdDesignLast = 131,
    kCmdReferenceValues = 132,
    kCmdAnalyse = 133,
    kCmdPresetBandpass = 134,
    kCmdEdit = 135,
    kCmdCalculate = 136,
    kCmdParameters = 137,
    kCmdNotation = 138,
    kCmdOptimization = 139,
    kCmdMatchSource = 140,
    kCmdMatchTermination = 141,
    kCmdPowerDistribution = 142,
    kCmdPlotAnalysisData = 143,
    kCmdSaveAnalysisData = 144,
    kCmdRecallAnalysisData = 145,
    kCmdWriteS2p = 146,
    kCmdNoiseBandwidth = 147,
    kCmdFourier = 148,
    kCmdExternalRefLowpass = 149,
    kCmdHardCopy = 150,
    kCmdMechanicalDimensions = 151,
    kCmdCoaxial = 152,
    kCmdStubGenerator = 153,
    kCmdTouchstone = 154,
    kCmdMatcher = 155,
    kCmdHardCopySequence = 156, // internal, no menu item
    kCmdNotchHelp = 157,
    kCmdUtilitiesHelp = 158,
    kCmdSetAllQ = 159,
    kCmdSaveDesign = 160,
    kCmdRecallDesign = 161,
    kCmdSetQl = 163,
    kCmdSetQc = 164,
    kCmdSetQt = 165,
    kCmdFileListBox = 166,
    kCmdFileHelp = 167,
    kCmdEqualizer = 168,   // the "Equalizer" window
    kCmdRecentFirst = 200, // recent designs 200..208
    kCmdRecentLast = 208,
};

// Menu text of a command ("&" marks the mnemonic), empty for identifiers
// without a menu item.
std::string commandText(int id);

// Every command identifier that has a menu item, in ascending order.
std::vector<int> menuCommandIds();

// One item of the menu bar: a command, a pop-up with items, or a separator.
struct MenuNode {
    enum Kind { Command, Popup, Separator } kind = Command;
    std::string text; // menu text (commands: commandText(id))
    int id = 0;       // command identifier (Command only)
    char key = 0;     // the letter that opens a pop-up from the status screen
    std::vector<MenuNode> items;
};

// The menu bar "main_menu", top level first. The recent designs are not in
// it: the window appends them to the File pop-up (key 'F') at start-up.
const std::vector<MenuNode>& mainMenu();

// The pop-up a status-screen letter opens ('D', 'F', 'U'), or nullptr.
const MenuNode* popupForKey(char key);

// Menu text of recent design index (0-based): "&%d %s/%s".
std::string recentMenuText(int index, const std::string& directory, const std::string& name);

// Accelerator table "main". Letter keys match either case (the program does
// not force Caps Lock on); kKeyF12 stands for the F12 function key.
inline constexpr int kKeyF12 = 0x10000 + 12;
struct Accelerator {
    int key;
    int id;
};
const std::vector<Accelerator>& mainAccelerators();

// The command of a key: a character (either case for letters) or kKeyF12;
// 0 when the key is not an accelerator.
int acceleratorCommand(int key);

} // namespace tanvex::shell
