#pragma once
// Notes every dialog shown while it lives and rejects it at once: for tests
// that a handler opens no window (a negative reply, a failed exchange).

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QStringList>

namespace mdqtest {

class DialogWatch : public QObject
{
public:
    DialogWatch() { qApp->installEventFilter(this); }
    ~DialogWatch() override { qApp->removeEventFilter(this); }
    QStringList opened() const { return m_opened; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *d = qobject_cast<QDialog *>(watched)) {
                m_opened << d->objectName();
                QMetaObject::invokeMethod(d, &QDialog::reject, Qt::QueuedConnection);
            }
        return false;
    }

private:
    QStringList m_opened;
};

}  // namespace mdqtest
