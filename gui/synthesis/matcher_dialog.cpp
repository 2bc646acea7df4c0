#include "synthesis/matcher_dialog.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tanvex::gui {

using namespace tanvex::synthesis;

namespace {

struct MethodInfo {
    char letter;
    const char* button;
    const char* title;
};

// The methods with the parts they put at the end (network side first).
constexpr MethodInfo kParallel[] = {
    {'A', "&A", "L  C"},
    {'B', "&B", "C  L"},
    {'C', "&C", "L     C"},
    {'D', "&D", "C     L"},
    {'E', "&E", "L2  C       Cs    C"},
    {'T', "&T", "Transformer"},
};
constexpr MethodInfo kSeries[] = {
    {'F', "&F", "C"},
    {'G', "&G", "L"},
    {'H', "&H", "C     C"},
};

std::string valueText(const NetEntry& e, const Notation& no) {
    char buf[48];
    if (e.letter == 'L')
        std::snprintf(buf, sizeof buf, "%.4g %s", e.value * no.inductance.multiplier,
                      no.inductance.name.c_str());
    else if (e.letter == 'C')
        std::snprintf(buf, sizeof buf, "%.4g %s", e.value * no.capacitance.multiplier,
                      no.capacitance.name.c_str());
    else
        std::snprintf(buf, sizeof buf, "%.5g :1", e.value);
    return buf;
}

QString latin(const std::string& s) {
    return QString::fromUtf8(s.c_str());
}

} // namespace

std::string matchSketch(const MatchPlan& plan, const EndFacts& facts, const Notation& notation) {
    if (!plan.ok) return "(not possible at this end)";
    // Three rows: the main line, the shunt legs, and the element names.
    std::string top = "\xE2\x94\x80", leg = " ", name = " ";
    int shunt = 0, series = 0;
    std::string values;
    // Every part takes four columns: its symbol on the main line, a leg
    // for a shunt part, and its name below.
    auto pad = [](std::string t) { return t.append(4 - std::min<std::size_t>(4, t.size()), ' '); };
    for (const NetEntry& e : plan.entries) {
        std::string tag;
        if (e.code == 2) {
            tag = std::string(1, e.letter) + "p" + std::to_string(++shunt);
            top += "\xE2\x94\x80\xE2\x94\xAC\xE2\x94\x80\xE2\x94\x80"; // ─┬──
            leg += " \xE2\x94\x82  ";                                  //  │
        } else if (e.code == 3) {
            tag = std::string(1, e.letter) + "s" + std::to_string(++series);
            top += e.letter == 'C' ? "\xE2\x94\x80\xE2\x94\xA4\xE2\x94\x9C" // ─┤├
                                   : "\xE2\x94\x80mm";                      // ─mm
            top += "\xE2\x94\x80";
            leg += "    ";
        } else {
            tag = "N";
            top += "\xE2\x94\x80)(\xE2\x94\x80";
            leg += "    ";
        }
        name += pad(tag);
        if (!values.empty()) values += "  ";
        values += tag + " " + valueText(e, notation);
    }
    char rl[32];
    std::snprintf(rl, sizeof rl, "\xE2\x94\x80 Rl %.4g", facts.rl);
    top += rl;
    std::string out = top + "\n" + leg + "\n" + name + "\n" + values;
    if (!plan.note.empty()) out += "\n" + plan.note;
    return out;
}

MatcherDialog::MatcherDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kMatcherTitle));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* top = new QVBoxLayout(this);
    endLine_ = new QLabel(this);
    top->addWidget(endLine_);
    message_ = new QLabel(this);
    message_->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    top->addWidget(message_);

    auto* group = new QButtonGroup(this);
    group_ = group;
    auto addMethod = [&](QGridLayout* grid, int row, char letter, const char* button,
                         const char* title) {
        auto* b = new QRadioButton(QString::fromLatin1(button), this);
        group->addButton(b);
        buttons_[letter] = b;
        grid->addWidget(b, row, 0, Qt::AlignTop);
        grid->addWidget(new QLabel(QString::fromLatin1(title), this), row, 1, Qt::AlignTop);
        auto* s = new QLabel(this);
        s->setTextFormat(Qt::PlainText);
        sketches_[letter] = s;
        grid->addWidget(s, row, 2);
        connect(b, &QRadioButton::clicked, this, [this, letter] { pick(letter); });
    };
    auto* noneRow = new QGridLayout;
    addMethod(noneRow, 0, 'X', "&X - None", "");
    top->addLayout(noneRow);

    auto* parallel = new QGroupBox(QStringLiteral("Parallel options"), this);
    auto* pg = new QGridLayout(parallel);
    int row = 0;
    for (const MethodInfo& m : kParallel) addMethod(pg, row++, m.letter, m.button, m.title);
    top->addWidget(parallel);

    auto* seriesBox = new QGroupBox(QStringLiteral("Series options"), this);
    auto* sg = new QGridLayout(seriesBox);
    row = 0;
    for (const MethodInfo& m : kSeries) addMethod(sg, row++, m.letter, m.button, m.title);
    top->addWidget(seriesBox);

    auto* presets = new QHBoxLayout;
    lLabel_ = new QLabel(this);
    lEdit_ = new QLineEdit(this);
    csLabel_ = new QLabel(this);
    csEdit_ = new QLineEdit(this);
    for (QLineEdit* e : {lEdit_, csEdit_}) {
        e->setMaximumWidth(120);
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (loading_) return;
            readPresets();
            drawSketches();
        });
    }
    presets->addWidget(lLabel_);
    presets->addWidget(lEdit_);
    presets->addWidget(csLabel_);
    presets->addWidget(csEdit_);
    presets->addStretch();
    top->addLayout(presets);

    auto* buttons = new QHBoxLayout;
    bypass_ = new QPushButton(QStringLiteral("Bypass"), this);
    help_ = new QPushButton(QStringLiteral("&? help"), this);
    buttons->addWidget(bypass_);
    buttons->addStretch();
    buttons->addWidget(help_);
    top->addLayout(buttons);
    connect(bypass_, &QPushButton::clicked, this, [this] {
        picked_ = 0;
        reject();
    });
    connect(help_, &QPushButton::clicked, this, [this] {
        const char* page = facts_.kind == EndKind::Series ? "S_MATCH.HLW" : "P_MATCH.HLW";
        if (showHelp) showHelp(page);
    });
}

