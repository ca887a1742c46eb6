// The exchange panel: which routes it offers, what a start click does on
// each of them, and the blocks from the line on a running route.

#include "tape/TExchangePanel.h"
#include "tape/filedialogs.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "support/lineliterals.h"
#include "support/protocolevents.h"
#include "support/recordingperforator.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kFilter = QStringLiteral("ТЛГ файлы (*.tlg)|*.tlg|Все файлы|*.*");

struct RecordingHost : ITapeExchangeHost {
    void SendToLine(const LineText& text) override { sent << text; }
    TapeReadResult ReadTape() override {
        ++reads;
        return tape;
    }
    QList<LineText> sent;
    TapeReadResult tape;
    int reads = 0;
};

// Answers every file chooser with path (empty: cancelled) and records how
// each was asked for.
struct ScriptedFileDialogs : IFileDialogs {
    QString OpenFile(const QString& filter) override {
        calls << "open " + filter;
        return path;
    }
    QString SaveFile(const QString& filter, const QString& suffix) override {
        calls << "save " + filter + " " + suffix;
        return path;
    }
    QString path;
    QStringList calls;
};

class ExchangePanelTest : public ProgramFolderTest {
protected:
    ExchangePanelTest() {
        config.PerfEnable = true;
        config.PerfNoBlock = true;
        panel.SetFileDialogs(&dialogs);
    }

    void choose(const QString& from, const QString& to) {
        panel.ComboBox_ProtocolExchangeFrom->setCurrentText(from);
        panel.ComboBox_ProtocolExchangeTo->setCurrentText(to);
    }
    void click() { panel.SpeedButton_ComboBox_ProtocolExchangeStart->click(); }
    bool running() const { return panel.SpeedButton_ComboBox_ProtocolExchangeStart->isChecked(); }
    // The panel as it looks: grey while running, combos and Прогон locked.
    void expectLook(bool down) const {
        EXPECT_EQ(running(), down);
        EXPECT_EQ(panel.palette().color(QPalette::Window),
                  down ? QColor(128, 128, 128) : QApplication::palette().color(QPalette::Button));
        EXPECT_EQ(panel.ComboBox_ProtocolExchangeFrom->isEnabled(), !down);
        EXPECT_EQ(panel.ComboBox_ProtocolExchangeTo->isEnabled(), !down);
        EXPECT_EQ(panel.Button_ProtocolExchangePerfSkip->isEnabled(), !down);
    }

    _tlg_config config;
    RecordingPerforator perforator;
    TProtocol protocol;
    RecordingHost host;
    ScriptedFileDialogs dialogs;
    TExchangePanel panel{config, perforator, protocol, host};
};

TEST_F(ExchangePanelTest, ControlsByNameWithTheirItems) {
    EXPECT_EQ(panel.objectName(), "Panel_ProtocolExchange");
    if (auto* label = FindChild<QLabel>(panel, "Label_ProtocolExchange")) {
        EXPECT_EQ(label->text(), "Передача:");
    }
    for (const char* name : {"ComboBox_ProtocolExchangeFrom", "ComboBox_ProtocolExchangeTo"})
        if (auto* combo = FindChild<QComboBox>(panel, name)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            EXPECT_EQ(items, (QStringList{"ЛИНИЯ", "ФАЙЛ", "ПЛ"})) << name;
            EXPECT_TRUE(combo->currentText().isEmpty()) << name;
        }
    if (auto* start = FindChild<QToolButton>(panel, "SpeedButton_ComboBox_ProtocolExchangeStart")) {
        EXPECT_TRUE(start->isCheckable());
    }
    if (auto* skip = FindChild<QPushButton>(panel, "Button_ProtocolExchangePerfSkip")) {
        EXPECT_EQ(skip->text(), "Прогон");
        EXPECT_TRUE(skip->isHidden());
    }
    expectLook(false);
}

TEST_F(ExchangePanelTest, TapeFallsBackToTheLineWhenItCannotBeUsed) {
    const struct {
        bool enable, noBlock, active;
        bool usable;
    } cases[] = {
        {false, true, true, false},
        {true, false, false, false},
        {true, true, false, true},
        {true, false, true, true},
    };
    for (const auto& c : cases) {
        config.PerfEnable = c.enable;
        config.PerfNoBlock = c.noBlock;
        perforator.active = c.active;
        for (QComboBox* combo :
             {panel.ComboBox_ProtocolExchangeFrom, panel.ComboBox_ProtocolExchangeTo}) {
            choose("ФАЙЛ", "ФАЙЛ");
            combo->setCurrentText("ПЛ");
            const bool target = combo == panel.ComboBox_ProtocolExchangeTo;
            EXPECT_EQ(combo->currentText(), c.usable ? "ПЛ" : "ЛИНИЯ")
                << c.enable << c.noBlock << c.active << target;
            EXPECT_EQ(!panel.Button_ProtocolExchangePerfSkip->isHidden(), target && c.usable)
                << c.enable << c.noBlock << c.active << target;
        }
    }
    EXPECT_TRUE(perforator.Take().isEmpty());
}

