#include "editor/TEditorPage.h"

#include "config/tlgconfig.h"
#include "editor/TAddressCompleter.h"
#include "editor/TForm_AddressBook.h"
#include "protocol/protocol.h"
#include "support/modal.h"
#include "support/recordingoutgoing.h"
#include "support/testhome.h"
#include "support/widgets.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class EditorPageTest : public ProgramFolderTest {
protected:
    EditorPageTest() {
        protocol.SetFileName(QStringLiteral("test.prt"));
        status.DayText = "1208";
        status.CurrentDateText = "08/12";
        status.CurrentTimeText = "1430";
        QDir().mkpath(home.file("out"));
        writer.SetHost(&page);
        writer.SetQueue(&queue);
        page.ApplyControls(controls);
        page.NewTelegram(false);
    }
    ~EditorPageTest() override { writer.SetHost(nullptr); }

    template <typename T>
    T* find(const char* name) const {
        return FindChild<T>(page, name);
    }
    void type(const QString& text) {
        for (QChar c : text) {
            const bool enter = c == u'\n';
            QKeyEvent press(QEvent::KeyPress, enter ? Qt::Key_Return : 0, Qt::NoModifier,
                            enter ? QStringLiteral("\r") : QString(c));
            QApplication::sendEvent(page.TntMemo_Edit, &press);
        }
    }
    QByteArray read(const QString& name) const { return ReadFileOrMissing(home.file(name)); }
    QString events() const {
        QString out;
        for (const LineText& line : protocol.Lines())
            out += LineToWide(line) + u'\n';
        return out;
    }
    QStringList memoLines() const { return page.TntMemo_Edit->toPlainText().split(u'\n'); }
    // The level marker of the protocol line holding the text, 0 when none does.
    int eventLevel(const QString& text) const {
        for (const LineText& line : protocol.Lines())
            if (LineToWide(line).contains(text))
                for (char c : line)
                    if (c >= 1 && c <= 7)
                        return c;
        return 0;
    }

    _tlg_config config;
    _tlg_status status;
    _tlg_controls controls;
    TProtocol protocol;
    RecordingOutgoingQueue queue;
    TOutgoingWriter writer{config, status, protocol};
    TEditorPage page{config, status, protocol, writer};
};

TEST_F(EditorPageTest, EveryControlWithItsNameAndCaption) {
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"Button_Editor_New", "Очистить"}, {"Button_Editor_Load", "Загрузить"},
        {"Button_Send", "Отправить"},      {"Button_Editor_Print", "Распечатать"},
        {"TntButton_AutoKSS", "АВТОКСС"},
    };
    for (const auto& b : buttons)
        EXPECT_EQ(find<QPushButton>(b.name)->text(), QString::fromUtf8(b.caption));
    EXPECT_EQ(find<QCheckBox>("TntCheckBox_EditorAutoFormat")->text(), "Строка 63");
    EXPECT_EQ(find<QCheckBox>("CheckBox_EditorCriptoMode")->text(), "Крипт");
    EXPECT_EQ(find<QLabel>("TntLabel_Operator")->text(), "Оператор ");
    EXPECT_EQ(find<QLabel>("Label_Editor_Index")->text(), "Индекс");
    for (const char* name : {"TntComboBox_Editor_Category", "TntComboBox_OperatorList"})
        find<QComboBox>(name);
    for (const char* name :
         {"MaskEdit_Net", "MaskEdit_Editor_Index", "MaskEdit_Editor_Schema", "TntEdit_Editor_From",
          "TntEdit_Editor_Words", "TntEdit_Editor_FromData"})
        find<QLineEdit>(name);
    for (const char* name : {"TntMemo_Edit", "TntMemo_Edit_PerforatorString", "TntMemo_Edit_PS"})
        find<QPlainTextEdit>(name);
    find<QCheckBox>("CheckBox_From");

    EXPECT_EQ(page.MaskEdit_Net->text(), "01");
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "141911");
    EXPECT_EQ(page.MaskEdit_Editor_Schema->text(), "000");
    EXPECT_EQ(page.TntEdit_Editor_Words->maxLength(), 3);
    EXPECT_EQ(page.TntEdit_Editor_FromData->maxLength(), 12);
    EXPECT_EQ(page.TntComboBox_Editor_Category->count(), 5);
    // Printing is the main window's: in place, disabled here.
    EXPECT_FALSE(page.Button_Editor_Print->isEnabled());
    EXPECT_TRUE(page.CheckBox_EditorCriptoMode->isEnabled());
    // The request form of the control service belongs to the main window.
    QSignalSpy autoKss(&page, &TEditorPage::autoKssClicked);
    ASSERT_TRUE(page.TntButton_AutoKSS->isEnabled());
    page.TntButton_AutoKSS->click();
    EXPECT_EQ(autoKss.count(), 1);
}

