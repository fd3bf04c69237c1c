#pragma once
// Whole-card operations on Mifare Classic S50/S70 and Ultralight cards over a
// CardSession: key search, dump, restore and compare. No widgets: the card
// tools window, its script steps and the command line all run these.

#include "cards/card_image.h"
#include "cards/card_session.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace mdq::cards {

struct KeyTable
{
    MifareKind kind = MifareKind::S50;
    QList<QByteArray> keyA, keyB;  // per sector; empty = not found
};

// The activated Mifare Classic card, or nullopt with session.error() set
// ("no card", "not a Mifare Classic card" ...).
std::optional<MifareImage> activateClassic(CardSession &session);

// For each sector every key as Key A, then as Key B, until both are found;
// keys found for earlier sectors are tried first. `known` (may be null)
// holds keys to try before the dictionary for each sector (a dump's keys).
std::optional<KeyTable> searchKeys(CardSession &session, MifareKind kind, const QList<QByteArray> &dictionary,
                                   const KeyTable *known = nullptr);
// "Sector  Key A         Key B" then a row per sector, "------------" for a key not found.
QString keyTableText(const KeyTable &table);

// Searches the keys and reads every block of every sector a key opens. Found
// keys are put into the trailers (Key A never reads back; Key B when it reads
// as zeros).
std::optional<MifareImage> dumpClassic(CardSession &session, const QList<QByteArray> &dictionary,
                                       KeyTable *keys = nullptr);

struct RestoreOptions
{
    bool trailers = false;  // also the sector trailers (keys and access bits)
    bool block0 = false;    // also the manufacturer block
    Confirm confirm;        // asked before trailers and block 0 are written
};

struct RestoreReport
{
    int written = 0;
    QStringList problems;  // blocks that could not be written or did not read back
};

// Writes the image's known blocks (data blocks; trailers and block 0 only when
// asked and confirmed), each read back and compared. nullopt when the
// operation could not start or was stopped (session.error()).
std::optional<RestoreReport> restoreClassic(CardSession &session, const MifareImage &image,
                                            const QList<QByteArray> &dictionary, const RestoreOptions &options);

// Ultralight: every page; restore writes pages 4..15 (0..3 with `all`, after
// the confirmation), each read back.
std::optional<UltralightImage> dumpUltralight(CardSession &session);
std::optional<RestoreReport> restoreUltralight(CardSession &session, const UltralightImage &image, bool all,
                                               const Confirm &confirm);

// True when the trailer's access bits agree with their inverted copies.
bool accessBitsConsistent(const QByteArray &trailer);

// The questions the risky writes ask.
QString trailerQuestion();
QString block0Question();
QString ultralightHeaderQuestion();

}  // namespace mdq::cards
