#pragma once
// Every top-level window of the tool opens where it fits: on the screen it
// belongs to, no larger than that screen's free area, at least as wide as
// its title needs, and back where the operator last left it when settings
// are remembered. Windows whose content is taller than the screen hold it in
// a scroll area (the main window does), so nothing is ever out of reach.
//
// One filter on the application does it for every window, the message boxes
// and file dialogs excepted (they size themselves). The first time a window
// shows, its unnamed boxes get accessible names from their labels.

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSet>

class QWidget;

namespace mdq {

class Remembered;

class WindowFitter : public QObject
{
    Q_OBJECT
public:
    explicit WindowFitter(QObject *parent = nullptr);
    ~WindowFitter() override;

    void setRemembered(Remembered *remembered) { m_remembered = remembered; }

    // The free area of the screen the window is on (or will open on).
    static QRect availableArea(const QWidget *window);
    // What the window manager adds around a window; an estimate until the
    // window is on screen.
    static QMargins decoration(const QWidget *window);
    // Sizes and places the window inside the free area.
    static void fit(QWidget *window, bool firstShow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handles(const QWidget *window) const;

    Remembered *m_remembered = nullptr;
    QSet<const QWidget *> m_seen;
};

}  // namespace mdq
