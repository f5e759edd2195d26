#pragma once

#include "model/MessageSummary.h"

#include <QList>

namespace vesk::bench {

/// Realistic summaries for benchmarks: Portuguese text with accents, threads
/// of one to five messages, Gmail-like ids and labels, about 470 bytes of
/// cache JSON each. Deterministic for a given count and seed.
QList<MessageSummary> generateSummaries(int count, quint32 seed = 7);

} // namespace vesk::bench
