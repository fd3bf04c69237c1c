#include "cards/memory_tools.h"

#include "link/commands.h"
#include "link/mifare_layout.h"

#include <QFile>
#include <QFileInfo>
#include <cctype>

namespace mdq::cards {

namespace {

constexpr int Chunk = 0x80;

const MemoryCardType kTypes[] = {
    {"sle4442", CmSle, PmSle4442Apdu, 256, 3, 0},
    {"sle4428", CmSle, PmSle4428Apdu, 1024, 2, 0},
    {"at24c01", CmAt24, PmAt24Apdu, 128, 0, '1'},
    {"at24c02", CmAt24, PmAt24Apdu, 256, 0, '2'},
    {"at24c04", CmAt24, PmAt24Apdu, 512, 0, '3'},
    {"at24c08", CmAt24, PmAt24Apdu, 1024, 0, '4'},
    {"at24c16", CmAt24, PmAt24Apdu, 2048, 0, '5'},
    {"at24c32", CmAt24, PmAt24Apdu, 4096, 0, '6'},
    {"at24c64", CmAt24, PmAt24Apdu, 8192, 0, '7'},
    {"at24c128", CmAt24, PmAt24Apdu, 16384, 0, '8'},
    {"at24c256", CmAt24, PmAt24Apdu, 32768, 0, '9'},
    {"at24c512", CmAt24, PmAt24Apdu, 65536, 0, ':'},
};

bool isSle4442(const MemoryCardType &t)
{
    return t.pm == PmSle4442Apdu && t.cm == CmSle;
}

QByteArray header(quint8 ins, quint8 p1, quint8 p2, quint8 p3)
{
    QByteArray h;
    h.append('\0');
    h.append(char(ins));
    h.append(char(p1));
    h.append(char(p2));
    h.append(char(p3));
    return h;
}

// The card's data and status word, or nullopt (session failed).
struct ApduAnswer
{
    QByteArray data;
    QString sw;
};

QString addressText(int a)
{
    return QString::number(a, 16).toUpper().rightJustified(4, QLatin1Char('0')) + QLatin1Char('h');
}

QString byteText(char b)
{
    return QString::number(quint8(b), 16).toUpper().rightJustified(2, QLatin1Char('0')) + QLatin1Char('h');
}

std::optional<ApduAnswer> apdu(CardSession &session, const MemoryCardType &type, const QByteArray &command)
{
    const auto r = session.exchange(type.cm, type.pm, command);
    if (!r)
        return std::nullopt;
    return ApduAnswer{r->bytes(6, r->length() - 5), mifare::statusWord(*r)};
}

// P1 and P2 of a read or write at `address`.
QPair<quint8, quint8> addressBytes(const MemoryCardType &type, int address)
{
    if (isSle4442(type))
        return {0x00, quint8(address)};  // P1 00h: the main memory
    return {quint8(address >> 8), quint8(address & 0xFF)};
}

bool activate(CardSession &session, const MemoryCardType &type)
{
    if (type.cm == CmAt24) {
        const auto r = session.exchange(CmAt24, PmAt24Activate, QByteArray(1, '0'));
        if (!r)
            return false;
        if (char(r->at(6)) != type.sizeCode) {
            const char code = char(r->at(6));
            QString found = QStringLiteral("no 24Cxx card");
            for (const auto &t : kTypes) {
                if (t.sizeCode && t.sizeCode == code)
                    found = QString::fromLatin1(t.name);
            }
            session.fail(QStringLiteral("The card at the IC position is %1, not %2").arg(found, QString::fromLatin1(type.name)));
            return false;
        }
        return true;
    }
    const auto r = session.exchange(CmSle, PmSleActivate, {});
    if (!r)
        return false;
    const QByteArray atr = r->bytes(6, 9);
    const QByteArray expected = QByteArray::fromHex(isSle4442(type) ? "A2131091" : "92231091");
    if (atr != expected) {
        session.fail(QStringLiteral("The card at the IC position is not an %1 (answer to reset %2)")
                         .arg(QString::fromLatin1(type.name).toUpper(), QString::fromLatin1(atr.toHex().toUpper())));
        return false;
    }
    return true;
}

std::optional<QByteArray> readRange(CardSession &session, const MemoryCardType &type, int from, int count)
{
    QByteArray out;
    for (int a = from; a < from + count; a += Chunk) {
        const int n = std::min(Chunk, from + count - a);
        if (!session.step(a, type.size, QStringLiteral("Read: %1 of %2 bytes").arg(a).arg(type.size)))
            return std::nullopt;
        const auto [p1, p2] = addressBytes(type, a);
        const auto answer = apdu(session, type, header(MemoryRead, p1, p2, quint8(n)));
        if (!answer)
            return std::nullopt;
        if (answer->sw != QLatin1String("9000") || answer->data.size() != n) {
            session.fail(QStringLiteral("Reading %1 bytes at %2 answered %3").arg(n).arg(addressText(a), answer->sw));
            return std::nullopt;
        }
        out += answer->data;
    }
    return out;
}

// The protection state the card can tell: SLE4442 bytes 0..31, SLE4428 the
// bytes the protection-bit read reaches (its address is one byte).
bool readProtection(CardSession &session, const MemoryCardType &type, MemoryImage &image)
{
    if (type.cm != CmSle)
        return true;
    const int known = isSle4442(type) ? 32 : 256;
    for (int a = 0; a < known; a += Chunk) {
        const int n = std::min(Chunk, known - a);
        const QByteArray cmd = isSle4442(type) ? header(MemoryRead, 0x01, quint8(a), quint8(n))
                                               : header(MemoryRead, 0x10, quint8(a), quint8(n));
        const auto answer = apdu(session, type, cmd);
        if (!answer)
            return false;
        if (answer->sw != QLatin1String("9000") || answer->data.size() != n) {
            session.fail(QStringLiteral("Reading the protection bits answered %1").arg(answer->sw));
            return false;
        }
        for (int i = 0; i < n; ++i) {
            if (answer->data.at(i))
                image.protectedAddresses.append(a + i);
        }
    }
    image.protectionKnownUpTo = known;
    return true;
}

bool verifyPsc(CardSession &session, const MemoryCardType &type, QByteArray psc)
{
    if (psc.isEmpty())
        psc = QByteArray(type.pscBytes, char(0xFF));
    if (isSle4442(type)) {
        // Each wrong code costs one of three attempts; the last one is not
        // spent on a guess, or the card would be locked for good.
        const auto security = apdu(session, type, header(MemoryRead, 0x02, 0x00, 0x04));
        if (!security)
            return false;
        const int attempts = security->data.isEmpty() ? 0 : qPopulationCount(quint32(quint8(security->data.at(0)) & 0x07));
        if (security->sw == QLatin1String("9000") && attempts <= 1) {
            session.fail(attempts == 0 ? QStringLiteral("The card is locked: no PSC attempt left")
                                       : QStringLiteral("Only one PSC attempt left: not spent by this tool (a wrong "
                                                        "code would lock the card for good)"));
            return false;
        }
    }
    const QByteArray cmd = isSle4442(type) ? header(MemoryVerify, 0x03, 0x01, 0x03) + psc
                                           : header(MemoryVerify, 0x00, 0x00, 0x02) + psc;
    const auto answer = apdu(session, type, cmd);
    if (!answer)
        return false;
    if (answer->sw != QLatin1String("9000")) {
        session.fail(answer->sw == QLatin1String("6F02") ? QStringLiteral("The card is locked (PSC answered 6F02)")
                                                         : QStringLiteral("The PSC %1 was refused (%2)")
                                                               .arg(QString::fromLatin1(psc.toHex().toUpper()), answer->sw));
        return false;
    }
    return true;
}

}  // namespace

std::optional<MemoryCardType> memoryCardType(const QString &name)
{
    for (const auto &t : kTypes) {
        if (name == QLatin1String(t.name))
            return t;
    }
    return std::nullopt;
}

QStringList memoryCardTypeNames()
{
    QStringList names;
    for (const auto &t : kTypes)
        names << QString::fromLatin1(t.name);
    return names;
}

bool memoryPscOk(const MemoryCardType &type, const QString &hex)
{
    if (type.pscBytes == 0 || hex.size() != 2 * type.pscBytes)
        return false;
    for (const QChar c : hex) {
        if (!std::isxdigit(c.toLatin1()))
            return false;
    }
    return true;
}

bool memoryFileNameOk(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    return ext == QLatin1String("bin") || ext == QLatin1String("hex");
}

std::optional<MemoryImage> dumpMemoryCard(CardSession &session, const MemoryCardType &type)
{
    if (!activate(session, type))
        return std::nullopt;
    MemoryImage image;
    const auto data = readRange(session, type, 0, type.size);
    if (!data || !readProtection(session, type, image))
        return std::nullopt;
    image.data = *data;
    session.step(type.size, type.size, QStringLiteral("Dump done"));
    return image;
}

std::optional<RestoreReport> writeMemoryCard(CardSession &session, const MemoryCardType &type, const QByteArray &data,
                                             const QByteArray &psc)
{
    if (data.size() != type.size) {
        session.fail(QStringLiteral("%1 bytes for an %2 of %3 bytes").arg(data.size()).arg(QString::fromLatin1(type.name)).arg(type.size));
        return std::nullopt;
    }
    if (!activate(session, type) || (type.pscBytes && !verifyPsc(session, type, psc)))
        return std::nullopt;
    MemoryImage card;
    const auto current = readRange(session, type, 0, type.size);
    if (!current || !readProtection(session, type, card))
        return std::nullopt;
    for (int a : card.protectedAddresses) {
        if (current->at(a) != data.at(a)) {
            session.fail(QStringLiteral("The byte at %1 is protected and would change (%2 to %3): nothing written")
                             .arg(addressText(a), byteText(current->at(a)), byteText(data.at(a))));
            return std::nullopt;
        }
    }
    RestoreReport report;
    // Runs of changed bytes, each inside one chunk.
    for (int a = 0; a < type.size;) {
        if (current->at(a) == data.at(a)) {
            ++a;
            continue;
        }
        int end = a + 1;
        while (end < type.size && end - a < Chunk && (end % Chunk) && current->at(end) != data.at(end))
            ++end;
        if (!session.step(a, type.size, QStringLiteral("Write: %1 of %2 bytes").arg(a).arg(type.size)))
            return std::nullopt;
        const auto [p1, p2] = addressBytes(type, a);
        const auto answer = apdu(session, type, header(MemoryWrite, p1, p2, quint8(end - a)) + data.mid(a, end - a));
        if (!answer)
            return std::nullopt;
        if (answer->sw != QLatin1String("9000"))
            report.problems << QStringLiteral("%1 bytes at %2: the card answered %3").arg(end - a).arg(addressText(a), answer->sw);
        a = end;
    }
    const auto back = readRange(session, type, 0, type.size);
    if (!back)
        return std::nullopt;
    for (int a = 0; a < type.size; ++a) {
        if (back->at(a) == data.at(a))
            ++report.written;
        else if (report.problems.size() < 16)
            report.problems << QStringLiteral("The byte at %1 reads back as %2, not %3")
                                   .arg(addressText(a), byteText(back->at(a)), byteText(data.at(a)));
    }
    session.step(type.size, type.size, QStringLiteral("Write done"));
    return report;
}

QByteArray memoryHexText(const QByteArray &data)
{
    QByteArray out;
    for (int a = 0; a < data.size(); a += 16) {
        out += QByteArray::number(a, 16).toUpper().rightJustified(4, '0') + ':';
        for (int i = a; i < std::min<int>(a + 16, data.size()); ++i)
            out += ' ' + data.mid(i, 1).toHex().toUpper();
        out += '\n';
    }
    return out;
}

QByteArray writeMemoryFile(const MemoryImage &image, const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower() == QLatin1String("hex") ? memoryHexText(image.data) : image.data;
}

bool isMemoryFile(const QString &fileName, qint64 size)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    return ext == QLatin1String("hex") || (ext == QLatin1String("bin") && size != 64 && size != 1024 && size != 4096);
}

