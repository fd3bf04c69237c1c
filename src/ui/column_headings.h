#pragma once
// The heading over a row of cells ("00   01    02 ..."): its text stays as the
// windows have always given it, but each column's heading is drawn centred
// over its own cell, wherever the layout puts the cells, so headings and
// cells stay aligned at every font, style and scale.

#include <QLabel>
#include <QList>
#include <QPointer>

namespace mdq {

class ColumnHeadings : public QLabel
{
    Q_OBJECT
public:
    // text: the headings, separated by blanks; heading i goes over cells[i].
    ColumnHeadings(const QString &text, QList<QWidget *> cells, QWidget *parent);

    QStringList headings() const;
    // Where heading i is drawn, in this label's coordinates.
    QRect headingRect(int i) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QWidget>> m_cells;
};

}  // namespace mdq