TEST_F(EditorPageTest, SendWritesNumberedFilesAfterConfirmation) {
    QSignalSpy protocolWanted(&page, &TEditorPage::protocolPageWanted);
    page.TntMemo_Edit->setPlainText("МОСКВА ИВАНОВУ\nПРИБЫВАЮ ЗАВТРА -");
    ASSERT_TRUE(page.Button_Send->isEnabled());
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        page.Button_Send->click();
        EXPECT_EQ(execute.title, "Отправка телеграммы");
        EXPECT_EQ(execute.text, "П141911\nМОСКВА ИВАНОВУ\nПРИБЫВАЮ ЗАВТРА -\n");
    }
    EXPECT_EQ(read("out/1208q000"),
              WideToAnsi(u"П141911\r\nМОСКВА ИВАНОВУ\r\nПРИБЫВАЮ ЗАВТРА -\r\n") + "\n\n\n\n");
    EXPECT_FALSE(page.Button_Send->isEnabled()) << "until the next change";
    EXPECT_EQ(protocolWanted.count(), 1);
    EXPECT_EQ(queue.countdowns, QList<int>({3}));
    EXPECT_EQ(queue.refreshes, 1);

    config.SaveTlgAnsi = false;
    page.TntMemo_Edit->appendPlainText("ЕЩЕ");
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        page.Button_Send->click();
    }
    const QByteArray unicode = read("out/1208q001");
    EXPECT_TRUE(unicode.startsWith("\xFF\xFE")) << HexBytes(unicode.left(4));
    EXPECT_EQ(status.EditNumber, 2);
}

