#include "shell/command_table.h"

#include <cctype>
#include <cstdio>
#include <map>

namespace tanvex::shell {

namespace {

const std::map<int, std::string>& textTable() {
    static const std::map<int, std::string> table = {
        {101, "set &File name"},
        {102, "&Join two designs"},
        {103, "&? bandpass menu organization help"},
        {104, "&?help"},
        {105, "e&Xit"},
        {106, "&Direct scaled"},
        {107, "&Forced value"},
        {108, "&Minimum component"},
        {109, "&Node or mesh"},
        {110, "LC &Tubular or Node *"},
        {111, "coa&Xial tubular"},
        {112, "&5 resonator elliptic"},
        {113, "&Wideband linear phase"},
        {114, "elliptic &Zigzag"},
        {115, "&Pole placer / Synthesizer (conventional)"},
        {116, "SCTL or tapped &Combline"},
        {117, "&Open line interdigital"},
        {118, "&SCTL or tapped interdigital"},
        {119, "&Wideband direct connected"},
        {120, "coaxial dielectric &Resonator"},
        {121, "&Lumped component"},
        {122, "Coaxial &Coil and form L"},
        {123, "Coaxial straight &Wire L"},
        {124, "&Highpass"},
        {125, "LC &Direct scaled"},
        {126, "LC &Narrow band"},
        {127, "TEM &Cap coupled stubs"},
        {128, "TEM &General stub"},
        {129, "allpass Group &Delay"},
        {130, "&Amplitude"},
        {131, "&Resistor pad"},
        {132, "new reference &Values"},
        {133, "&Analyse"},
        {134, "** COMMON PRESET &BANDPASS TYPES **"},
        {135, "&Edit"},
        {136, "&Calculate"},
        {137, "&Parameters"},
        {138, "&Notation"},
        {139, "&Optimization"},
        {140, "match &Source Zo"},
        {141, "match &Termination Zo"},
        {142, "&Analyse Power distribution"},
        {143, "&Plot analysis data"},
        {144, "&Save analysis data"},
        {145, "&Recall analysis data"},
        {146, "&Write s2p file"},
        {147, "calc. noise &Bandwidth"},
        {148, "&Fourier analysis"},
        {149, "ma&Ke external ref. lowpass"},
        {150, "&Hard copy or review"},
        {151, "mecha&Nical dimensions"},
        {152, "LC --> &Coaxial"},
        {153, "program stub &Generator"},
        {154, "&Make Touchstone file"},
        {155, "ma&Tcher"},
        {157, "&?-Notch menu help"},
        {158, "&? Utilities menu help"},
        {159, "Set &Q of all 3"},
        {160, "&Save design"},
        {161, "&Recall design"},
        {163, "Set Inductor Q&L"},
        {164, "Set Capacitor Q&C"},
        {165, "Set Trans. line Q&T"},
        {166, "file list &Box"},
        {167, "&? File menu help"},
        {168, "&Equalizer window"},
    };
    return table;
}

MenuNode cmd(int id) {
    MenuNode n;
    n.kind = MenuNode::Command;
    n.id = id;
    n.text = commandText(id);
    return n;
}

MenuNode sep() {
    MenuNode n;
    n.kind = MenuNode::Separator;
    return n;
}

MenuNode popup(const std::string& text, std::vector<MenuNode> items, char key = 0) {
    MenuNode n;
    n.kind = MenuNode::Popup;
    n.text = text;
    n.key = key;
    n.items = std::move(items);
    return n;
}

std::vector<MenuNode> buildMenu() {
    MenuNode design = popup(
        "&Design",
        {
            popup("&Lowpass", {cmd(121), cmd(122), cmd(123)}),
            cmd(124),
            popup("&Bandpass", {cmd(134), sep(), cmd(106), cmd(107), cmd(108), cmd(109), cmd(110),
                                cmd(111), cmd(112), cmd(113), cmd(114), cmd(115), cmd(116),
                                cmd(117), cmd(118), cmd(119), cmd(120), sep(), cmd(103)}),
            popup("&Notch", {cmd(125), cmd(126), cmd(127), cmd(128), sep(), cmd(157)}),
            popup("&Equalizer", {cmd(129), cmd(130)}),
            cmd(131),
            sep(),
            cmd(132),
        },
        'D');
    MenuNode file =
        popup("&File",
              {cmd(101), cmd(166), cmd(160), cmd(161), cmd(102), sep(), cmd(144), cmd(145),
               cmd(143), cmd(146), cmd(154), cmd(150), sep(), cmd(167), cmd(105)},
              'F');
    MenuNode utilities =
        popup("&Utilities", {cmd(155), cmd(140), cmd(141), sep(),    cmd(159), cmd(163), cmd(164),
                             cmd(165), sep(),    cmd(142), cmd(148), cmd(147), sep(),    cmd(149),
                             cmd(151), cmd(152), cmd(153), cmd(168), sep(),    cmd(158)},
              'U');
    return {design,   cmd(137), cmd(136),  cmd(133), cmd(135),
            cmd(139), file,     utilities, cmd(138), cmd(104)};
}

} // namespace

std::string commandText(int id) {
    auto it = textTable().find(id);
    return it == textTable().end() ? std::string() : it->second;
}

std::vector<int> menuCommandIds() {
    std::vector<int> ids;
    for (const auto& [id, text] : textTable()) ids.push_back(id);
    return ids;
}

const std::vector<MenuNode>& mainMenu() {
    static const std::vector<MenuNode> menu = buildMenu();
    return menu;
}

const MenuNode* popupForKey(char key) {
    for (const MenuNode& n : mainMenu())
        if (n.kind == MenuNode::Popup && n.key == key && key != 0) return &n;
    return nullptr;
}

std::string recentMenuText(int index, const std::string& directory, const std::string& name) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "&%d ", index + 1);
    return buf + directory + "/" + name;
}

const std::vector<Accelerator>& mainAccelerators() {
    static const std::vector<Accelerator> table = {
        {'T', 155}, {'C', 136}, {'P', 137}, {'A', 133}, {'E', 135},     {'N', 138},
        {'Q', 159}, {'H', 150}, {'O', 139}, {'B', 166}, {kKeyF12, 166}, {'?', 104},
    };
    return table;
}

int acceleratorCommand(int key) {
    if (key >= 'a' && key <= 'z') key = key - 'a' + 'A';
    for (const Accelerator& a : mainAccelerators())
        if (a.key == key) return a.id;
    return 0;
}

} // namespace tanvex::shell
