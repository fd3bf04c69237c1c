#pragma once
// CardTools: whole-card work from one window, over the card tools layer:
// the card kind, key dictionaries, the key table, dump, restore and compare,
// with a progress bar and Stop. Runs on the main window's port, address,
// Record Data and traffic log. Questions are asked before the line is taken;
// results go to the output box, failures to a message after the line is free.

#include "cards/card_files.h"
#include "cards/memory_tools.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace mdq {

struct ReaderContext;

namespace cards {
class CardSession;
}

class CardToolsWindow : public QDialog
{
    Q_OBJECT
public:
    CardToolsWindow(ReaderContext &context, QWidget *parent);
    // Opens the window modally (refused while the port is not open).
    static void open(ReaderContext &context);

private:
    enum class Family { Classic, Ultralight, Memory };
    Family family() const;

    void searchKeys();
    void dump();
    void restore();
    void compare();
    // The file named in the file box, read as the card kind wants it; a
    // failure is shown and left in file.error.
    struct ChosenFile
    {
        cards::DumpParse file;
        cards::MemoryParse memory;
        std::optional<cards::MemoryCardType> type;
    };
    ChosenFile readChosenFile() const;
    // Keys to try for a Mifare dump: its own, then the dictionaries.
    bool keysFor(const ChosenFile &in, QList<QByteArray> *keys);
    void exportKeys();

    // The common frame of every operation: port check, log preparation, the
    // line held (input refused but for Stop) while `work` runs, then the
    // failure message once the line is free. `work` returns false on failure.
    void run(const QString &title, const std::function<bool(cards::CardSession &)> &work);
    bool loadDictionary(QList<QByteArray> *keys);
    void showOutput(const QString &text);
    void setBusy(bool busy);

    ReaderContext &m_context;
    QComboBox *m_kind = nullptr;
    QLineEdit *m_keyFiles = nullptr;
    QLineEdit *m_file = nullptr;
    QLineEdit *m_psc = nullptr;
    QCheckBox *m_partial = nullptr;
    QCheckBox *m_trailers = nullptr;
    QCheckBox *m_block0 = nullptr;
    QCheckBox *m_allPages = nullptr;
    QPlainTextEdit *m_keyTable = nullptr;
    QPlainTextEdit *m_output = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_stop = nullptr;
    QList<QPushButton *> m_actions;
    QList<QByteArray> m_keyA, m_keyB;  // the last key search
    bool m_stopRequested = false;
};

}  // namespace mdq
