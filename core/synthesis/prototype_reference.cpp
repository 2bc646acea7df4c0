#include "synthesis/prototype_reference.h"

#include "synthesis/std_library.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

namespace tanvex::synthesis {

namespace {

struct KindInfo {
    const char* name;
    const char* button;
    std::initializer_list<int> used;
    std::initializer_list<int> unused;
};

const KindInfo kKinds[8] = {
    {"", nullptr, {}, {}},
    {"All pole", "calc &Chev or Butt", {1, 2, 3, 13}, {4, 14, 15}},
    {"External G val.", "external '&G' values", {1, 13}, {2, 3, 4, 14, 15}},
    {"External k and q val.", "external '&K - q' values", {1}, {2, 3, 4, 13, 14, 15}},
    {"Elliptic function", "calc &Elliptic function", {1, 2, 3, 4, 13}, {14, 15}},
    {"External lowpass", "e&Xternal free format lp", {14}, {1, 2, 3, 4, 13, 15}},
    {"lowpass Pole Placer", "lowpass &Pole placer", {2, 13}, {0, 1, 3, 4, 14, 15}},
    {"Standard library lp", "standard &Library lp", {1}, {2, 3, 4, 13, 14, 15}},
};

char hotKey(const char* button) {
    const char* amp = std::strchr(button, '&');
    return amp ? static_cast<char>(std::toupper(static_cast<unsigned char>(amp[1]))) : 0;
}

// Button text as a prompt line: the '&' marker removed.
std::string plain(const char* button) {
    std::string s;
    for (const char* p = button; *p; ++p)
        if (*p != '&') s += *p;
    return s;
}

} // namespace

const char* referenceKindName(int kind) {
    return kind >= 0 && kind <= 7 ? kKinds[kind].name : "";
}

const char* referenceKindButton(int kind) {
    return kind >= 1 && kind <= 7 ? kKinds[kind].button : nullptr;
}

void applyReferenceKind(DesignRecord& rec, int kind) {
    rec[0].value = kind;
    if (kind < 1 || kind > 7) return;
    std::string flags = rec[0].str();
    if (flags.size() < 21) flags.resize(21, '-');
    for (int s : kKinds[kind].used) flags[s] = '1';
    for (int s : kKinds[kind].unused) flags[s] = '-';
    rec[0].setText(flags);
}

int referenceValuesDialog(ui::Toolkit& tk, DesignRecord& rec) {
    std::string keys;
    tk.clearPrompt();
    tk.setPrompt(0, "Reference values");
    for (int kind = 1; kind <= 7; ++kind) {
        tk.setPrompt(kind, plain(kKinds[kind].button));
        keys += hotKey(kKinds[kind].button);
    }
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(tk.keyBox(keys))));
    int chosen = 0;
    for (int kind = 1; kind <= 7; ++kind)
        if (hotKey(kKinds[kind].button) == c) chosen = kind;
    if (chosen == 0) return 0;
    applyReferenceKind(rec, chosen);
    if (chosen == 7) standardLibraryDialog(tk, rec);
    return chosen;
}

bool standardLibraryDialog(ui::Toolkit& tk, DesignRecord& rec) {
    tk.clearPrompt();
    tk.setPrompt(0, "Standard library lp");
    for (char d = '1'; d <= '6'; ++d)
        tk.setPrompt(d - '0', std::string(1, d) + "  " + libraryFamilyTitle(d) + " (" +
                                  libraryFamily(d) + ")");
    char family = tk.keyBox("123456");
    if (!libraryFamily(family)) return false;
    tk.clearPrompt();
    tk.setPrompt(0, "Standard library lp");
    tk.setPrompt(1, "1  Symmetrical  (Rs = Rl)");
    tk.setPrompt(2, "2  Asymmetrical (Rs = inf.)");
    char symmetry = tk.keyBox("12");
    if (symmetry != '1' && symmetry != '2') return false;
    rec[13].letter = family;
    rec[14].letter = symmetry;
    if (rec[13].str().empty()) rec[13].setText("x");
    return true;
}

} // namespace tanvex::synthesis
