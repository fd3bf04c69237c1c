#pragma once
// The "EXTEND FUNCTION" page: life counter, captured-card counter, unit
// configuration and unit serial number.

#include <QWidget>

class QLineEdit;

namespace mdq {

struct ReaderContext;
class FilteredLineEdit;

class ExtendPage : public QWidget
{
    Q_OBJECT
public:
    ExtendPage(ReaderContext &context, QWidget *parent);

    void readCounter();        // IRTenKaReadCMD "Read Counter"
    void initializeCounter();  // IRTenKaFormatCMD "InitializeI Counter"
    void readConfig();         // IRCONFIGCMD "Unit configuration", ConfigForm on success
    void readSerialNumber();   // TypeReadsn "Read SN", ReadSn on success

private:
    ReaderContext &m_context;
    FilteredLineEdit *m_counter = nullptr;
};

// The counter text padded on the left with "0" to three characters.
QString padCounter(const QString &text);

}  // namespace mdq
