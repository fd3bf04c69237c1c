#pragma once
// "Auto test the status of the sensor": the twelve sensors of the last sensor
// status reply (SensorBytes), "On" in red, "Off", or nothing for other bytes.

#include <QByteArray>
#include <QColor>
#include <QDialog>
#include <array>

class QLabel;

namespace mdq {

struct SensorRow
{
    const char *captionLabel;  // Label0 .. Label9, Labe2 (sic), Label111, Label1112
    const char *caption;
    const char *valueLabel;    // Label10 .. Label21
};

const std::array<SensorRow, 12> &sensorRows();

// The colour of an "On" value (colour value 255: pure red), applied to its text.
inline QColor sensorOnColour() { return QColor(255, 0, 0); }

class SensorStateForm : public QDialog
{
    Q_OBJECT
public:
    // Reads the sensor bytes while loading, as the window does.
    SensorStateForm(const QByteArray &sensorBytes, QWidget *parent);
};

}  // namespace mdq
