// The report channel: one stream of report text that goes to the generic
// text window, a file or a printer.
//
//   ReportChannel rep(toolkit.genWin(), printerSink);
//   if (rep.start("bp.1HC", ReportChannel::kFile)) { rep.report("Title"); rep.newline(); }
//   rep.end();
//
// The printer is reached through the abstract PrinterSink (the Qt side
// implements it with QPrinter; tests record into memory). Text is code
// page 437; files get UTF-8, or plain ASCII when the ASCII switch is on.
#pragma once

#include <cstdio>
#include <string>

namespace tanvex::ui {

class GenWin;

class PrinterSink {
public:
    virtual ~PrinterSink() = default;
    // Shows the print dialog and starts a one-page document called name;
    // fontSetting is the hard-copy font character ('1' ANSI fixed, '3' OEM
    // fixed scaled up, else the device font). False when cancelled or the
    // document cannot start.
    virtual bool begin(const std::string& name, char fontSetting) = 0;
    // Page height, line height and the width of a text, in device pixels.
    virtual int pageHeight() const = 0;
    virtual int lineHeight() const = 0;
    virtual int textWidth(const std::string& text) const = 0;
    virtual void text(int x, int y, const std::string& text, int attribute) = 0;
    virtual void newPage() = 0;
    virtual void end() = 0;
    // Kind 4: an empty page to test the printer.
    virtual bool testPage(const std::string& name) {
        if (!begin(name, ' ')) return false;
        end();
        return true;
    }
};

class ReportChannel {
public:
    enum Destination { kScreen = 0, kPrinter = 1, kFile = 2, kPrinterTest = 4 };

    ReportChannel(GenWin& genWin, PrinterSink* printer = nullptr);
    ~ReportChannel();
    ReportChannel(const ReportChannel&) = delete;
    ReportChannel& operator=(const ReportChannel&) = delete;

    // Box characters as ASCII in files and on paper.
    bool ascii = false;
    // Hard-copy font setting passed to the printer.
    char fontSetting = '1';
    // Attribute of the next report() call; returns to 112 after each.
    int attribute = 112;

    // Starts a report of the given kind; returns the destination reached
    // (0 when a file or print job could not be started).
    int start(const std::string& name, int kind);
    int destination() const { return destination_; }
    void report(const std::string& text, int attr = -1);
    void newline();
    // Closes the file or print job. False when a report file could not be
    // written completely (a full disk, say), so callers do not announce a
    // report that is not there.
    bool end();

    // Printer cursor (device pixels) and page count, for the curious.
    int printerX() const { return px_; }
    int printerY() const { return py_; }
    int pages() const { return pages_; }

private:
    GenWin& genWin_;
    PrinterSink* printer_;
    std::FILE* file_ = nullptr;
    bool writeFailed_ = false;
    int destination_ = kScreen;
    int px_ = 0;
    int py_ = 0;
    int pages_ = 0;
};

} // namespace tanvex::ui
