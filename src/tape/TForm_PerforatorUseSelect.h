#pragma once

#include <QDialog>

class QPushButton;

// "Перфоратор": read a tape or punch one.
class TForm_PerforatorUseSelect : public QDialog {
    Q_OBJECT
public:
    explicit TForm_PerforatorUseSelect(QWidget* parent = nullptr);

    // What the operator chose when the dialog closed with OK.
    bool ReadChosen() const { return readChosen_; }

    QPushButton* Button_Input;
    QPushButton* Button_Output;
    QPushButton* Button_Cancel;

private:
    bool readChosen_ = false;
};
