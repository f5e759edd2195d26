#pragma once

namespace vesk {

/// When the caches read ahead at start-up are decoded.
enum class CacheReadStart
{
    AtOnce,
    /// A cache whose first-screen record stands in waits for its store's
    /// MailStore::loadNow(), or a few seconds at most: on two cores five
    /// decoders, even on idle priority, doubled the time to a window's first
    /// frame, which the records alone can paint.
    AfterFirstFrame,
};

} // namespace vesk
