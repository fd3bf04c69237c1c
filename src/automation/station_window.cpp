#include "automation/station_window.h"

#include "automation/station.h"
#include "platform/prompter.h"
#include "platform/serial_port.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace mdq {

namespace {
const QString kTitle = QStringLiteral("Station");

// The report of one unit as a person reads it: outcome, cases, where the files are.
QString reportText(const StationUnit &unit)
{
    const RunRecord &r = unit.record;
    QString text = QStringLiteral("Unit %1 on %2: %3 in %4 s\n").arg(r.unit, unit.portName(), outcomeWord(r.outcome))
                       .arg(r.seconds(), 0, 'f', 1);
    if (!r.error.isEmpty())
        text += QStringLiteral("Error: %1\n").arg(r.error);
    text += QStringLiteral("Plan: %1\nStarted: %2\n\n").arg(r.plan, r.start.toString(Qt::ISODate));
    for (const CaseRecord &c : r.cases) {
        text += QStringLiteral("%1  %2  (%3 ms)\n").arg(outcomeWord(c.outcome), -7).arg(c.name).arg(qRound(c.ms));
        if (!c.message.isEmpty())
            text += QStringLiteral("         %1\n").arg(c.message);
    }
    text += QStringLiteral("\nReports: %1\n         %2\n").arg(unit.reportJson, unit.reportXml);
    return text;
}
}  // namespace

StationWindow::StationWindow(SerialPort &port, Prompter &prompter, QString program, QWidget *parent)
    : QDialog(parent), m_port(port), m_prompter(prompter), m_program(std::move(program))
{
    setObjectName(QStringLiteral("StationWindow"));
    setWindowTitle(kTitle);
    setModal(false);
    auto *layout = new QVBoxLayout(this);

    auto *form = new QFormLayout;
    auto *planRow = new QHBoxLayout;
    m_plan = new QLineEdit(this);
    m_plan->setObjectName(QStringLiteral("StationPlanText"));
    auto *browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("StationPlanBrowse"));
    planRow->addWidget(m_plan, 1);
    planRow->addWidget(browse);
    form->addRow(QStringLiteral("Plan:"), planRow);
    m_out = new QLineEdit(QDir::currentPath(), this);
    m_out->setObjectName(QStringLiteral("StationOutText"));
    form->addRow(QStringLiteral("Reports to:"), m_out);
    auto *line = new QHBoxLayout;
    m_baud = new QComboBox(this);
    m_baud->setObjectName(QStringLiteral("StationBaudCombo"));
    for (const int baud : {9600, 19200, 38400, 57600, 115200})
        m_baud->addItem(QString::number(baud));
    m_address = new QComboBox(this);
    m_address->setObjectName(QStringLiteral("StationAddressCombo"));
    for (int i = 0; i < 16; ++i)
        m_address->addItem(QString::number(i, 16).toUpper());
    line->addWidget(new QLabel(QStringLiteral("Baud rate:"), this));
    line->addWidget(m_baud);
    line->addWidget(new QLabel(QStringLiteral("Device Addr:"), this));
    line->addWidget(m_address);
    line->addStretch(1);
    form->addRow(line);
    layout->addLayout(form);

    auto *portsBox = new QGroupBox(QStringLiteral("Ports"), this);
    portsBox->setObjectName(QStringLiteral("StationPorts"));
    auto *grid = new QGridLayout(portsBox);
    for (int n = 1; n <= 16; ++n) {
        auto *box = new QCheckBox(QStringLiteral("COM%1").arg(n), portsBox);
        setControlName(box, QStringLiteral("StationPort"), n);
        box->setToolTip(port.deviceFor(n));
        grid->addWidget(box, (n - 1) / 8, (n - 1) % 8);
        m_ports.append(box);
    }
    layout->addWidget(portsBox);

    auto *buttons = new QHBoxLayout;
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setObjectName(QStringLiteral("StationStartBtn"));
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("StationStopBtn"));
    m_stop->setEnabled(false);
    m_report = new QPushButton(QStringLiteral("Open Report"), this);
    m_report->setObjectName(QStringLiteral("StationReportBtn"));
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_report);
    layout->addLayout(buttons);

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("StationUnitTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Port"), QStringLiteral("Unit"), QStringLiteral("Status"), QStringLiteral("Case"),
         QStringLiteral("Time"), QStringLiteral("Failed cases")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setMinimumHeight(160);
    layout->addWidget(m_table, 1);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("StationSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    m_ticker = new QTimer(this);
    m_ticker->setInterval(200);
    connect(m_ticker, &QTimer::timeout, this, [this] {
        for (int row = 0; row < m_table->rowCount(); ++row)
            refreshRow(row);
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Test plan"), QFileInfo(m_plan->text()).path(),
                                                          QStringLiteral("Plans (*.txt);;All files (*)"));
        if (!path.isEmpty())
            m_plan->setText(path);
    });
    connect(m_start, &QPushButton::clicked, this, &StationWindow::start);
    connect(m_stop, &QPushButton::clicked, this, &StationWindow::stop);
    connect(m_report, &QPushButton::clicked, this, &StationWindow::openReport);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &StationWindow::openReport);
    resize(760, 520);
}

StationWindow::~StationWindow() = default;

bool StationWindow::isRunning() const
{
    return m_station && !m_station->isDone();
}

