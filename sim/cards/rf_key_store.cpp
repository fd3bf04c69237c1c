#include "cards/rf_key_store.h"

#include "cards/rf_card.h"
#include "link/commands.h"

namespace sim {

using namespace mdq;

namespace {
constexpr int KeySize = 6;
}  // namespace

RfKeyStore::RfKeyStore()
{
    for (auto &keys : m_keys)
        keys.fill(QByteArray(KeySize, char(0xFF)));
}

std::optional<CardReply> RfKeyStore::handle(quint8 pm, QByteArray &data)
{
    if (pm != PmRfMifare || data.size() < 2 || data[0] != '\0')
        return std::nullopt;
    const quint8 op = quint8(data[1]);
    if (op != MifareDownloadKey && op != MifareLoadKey)
        return std::nullopt;
    const int keyType = data.size() > 2 ? quint8(data[2]) : -1;
    const int sector = data.size() > 3 ? quint8(data[3]) : -1;
    if (keyType < 0 || keyType > 1 || sector < 0 || sector >= Sectors)
        return rf::swReply(rf::SwRefused);

    if (op == MifareDownloadKey) {
        // 00 D0 type sector 06 key
        if (data.size() != 5 + KeySize || quint8(data[4]) != KeySize)
            return rf::swReply(rf::SwRefused);
        m_keys[keyType][sector] = data.mid(5);
        return rf::swReply(rf::SwOk);
    }
    // 00 21 type sector -> 00 20 type sector 06 key, for the card.
    if (data.size() != 4)
        return rf::swReply(rf::SwRefused);
    data[1] = char(MifareCheckKey);
    data.append(char(KeySize));
    data.append(m_keys[keyType][sector]);
    return std::nullopt;
}

}  // namespace sim
