#include "ui/report.h"

#include "ui/box_ascii.h"
#include "ui/cp437.h"
#include "ui/gen_win.h"

namespace tanvex::ui {

ReportChannel::ReportChannel(GenWin& genWin, PrinterSink* printer)
    : genWin_(genWin), printer_(printer) {}

ReportChannel::~ReportChannel() {
    end();
}

int ReportChannel::start(const std::string& name, int kind) {
    end();
    px_ = py_ = 0;
    pages_ = 0;
    switch (kind) {
    case kFile:
        file_ = std::fopen(name.c_str(), "wb");
        destination_ = file_ ? kFile : kScreen;
        break;
    case kPrinter:
        if (printer_ && printer_->begin(name, fontSetting)) {
            destination_ = kPrinter;
            pages_ = 1;
        }
        break;
    case kPrinterTest:
        if (printer_ && printer_->testPage(name)) destination_ = kPrinterTest;
        break;
    default:
        destination_ = kScreen;
        break;
    }
    return destination_;
}

void ReportChannel::report(const std::string& text, int attr) {
    const int a = attr < 0 ? attribute : attr;
    attribute = 112;
    switch (destination_) {
    case kFile: {
        std::string out = ascii ? boxToAscii(text) : cp437ToUtf8(text);
        if (std::fwrite(out.data(), 1, out.size(), file_) != out.size()) writeFailed_ = true;
        break;
    }
    case kPrinter: {
        std::string out = ascii ? boxToAscii(text) : text;
        printer_->text(px_, py_, out, a);
        px_ += printer_->textWidth(out);
        break;
    }
    case kPrinterTest:
        break;
    default:
        genWin_.write(text, a);
        break;
    }
}

void ReportChannel::newline() {
    switch (destination_) {
    case kFile:
        if (std::fputs("\r\n", file_) < 0) writeFailed_ = true;
        break;
    case kPrinter:
        px_ = 0;
        py_ += printer_->lineHeight();
        // A new page when the next line would not fit.
        if (py_ + printer_->lineHeight() > printer_->pageHeight()) {
            printer_->newPage();
            ++pages_;
            py_ = 0;
        }
        break;
    case kPrinterTest:
        break;
    default:
        genWin_.newline();
        break;
    }
}

bool ReportChannel::end() {
    bool ok = !writeFailed_;
    writeFailed_ = false;
    if (file_) {
        if (std::fclose(file_) != 0) ok = false;
        file_ = nullptr;
    }
    if (destination_ == kPrinter && printer_) printer_->end();
    destination_ = kScreen;
    return ok;
}

} // namespace tanvex::ui
