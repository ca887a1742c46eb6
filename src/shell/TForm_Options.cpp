#include "shell/TForm_Options.h"

#include "alerts/soundplayer.h"
#include "config/commatext.h"
#include "config/settings.h"
#include "util/linecode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QSpinBox* Spin(QWidget* parent, const char* name, int low, int high) {
    auto* spin = Named(new QSpinBox(parent), name);
    spin->setRange(low, high);
    return spin;
}

QLineEdit* Secret(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return edit;
}

// A row of widgets with a caption in front and an optional unit behind.
QHBoxLayout* Row(const QString& caption, QWidget* field, const QString& unit = {}) {
    auto* row = new QHBoxLayout;
    if (!caption.isEmpty())
        row->addWidget(new QLabel(caption));
    row->addWidget(field);
    if (!unit.isEmpty())
        row->addWidget(new QLabel(unit));
    row->addStretch();
    return row;
}

const QStringList kSoundKinds = {QStringLiteral("Без звука"), QStringLiteral("Динамик"),
                                 QStringLiteral("Проиграть файл"),
                                 QStringLiteral("Проиграть файл (цикл)")};

// Whole port numbers only; the reserve server's may be 0 (none).
bool PortText(const QString& text, int low, int* value) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > 65535)
        return false;
    *value = n;
    return true;
}

// A list whose stored value had no item keeps that value.
int IndexOr(const QComboBox* box, int old) {
    return box->currentIndex() < 0 ? old : box->currentIndex();
}

void SelectByData(QComboBox* box, const QString& name) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemData(i).toString() == name) {
            box->setCurrentIndex(i);
            return;
        }
    // A port that is not there now still shows what the settings hold.
    box->addItem(name, name);
    box->setCurrentIndex(box->count() - 1);
}

}  // namespace

QFont ToQFont(const _tlg_font& f) {
    QFont font(f.Name);
    if (f.Size > 0)
        font.setPointSize(f.Size);
    font.setBold(f.Bold);
    return font;
}

_tlg_font FromQFont(const QFont& font) {
    return {font.family(), font.pointSize() > 0 ? font.pointSize() : 0, font.bold()};
}

TForm_Options::TForm_Options(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Options"));
    setWindowTitle(QStringLiteral("TARVO/COM [Options]"));
    PageControl = Named(new QTabWidget(this), "PageControl");
    PageControl->addTab(MakeConnectionPage(), QStringLiteral("Подключение"));
    TabSheet_VPN = MakeVpnPage();
    PageControl->addTab(TabSheet_VPN, QStringLiteral("VPN"));
    PageControl->addTab(MakeExchangePage(), QStringLiteral("Прием/Передача"));
    PageControl->addTab(MakeFoldersPage(), QStringLiteral("Каталоги"));
    PageControl->addTab(MakePrintPage(), QStringLiteral("Печать"));
    PageControl->addTab(MakeOtherPage(), QStringLiteral("Разное"));
    PageControl->addTab(MakeShiftPage(), QStringLiteral("Смена"));
    PageControl->addTab(MakeSoundPage(), QStringLiteral("Звуки"));

    Button_Save = Named(new QPushButton(QStringLiteral("Сохранить"), this), "Button_Save");
    Button_Save->setDefault(true);
    Button_Cancel = Named(new QPushButton(QStringLiteral("Отменить"), this), "Button_Cancel");
    connect(Button_Save, &QPushButton::clicked, this, &TForm_Options::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(Button_Save);
    bar->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(PageControl);
    column->addLayout(bar);

    chooseFile_ = [this](const QString& caption, const QString& start, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, start, filter);
    };
    chooseFont_ = [this](QFont& font) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, this);
        if (ok)
            font = chosen;
        return ok;
    };
    UpdateEnabling();
    // Wide enough for all eight tabs.
    setFixedSize(sizeHint().expandedTo(QSize(680, 0)));
}

