#pragma once
// Handlers of the reader's own buttons on the main window: initialise, card
// and sensor status, card movement and entry control.

#include <QObject>

namespace mdq {

struct ReaderContext;
class Reply;

class ReaderControl : public QObject
{
    Q_OBJECT
public:
    ReaderControl(ReaderContext &context, QWidget *mainWindow);

    void cardStatus();

private:
    ReaderContext &m_context;
};

// "Card Status Success" and the three lines for status bytes st0..st2.
QString cardStatusText(quint8 st0, quint8 st1, quint8 st2);

}  // namespace mdq
