#pragma once

#include "editor/addressbook.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// A question from the operator's own action: true for the first answer.
// The second answer is the default unless yesByDefault.
bool AskOperator(QWidget* parent, const QString& title, const QString& text, const QString& yes,
                 const QString& no, bool yesByDefault);
// A notice the operator closes with "OK".
void TellOperator(QWidget* parent, const QString& title, const QString& text);

// One entry of the address book, added or changed. "Сохранить" keeps the
// form open while a field is wrong, and says which.
class TForm_AddressEntry : public QDialog {
    Q_OBJECT
public:
    TForm_AddressEntry(const TAddressEntry& entry, const QStringList& categories,
                       QWidget* parent = nullptr);
    TAddressEntry Entry() const;

    QLineEdit* Edit_Name;
    QComboBox* ComboBox_Category;
    QLineEdit* Edit_Net;
    QLabel* Label_Index;
    QLineEdit* Edit_Index;
    QPlainTextEdit* Memo_Lines;
    QPushButton* Button_Save;
    QPushButton* Button_Cancel;

private:
    void categoryChanged();
    void saveClicked();
};

// "Адресная книга": the entries, found by name or index; add, change,
// delete, take the destinations of the telegrams sent lately ("Из
// переданных"), and "В редактор" for the entry chosen. Every change is
// written to the book's file at once.
class TForm_AddressBook : public QDialog {
    Q_OBJECT
public:
    // categories: the editor's; sent: the destinations of the telegrams sent
    // lately, asked for when the dialog opens and after "Из переданных".
    TForm_AddressBook(TAddressBook& book, const QStringList& categories,
                      std::function<QList<TDestination>()> sent, QWidget* parent = nullptr);

    // The entry taken with "В редактор"; nothing when closed otherwise.
    const std::optional<TAddressEntry>& Chosen() const { return chosen_; }

    QLineEdit* Edit_Search;
    QTreeWidget* ListView_Addresses;
    QPushButton* Button_Add;
    QPushButton* Button_Change;
    QPushButton* Button_Delete;
    QPushButton* Button_FromSent;
    QPushButton* Button_ToEditor;
    QPushButton* Button_Close;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(int selectEntry = -1);
    int currentEntry() const;
    void updateButtons();
    bool store();
    void addClicked();
    void changeClicked();
    void deleteClicked();
    void fromSentClicked();
    void toEditorClicked();

    TAddressBook& book_;
    QStringList categories_;
    std::function<QList<TDestination>()> sentSource_;
    QList<TDestination> sent_;
    std::optional<TAddressEntry> chosen_;
};
