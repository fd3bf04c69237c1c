#include "virtual_reader.h"

#include <QMutexLocker>

namespace sim {

VirtualReader::VirtualReader(const VirtualReaderOptions &options)
{
    if (!m_model.setAddress(options.address))
        m_optionsError = QStringLiteral("the address is 0 to F");
    if (LinkSettings::isSupportedBaud(options.baud))
        m_link.baud = options.baud;
    else
        m_optionsError = QStringLiteral("unsupported baud rate %1").arg(options.baud);
    m_link.pace = options.pace;
    m_server.setLine(m_link.baud, m_link.pace);
}

VirtualReader::~VirtualReader()
{
    stop();
}

bool VirtualReader::start(QString *error)
{
    if (!m_optionsError.isEmpty()) {
        if (error)
            *error = m_optionsError;
        return false;
    }
    return m_server.start([this](const QByteArray &bytes) { return receive(bytes); }, error);
}

void VirtualReader::stop()
{
    m_server.stop();
}

QString VirtualReader::control(const QString &line)
{
    QMutexLocker lock(&m_mutex);
    const QString answer = m_interpreter.execute(line);
    m_server.setLine(m_link.baud, m_link.pace);
    return answer;
}

QList<Transmission> VirtualReader::receive(const QByteArray &fromHost)
{
    QMutexLocker lock(&m_mutex);
    return m_protocol.feed(fromHost);
}

}  // namespace sim