TEST_F(ExchangePanelTest, WithoutBothEndsTheButtonPopsUp) {
    panel.ComboBox_ProtocolExchangeFrom->setCurrentText("ЛИНИЯ");
    click();
    expectLook(false);
    EXPECT_TRUE(ProtocolEvents(protocol).isEmpty());
    EXPECT_FALSE(panel.ExchangeActive());
}

TEST_F(ExchangePanelTest, LineToFileWithoutBlocksWritesOnlyStartAndStop) {
    QSignalSpy runningChanged(&panel, &TExchangePanel::runningChanged);
    choose("ЛИНИЯ", "ФАЙЛ");
    click();
    expectLook(true);
    EXPECT_TRUE(panel.ExchangeActive());
    EXPECT_EQ(panel.ExchangeRoute(), 2);
    click();
    expectLook(false);
    EXPECT_FALSE(panel.ExchangeActive());
    EXPECT_EQ(panel.ExchangeRoute(), 0);
    EXPECT_EQ(ProtocolEvents(protocol),
              (QStringList{"Запуск: ЛИНИЯ->ФАЙЛ", "Останов: ЛИНИЯ->ФАЙЛ"}));
    EXPECT_TRUE(dialogs.calls.isEmpty());
    ASSERT_EQ(runningChanged.size(), 2);
    EXPECT_TRUE(runningChanged[0][0].toBool());
    EXPECT_FALSE(runningChanged[1][0].toBool());
}

TEST_F(ExchangePanelTest, ContinuousRoutesPassTheLinesBlocksOn) {
    const QList<LineText> blocks{L(u"ЗЦЗЦ 001 "), L(u"ТЕКСТ\r\n")};
    const LineText joined = blocks[0] + blocks[1];
    const QString file = home.file("collected.tlg");
    home.write("collected.tlg", "OLD");
    dialogs.path = file;
    const struct {
        const char* to;
        int route;
        QList<LineText> sent;
        LineText fileText;
        QStringList perforator;
        QStringList saving;  // event lines between start and stop
    } cases[] = {
        {"ЛИНИЯ", 1, blocks, {}, {}, {}},
        {"ФАЙЛ", 2, {}, joined, {}, {"Сохранение: ЛИНИЯ->ФАЙЛ(" + file + ")"}},
        {"ПЛ",
         3,
         {},
         {},
         {"SetNoBlock 0", "HoldPort", "AppendSend ЗЦЗЦ 001 ", "AppendSend ТЕКСТ\r\n",
          "SetNoBlock 1"},
         {}},
    };
    for (const auto& c : cases) {
        host.sent.clear();
        dialogs.calls.clear();
        protocol.AddMessage("-", kProtocolEvent);
        choose("ЛИНИЯ", c.to);
        panel.OnLineBlock(L(u"ДО ЗАПУСКА"));
        click();
        EXPECT_EQ(panel.ExchangeRoute(), c.route);
        for (const LineText& block : blocks)
            panel.OnLineBlock(block);
        EXPECT_EQ(panel.ExchangeFileText(), c.fileText) << c.to;
        click();
        panel.OnLineBlock(L(u"ПОСЛЕ ОСТАНОВА"));
        EXPECT_EQ(host.sent, c.sent) << c.to;
        EXPECT_EQ(perforator.Take(), c.perforator) << c.to;
        QStringList events = ProtocolEvents(protocol);
        events = events.mid(events.lastIndexOf("-") + 1);
        const QString route = QStringLiteral("ЛИНИЯ->") + c.to;
        EXPECT_EQ(events,
                  QStringList{"Запуск: " + route} + c.saving + QStringList{"Останов: " + route});
        EXPECT_EQ(dialogs.calls,
                  c.fileText.isEmpty() ? QStringList() : QStringList{"save " + kFilter + " tlg"});
        expectLook(false);
    }
    EXPECT_EQ(ReadFileBytes(file), "OLD" + joined);
}

