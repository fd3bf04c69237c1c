#include "contact/memory_card_status.h"

#include "contact/ic_data_grid.h"
#include "link/frame.h"

namespace mdq {

namespace {

struct StatusRow
{
    const char *word;
    const char *text;
};

const StatusRow kStatusWords[] = {
    {"9000", "Execute OK"},
    {"6700", "The lenth of Lc is overflow and Command Cannot be Executed"},
    {"6B00", "Parameter(P1/P2) is error and  Command Cannot be Executed"},
    {"6F00", "Execute Error"},
    {"6F01", "Verification Password error"},
    {"6F02", "Card has been scrapped (password validation error over the number of cards permit error)"},
    {"6D00", "INS error  Command Cannot be Executed"},
    {"6E00", "CLA error  Command Cannot be Executed"},
};

const QString Ok = QStringLiteral("9000");
const QString TransmitTitle = QStringLiteral("Transmit Command");
const QString CrLf = QStringLiteral("\r\n");

// The data is read inside the runner, after its port check, where a box that
// cannot be converted is reported as a data error.
CommandRunner::Builder frameWith(quint8 cm, quint8 pm, const MemoryCardIo::HeaderBuilder &data)
{
    return [cm, pm, &data](quint8 address) { return std::optional<QByteArray>(CommandFrame(address, cm, pm, data())); };
}

}  // namespace

QByteArray memoryHeader(quint8 ins, std::initializer_list<quint8> parameters)
{
    QByteArray header;
    header.append('\0');
    header.append(char(ins));
    for (const quint8 p : parameters)
        header.append(char(p));
    return header;
}

QString statusWordText(const QString &statusWord)
{
    const QString key = statusWord.trimmed();
    for (const auto &row : kStatusWords) {
        if (key == QLatin1String(row.word))
            return QString::fromLatin1(row.text);
    }
    return QStringLiteral("Unknow Error");
}

QString statusWord(const Reply &reply)
{
    const int l = reply.length();
    if (l - 4 < 6)  // no room for SW1 SW2 in the data
        throw DataError{};
    return byteHex(reply.at(l - 4)) + byteHex(reply.at(l - 3));
}

QByteArray cardData(const Reply &reply)
{
    return reply.bytes(6, reply.length() - 5);
}

void MemoryCardIo::showStatus(const QString &sw)
{
    m_runner.showInformation(TransmitTitle, statusWordText(sw) + CrLf + sw);
}

void MemoryCardIo::transmit(quint8 cm, quint8 pm, const HeaderBuilder &data)
{
    m_runner.run(frameWith(cm, pm, data), [this](const Reply &r) { showStatus(statusWord(r)); });
}

void MemoryCardIo::readIntoGrid(quint8 cm, quint8 pm, const HeaderBuilder &header)
{
    m_grid.clear();
    m_runner.run(frameWith(cm, pm, header), [this](const Reply &r) {
        const QString sw = statusWord(r);
        if (sw == Ok)
            m_grid.fill(cardData(r));
        showStatus(sw);
    });
}

void MemoryCardIo::readIntoMessage(quint8 cm, quint8 pm, const HeaderBuilder &header)
{
    m_grid.clear();
    m_runner.run(frameWith(cm, pm, header), [this](const Reply &r) {
        const QString sw = statusWord(r);
        if (sw == Ok)
            m_runner.showInformation(TransmitTitle, statusWordText(sw) + CrLf + bytesHex(cardData(r)) + CrLf + sw);
        else
            showStatus(sw);
    });
}

void MemoryCardIo::writeFromGrid(quint8 cm, quint8 pm, const QString &lengthText, const HeaderBuilder &header)
{
    m_runner.run(
        [&](quint8 address) {
            QByteArray data = header();
            const int n = needInt16(lengthText);
            data.append(m_grid.bytes(n));  // throws for n outside 0..128 or a bad cell
            return std::optional<QByteArray>(CommandFrame(address, cm, pm, data));
        },
        [this](const Reply &r) { showStatus(statusWord(r)); });
}

}  // namespace mdq
