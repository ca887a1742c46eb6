#include "exchange/TServiceGroupPanel.h"

#include "exchange/servicebuttons.h"

#include <QPushButton>
#include <QVBoxLayout>

TServiceGroupPanel::TServiceGroupPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Panel_ServiceGroups"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    QPushButton** members[] = {&Button_KG0, &Button_KG1, &Button_KG2, &Button_KG4, &Button_KG5};
    int i = 0;
    for (const int group : kServiceButtonGroups) {
        auto* b = new QPushButton(ServiceGroupCaption(group), this);
        b->setObjectName(QStringLiteral("Button_KG%1").arg(group));
        b->setFocusPolicy(Qt::NoFocus);  // typing on the protocol goes to the line
        connect(b, &QPushButton::clicked, this, [this, group] { Q_EMIT groupPressed(group); });
        column->addWidget(b);
        *members[i++] = b;
    }
    column->addStretch(1);
}

void TServiceGroupPanel::EnableButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                                       std::optional<bool> kg4) {
    if (kg1)
        Button_KG1->setEnabled(*kg1);
    if (kg2)
        Button_KG2->setEnabled(*kg2);
    if (kg4)
        Button_KG4->setEnabled(*kg4);
}

QPushButton* TServiceGroupPanel::Button(int group) const {
    switch (group) {
        case 0:
            return Button_KG0;
        case 1:
            return Button_KG1;
        case 2:
            return Button_KG2;
        case kServiceGroupKG4:
            return Button_KG4;
        case 5:
            return Button_KG5;
        default:
            return nullptr;
    }
}