QWidget* TForm_Options::MakeConnectionPage() {
    auto* page = Named(new QWidget, "TabSheet_Connect");
    RadioButton_TCPIP =
        Named(new QRadioButton(QStringLiteral("TCP/IP"), page), "RadioButton_TCPIP");
    RadioButton_COM = Named(new QRadioButton(QStringLiteral("COM"), page), "RadioButton_COM");

    GroupBox_TCPIP = Named(new QGroupBox(page), "GroupBox_TCPIP");
    Edit_Host = Named(new QLineEdit, "Edit_Host");
    Edit_Port = Named(new QLineEdit, "Edit_Port");
    Edit_Host2 = Named(new QLineEdit, "Edit_Host2");
    Edit_Port2 = Named(new QLineEdit, "Edit_Port2");
    CheckBox_VPN_Use =
        Named(new QCheckBox(QStringLiteral("Использовать VPN (Удаленный доступ/Remote access)")),
              "CheckBox_VPN_Use");
    auto* tcp = new QGridLayout(GroupBox_TCPIP);
    tcp->addWidget(new QLabel(QStringLiteral("IP  адрес")), 0, 0);
    tcp->addWidget(Edit_Host, 0, 1);
    tcp->addWidget(new QLabel(QStringLiteral("Порт")), 0, 2);
    tcp->addWidget(Edit_Port, 0, 3);
    tcp->addWidget(new QLabel(QStringLiteral("Резервный")), 1, 0);
    tcp->addWidget(Edit_Host2, 1, 1);
    tcp->addWidget(Edit_Port2, 1, 3);
    tcp->addWidget(CheckBox_VPN_Use, 2, 0, 1, 4);

    GroupBox_COM = Named(new QGroupBox(page), "GroupBox_COM");
    ComboBox_Port = Named(new QComboBox, "ComboBox_Port");
    ComboBox_Baud = Named(new QComboBox, "ComboBox_Baud");
    ComboBox_Baud->addItems({QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("200")});
    auto* com = new QHBoxLayout(GroupBox_COM);
    com->addLayout(Row(QStringLiteral("Порт"), ComboBox_Port));
    com->addLayout(Row(QStringLiteral("Скорость"), ComboBox_Baud));

    CheckBox_Perforator =
        Named(new QCheckBox(QStringLiteral("Перфоратор"), page), "CheckBox_Perforator");
    GroupBox_Perforator = Named(new QGroupBox(page), "GroupBox_Perforator");
    ComboBox_PerfPort = Named(new QComboBox, "ComboBox_PerfPort");
    ComboBox_PerfBaud = Named(new QComboBox, "ComboBox_PerfBaud");
    ComboBox_PerfBaud->addItems(
        {QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("MAX")});
    CheckBox_PerfNoBlock =
        Named(new QCheckBox(QStringLiteral("Не занимать")), "CheckBox_PerfNoBlock");
    auto* perf = new QHBoxLayout(GroupBox_Perforator);
    perf->addLayout(Row(QStringLiteral("Порт"), ComboBox_PerfPort));
    perf->addLayout(Row(QStringLiteral("Скорость"), ComboBox_PerfBaud));
    perf->addWidget(CheckBox_PerfNoBlock);

    auto* column = new QVBoxLayout(page);
    column->addWidget(RadioButton_TCPIP);
    column->addWidget(GroupBox_TCPIP);
    column->addWidget(RadioButton_COM);
    column->addWidget(GroupBox_COM);
    column->addWidget(CheckBox_Perforator);
    column->addWidget(GroupBox_Perforator);
    column->addStretch();

    for (QRadioButton* r : {RadioButton_TCPIP, RadioButton_COM})
        connect(r, &QRadioButton::toggled, this, &TForm_Options::UpdateEnabling);
    for (QCheckBox* c : {CheckBox_VPN_Use, CheckBox_Perforator})
        connect(c, &QCheckBox::toggled, this, &TForm_Options::UpdateEnabling);
    for (QLineEdit* e : {Edit_Host, Edit_Port})
        connect(e, &QLineEdit::textChanged, this, &TForm_Options::UpdateEnabling);
    // The entry's text up to its first blank is the port's name.
    connect(ComboBox_Port, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            dialogLinePort_ = ComboBox_Port->itemData(i).toString();
    });
    connect(ComboBox_PerfPort, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            dialogPerfPort_ = ComboBox_PerfPort->itemData(i).toString();
    });
    return page;
}

QWidget* TForm_Options::MakeVpnPage() {
    auto* page = Named(new QWidget, "TabSheet_VPN");
    ComboBox_VPN_Name = Named(new QComboBox, "ComboBox_VPN_Name");
    ComboBox_VPN_Name->setEditable(true);
    ComboBox_VPN_Name->setMinimumWidth(200);
    Edit_VPN_Login = Named(new QLineEdit, "Edit_VPN_Login");
    Edit_VPN_Password = Secret(Named(new QLineEdit, "Edit_VPN_Password"));
    RadioButton_VPN_AllTime = Named(new QRadioButton(QStringLiteral("Поддерживать соединение")),
                                    "RadioButton_VPN_AllTime");
    RadioButton_VPN_TimeTable =
        Named(new QRadioButton(QStringLiteral("Соединение при необходимости и по расписанию:")),
              "RadioButton_VPN_TimeTable");
    Memo_VPN_TimeTable = Named(new QPlainTextEdit, "Memo_VPN_TimeTable");
    UpDown_VPN_DisconnectDelay = Spin(page, "UpDown_VPN_DisconnectDelay", 0, 999);
    CheckBox_VPN_NoDisturb =
        Named(new QCheckBox(QStringLiteral("Не проявлять активности, если поднят другой VPN")),
              "CheckBox_VPN_NoDisturb");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Имя соединения"), ComboBox_VPN_Name);
    form->addRow(QStringLiteral("Пользователь"), Edit_VPN_Login);
    form->addRow(QStringLiteral("Пароль"), Edit_VPN_Password);
    auto* column = new QVBoxLayout(page);
    column->addLayout(form);
    column->addWidget(RadioButton_VPN_AllTime);
    column->addWidget(RadioButton_VPN_TimeTable);
    column->addWidget(Memo_VPN_TimeTable);
    column->addLayout(Row(QStringLiteral("Разъединение при неактивности"),
                          UpDown_VPN_DisconnectDelay, QStringLiteral("сек")));
    column->addWidget(CheckBox_VPN_NoDisturb);
    connect(Edit_VPN_Login, &QLineEdit::textChanged, this, &TForm_Options::UpdateEnabling);
    return page;
}

