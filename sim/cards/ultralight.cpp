#include "cards/ultralight.h"

#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {
constexpr quint8 CascadeTag = 0x88;

quint8 at(const QByteArray &bytes, int i)
{
    return i < bytes.size() ? quint8(bytes[i]) : 0;
}
}  // namespace

Ultralight::Ultralight(QByteArray uid) : m_uid(std::move(uid)), m_memory(Pages * PageSize, '\0')
{
    const auto u = [this](int i) { return at(m_uid, i); };
    const QByteArray header = QByteArray()
        .append(char(u(0))).append(char(u(1))).append(char(u(2))).append(char(CascadeTag ^ u(0) ^ u(1) ^ u(2)))
        .append(char(u(3))).append(char(u(4))).append(char(u(5))).append(char(u(6)))
        .append(char(u(3) ^ u(4) ^ u(5) ^ u(6))).append(char(0x48));
    m_memory.replace(0, header.size(), header);
}

QByteArray Ultralight::activate()
{
    QByteArray answer("M");
    answer.append('\0');
    answer.append(char(0x44));
    answer.append(char(m_uid.size()));
    answer.append(m_uid);
    return answer;
}

bool Ultralight::locked(int page) const
{
    const quint8 lock0 = at(m_memory, 10), lock1 = at(m_memory, 11);
    if (page >= 3 && page <= 7)
        return lock0 & (1 << page);
    if (page >= 8 && page < Pages)
        return lock1 & (1 << (page - 8));
    return false;
}

// Read: page, 00h, count. Write: page, 00h, 01h, four bytes.
CardReply Ultralight::mifare(const QByteArray &command)
{
    const quint8 op = at(command, 0);
    const int page = at(command, 1);
    if (page >= Pages || at(command, 2) != 0 || at(command, 3) != 1)
        return rf::swReply(rf::SwRefused);
    if (op == MifareReadBlocks && command.size() == 4)
        return rf::swReply(rf::SwOk, this->page(page));
    if (op != MifareWriteBlocks || command.size() != 4 + PageSize || page < 2 || locked(page))
        return rf::swReply(rf::SwRefused);
    const QByteArray data = command.mid(4);
    if (page == 2) {
        // Serial check byte and internal byte stay; lock bits can only be set.
        m_memory[10] = char(at(m_memory, 10) | at(data, 2));
        m_memory[11] = char(at(m_memory, 11) | at(data, 3));
    } else if (page == 3) {
        for (int i = 0; i < PageSize; ++i)
            m_memory[12 + i] = char(at(m_memory, 12 + i) | at(data, i));
    } else {
        m_memory.replace(page * PageSize, PageSize, data);
    }
    return rf::swReply(rf::SwOk);
}

}  // namespace sim
