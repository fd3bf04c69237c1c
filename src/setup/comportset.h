#pragma once
// "Communication Setting": chooses port and baud rate, opens the port, and
// declares the link usable (PortOpened) only after the reader has answered.

#include "platform/port_directory.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace mdq {

struct ReaderContext;
class ClickableLabel;

// "COM1".."COM15" -> 1..15, exact text; 0 when not in the table.
int portNumberFromText(const QString &text);
// "9600 bits/s" ... "115200 bits/s" -> baud, exact text; 0 when not in the table.
qint32 baudFromText(const QString &text);

class comportset : public QDialog
{
    Q_OBJECT
public:
    comportset(ReaderContext &context, QWidget *parent);

    static constexpr int FoldedHeightTwips = 3165;
    static constexpr int UnfoldedHeightTwips = 4485;
    // The port list's items carry their device and what is attached there.
    static constexpr int PortDescriptionRole = Qt::UserRole + 1;
    bool autoScanUnfolded() const { return m_unfolded; }

    void ok();
    void cancel();
    void toggleAutoScan();
    void scan();
    void stopScan();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setOuterHeightTwips(int twips);
    void centre();
    void updateDeviceHint();
    void describePorts();
    void markOkReady();

    ReaderContext &m_context;
    QComboBox *m_portCombo;
    QComboBox *m_baudCombo;
    QPushButton *m_ok;
    ClickableLabel *m_autoLabel;
    QLabel *m_scanMessage;
    QLabel *m_scanProgress;
    QPushButton *m_scanStop;
    QCheckBox *m_allAddresses;
    QLabel *m_deviceHint;
    QString m_hintDevice;  // the device the hint names, described in its tip
    bool m_unfolded = false;
    // The system's serial ports, listed once when first needed (the list
    // opened, the hint's tip shown) for the port descriptions and the hint.
    PortDirectory m_directory;
};

}  // namespace mdq