TEST_F(EditorPageTest, CancelledConfirmationWritesNothing) {
    page.TntMemo_Edit->setPlainText("ТЕКСТ ТЕЛЕГРАММЫ ДЛЯ ОТМЕНЫ");
    {
        ModalAnswerer cancel(QStringLiteral("Отменить"));
        page.Button_Send->click();
        EXPECT_TRUE(cancel.answered);
    }
    EXPECT_TRUE(QDir(home.file("out")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(status.EditNumber, 0);
    EXPECT_FALSE(page.Button_Send->isEnabled()) << "disabled whether or not confirmed";
    EXPECT_EQ(queue.refreshes, 1);
}

TEST_F(EditorPageTest, SendRefusedWithoutSixDigitIndex) {
    page.TntMemo_Edit->setPlainText("ТЕКСТ ТЕЛЕГРАММЫ БЕЗ ИНДЕКСА");
    page.MaskEdit_Editor_Index->setText("14191");
    EXPECT_FALSE(page.Button_Send->isEnabled());
    NoModalDialogs none;
    page.Button_SendClick();
    QApplication::processEvents();
    EXPECT_EQ(none.seen, 0) << "no confirmation, only a beep";
    EXPECT_TRUE(QDir(home.file("out")).entryList(QDir::Files).isEmpty());
}

TEST_F(EditorPageTest, StateFollowsTheText) {
    EXPECT_FALSE(page.Button_Send->isEnabled());
    page.TntMemo_Edit->setPlainText("КОРОТКО");  // 9 characters with CR LF
    EXPECT_FALSE(page.Button_Send->isEnabled());
    page.TntMemo_Edit->setPlainText("ДВА СЛОВА=ТРИ\nЧЕТЫРЕ - ПЯТЬ");
    EXPECT_TRUE(page.Button_Send->isEnabled());
    EXPECT_EQ(page.TntEdit_Editor_Words->text(), "6");
    EXPECT_EQ(page.TntEdit_Editor_FromData->text(), "08/12 1430=");
    page.TntMemo_Edit->setPlainText(QString(5000, u'Ж'));
    EXPECT_FALSE(page.Button_Send->isEnabled()) << "5000 characters and more";

    // A category with "К": the count stays as the operator wrote it.
    page.TntComboBox_Editor_Category->addItem("К");
    page.TntComboBox_Editor_Category->setCurrentText("К");
    page.TntEdit_Editor_Words->setText("12");
    page.TntMemo_Edit->setPlainText("ОДНО СЛОВО ИЛИ ТРИ");
    EXPECT_EQ(page.TntEdit_Editor_Words->text(), "12");
}

TEST_F(EditorPageTest, CategoryWithTsSwitchesToSchema) {
    page.TntComboBox_Editor_Category->addItem("Ц");
    page.TntComboBox_Editor_Category->setCurrentText("Ц");
    page.TntComboBox_Editor_CategoryChange();
    EXPECT_EQ(page.Label_Editor_Index->text(), "Схема");
    EXPECT_FALSE(page.MaskEdit_Editor_Schema->isHidden());
    EXPECT_TRUE(page.MaskEdit_Editor_Index->isHidden());
    page.MaskEdit_Editor_Schema->setText("123");
    page.TntMemo_Edit->setPlainText("ТЕКСТ");
    page.ComposeOutgoing();
    EXPECT_EQ(writer.OutgoingLines.value(0), "Ц123=123");

    page.NewTelegram(false);
    EXPECT_EQ(page.Label_Editor_Index->text(), "Индекс") << "the first category again";
    EXPECT_TRUE(page.MaskEdit_Editor_Schema->isHidden());
}

TEST_F(EditorPageTest, OriginLineAndItsCheckBox) {
    EXPECT_FALSE(page.TntEdit_Editor_From->isEnabled());
    page.CheckBox_From->setChecked(true);
    for (QLineEdit* e :
         {page.TntEdit_Editor_From, page.TntEdit_Editor_Words, page.TntEdit_Editor_FromData})
        EXPECT_TRUE(e->isEnabled());
    page.TntEdit_Editor_From->setText("МОСКВА");
    page.MaskEdit_Net->setText("02");
    page.TntMemo_Edit->setPlainText("ТЕКСТ ИЗ ТРЕХ\nСЛОВ");
    page.ComposeOutgoing();
    EXPECT_EQ(writer.OutgoingLines, QStringList({"П02 141911", "", "", "", "МОСКВА 4 08/12 1430=",
                                                 "", "ТЕКСТ ИЗ ТРЕХ", "СЛОВ"}));
}

TEST_F(EditorPageTest, TypingPastColumn63MovesTheWord) {
    page.TntCheckBox_EditorAutoFormat->setChecked(true);
    type(QStringLiteral("ПЕРВАЯ СТРОКА\n"));
    type(QString(58, u'А') + QStringLiteral(" СЛОВО ДАЛЬШЕ"));
    EXPECT_EQ(memoLines(), QStringList({"ПЕРВАЯ СТРОКА", QString(58, u'А'), "СЛОВО ДАЛЬШЕ"}));
    EXPECT_EQ(page.TntMemo_Edit->textCursor().position(), page.TntMemo_Edit->toPlainText().size())
        << "typing goes on at the end";

    page.TntMemo_Edit->clear();
    type(QString(70, u'Б'));
    EXPECT_EQ(memoLines(), QStringList({QString(63, u'Б'), QString(7, u'Б')}));
}

TEST_F(EditorPageTest, PastedLongLineIsCut) {
    page.TntCheckBox_EditorAutoFormat->setChecked(true);
    QString pasted;
    for (int i = 0; i < 30; ++i)
        pasted += QStringLiteral("СЛОВО ");
    page.TntMemo_Edit->insertPlainText(QString(80, u'Д') + u'\n' + pasted);
    const QStringList lines = memoLines();
    EXPECT_EQ(lines[0].size(), 80) << "only the last line is cut";
    ASSERT_GE(lines.size(), 4);
    for (const QString& line : lines.mid(1))
        EXPECT_LE(line.size(), 63) << line.toStdString();

    page.TntCheckBox_EditorAutoFormat->setChecked(false);
    page.TntMemo_Edit->setPlainText(QString(70, u'Е'));
    EXPECT_EQ(memoLines(), QStringList({QString(70, u'Е')})) << "without \"Строка 63\"";
}

TEST_F(EditorPageTest, OperatorChangeIsLogged) {
    controls.OperatorItems = QStringList{"ИВАНОВ", "ПЕТРОВ"};
    controls.OperatorIndex = 0;
    controls.OperatorListVisible = true;
    page.ApplyControls(controls);
    EXPECT_FALSE(page.TntComboBox_OperatorList->isHidden());
    page.TntComboBox_OperatorList->setCurrentIndex(1);
    page.TntComboBox_OperatorListChange();
    EXPECT_TRUE(events().contains("ОПЕРАТОР ПЕТРОВ")) << "in line code, as the line has it";

    _tlg_controls stored;
    page.StoreControls(stored);
    EXPECT_EQ(stored.OperatorIndex, 1);
    EXPECT_EQ(stored.Categories, controls.Categories);
}

TEST_F(EditorPageTest, NewTelegramResetsTheFields) {
    config.DefaultIndex = "555555";
    page.TntMemo_Edit->setPlainText("СТАРЫЙ ТЕКСТ");
    page.TntComboBox_Editor_Category->setCurrentIndex(2);
    page.CryptoBlock = "old";
    QSignalSpy editorWanted(&page, &TEditorPage::editorPageWanted);
    page.NewTelegram(true);
    EXPECT_TRUE(page.TntMemo_Edit->toPlainText().isEmpty());
    EXPECT_TRUE(page.CryptoBlock.isEmpty());
    EXPECT_EQ(page.TntComboBox_Editor_Category->currentIndex(), 0);
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "555555");
    EXPECT_EQ(page.TntEdit_Editor_Words->text(), "0");
    EXPECT_EQ(page.TntEdit_Editor_FromData->text(), "08/12 1430=");
    EXPECT_EQ(editorWanted.count(), 1);
    page.NewTelegram(false);
    EXPECT_EQ(editorWanted.count(), 1);
}

TEST_F(EditorPageTest, ReceivedAndSentTextsTakenOver) {
    QSignalSpy editorWanted(&page, &TEditorPage::editorPageWanted);
    page.TakeReceivedTelegram("ЗЦЗЦ 215\nП141911\nТЕКСТ\nНННН  \n1208 1430", "raw");
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), "П141911\nТЕКСТ\n\n");
    page.TakeSentText("П141911\nКАК ЕСТЬ НННН  ");
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), "П141911\nКАК ЕСТЬ НННН  ");
    EXPECT_EQ(editorWanted.count(), 2);
}