void StationWindow::start()
{
    if (isRunning())
        return;
    const QString plan = m_plan->text().trimmed();
    if (!QFileInfo(plan).isFile()) {
        m_prompter.message(Icon::Exclamation, kTitle, QStringLiteral("Choose a test plan: '%1' is not a file").arg(plan));
        return;
    }
    StationOptions o;
    o.program = m_program;
    o.plan = QFileInfo(plan).absoluteFilePath();
    for (QCheckBox *box : m_ports) {
        if (!box->isChecked())
            continue;
        const int n = controlIndex(box);
        o.ports << n;
        o.maps.append({n, m_port.deviceFor(n)});
    }
    if (o.ports.isEmpty()) {
        m_prompter.message(Icon::Exclamation, kTitle, QStringLiteral("Tick the ports of the readers to test"));
        return;
    }
    // The tool's own connection is not a unit's: a worker would find the port in use.
    if (m_port.isOpen()) {
        for (const int n : o.ports)
            if (m_port.deviceName() == m_port.deviceFor(n)) {
                m_prompter.message(Icon::Exclamation, kTitle,
                                   QStringLiteral("COM%1 is open in the main window: Close Comm first").arg(n));
                return;
            }
    }
    const QString out = m_out->text().trimmed().isEmpty() ? QDir::currentPath() : m_out->text().trimmed();
    if (!QDir().mkpath(out)) {
        m_prompter.message(Icon::Exclamation, kTitle, QStringLiteral("The folder %1 cannot be made").arg(out));
        return;
    }
    o.outDir = QDir(out).absolutePath();
    o.baud = m_baud->currentText().toInt();
    o.address = m_address->currentIndex();

    m_station = std::make_unique<Station>(o);
    m_table->setRowCount(int(o.ports.size()));
    for (int row = 0; row < o.ports.size(); ++row)
        for (int col = 0; col < ColumnCount; ++col)
            m_table->setItem(row, col, new QTableWidgetItem);
    connect(m_station.get(), &Station::unitStarted, this, &StationWindow::refreshRow);
    connect(m_station.get(), &Station::unitChanged, this, &StationWindow::refreshRow);
    connect(m_station.get(), &Station::unitFinished, this, &StationWindow::refreshRow);
    connect(m_station.get(), &Station::finished, this, &StationWindow::finished);
    m_summary->setText(QStringLiteral("Running %1 units...").arg(o.ports.size()));
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    m_ticker->start();
    m_station->start();
    for (int row = 0; row < m_table->rowCount(); ++row)
        refreshRow(row);
}

void StationWindow::stop()
{
    if (isRunning())
        m_station->stop();
}

void StationWindow::refreshRow(int row)
{
    if (!m_station || row >= m_station->units().size() || row >= m_table->rowCount())
        return;
    const StationUnit &u = m_station->units().at(row);
    const bool done = u.state == StationUnit::Done;
    const QString status = done ? outcomeWord(u.record.outcome)
                         : u.state == StationUnit::Running ? QStringLiteral("running")
                                                           : QStringLiteral("waiting");
    const double seconds = done ? u.record.seconds() : u.clock.isValid() ? u.clock.elapsed() / 1000.0 : 0.0;
    QStringList failed = done ? u.record.failedCases() : QStringList();
    if (done && u.record.outcome == Outcome::Error && !u.record.error.isEmpty())
        failed << u.record.error;
    const QString cells[ColumnCount] = {u.portName(), done ? u.record.unit : QString(), status, u.currentCase,
                                        QStringLiteral("%1 s").arg(seconds, 0, 'f', 1), failed.join(QStringLiteral(", "))};
    for (int col = 0; col < ColumnCount; ++col)
        m_table->item(row, col)->setText(cells[col]);
}

void StationWindow::finished()
{
    m_ticker->stop();
    for (int row = 0; row < m_table->rowCount(); ++row)
        refreshRow(row);
    int pass = 0, fail = 0, error = 0;
    for (const StationUnit &u : m_station->units()) {
        pass += u.record.outcome == Outcome::Pass;
        fail += u.record.outcome == Outcome::Fail;
        error += u.record.outcome == Outcome::Error;
    }
    m_summary->setText(QStringLiteral("%1 units: %2 passed, %3 failed, %4 errors. Summary: %5")
                           .arg(m_station->units().size())
                           .arg(pass)
                           .arg(fail)
                           .arg(error)
                           .arg(m_station->summaryPath()));
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
}

void StationWindow::openReport()
{
    const int row = m_table->currentRow();
    if (!m_station || row < 0 || row >= m_station->units().size()
        || m_station->units().at(row).state != StationUnit::Done) {
        m_prompter.message(Icon::Exclamation, kTitle, QStringLiteral("Select a unit that has finished"));
        return;
    }
    const StationUnit &unit = m_station->units().at(row);
    QDialog view(this);
    view.setObjectName(QStringLiteral("StationReportView"));
    view.setWindowTitle(QStringLiteral("Report: %1").arg(unit.record.unit));
    auto *layout = new QVBoxLayout(&view);
    auto *text = new QPlainTextEdit(reportText(unit), &view);
    text->setObjectName(QStringLiteral("StationReportTextBox"));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(text);
    auto *close = new QPushButton(QStringLiteral("Close"), &view);
    close->setObjectName(QStringLiteral("StationReportClose"));
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, &view, &QDialog::accept);
    view.resize(640, 420);
    view.exec();
}

}  // namespace mdq
