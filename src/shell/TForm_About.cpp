#include "shell/TForm_About.h"

#include "shell/trayimages.h"
#include "shell/version.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TForm_About::TForm_About(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_About"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);
    grid->addWidget(picture, 0, 0, 4, 1);

    auto* product = new QLabel(QStringLiteral("TARVO/COM RU  Version: ") + VersionNumber(), this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    grid->addWidget(product, 0, 1);
    grid->addWidget(
        new QLabel(QStringLiteral("Рабочее место телеграфиста, подключённое к ЦКС"), this), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Сборка: ") + QLatin1String(__DATE__), this), 2, 1);
    grid->addWidget(
        new QLabel(QStringLiteral("Распространяется на условиях лицензии владельца"), this), 3, 1);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Button_Ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 4, 0, 1, 2, Qt::AlignCenter);
}
