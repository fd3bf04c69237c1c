#include "control/reader_control.h"

#include "control/reader_context.h"
#include "link/reply.h"

#include <QPushButton>
#include <QWidget>

namespace mdq {

namespace {
QString pick(quint8 status, std::initializer_list<const char *> texts)
{
    const int i = int(status) - '0';
    if (i < 0 || i >= int(texts.size()))
        return QString();
    return QString::fromLatin1(*(texts.begin() + i));
}
}  // namespace

QString cardStatusText(quint8 st0, quint8 st1, quint8 st2)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Card Status Success") + crlf
        + pick(st0, {"No card in card channel", "There is card at front side",
                     "There is card at RF/IC card operation position"})
        + crlf + pick(st1, {"No card in stacker", "Lack of card in stacker", "Enough cards in stacker"}) + crlf
        + pick(st2, {"The error card bin is not full", "The error card bin is full"});
}

ReaderControl::ReaderControl(ReaderContext &context, QWidget *mainWindow) : QObject(mainWindow), m_context(context)
{
    auto *status = mainWindow->findChild<QPushButton *>(QStringLiteral("CardStatusBtn"));
    connect(status, &QPushButton::clicked, this, &ReaderControl::cardStatus);
}

void ReaderControl::cardStatus()
{
    m_context.runner.run('1', '0', {}, [this](const Reply &r) {
        m_context.runner.showInformation(QStringLiteral("Card Status"), cardStatusText(r.at(3), r.at(4), r.at(5)));
    });
}

}  // namespace mdq
