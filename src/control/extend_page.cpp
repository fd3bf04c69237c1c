#include "control/extend_page.h"

#include "control/reader_context.h"

namespace mdq {

ExtendPage::ExtendPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context) {}

}  // namespace mdq
