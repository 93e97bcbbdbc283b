// Building the analysis cache header from an analyser's results, and applying a loaded one back.
#pragma once

#include <cstdint>

#include "cache/cache_format.h"

namespace velmora {

class TM2VStream;

// The validity stamp of a stream with this last-write time (a 64-bit file time) and exact size. It
// covers the size too: a copy that keeps the time but not every byte gets another stamp. For one time
// every size gives its own stamp.
uint64_t CacheStamp(uint64_t LastWriteTime, int64_t FileSize);

// With Final false the validity stamp stays zero, so an unfinished cache never passes as valid. The
// stamp describes the stream as it was when the analyser opened it.
cache::TCacheHeader BuildCacheHeader(const TM2VStream& Stream, bool Final);
void ApplyCacheHeader(TM2VStream& Stream, const cache::TCacheHeader& Header);

}  // namespace velmora
