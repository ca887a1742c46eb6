#pragma once

#include <QGroupBox>

#include <optional>

class QPushButton;

// The service-group buttons of the protocol page: КГ0, КГ1, КГ2, КГ4, КГ5.
// A press only reports the group; what it does is PressServiceGroupButton's
// (servicebuttons.h). КГ1, КГ2 and КГ4 follow the channel state; КГ0 and
// КГ5 are always available.
class TServiceGroupPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TServiceGroupPanel(QWidget* parent = nullptr);

    // The buttons КГ1, КГ2 and КГ4 after a change of the channel state; an
    // empty value leaves that button as it is.
    void EnableButtons(std::optional<bool> kg1, std::optional<bool> kg2, std::optional<bool> kg4);
    // The button of a group (0, 1, 2, 4, 5); none for another number.
    QPushButton* Button(int group) const;

    QPushButton* Button_KG0;
    QPushButton* Button_KG1;
    QPushButton* Button_KG2;
    QPushButton* Button_KG4;
    QPushButton* Button_KG5;

Q_SIGNALS:
    void groupPressed(int group);
};
