#pragma once
// What the SLE4442, SLE4428 and AT24Cxx panels share: the status word at the
// end of the reply data, its message table, the "Transmit Command" message,
// and reading into / writing from the data grid.

#include "ui/command_runner.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <initializer_list>

namespace mdq {

class IcDataGrid;

// "9000" -> "Execute OK" ...; any other word "Unknow Error".
QString statusWordText(const QString &statusWord);

// A memory card APDU header: CLA 00h, the instruction (MemoryRead ...), then
// its parameter bytes.
QByteArray memoryHeader(quint8 ins, std::initializer_list<quint8> parameters);

// SW1 SW2 (reply bytes L-4, L-3) as four hex digits. A reply whose data
// cannot hold them throws DataError.
QString statusWord(const Reply &reply);
// The card data before the status word: reply bytes 6 to L-5.
QByteArray cardData(const Reply &reply);

class MemoryCardIo
{
public:
    using HeaderBuilder = std::function<QByteArray()>;

    MemoryCardIo(CommandRunner &runner, IcDataGrid &grid) : m_runner(runner), m_grid(grid) {}

    CommandRunner &runner() { return m_runner; }

    // One APDU-style exchange whose answer is only the status message.
    void transmit(quint8 cm, quint8 pm, const HeaderBuilder &data);
    // Clears the grid, sends, fills the grid on "9000".
    void readIntoGrid(quint8 cm, quint8 pm, const HeaderBuilder &header);
    // Sends header + grid cells 0..n-1, n taken from lengthText (0..80h).
    // The header builder runs first, so its own checks come before the grid's.
    void writeFromGrid(quint8 cm, quint8 pm, const QString &lengthText, const HeaderBuilder &header);
    // Security memory: the grid is cleared, the bytes go into the message.
    void readIntoMessage(quint8 cm, quint8 pm, const HeaderBuilder &header);

private:
    void showStatus(const QString &statusWord);

    CommandRunner &m_runner;
    IcDataGrid &m_grid;
};

}  // namespace mdq
