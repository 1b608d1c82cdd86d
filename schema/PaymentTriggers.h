#pragma once

#include <vector>

#include "Statement.h"

namespace schema {

// The redefinitions of the payment lines' two triggers that go with the
// purchase-cost bills: a line pays down a purchase (P), a purchase-cost bill
// (C), a purchase return (N) or a purchase discount (D) by its PATCH_AMT,
// NULL amounts counting as 0.
std::vector<Statement> paymentLineTriggerRedefinitions();

} // namespace schema
