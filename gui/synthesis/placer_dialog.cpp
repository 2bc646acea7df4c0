#include "synthesis/placer_dialog.h"

#include "design/text_io.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tanvex::gui {

using namespace tanvex::synthesis;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString num(double v) {
    return v == 0 ? QString() : QString::number(v, 'g', 8);
}

} // namespace

PlacerDialog::PlacerDialog(PlacerState& state, const PlacerBand& band, int mode,
                           const Design& design, ui::Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), st_(state), band_(band), mode_(mode), toolkit_(toolkit) {
    setWindowTitle(QStringLiteral("Conventional pole placer and zero finder"));
    unit_ = mode == 1 ? design.notation.frequency.multiplier : 1.0;
    std::string unitName = mode == 1 ? design.notation.frequency.name : "Normalized";
    auto* top = new QHBoxLayout;

    // Left column: extreme zeros, passband, units.
    auto* left = new QVBoxLayout;
    auto* extreme = new QGroupBox(QStringLiteral("Extreme zeros"), this);
    auto* eg = new QGridLayout(extreme);
    int r = 0;
    for (bool dc : {true, false}) {
        if (dc && mode != 1) continue;
        auto* name = new QLabel(dc ? QStringLiteral("DC") : QStringLiteral("Inf."), extreme);
        auto* value = new QLabel(extreme);
        auto* plus = new QPushButton(QStringLiteral("+"), extreme);
        auto* minus = new QPushButton(QStringLiteral("--"), extreme);
        plus->setObjectName(dc ? "dcPlus" : "infPlus");
        minus->setObjectName(dc ? "dcMinus" : "infMinus");
        plus->setAutoDefault(false);
        minus->setAutoDefault(false);
        eg->addWidget(name, r, 0);
        eg->addWidget(value, r, 1);
        eg->addWidget(plus, r, 2);
        eg->addWidget(minus, r, 3);
        (dc ? dcLabel_ : infLabel_) = value;
        connect(plus, &QPushButton::clicked, this, [this, dc] { changeCount(dc, true); });
        connect(minus, &QPushButton::clicked, this, [this, dc] { changeCount(dc, false); });
        ++r;
    }
    left->addWidget(extreme);
    auto* pass = new QGroupBox(QStringLiteral("Passband"), this);
    auto* pl = new QVBoxLayout(pass);
    pl->addWidget(new QLabel(
        mode == 1 ? q(formatText("%g dB: %g - %g", band.ripple, band.f1 * unit_, band.f2 * unit_))
                  : q(formatText("Ripple: %g", band.ripple)),
        pass));
    left->addWidget(pass);
    auto* units = new QGroupBox(QStringLiteral("Units"), this);
    auto* ul = new QVBoxLayout(units);
    ul->addWidget(new QLabel(q(unitName), units));
    left->addWidget(units);
    left->addStretch();
    top->addLayout(left);

    // Mask, zeros and response: ten rows each.
    auto* maskBox = new QGroupBox(QStringLiteral("Specification mask"), this);
    auto* mg = new QGridLayout(maskBox);
    mg->addWidget(new QLabel(QStringLiteral("Corner freq."), maskBox), 0, 0);
    mg->addWidget(new QLabel(QStringLiteral("dB"), maskBox), 0, 1);
    auto* zeroBox = new QGroupBox(QStringLiteral("Finite zeros"), this);
    auto* zg = new QGridLayout(zeroBox);
    zg->addWidget(new QLabel(QStringLiteral("Frequency"), zeroBox), 0, 0);
    auto* respBox = new QGroupBox(QStringLiteral("Response"), this);
    auto* rg = new QGridLayout(respBox);
    rg->addWidget(new QLabel(QStringLiteral("Fmin freq."), respBox), 0, 0);
    rg->addWidget(new QLabel(QStringLiteral("dB"), respBox), 0, 1);
    for (int i = 0; i < kPlacerMax; ++i) {
        maskFreq_[i] = new QLineEdit(maskBox);
        maskDb_[i] = new QLineEdit(maskBox);
        zeros_[i] = new QLineEdit(zeroBox);
        respFreq_[i] = new QLabel(respBox);
        respDb_[i] = new QLabel(respBox);
        for (QLineEdit* e : {maskFreq_[i], maskDb_[i], zeros_[i]}) e->setFixedWidth(90);
        mg->addWidget(maskFreq_[i], i + 1, 0);
        mg->addWidget(maskDb_[i], i + 1, 1);
        zg->addWidget(zeros_[i], i + 1, 0);
        respFreq_[i]->setMinimumWidth(80);
        respDb_[i]->setMinimumWidth(60);
        rg->addWidget(respFreq_[i], i + 1, 0);
        rg->addWidget(respDb_[i], i + 1, 1);
    }
    absButton_ = new QPushButton(respBox);
    marginButton_ = new QPushButton(respBox);
    absButton_->setAutoDefault(false);
    marginButton_->setAutoDefault(false);
    rg->addWidget(absButton_, kPlacerMax + 1, 0);
    rg->addWidget(marginButton_, kPlacerMax + 1, 1);
    connect(absButton_, &QPushButton::clicked, this, [this] {
        margins_ = false;
        refresh();
    });
    connect(marginButton_, &QPushButton::clicked, this, [this] {
        margins_ = true;
        refresh();
    });
    top->addWidget(maskBox);
    top->addWidget(zeroBox);
    top->addWidget(respBox);

    auto* analysis = new QGroupBox(QStringLiteral("Analysis"), this);
    auto* al = new QVBoxLayout(analysis);
    list_ = new QListWidget(analysis);
    list_->setMinimumWidth(260);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    list_->setFont(mono);
    al->addWidget(list_);
    top->addWidget(analysis);

    // Buttons.
    auto* buttons = new QGridLayout;
    const char* names[] = {"&Clear mask", "&Reset",           "&?-help",     "e&Xit and synthesize",
                           "&Solve",      "&Optimize",        "&Back up",    "&Quit",
                           "&Modify",     "&Finite sequence", "&Parameters", "&3 dB points",
                           "&Analyse -->"};
    int k = 0;
    for (const char* n : names) {
        auto* b = new QPushButton(QString::fromLatin1(n), this);
        b->setAutoDefault(false);
        buttons->addWidget(b, k / 7, k % 7);
        ++k;
        const QString t = QString::fromLatin1(n);
        connect(b, &QPushButton::clicked, this, [this, t] {
            if (t == "&Clear mask")
                clearMask();
            else if (t == "&Reset")
                reset();
            else if (t == "&?-help") {
                if (showHelp) showHelp("PP_START.HLW");
            } else if (t == "e&Xit and synthesize")
                exitAndSynthesize();
            else if (t == "&Solve")
                solve();
            else if (t == "&Optimize")
                optimize();
            else if (t == "&Back up")
                backUp();
            else if (t == "&Quit")
                quit();
            else if (t == "&Modify")
                modifySequence();
            else if (t == "&Finite sequence")
                finiteSequence();
            else if (t == "&Parameters") {
                if ((mode_ == 1 && (st_.dcZeros + st_.infZeros) % 2 != 0)) {
                    toolkit_.notice("Extreme zeros must add to an even number");
                    return;
                }
                if (readEdits() && openParameters) openParameters();
            } else if (t == "&3 dB points")
                threeDb();
            else if (t == "&Analyse -->")
                analyse();
        });
    }
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(buttons);
    refresh();
}

