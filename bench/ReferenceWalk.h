#pragma once

#include <cstddef>
#include <string>

namespace vesk::bench {

/// Reads a cache file and walks it with simdjson's On-Demand parser, touching
/// every field of every summary and label. Returns a checksum so that the
/// compiler cannot drop the work.
size_t referenceWalk(const std::string& path);

} // namespace vesk::bench
