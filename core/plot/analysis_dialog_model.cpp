#include "plot/analysis_dialog_model.h"

#include "analysis/analysis_constants.h"
#include "design/operations.h"
#include "ui/number_list.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tanvex::plot {

int fullPlotStep(int plotWidth) {
    return plotWidth > 1000 ? -(plotWidth / 2) : -plotWidth;
}

AnalysisDialogModel::AnalysisDialogModel(Design& design, analysis::SweepOptions& options,
                                         ui::Toolkit& toolkit, DialogState& state)
    : design_(design), options_(options), toolkit_(toolkit), state_(state) {}

char AnalysisDialogModel::setting(int pos) const {
    const char* s = design_.record[kSlotSettings].text;
    return static_cast<int>(std::strlen(s)) > pos ? s[pos] : 0;
}

void AnalysisDialogModel::setSetting(int pos, char c) {
    completeSettingsString(design_.record);
    char* s = design_.record[kSlotSettings].text;
    if (static_cast<int>(std::strlen(s)) > pos) s[pos] = c;
}

void AnalysisDialogModel::open(int plotWidth) {
    completeSettingsString(design_.record);
    plotWidth_ = plotWidth;
    graphic_ = setting(analysis::kSettingDisplay) == '1';
    delayAuto_ = setting(analysis::kSettingDelayAuto) == '1';
    if (options_.returnLossReference != '1') options_.referenceImpedance = design_.entries[0].value;
    if (!graphic_) state_.fullPlot = false;
    if (state_.fullPlot) applyFullPlot();
}

void AnalysisDialogModel::applyFullPlot() {
    if (plotWidth_ >= 2) design_.analysis[2] = fullPlotStep(plotWidth_);
}

int AnalysisDialogModel::pointCount() {
    AnalysisSettings& as = design_.analysis;
    const double start = as[6] != 0.0 ? as[6] : as[0];
    for (int pass = 0; pass < 2; ++pass) {
        // A single frequency (stop 0) keeps its step of 0.
        if (as[1] == 0.0 && as[2] == 0.0) return 1;
        if (as[2] == 0.0) as[2] = -225.0;
        double n;
        if (as[2] < 0.0)
            n = std::trunc(-as[2]);
        else
            n = wholeNumberRound((as[1] - start) / as[2] + 1.0);
        if (n <= 1000.0) return static_cast<int>(n);
        as[2] = -225.0;
        toolkit_.beep();
    }
    return 225;
}

DialogValues AnalysisDialogModel::values() {
    AnalysisSettings& as = design_.analysis;
    DialogValues v;
    char buf[64];
    auto g = [&](double x) {
        std::snprintf(buf, sizeof buf, "%g", x);
        return std::string(buf);
    };
    v.text[kIdUnit] = design_.notation.frequency.name;
    v.text[kIdFullPlot] = state_.fullPlot ? "&Full plot *" : "&Full plot  ";
    const int n = pointCount();
    const double start = as[6] != 0.0 ? as[6] : as[0];
    v.text[kIdStart] = g(start);
    v.text[kIdStop] = g(as[1]);
    double step = as[2];
    if (step <= 0.0) step = n > 1 ? (as[1] - start) / (-as[2] - 1.0) : 0.0;
    v.text[kIdStep] = g(step);
    std::snprintf(buf, sizeof buf, "%d", n);
    v.text[kIdPoints] = buf;
    const int qIds[3] = {kIdQl, kIdQc, kIdQt};
    for (int i = 0; i < 3; ++i) v.text[qIds[i]] = as[3 + i] >= 1e6 ? "Inf." : g(as[3 + i]);
    v.text[kIdReference] = g(options_.referenceImpedance);
    v.text[kIdCoefL] = g(options_.coefL);
    v.text[kIdCoefC] = g(options_.coefC);
    v.text[kIdCoefT] = g(options_.coefT);
    v.text[kIdShift] = g(options_.temperatureShift);

    v.checked[kIdGraphic] = graphic_;
    v.checked[kIdTabulated] = !graphic_;
    v.checked[kIdAutoDelay] = delayAuto_;
    v.checked[kIdFast] = !delayAuto_ && options_.fastDelay;
    v.checked[kIdPrecise] = !delayAuto_ && !options_.fastDelay;
    const char sp = setting(analysis::kSettingSpacing);
    v.checked[kIdLinear] = sp == '0';
    v.checked[kIdAutoSpacing] = sp == '1';
    v.checked[kIdLog] = sp != '0' && sp != '1';
    v.checked[kIdZoRef] = options_.returnLossReference == '1';
    v.checked[kIdZoSource] = options_.returnLossReference != '1';
    v.checked[kIdTempOn] = options_.temperatureOn;
    v.checked[kIdTempOff] = !options_.temperatureOn;
    return v;
}

