#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Answers the next modal dialog (a message box or a form) by clicking the
// button with the given caption, and remembers what the dialog showed. It
// waits for the dialog through the event loop that the dialog itself runs,
// so create it just before the call that opens the dialog. It waits as long
// as it lives; gone without having answered, it fails the test.
class ModalAnswerer {
public:
    explicit ModalAnswerer(QString button, std::function<void(QWidget*)> before = {});
    ~ModalAnswerer();

    bool answered = false;
    QString objectName;  // of the dialog
    QString title;
    // A message box's text, or the text of the dialog's first memo.
    QString text;

    void poll();  // one look for the dialog, then the next one queued

private:
    QString button_;
    std::function<void(QWidget*)> before_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// While it lives, a dialog that holds the event loop (application modal, as
// exec() makes it; and with the loop the line thread waiting for a handler)
// fails the test and is closed, so that the test goes on instead of hanging.
// Boxes shown without waiting (open()) are left alone.
class NoModalDialogs {
public:
    NoModalDialogs();
    ~NoModalDialogs();
    NoModalDialogs(const NoModalDialogs&) = delete;
    NoModalDialogs& operator=(const NoModalDialogs&) = delete;

    int seen = 0;

    void poll();

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// For the main() of GUI tests: a dialog that holds the event loop and that no
// answerer takes within a few seconds fails the running test and is closed.
void InstallModalWatchdog();

// The message boxes open now that were shown without waiting for the
// operator, oldest first.
QList<QMessageBox*> OpenMessageBoxes();
