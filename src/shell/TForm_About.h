#pragma once

#include <QDialog>

// The About box of the "?" menu: emblem, product lines, build and licence.
class TForm_About : public QDialog {
    Q_OBJECT
public:
    explicit TForm_About(QWidget* parent = nullptr);
};