MemoryParse parseMemoryFile(const QByteArray &content, const QString &fileName, const MemoryCardType &type)
{
    MemoryParse p = parseMemoryContent(content, fileName);
    if (p.error.isEmpty() && p.data.size() != type.size)
        p.error = QStringLiteral("%1: %2 bytes, an %3 holds %4").arg(fileName).arg(p.data.size()).arg(QString::fromLatin1(type.name)).arg(type.size);
    return p;
}

MemoryParse parseMemoryContent(const QByteArray &content, const QString &fileName)
{
    MemoryParse p;
    if (QFileInfo(fileName).suffix().toLower() == QLatin1String("hex")) {
        const QList<QByteArray> lines = content.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            if (line.isEmpty())
                continue;
            const int colon = line.indexOf(':');
            bool ok = colon > 0;
            const int address = ok ? line.left(colon).toInt(&ok, 16) : 0;
            const QList<QByteArray> bytes = line.mid(colon + 1).simplified().split(' ');
            ok = ok && address == p.data.size() && !bytes.isEmpty() && bytes.size() <= 16;
            for (const QByteArray &b : bytes)
                ok = ok && b.size() == 2 && std::isxdigit(quint8(b[0])) && std::isxdigit(quint8(b[1]));
            if (!ok) {
                p.error = QStringLiteral("%1:%2: not \"ADDRESS: BYTE ...\" continuing at %3")
                              .arg(fileName)
                              .arg(i + 1)
                              .arg(p.data.size(), 4, 16, QLatin1Char('0'));
                return p;
            }
            for (const QByteArray &b : bytes)
                p.data += QByteArray::fromHex(b);
        }
    } else {
        p.data = content;
    }
    return p;
}

MemoryParse readMemoryFile(const QString &path, const MemoryCardType &type)
{
    MemoryParse p;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        p.error = QStringLiteral("%1: %2").arg(path, QFileInfo::exists(path) ? QStringLiteral("cannot be read") : QStringLiteral("no such file"));
        return p;
    }
    if (file.size() > 1024 * 1024) {
        p.error = QStringLiteral("%1: too large for a memory card").arg(path);
        return p;
    }
    return parseMemoryFile(file.readAll(), path, type);
}

}  // namespace mdq::cards