TEST_F(EditorPageTest, LoadFromFileConvertsCodePage866) {
    home.write("in866.txt", WideToCp866(u"ЗЦЗЦ  П141911\r\nМОСКВА ПРИВЕТ\r\nНННН  \r\n"));
    QString askedFilter;
    page.ChooseFile = [&](const QString& filter) {
        askedFilter = filter;
        return home.file("in866.txt");
    };
    bool tapeEnabled = true;
    bool cryptoEnabled = true;
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"), [&](QWidget* dialog) {
            tapeEnabled = dialog->findChild<QRadioButton*>("RadioButton_FromTape")->isEnabled();
            cryptoEnabled = dialog->findChild<QCheckBox*>("CheckBox_ToCryptoBlock")->isEnabled();
        });
        page.Button_Editor_Load->click();
        EXPECT_EQ(execute.title, "Загрузка в редактор");
    }
    EXPECT_FALSE(tapeEnabled);
    EXPECT_TRUE(cryptoEnabled) << "ANSI mode";
    EXPECT_EQ(askedFilter, "Все файлы (*)");
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), "П141911\nМОСКВА ПРИВЕТ\n\n");
    EXPECT_TRUE(events().contains("В редактор загружен файл:" + home.file("in866.txt")));
    EXPECT_EQ(QDir::currentPath(), QDir(home.path()).absolutePath());

    const QString before = page.TntMemo_Edit->toPlainText();
    page.ChooseFile = [](const QString&) { return QString(); };
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        page.Button_Editor_Load->click();
    }
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), before) << "a cancelled file dialog";
}

TEST_F(EditorPageTest, WriteFailuresAreShown) {
    // The boxes do not wait for the operator: a failing forward shows the
    // same box from inside a received block.
    auto takeBox = [] {
        const QList<QMessageBox*> boxes = OpenMessageBoxes();
        EXPECT_EQ(boxes.size(), 1);
        if (boxes.isEmpty())
            return QString();
        const QString text = boxes[0]->windowTitle() + ": " + boxes[0]->text();
        boxes[0]->close();
        return text;
    };
    status.EditNumber = 1000;
    page.TntMemo_Edit->setPlainText("ТЕКСТ ТЕЛЕГРАММЫ НОМЕР ТЫСЯЧА");
    page.Button_Send->click();
    EXPECT_TRUE(takeBox().startsWith("Error: ТЛГ НЕ ЗАПИСАНА: ИСЧЕРПАНЫ НОМЕРА"));
    EXPECT_TRUE(events().contains("ИСЧЕРПАНЫ НОМЕРА"));

    status.EditNumber = 0;
    home.write("blocked", "x");
    config.OutPath = "blocked/out/";
    page.TntMemo_Edit->appendPlainText("ЕЩЕ");
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        page.Button_Send->click();
        EXPECT_TRUE(execute.answered);
    }
    EXPECT_TRUE(takeBox().startsWith("Error: ОШИБКА ЗАПИСИ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: "));
    EXPECT_EQ(status.EditNumber, 0);
}

TEST_F(EditorPageTest, CryptoPaneControls) {
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } buttons[] = {
        {"TntButton_PerforatorString_DeleteBegin", ".>", "Перенести символ в заголовок"},
        {"TntButton_PerforatorString_DeleteStartLine", "__>", "Перенести строку в заголовок"},
        {"TntButton_PerforatorString_DeleteEndLine", "<___", "Перенести строку в подпись"},
        {"TntButton_PerforatorString_DeleteEnd", "<.", "Перенести символ в подпись"},
        {"Button_Edit_CriptoBlockToPerforator", "Перфоратор", ""},
    };
    QWidget* pane = find<QWidget>("Panel_Editor_Perforator");
    ASSERT_NE(pane, nullptr);
    for (const auto& b : buttons) {
        auto* button = FindChild<QPushButton>(*pane, b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
    }
    EXPECT_TRUE(page.Button_Edit_CriptoBlockToPerforator->isHidden());
    EXPECT_EQ(FindChild<QLabel>(*pane, "TntPanel2")->text(), "Криптоблок");
    EXPECT_EQ(FindChild<QLabel>(*pane, "TntPanel1")->text(), "Подпись");
    auto* reg = FindChild<QCheckBox>(*pane, "TntCheckBox_PerforatorString_Reg");
    EXPECT_EQ(reg->text(), "Показать регистры");
    EXPECT_TRUE(reg->isChecked());
    EXPECT_TRUE(FindChild<QPlainTextEdit>(*pane, "TntMemo_Edit_PerforatorString")->isReadOnly());
    EXPECT_FALSE(FindChild<QPlainTextEdit>(*pane, "TntMemo_Edit_PS")->isReadOnly());
    QStringList items;
    for (QAction* action : find<QMenu>("TntPopupMenu_Crypt")->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, QStringList({"Очистить", "Вставить", "-", "Сохранить в файл"}));
    EXPECT_FALSE(page.TntButton_PerforatorString_DeleteBegin->isEnabled()) << "an empty block";

    // The pane takes four fifths of the editor panel in crypto mode.
    page.resize(800, 700);
    page.show();
    QWidget* editor = find<QWidget>("Panel_Editor");
    ASSERT_TRUE(page.CheckBox_EditorCriptoMode->isEnabled());
    page.CheckBox_EditorCriptoMode->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->isVisible(); }));
    EXPECT_EQ(pane->height(), editor->height() * 4 / 5);
    EXPECT_EQ(page.TntMemo_Edit->height() + pane->height(), editor->height());
    page.CheckBox_EditorCriptoMode->click();
    EXPECT_FALSE(pane->isVisible());
    EXPECT_EQ(page.TntMemo_Edit->height(), editor->height());
}

