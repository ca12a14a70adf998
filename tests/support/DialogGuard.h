#pragma once
// Every GUI test program watches for modal windows (a StatusAttachedWindow's
// own modal run, QMessageBox, QFileDialog, any QDialog run with exec()). One
// that opens while the test expects none fails the running test at once, named
// by its class, and is closed so its run returns, instead of the program
// hanging until the CTest time-out. A test that means to answer a dialog says
// so with an ExpectDialogs for as long as it may open; an expected dialog left
// unanswered for kUnansweredDialogMs fails the same way.

namespace nvtest {

constexpr int kUnansweredDialogMs = 20000;

class ExpectDialogs {
public:
    ExpectDialogs();
    ~ExpectDialogs();
    ExpectDialogs(const ExpectDialogs&) = delete;
    ExpectDialogs& operator=(const ExpectDialogs&) = delete;
};

// Whether a modal dialog may open now.
bool dialogsExpected();

// Watches the application's windows from now on; the GUI test main calls it
// once the application object exists.
void installDialogGuard();

} // namespace nvtest
