#include "contact/ic_card_page.h"

#include "control/reader_context.h"

namespace mdq {

IcCardPage::IcCardPage(ReaderContext &context, QWidget *parent) : QWidget(parent), m_context(context) {}

void IcCardPage::testType() {}

}  // namespace mdq
