#include "control/sensor_state_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace mdq {

const std::array<SensorRow, 12> &sensorRows()
{
    static const std::array<SensorRow, 12> rows{{
        {"Label0", "Sensor 1 (PSS1)", "Label10"},
        {"Label1", "Sensor 2 (PSS2)", "Label11"},
        {"Labe2", "Sensor 3 (PSS3)", "Label12"},
        {"Label3", "Sensor 4 (PSS4)", "Label13"},
        {"Label4", "Sensor 5 (PSS5)", "Label14"},
        {"Label5", "Sensor 6 (PSS6)", "Label15"},
        {"Label6", "Sensor 7 (PSS7)", "Label16"},
        {"Label7", "Sensor 8 (PSS8)", "Label17"},
        {"Label8", "Sensor 9 (PSS9)", "Label18"},
        {"Label9", "Sensor 10 (PSS10)", "Label19"},
        {"Label111", "Sensor KS1 (KS1)", "Label20"},
        {"Label1112", "Sensor KS2 (KS2)", "Label21"},
    }};
    return rows;
}

SensorStateForm::SensorStateForm(const QByteArray &sensorBytes, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SensorStateForm"));
    setWindowTitle(QStringLiteral("Auto test the status of the sensor"));
    // Modal to the tool's own windows only: the virtual reader stays usable.
    setWindowModality(Qt::WindowModal);

    auto *grid = new QGridLayout(this);
    for (int i = 0; i < int(sensorRows().size()); ++i) {
        const SensorRow &row = sensorRows()[i];
        auto *caption = new QLabel(QString::fromLatin1(row.caption), this);
        caption->setObjectName(QString::fromLatin1(row.captionLabel));
        auto *value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(row.valueLabel));
        value->setMinimumWidth(60);
        const quint8 b = i < sensorBytes.size() ? quint8(sensorBytes[i]) : 0;
        if (b == '0') {
            value->setText(QStringLiteral("Off"));
        } else if (b == '1') {
            QPalette p = value->palette();
            p.setColor(QPalette::WindowText, sensorOnColour());
            value->setPalette(p);
            value->setText(QStringLiteral("On"));
        }
        grid->addWidget(caption, i, 0);
        grid->addWidget(value, i, 1);
    }
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    grid->addWidget(ok, int(sensorRows().size()), 0, 1, 2, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace mdq
