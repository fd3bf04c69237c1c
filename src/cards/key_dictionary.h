#pragma once
// Mifare key dictionaries: the built-in list of well-known public keys and
// key files in the usual text format (one 12-digit hex key per line, '#'
// starts a comment anywhere, blank lines and surrounding blanks ignored).

#include <QByteArray>
#include <QList>
#include <QString>

namespace mdq::cards {

QList<QByteArray> builtinKeys();

struct KeyFileParse
{
    QList<QByteArray> keys;
    QString error;  // "FILE:LINE: ..." for the first bad line; empty when all is well
};
KeyFileParse parseKeyText(const QByteArray &text, const QString &fileName);
KeyFileParse readKeyFile(const QString &path);

// Keys in order, each once.
void appendKeys(QList<QByteArray> &keys, const QList<QByteArray> &more);

// The binary key file: every Key A, then every Key B, six bytes each; a key
// not known is written as FFFFFFFFFFFF and counted in *missing.
QByteArray keyFileBytes(const QList<QByteArray> &keyA, const QList<QByteArray> &keyB, int *missing);

}  // namespace mdq::cards