TEST_F(ExchangePanelTest, FromTapeOneShot) {
    const LineText tape = L(u"ЛЕНТА\r\n");
    const QString file = home.file("tape.tlg");
    const struct {
        const char* to;
        bool accepted;
        QString path;
        QList<LineText> sent;
        QStringList perforator;
        QStringList transfer;  // event lines after the start line
        QByteArray file;
    } cases[] = {
        // A copy of the tape: only the start line.
        {"ПЛ", true, {}, {}, {"HoldPort", "AppendSend ЛЕНТА\r\n"}, {}, "<missing>"},
        {"ЛИНИЯ", true, {}, {tape}, {}, {}, "<missing>"},
        {"ЛИНИЯ", false, {}, {}, {}, {}, "<missing>"},
        {"ФАЙЛ", true, {}, {}, {}, {}, "<missing>"},
        {"ФАЙЛ", true, file, {}, {}, {"Передача: ПЛ->ФАЙЛ " + file}, tape},
        {"ФАЙЛ", false, file, {}, {}, {}, tape},
    };
    for (const auto& c : cases) {
        host.sent.clear();
        host.tape = {c.accepted, tape};
        dialogs.path = c.path;
        protocol.AddMessage("-", kProtocolEvent);
        choose("ПЛ", c.to);
        click();
        const std::string what = std::string(c.to) + " " + c.path.toStdString() +
                                 (c.accepted ? " accepted" : " cancelled");
        expectLook(false);
        EXPECT_FALSE(panel.ExchangeActive());
        EXPECT_EQ(host.sent, c.sent) << what;
        EXPECT_EQ(perforator.Take(), c.perforator) << what;
        QStringList events = ProtocolEvents(protocol);
        events = events.mid(events.lastIndexOf("-") + 1);
        EXPECT_EQ(events, QStringList{"Запуск: ПЛ->" + QString(c.to)} + c.transfer) << what;
        EXPECT_EQ(ReadFileOrMissing(file), c.file) << what;
    }
    EXPECT_EQ(host.reads, 6);
}

TEST_F(ExchangePanelTest, FromFileOnlyOneTo4999Bytes) {
    const QString file = home.file("in.tlg");
    dialogs.path = file;
    const struct {
        const char* to;
        QByteArray content;
        QByteArray handedOn;  // null: nothing
    } cases[] = {
        {"ЛИНИЯ", "", {}},
        {"ЛИНИЯ", "E", "E"},
        {"ЛИНИЯ", QByteArray(4999, 'E'), QByteArray(4999, 'E')},
        {"ЛИНИЯ", QByteArray(5000, 'E'), {}},
        {"ЛИНИЯ", QByteArray(7000, 'E'), {}},
        // Up to the first NUL.
        {"ЛИНИЯ", QByteArray("AB\0CD", 5), "AB"},
        {"ПЛ", QByteArray(4999, 'E'), QByteArray(4999, 'E')},
        {"ПЛ", QByteArray(5000, 'E'), {}},
        {"ФАЙЛ", "E", {}},
    };
    for (const auto& c : cases) {
        host.sent.clear();
        dialogs.calls.clear();
        home.write("in.tlg", c.content);
        protocol.AddMessage("-", kProtocolEvent);
        choose("ФАЙЛ", c.to);
        click();
        const std::string what = std::string(c.to) + " " + std::to_string(c.content.size());
        expectLook(false);
        const QString to = QString::fromUtf8(c.to);
        QStringList expected{"Запуск: ФАЙЛ->" + to};
        if (!c.handedOn.isNull())
            expected << "Передача: ФАЙЛ(" + file + ")->" + to;
        QStringList events = ProtocolEvents(protocol);
        events = events.mid(events.lastIndexOf("-") + 1);
        EXPECT_EQ(events, expected) << what;
        const bool toLine = to == "ЛИНИЯ";
        EXPECT_EQ(host.sent,
                  toLine && !c.handedOn.isNull() ? QList<LineText>{c.handedOn} : QList<LineText>())
            << what;
        const QStringList punched{"HoldPort", "AppendSend " + QString::fromLatin1(c.handedOn)};
        EXPECT_EQ(perforator.Take(), to == "ПЛ" && !c.handedOn.isNull() ? punched : QStringList())
            << what;
        EXPECT_EQ(dialogs.calls, to == "ФАЙЛ" ? QStringList() : QStringList{"open " + kFilter})
            << what;
    }
    // Cancelled: the start line only.
    dialogs.path.clear();
    choose("ФАЙЛ", "ЛИНИЯ");
    click();
    EXPECT_EQ(ProtocolEvents(protocol).last(), "Запуск: ФАЙЛ->ЛИНИЯ");
}

TEST_F(ExchangePanelTest, SkipPunchesBlankTape) {
    choose("ЛИНИЯ", "ПЛ");
    panel.Button_ProtocolExchangePerfSkip->click();
    EXPECT_EQ(perforator.Take(),
              (QStringList{"HoldPort", "AppendSend " + QString(25, u'|'), "ArmRelease"}));
}

TEST(FileFilterTest, WindowsFiltersInQtForm) {
    const struct {
        const char* windows;
        const char* qt;
    } cases[] = {
        {"ТЛГ файлы (*.tlg)|*.tlg|Все файлы|*.*", "ТЛГ файлы (*.tlg);;Все файлы (*)"},
        {"Тексты|*.txt;*.tlg", "Тексты (*.txt *.tlg)"},
        {"Все файлы (*.*)|*.*", "Все файлы (*)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtFileFilter(QString::fromUtf8(c.windows)), c.qt) << c.windows;
}

}  // namespace