QRadioButton* MatcherDialog::methodButton(char letter) const {
    auto it = buttons_.find(letter);
    return it == buttons_.end() ? nullptr : it->second;
}

QLabel* MatcherDialog::sketch(char letter) const {
    auto it = sketches_.find(letter);
    return it == sketches_.end() ? nullptr : it->second;
}

void MatcherDialog::load(const Design& design, int end, const MatchPresets& presets,
                         const std::string& message) {
    loading_ = true;
    design_ = &design;
    end_ = end;
    presets_ = presets;
    picked_ = 0;
    facts_ = endFacts(design, end);
    const Notation& no = design.notation;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s: Rd %.5g -> Rl %.5g Ohms, %s end",
                  end == 0 ? "Source end" : "Termination end", facts_.rd, facts_.rl,
                  facts_.kind == EndKind::Series     ? "series"
                  : facts_.kind == EndKind::Parallel ? "parallel"
                                                     : "unmatchable");
    endLine_->setText(QString::fromLatin1(buf));
    message_->setText(latin(message));
    std::snprintf(buf, sizeof buf, "L %s =", no.inductance.name.c_str());
    lLabel_->setText(latin(buf));
    std::snprintf(buf, sizeof buf, "Cs %s =", no.capacitance.name.c_str());
    csLabel_->setText(latin(buf));
    auto field = [](double v, double mult) {
        if (!(v > 0)) return QString();
        char b[32];
        std::snprintf(b, sizeof b, "%.5g", v * mult);
        return QString::fromLatin1(b);
    };
    lEdit_->setText(field(presets.l, no.inductance.multiplier));
    csEdit_->setText(field(presets.cs, no.capacitance.multiplier));
    const char letter = design.record[end == 0 ? 8 : 9].letter;
    group_->setExclusive(false);
    for (auto& [l, b] : buttons_) b->setChecked(l == letter);
    group_->setExclusive(true);
    drawSketches();
    loading_ = false;
}

void MatcherDialog::drawSketches() {
    if (!design_) return;
    const char letter = design_->record[end_ == 0 ? 8 : 9].letter;
    for (auto& [l, s] : sketches_) {
        if (l == 'X') {
            s->setText(QString());
            continue;
        }
        // The schematics with values are drawn while no method is chosen.
        if (letter != 'x') {
            s->setText(QString());
            continue;
        }
        s->setText(
            latin(matchSketch(planAtEnd(*design_, end_, l, presets_), facts_, design_->notation)));
    }
    adjustSize();
}

void MatcherDialog::readPresets() {
    if (!design_) return;
    const Notation& no = design_->notation;
    auto value = [](const QLineEdit* e, double mult) {
        const std::string t = e->text().trimmed().toStdString();
        if (t.empty()) return 0.0;
        char* endp = nullptr;
        const double v = std::strtod(t.c_str(), &endp);
        return v > 0 && endp && *endp == 0 ? v / mult : 0.0;
    };
    presets_.l = value(lEdit_, no.inductance.multiplier);
    presets_.cs = value(csEdit_, no.capacitance.multiplier);
}

void MatcherDialog::pick(char letter) {
    if (loading_) return;
    readPresets();
    picked_ = letter;
    accept();
}

char MatcherDialog::choose(Design& design, int end, MatchPresets& presets,
                           const std::string& message) {
    load(design, end, presets, message);
    exec();
    readPresets();
    presets = presets_;
    return picked_;
}

} // namespace tanvex::gui
