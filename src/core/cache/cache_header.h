// Building the analysis cache header from an analyser's results, and applying a loaded one back.
#pragma once

#include "cache/cache_format.h"

namespace velmora {

class TM2VStream;

// With Final false the validity stamp stays zero, so an unfinished cache never passes as valid.
cache::TCacheHeader BuildCacheHeader(const TM2VStream& Stream, bool Final);
void ApplyCacheHeader(TM2VStream& Stream, const cache::TCacheHeader& Header);

}  // namespace velmora
