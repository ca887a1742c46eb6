#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

#include <QList>

// Answers the next modal dialog (a message box or a form) by clicking the
// button with the given caption, and remembers what the dialog showed. It
// waits for the dialog through the event loop that the dialog itself runs,
// so create it just before the call that opens the dialog.
class ModalAnswerer {
public:
    explicit ModalAnswerer(QString button, std::function<void(QWidget*)> before = {});
    ~ModalAnswerer();

    bool answered = false;
    QString objectName;  // of the dialog
    QString title;
    // A message box's text, or the text of the dialog's first memo.
    QString text;

private:
    void poll();

    QString button_;
    std::function<void(QWidget*)> before_;
    int tries_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The message boxes open now that were shown without waiting for the
// operator, oldest first.
QList<QMessageBox*> OpenMessageBoxes();
