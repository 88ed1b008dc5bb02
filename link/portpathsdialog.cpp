// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portpathsdialog.h"

#include "link/portresolver.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PortPathsDialog::PortPathsDialog(const DetectedPorts &detected, const PortMap &current,
                                 QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Port Paths"));
    setModal(true);
    auto *form = new QFormLayout;
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        const QString name = QStringLiteral("COM%1").arg(port);
        auto *box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(40);
        box->setAccessibleName(name);
        box->addItem(automaticText(), QString());
        for (const DetectedPort &detectedPort : detected)
            box->addItem(describePort(detectedPort.name(), detectedPort.description),
                         detectedPort.name());
        const QString path = current.path(port);
        const int offered = path.isEmpty() ? 0 : box->findData(path);
        if (offered >= 0)
            box->setCurrentIndex(offered);
        else
            box->setEditText(path);
        // The label names the box for screen readers that read a combo box by its value.
        auto *label = new QLabel(name, this);
        label->setBuddy(box);
        form->addRow(label, box);
        m_rows[port - 1] = box;
    }

    OK = new QPushButton(QStringLiteral("OK"), this);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this] { m_answered = true; });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

PortMap PortPathsDialog::paths() const
{
    PortMap paths;
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        const QComboBox *box = row(port);
        const QString text = box->currentText().trimmed();
        const int offered = box->findText(text);
        paths.setPath(port, offered >= 0 ? box->itemData(offered).toString() : text);
    }
    return paths;
}
