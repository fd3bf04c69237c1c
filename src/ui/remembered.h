#pragma once
// What the tool keeps between runs: port, baud rate, address, Record Data,
// window positions and sizes, the folder of the last save. Stored where the
// platform keeps settings (~/.config/qtest820/qtest820.conf on Linux).
// A Remembered that is off reads nothing and writes nothing: scripts, --fresh
// and tests start from the windows' own defaults and leave no trace.

#include <QString>
#include <QVariant>
#include <memory>

class QSettings;
class QWidget;

namespace mdq {

namespace remembered {
inline const QString Port = QStringLiteral("link/port");
inline const QString Baud = QStringLiteral("link/baud");
inline const QString Address = QStringLiteral("link/address");
inline const QString RecordData = QStringLiteral("log/recordData");
inline const QString SaveFolder = QStringLiteral("log/saveFolder");
// The USB adapter (its binding, "usb:A12345") COMn last connected through.
inline QString adapterKey(int port) { return QStringLiteral("ports/COM%1").arg(port); }
}  // namespace remembered

class Remembered
{
public:
    Remembered();  // off
    explicit Remembered(std::unique_ptr<QSettings> settings);
    ~Remembered();
    Remembered(const Remembered &) = delete;
    Remembered &operator=(const Remembered &) = delete;

    // The user's own store, in the platform's usual place.
    static std::unique_ptr<Remembered> forUser();
    // A store in one given file (tests).
    static std::unique_ptr<Remembered> inFile(const QString &path);

    bool isOn() const { return m_settings != nullptr; }
    QString fileName() const;
    // Empty when off or never stored.
    QString text(const QString &key) const;
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    // A top-level window's geometry, under its objectName.
    bool restoreWindow(QWidget *window) const;
    void storeWindow(const QWidget *window);

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace mdq
