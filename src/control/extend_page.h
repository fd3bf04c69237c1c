#pragma once
// The "EXTEND FUNCTION" page: life counter, captured-card counter, unit
// configuration and unit serial number.

#include <QWidget>

namespace mdq {

struct ReaderContext;

class ExtendPage : public QWidget
{
    Q_OBJECT
public:
    ExtendPage(ReaderContext &context, QWidget *parent);

private:
    ReaderContext &m_context;
};

}  // namespace mdq