void AnalysisDialogModel::edit(int id, const std::string& text) {
    std::vector<double> v(8, 0.0);
    const int n = ui::parseNumberList(text.substr(0, 30), v);
    if (n <= 0) return; // an empty field keeps its value
    AnalysisSettings& as = design_.analysis;
    switch (id) {
    case kIdStart:
        as[0] = as[6] = v[1];
        if (n >= 2) as[1] = v[2];
        if (n >= 3) {
            as[2] = v[3];
            state_.fullPlot = false;
        }
        break;
    case kIdStop:
        as[1] = v[1];
        break;
    case kIdStep:
        as[2] = v[1];
        state_.fullPlot = false;
        break;
    case kIdPoints:
        if (std::trunc(v[1]) == 1.0) {
            as[1] = 0.0;
            as[2] = 0.0;
        } else {
            as[2] = -std::fabs(std::trunc(v[1]));
        }
        state_.fullPlot = false;
        break;
    case kIdQl:
    case kIdQc:
    case kIdQt:
        as[3 + id - kIdQl] = v[1];
        for (int i = 3; i <= 5; ++i) as[i] = analysis::normalisedQ(as[i]);
        if (onQChanged) onQChanged();
        break;
    case kIdReference:
        options_.referenceImpedance = v[1];
        break;
    case kIdCoefL:
        options_.coefL = v[1];
        break;
    case kIdCoefC:
        options_.coefC = v[1];
        break;
    case kIdCoefT:
        options_.coefT = v[1];
        break;
    case kIdShift:
        options_.temperatureShift = v[1];
        break;
    default:
        break;
    }
}

void AnalysisDialogModel::writeBack() {
    setSetting(analysis::kSettingDisplay, graphic_ ? '1' : '0');
    setSetting(analysis::kSettingDelayAuto, delayAuto_ ? '1' : '0');
}

DialogOutcome AnalysisDialogModel::button(int id) {
    switch (id) {
    case kIdSweep:
        // The sweep reads the display choice and the delay method from the
        // settings string.
        writeBack();
        return DialogOutcome::Sweep;
    case kIdExit:
        writeBack();
        if (onResetDataServices) onResetDataServices();
        return DialogOutcome::Exit;
    case kIdHelp:
        toolkit_.showHelp("NWABOX.HLW");
        break;
    case kIdFullPlot:
        graphic_ = true;
        state_.fullPlot = true;
        applyFullPlot();
        break;
    case kIdGraphic:
        graphic_ = true;
        delayAuto_ = setting(analysis::kSettingDelayAuto) == '1';
        break;
    case kIdTabulated:
        graphic_ = false;
        options_.fastDelay = false;
        delayAuto_ = false;
        state_.fullPlot = false;
        break;
    case kIdPrecise:
        options_.fastDelay = false;
        delayAuto_ = false;
        break;
    case kIdFast:
        options_.fastDelay = true;
        delayAuto_ = false;
        break;
    case kIdAutoDelay:
        delayAuto_ = true;
        break;
    case kIdLinear:
        setSetting(analysis::kSettingSpacing, '0');
        break;
    case kIdAutoSpacing:
        setSetting(analysis::kSettingSpacing, '1');
        break;
    case kIdLog:
        setSetting(analysis::kSettingSpacing, '2');
        break;
    case kIdZoSource:
        options_.returnLossReference = 'x';
        break;
    case kIdZoRef:
        options_.returnLossReference = '1';
        break;
    case kIdTempOn:
        options_.temperatureOn = true;
        break;
    case kIdTempOff:
        options_.temperatureOn = false;
        break;
    default:
        break;
    }
    return DialogOutcome::None;
}

} // namespace tanvex::plot
