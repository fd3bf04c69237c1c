#include "ui/remembered.h"

#include <QSettings>
#include <QWidget>

namespace mdq {

namespace {
QString windowKey(const QWidget *window)
{
    return QStringLiteral("windows/%1").arg(window->objectName());
}
}  // namespace

Remembered::Remembered() = default;

Remembered::Remembered(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

Remembered::~Remembered()
{
    if (m_settings)
        m_settings->sync();
}

std::unique_ptr<Remembered> Remembered::forUser()
{
    // The platform's own format and place: ~/.config/qtest820/qtest820.conf
    // on Linux (XDG_CONFIG_HOME respected), the registry on Windows.
    return std::make_unique<Remembered>(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                                    QStringLiteral("qtest820"),
                                                                    QStringLiteral("qtest820")));
}

std::unique_ptr<Remembered> Remembered::inFile(const QString &path)
{
    return std::make_unique<Remembered>(std::make_unique<QSettings>(path, QSettings::IniFormat));
}

QString Remembered::fileName() const
{
    return m_settings ? m_settings->fileName() : QString();
}

QString Remembered::text(const QString &key) const
{
    return value(key).toString();
}

QVariant Remembered::value(const QString &key) const
{
    return m_settings ? m_settings->value(key) : QVariant();
}

void Remembered::setValue(const QString &key, const QVariant &value)
{
    if (m_settings)
        m_settings->setValue(key, value);
}

bool Remembered::restoreWindow(QWidget *window) const
{
    if (!m_settings || window->objectName().isEmpty())
        return false;
    const QByteArray geometry = m_settings->value(windowKey(window)).toByteArray();
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void Remembered::storeWindow(const QWidget *window)
{
    if (m_settings && !window->objectName().isEmpty())
        m_settings->setValue(windowKey(window), window->saveGeometry());
}

}  // namespace mdq