QPushButton* PlacerDialog::button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

QString PlacerDialog::countsText() const {
    QString s;
    if (dcLabel_) s += dcLabel_->text() + " ";
    return s + infLabel_->text();
}

QString PlacerDialog::responseText(int row) const {
    return respFreq_[static_cast<size_t>(row)]->text() + " " +
           respDb_[static_cast<size_t>(row)]->text();
}

void PlacerDialog::list(const std::string& line) {
    list_->addItem(q(line));
    list_->scrollToBottom();
}

void PlacerDialog::refresh() {
    if (dcLabel_) dcLabel_->setText(QString::number(st_.dcZeros));
    infLabel_->setText(QString::number(st_.infZeros));
    for (int i = 0; i < kPlacerMax; ++i) {
        bool m = i < st_.maskCount;
        maskFreq_[i]->setText(m ? num(toDisplay(st_.maskFreq[i])) : QString());
        maskDb_[i]->setText(m ? num(st_.maskDb[i]) : QString());
        zeros_[i]->setText(i < st_.finiteCount ? num(toDisplay(st_.zeros[i])) : QString());
        respFreq_[i]->clear();
        respDb_[i]->clear();
    }
    auto rows = evaluateMask(st_, band_);
    for (size_t i = 0; i < rows.size(); ++i) {
        respFreq_[i]->setText(QString::number(toDisplay(rows[i].worstFreq), 'f', 4));
        respDb_[i]->setText(QString::number(margins_ ? rows[i].margin : rows[i].atten, 'f', 2));
    }
    absButton_->setText(margins_ ? QStringLiteral("Absolute") : QStringLiteral("ABSOLUTE"));
    marginButton_->setText(margins_ ? QStringLiteral("MARGINS") : QStringLiteral("Margins"));
}

