#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The prompt for the access code of the settings dialog.
class TForm_Access : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 16;

    explicit TForm_Access(QWidget* parent = nullptr);

    QLineEdit* Edit_AccessCode;
    QPushButton* Button_Ok;
    QPushButton* Button_Cancel;
};