QWidget* TForm_Options::MakeExchangePage() {
    auto* page = Named(new QWidget, "TabSheet_Exchange");
    CheckBox_TlgNotes = Named(new QCheckBox(QStringLiteral("Ждать расписку")), "CheckBox_TlgNotes");
    UpDown_TlgTimeOut = Spin(page, "UpDown_TlgTimeOut", 10, 100);
    UpDown_ZZTimeOut = Spin(page, "UpDown_ZZTimeOut", 0, 60);
    ComboBox_CCM = Named(new QComboBox, "ComboBox_CCM");
    ComboBox_CCM->addItems({QStringLiteral("Тип 0: время hhmm, \"Р А С П И С К А\""),
                            QStringLiteral("Тип 1: время hh.mm, \"РАСПИСКА\""),
                            QStringLiteral("Тип 2: время hhmm, \"РАСПИСКА\"")});
    CheckBox_CorrectTime =
        Named(new QCheckBox(QStringLiteral("Корректировать время с ЦКС")), "CheckBox_CorrectTime");
    ComboBox_TZ = Named(new QComboBox, "ComboBox_TZ");
    for (int h = -12; h <= 12; ++h)
        ComboBox_TZ->addItem(h > 0 ? QStringLiteral("+%1").arg(h) : QString::number(h));
    CheckBox_OnIdleSendKG0 =
        Named(new QCheckBox(QStringLiteral("При простое отправлять КГ0 каждые")),
              "CheckBox_OnIdleSendKG0");
    ComboBox_IdleSendKGTimeOut = Named(new QComboBox, "ComboBox_IdleSendKGTimeOut");
    for (int m = 5; m <= 60; m += 5)
        ComboBox_IdleSendKGTimeOut->addItem(QString::number(m));
    CheckBox_ReSendEnable =
        Named(new QCheckBox(QStringLiteral("Пересылать принятые телеграмы на индекс")),
              "CheckBox_ReSendEnable");
    Edit_ReSendHeader = Named(new QLineEdit, "Edit_ReSendHeader");
    CheckBox_ServicePlace =
        Named(new QCheckBox(QStringLiteral("Служебное место")), "CheckBox_ServicePlace");
    Edit_AA = Named(new QLineEdit, "Edit_AA");

    auto* column = new QVBoxLayout(page);
    auto* notes = new QHBoxLayout;
    notes->addWidget(CheckBox_TlgNotes);
    notes->addWidget(UpDown_TlgTimeOut);
    notes->addWidget(new QLabel(QStringLiteral("сек")));
    notes->addStretch();
    column->addLayout(notes);
    column->addLayout(Row(QStringLiteral("После передачи тлг ЗЗ через"), UpDown_ZZTimeOut,
                          QStringLiteral("сек")));
    column->addLayout(Row(QStringLiteral("Тип ЦКС/Расписки"), ComboBox_CCM));
    auto* time = Row({}, CheckBox_CorrectTime);
    time->addWidget(new QLabel(QStringLiteral("Смещение в часах")));
    time->addWidget(ComboBox_TZ);
    column->addLayout(time);
    auto* idle = Row({}, CheckBox_OnIdleSendKG0);
    idle->addWidget(ComboBox_IdleSendKGTimeOut);
    idle->addWidget(new QLabel(QStringLiteral("мин")));
    column->addLayout(idle);
    column->addWidget(CheckBox_ReSendEnable);
    column->addWidget(Edit_ReSendHeader);
    column->addWidget(CheckBox_ServicePlace);
    column->addLayout(Row(QStringLiteral("Автоответ"), Edit_AA));
    column->addStretch();
    return page;
}

QWidget* TForm_Options::MakeFoldersPage() {
    auto* page = Named(new QWidget, "TabSheet_Folders");
    Edit_InputPath = Named(new QLineEdit, "Edit_InputPath");
    UpDown_InputPath_Days = Spin(page, "UpDown_InputPath_Days", 0, 360);
    Edit_OutputPath = Named(new QLineEdit, "Edit_OutputPath");
    UpDown_OutputPath_Days = Spin(page, "UpDown_OutputPath_Days", 0, 360);
    Edit_PrtPath = Named(new QLineEdit, "Edit_PrtPath");
    UpDown_PrtPath_Days = Spin(page, "UpDown_PrtPath_Days", 0, 360);
    UpDown_ScanPathTimeout = Spin(page, "UpDown_ScanPathTimeout", 10, 100);
    // Changed by its arrows only.
    UpDown_ScanPathTimeout->findChild<QLineEdit*>()->setReadOnly(true);
    auto box = [](const char* caption, const char* name) {
        return Named(new QCheckBox(QString::fromUtf8(caption)), name);
    };
    CheckBox_OutputAppendMode =
        box("Дописывать текст в конец файла, если файл существует", "CheckBox_OutputAppendMode");
    CheckBox_SaveRegisterInTlg =
        box("Сохранять регистры в файле телеграммы", "CheckBox_SaveRegisterInTlg");
    CheckBox_SaveTlg_ANSI = box("Сохранять текст в кодировке 1251", "CheckBox_SaveTlg_ANSI");
    CheckBox_DayPath_YYMMDD = box("Хранить архивы в виде: YYMMDD", "CheckBox_DayPath_YYMMDD");
    CheckBox_MarkFilesInList =
        box("Возможность ставить отметки в списках файлов", "CheckBox_MarkFilesInList");
    CheckBox_CorrectInputTlg = box("Редактировать входящие телеграммы", "CheckBox_CorrectInputTlg");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Хранить, дней")), 0, 2);
    const struct {
        const char* caption;
        QLineEdit* edit;
        QSpinBox* days;
    } rows[] = {{"Прием", Edit_InputPath, UpDown_InputPath_Days},
                {"Передача", Edit_OutputPath, UpDown_OutputPath_Days},
                {"Протокол", Edit_PrtPath, UpDown_PrtPath_Days}};
    int r = 1;
    for (const auto& row : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(row.caption)), r, 0);
        grid->addWidget(row.edit, r, 1);
        grid->addWidget(row.days, r, 2);
        connect(row.edit, &QLineEdit::textChanged, this, &TForm_Options::UpdateEnabling);
        ++r;
    }
    auto* column = new QVBoxLayout(page);
    column->addLayout(grid);
    column->addLayout(Row(QStringLiteral("Проверять каталог \"Передача\" каждые "),
                          UpDown_ScanPathTimeout, QStringLiteral("сек")));
    for (QCheckBox* c :
         {CheckBox_OutputAppendMode, CheckBox_SaveRegisterInTlg, CheckBox_SaveTlg_ANSI,
          CheckBox_DayPath_YYMMDD, CheckBox_MarkFilesInList, CheckBox_CorrectInputTlg})
        column->addWidget(c);
    column->addStretch();
    return page;
}

