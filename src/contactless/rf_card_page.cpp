#include "contactless/rf_card_page.h"

#include "control/reader_context.h"

namespace mdq {

RfCardPage::RfCardPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context) {}

void RfCardPage::testType() {}

}  // namespace mdq