TEST_F(EditorPageTest, CryptoBlockDisplayAndWordCount) {
    page.CryptoBlock = LineLiteral(u"&ОДИН |ДВА\r\nТРИ");
    page.RefreshCryptoDisplay();
    EXPECT_EQ(page.TntMemo_Edit_PerforatorString->toPlainText(), "&ОДИН |ДВА<>\nТРИ");
    EXPECT_TRUE(page.TntButton_PerforatorString_DeleteEnd->isEnabled());
    page.TntCheckBox_PerforatorString_Reg->click();
    EXPECT_EQ(page.TntMemo_Edit_PerforatorString->toPlainText(), "ОДИН ДВА\nТРИ");
    // Crypto mode is off: the block still counts.
    page.TntMemo_Edit->setPlainText("ЧЕТЫРЕ");
    EXPECT_EQ(page.TntEdit_Editor_Words->text(), "4");
}

TEST_F(EditorPageTest, CryptoMovesTable) {
    enum Piece {
        B = int(TCryptoPiece::FirstByte),
        L = int(TCryptoPiece::FirstLine),
        E = int(TCryptoPiece::LastByte),
        EL = int(TCryptoPiece::LastLine)
    };
    const struct {
        const char* what;
        std::u16string_view block;
        bool showRegisters;
        std::vector<std::pair<int, bool>> clicks;  // piece, Shift held
        QString header;                            // the text added to "ЗАГ"
        QString signature;                         // around "ПС"
        std::u16string_view rest;
    } cases[] = {
        {"CR LF hidden", u"\r\nА", false, {{B, false}, {B, false}}, "ЗАГ\n", "ПС", u"А"},
        {"CR LF shown", u"\r\nА", true, {{B, false}, {B, false}}, "ЗАГ<>\n", "ПС", u"А"},
        {"mark hidden", u"&А", false, {{B, false}}, "ЗАГ", "ПС", u"А"},
        {"mark shown", u"&А", true, {{B, false}}, "ЗАГ&", "ПС", u"А"},
        {"shift last line", u"А\r\nБВ", true, {{EL, true}}, "ЗАГ", "ПС", u"А\r\n"},
        {"last line", u"А\r\nБВ", true, {{EL, false}}, "ЗАГ", "БВПС", u"А\r\n"},
        {"last line ends in LF", u"А\r\nБ\r\n", true, {{EL, false}}, "ЗАГ", "Б<>\nПС", u"А\r\n"},
        {"first line", u"А\r\nБ", false, {{L, false}}, "ЗАГА\n", "ПС", u"Б"},
        {"first line without LF", u"АБВ", true, {{L, false}}, "ЗАГАБВ", "ПС", u""},
        {"last byte", u"АБ", true, {{E, false}}, "ЗАГ", "БПС", u"А"},
        {"shift first byte", u"АБ", true, {{B, true}}, "ЗАГ", "ПС", u"Б"},
        {"one byte, lines", u"А", true, {{L, false}, {EL, false}}, "ЗАГ", "ПС", u"А"},
        {"one byte, first", u"А", true, {{B, false}}, "ЗАГА", "ПС", u""},
        {"one byte, last", u"А", true, {{E, false}}, "ЗАГ", "АПС", u""},
    };
    for (const auto& c : cases) {
        page.TntMemo_Edit->setPlainText("ЗАГ");
        page.TntMemo_Edit_PS->setPlainText("ПС");
        page.TntCheckBox_PerforatorString_Reg->setChecked(c.showRegisters);
        page.CryptoBlock = LineLiteral(c.block);
        page.RefreshCryptoDisplay();
        for (const auto& [piece, shift] : c.clicks)
            page.MoveCryptoPiece(TCryptoPiece(piece), shift);
        EXPECT_EQ(page.TntMemo_Edit->toPlainText(), c.header) << c.what;
        EXPECT_EQ(page.TntMemo_Edit_PS->toPlainText(), c.signature) << c.what;
        EXPECT_EQ(page.CryptoBlock, LineLiteral(c.rest)) << c.what;
    }
    // A plain click moves too.
    page.CryptoBlock = LineLiteral(u"Я");
    page.TntMemo_Edit_PS->setPlainText("ПС");
    page.RefreshCryptoDisplay();
    page.TntButton_PerforatorString_DeleteEnd->click();
    EXPECT_EQ(page.TntMemo_Edit_PS->toPlainText(), "ЯПС");
    EXPECT_FALSE(page.TntButton_PerforatorString_DeleteEnd->isEnabled());
}