QWidget* TForm_Options::MakePrintPage() {
    auto* page = Named(new QWidget, "TabSheet_Print");
    auto box = [](const char* caption, const char* name) {
        return Named(new QCheckBox(QString::fromUtf8(caption)), name);
    };
    CheckBox_AutoPrintTlg =
        box("Печатать принятые телеграммы автоматически", "CheckBox_AutoPrintTlg");
    CheckBox_PrintRegisters = box("Печатать регистры", "CheckBox_PrintRegisters");
    CheckBox_AutoWordWrap =
        box("Разрывать строку, если строка слишком длинная  для печати", "CheckBox_AutoWordWrap");
    CheckBox_AutoPrintMsg = box("Печатать сообщения ЦКС", "CheckBox_AutoPrintMsg");

    auto* printer = Named(new QGroupBox(QStringLiteral("Принтер"), page), "GroupBox_Printer");
    RadioButton_PRN_Matrix =
        Named(new QRadioButton(QStringLiteral("LPT port (RAW Mode)")), "RadioButton_PRN_Matrix");
    RadioButton_PRN_Windows =
        Named(new QRadioButton(QStringLiteral("Windows")), "RadioButton_PRN_Windows");
    ComboBox_PRN = Named(new QComboBox, "ComboBox_PRN");
    ComboBox_PRN->setMinimumWidth(180);
    CheckBox_PRNLoadFont = box("Загрузить шрифт 8x8 из файла", "CheckBox_PRNLoadFont");
    Edit_PRNFontFile = Named(new QLineEdit, "Edit_PRNFontFile");
    Button_PRNFontFile = Named(new QPushButton(QStringLiteral("Обзор")), "Button_PRNFontFile");
    UpDown_PrintSkipLines = Spin(page, "UpDown_PrintSkipLines", 0, 20);
    ComboBox_Printers = Named(new QComboBox, "ComboBox_Printers");
    ComboBox_Printers->setMinimumWidth(180);
    Button_PrnFont = Named(new QPushButton(QStringLiteral("Выбрать")), "Button_PrnFont");

    auto* grid = new QGridLayout(printer);
    grid->addWidget(RadioButton_PRN_Matrix, 0, 0);
    grid->addWidget(ComboBox_PRN, 0, 1, 1, 2);
    grid->addWidget(CheckBox_PRNLoadFont, 1, 0);
    grid->addWidget(Edit_PRNFontFile, 1, 1);
    grid->addWidget(Button_PRNFontFile, 1, 2);
    grid->addLayout(Row(QStringLiteral("Добавить пустые строки"), UpDown_PrintSkipLines), 2, 0, 1,
                    3);
    grid->addWidget(RadioButton_PRN_Windows, 3, 0);
    grid->addWidget(ComboBox_Printers, 3, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Использовать шрифт:")), 4, 0);
    grid->addWidget(Button_PrnFont, 4, 1, 1, 2);

    auto* column = new QVBoxLayout(page);
    for (QCheckBox* c : {CheckBox_AutoPrintTlg, CheckBox_PrintRegisters, CheckBox_AutoWordWrap,
                         CheckBox_AutoPrintMsg})
        column->addWidget(c);
    column->addWidget(printer);
    column->addStretch();

    for (QRadioButton* r : {RadioButton_PRN_Matrix, RadioButton_PRN_Windows})
        connect(r, &QRadioButton::toggled, this, &TForm_Options::UpdateEnabling);
    connect(CheckBox_PRNLoadFont, &QCheckBox::toggled, this, &TForm_Options::UpdateEnabling);
    connect(Button_PRNFontFile, &QPushButton::clicked, this, [this] {
        const QString file =
            ChooseFile(Edit_PRNFontFile->text(), QStringLiteral("Font (*.fnt);;All (*)"));
        if (!file.isEmpty())
            Edit_PRNFontFile->setText(file);
    });
    connect(Button_PrnFont, &QPushButton::clicked, this,
            [this] { ChooseFont(Button_PrnFont, printerFont_); });
    return page;
}

QWidget* TForm_Options::MakeOtherPage() {
    auto* page = Named(new QWidget, "TabSheet_Other");
    auto box = [](const char* caption, const char* name) {
        return Named(new QCheckBox(QString::fromUtf8(caption)), name);
    };
    Edit_AccessCode = Secret(Named(new QLineEdit, "Edit_AccessCode"));
    Edit_AccessCode->setMaxLength(16);
    Edit_Editor_Category = Named(new QLineEdit, "Edit_Editor_Category");
    MaskEdit_Editor_Index = Named(new QLineEdit, "MaskEdit_Editor_Index");
    MaskEdit_Editor_Index->setInputMask(QStringLiteral("999999"));
    Button_Font = Named(new QPushButton(QStringLiteral("Выбрать")), "Button_Font");
    CheckBox_ParseOutTextForAutoReplace =
        box("Автозамена спецсимволов при отправке", "CheckBox_ParseOutTextForAutoReplace");
    CheckBox_AutoRun = box("Автозапуск при старте  Windows", "CheckBox_AutoRun");
    CheckBox_TrayMode = box("Сворачивать при запуске", "CheckBox_TrayMode");
    CheckBox_StartAutomate = box("Запуск в автоматическом режиме ", "CheckBox_StartAutomate");
    CheckBox_AskOnClose = box("Подтверждать выход из программы", "CheckBox_AskOnClose");
    CheckBox_MinimizeOnCloseWindow =
        box("Сворачивать при  закрытии", "CheckBox_MinimizeOnCloseWindow");
    CheckBox_ProtocolWidth = box("Ограничивать ширину протокола", "CheckBox_ProtocolWidth");
    CheckBox_RestoreWindowPosition =
        box("Восстанавливать положение окна", "CheckBox_RestoreWindowPosition");
    CheckBox_NoHideInTaskBar = box("Не убирать с панели задач", "CheckBox_NoHideInTaskBar");

    auto* editor =
        Named(new QGroupBox(QStringLiteral("Редактор телеграмм"), page), "GroupBox_Editor");
    auto* form = new QFormLayout(editor);
    form->addRow(QStringLiteral("Список категорий тлг"), Edit_Editor_Category);
    form->addRow(QStringLiteral("Индекс по умолчанию"), MaskEdit_Editor_Index);
    form->addRow(QStringLiteral("Использовать шрифт:"), Button_Font);
    form->addRow(CheckBox_ParseOutTextForAutoReplace);

    auto* column = new QVBoxLayout(page);
    column->addLayout(Row(QStringLiteral("Код доступа к настройкам"), Edit_AccessCode));
    column->addWidget(editor);
    for (QCheckBox* c :
         {CheckBox_AutoRun, CheckBox_TrayMode, CheckBox_StartAutomate, CheckBox_AskOnClose,
          CheckBox_MinimizeOnCloseWindow, CheckBox_ProtocolWidth, CheckBox_RestoreWindowPosition,
          CheckBox_NoHideInTaskBar})
        column->addWidget(c);
    column->addStretch();
    connect(Button_Font, &QPushButton::clicked, this,
            [this] { ChooseFont(Button_Font, screenFont_); });
    return page;
}

QWidget* TForm_Options::MakeShiftPage() {
    auto* page = Named(new QWidget, "TabSheet_Shift");
    TntCheckBox_UseOperatorList =
        Named(new QCheckBox(QStringLiteral("Использовать список операторов")),
              "TntCheckBox_UseOperatorList");
    TntMemo_OperatorList = Named(new QPlainTextEdit, "TntMemo_OperatorList");
    CheckBox_RAutoConfirm =
        Named(new QCheckBox(QStringLiteral("Автозаверка Р через ")), "CheckBox_RAutoConfirm");
    UpDown_RAutoConfirm = Spin(page, "UpDown_RAutoConfirm", 0, 99);
    auto* column = new QVBoxLayout(page);
    column->addWidget(TntCheckBox_UseOperatorList);
    column->addWidget(TntMemo_OperatorList);
    auto* confirm = Row({}, CheckBox_RAutoConfirm);
    confirm->insertWidget(1, UpDown_RAutoConfirm);
    confirm->insertWidget(2, new QLabel(QStringLiteral("сек")));
    column->addLayout(confirm);
    for (QCheckBox* c : {TntCheckBox_UseOperatorList, CheckBox_RAutoConfirm})
        connect(c, &QCheckBox::toggled, this, &TForm_Options::UpdateEnabling);
    return page;
}

TForm_Options::SoundGroup TForm_Options::MakeSoundGroup(const char* prefix, bool withLoop) {
    const QString p = QString::fromLatin1(prefix);
    SoundGroup g;
    g.type = new QComboBox;
    g.type->setObjectName(QStringLiteral("TntComboBox_%1_SoundType").arg(p));
    g.type->addItems(withLoop ? kSoundKinds : QStringList(kSoundKinds.mid(0, 3)));
    g.file = new QLineEdit;
    g.file->setObjectName(QStringLiteral("TntEdit_%1_SoundFile").arg(p));
    g.browse = new QPushButton(QStringLiteral("Обзор"));
    g.browse->setObjectName(QStringLiteral("Button_%1_SoundBrowse").arg(p));
    g.play = new QPushButton(QStringLiteral(">"));
    g.play->setObjectName(QStringLiteral("Button_%1_SoundPlay").arg(p));
    g.play->setMaximumWidth(32);
    connect(g.type, qOverload<int>(&QComboBox::currentIndexChanged), this, &TForm_Options::UpdateEnabling);
    connect(g.play, &QPushButton::clicked, this, [this, g] { PlayGroup(g); });
    connect(g.browse, &QPushButton::clicked, this, [this, g] { BrowseSound(g); });
    return g;
}

QWidget* TForm_Options::MakeSoundPage() {
    auto* page = Named(new QWidget, "TabSheet_Sound");
    Sound_R = MakeSoundGroup("R", true);
    Sound_K = MakeSoundGroup("K", true);
    Sound_O = MakeSoundGroup("O", false);
    Sound_NC = MakeSoundGroup("NC", true);
    Edit_Category_Sound = Named(new QLineEdit, "Edit_Category_Sound");
    auto* column = new QVBoxLayout(page);
    const struct {
        const char* caption;
        SoundGroup* group;
    } groups[] = {{"Ракета", &Sound_R},
                  {"Категорийная", &Sound_K},
                  {"Остальные телеграммы", &Sound_O},
                  {"Потеря связи", &Sound_NC}};
    for (const auto& entry : groups) {
        auto* box = new QGroupBox(QString::fromUtf8(entry.caption), page);
        auto* grid = new QGridLayout(box);
        grid->addWidget(entry.group->type, 0, 0);
        grid->addWidget(entry.group->file, 0, 1);
        grid->addWidget(entry.group->browse, 0, 2);
        grid->addWidget(entry.group->play, 0, 3);
        if (entry.group == &Sound_K) {
            grid->addWidget(new QLabel(QStringLiteral("Список категорий:")), 1, 0);
            grid->addWidget(Edit_Category_Sound, 1, 1, 1, 3);
        }
        column->addWidget(box);
    }
    column->addStretch();
    return page;
}

void TForm_Options::UpdateEnabling() {
    RadioButton_COM->setEnabled(linePortsFound_ > 0);
    GroupBox_TCPIP->setEnabled(RadioButton_TCPIP->isChecked());
    GroupBox_COM->setEnabled(RadioButton_COM->isChecked() && RadioButton_COM->isEnabled());
    // With no tape port it can still be cleared, never ticked.
    CheckBox_Perforator->setEnabled(perfPortsFound_ > 0 || CheckBox_Perforator->isChecked());
    GroupBox_Perforator->setEnabled(CheckBox_Perforator->isChecked() &&
                                    CheckBox_Perforator->isEnabled());
    PageControl->setTabVisible(PageControl->indexOf(TabSheet_VPN), CheckBox_VPN_Use->isChecked());
    Edit_VPN_Password->setEnabled(!Edit_VPN_Login->text().isEmpty());

    bool savable = Edit_InputPath->text().size() >= 3 && Edit_OutputPath->text().size() >= 3 &&
                   Edit_PrtPath->text().size() >= 3;
    if (GroupBox_TCPIP->isEnabled())
        savable = savable && Edit_Host->text().size() >= 3;
    Button_Save->setEnabled(savable);

    const bool raw = RadioButton_PRN_Matrix->isChecked();
    ComboBox_PRN->setEnabled(raw);
    CheckBox_PRNLoadFont->setEnabled(raw);
    Edit_PRNFontFile->setEnabled(raw && CheckBox_PRNLoadFont->isChecked());
    Button_PRNFontFile->setEnabled(Edit_PRNFontFile->isEnabled());
    ComboBox_Printers->setEnabled(RadioButton_PRN_Windows->isChecked());

    CheckBox_RAutoConfirm->setEnabled(TntCheckBox_UseOperatorList->isChecked());
    UpDown_RAutoConfirm->setEnabled(TntCheckBox_UseOperatorList->isChecked() &&
                                    CheckBox_RAutoConfirm->isChecked());

    for (const SoundGroup* g : {&Sound_R, &Sound_K, &Sound_O, &Sound_NC}) {
        const int kind = g->type->currentIndex();
        g->file->setEnabled(kind == kSoundFileOnce || kind == kSoundFileLoop);
    }
}

void TForm_Options::PlayGroup(const SoundGroup& group) const {
    if (!player_)
        return;
    const int kind = group.type->currentIndex();
    // A loop is tried once here: the operator only listens to it.
    PlayByKind(*player_, kind == kSoundFileLoop ? kSoundFileOnce : kind, group.file->text());
}

QString TForm_Options::ChooseFile(const QString& start, const QString& filter) {
    // Opened in the program folder, which is the current folder afterwards
    // whatever the chooser did.
    const QString folder = programFolder_.isEmpty() ? QDir::currentPath() : programFolder_;
    const QString preset = start.isEmpty() ? folder : QDir(folder).filePath(start);
    const QString chosen = chooseFile_ ? chooseFile_(windowTitle(), preset, filter) : QString();
    QDir::setCurrent(folder);
    return chosen;
}

void TForm_Options::BrowseSound(const SoundGroup& group) {
    const QString file = ChooseFile(group.file->text(), QStringLiteral("Wav (*.wav);;All (*)"));
    if (file.isEmpty())
        return;
    if (player_)
        player_->Play(file, false);
    group.file->setText(file);
}

void TForm_Options::ChooseFont(QPushButton* button, QFont& font) {
    QFont chosen = font;
    if (!chooseFont_ || !chooseFont_(chosen))
        return;
    font = chosen;
    button->setFont(font);
    button->setText(font.family());
}

void TForm_Options::FillPorts(const QList<TPortRecord>& ports, const QString& line,
                              const QString& perf) {
    ComboBox_Port->clear();
    ComboBox_PerfPort->clear();
    linePortsFound_ = perfPortsFound_ = 0;
    for (const TPortRecord& port : ports) {
        if (port.OfferedForLine()) {
            ComboBox_Port->addItem(port.DisplayText(), port.Name);
            ++linePortsFound_;
        }
        if (port.OfferedForTape()) {
            ComboBox_PerfPort->addItem(port.DisplayText(), port.Name);
            ++perfPortsFound_;
        }
    }
    SelectByData(ComboBox_Port, line);
    SelectByData(ComboBox_PerfPort, perf);
    dialogLinePort_ = line;
    dialogPerfPort_ = perf;
}

void TForm_Options::Fill(const _tlg_config& c, const _tlg_controls& k, const Choices& choices) {
    // Подключение
    RadioButton_TCPIP->setChecked(c.Tcp);
    RadioButton_COM->setChecked(!c.Tcp);
    Edit_Host->setText(c.Host);
    Edit_Port->setText(QString::number(c.Port));
    Edit_Host2->setText(c.Host2);
    Edit_Port2->setText(QString::number(c.Port2));
    CheckBox_VPN_Use->setChecked(c.VpnUse);
    FillPorts(choices.ports, c.Com, c.PerfCom);
    ComboBox_Baud->setCurrentIndex(c.Baud);
    CheckBox_Perforator->setChecked(c.PerfEnable);
    ComboBox_PerfBaud->setCurrentIndex(c.PerfBaud);
    CheckBox_PerfNoBlock->setChecked(c.PerfNoBlock);

    // VPN
    ComboBox_VPN_Name->clear();
    ComboBox_VPN_Name->addItems(choices.vpnEntries);
    ComboBox_VPN_Name->setCurrentText(c.VpnName);
    Edit_VPN_Login->setText(c.VpnLogin);
    Edit_VPN_Password->setText(c.VpnPassword);
    RadioButton_VPN_AllTime->setChecked(!c.VpnUseTimeTable);
    RadioButton_VPN_TimeTable->setChecked(c.VpnUseTimeTable);
    Memo_VPN_TimeTable->setPlainText(c.VpnTimeTable);
    UpDown_VPN_DisconnectDelay->setValue(c.VpnDisconnectDelay);
    CheckBox_VPN_NoDisturb->setChecked(c.VpnNoDisturb);

    // Прием/Передача
    CheckBox_TlgNotes->setChecked(c.CheckTlgNotes);
    UpDown_TlgTimeOut->setValue(c.TlgTimeOut);
    UpDown_ZZTimeOut->setValue(c.ZZTimeOut);
    ComboBox_CCM->setCurrentIndex(c.Ccm);
    CheckBox_CorrectTime->setChecked(c.CorrectTime);
    ComboBox_TZ->setCurrentIndex(c.CorrectTimeTZ + 12);
    CheckBox_OnIdleSendKG0->setChecked(c.OnIdleSendKG0);
    ComboBox_IdleSendKGTimeOut->setCurrentIndex(c.IdleSendKGTimeOut - 1);
    CheckBox_ReSendEnable->setChecked(c.ReSendEnable);
    Edit_ReSendHeader->setText(c.ReSendHeader);
    CheckBox_ServicePlace->setChecked(c.ServicePlace);
    Edit_AA->setText(c.TextAA);

    // Каталоги
    Edit_InputPath->setText(c.InpPath);
    UpDown_InputPath_Days->setValue(c.InpDays);
    Edit_OutputPath->setText(c.OutPath);
    UpDown_OutputPath_Days->setValue(c.OutDays);
    Edit_PrtPath->setText(c.PrtPath);
    UpDown_PrtPath_Days->setValue(c.PrtDays);
    UpDown_ScanPathTimeout->setValue(c.ScanTimeout);
    CheckBox_OutputAppendMode->setChecked(c.OutputInAppendMode);
    CheckBox_SaveRegisterInTlg->setChecked(c.SaveRegisterInTlg);
    CheckBox_SaveTlg_ANSI->setChecked(c.SaveTlgAnsi);
    CheckBox_DayPath_YYMMDD->setChecked(c.DayFormat != QLatin1String("mmdd"));
    CheckBox_MarkFilesInList->setChecked(c.MarkFilesInList);
    CheckBox_CorrectInputTlg->setChecked(c.CorrectInputTlg);

    // Печать
    CheckBox_AutoPrintTlg->setChecked(c.AutoPrintTlg);
    CheckBox_PrintRegisters->setChecked(c.PrintRegisters);
    CheckBox_AutoWordWrap->setChecked(c.AutoWordWrap);
    CheckBox_AutoPrintMsg->setChecked(c.AutoPrintMsg);
    RadioButton_PRN_Matrix->setChecked(c.MatrixRaw);
    RadioButton_PRN_Windows->setChecked(!c.MatrixRaw);
    ComboBox_PRN->clear();
    ComboBox_PRN->addItems(choices.rawPrinters);
    if (ComboBox_PRN->findText(c.Prn) < 0)
        ComboBox_PRN->addItem(c.Prn);
    ComboBox_PRN->setCurrentIndex(ComboBox_PRN->findText(c.Prn));
    CheckBox_PRNLoadFont->setChecked(c.LoadFont);
    Edit_PRNFontFile->setText(c.LoadFontFileName);
    UpDown_PrintSkipLines->setValue(c.SkipLines);
    ComboBox_Printers->clear();
    ComboBox_Printers->addItems(choices.pagePrinters);
    ComboBox_Printers->setCurrentIndex(c.WindowsPrinterN);
    if (ComboBox_Printers->currentIndex() < 0 && ComboBox_Printers->count() > 0)
        ComboBox_Printers->setCurrentIndex(0);
    printerFont_ = ToQFont(k.WindowsPrinterFont);
    Button_PrnFont->setFont(printerFont_);
    Button_PrnFont->setText(k.WindowsPrinterFont.Name);

    // Разное
    Edit_AccessCode->setText(c.AccessCode);
    Edit_Editor_Category->setText(ListToCommaText(k.Categories));
    MaskEdit_Editor_Index->setText(c.DefaultIndex);
    screenFont_ = ToQFont(k.ScreenFont);
    Button_Font->setFont(screenFont_);
    CheckBox_ParseOutTextForAutoReplace->setChecked(c.ParseOutTextForAutoReplace);
    CheckBox_AutoRun->setChecked(c.AutoRun);
    CheckBox_TrayMode->setChecked(c.TrayMode);
    CheckBox_StartAutomate->setChecked(c.StartAutomateMode);
    CheckBox_AskOnClose->setChecked(c.AskOnClose != 0);
    CheckBox_MinimizeOnCloseWindow->setChecked(c.MinimizeOnCloseWindow != 0);
    CheckBox_ProtocolWidth->setChecked(c.ProtocolWidth > 0);
    CheckBox_RestoreWindowPosition->setChecked(c.RestorePosition);
    CheckBox_NoHideInTaskBar->setChecked(c.NoHideInTaskBar);

    // Смена
    TntCheckBox_UseOperatorList->setChecked(c.UseOperatorList);
    TntMemo_OperatorList->setPlainText(CommaTextToList(c.OperatorList).join(u'\n'));
    CheckBox_RAutoConfirm->setChecked(c.RAutoConfirm > 0);
    UpDown_RAutoConfirm->setValue(c.RAutoConfirm);

    // Звуки
    const struct {
        const SoundGroup& group;
        int type;
        const QString& file;
    } sounds[] = {{Sound_R, c.RaketaType, c.RaketaFile},
                  {Sound_K, c.KType, c.KFile},
                  {Sound_O, c.OType, c.OFile},
                  {Sound_NC, c.NcType, c.NcFile}};
    for (const auto& s : sounds) {
        s.group.type->setCurrentIndex(s.type);
        s.group.file->setText(s.file);
    }
    Edit_Category_Sound->setText(LineToWide(ListToCommaText(c.SoundCategories)));
    UpdateEnabling();
}

void TForm_Options::Store(_tlg_config& c, _tlg_controls& k) const {
    c.Tcp = RadioButton_TCPIP->isChecked();
    c.Host = Edit_Host->text();
    PortText(Edit_Port->text(), 1, &c.Port);
    c.Host2 = Edit_Host2->text();
    PortText(Edit_Port2->text(), 0, &c.Port2);
    c.Com = dialogLinePort_;
    c.Baud = IndexOr(ComboBox_Baud, c.Baud);
    c.PerfEnable = CheckBox_Perforator->isChecked();
    c.PerfCom = dialogPerfPort_;
    c.PerfBaud = IndexOr(ComboBox_PerfBaud, c.PerfBaud);
    c.PerfNoBlock = CheckBox_PerfNoBlock->isChecked();
    c.VpnUse = CheckBox_VPN_Use->isChecked();
    c.VpnName = ComboBox_VPN_Name->currentText();
    c.VpnLogin = Edit_VPN_Login->text();
    c.VpnPassword = Edit_VPN_Password->text();
    c.VpnUseTimeTable = RadioButton_VPN_TimeTable->isChecked();
    c.VpnTimeTable = Memo_VPN_TimeTable->toPlainText();
    c.VpnDisconnectDelay = UpDown_VPN_DisconnectDelay->value();
    c.VpnNoDisturb = CheckBox_VPN_NoDisturb->isChecked();

    c.Ccm = IndexOr(ComboBox_CCM, c.Ccm);
    c.OnIdleSendKG0 = CheckBox_OnIdleSendKG0->isChecked();
    c.IdleSendKGTimeOut = IndexOr(ComboBox_IdleSendKGTimeOut, c.IdleSendKGTimeOut - 1) + 1;
    c.ReSendEnable = CheckBox_ReSendEnable->isChecked();
    c.ReSendHeader = Edit_ReSendHeader->text();
    c.TextAA = Edit_AA->text();

    c.InpPath = FolderSetting(Edit_InputPath->text());
    c.InpDays = UpDown_InputPath_Days->value();
    c.OutPath = FolderSetting(Edit_OutputPath->text());
    c.OutDays = UpDown_OutputPath_Days->value();
    c.PrtPath = FolderSetting(Edit_PrtPath->text());
    c.PrtDays = UpDown_PrtPath_Days->value();
    const bool yymmdd = CheckBox_DayPath_YYMMDD->isChecked();
    c.DayFormat = yymmdd ? QStringLiteral("yymmdd") : QStringLiteral("mmdd");
    c.SearchDayFormat = yymmdd ? QStringLiteral("??????") : QStringLiteral("????");
    c.MarkFilesInList = CheckBox_MarkFilesInList->isChecked();
    c.ScanTimeout = UpDown_ScanPathTimeout->value();
    c.OutputInAppendMode = CheckBox_OutputAppendMode->isChecked();
    c.SaveRegisterInTlg = CheckBox_SaveRegisterInTlg->isChecked();
    c.SaveTlgAnsi = CheckBox_SaveTlg_ANSI->isChecked();
    c.CorrectInputTlg = CheckBox_CorrectInputTlg->isChecked();

    c.AutoPrintTlg = CheckBox_AutoPrintTlg->isChecked();
    c.PrintRegisters = CheckBox_PrintRegisters->isChecked();
    c.AutoWordWrap = CheckBox_AutoWordWrap->isChecked();
    c.AutoPrintMsg = CheckBox_AutoPrintMsg->isChecked();
    c.MatrixRaw = RadioButton_PRN_Matrix->isChecked();
    c.Prn = ComboBox_PRN->currentText();
    c.LoadFont = CheckBox_PRNLoadFont->isChecked();
    c.LoadFontFileName = Edit_PRNFontFile->text();
    c.SkipLines = UpDown_PrintSkipLines->value();
    if (ComboBox_Printers->count() > 0)
        c.WindowsPrinterN = ComboBox_Printers->currentIndex();

    c.AutoRun = CheckBox_AutoRun->isChecked();
    c.TrayMode = CheckBox_TrayMode->isChecked();
    c.NoHideInTaskBar = CheckBox_NoHideInTaskBar->isChecked();
    c.StartAutomateMode = CheckBox_StartAutomate->isChecked();
    c.AskOnClose = CheckBox_AskOnClose->isChecked() ? 1 : 0;
    c.MinimizeOnCloseWindow = CheckBox_MinimizeOnCloseWindow->isChecked() ? 1 : 0;
    c.ProtocolWidth = CheckBox_ProtocolWidth->isChecked() ? 69 : 0;
    c.CheckTlgNotes = CheckBox_TlgNotes->isChecked();
    c.TlgTimeOut = UpDown_TlgTimeOut->value();
    c.ZZTimeOut = UpDown_ZZTimeOut->value();
    c.ServicePlace = CheckBox_ServicePlace->isChecked();
    c.CorrectTime = CheckBox_CorrectTime->isChecked();
    if (ComboBox_TZ->currentIndex() >= 0)
        c.CorrectTimeTZ = ComboBox_TZ->currentText().toInt();
    c.AccessCode = Edit_AccessCode->text();

    k.ScreenFont = FromQFont(screenFont_);
    k.WindowsPrinterFont = FromQFont(printerFont_);
    k.Categories = CommaTextToList(Edit_Editor_Category->text());
    c.DefaultIndex = MaskEdit_Editor_Index->text();
    c.ParseOutTextForAutoReplace = CheckBox_ParseOutTextForAutoReplace->isChecked();

    QStringList operators = TntMemo_OperatorList->toPlainText().split(u'\n');
    while (!operators.isEmpty() && operators.last().isEmpty())
        operators.removeLast();
    c.OperatorList = ListToCommaText(operators);
    k.OperatorItems = operators;
    c.UseOperatorList = TntCheckBox_UseOperatorList->isChecked();
    k.OperatorListVisible = c.UseOperatorList;
    c.RAutoConfirm =
        CheckBox_RAutoConfirm->isChecked() && c.UseOperatorList ? UpDown_RAutoConfirm->value() : 0;

    c.RaketaType = IndexOr(Sound_R.type, c.RaketaType);
    c.RaketaFile = Sound_R.file->text();
    c.KType = IndexOr(Sound_K.type, c.KType);
    c.KFile = Sound_K.file->text();
    c.OType = IndexOr(Sound_O.type, c.OType);
    c.OFile = Sound_O.file->text();
    c.NcType = IndexOr(Sound_NC.type, c.NcType);
    c.NcFile = Sound_NC.file->text();
    c.SoundCategories = CommaTextToList(WideToLine(Edit_Category_Sound->text()));

    c.RestorePosition = CheckBox_RestoreWindowPosition->isChecked();
}

void TForm_Options::accept() {
    int port = 0;
    const struct {
        QLineEdit* edit;
        int low;
        const char* name;
    } fields[] = {{Edit_Port, 1, "Порт"}, {Edit_Port2, 0, "Порт резервного сервера"}};
    for (const auto& f : fields) {
        if (!PortText(f.edit->text(), f.low, &port)) {
            PageControl->setCurrentIndex(0);
            f.edit->setFocus();
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("«%1» — не номер порта (поле \"%2\": целое число "
                                                "от %3 до 65535).")
                                     .arg(f.edit->text(), QString::fromUtf8(f.name))
                                     .arg(f.low));
            return;
        }
    }
    QDialog::accept();
}
