#pragma once
// "Card machine configuration information": the ten configuration bytes of
// the last unit configuration reply (ConfigBytes) in plain words.

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <array>
#include <utility>

namespace mdq {

// One row of the window: which bytes it shows and how. A row with a table
// shows the text for its one byte (nothing for a byte not in the table); a row
// without one shows its bytes as characters.
struct ConfigRow
{
    const char *caption;
    const char *valueLabel;  // Label10 .. Label17
    int firstByte;
    int byteCount;
    QList<std::pair<quint8, const char *>> texts;
};

const std::array<ConfigRow, 8> &configRows();

// The eight value texts for the configuration bytes. `bytes` holds the bytes
// the reply carried, at most ten: a row whose bytes are not all there stays
// empty, so a short reply never shows its ETX or checksum as configuration.
QStringList decodeConfig(const QByteArray &bytes);

// ConfigBytes from a reply: its data bytes 6 .. 15, only as far as the reply
// data goes.
class Reply;
QByteArray configBytesFrom(const Reply &reply);

class ConfigForm : public QDialog
{
    Q_OBJECT
public:
    ConfigForm(const QByteArray &configBytes, QWidget *parent);
};

}  // namespace mdq