TEST_F(EditorPageTest, CryptoMenuPastesClearsAndSaves) {
    QGuiApplication::clipboard()->clear();
    page.TntPopupMenu_CryptPopup();
    EXPECT_FALSE(page.CryptPaste->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("ПРИВЕТ #1"));
    page.TntPopupMenu_CryptPopup();
    ASSERT_TRUE(page.CryptPaste->isEnabled());
    page.CryptPaste->trigger();
    EXPECT_EQ(page.CryptoBlock, QByteArray("\x8F\x90\x88\x82\x85\x92 #1"));
    EXPECT_EQ(page.TntMemo_Edit_PerforatorString->toPlainText(), "ПРИВЕТ #1");

    QString filter, suffix;
    QString target = home.file("block.tlg");
    page.ChooseSaveFile = [&](const QString& f, const QString& s) {
        filter = f;
        suffix = s;
        return target;
    };
    page.CryptSave->trigger();
    page.CryptSave->trigger();
    EXPECT_EQ(filter, "ТЛГ файлы (*.tlg)");
    EXPECT_EQ(suffix, "tlg");
    EXPECT_EQ(read("block.tlg"),
              QByteArray("\x8F\x90\x88\x82\x85\x92 #1\x8F\x90\x88\x82\x85\x92 #1"));
    EXPECT_EQ(eventLevel("Сохранено содержимое криптоблока в файле: " + target), 3);

    home.write("blocked", "x");
    target = home.file("blocked/block.tlg");
    page.CryptSave->trigger();
    EXPECT_EQ(eventLevel("ОШИБКА ЗАПИСИ ФАЙЛА: " + target), 4);
    EXPECT_EQ(eventLevel("Сохранено содержимое криптоблока в файле: " + target), 0);

    page.CryptClear->trigger();
    EXPECT_TRUE(page.CryptoBlock.isEmpty());
    EXPECT_TRUE(page.TntMemo_Edit_PerforatorString->toPlainText().isEmpty());
}

TEST_F(EditorPageTest, CryptoBlockToAndFromTape) {
    QSignalSpy punched(&page, &TEditorPage::punchRequested);
    QSignalSpy punchedWide(&page, &TEditorPage::punchWideRequested);
    int asked = 0;
    int reads = 0;
    const struct {
        const char* what;
        bool tapeSide;
        QByteArray block;
        int choice;
        std::optional<LineText> tape;
        QByteArray after;
        int asked, reads, punched;
    } cases[] = {
        {"no perforator", false, "A|B", 0, LineText("T"), "A|B", 0, 0, 0},
        {"empty block reads unasked", true, "", 1, LineText("T#\r\n"), "T#\r\n", 0, 1, 0},
        {"tape not accepted", true, "", 0, std::nullopt, "", 0, 1, 0},
        {"cancelled", true, "A|B", 2, LineText("T"), "A|B", 1, 0, 0},
        {"read", true, "A|B", 0, LineText("T"), "T", 1, 1, 0},
        {"read refused", true, "A|B", 0, std::nullopt, "A|B", 1, 1, 0},
        {"punch", true, "A|B", 1, LineText("T"), "A|B", 1, 0, 1},
    };
    for (const auto& c : cases) {
        asked = reads = 0;
        punched.clear();
        page.ChooseTapeDirection = [&] {
            ++asked;
            return c.choice;
        };
        page.ReadTape = nullptr;
        if (c.tapeSide)
            page.ReadTape = [&] {
                ++reads;
                return c.tape;
            };
        page.CryptoBlock = c.block;
        page.Button_Edit_CriptoBlockToPerforator->click();
        EXPECT_EQ(page.CryptoBlock, c.after) << c.what;
        EXPECT_EQ(asked, c.asked) << c.what;
        EXPECT_EQ(reads, c.reads) << c.what;
        ASSERT_EQ(punched.count(), c.punched) << c.what;
        if (c.punched) {
            EXPECT_EQ(punched[0][0].toByteArray(), c.block) << c.what;
        }
    }

    // The editor row's button: the block alone in crypto mode, else the
    // composed telegram.
    punched.clear();
    page.CryptoBlock = "A&B\r\n";
    page.TntMemo_Edit->setPlainText("ТЕКСТ");
    page.CheckBox_EditorCriptoMode->setChecked(true);
    page.Button_Editor_ToPerforator->click();
    ASSERT_EQ(punched.count(), 1);
    EXPECT_EQ(punched[0][0].toByteArray(), QByteArray("A&B\r\n"));
    page.CheckBox_EditorCriptoMode->setChecked(false);
    page.Button_Editor_ToPerforator->click();
    ASSERT_EQ(punchedWide.count(), 1);
    EXPECT_EQ(punchedWide[0][0].toString(), "П141911\r\nТЕКСТ\r\n");
}

