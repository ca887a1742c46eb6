#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

// The counters dialog "Счетчики суточного обмена": the centre's figures
// from its last report beside the workstation's own counters, which the
// operator may correct. Applying is ApplyCountersCorrection's
// (counterscorrection.h); the dialog only shows and collects.
class TForm_Counters : public QDialog {
    Q_OBJECT
public:
    // caption: the program's caption (AppTitle).
    explicit TForm_Counters(const QString& caption, QWidget* parent = nullptr);

    // The centre's counts and the workstation's counters to show.
    void SetValues(int centreYours, int centreOurs, int numberInput, int numberOutput);
    int InputValue() const;
    int OutputValue() const;

    QLabel* Label_Title;
    QLabel* Label_QOLT_In;
    QLabel* Label_QOLT_Out;
    QSpinBox* UpDown_In;
    QSpinBox* UpDown_Out;
    QPushButton* Button_Apply;
    QPushButton* Button_Cancel;
};
