#include "support/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr int kPollMs = 10;
// A dialog no answerer takes within this time is taken as hanging the test.
constexpr int kUnansweredDialogMs = 3000;

int g_answerers = 0;

QString describe(QWidget* dialog) {
    QString text = dialog->objectName() + " \"" + dialog->windowTitle() + "\"";
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        text += ": " + box->text();
    return text;
}

// A dialog that runs its own event loop (exec) is application modal; one
// shown without waiting (open) is modal to its window only.
QWidget* blockingDialog() {
    QWidget* dialog = QApplication::activeModalWidget();
    return dialog && dialog->windowModality() == Qt::ApplicationModal ? dialog : nullptr;
}

// Closes a modal dialog as its window's close button would.
void dismiss(QWidget* dialog) {
    if (auto* d = qobject_cast<QDialog*>(dialog))
        d->reject();
    else
        dialog->close();
}

template <typename Self>
void pollLater(Self* self, const std::shared_ptr<bool>& alive) {
    QTimer::singleShot(kPollMs, [self, alive] {
        if (*alive)
            self->poll();
    });
}

}  // namespace

ModalAnswerer::ModalAnswerer(QString button, std::function<void(QWidget*)> before)
    : button_(std::move(button)), before_(std::move(before)) {
    ++g_answerers;
    QTimer::singleShot(0, [this, alive = alive_] {
        if (*alive)
            poll();
    });
}

ModalAnswerer::~ModalAnswerer() {
    // A poll still queued must not reach a gone answerer.
    *alive_ = false;
    --g_answerers;
    if (!answered)
        ADD_FAILURE() << "no dialog with a \"" << button_.toStdString() << "\" button came";
}

void ModalAnswerer::poll() {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        objectName = dialog->objectName();
        title = dialog->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            text = box->text();
        else if (auto* memo = dialog->findChild<QPlainTextEdit*>())
            text = memo->toPlainText();
        if (before_)
            before_(dialog);
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
            if (b->text() == button_ && b->isEnabled()) {
                answered = true;
                b->click();
                return;
            }
        // Another dialog comes first (a confirmation before an error box):
        // wait for ours.
    }
    pollLater(this, alive_);
}

NoModalDialogs::NoModalDialogs() {
    ++g_answerers;
    pollLater(this, alive_);
}

NoModalDialogs::~NoModalDialogs() {
    *alive_ = false;
    --g_answerers;
}

void NoModalDialogs::poll() {
    if (QWidget* dialog = blockingDialog()) {
        ++seen;
        ADD_FAILURE() << "a modal dialog holds the event loop: " << describe(dialog).toStdString();
        dismiss(dialog);
    }
    pollLater(this, alive_);
}

void InstallModalWatchdog() {
    auto* timer = new QTimer(qApp);
    timer->setInterval(100);
    auto since = std::make_shared<QDeadlineTimer>();
    auto watched = std::make_shared<QPointer<QWidget>>();
    QObject::connect(timer, &QTimer::timeout, timer, [since, watched] {
        QWidget* dialog = blockingDialog();
        if (!dialog || g_answerers > 0) {
            *watched = nullptr;
            return;
        }
        if (watched->data() != dialog) {
            *watched = dialog;
            *since = QDeadlineTimer(kUnansweredDialogMs);
            return;
        }
        if (!since->hasExpired())
            return;
        ADD_FAILURE() << "a modal dialog that no test answers: " << describe(dialog).toStdString();
        dismiss(dialog);
        *watched = nullptr;
    });
    timer->start();
}

QList<QMessageBox*> OpenMessageBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes << box;
    return boxes;
}