bool PlacerDialog::readEdits() {
    PlacerState next = st_;
    next.maskCount = 0;
    for (int i = 0; i < kPlacerMax; ++i) {
        double f = fromDisplay(maskFreq_[i]->text().toDouble());
        double db = maskDb_[i]->text().toDouble();
        if (f == 0) continue;
        next.maskFreq[next.maskCount] = f;
        next.maskDb[next.maskCount++] = db;
    }
    if (next.maskCount > 0 && next.maskType == 0) next.maskType = mode_;
    next.finiteCount = 0;
    for (int i = 0; i < kPlacerMax; ++i) {
        if (zeros_[i]->text().trimmed().isEmpty()) continue;
        double f = fromDisplay(zeros_[i]->text().toDouble());
        std::string why = checkZero(f, band_);
        if (!why.empty()) {
            toolkit_.beep();
            toolkit_.notice(why);
            refresh();
            return false;
        }
        next.zeros[next.finiteCount++] = f;
    }
    std::string why = normalizeMask(next, band_);
    if (!why.empty()) {
        toolkit_.notice(why);
        refresh();
        return false;
    }
    bool zerosChanged =
        next.finiteCount != st_.finiteCount ||
        !std::equal(next.zeros.begin(), next.zeros.begin() + next.finiteCount, st_.zeros.begin());
    if (zerosChanged) next.sequenceState = 0;
    st_ = next;
    sortZeros(st_);
    return true;
}

void PlacerDialog::saveBackup() {
    backup_ = st_.zeros;
    backupCount_ = st_.finiteCount;
}

void PlacerDialog::changeCount(bool dc, bool up) {
    int& a = dc ? st_.dcZeros : st_.infZeros;
    if (up) {
        ++a;
    } else if (a > 1) {
        --a;
        if (mode_ == 1 && st_.dcZeros + st_.infZeros < 4) {
            // Never fewer than four zeros at the ends of a bandpass.
            st_.dcZeros = dc ? 1 : 3;
            st_.infZeros = dc ? 3 : 1;
        }
    }
    refresh();
}

void PlacerDialog::solve() {
    if (!readEdits()) return;
    saveBackup();
    int r = solvePlacer(st_, band_, [this](const std::string& z) { list(z); });
    if (r == 1) toolkit_.notice("Too many zeros");
    if (r == 2 || r == 3) toolkit_.beep();
    st_.sequenceState = 0;
    refresh();
}

void PlacerDialog::optimize() {
    if (!readEdits()) return;
    saveBackup();
    for (int i = 0; i < 3; ++i) {
        correctionPass(st_, band_);
        list(zerosLine(st_, unit_));
    }
    refresh();
}

void PlacerDialog::backUp() {
    if (backupCount_ < 0) {
        toolkit_.beep();
        return;
    }
    st_.zeros = backup_;
    st_.finiteCount = backupCount_;
    st_.sequenceState = 0;
    refresh();
}

void PlacerDialog::reset() {
    saveBackup();
    st_.finiteCount = 0;
    st_.zeros = {};
    st_.sequenceState = 0;
    refresh();
}

void PlacerDialog::clearMask() {
    st_.maskCount = 0;
    st_.maskType = 0;
    st_.maskFromMarkers = 0;
    refresh();
}

void PlacerDialog::threeDb() {
    if (!readEdits()) return;
    list(threeDbPoints(st_, band_, unit_));
}

void PlacerDialog::analyse() {
    if (!readEdits()) return;
    toolkit_.clearPrompt();
    toolkit_.setPrompt(1, "(Cr to abort) From, to, step (freq.)");
    toolkit_.setPrompt(2, "or step (-number)");
    toolkit_.defaultAnswer.clear();
    toolkit_.inputBox();
    std::string t = toolkit_.textResult;
    for (char& c : t)
        if (c == ',') c = ' ';
    double from = 0, to = 0, step = 0;
    if (std::sscanf(t.c_str(), "%lf %lf %lf", &from, &to, &step) != 3) return;
    double s = step < 0 ? step : fromDisplay(step);
    list_->clear();
    for (const std::string& line :
         placerListing(st_, band_, fromDisplay(from), fromDisplay(to), s, unit_))
        list(line);
}

void PlacerDialog::exitAndSynthesize() {
    if (mode_ == 1 && (st_.dcZeros + st_.infZeros) % 2 != 0) {
        toolkit_.notice("Extreme zeros must add to an even number");
        return;
    }
    if (!readEdits()) return;
    done(0);
}

void PlacerDialog::quit() {
    readEdits();
    done(27);
}

void PlacerDialog::modifySequence() {
    st_.sequenceState = 2;
    list("Sequence: asked at the next synthesis");
}

void PlacerDialog::finiteSequence() {
    if (!readEdits()) return;
    std::vector<int> seq =
        zeroSequencePrompt(toolkit_, st_, automaticZeroSequence(st_.finiteCount));
    std::copy(seq.begin(), seq.end(), st_.sequence.begin());
    st_.sequenceLength = static_cast<int>(seq.size());
    st_.sequenceState = 1;
    std::string s = "Sequence:";
    for (int v : seq) s += " " + std::to_string(v);
    list(s);
}

} // namespace tanvex::gui
