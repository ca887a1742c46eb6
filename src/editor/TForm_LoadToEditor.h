#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

// "Загрузка в редактор": from a file (the default) or from paper tape, into
// the text or into the crypto block.
class TForm_LoadToEditor : public QDialog {
    Q_OBJECT
public:
    explicit TForm_LoadToEditor(QWidget* parent = nullptr);

    QRadioButton* RadioButton_FromFile;
    QRadioButton* RadioButton_FromTape;
    QCheckBox* CheckBox_ToCryptoBlock;
    QPushButton* Button_Execute;
    QPushButton* Button_Cancel;
};