TEST_F(EditorPageTest, AddressBookFillsTheEditorFromTheKeyboard) {
    // Prepared by hand in UTF-8; the second entry's network is left out.
    home.write("addressbook.ini",
               "[1]\nName=Тверь, Кузнецову\nCategory=С\nNet=02\nIndex=222222\n"
               "Line1=ТВЕРЬ\nLine2=КУЗНЕЦОВУ\n[2]\nName=Линия\nCategory=Ц\nIndex=123\n"
               "Line1=ЛИНИЯ\n");
    page.TntComboBox_Editor_Category->addItem("Ц");
    page.show();
    const struct {
        const char* search;
        const char* ask;  // the answer to the question on a text that is not empty
        const char* text;
    } steps[] = {
        {"кузн", nullptr, "ТВЕРЬ\nКУЗНЕЦОВУ\n"},
        {"123", "Не ставить", "ТВЕРЬ\nКУЗНЕЦОВУ\n"},
        {"лин", "Поставить", "ЛИНИЯ\nТВЕРЬ\nКУЗНЕЦОВУ\n"},
    };
    for (const auto& step : steps) {
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
        page.MaskEdit_Editor_Index->setFocus();
        std::optional<ModalAnswerer> ask;
        if (step.ask)
            ask.emplace(QString::fromUtf8(step.ask));
        ModalAnswerer take(QStringLiteral("В редактор"), [&](QWidget* dialog) {
            auto* search = dialog->findChild<QLineEdit*>("Edit_Search");
            if (search->text().isEmpty())
                search->setText(QString::fromUtf8(step.search));
        });
        QTest::keyClick(page.MaskEdit_Editor_Index, Qt::Key_B, Qt::ControlModifier);
        EXPECT_EQ(take.title, "Адресная книга") << step.search;
        ask.reset();
        EXPECT_EQ(page.TntMemo_Edit->toPlainText(), QString::fromUtf8(step.text)) << step.search;
    }
    EXPECT_EQ(page.TntComboBox_Editor_Category->currentText(), "Ц");
    EXPECT_FALSE(page.MaskEdit_Editor_Schema->isHidden());
    EXPECT_EQ(page.MaskEdit_Editor_Schema->text(), "123");
    EXPECT_EQ(page.MaskEdit_Net->text(), "01");
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "222222") << "kept for the schema's header";
}

TEST_F(EditorPageTest, CompletionOfTheIndexAndTheFirstLine) {
    page.SetTodaySource([] { return QDate(2026, 1, 30); });
    for (const char* name : {"0130q001.001", "0130q002.002"})
        home.write(QStringLiteral("out/0130/") + name,
                   WideToAnsi(u"П141911\r\nМОСКВА ПЕТРОВУ\r\n"));
    home.write("out/0130/0130q003.003", WideToAnsi(u"С141922\r\nМОСКВА СИДОРОВУ\r\n"));
    home.write("addressbook.ini", WideToAnsi(u"[1]\r\nName=Иванов\r\nCategory=П\r\nIndex=141933\r\n"
                                             u"Line1=МОСКВА ИВАНОВУ\r\n"));
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    auto shown = [&] {
        QStringList rows;
        const QAbstractItemModel* model = page.Completer_Address->Popup()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            rows << model->index(row, 0).data().toString();
        return rows;
    };
    const QStringList offered = {"П141911  МОСКВА ПЕТРОВУ  (2)", "С141922  МОСКВА СИДОРОВУ  (1)",
                                 "П141933  МОСКВА ИВАНОВУ — Иванов"};
    auto choose = [&](int row) {
        QWidget* popup = page.Completer_Address->Popup();
        ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
        EXPECT_EQ(shown(), offered);
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        EXPECT_FALSE(popup->isVisible());
    };

    page.MaskEdit_Editor_Index->clear();
    page.MaskEdit_Editor_Index->setFocus();
    QTest::keyClicks(page.MaskEdit_Editor_Index, "1419");
    choose(1);
    EXPECT_EQ(page.TntComboBox_Editor_Category->currentText(), "С");
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "141922");
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), "МОСКВА СИДОРОВУ\n");

    // The first line being typed is completed; the rest of the text stays.
    page.TntMemo_Edit->setPlainText("\nТЕКСТ НЕ ТРОНУТ");
    page.TntMemo_Edit->moveCursor(QTextCursor::Start);
    type(QStringLiteral("мос"));
    choose(0);
    EXPECT_EQ(page.TntMemo_Edit->toPlainText(), "МОСКВА ПЕТРОВУ\nТЕКСТ НЕ ТРОНУТ");
    EXPECT_EQ(page.TntComboBox_Editor_Category->currentText(), "П");
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "141911");

    // "Из переданных" adds the destinations checked that the book lacks.
    bool fromSent = false;
    QStringList offeredSent;
    {
        ModalAnswerer add(QStringLiteral("Добавить отмеченные"), [&](QWidget* dialog) {
            auto* list = dialog->findChild<QTreeWidget*>("ListView_FromSent");
            if (!list)  // the book, before its "Из переданных"
                return;
            offeredSent = ColumnTexts(list, 1);
            list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        });
        ModalAnswerer close(QStringLiteral("Закрыть"), [&](QWidget* dialog) {
            if (!std::exchange(fromSent, true))
                dialog->findChild<QPushButton*>("Button_FromSent")->click();
        });
        page.Button_Editor_Addresses->click();
    }
    EXPECT_EQ(offeredSent, QStringList({"МОСКВА ПЕТРОВУ", "МОСКВА СИДОРОВУ"}));
    QStringList names;
    const QList<TAddressEntry> book =
        ParseAddressBook(read("addressbook.ini")).value_or(QList<TAddressEntry>());
    for (const TAddressEntry& e : book)
        names << e.Name + u' ' + DestinationHeader(e);
    EXPECT_EQ(names, QStringList({"Иванов П141933", "МОСКВА ПЕТРОВУ П141911"}));
}

