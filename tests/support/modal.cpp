#include "support/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

ModalAnswerer::ModalAnswerer(QString button, std::function<void(QWidget*)> before)
    : button_(std::move(button)), before_(std::move(before)) {
    QTimer::singleShot(0, [this, alive = alive_] {
        if (*alive)
            poll();
    });
}

ModalAnswerer::~ModalAnswerer() {
    // A poll still queued must not reach a gone answerer.
    *alive_ = false;
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
    if (++tries_ < 500) {
        QTimer::singleShot(10, [this, alive = alive_] {
            if (*alive)
                poll();
        });
    }
}

QList<QMessageBox*> OpenMessageBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* top : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
            boxes << box;
    return boxes;
}
