#pragma once

#include "util/texttypes.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Переслать": the category, network number and index a received telegram is
// sent on to, and the body that goes with it. Made once; the network number
// and the index stay as the operator last left them.
class TForm_Forward : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Forward(QWidget* parent = nullptr);

    // The editor's categories replace the list; the category chosen last
    // stays chosen while the new list still has it.
    void SetCategories(const QStringList& categories);
    // The header line: category, the network number and a blank unless it
    // is "01", the index.
    QString HeaderLine() const;
    // The memo's text with its line breaks as CR LF.
    QString BodyText() const;

    QComboBox* TntComboBox_Editor_Category;
    QLineEdit* MaskEdit_Net;
    QLineEdit* MaskEdit_Editor_Index;
    QPlainTextEdit* TntMemo;
    QPushButton* Button_Send;
    QPushButton* Button_Cancel;

private:
    void UpdateSendButton();
};

// How much of a received file the ANSI forward reads.
inline constexpr qint64 kForwardReadLimit = 6144;

// The part of a received telegram that is forwarded: from its first "("
// up to, not including, its first "НННН  ". Nothing without a "(".
std::optional<QString> ForwardBody(const QString& received);

// The ANSI file of a forward: the header, then the received file's bytes
// from two characters before the first "(" up to its first "НННН  " (to the
// end when that marker lies before the "("). Nothing when the file is empty,
// has 5000 bytes or more, or lacks either marker.
std::optional<AnsiText> ForwardAnsiText(const QString& header, const AnsiText& file);
