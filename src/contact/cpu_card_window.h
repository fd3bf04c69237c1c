#pragma once
// CPUCARD and SimCard: one window for the contact CPU card (CM 51h) and the
// SAM sockets (CM 52h, with the SAM selection). Cold and warm reset, APDU,
// status and deactivation, through the main window's runner and log.

#include <QDialog>

class QComboBox;
class QLineEdit;
namespace mdq {
class ResponseBox;
}
class QRadioButton;

namespace mdq {

struct ReaderContext;
class Reply;

class CpuCardWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { Cpu, Sam };

    CpuCardWindow(ReaderContext &context, Kind kind, QWidget *parent);

    // CPURUN / SIMRUN: refuses while the port is closed, else runs the window modally.
    static void open(ReaderContext &context, Kind kind);

private:
    void coldReset();
    void warmReset();
    void sendApdu();
    void checkStatus();
    void deactivate();
    void chooseSam();
    void reset(quint8 pm, const QByteArray &data, const QString &title, bool handle69);

    ReaderContext &m_context;
    Kind m_kind;
    quint8 m_cm;
    QRadioButton *m_emvOption = nullptr;
    QComboBox *m_cmdText = nullptr;
    QComboBox *m_samNo = nullptr;
    ResponseBox *m_resetText = nullptr;
    ResponseBox *m_backText = nullptr;
};

// The SAM selection byte for a SimNo1 text ("SAM 1" -> '0' ... "SAM 14" -> '='),
// compared exactly; -1 when the text is not one of them.
int samCode(const QString &text);
// Status reply texts (empty for a byte outside the tables).
QString activationText(quint8 code);
QString currentSamText(quint8 code);

}  // namespace mdq
