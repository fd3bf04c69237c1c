#pragma once
// "Station": the plan, the ports and the line settings, Start and Stop, one
// row per unit with its live status and current case, and each unit's report.
// The units run as station workers (see station.h), so the tool's own window
// stays usable meanwhile; closing the window only hides it, the units go on.

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace mdq {

class Prompter;
class SerialPort;
class Station;

class StationWindow : public QDialog
{
    Q_OBJECT
public:
    // port: where each COMn's device comes from (the tool's own map);
    // program: the worker (this program).
    StationWindow(SerialPort &port, Prompter &prompter, QString program, QWidget *parent = nullptr);
    ~StationWindow() override;

    enum Column { PortColumn, UnitColumn, StatusColumn, CaseColumn, TimeColumn, FailedColumn, ColumnCount };

    void start();
    void stop();
    // The selected unit's report, in a window of its own.
    void openReport();
    bool isRunning() const;

private:
    void refreshRow(int row);
    void finished();

    SerialPort &m_port;
    Prompter &m_prompter;
    QString m_program;
    QLineEdit *m_plan;
    QLineEdit *m_out;
    QList<QCheckBox *> m_ports;
    QComboBox *m_baud;
    QComboBox *m_address;
    QPushButton *m_start;
    QPushButton *m_stop;
    QPushButton *m_report;
    QTableWidget *m_table;
    QLabel *m_summary;
    std::unique_ptr<Station> m_station;
    QTimer *m_ticker;
};

}  // namespace mdq
