#include "cards/key_dictionary.h"

#include "cards/card_image.h"

#include <QFile>
#include <cctype>
#include <QFileInfo>

namespace mdq::cards {

QList<QByteArray> builtinKeys()
{
    static const char *const kKeys[] = {
        "FFFFFFFFFFFF", "A0A1A2A3A4A5", "D3F7D3F7D3F7", "000000000000", "B0B1B2B3B4B5",
        "4D3A99C351DD", "1A982C7E459A", "AABBCCDDEEFF", "714C5C886E97", "587EE5F9350F",
        "A0478CC39091", "533CB6C723F6", "8FD0A4F256E9",
    };
    QList<QByteArray> keys;
    for (const char *k : kKeys)
        keys.append(QByteArray::fromHex(k));
    return keys;
}

KeyFileParse parseKeyText(const QByteArray &text, const QString &fileName)
{
    KeyFileParse parse;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        const int hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        bool hex = line.size() == 2 * KeySize;
        for (const char c : line)
            hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        if (!hex) {
            parse.error = QStringLiteral("%1:%2: not a key of 12 hex digits: \"%3\"")
                              .arg(fileName)
                              .arg(i + 1)
                              .arg(QString::fromLatin1(line.left(40)));
            parse.keys.clear();
            return parse;
        }
        appendKeys(parse.keys, {QByteArray::fromHex(line)});
    }
    return parse;
}

KeyFileParse readKeyFile(const QString &path)
{
    QFile file(path);
    // A key file is small; refuse devices and anything huge rather than hang on it.
    constexpr qint64 MaxSize = 16 * 1024 * 1024;
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        KeyFileParse p;
        p.error = QStringLiteral("%1: cannot read the key file: %2")
                      .arg(path, !QFileInfo::exists(path)        ? QStringLiteral("no such file")
                                 : !QFileInfo(path).isFile()     ? QStringLiteral("not a regular file")
                                                                 : file.errorString());
        return p;
    }
    if (file.size() > MaxSize) {
        KeyFileParse p;
        p.error = QStringLiteral("%1: too large for a key file").arg(path);
        return p;
    }
    return parseKeyText(file.readAll(), path);
}

void appendKeys(QList<QByteArray> &keys, const QList<QByteArray> &more)
{
    for (const QByteArray &k : more) {
        if (k.size() == KeySize && !keys.contains(k))
            keys.append(k);
    }
}

QByteArray keyFileBytes(const QList<QByteArray> &keyA, const QList<QByteArray> &keyB, int *missing)
{
    QByteArray out;
    int unknown = 0;
    for (const QList<QByteArray> *keys : {&keyA, &keyB}) {
        for (const QByteArray &k : *keys) {
            if (k.size() == KeySize) {
                out += k;
            } else {
                out += QByteArray(KeySize, char(0xFF));
                ++unknown;
            }
        }
    }
    if (missing)
        *missing = unknown;
    return out;
}

}  // namespace mdq::cards