TEST_F(EditorPageTest, TemplatesFromTheMenu) {
    home.write("tpl/Приказ.txt", QStringLiteral("ПРИКАЗ\nТЕКСТ\n").toUtf8());
    home.write("tpl/Длинный", QByteArray(4998, 'A') + "\r\n");
    page.PopupMenu_TemplatesPopup();
    QStringList items;
    for (QAction* action : page.PopupMenu_Templates->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, QStringList({"Длинный", "Приказ", "-", "Сохранить как шаблон…"}));
    auto pick = [&](int at) { page.PopupMenu_Templates->actions().at(at)->trigger(); };

    page.MaskEdit_Editor_Index->setText("222222");
    page.TntMemo_Edit->setPlainText("СТАРЫЙ ТЕКСТ");
    const struct {
        int item;
        const char* button;
        const char* box;
        const char* text;
    } steps[] = {
        {1, "Отмена", "Заменить текст телеграммы шаблоном «Приказ»?", "СТАРЫЙ ТЕКСТ"},
        {1, "Заменить", "Заменить текст телеграммы шаблоном «Приказ»?", "ПРИКАЗ\nТЕКСТ\n"},
        {0, "OK",
         "Шаблон «Длинный» не загружен: 5000 байт, а в телеграмме их может быть не больше "
         "4999.",
         "ПРИКАЗ\nТЕКСТ\n"},
    };
    for (const auto& step : steps) {
        ModalAnswerer answer(QString::fromUtf8(step.button));
        pick(step.item);
        EXPECT_EQ(answer.text, QString::fromUtf8(step.box));
        EXPECT_EQ(page.TntMemo_Edit->toPlainText(), QString::fromUtf8(step.text));
    }
    EXPECT_EQ(page.MaskEdit_Editor_Index->text(), "222222") << "the header stays";

    page.TntMemo_Edit->setPlainText("НОВЫЙ\nШАБЛОН");
    {
        ModalAnswerer save(QStringLiteral("Сохранить"), [](QWidget* dialog) {
            dialog->findChild<QLineEdit*>()->setText(QStringLiteral("Новый"));
        });
        page.Action_SaveTemplate->trigger();
    }
    EXPECT_EQ(read("tpl/Новый.txt"), WideToAnsi(u"НОВЫЙ\r\nШАБЛОН\r\n"));
}

TEST_F(EditorPageTest, AddressEntryFormNamesTheWrongField) {
    TForm_AddressEntry form(TAddressEntry{"Москва", "П", "01", "14191", {}}, {"П", "Ц"});
    {
        ModalAnswerer ok(QStringLiteral("OK"));
        form.Button_Save->click();
        EXPECT_EQ(ok.text, "Поле «Индекс» должно содержать шесть цифр.");
    }
    EXPECT_NE(form.result(), QDialog::Accepted);
    form.ComboBox_Category->setCurrentText("Ц");
    EXPECT_EQ(form.Label_Index->text(), "Схема");
    form.Edit_Index->setText("123");
    form.Memo_Lines->setPlainText("МОСКВА\nИВАНОВУ\n\n");
    form.Button_Save->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Entry(), (TAddressEntry{"Москва", "Ц", "01", "123", {"МОСКВА", "ИВАНОВУ"}}));
}

}  // namespace
